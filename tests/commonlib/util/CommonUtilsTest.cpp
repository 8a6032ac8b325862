#include <gtest/gtest.h>

#include <shlobj.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <thread>

#include "tests/support/core/CapturedLog.h"
#include "tests/support/SmallFileSystem.h"
#include "tests/support/WaitUntil.h"
#include "platform/src/internal/paths.h"
#include "commonlib/util/CommonUtils.h"
#include "platform/testing/hooks/teststate.h"

namespace {

// Maps drive C: to a fresh temporary folder, so nothing outside the test is touched.
class CommonUtilsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/jf_common_XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    m_dir = dir;
    mkdir((m_dir + "/c").c_str(), 0755);
    setenv("JF_DRIVES", ("C=" + m_dir + "/c").c_str(), 1);
    jf::ResetDriveMapForTests();
    jf::ResetRegistryForTests();
  }
  void TearDown() override {
    jf::ResetRegistryForTests();
    unsetenv("JF_DRIVES");
    jf::ResetDriveMapForTests();
    (void)system(("rm -rf '" + m_dir + "'").c_str());
  }

  std::string m_dir;
};

}  // namespace

namespace {

struct ByteSizeCase {
  unsigned long long bytes;
  bool spaced;
  const wchar_t* text;
};

class FormatByteSizeTest : public ::testing::TestWithParam<ByteSizeCase> {};

// The size climbs to the next unit at a thousand of the current one.
TEST_P(FormatByteSizeTest, ClimbsAtAThousandOfTheCurrentUnit) {
  EXPECT_EQ(CommonUtils::FormatByteSize(GetParam().bytes, GetParam().spaced), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(CommonUtilsTextTest, FormatByteSizeTest, ::testing::Values(
    ByteSizeCase{0, true, L"0 B"},
    ByteSizeCase{0, false, L"0B"},
    ByteSizeCase{999, true, L"999 B"},
    ByteSizeCase{1000, true, L"0.98 KB"},
    ByteSizeCase{1023, true, L"1.00 KB"},
    ByteSizeCase{1024000, true, L"0.98 MB"},
    ByteSizeCase{1024000, false, L"0.98MB"},
    ByteSizeCase{5368709120ULL, true, L"5.00 GB"},
    ByteSizeCase{5000ULL << 40, true, L"5000.00 TB"},
    ByteSizeCase{~0ULL, false, L"16777216.00TB"}));

struct UrlPortCase {
  const wchar_t* url;
  int port;
};

class UrlPortTest : public ::testing::TestWithParam<UrlPortCase> {};

TEST_P(UrlPortTest, PortOfTheUrl) { EXPECT_EQ(CommonUtils::GetUrlPort(GetParam().url), GetParam().port); }

INSTANTIATE_TEST_SUITE_P(CommonUtilsTextTest, UrlPortTest, ::testing::Values(
    UrlPortCase{L"http://host.example:8080/x", 8080},
    UrlPortCase{L"https://host.example/x", 443},
    UrlPortCase{L"http://host.example:0/x", 80},
    UrlPortCase{L"http://host.example:99999999999999999999/x", 80}));

struct UrlHostCase {
  const wchar_t* url;
  const wchar_t* host;
};

class UrlHostTest : public ::testing::TestWithParam<UrlHostCase> {};

TEST_P(UrlHostTest, HostOfTheUrl) { EXPECT_EQ(CommonUtils::GetUrlHost(GetParam().url), GetParam().host); }

INSTANTIATE_TEST_SUITE_P(CommonUtilsTextTest, UrlHostTest, ::testing::Values(
    UrlHostCase{L"http://user@host.example/x", L"user"},
    UrlHostCase{L"https://my_host.example/x", L"my"},
    UrlHostCase{L"https://a-b.example.com:81/x", L"a-b.example.com"},
    UrlHostCase{L"127.0.0.1:81/x", L"127.0.0.1"}));

}  // namespace

TEST(CommonUtilsTextTest, UrlPieces) {
  using namespace CommonUtils;
  EXPECT_TRUE(IsHttpsUrl(L"https://x"));
  EXPECT_FALSE(IsHttpsUrl(L"HTTPS://x"));
  EXPECT_TRUE(IsIpAddress(L"127.0.0.1"));
  EXPECT_TRUE(IsIpAddress(L"..."));
  EXPECT_FALSE(IsIpAddress(L""));
  EXPECT_FALSE(IsIpAddress(L"10.0.0.a"));

  std::vector<std::wstring> v = {L"http://A", L"https://B", L"http://C", L"https://D"};
  SortHttpsFirst(v);
  EXPECT_EQ(v, (std::vector<std::wstring>{L"https://B", L"https://D", L"http://A", L"http://C"}));
  std::list<std::wstring> l = {L"http://A", L"https://B", L"http://C", L"https://D"};
  SortHttpsFirst(l);
  EXPECT_EQ(l, (std::list<std::wstring>{L"https://B", L"https://D", L"http://A", L"http://C"}));
}

TEST(CommonUtilsTextTest, CommandExePath) {
  using CommonUtils::GetCommandExePath;
  EXPECT_EQ(GetCommandExePath(L"\"C:\\Program Files\\x.exe\" -h"), L"C:\\Program Files\\x.exe");
  EXPECT_EQ(GetCommandExePath(L"  \"C:\\Program Files\\x.exe\" -h -n "), L"C:\\Program Files\\x.exe");
  // A quoted path with blanks and no argument stays whole.
  EXPECT_EQ(GetCommandExePath(L"\"C:\\Program Files\\My App\\x.exe\""), L"C:\\Program Files\\My App\\x.exe");
  EXPECT_EQ(GetCommandExePath(L"C:\\Program Files\\x.exe"), L"C:\\Program");
  EXPECT_EQ(GetCommandExePath(L"C:\\x.exe"), L"C:\\x.exe");
  EXPECT_EQ(GetCommandExePath(L""), L"");
}

TEST(CommonUtilsTextTest, Times) {
  using namespace CommonUtils;
  EXPECT_EQ(FileTimeToUnixTime(116444736000000000ULL), 0);
  EXPECT_EQ(FileTimeToUnixTime(116444736000000000ULL + 86400ULL * 10000000ULL + 9999999ULL), 86400);
  EXPECT_EQ(FileTimeToUnixTime(116444736000000000ULL - 20000000ULL), -2);

  const char* old = getenv("TZ");
  std::string saved = old != nullptr ? old : "";
  setenv("TZ", "UTC0", 1);
  tzset();
  EXPECT_EQ(GetTimeString(86400 + 3661), L"1970-01-02 01:01:01");
  EXPECT_EQ(GetTimeString(1700000000), L"2023-11-14 22:13:20");
  if (old != nullptr) {
    setenv("TZ", saved.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}

TEST(CommonUtilsNameTest, NamesOfEarlierSystems) {
  struct Case {
    DWORD major, minor, platform;
    BYTE product;
    WORD arch;
    int r2;
    const wchar_t* name;
  } cases[] = {
      {4, 0, VER_PLATFORM_WIN32_NT, VER_NT_WORKSTATION, 0, 0, L"Microsoft Windows NT 4.0"},
      {4, 0, VER_PLATFORM_WIN32_WINDOWS, VER_NT_WORKSTATION, 0, 0, L"Microsoft Windows 95"},
      {4, 90, VER_PLATFORM_WIN32_WINDOWS, VER_NT_WORKSTATION, 0, 0, L"Microsoft Windows Me"},
      {5, 1, VER_PLATFORM_WIN32_NT, VER_NT_WORKSTATION, 0, 0, L"Microsoft Windows XP"},
      {5, 2, VER_PLATFORM_WIN32_NT, VER_NT_WORKSTATION, PROCESSOR_ARCHITECTURE_AMD64, 0,
       L"Microsoft Windows XP Professional x64 Edition"},
      {5, 2, VER_PLATFORM_WIN32_NT, VER_NT_SERVER, PROCESSOR_ARCHITECTURE_AMD64, 0, L"Microsoft Windows Server 2003"},
      {5, 2, VER_PLATFORM_WIN32_NT, VER_NT_SERVER, 0, 1, L"Microsoft Windows Server 2003 R2"},
      {6, 1, VER_PLATFORM_WIN32_NT, VER_NT_SERVER, 0, 0, L"Microsoft Windows Server 2008 R2"},
      {6, 1, VER_PLATFORM_WIN32_NT, VER_NT_WORKSTATION, 0, 0, L"Microsoft Windows 7"},
      {11, 0, VER_PLATFORM_WIN32_NT, VER_NT_WORKSTATION, 0, 0, L"未知操作系统"},
  };
  for (const Case& c : cases) {
    OSVERSIONINFOEXW info = OSVERSIONINFOEXW();
    info.dwMajorVersion = c.major;
    info.dwMinorVersion = c.minor;
    info.dwPlatformId = c.platform;
    info.wProductType = c.product;
    EXPECT_EQ(c.name, CommonUtils::GetLegacyOSVersionName(info, c.arch, c.r2)) << c.major << "." << c.minor;
  }
}

TEST_F(CommonUtilsTest, SystemVersionAndFolders) {
  EXPECT_EQ(CommonUtils::GetOSMajorVersion(), 10u);
  EXPECT_EQ(CommonUtils::GetOSMinorVersion(), 0u);
  EXPECT_FALSE(CommonUtils::IsWindowsServer());
  EXPECT_EQ(CommonUtils::GetOSVersionName(), L"Microsoft Windows 10 SP0");
  DWORD major = 0, minor = 0;
  EXPECT_TRUE(CommonUtils::RtlGetVersion(major, minor, nullptr));
  EXPECT_EQ(major, 10u);
  EXPECT_TRUE(CommonUtils::EnableDebugPrivilege());

  char self[4096] = {0};
  ASSERT_GT(readlink("/proc/self/exe", self, sizeof(self) - 1), 0);
  std::string hostDir(self);
  hostDir.resize(hostDir.rfind('/'));
  EXPECT_EQ(CommonUtils::GetModuleDir(), jf::WinPathFromHost(hostDir));

  std::wstring appData = CommonUtils::GetSpecialFolderPath(CSIDL_COMMON_APPDATA);
  EXPECT_EQ(appData.compare(0, 3, L"C:\\"), 0) << appData;
  EXPECT_GT(CommonUtils::GetDiskFreeSpace(L"C:\\anything"), 0u);
  EXPECT_EQ(CommonUtils::GetDiskFreeSpace(L"Q:\\"), 0u);

  std::string ip = CommonUtils::GetLocalIp();
  EXPECT_TRUE(ip.empty() || CommonUtils::IsIpAddress(std::wstring(ip.begin(), ip.end()))) << ip;
  std::wstring mac = CommonUtils::GetMacAddress();
  EXPECT_TRUE(mac.empty() || mac.size() == 12u);
}

TEST_F(CommonUtilsTest, FreeSpaceIsThatOfTheFoldersOwnFileSystem) {
  // A small file system mounted below the drive's root: a folder on it, and one still to be
  // made there, have its room, not the drive's.
  SmallFileSystem small(m_dir + "/c/small", 1 << 20);
  if (!small.Mounted()) GTEST_SKIP() << "no mount privilege";
  const uint64_t free = small.FreeBytes();
  ASSERT_GT(free, 0u);
  EXPECT_EQ(CommonUtils::GetDiskFreeSpace(L"C:\\small"), free);
  EXPECT_EQ(CommonUtils::GetDiskFreeSpace(L"C:\\small\\not\\yet"), free);
  EXPECT_EQ(CommonUtils::GetDiskFreeSpace(L"C:small"), free);  // relative to the drive's root
  // Elsewhere on the drive, the drive's own room (far more than the small one's).
  EXPECT_GT(CommonUtils::GetDiskFreeSpace(L"C:\\elsewhere"), free);
  EXPECT_GT(CommonUtils::GetDiskFreeSpace(L"C:elsewhere"), free);
  EXPECT_EQ(CommonUtils::GetDiskFreeSpace(L"small"), 0u);
}

TEST_F(CommonUtilsTest, AutoRunRoundTrip) {
  EXPECT_EQ(CommonUtils::GetAutoRun(L"JfMissing"), L"");
  ASSERT_TRUE(CommonUtils::SetAutoRun(L"JfTest", L"\"C:\\Program Files\\Jf App\\jf.exe\" -h"));
  EXPECT_EQ(CommonUtils::GetAutoRun(L"JfTest"), L"C:\\Program Files\\Jf App\\jf.exe");
  // A shorter value written over a longer one reads back without the old tail.
  ASSERT_TRUE(CommonUtils::SetAutoRun(L"JfTest", L"C:\\a.exe"));
  EXPECT_EQ(CommonUtils::GetAutoRun(L"JfTest"), L"C:\\a.exe");
  jf::ResetRegistryForTests();
  EXPECT_EQ(CommonUtils::GetAutoRun(L"JfTest"), L"C:\\a.exe");
}

TEST_F(CommonUtilsTest, AutoRunReportsAFailedWrite) {
  ASSERT_TRUE(CommonUtils::SetAutoRun(L"JfTest", L"C:\\old.exe"));
  // Block the registry store's next save: a folder where its temporary file would go.
  std::string config = m_dir + "/c/Windows/System32/config";
  std::string blockers = "cd '" + config + "' && for f in *.json; do mkdir -p \"$f.tmp" +
                         std::to_string(getpid()) + "/x\"; done";
  ASSERT_EQ(system(blockers.c_str()), 0);
  EXPECT_FALSE(CommonUtils::SetAutoRun(L"JfTest", L"C:\\new.exe"));
  jf::ResetRegistryForTests();
  EXPECT_EQ(CommonUtils::GetAutoRun(L"JfTest"), L"C:\\old.exe");
}

TEST_F(CommonUtilsTest, ShortcutIsWrittenAndLongFoldersFailCleanly) {
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  std::wstring folder = L"C:\\links";
  std::wstring path = CommonUtils::CreateShortcut(folder, L"Jf Launcher", L"C:\\Program Files\\jf.exe");
  EXPECT_EQ(path, L"C:\\links\\Jf Launcher.lnk");
  struct stat st;
  EXPECT_EQ(stat((m_dir + "/c/links/Jf Launcher.lnk").c_str(), &st), 0);
  EXPECT_GT(st.st_size, 0);

  std::wstring longFolder = L"C:\\" + std::wstring(300, L'd');
  EXPECT_EQ(CommonUtils::CreateShortcut(longFolder, L"x", L"C:\\x.exe"), L"");
  std::wstring nearLimit = L"C:\\" + std::wstring(250, L'e');
  EXPECT_EQ(CommonUtils::CreateShortcut(nearLimit, L"a-long-name", L"C:\\x.exe"), L"");
  CoUninitialize();
}

TEST_F(CommonUtilsTest, ProcessesStartedFoundAndKilled) {
  // A private copy of sleep under a unique name, so no other process is hit.
  std::string name = "jfsleep_" + std::to_string(getpid()) + "_" + std::to_string(time(nullptr) % 100000);
  std::string bin = m_dir + "/bin";
  mkdir(bin.c_str(), 0755);
  std::string program = bin + "/" + name;
  {
    std::ifstream in("/bin/sleep", std::ios::binary);
    std::ofstream out(program, std::ios::binary);
    out << in.rdbuf();
  }
  chmod(program.c_str(), 0755);
  std::wstring wname(name.begin(), name.end());
  std::wstring winProgram = jf::WinPathFromHost(program);

  EXPECT_FALSE(CommonUtils::IsProcessRunning(wname));
  EXPECT_FALSE(CommonUtils::IsProcessRunning(L""));
  PROCESS_INFORMATION info = PROCESS_INFORMATION();
  ASSERT_EQ(CommonUtils::RunProcess(&info, winProgram, L"\"" + winProgram + L"\" 30"), 0u);
  EXPECT_NE(info.dwProcessId, 0u);
  ASSERT_TRUE(WaitUntil([&] { return CommonUtils::IsProcessRunning(wname); }));
  EXPECT_EQ(CommonUtils::FindProcessInDir(jf::WinPathFromHost(bin)), info.dwProcessId);
  EXPECT_EQ(CommonUtils::FindProcessInDir(jf::WinPathFromHost(m_dir + "/nothing")), 0u);

  CapturedLog log;
  EXPECT_EQ(CommonUtils::KillProcessesByName(L"jf_no_such_program_" + wname), 0);
  EXPECT_TRUE(log.Lines().empty());
  EXPECT_EQ(CommonUtils::KillProcessesByName(wname), 1);
  EXPECT_TRUE(WaitUntil([&] { return !CommonUtils::IsProcessRunning(wname); }));
  EXPECT_EQ(log.CountContaining(L"OpenProcess Error!"), 0u);

  EXPECT_EQ(CommonUtils::RunProcess(nullptr, jf::WinPathFromHost(bin + "/missing"), L"missing"),
            static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}
