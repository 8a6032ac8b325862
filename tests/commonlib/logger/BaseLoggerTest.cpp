// The log line: its tags, their order and the message, through a logger that keeps lines.
#include <gtest/gtest.h>

#include <windows.h>
#include "platform/testing/hooks/tick.h"

#include <mutex>
#include <regex>
#include <thread>
#include <vector>

#include "tests/support/core/CapturedLog.h"
#include "commonlib/logger/ConsoleLogger.h"
#include "commonlib/logger/TraceLogger.h"

namespace {

class KeepingLogger : public BaseLogger {
 public:
  KeepingLogger() { SetOptions(new LogOptions()); }
  void Write(std::wstring& line) override { lines.push_back(line); }
  bool IsEnabled() override { return m_options != nullptr; }
  std::vector<std::wstring> lines;
};

class TickPin {
 public:
  explicit TickPin(uint64_t at) { jf::TickOverride(at); }
  ~TickPin() { jf::TickRestore(); }
};

std::wstring Ids() {
  return L"[pid:" + std::to_wstring(GetCurrentProcessId()) + L"][tid:" +
         std::to_wstring(GetCurrentThreadId()) + L"]";
}

TEST(BaseLoggerTest, LineLayoutWithSourceTag) {
  TickPin pin(123456);
  KeepingLogger logger;
  logger.LogAt(2, 666, L".\\util\\CommonUtils", L"%s Error! %d", L"OpenProcess", 5);
  ASSERT_EQ(logger.lines.size(), 1u);
  const std::wstring& line = logger.lines[0];
  std::wregex layout(
      L"\\[ERRO\\]\\[\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\]\\[tick:123456\\]\\[pid:\\d+\\]"
      L"\\[tid:\\d+\\]\\[\\.\\\\util\\\\CommonUtils:666\\]OpenProcess Error! 5\r\n");
  EXPECT_TRUE(std::regex_match(line, layout)) << std::string(line.begin(), line.end());
  EXPECT_NE(line.find(Ids()), std::wstring::npos);
}

TEST(BaseLoggerTest, LevelTagsAndUnknownLevel) {
  KeepingLogger logger;
  logger.Log(0, L"a");
  logger.Log(1, L"b");
  logger.Log(5, L"c");
  ASSERT_EQ(logger.lines.size(), 3u);
  EXPECT_EQ(logger.lines[0].substr(0, 7), L"[INFO][");
  EXPECT_EQ(logger.lines[1].substr(0, 7), L"[WARN][");
  EXPECT_EQ(logger.lines[2].substr(0, 3), L"[20");  // no level tag: the time comes first
}

TEST(BaseLoggerTest, FlagsSelectTags) {
  KeepingLogger logger;
  LogOptions* options = new LogOptions();
  options->flags = LogOptions::kThreadId | 1 | 0x100;  // 1 and higher bits select nothing
  logger.SetOptions(options);
  logger.LogAt(0, 7, L"f", L"m");
  options = new LogOptions();
  options->flags = 0;
  options->appendCrLf = 0;
  logger.SetOptions(options);
  logger.Log(2, L"plain");
  logger.SetOptions(nullptr);
  logger.Log(2, L"dropped");
  ASSERT_EQ(logger.lines.size(), 2u);
  EXPECT_EQ(logger.lines[0], L"[INFO][tid:" + std::to_wstring(GetCurrentThreadId()) + L"][f:7]m\r\n");
  EXPECT_EQ(logger.lines[1], L"[ERRO]plain");
}

TEST(BaseLoggerTest, InfoAndErrorWriteTheTextVerbatim) {
  KeepingLogger logger;
  LogOptions* options = new LogOptions();
  options->flags = 0;
  logger.SetOptions(options);
  logger.Info(L"100% done %s %d %n");
  logger.Error(L"%s%s%s%s");
  ASSERT_EQ(logger.lines.size(), 2u);
  EXPECT_EQ(logger.lines[0], L"[INFO]100% done %s %d %n\r\n");
  EXPECT_EQ(logger.lines[1], L"[ERRO]%s%s%s%s\r\n");
}

TEST(BaseLoggerTest, LongMessagesAndEmptyMessages) {
  KeepingLogger logger;
  LogOptions* options = new LogOptions();
  options->flags = 0;
  logger.SetOptions(options);
  std::wstring big(6000, L'x');
  big += L"中文\U0001F600";
  logger.Log(0, L"%s|%hs", big.c_str(), "narrow");
  logger.Log(0, L"");
  ASSERT_EQ(logger.lines.size(), 2u);
  EXPECT_EQ(logger.lines[0], L"[INFO]" + big + L"|narrow\r\n");
  EXPECT_EQ(logger.lines[1], L"[INFO]\r\n");
}

TEST(BaseLoggerTest, LinesFromManyThreadsNeverInterleave) {
  KeepingLogger logger;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&logger, t] {
      for (int i = 0; i < 200; ++i) logger.Log(0, L"thread %d line %d", t, i);
    });
  }
  for (auto& th : threads) th.join();
  ASSERT_EQ(logger.lines.size(), 800u);
  std::wregex tail(L".*\\]thread \\d line \\d+\r\n");
  for (const auto& line : logger.lines) ASSERT_TRUE(std::regex_match(line, tail));
}

TEST(TraceLoggerTest, WritesToTheDebuggerOutput) {
  std::vector<std::wstring> lines;
  {
    CapturedLog captured;
    TraceLogger::Instance().Log(1, L"trace %d", 42);
    TraceLogger::Instance().SetOptions(nullptr);
    TraceLogger::Instance().Log(1, L"not written");
    TraceLogger::Instance().SetOptions(new LogOptions());
    lines = captured.Lines();
  }
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].substr(0, 6), L"[WARN]");
  EXPECT_EQ(lines[0].substr(lines[0].size() - 10), L"trace 42\r\n");
}

TEST(ConsoleLoggerTest, IsCreatedSwitchedOff) {
  EXPECT_FALSE(ConsoleLogger::Instance().IsEnabled());
  testing::internal::CaptureStdout();
  ConsoleLogger::Instance().Log(0, L"nothing");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

}  // namespace
