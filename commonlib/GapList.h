// The byte ranges of a download that are still missing. Ranges are inclusive, never
// overlap, and ranges that only touch are kept apart. The list stays small (a handful of
// ranges), so every operation walks it from the front; a stored list is taken back whole
// by Assign, which sorts instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <vector>

class GapList {
 public:
  struct Range {
    int64_t first;
    int64_t last;
  };
  typedef std::list<Range> Ranges;
  typedef Ranges::const_iterator const_iterator;

  GapList() = default;
  GapList(const GapList& other) = default;
  GapList& operator=(const GapList& other) = default;

  void Clear();
  // Clears the destination, then appends a copy of every source range in source order.
  static bool Copy(const GapList& source, GapList& destination);
  // Adds [first, last], swallowing ranges it overlaps or reaches into; appended at the end.
  // False when first > last or the range already lies inside one gap.
  bool AddRange(int64_t first, int64_t last);
  // Replaces the list by the given ranges (any order, overlaps allowed; ranges with
  // first > last are skipped), merged as AddRange would merge them, in ascending order.
  // O(n log n).
  void Assign(std::vector<Range> ranges);
  // Subtracts [first, last], splitting a gap where needed; true when any byte was removed.
  bool RemoveRange(int64_t first, int64_t last);
  // True when no gap starts at or below the position.
  bool IsFilledUpTo(int64_t position) const;
  // Missing bytes within [0, position], at most position + 1.
  uint64_t MissingBytesUpTo(int64_t position) const;

  bool IsEmpty() const { return m_ranges.empty(); }
  size_t Count() const { return m_ranges.size(); }
  const Ranges& GetRanges() const { return m_ranges; }
  const_iterator begin() const { return m_ranges.begin(); }
  const_iterator end() const { return m_ranges.end(); }

 private:
  Ranges m_ranges;
};
