// The smoothed clock against a manual system time and performance counter.
#include <gtest/gtest.h>

#include <snmp.h>
#include <unistd.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "commonlib/core/MacAddress.h"
#include "tests/support/core/FakeClock.h"
#include "commonlib/core/SystemClock.h"

namespace {

class SystemClockTest : public ::testing::Test {
 protected:
  FakeClock clock{1600000000000.0};  // 2020-09-13
  static void Advance(double ms) { FakeClock::Advance(ms); }
};

TEST_F(SystemClockTest, SystemTimeAndCounterInMilliseconds) {
  EXPECT_DOUBLE_EQ(GetSystemTimeMs(), 1600000000000.0);
  EXPECT_DOUBLE_EQ(GetPerfCounterMs(), 10000.0);
}

TEST_F(SystemClockTest, FollowsTheCounterFromTheAnchor) {
  EXPECT_DOUBLE_EQ(GetTimeSeconds(), 1600000000.0);
  Advance(20);
  EXPECT_NEAR(GetTimeSeconds(), 1600000000.020, 1e-6);
  // The counter is finer than the system time: between system ticks the clock still moves.
  FakeClock::StepCounter(5000);
  EXPECT_NEAR(GetTimeSeconds(), 1600000000.025, 1e-6);
}

TEST_F(SystemClockTest, HoldsStillThroughASmallStepBack) {
  EXPECT_DOUBLE_EQ(GetTimeSeconds(), 1600000000.0);
  Advance(1000);
  EXPECT_NEAR(GetTimeSeconds(), 1600000001.0, 1e-6);
  FakeClock::StepSystemTime(-1000);  // the system time is set back by one second
  GetTimeSeconds();    // notices the drift and re-anchors on the next call
  double held = GetTimeSeconds();
  EXPECT_NEAR(held, 1600000001.0, 1e-6);
  Advance(500);
  EXPECT_NEAR(GetTimeSeconds(), 1600000001.0, 1e-6);
  Advance(600);  // real time passes the last answer again
  EXPECT_NEAR(GetTimeSeconds(), 1600000001.1, 1e-6);
}

TEST_F(SystemClockTest, FollowsALargeStepBack) {
  GetTimeSeconds();
  Advance(10);
  GetTimeSeconds();
  FakeClock::StepSystemTime(-3600.0 * 1000);
  GetTimeSeconds();
  EXPECT_NEAR(GetTimeSeconds(), 1600000000.010 - 3600, 1e-6);
}

TEST_F(SystemClockTest, DriftAboveThirtyOneMillisecondsReanchors) {
  GetTimeSeconds();
  FakeClock::StepSystemTime(30);  // system runs ahead of the counter by 30 ms: still synced
  EXPECT_NEAR(GetTimeSeconds(), 1600000000.0, 1e-6);
  FakeClock::StepSystemTime(2);  // 32 ms: this call keeps the counter's time, the next one re-anchors
  EXPECT_NEAR(GetTimeSeconds(), 1600000000.0, 1e-6);
  EXPECT_NEAR(GetTimeSeconds(), 1600000000.032, 1e-6);
}

TEST_F(SystemClockTest, CounterJumpIsHeldAfterReanchoring) {
  GetTimeSeconds();
  FakeClock::StepCounter(1000000);  // the counter jumps one second, the system time does not
  // The counter alone moved: this answer follows it, then the re-anchor holds it.
  EXPECT_NEAR(GetTimeSeconds(), 1600000001.0, 1e-6);
  EXPECT_NEAR(GetTimeSeconds(), 1600000001.0, 1e-6);  // re-anchored, held: step back < 2 s
}

TEST(SystemClockNoCounterTest, WithoutCounterUsesTheSystemTime) {
  FakeClock clock(1600000000000.0, 0, false);
  FakeClock::StepSystemTime(1234);
  EXPECT_NEAR(GetTimeSeconds(), 1600000001.234, 1e-6);
}

TEST(SystemClockRealTest, RealClockIsNearTheSystemTime) {
  SetSystemClockSource(nullptr);
  double a = GetTimeSeconds();
  EXPECT_NEAR(a, GetSystemTimeMs() / 1000.0, 0.1);
  EXPECT_GE(GetTimeSeconds(), a);
}

TEST(MacAddressTest, TwelveLowerCaseHexDigitsOrEmpty) {
  const wchar_t* mac = GetMacAddress();
  if (!mac) return;  // no adapter with an address and no SNMP agent
  std::wstring text = mac;
  if (text.empty()) return;
  ASSERT_EQ(text.size(), 12u);
  for (wchar_t c : text) EXPECT_TRUE((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f'));
}

// In a network namespace of its own with two Ethernet pairs of known addresses, the walk
// of the agent's interface table gives the last Ethernet row; loopback rows never count.
TEST(MacAddressTest, SnmpWalkOfTheInterfaceTableTakesTheLastEthernetRow) {
  if (getenv("JF_SNMP_CHILD")) {
    // jfb0 is made last, so its row comes last.
    const std::wstring expected = L"0266778899aa";
    const wchar_t* mac = GetMacAddressBySnmp();
    ASSERT_NE(mac, nullptr);
    EXPECT_EQ(expected, std::wstring(mac));
    // The agent answers the number of interfaces too.
    HMODULE agent = LoadLibraryW(L"inetmib1.dll");
    auto query = reinterpret_cast<PFNSNMPEXTENSIONQUERY>(
        reinterpret_cast<void (*)()>(GetProcAddress(agent, "SnmpExtensionQuery")));
    ASSERT_NE(query, nullptr);
    UINT ids[] = {1, 3, 6, 1, 2, 1, 2, 1};
    AsnObjectIdentifier ifNumber = {8, ids};
    SnmpVarBind bind = {};
    SnmpUtilOidCpy(&bind.name, &ifNumber);
    SnmpVarBindList list = {&bind, 1};
    AsnInteger32 status = -1, index = -1;
    ASSERT_TRUE(query(SNMP_PDU_GETNEXT, &list, &status, &index));
    EXPECT_EQ(status, SNMP_ERRORSTATUS_NOERROR);
    EXPECT_EQ(bind.name.idLength, 9u);
    EXPECT_EQ(bind.value.asnValue.number, 5);  // lo and the two pairs
    SnmpUtilVarBindFree(&bind);
    FreeLibrary(agent);
    return;
  }
  if (geteuid() != 0 || system("command -v ip >/dev/null && command -v unshare >/dev/null") != 0)
    GTEST_SKIP() << "needs root, ip and unshare for a network namespace";
  char self[4096] = {};
  ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
  std::string command =
      "unshare --net -- sh -c 'ip link set lo up && "
      "ip link add jfa0 type veth peer name jfa1 && ip link add jfb0 type veth peer name jfb1 && "
      "ip link set jfa0 address 02:11:22:33:44:55 && ip link set jfb0 address 02:66:77:88:99:aa && "
      "JF_SNMP_CHILD=1 exec \"$0\" --gtest_filter=MacAddressTest.SnmpWalkOfTheInterfaceTableTakesTheLastEthernetRow' ";
  command += std::string("'") + self + "' > /dev/null 2>&1";
  EXPECT_EQ(0, system(command.c_str()));
}

}  // namespace
