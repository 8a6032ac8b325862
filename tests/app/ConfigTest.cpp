// The installer's configuration: the command line, the string table, the log file's name,
// the path helpers, and the spare-address table with the first lookup's answer.
#include <gtest/gtest.h>
#include <windows.h>

#include <regex>
#include <string>
#include <vector>

#include "app/config/AppConfig.h"
#include "commonlib/http/SpareDnsTable.h"
#include "commonlib/netdiag/CNetToolThread.h"
#include "commonlib/util/PathText.h"
#include "tests/support/core/MainThreadPump.h"
#include "tests/support/net/DnsTestServer.h"
#include "commonlib/core/DeploymentProfile.h"
#include "commonlib/util/CommandLineOptions.h"
#include "commonlib/util/CommonUtils.h"
#include "commonlib/util/FileUtils.h"
#include "commonlib/util/StringUtils.h"

namespace {

void ResetConfig() {
  AppConfig& c = AppConfig::Instance();
  c.gameId = 0;
  c.hidden = c.jfFlag = false;
  c.runLauncher = true;
  c.installPath.clear();
}

// The program's path, then the words, as an argument vector.
struct CommandWords {
  explicit CommandWords(const std::vector<std::wstring>& after) : words{L"jfinstall.exe"} {
    words.insert(words.end(), after.begin(), after.end());
    for (std::wstring& w : words) argv.push_back(&w[0]);
  }
  std::vector<std::wstring> words;
  std::vector<wchar_t*> argv;
};

struct CommandCase {
  std::vector<std::wstring> words;  // after the program name
  int32_t gameId;
  bool hidden, jf, run;
  std::wstring path;
};

TEST(AppConfigTest, DefaultsAndReportEndpoint) {
  const AppConfig& c = AppConfig::Instance();
  EXPECT_EQ(&c, &AppConfig::Instance());
  EXPECT_EQ(DeploymentProfile::DownloadReportUrl(), c.logServerUrl);
  EXPECT_NE(std::wstring::npos, c.logServerUrl.find(L":8080/api/jf/data/rece_download_data"));
  EXPECT_EQ(0, c.logEnabled);
}

TEST(AppConfigTest, ReadCommandLineFillsTheConfiguration) {
  const CommandCase cases[] = {
      {{}, 0, false, false, true, L""},
      {{L"-r", L"0"}, 0, false, false, false, L""},
      {{L"-r", L"abc"}, 0, false, false, false, L""},
      {{L"-r"}, 0, false, false, true, L""},  // parser error: the value is missing
      {{L"--run", L"7"}, 0, false, false, true, L""},
      {{L"-r", L"4294967296"}, 0, false, false, false, L""},  // 2^32 truncates to 0
      {{L"-i", L"  42"}, 42, false, false, true, L""},
      {{L"-i", L" -7"}, -7, false, false, true, L""},
      {{L"-i", L"+9x"}, 9, false, false, true, L""},
      {{L"-i", L"abc"}, 0, false, false, true, L""},
      {{L"-i", L"4294967297"}, 1, false, false, true, L""},
      {{L"-i", L"-5"}, 0, false, false, true, L""},  // "-5" is an option word: -i lacks its value
      {{L"-i", L"3", L"-i", L"4"}, 3, false, false, true, L""},
      {{L"--id", L"12", L"--hide", L"--jf", L"--path", L"D:\\a b\\c", L"-r", L"5"}, 12, true, true, true,
       L"D:\\a b\\c"},
      {{L"word", L"-h", L"-j"}, 0, true, true, true, L""},
      {{L"-p", L"E:\\x", L"-q", L"-h"}, 0, false, false, true, L"E:\\x"},  // stops at -q
      {{L"-h", L"-i"}, 0, true, false, true, L""},
  };
  for (const CommandCase& k : cases) {
    ResetConfig();
    CommandWords line(k.words);
    std::vector<wchar_t*>& argv = line.argv;
    CommandLineOptions options(static_cast<int>(argv.size()), argv.data());
    EXPECT_TRUE(ReadCommandLine(options));
    const AppConfig& c = AppConfig::Instance();
    std::wstring joined;
    for (const auto& w : k.words) joined += w + L" ";
    const std::string label = StringUtils::ToUtf8(joined);
    EXPECT_EQ(k.gameId, c.gameId) << label;
    EXPECT_EQ(k.hidden, c.hidden) << label;
    EXPECT_EQ(k.jf, c.jfFlag) << label;
    EXPECT_EQ(k.run, c.runLauncher) << label;
    EXPECT_EQ(k.path, c.installPath) << label;
  }
  ResetConfig();
}

TEST(AppConfigTest, HideAnywhereOnTheCommandLineHidesTheRun) {
  const struct {
    std::vector<std::wstring> words;  // after the program name
    bool holdsHide;
  } cases[] = {
      {{L"-r", L"-h"}, true},  // the parser stops at -r, before -h
      {{L"-p", L"E:\\x", L"-q", L"-h"}, true},
      {{L"-i", L"-h"}, true},
      {{L"--hide"}, true},
      {{L"-h"}, true},
      {{}, false},
      {{L"-r", L"0"}, false},
      {{L"-p", L"D:\\-h"}, false},
      {{L"--help"}, false},
      {{L"h"}, false},
  };
  for (const auto& k : cases) {
    ResetConfig();
    CommandWords line(k.words);
    std::vector<wchar_t*>& argv = line.argv;
    std::wstring joined;
    for (const auto& w : k.words) joined += w + L" ";
    EXPECT_EQ(k.holdsHide, CommandLineHoldsHide(static_cast<int>(argv.size()), argv.data()))
        << StringUtils::ToUtf8(joined);
  }
  ResetConfig();
}

TEST(AppConfigTest, StringTableAndLogFileName) {
  EXPECT_EQ(L"0", LoadStringResource(kStringTgId));
  EXPECT_EQ(L"314", LoadStringResource(kStringGameId));
  EXPECT_EQ(L"安装星砂回响", LoadStringResource(kStringWindowTitle));
  EXPECT_EQ(L"", LoadStringResource(4));  // absent
  EXPECT_EQ(L"", LoadStringResource(5));  // empty
  EXPECT_EQ(L"", LoadStringResource(-1));

  const std::wstring stamp = GetLogStartStamp();
  EXPECT_TRUE(std::regex_match(StringUtils::ToUtf8(stamp), std::regex("20[0-9]{6}_[0-9]{6}"))) << stamp.size();
  EXPECT_EQ(stamp, GetLogStartStamp());
  const std::wstring dir = CommonUtils::GetModuleDir() + L"\\MiniLog";
  EXPECT_EQ(dir + L"\\mini_downloader" + stamp + L".jfelog", BuildLogFilePath());
  // The folder is made again on every call (removed here only when no other test's log
  // lies in it).
  RemoveDirectoryW(dir.c_str());
  EXPECT_EQ(dir, GetMiniLogDir());
  EXPECT_TRUE(FileUtils::IsFileExist(dir));
}

TEST(AppConfigTest, PathHelpers) {
  const std::pair<const wchar_t*, const wchar_t*> parents[] = {
      {L"", L""},
      {L"name", L""},
      {L"\\", L""},
      {L"C:\\a\\b", L"C:\\a"},
      {L"C:\\a\\b\\", L"C:\\a"},
      {L"C:/a/b//", L"C:\\a\\b"},
      {L"C:/x.exe", L"C:"},
  };
  for (const auto& k : parents) EXPECT_EQ(k.second, NormalizeAndGetParentDir(k.first)) << StringUtils::ToUtf8(k.first);
  const wchar_t* const cuts[][3] = {
      {L"C:\\d\\vrinstaller.exe", L".", L"C:\\d\\vrinstaller"},
      {L"C:\\d.x\\file", L".", L"C:\\d"},
      {L"noext", L".", L"noext"},
      {L"a--b--c", L"--", L"a--b"},
      {L"", L".", L""},
      {L"abc", L"", L"abc"},
  };
  for (const auto& k : cuts) EXPECT_EQ(k[2], PathBeforeLast(k[0], k[1])) << StringUtils::ToUtf8(k[0]);
}

class SpareDnsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitSpareDnsTable(GetSpareDnsTable());
    ASSERT_TRUE(dns.Start("0.0.0.0"));
    DeploymentProfile::OverrideResolvers({"127.0.0.1"}, dns.Port());
  }
  void TearDown() override {
    MainThreadPump::Until([] { return CNetToolThread::GetInstance().GetThreadHandle() == nullptr; });
    MainThreadPump::Drain();
    DeploymentProfile::RestoreResolvers();
    InitSpareDnsTable(GetSpareDnsTable());
  }
  // The first lookup as start-up makes it; the answer goes through dns_result_callback.
  // (Answers without addresses are tried at every server until the resolver's time-out, so
  // failures are handed to the callback directly below.)
  std::wstring LookUp(const std::vector<std::string>& addresses) {
    static int serial = 0;
    const std::string name = "spare" + std::to_string(++serial) + ".test";
    DnsTestServer::Reply reply;
    for (const auto& a : addresses) reply.answers.push_back({1, a});
    dns.Set(name, {reply});
    const int before = dns.QueryCount();
    SpareDnsTable& t = GetSpareDnsTable();
    EXPECT_TRUE(CNetToolThread::GetInstance().NSLookUpWithServer(name, StringUtils::ToAnsi(t.dnsServers), &serial,
                                                                  dns_result_callback));
    EXPECT_TRUE(MainThreadPump::Until([&] {
      return dns.QueryCount() > before && CNetToolThread::GetInstance().GetThreadHandle() == nullptr;
    }));
    MainThreadPump::Drain();
    return t.downloadAddresses;
  }
  DnsTestServer dns;
};

TEST_F(SpareDnsTest, TableComesFromTheProfile) {
  const SpareDnsTable& t = GetSpareDnsTable();
  EXPECT_EQ(&t, &GetSpareDnsTable());
  EXPECT_EQ(DeploymentProfile::SpareDnsServers(), t.dnsServers);
  EXPECT_EQ(DeploymentProfile::SpareTestDomain(), t.testDomain);
  EXPECT_EQ(DeploymentProfile::SpareInfoAddresses(), t.infoAddresses);
  EXPECT_EQ(DeploymentProfile::SpareDownloadAddresses(), t.downloadAddresses);
  ASSERT_EQ(5u, t.selectorLists.size());
  const size_t counts[] = {2, 4, 4, 5, 4};
  size_t i = 0;
  bool initialIsOne = false;
  for (const auto& entry : DeploymentProfile::SpareSelectorLists()) {
    EXPECT_EQ(entry.second, t.selectorLists.at(entry.first));
    EXPECT_EQ(counts[i++], StringUtils::SplitToList(entry.second).size());
    initialIsOne |= entry.second == t.downloadAddresses;
  }
  EXPECT_TRUE(initialIsOne);
  EXPECT_EQ(4u, StringUtils::SplitToList(t.dnsServers).size());
  EXPECT_EQ(6u, StringUtils::SplitToList(t.infoAddresses).size());
}

TEST_F(SpareDnsTest, OnlyOneSelectorAddressSwitchesTheDownloadList) {
  const auto selectors = DeploymentProfile::SpareSelectorLists();
  const std::wstring initial = GetSpareDnsTable().downloadAddresses;
  const std::string first = StringUtils::ToUtf8(selectors[0].first);
  const std::string fourth = StringUtils::ToUtf8(selectors[3].first);
  EXPECT_EQ(initial, LookUp({first, fourth}));       // two addresses
  EXPECT_EQ(initial, LookUp({"127.0.8.8"}));         // not a selector
  EXPECT_EQ(selectors[3].second, LookUp({fourth}));  // exactly one selector
  EXPECT_EQ(selectors[0].second, LookUp({first}));   // a later answer switches again

  // Called directly: only code 0 with one selector address counts.
  SpareDnsTable& t = GetSpareDnsTable();
  InitSpareDnsTable(t);
  dns_result_callback(1, nullptr, "x.test", fourth);
  EXPECT_EQ(initial, t.downloadAddresses);
  dns_result_callback(-1, nullptr, "x.test", "");
  EXPECT_EQ(initial, t.downloadAddresses);
  dns_result_callback(0, nullptr, "x.test", "");
  EXPECT_EQ(initial, t.downloadAddresses);
  dns_result_callback(0, nullptr, "x.test", fourth + ";");
  EXPECT_EQ(selectors[3].second, t.downloadAddresses);  // an empty piece is no address
  dns_result_callback(0, nullptr, "x.test", fourth + " ");
  EXPECT_EQ(selectors[3].second, t.downloadAddresses);
}

}  // namespace
