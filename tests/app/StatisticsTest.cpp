#include "tests/app/AppDrives.h"
#include "app/install/RunStatistics.h"
#include "commonlib/util/CommonUtils.h"

namespace {

using apptest::AppDrives;

class StatisticsTest : public AppDrives {
 protected:
  RunStatistics::RunFacts Facts(int32_t gameId) {
    RunStatistics::RunFacts facts;
    facts.installDir = L"D:\\jf";
    facts.gameId = gameId;
    facts.downloadStartTick = 1000;
    facts.installEndTick = 5321;
    mkdir((d_ + "/jf").c_str(), 0755);
    return facts;
  }
  std::map<int32_t, std::wstring> codes;
  void SetUp() override {
    AppDrives::SetUp();
    RunStatistics::BuildGameCodeMap(codes);
  }
};

TEST(StatisticsCodes, TableHoldsTwentyEightPairsAndTheDefaultGame) {
  std::map<int32_t, std::wstring> codes;
  RunStatistics::BuildGameCodeMap(codes);
  RunStatistics::BuildGameCodeMap(codes);
  EXPECT_EQ(codes.size(), 28u);
  EXPECT_EQ(codes[314], L"xshx");
}

TEST(StatisticsCodes, TgIdBytesDecodeAsUtf8WithOrWithoutTheMarkElseAnsi) {
  struct Row {
    std::string bytes;
    std::wstring text;
  } rows[] = {
      {"\xEF\xBB\xBF" "12345678", L"12345678"},
      {"\xEF\xBB\xBF" "\xE6\xB8\xA0\xE9\x81\x93" "A1", L"渠道A1"},
      {"\xE6\xB8\xA0\xE9\x81\x93", L"渠道"},
      {"\xC7\xFE\xB5\xC0", L"渠道"},  // GBK
      {"\xEF\xBB\xBF", L""},
      {"", L""},
  };
  for (const Row& row : rows) EXPECT_EQ(RunStatistics::DecodeTgIdBytes(row.bytes), row.text) << row.bytes;
}

TEST_F(StatisticsTest, RecordWithoutTgIdAndWithAnInstallerVersion) {
  RunStatistics::RunFacts facts = Facts(314);
  WriteHost(d_ + "/jf/tmupdate.ini", "2.4.1\r\nbeta\r\n");
  ProtoValue record = RunStatistics::BuildRecord(true, facts, codes);
  EXPECT_EQ(record[L"logname"].string(), L"c_downInstall_telmar_5.2");
  EXPECT_EQ(record[L"title"].string(), L"1");
  EXPECT_EQ(record[L"package_id"].string(), L"00000000");
  EXPECT_EQ(record[L"gate"].string(), L"xshx");
  EXPECT_EQ(record[L"version"].string(), L"2.4.1\nbeta\n");
  EXPECT_EQ(record[L"count_dimension"].string(), L"installjf_state:1");
  EXPECT_EQ(record[L"count_value"].string(), L"installjf_time:4321");
  EXPECT_EQ(record[L"mac"].string(), CommonUtils::GetMacAddress());
  EXPECT_EQ(record[L"os"].string().find(L" MajorVersion 10 MinorVersion 0"),
            record[L"os"].string().size() - wcslen(L" MajorVersion 10 MinorVersion 0"));
}

TEST_F(StatisticsTest, FailureRecordWithTgIdUnknownGameAndEmptyVersion) {
  RunStatistics::RunFacts facts = Facts(999);
  WriteHost(d_ + "/jf/tg.id", "\xEF\xBB\xBF" "pkg-7\r\n");
  WriteHost(d_ + "/jf/tmupdate.ini", "");
  ProtoValue record = RunStatistics::BuildRecord(false, facts, codes);
  EXPECT_EQ(record[L"title"].string(), L"2");
  EXPECT_EQ(record[L"package_id"].string(), L"pkg-7\n");
  EXPECT_EQ(record[L"gate"].string(), L"0");
  EXPECT_EQ(record[L"version"].string(), L"0");
  EXPECT_EQ(record[L"count_dimension"].string(), L"installjf_state:0");
  EXPECT_FALSE(record.has(L"count_value"));
}

TEST_F(StatisticsTest, MissingFilesAreReportedAndLeaveTheTextAlone) {
  std::wstring text = L"kept";
  EXPECT_FALSE(RunStatistics::ReadTgId(L"D:\\none", text));
  EXPECT_FALSE(RunStatistics::ReadUpdateIni(L"D:\\none", text));
  EXPECT_EQ(text, L"kept");
}

}  // namespace
