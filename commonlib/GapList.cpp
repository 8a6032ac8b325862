#include "commonlib/GapList.h"

#include <algorithm>
#include <iterator>

void GapList::Clear() { m_ranges.clear(); }

bool GapList::Copy(const GapList& source, GapList& destination) {
  if (&source == &destination) return true;
  destination.Clear();
  for (const Range& r : source.m_ranges) destination.m_ranges.push_back(r);
  return true;
}

bool GapList::AddRange(int64_t first, int64_t last) {
  uint64_t f = static_cast<uint64_t>(first);
  uint64_t l = static_cast<uint64_t>(last);
  if (f > l) return false;
  for (auto it = m_ranges.begin(); it != m_ranges.end();) {
    uint64_t s = static_cast<uint64_t>(it->first);
    uint64_t e = static_cast<uint64_t>(it->last);
    if (s >= f && e > l && s <= l) {
      // The new range reaches into this gap: take its end and let it go.
      l = e;
      it = m_ranges.erase(it);
    } else if (s >= f && e <= l) {
      it = m_ranges.erase(it);
    } else if (e <= l && e >= f) {
      // This gap reaches into the new range from below.
      f = s;
      it = m_ranges.erase(it);
    } else if (s <= f && l <= e) {
      return false;
    } else {
      ++it;
    }
  }
  m_ranges.push_back(Range{static_cast<int64_t>(f), static_cast<int64_t>(l)});
  return true;
}

void GapList::Assign(std::vector<Range> ranges) {
  m_ranges.clear();
  // Compared unsigned, as AddRange compares.
  auto u = [](int64_t v) { return static_cast<uint64_t>(v); };
  ranges.erase(std::remove_if(ranges.begin(), ranges.end(), [&](const Range& r) { return u(r.first) > u(r.last); }),
               ranges.end());
  std::sort(ranges.begin(), ranges.end(), [&](const Range& a, const Range& b) { return u(a.first) < u(b.first); });
  for (const Range& r : ranges) {
    if (!m_ranges.empty() && u(r.first) <= u(m_ranges.back().last)) {
      if (u(r.last) > u(m_ranges.back().last)) m_ranges.back().last = r.last;
    } else {
      m_ranges.push_back(r);
    }
  }
}

bool GapList::RemoveRange(int64_t first, int64_t last) {
  uint64_t f = static_cast<uint64_t>(first);
  uint64_t l = static_cast<uint64_t>(last);
  if (f > l) return false;
  bool removed = false;
  for (auto it = m_ranges.begin(); it != m_ranges.end();) {
    uint64_t s = static_cast<uint64_t>(it->first);
    uint64_t e = static_cast<uint64_t>(it->last);
    if (s >= f && e <= l) {
      it = m_ranges.erase(it);
      removed = true;
      continue;
    }
    if (s >= f && s <= l && l < e) {
      it->first = static_cast<int64_t>(l + 1);
      removed = true;
    } else if (s < f && f <= e && e <= l) {
      it->last = static_cast<int64_t>(f - 1);
      removed = true;
    } else if (s < f && l < e) {
      it->last = static_cast<int64_t>(f - 1);
      m_ranges.insert(std::next(it), Range{static_cast<int64_t>(l + 1), static_cast<int64_t>(e)});
      return true;
    }
    ++it;
  }
  return removed;
}

bool GapList::IsFilledUpTo(int64_t position) const {
  uint64_t p = static_cast<uint64_t>(position);
  for (const Range& r : m_ranges) {
    if (static_cast<uint64_t>(r.first) <= p) return false;
  }
  return true;
}

uint64_t GapList::MissingBytesUpTo(int64_t position) const {
  uint64_t p = static_cast<uint64_t>(position);
  uint64_t total = 0;
  for (const Range& r : m_ranges) {
    uint64_t s = static_cast<uint64_t>(r.first);
    uint64_t e = static_cast<uint64_t>(r.last);
    if (s > p) continue;
    uint64_t end = e < p ? e : p;
    total += end - s + 1;
  }
  uint64_t cap = p + 1;
  return (cap != 0 && total > cap) ? cap : total;
}
