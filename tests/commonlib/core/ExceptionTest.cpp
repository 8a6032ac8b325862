// Exceptions: the formatted text, the location, and logging it verbatim.
#include <gtest/gtest.h>

#include "tests/support/LogTestDecoder.h"
#include "tests/support/TempFolder.h"
#include "commonlib/core/CFileExException.h"
#include "commonlib/core/ProtoValueException.h"
#include "commonlib/logger/FileLogger.h"

namespace {

TEST(ExceptionTest, FormatsCodeMessageAndLocation) {
  CFileExException e(5, L"INVALID_HANDLE_VALUE");
  e.SetLocation("a.h", 28);
  std::wstring out = L"old";
  EXPECT_EQ(&e.Format(out), &out);
  EXPECT_EQ(out, L"[Exception]a.h(28): code:5 errMsg:INVALID_HANDLE_VALUE");
  EXPECT_TRUE(e.IsError(L"anything"));

  IException empty;
  EXPECT_EQ(empty.Format(out), L"[Exception](0): code:0 errMsg:");
}

TEST(ExceptionTest, ThrownByValueAndCaughtByReference) {
  try {
    ProtoValueException e(3, L"ProtoValue::integer wrong type");
    e.SetLocation(".\\core\\ProtoValue", 349);
    throw e;
  } catch (IException& caught) {
    EXPECT_EQ(caught.GetCode(), 3);
    EXPECT_EQ(caught.GetLine(), 349);
    EXPECT_EQ(caught.GetFile(), L".\\core\\ProtoValue");
    EXPECT_EQ(caught.GetMessage(), L"ProtoValue::integer wrong type");
  }
  CFileExException a(-12, L"x");
  CFileExException b(a);
  EXPECT_EQ(b.GetCode(), -12);
}

TEST(ExceptionTest, LocationIsReadInTheSystemCodePage) {
  IException e;
  e.SetLocation("\xd6\xd0\xce\xc4.h", 1);  // "中文.h" in GBK
  EXPECT_EQ(e.GetFile(), L"中文.h");
}

TEST(ExceptionTest, LogWritesThePercentSignsUnchanged) {
  TempFolder temp;
  FileLogger& log = FileLogger::Instance();
  ASSERT_TRUE(log.Open(temp.Win(L"e.jfelog")));
  CFileExException e(2, L"100% %s %d failed");
  e.SetLocation("b.h", 9);
  EXPECT_TRUE(e.Log());
  log.Close();
  std::vector<std::wstring> lines = logtest::ReadLog(temp.Host("e.jfelog"));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].substr(0, 6), L"[ERRO]");
  const std::wstring tail =
      L"[.\\core\\ExceptionImpl:23][Exception]b.h(9): code:2 errMsg:100% %s %d failed\r\n";
  ASSERT_GE(lines[0].size(), tail.size());
  EXPECT_EQ(lines[0].substr(lines[0].size() - tail.size()), tail);
}

}  // namespace
