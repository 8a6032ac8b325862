// Gregorian day arithmetic shared by the date picker and the month calendar, over the years
// a SYSTEMTIME of the system may hold (1601 to 9999).
#pragma once
#include <windows.h>

namespace jf {
namespace calendar {

constexpr int kMinYear = 1601;
constexpr int kMaxYear = 9999;

inline bool Leap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

inline int DaysIn(int year, int month) {
  static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 31;
  return month == 2 && Leap(year) ? 29 : days[month - 1];
}

// 0 is Sunday, as in SYSTEMTIME.
inline WORD DayOfWeek(int year, int month, int day) {
  static const int offset[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  if (month < 3) --year;
  return WORD((year + year / 4 - year / 100 + year / 400 + offset[month - 1] + day) % 7);
}

inline bool ValidDay(const SYSTEMTIME& t) {
  return t.wYear >= kMinYear && t.wYear <= kMaxYear && t.wMonth >= 1 && t.wMonth <= 12 && t.wDay >= 1 &&
         t.wDay <= DaysIn(t.wYear, t.wMonth);
}

// Days since 1 January 1601, and back.
inline long DayNumber(int year, int month, int day) {
  long y = year - 1601;
  long n = y * 365 + y / 4 - y / 100 + y / 400;
  for (int m = 1; m < month; ++m) n += DaysIn(year, m);
  return n + day - 1;
}

inline SYSTEMTIME FromDayNumber(long n) {
  long y400 = n / 146097;  // whole 400-year cycles first, so far years cost no more
  n %= 146097;
  int year = kMinYear + int(y400 * 400);
  for (;;) {
    int length = Leap(year) ? 366 : 365;
    if (n < length) break;
    n -= length;
    ++year;
  }
  int month = 1;
  while (n >= DaysIn(year, month)) n -= DaysIn(year, month++);
  SYSTEMTIME t{};
  t.wYear = WORD(year);
  t.wMonth = WORD(month);
  t.wDay = WORD(n + 1);
  t.wDayOfWeek = DayOfWeek(year, month, int(n + 1));
  return t;
}

// The same date `days` later (earlier when negative), held inside the years above.
inline SYSTEMTIME AddDays(const SYSTEMTIME& t, long days) {
  const long last = DayNumber(kMaxYear, 12, 31);
  long n = DayNumber(t.wYear, t.wMonth, t.wDay) + days;
  SYSTEMTIME out = FromDayNumber(n < 0 ? 0 : n > last ? last : n);
  out.wHour = t.wHour;
  out.wMinute = t.wMinute;
  out.wSecond = t.wSecond;
  out.wMilliseconds = t.wMilliseconds;
  return out;
}

// The same day `months` later, the day held to the end of a shorter month.
inline SYSTEMTIME AddMonths(const SYSTEMTIME& t, int months) {
  long index = long(t.wYear) * 12 + (t.wMonth - 1) + months;
  const long low = long(kMinYear) * 12, high = long(kMaxYear) * 12 + 11;
  if (index < low) index = low;
  if (index > high) index = high;
  SYSTEMTIME out = t;
  out.wYear = WORD(index / 12);
  out.wMonth = WORD(index % 12 + 1);
  const int last = DaysIn(out.wYear, out.wMonth);
  if (out.wDay > last) out.wDay = WORD(last);
  out.wDayOfWeek = DayOfWeek(out.wYear, out.wMonth, out.wDay);
  return out;
}

inline bool SameDay(const SYSTEMTIME& a, const SYSTEMTIME& b) {
  return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDay == b.wDay;
}

}  // namespace calendar
}  // namespace jf
