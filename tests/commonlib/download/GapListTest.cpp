#include "commonlib/GapList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include <utility>
#include <vector>

namespace {

std::vector<std::pair<int64_t, int64_t>> Dump(const GapList& g) {
  std::vector<std::pair<int64_t, int64_t>> out;
  for (const GapList::Range& r : g) out.emplace_back(r.first, r.last);
  return out;
}

typedef std::vector<std::pair<int64_t, int64_t>> V;

TEST(GapListTest, AddRangeMergesOverlapsButKeepsTouchingRangesApart) {
  GapList g;
  EXPECT_TRUE(g.AddRange(0, 99));
  EXPECT_EQ(Dump(g), (V{{0, 99}}));
  EXPECT_FALSE(g.AddRange(10, 20));  // inside an existing gap
  EXPECT_FALSE(g.AddRange(5, 4));
  EXPECT_EQ(Dump(g), (V{{0, 99}}));

  GapList t;
  t.AddRange(0, 9);
  t.AddRange(20, 29);
  EXPECT_TRUE(t.AddRange(10, 19));
  EXPECT_EQ(Dump(t), (V{{0, 9}, {20, 29}, {10, 19}}));

  GapList m;
  m.AddRange(0, 9);
  m.AddRange(20, 29);
  EXPECT_TRUE(m.AddRange(5, 25));
  EXPECT_EQ(Dump(m), (V{{0, 29}}));

  GapList c;
  c.AddRange(10, 19);
  c.AddRange(30, 39);
  EXPECT_TRUE(c.AddRange(0, 100));  // swallows both
  EXPECT_EQ(Dump(c), (V{{0, 100}}));
}

TEST(GapListTest, RemoveRangeSplitsTrimsAndReportsChange) {
  GapList g;
  g.AddRange(0, 29);
  EXPECT_TRUE(g.RemoveRange(10, 19));
  EXPECT_EQ(Dump(g), (V{{0, 9}, {20, 29}}));
  EXPECT_FALSE(g.RemoveRange(10, 19));
  EXPECT_FALSE(g.RemoveRange(9, 8));
  EXPECT_TRUE(g.RemoveRange(5, 22));
  EXPECT_EQ(Dump(g), (V{{0, 4}, {23, 29}}));
  EXPECT_TRUE(g.RemoveRange(0, 100));
  EXPECT_TRUE(g.IsEmpty());

  GapList big;
  big.AddRange(0, 1310719);
  EXPECT_TRUE(big.RemoveRange(0, 499999));
  EXPECT_EQ(Dump(big), (V{{500000, 1310719}}));
}

TEST(GapListTest, FilledAndMissingBytes) {
  GapList g;
  EXPECT_TRUE(g.IsFilledUpTo(1000));
  EXPECT_EQ(g.MissingBytesUpTo(1000), 0u);
  g.AddRange(100, 199);
  EXPECT_TRUE(g.IsFilledUpTo(99));
  EXPECT_FALSE(g.IsFilledUpTo(100));

  GapList m;
  m.AddRange(10, 19);
  m.AddRange(40, 99);
  EXPECT_EQ(m.MissingBytesUpTo(49), 20u);
  EXPECT_EQ(m.MissingBytesUpTo(99), 70u);
  EXPECT_EQ(m.MissingBytesUpTo(5), 0u);

  GapList one;
  one.AddRange(0, 0);
  EXPECT_EQ(one.MissingBytesUpTo(0), 1u);
}

TEST(GapListTest, AssignMergesLikeAddRangeInSortedOrder) {
  std::mt19937_64 rng(7);
  for (int round = 0; round < 200; ++round) {
    std::vector<GapList::Range> ranges;
    GapList added;
    for (int i = 0; i < 30; ++i) {
      int64_t a = static_cast<int64_t>(rng() % 200), b = a + static_cast<int64_t>(rng() % 12) - 2;
      ranges.push_back(GapList::Range{a, b});
      added.AddRange(a, b);
    }
    GapList assigned;
    assigned.AddRange(500, 600);  // replaced
    assigned.Assign(ranges);
    V want = Dump(added);
    std::sort(want.begin(), want.end());
    ASSERT_EQ(Dump(assigned), want) << round;
  }
  // Touching ranges stay apart, also among 200,000 one-byte ranges in reverse (how long that
  // takes: bench/gaplist_bench).
  std::vector<GapList::Range> many;
  for (int64_t i = 200000; i > 0; --i) many.push_back(GapList::Range{2 * i, 2 * i});
  many.push_back(GapList::Range{1, 1});
  GapList g;
  g.Assign(many);
  EXPECT_EQ(g.Count(), 200001u);
  EXPECT_EQ(g.begin()->first, 1);
  EXPECT_EQ(g.MissingBytesUpTo(400000), 200001u);
}

TEST(GapListTest, CopyReplacesTheDestination) {
  GapList a, b;
  a.AddRange(5, 9);
  a.AddRange(0, 2);
  b.AddRange(100, 200);
  EXPECT_TRUE(GapList::Copy(a, b));
  EXPECT_EQ(Dump(b), (V{{5, 9}, {0, 2}}));
  EXPECT_TRUE(GapList::Copy(b, b));
  EXPECT_EQ(b.Count(), 2u);
  b.Clear();
  EXPECT_TRUE(b.IsEmpty());
}

}  // namespace
