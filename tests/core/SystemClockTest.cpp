// The smoothed clock against a manual system time and performance counter.
#include <gtest/gtest.h>

#include <windows.h>

#include "core/MacAddress.h"
#include "core/SystemClock.h"

namespace {

double g_systemMs = 0;
int64_t g_perfUs = 0;
bool g_hasCounter = true;

void FakeSystemTime(FILETIME* ft) {
  uint64_t t = static_cast<uint64_t>(g_systemMs * 10000.0) + 116444736000000000ull;
  ft->dwLowDateTime = static_cast<DWORD>(t);
  ft->dwHighDateTime = static_cast<DWORD>(t >> 32);
}
BOOL FakeCounter(LARGE_INTEGER* c) {
  c->QuadPart = g_perfUs;
  return g_hasCounter;
}
BOOL FakeFrequency(LARGE_INTEGER* f) {
  f->QuadPart = g_hasCounter ? 1000000 : 0;
  return g_hasCounter;
}
DWORD FakeTick() { return static_cast<DWORD>(g_perfUs / 1000); }
const SystemClockSource kFakeClock = {FakeSystemTime, FakeCounter, FakeFrequency, FakeTick};

class SystemClockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_systemMs = 1600000000000.0;  // 2020-09-13
    g_perfUs = 10000000;
    g_hasCounter = true;
    SetSystemClockSource(&kFakeClock);
  }
  void TearDown() override { SetSystemClockSource(nullptr); }
  static void Advance(double ms) {
    g_systemMs += ms;
    g_perfUs += static_cast<int64_t>(ms * 1000);
  }
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
  g_perfUs += 5000;
  EXPECT_NEAR(GetTimeSeconds(), 1600000000.025, 1e-6);
}

TEST_F(SystemClockTest, HoldsStillThroughASmallStepBack) {
  EXPECT_DOUBLE_EQ(GetTimeSeconds(), 1600000000.0);
  Advance(1000);
  EXPECT_NEAR(GetTimeSeconds(), 1600000001.0, 1e-6);
  g_systemMs -= 1000;  // the system time is set back by one second
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
  g_systemMs -= 3600.0 * 1000;
  GetTimeSeconds();
  EXPECT_NEAR(GetTimeSeconds(), 1600000000.010 - 3600, 1e-6);
}

TEST_F(SystemClockTest, DriftAboveThirtyOneMillisecondsReanchors) {
  GetTimeSeconds();
  g_systemMs += 30;  // system runs ahead of the counter by 30 ms: still synced
  EXPECT_NEAR(GetTimeSeconds(), 1600000000.0, 1e-6);
  g_systemMs += 2;  // 32 ms: this call keeps the counter's time, the next one re-anchors
  EXPECT_NEAR(GetTimeSeconds(), 1600000000.0, 1e-6);
  EXPECT_NEAR(GetTimeSeconds(), 1600000000.032, 1e-6);
}

TEST_F(SystemClockTest, CounterJumpIsHeldAfterReanchoring) {
  GetTimeSeconds();
  g_perfUs += 1000000;  // the counter jumps one second, the system time does not
  // The counter alone moved: this answer follows it, then the re-anchor holds it.
  EXPECT_NEAR(GetTimeSeconds(), 1600000001.0, 1e-6);
  EXPECT_NEAR(GetTimeSeconds(), 1600000001.0, 1e-6);  // re-anchored, held: step back < 2 s
}

TEST_F(SystemClockTest, WithoutCounterUsesTheSystemTime) {
  g_hasCounter = false;
  SetSystemClockSource(&kFakeClock);
  g_systemMs += 1234;
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

}  // namespace
