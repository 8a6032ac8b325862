#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <windows.h>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "platform/testing/hooks/tick.h"

namespace {

ULONGLONG Value(const FILETIME& ft) { return (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime; }

class ManualTicks : public ::testing::Test {
 protected:
  void TearDown() override { jf::TickRestore(); }
};

TEST_F(ManualTicks, TickCountWrapsAt32BitsWhileTheDifferenceStaysRight) {
  const uint64_t start = (1ull << 32) - 10;
  jf::TickOverride(start);
  DWORD before = GetTickCount();
  EXPECT_EQ(before, 0xFFFFFFF6u);
  EXPECT_EQ(GetTickCount64(), start);
  jf::TickAdvance(25);
  DWORD after = GetTickCount();
  EXPECT_EQ(after, 15u);
  EXPECT_EQ(static_cast<DWORD>(after - before), 25u);
  EXPECT_EQ(GetTickCount64(), (1ull << 32) + 15);
  EXPECT_EQ(timeGetTime(), 15u);
}

TEST(ClockTest, PerformanceCounterIsMonotonicAtTenMegahertz) {
  LARGE_INTEGER frequency, a, b;
  ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
  EXPECT_EQ(frequency.QuadPart, 10000000);
  ASSERT_TRUE(QueryPerformanceCounter(&a));
  Sleep(20);
  ASSERT_TRUE(QueryPerformanceCounter(&b));
  EXPECT_GE(b.QuadPart - a.QuadPart, 200000);
  EXPECT_EQ(timeBeginPeriod(1), static_cast<MMRESULT>(TIMERR_NOERROR));
  EXPECT_EQ(timeEndPeriod(1), static_cast<MMRESULT>(TIMERR_NOERROR));
}

TEST(ClockTest, SystemTimeConvertsBothWays) {
  SYSTEMTIME epoch{1970, 1, 0, 1, 0, 0, 0, 0};
  FILETIME ft;
  ASSERT_TRUE(SystemTimeToFileTime(&epoch, &ft));
  EXPECT_EQ(Value(ft), 116444736000000000ull);

  SYSTEMTIME leap{2024, 2, 0, 29, 23, 59, 58, 789};
  ASSERT_TRUE(SystemTimeToFileTime(&leap, &ft));
  SYSTEMTIME back;
  ASSERT_TRUE(FileTimeToSystemTime(&ft, &back));
  EXPECT_EQ(back.wYear, 2024);
  EXPECT_EQ(back.wMonth, 2);
  EXPECT_EQ(back.wDay, 29);
  EXPECT_EQ(back.wDayOfWeek, 4);  // a Thursday
  EXPECT_EQ(back.wHour, 23);
  EXPECT_EQ(back.wMinute, 59);
  EXPECT_EQ(back.wSecond, 58);
  EXPECT_EQ(back.wMilliseconds, 789);

  FILETIME zero{0, 0};
  ASSERT_TRUE(FileTimeToSystemTime(&zero, &back));
  EXPECT_EQ(back.wYear, 1601);
  EXPECT_EQ(back.wDayOfWeek, 1);  // a Monday

  SYSTEMTIME bad{2023, 2, 0, 29, 0, 0, 0, 0};
  EXPECT_FALSE(SystemTimeToFileTime(&bad, &ft));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  FILETIME huge{0, 0x80000000u};
  EXPECT_FALSE(FileTimeToSystemTime(&huge, &back));

  FILETIME a{1, 0}, b{0, 1};
  EXPECT_EQ(CompareFileTime(&a, &b), -1);
  EXPECT_EQ(CompareFileTime(&b, &a), 1);
  EXPECT_EQ(CompareFileTime(&a, &a), 0);
}

TEST(ClockTest, WallClockFollowsTheHost) {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  long long unixSeconds = static_cast<long long>((Value(now) - 116444736000000000ull) / 10000000);
  EXPECT_LE(std::llabs(unixSeconds - static_cast<long long>(time(nullptr))), 2);

  SYSTEMTIME utc;
  GetSystemTime(&utc);
  time_t t = time(nullptr);
  tm host;
  gmtime_r(&t, &host);
  EXPECT_EQ(utc.wYear, host.tm_year + 1900);
  EXPECT_EQ(utc.wDayOfWeek, host.tm_wday);
}

TEST(ClockTest, LocalTimeUsesTheTimeZone) {
  const char* old = std::getenv("TZ");
  std::string saved = old ? old : "";
  setenv("TZ", "UTC-8", 1);  // eight hours east of UTC, no daylight saving
  tzset();
  SYSTEMTIME noon{2024, 6, 0, 1, 12, 0, 0, 0};
  FILETIME utc, local, back;
  ASSERT_TRUE(SystemTimeToFileTime(&noon, &utc));
  ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local));
  EXPECT_EQ(Value(local) - Value(utc), 8ull * 3600 * 10000000);
  ASSERT_TRUE(LocalFileTimeToFileTime(&local, &back));
  EXPECT_EQ(Value(back), Value(utc));

  SYSTEMTIME before, localNow, after;
  do {  // read again should the hour turn between the readings
    GetSystemTime(&before);
    GetLocalTime(&localNow);
    GetSystemTime(&after);
  } while (before.wHour != after.wHour);
  EXPECT_EQ((localNow.wHour + 24 - after.wHour) % 24, 8);
  if (old) {
    setenv("TZ", saved.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}

}  // namespace

namespace {

// The clock's scale is read once per process, so each case runs in a copy of this program
// started with JF_TICK_SCALE set, and that copy runs ClockScaleChild below.
struct ScaleCase {
  const char* value;  // JF_TICK_SCALE, or null for unset
  int expected;       // the factor the clock must run at
};

class ClockScaleTest : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(ClockScaleTest, TicksSleepsAndTimersRunAtTheScale) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    if (std::strncmp(*e, "JF_TICK_SCALE=", 14) != 0) env.push_back(*e);
  }
  if (GetParam().value) env.push_back(std::string("JF_TICK_SCALE=") + GetParam().value);
  env.push_back("JF_CLOCK_SCALE_EXPECT=" + std::to_string(GetParam().expected));
  std::vector<char*> envp;
  for (std::string& s : env) envp.push_back(&s[0]);
  envp.push_back(nullptr);
  std::string filter = "--gtest_filter=ClockScaleChild.*";
  char self[] = "/proc/self/exe";
  char* argv[] = {self, &filter[0], nullptr};
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, "/proc/self/exe", nullptr, nullptr, argv, envp.data()), 0);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the copy's output says which check failed";
}

INSTANTIATE_TEST_SUITE_P(Values, ClockScaleTest,
                         ::testing::Values(ScaleCase{nullptr, 1}, ScaleCase{"25", 25}, ScaleCase{"1000", 1000},
                                           ScaleCase{"1", 1}, ScaleCase{"0", 1}, ScaleCase{"1001", 1},
                                           ScaleCase{"20x", 1}, ScaleCase{"", 1}),
                         [](const ::testing::TestParamInfo<ScaleCase>& info) {
                           std::string name = info.param.value ? info.param.value : "unset";
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name.empty() ? std::string("empty") : name;
                         });

// Checks one way of waiting: `ms` of the program's clock take at least ms / scale of the wall
// clock, less than ms when the clock is faster (a busy machine only makes a wait longer), and
// the tick count moves by at least ms.
template <typename Wait>
void ExpectScaled(const char* what, int scale, DWORD ms, Wait wait) {
  SCOPED_TRACE(what);
  auto wallStart = std::chrono::steady_clock::now();
  ULONGLONG tickStart = GetTickCount64();
  wait(ms);
  double wall = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wallStart).count();
  EXPECT_GE(GetTickCount64() - tickStart, ms);
  EXPECT_GE(wall, ms / scale * 0.9);
  if (scale > 1) {
    EXPECT_LT(wall, double(ms));
  }
}

// The rate itself, read off both clocks around a stretch of the wall clock: the ticks read
// inside the wall readings, so a stall between two readings only lowers the figure.
void ExpectRate(int scale) {
  const auto wallStart = std::chrono::steady_clock::now();
  const ULONGLONG tickStart = GetTickCount64();
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  const ULONGLONG tickEnd = GetTickCount64();
  const double wall = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wallStart).count();
  const double rate = double(tickEnd - tickStart) / wall;
  EXPECT_LE(rate, scale * 1.01 + 0.01);
  EXPECT_GE(rate, scale * 0.5);
}

TEST(ClockScaleChild, RunsAtTheExpectedScale) {
  const char* expect = std::getenv("JF_CLOCK_SCALE_EXPECT");
  if (!expect) GTEST_SKIP() << "run by ClockScaleTest";
  const int scale = std::atoi(expect);
  const DWORD ms = static_cast<DWORD>(40 * scale);
  ExpectRate(scale);
  ExpectScaled("Sleep", scale, ms, [](DWORD n) { Sleep(n); });
  ExpectScaled("thread timer", scale, ms, [](DWORD n) {
    UINT_PTR id = SetTimer(nullptr, 0, n, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) && msg.message != WM_TIMER) {
    }
    KillTimer(nullptr, id);
  });
}

}  // namespace
