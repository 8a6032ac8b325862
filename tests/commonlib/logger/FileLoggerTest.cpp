// The enciphered file log, read back by the test's own decoder.
#include <gtest/gtest.h>

#include <windows.h>

#include "tests/support/LogTestDecoder.h"
#include "tests/support/TempFolder.h"
#include "commonlib/logger/FileLogger.h"
#include "commonlib/logger/LogRecordCipher.h"

namespace {

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

// Vectors computed once by a separate implementation of the cipher.
TEST(LogRecordCipherTest, BlockVectors) {
  struct {
    uint8_t plain[8];
    const char* cipher;
  } vectors[] = {
      {{0, 0, 0, 0, 0, 0, 0, 0}, "6d7c5134c8442722"},
      {{1, 2, 3, 4, 5, 6, 7, 8}, "8d18394ab6a52a21"},
      {{0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff}, "3bd7f1c8b6e8abe8"},
  };
  for (auto& v : vectors) {
    uint8_t block[8];
    std::copy(v.plain, v.plain + 8, block);
    LogRecordCipher::EncipherBlock(block);
    EXPECT_EQ(Hex(std::string(block, block + 8)), v.cipher);
    LogRecordCipher::DecipherBlock(block);
    EXPECT_TRUE(std::equal(block, block + 8, v.plain));
  }
}

TEST(LogRecordCipherTest, RecordVectors) {
  EXPECT_EQ(Hex(LogRecordCipher::MakeRecord(L"abc")), "06000000610062006300");  // all plain
  EXPECT_EQ(Hex(LogRecordCipher::MakeRecord(L"abcd")), "080000002af42bddbe35dbb6");
  EXPECT_EQ(Hex(LogRecordCipher::MakeRecord(L"hello world!\r\n")),
            "1c000000e88432061a8cc400ff51cedd90bc3bd049f7c10fccb0ac4f0d000a00");
  EXPECT_EQ(Hex(LogRecordCipher::MakeRecord(L"中文日志\r\n")), "0c0000009791bb20bbecedf30d000a00");
  // Above U+FFFF: a surrogate pair, four bytes.
  EXPECT_EQ(Hex(LogRecordCipher::MakeRecord(L"x\U0001F600y\r\n")),
            "0c000000bbef7404ae5bab090d000a00");
  std::string thirteen = LogRecordCipher::MakeRecord(L"0123456789abc");
  ASSERT_EQ(thirteen.size(), 30u);
  EXPECT_EQ(Hex(thirteen.substr(0, 4)), "1a000000");
  EXPECT_EQ(Hex(thirteen.substr(28)), "6300");  // the plain tail: the last unit
  EXPECT_EQ(LogRecordCipher::MakeRecord(L""), std::string(4, '\0'));
}

class FileLoggerTest : public ::testing::Test {
 protected:
  void TearDown() override {
    FileLogger::Instance().Close();
    FileLogger::Instance().SetOptions(new LogOptions());
  }
  static void PlainLines() {
    LogOptions* options = new LogOptions();
    options->flags = 0;
    FileLogger::Instance().SetOptions(options);
  }
  TempFolder temp;
};

TEST_F(FileLoggerTest, RecordsReadBackWithChineseAndAstralText) {
  FileLogger& log = FileLogger::Instance();
  EXPECT_FALSE(log.IsEnabled());
  ASSERT_TRUE(log.Open(temp.Win(L"run.jfelog")));
  EXPECT_TRUE(log.IsEnabled());
  log.LogAt(0, 12, L".\\core\\X", L"开始 %s", L"安装\U0001F600");
  PlainLines();
  log.Log(2, L"second");
  log.Log(2, L"second");
  std::wstring big(5000, L'z');
  log.Info(big.c_str());
  // Flushed per record: readable before Close.
  std::vector<std::wstring> lines = logtest::ReadLog(temp.Host("run.jfelog"));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0].substr(0, 7), L"[INFO][");
  EXPECT_NE(lines[0].find(L"[.\\core\\X:12]开始 安装\U0001F600\r\n"), std::wstring::npos);
  EXPECT_EQ(lines[1], L"[ERRO]second\r\n");
  EXPECT_EQ(lines[2], lines[1]);
  EXPECT_EQ(lines[3], L"[INFO]" + big + L"\r\n");
  // Equal lines give equal records: no chaining, no per-record variation.
  std::vector<uint8_t> bytes = logtest::ReadFileBytes(temp.Host("run.jfelog"));
  std::string all(bytes.begin(), bytes.end());
  std::string record = LogRecordCipher::MakeRecord(L"[ERRO]second\r\n");
  size_t first = all.find(record);
  ASSERT_NE(first, std::string::npos);
  EXPECT_EQ(all.find(record, first + 1), first + record.size());
}

TEST_F(FileLoggerTest, CloseStopsWritingAndReopenStartsEmpty) {
  FileLogger& log = FileLogger::Instance();
  PlainLines();
  ASSERT_TRUE(log.Open(temp.Win(L"a.jfelog")));
  log.Info(L"one");
  log.Close();
  log.Info(L"after close");
  log.Close();  // a second close does nothing
  EXPECT_EQ(logtest::ReadLog(temp.Host("a.jfelog")), std::vector<std::wstring>{L"[INFO]one\r\n"});
  ASSERT_TRUE(log.Open(temp.Win(L"b.jfelog")));
  log.Info(L"two");
  ASSERT_TRUE(log.Open(temp.Win(L"a.jfelog")));  // switching files closes the old one
  log.Info(L"three");
  EXPECT_EQ(logtest::ReadLog(temp.Host("b.jfelog")), std::vector<std::wstring>{L"[INFO]two\r\n"});
  EXPECT_EQ(logtest::ReadLog(temp.Host("a.jfelog")), std::vector<std::wstring>{L"[INFO]three\r\n"});
}

TEST_F(FileLoggerTest, OpenFailureLeavesTheLoggerDisabled) {
  FileLogger& log = FileLogger::Instance();
  EXPECT_FALSE(log.Open(temp.Win(L"missing\\folder\\x.jfelog")));
  EXPECT_FALSE(log.IsEnabled());
  log.Info(L"nowhere");  // no crash, nothing written
}

}  // namespace
