// Dates as text and points of a month calendar found by its own hit test, for the calendar
// and date picker tests.
#pragma once
#include <windows.h>

#include <commctrl.h>

#include <string>

namespace calprobe {

inline std::string Date(const SYSTEMTIME& t) {
  return std::to_string(t.wYear) + "-" + std::to_string(t.wMonth) + "-" + std::to_string(t.wDay);
}

inline SYSTEMTIME Day(WORD y, WORD m, WORD d) {
  SYSTEMTIME t{};
  t.wYear = y;
  t.wMonth = m;
  t.wDay = d;
  return t;
}

// The middle of the area where the calendar answers `hit` (for `day` when it is not empty),
// in its client coordinates.
inline bool Find(HWND cal, UINT hit, const std::string& day, POINT* at) {
  RECT client{};
  GetClientRect(cal, &client);
  long sx = 0, sy = 0, n = 0;
  for (int y = 0; y < client.bottom; ++y) {
    for (int x = 0; x < client.right; ++x) {
      MCHITTESTINFO info{};
      info.cbSize = sizeof(info);
      info.pt = POINT{x, y};
      if (MonthCal_HitTest(cal, &info) != hit || (!day.empty() && Date(info.st) != day)) continue;
      sx += x;
      sy += y;
      ++n;
    }
  }
  if (n == 0) return false;
  *at = POINT{LONG(sx / n), LONG(sy / n)};
  return true;
}

}  // namespace calprobe
