// Clocks and calendar conversions. FILETIME counts 100-nanosecond intervals since
// 1601-01-01 00:00 UTC; the tick count comes from the layer's injectable tick source.
#include <time.h>

#include <errhandlingapi.h>
#include <windows/kernel.h>
#include <mmsystem.h>
#include <winerror.h>
#include "platform/src/internal/ticksource.h"
#include "platform/src/internal/errors.h"

namespace {

constexpr int64_t kTicksPerSecond = 10000000;
constexpr int64_t kUnixEpochAsFileTime = 116444736000000000LL;
// Days from 1601-01-01 to 1970-01-01.
constexpr int64_t kUnixEpochDays = 134774;

int64_t FromFileTime(const FILETIME& ft) {
  return static_cast<int64_t>((static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
}

FILETIME ToFileTime(int64_t value) {
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(value) & 0xFFFFFFFFu);
  ft.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(value) >> 32);
  return ft;
}

int64_t NowAsFileTime() {
  timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  return kUnixEpochAsFileTime + static_cast<int64_t>(ts.tv_sec) * kTicksPerSecond + ts.tv_nsec / 100;
}

bool IsLeapYear(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int64_t year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days since 1970-01-01 of a proleptic Gregorian date (and back), valid for any year.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = static_cast<int64_t>(yoe) + era * 400 + (m <= 2);
}

SYSTEMTIME SystemTimeFromValue(int64_t value) {
  int64_t days = value / (86400 * kTicksPerSecond);
  int64_t rest = value % (86400 * kTicksPerSecond);
  int64_t y;
  unsigned m, d;
  CivilFromDays(days - kUnixEpochDays, y, m, d);
  SYSTEMTIME st;
  st.wYear = static_cast<WORD>(y);
  st.wMonth = static_cast<WORD>(m);
  st.wDay = static_cast<WORD>(d);
  st.wDayOfWeek = static_cast<WORD>((days + 1) % 7);  // 1601-01-01 was a Monday
  st.wHour = static_cast<WORD>(rest / (3600 * kTicksPerSecond));
  st.wMinute = static_cast<WORD>(rest / (60 * kTicksPerSecond) % 60);
  st.wSecond = static_cast<WORD>(rest / kTicksPerSecond % 60);
  st.wMilliseconds = static_cast<WORD>(rest / 10000 % 1000);
  return st;
}

// The local time zone's offset from UTC, in FILETIME units, at a UTC moment.
int64_t LocalOffset(int64_t utcValue) {
  time_t t = static_cast<time_t>((utcValue - kUnixEpochAsFileTime) / kTicksPerSecond);
  tm local;
  if (!localtime_r(&t, &local)) return 0;
  return static_cast<int64_t>(local.tm_gmtoff) * kTicksPerSecond;
}

}  // namespace

DWORD GetTickCount() { return static_cast<DWORD>(jf::TickNow() & 0xFFFFFFFFu); }

ULONGLONG GetTickCount64() { return jf::TickNow(); }

BOOL QueryPerformanceCounter(LARGE_INTEGER* count) {
  if (!count) {
    JF_SET_ERROR(Kernel, ERROR_NOACCESS);
    return FALSE;
  }
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  count->QuadPart = static_cast<LONGLONG>(ts.tv_sec) * kTicksPerSecond + ts.tv_nsec / 100;
  return TRUE;
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
  if (!frequency) {
    JF_SET_ERROR(Kernel, ERROR_NOACCESS);
    return FALSE;
  }
  frequency->QuadPart = kTicksPerSecond;
  return TRUE;
}

void GetSystemTimeAsFileTime(LPFILETIME time) {
  if (time) *time = ToFileTime(NowAsFileTime());
}

void GetSystemTime(LPSYSTEMTIME time) {
  if (time) *time = SystemTimeFromValue(NowAsFileTime());
}

void GetLocalTime(LPSYSTEMTIME time) {
  if (!time) return;
  int64_t now = NowAsFileTime();
  *time = SystemTimeFromValue(now + LocalOffset(now));
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* st, LPFILETIME fileTime) {
  if (!st || !fileTime || st->wYear < 1601 || st->wYear > 30827 || st->wMonth < 1 || st->wMonth > 12 ||
      st->wDay < 1 || st->wDay > DaysInMonth(st->wYear, st->wMonth) || st->wHour > 23 || st->wMinute > 59 ||
      st->wSecond > 59 || st->wMilliseconds > 999) {
    JF_SET_ERROR(Kernel, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  int64_t days = DaysFromCivil(st->wYear, st->wMonth, st->wDay) + kUnixEpochDays;
  int64_t seconds = days * 86400 + st->wHour * 3600 + st->wMinute * 60 + st->wSecond;
  *fileTime = ToFileTime(seconds * kTicksPerSecond + st->wMilliseconds * 10000LL);
  return TRUE;
}

BOOL FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME st) {
  if (!fileTime || !st || FromFileTime(*fileTime) < 0) {  // the top bit set is out of range
    JF_SET_ERROR(Kernel, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  SYSTEMTIME result = SystemTimeFromValue(FromFileTime(*fileTime));
  if (result.wYear > 30827) {
    JF_SET_ERROR(Kernel, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *st = result;
  return TRUE;
}

namespace {

// Moves a FILETIME between UTC and local time.
BOOL ShiftFileTime(const FILETIME* in, LPFILETIME out, bool toLocal) {
  if (!in || !out) {
    JF_SET_ERROR(Kernel, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  int64_t value = FromFileTime(*in);
  // Back to UTC, the offset at the local moment read as UTC is right except within hours
  // of a change of the offset.
  *out = ToFileTime(toLocal ? value + LocalOffset(value) : value - LocalOffset(value - LocalOffset(value)));
  return TRUE;
}

}  // namespace

BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, LPFILETIME localFileTime) {
  return ShiftFileTime(fileTime, localFileTime, true);
}

BOOL LocalFileTimeToFileTime(const FILETIME* localFileTime, LPFILETIME fileTime) {
  return ShiftFileTime(localFileTime, fileTime, false);
}

LONG CompareFileTime(const FILETIME* a, const FILETIME* b) {
  uint64_t x = static_cast<uint64_t>(FromFileTime(*a));
  uint64_t y = static_cast<uint64_t>(FromFileTime(*b));
  return x < y ? -1 : (x > y ? 1 : 0);
}

MMRESULT timeBeginPeriod(UINT periodMs) { return periodMs == 0 ? TIMERR_NOCANDO : TIMERR_NOERROR; }

MMRESULT timeEndPeriod(UINT periodMs) { return periodMs == 0 ? TIMERR_NOCANDO : TIMERR_NOERROR; }

DWORD timeGetTime() { return GetTickCount(); }
