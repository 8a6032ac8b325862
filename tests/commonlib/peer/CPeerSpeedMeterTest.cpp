#include "commonlib/peer/CPeerSpeedMeter.h"

#include <gtest/gtest.h>
#include "platform/testing/hooks/tick.h"

namespace {

class CPeerSpeedMeterTest : public ::testing::Test {
 protected:
  void SetUp() override { jf::TickOverride(5000); }
  void TearDown() override { jf::TickRestore(); }
};

TEST_F(CPeerSpeedMeterTest, AveragesTheLastTenSamplesTruncated) {
  CPeerSpeedMeter m;
  EXPECT_EQ(m.m_lastTick, 5000u);
  m.AddBytes(1000);
  jf::TickAdvance(1000);
  EXPECT_EQ(m.Sample(), 1000u);
  m.AddBytes(3000);
  jf::TickAdvance(1000);
  EXPECT_EQ(m.Sample(), 2000u);
  EXPECT_EQ(m.m_bytes, 0u);
  // Two samples in the same millisecond: the second is a rate of 0.
  EXPECT_EQ(m.Sample(), 1333u);
  EXPECT_EQ(m.m_samples.back(), 0.0);

  for (int i = 0; i < 12; ++i) {
    m.AddBytes(static_cast<uint32_t>(100 * (i + 1)));
    jf::TickAdvance(1000);
    m.Sample();
  }
  ASSERT_EQ(m.m_samples.size(), 10u);
  EXPECT_EQ(m.m_samples.front(), 300.0);
  EXPECT_EQ(m.m_samples.back(), 1200.0);
  EXPECT_EQ(m.GetAverage(), 750u);
}

TEST_F(CPeerSpeedMeterTest, TruncatesFractionsAndIgnoresAZeroTick) {
  CPeerSpeedMeter m;
  m.m_samples = {1000.6};
  m.AddBytes(10006);
  jf::TickAdvance(10000);
  EXPECT_EQ(m.Sample(), 1000u);

  CPeerSpeedMeter z;
  z.m_lastTick = 0;
  z.AddBytes(500);
  EXPECT_EQ(z.Sample(), 0u);
  EXPECT_EQ(z.m_bytes, 500u);
  EXPECT_TRUE(z.m_samples.empty());
}

TEST_F(CPeerSpeedMeterTest, ElapsedTimeSurvivesTickWrapAround) {
  jf::TickOverride(0xFFFFFC18ull);  // 1000 ms before the 32-bit tick wraps
  CPeerSpeedMeter m;
  m.AddBytes(4000);
  jf::TickAdvance(2000);
  EXPECT_EQ(m.Sample(), 2000u);
}

}  // namespace
