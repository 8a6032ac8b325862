// The smoothed clock against a manual system time and performance counter.
#include <gtest/gtest.h>

#include <windows.h>

#include "core/MacAddress.h"
#include "FakeClock.h"
#include "core/SystemClock.h"

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

}  // namespace
