#include <gtest/gtest.h>

#include "app/install/InstallProgress.h"

namespace {

using IP = InstallProgress;

TEST(ProgressTest, LengthSharesTheBarBetweenDownloadAnimationAndDigest) {
  struct Row {
    int64_t total, complete;
    int step, md5;
    int length;
  } rows[] = {
      {0, 0, 450, 100, 0},     {-5, 1, 0, 0, 0},     {100, 50, 0, 0, 243},   {1, 1, 0, 0, 486},
      {1, 1, 450, 0, 534},     {1, 1, 450, 100, 540}, {1, 1, 0, 100, 491},   {1000, 1, 0, 0, 0},
      {3, 1, 225, 50, 189},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(IP::ComputeLength(540, r.total, r.complete, r.step, r.md5), r.length)
        << r.total << " " << r.complete << " " << r.step << " " << r.md5;
  }
}

TEST(ProgressTest, BubbleAppearsAboveFourteenPixelsAndAPercent) {
  IP::Bubble half = IP::ComputeBubble(243, 348, 100, 50);
  EXPECT_TRUE(half.visible);
  EXPECT_EQ(half.text, L"50%");
  EXPECT_EQ(half.rect.left, 229);
  EXPECT_EQ(half.rect.right, 257);
  EXPECT_EQ(half.rect.top, 314);
  EXPECT_EQ(half.rect.bottom, 337);
  EXPECT_FALSE(IP::ComputeBubble(14, 348, 100, 3).visible);   // too short
  EXPECT_FALSE(IP::ComputeBubble(100, 348, 1000, 5).visible);  // 0 %
  EXPECT_TRUE(IP::ComputeBubble(15, 348, 100, 3).visible);
}

TEST(ProgressTest, BarImageHasItsExactBlanks) {
  EXPECT_EQ(IP::BarImage(37), L" file='progress_fore.png' source='0,10,470,16'  dest='0,0,37,6' ");
}

TEST(ProgressTest, AnimationSlowsDownUnlessTheInstallerIsDone) {
  int step = 0, ticks = 0;
  while (step <= 450) {
    step = IP::NextAnimationStep(step, false);
    ++ticks;
  }
  EXPECT_GT(ticks, 200);  // 75 ticks at 3, then 2 and 1 per tick
  EXPECT_EQ(IP::NextAnimationStep(0, false), 3);
  EXPECT_EQ(IP::NextAnimationStep(224, false), 226);
  EXPECT_EQ(IP::NextAnimationStep(336, false), 337);
  EXPECT_EQ(IP::NextAnimationStep(100, true), 109);
  step = 0;
  ticks = 0;
  while (step < 450) {
    step = IP::NextAnimationStep(step, true);
    ++ticks;
  }
  EXPECT_EQ(ticks, 50);  // five seconds of 100 ms ticks
}

TEST(ProgressTest, DigestPercentIsCappedAndNeedsASize) {
  EXPECT_EQ(IP::Md5Percent(50, 200), 25);
  EXPECT_EQ(IP::Md5Percent(300, 200), 100);
  EXPECT_EQ(IP::Md5Percent(5, 0), -1);
  EXPECT_EQ(IP::Md5Percent(int64_t(3) << 40, int64_t(4) << 40), 75);
}

TEST(ProgressTest, OnlyAChangedLengthRedraws) {
  IP progress;
  EXPECT_FALSE(progress.Changed(0));
  EXPECT_TRUE(progress.Changed(12));
  EXPECT_FALSE(progress.Changed(12));
  progress.Reset();
  EXPECT_TRUE(progress.Changed(12));
}

}  // namespace
