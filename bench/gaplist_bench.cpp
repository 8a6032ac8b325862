// Times GapList::Assign, the way a stored resume file's gaps are taken back: many one-byte
// gaps that only touch nothing (every other byte missing), given in reverse order and in a
// shuffled order, beside sorting the same ranges alone (the floor). Prints the best and the
// median of the rounds.
// usage: gaplist_bench [ranges, 200000] [rounds, 7]. Exit code 0 when every list came out whole.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "commonlib/GapList.h"

namespace {

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

struct Figures {
  std::vector<double> seconds;
  void Print(const char* what) {
    std::sort(seconds.begin(), seconds.end());
    std::printf("%-24s best %8.3f ms  median %8.3f ms\n", what, seconds.front() * 1e3,
                seconds[seconds.size() / 2] * 1e3);
  }
};

}  // namespace

int main(int argc, char** argv) {
  const long count = argc > 1 ? std::atol(argv[1]) : 200000;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 7;
  if (count <= 0 || rounds <= 0) return 2;
  std::vector<GapList::Range> reverse;
  for (long i = count; i > 0; --i) reverse.push_back(GapList::Range{2 * i, 2 * i});
  std::vector<GapList::Range> shuffled = reverse;
  std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937_64(7));

  Figures floor, reversed, mixed;
  bool whole = true;
  for (int r = 0; r < rounds; ++r) {
    std::vector<GapList::Range> copy = shuffled;
    double start = Now();
    std::sort(copy.begin(), copy.end(),
              [](const GapList::Range& a, const GapList::Range& b) { return a.first < b.first; });
    floor.seconds.push_back(Now() - start);
    for (auto* run : {&reversed, &mixed}) {
      const std::vector<GapList::Range>& ranges = run == &reversed ? reverse : shuffled;
      GapList list;
      start = Now();
      list.Assign(ranges);
      run->seconds.push_back(Now() - start);
      whole = whole && list.Count() == static_cast<size_t>(count) && list.begin()->first == 2;
    }
  }
  std::printf("%ld one-byte gaps, %d rounds\n", count, rounds);
  floor.Print("sort alone (floor)");
  reversed.Print("Assign, reverse order");
  mixed.Print("Assign, shuffled order");
  return whole ? 0 : 1;
}
