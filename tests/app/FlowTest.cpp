// The install flow in this process against the scripted server: the update module and the
// download engine fetch the stand-in installer, the worker checks and runs it, the stand-in
// launcher records its start. Time runs on the manual tick source.
#include <openssl/des.h>
#include <shlobj.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <regex>
#include <sstream>

#include <json/json.h>

#include "tests/app/AppDrives.h"
#include "tests/app/FlowTestView.h"
#include "commonlib/logger/report/BigDataLog.h"
#include "tests/support/SmallFileSystem.h"
#include "tests/support/net/HttpTestServer.h"
#include "commonlib/DownloadEngine.h"
#include "Updater/CUpdateModule.h"
#include "app/config/AppConfig.h"
#include "app/config/RunExitCode.h"
#include "app/MainApp.h"
#include "platform/testing/hooks/tick.h"
#include "commonlib/logger/report/DownloadLog.h"
#include "commonlib/thread/MainThreadQueue.h"
#include "commonlib/util/CommonUtils.h"
#include "commonlib/util/FileUtils.h"
#include "commonlib/util/MD5.h"
#include "commonlib/util/StringUtils.h"
#include "platform/testing/hooks/teststate.h"
#include "platform/src/internal/ticksource.h"

#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace {

// The program's mount namespace of its own, entered before the services start their threads,
// so that their writes see the small file systems that cases mount.
const bool g_ownMounts = SmallFileSystem::EnterOwnMountNamespace();

const std::string kProgramIni = std::string(JF_TEST_BIN_DIR) + "/jfminiinstall.ini";
const std::string kStandin = std::string(JF_TEST_BIN_DIR) + "/../tools/jfstandin";

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

// The statistics line of one posted body: DES-ECB under the record key, PKCS#5 fill.
std::vector<std::string> DecodeStatistics(const std::string& body) {
  std::vector<std::string> lines;
  Json::Value posts;
  Json::Reader().parse(body, posts);
  DES_cblock key;
  memcpy(key, "kelvo514", 8);
  DES_key_schedule schedule;
  DES_set_key_unchecked(&key, &schedule);
  for (const Json::Value& post : posts) {
    std::string hex = post["body"].asString(), bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    std::string plain(bytes.size(), '\0');
    for (size_t i = 0; i + 8 <= bytes.size(); i += 8) {
      DES_ecb_encrypt(reinterpret_cast<DES_cblock*>(&bytes[i]), reinterpret_cast<DES_cblock*>(&plain[i]), &schedule,
                      DES_DECRYPT);
    }
    if (!plain.empty()) plain.resize(plain.size() - static_cast<unsigned char>(plain.back()));
    lines.push_back(plain);
  }
  return lines;
}

class Services : public ::testing::Environment {
 public:
  void SetUp() override {
    WriteAll(kProgramIni, "[Debug]\r\nLog=0\r\n");
    InitApp(314);
  }
  void TearDown() override {
    UninitApp();
    remove(kProgramIni.c_str());
  }
};
::testing::Environment* const g_services = ::testing::AddGlobalTestEnvironment(new Services);

class FlowTest : public apptest::AppDrives {
 public:
  void SetUp() override {
    AppDrives::SetUp();
    jf::SetDiskFreeSpaceForTests(L'D', 1LL << 32);
    jf::SetDiskFreeSpaceForTests(L'C', 1LL << 32);
    ASSERT_TRUE(server.Start());
    installer = ReadAll(kStandin);
    ASSERT_GT(installer.size(), 100000u) << kStandin;
    md5 = Md5Of(installer);
    server.SetHandler("/stat", [this](const HttpTestServer::Request& request) {
      for (const std::string& line : DecodeStatistics(request.body)) records.push_back(line);
      HttpTestServer::Script ok;
      ok.body = "ok";
      return ok;
    });
    ServeInstaller(installer);
    WriteAll(kProgramIni, "[Debug]\r\nLog=0\r\nUpdateURL=" + server.Url("/info") + "\r\n");
    BigDataLog::GetInstance().SetServerAddress(jf::FromUtf8(server.Url("/stat")));
    server.SetBody("/report", "ok");
    DownloadEngine::InitDownloadLog(jf::FromUtf8(server.Url("/report")).c_str(), L"1.0.2|mini_downloader|GameId:314",
                                    L"mini_downloader|id:314");
    AppConfig& config = AppConfig::Instance();
    config = Defaults();
    RunExitCode::Set(RunExitCode::kSuccess);
    // From the real now, so timers set before keep their place.
    jf::TickOverride(jf::TickNow());
    view.reset(new FlowTestView);
    flow.reset(new InstallFlow(view.get()));
    view->flow = flow.get();
  }
  void TearDown() override {
    FlowTestView::PaceMs() = 20;
    flow->Shutdown();
    view->flow = nullptr;
    flow.reset();
    view.reset();
    Pump([] { return false; }, 50);
    jf::TickRestore();
    BigDataLog::GetInstance().UnInit();
    server.Stop();
    WriteAll(kProgramIni, "[Debug]\r\nLog=0\r\n");
    AppConfig::Instance() = Defaults();
    RunExitCode::Set(RunExitCode::kSuccess);
    unsetenv("JF_STUB_INSTALLER_EXIT");
    small.reset();
    AppDrives::TearDown();
  }
  static AppConfig Defaults() {
    AppConfig& config = AppConfig::Instance();
    AppConfig copy = config;
    copy.gameId = 0;
    copy.hidden = false;
    copy.jfFlag = false;
    copy.runLauncher = true;
    copy.installPath.clear();
    copy.logEnabled = 0;
    return copy;
  }
  static std::string Md5Of(const std::string& bytes) {
    return MD5(reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<uint32_t>(bytes.size())).hex_digest();
  }
  void ServeInstaller(const std::string& bytes, const std::string& digest = "") {
    HttpTestServer::Script file;
    file.body = bytes;
    file.ranges = true;
    server.Set("/files/vrinstaller.exe", file);
    server.SetBody("/info", "[Install]\r\nUrl=" + server.Url("/files/vrinstaller.exe") + "\r\nmurl=\r\nSize=" +
                                std::to_string(bytes.size()) + "\r\nMd5=" + (digest.empty() ? md5 : digest) +
                                "\r\nVersion=1.0.0\r\nThirdCDNHost=\r\nThirdCDNMinSpeed=0\r\nSSLUrl=\r\n");
  }
  using AppDrives::ExistsWin;  // for the rows of the tables
  // A hidden run into the folder, as written on the command line.
  void StartHidden(const std::wstring& folder) {
    AppConfig::Instance().hidden = true;
    AppConfig::Instance().installPath = folder;
    flow->PrepareInstall();
  }
  // Turns the loop until done, for at most realMs of real time.
  bool Pump(const std::function<bool()>& done, int realMs = 30000) {
    auto start = std::chrono::steady_clock::now();
    while (!done()) {
      if (std::chrono::steady_clock::now() - start > std::chrono::milliseconds(realMs)) return false;
      FlowTestView::Turn();
    }
    return true;
  }
  size_t CountRecords(const std::string& state) {
    size_t n = 0;
    for (const std::string& line : records) n += line.find("\tinstalljf_state:" + state + "\t") != std::string::npos;
    return n;
  }
  std::string LauncherArgs(const std::string& folder) { return ReadHost(folder + "/launcher-args.txt"); }
  // A new window and flow, as a new run of the program has.
  void FreshFlow() {
    server.ReleaseStalls();
    flow->Shutdown();
    view->flow = nullptr;
    flow.reset();
    view.reset(new FlowTestView);
    flow.reset(new InstallFlow(view.get()));
    view->flow = flow.get();
    RunExitCode::Set(RunExitCode::kSuccess);
    FlowTestView::PaceMs() = 20;
    jf::SetDiskFreeSpaceForTests(L'D', 1LL << 32);
    unsetenv("JF_STUB_INSTALLER_EXIT");
    records.clear();
    small.reset();
  }
  // The answer's folder turns into a file while the request runs: the answer cannot be
  // stored there, nor anything else.
  void FolderTurnsIntoAFile(const std::wstring& folder) {
    server.SetHandler("/info", [this, folder](const HttpTestServer::Request&) {
      std::filesystem::remove_all(Host(folder));
      WriteWin(folder, "now a file");
      HttpTestServer::Script s;
      s.body = "[Install]\r\n";
      return s;
    });
  }
  // The drive fills while the installer is fetched.
  void DiskFillsDuringTheDownload() {
    server.SetHandler("/files/vrinstaller.exe", [](const HttpTestServer::Request&) {
      jf::SetDiskFreeSpaceForTests(L'D', 1 << 20);
      HttpTestServer::Script s;
      s.status = 500;
      return s;
    });
  }

  // The folder is a small file system of its own below the drive's root, too small for the
  // installer, while the drive has room.
  void SmallDiskAt(const std::wstring& folder) {
    small.reset(new SmallFileSystem(Host(folder), 64 << 10));
    ASSERT_TRUE(g_ownMounts && small->Mounted()) << "mounting needs the privilege to";
  }

  HttpTestServer server;
  std::unique_ptr<SmallFileSystem> small;
  std::string installer, md5;
  std::vector<std::string> records;
  std::unique_ptr<FlowTestView> view;
  std::unique_ptr<InstallFlow> flow;
};

TEST_F(FlowTest, HiddenRunInstallsConfiguresAndStartsTheLauncher) {
  StartHidden(L"D:\\games\\jf");
  EXPECT_FALSE(view->autoStart);
  ASSERT_TRUE(Pump([&] { return view->closed; }));
  EXPECT_EQ(view->closeCode, 1u);
  EXPECT_TRUE(view->boxes.empty());
  const std::string dir = d_ + "/games/jf";
  EXPECT_TRUE(HostExists(dir + "/VarnelLauncher.exe"));
  EXPECT_FALSE(HostExists(dir + "/vrinstaller.exe"));
  EXPECT_EQ(ReadHost(dir + "/preference.ini"), "[Config]\r\nStartupWithOS=0\r\n");
  EXPECT_FALSE(HostExists(dir + "/tg.id"));
  ASSERT_TRUE(Pump([&] { return !LauncherArgs(dir).empty(); }, 5000));
  EXPECT_NE(LauncherArgs(dir).find("-i\n314\n-d"), std::string::npos) << LauncherArgs(dir);
  ASSERT_TRUE(Pump([&] { return CountRecords("1") == 1; }, 5000));
  EXPECT_EQ(CountRecords("0"), 0u);
  std::string success;
  for (const std::string& line : records) success = line;
  EXPECT_NE(success.find("\tc_downInstall_telmar_5.2\t1\t"), std::string::npos) << success;
  EXPECT_NE(success.find("\txshx\t"), std::string::npos) << success;
  EXPECT_NE(success.find("installjf_time:"), std::string::npos);
}

TEST_F(FlowTest, HiddenRunWithoutLaunchStillRemovesTheInstaller) {
  AppConfig::Instance().runLauncher = false;
  AppConfig::Instance().gameId = 42;
  StartHidden(L"D:\\jf");
  EXPECT_EQ(flow->GetGameId(), 42);
  ASSERT_TRUE(Pump([&] { return view->closed; }));
  EXPECT_TRUE(HostExists(d_ + "/jf/VarnelLauncher.exe"));
  EXPECT_FALSE(HostExists(d_ + "/jf/vrinstaller.exe"));
  Pump([] { return false; }, 300);
  EXPECT_FALSE(HostExists(d_ + "/jf/launcher-args.txt"));
}

TEST_F(FlowTest, WindowedInstallErrorIsRetriedOnAWorkerWhileTheWindowRuns) {
  std::string broken(200000, 'x');
  md5 = Md5Of(broken);
  ServeInstaller(broken);
  view->answers = {1, 2};
  EXPECT_TRUE(flow->OnClickInstall());
  EXPECT_TRUE(view->progressPage);
  EXPECT_EQ(flow->GetInstallDir(), L"D:\\澜铭网络\\澜铭聚峰");
  EXPECT_EQ(CommonUtils::GetAutoRun(L"VarnelCom-Launcher"), L"D:\\澜铭网络\\澜铭聚峰\\VarnelLauncher.exe");
  ASSERT_TRUE(Pump([&] { return view->boxes.size() == 2; }));
  for (const IInstallView::BoxRequest& box : view->boxes) {
    EXPECT_EQ(box.text, L"安装过程出错");
    EXPECT_EQ(box.okCaption, L"重试");
    EXPECT_EQ(box.codeLine.substr(0, 12), L"type:1 code:");
    EXPECT_FALSE(box.showCancelRow);
  }
  EXPECT_FALSE(view->closed);
  // The second record waited behind the first; the shutdown's flush sends it (on the
  // real clock, which bounds it).
  jf::TickRestore();
  EXPECT_TRUE(FlushPendingReports(3000))
      << BigDataLog::GetInstance().IsBusy() << BigDataLog::GetInstance().PendingCount()
      << DownloadLog::GetInstance().IsBusy() << DownloadLog::GetInstance().GetPendingCount() << " "
      << GetMainThreadQueueSize();
  EXPECT_EQ(CountRecords("0"), 2u);
}

TEST_F(FlowTest, ClosingWhileTheInstallerRunsEndsTheWorkerAndTouchesNothingMore) {
  setenv("JF_STUB_INSTALLER_DELAY_MS", "20000", 1);
  StartHidden(L"D:\\jf");
  ASSERT_TRUE(Pump([&] { return flow->GetShared().animationStep.load() > 30; }));
  PostMessageW(view->hwnd, WM_CLOSE, 0, 0);
  ASSERT_TRUE(Pump([&] { return view->closed; }, 5000));
  auto start = std::chrono::steady_clock::now();
  flow->Shutdown();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  unsetenv("JF_STUB_INSTALLER_DELAY_MS");
  CommonUtils::KillProcessesByName(L"vrinstaller.exe");
  EXPECT_FALSE(HostExists(d_ + "/jf/preference.ini"));
  EXPECT_EQ(flow->GetUpdateModule(), nullptr);
}

TEST_F(FlowTest, NetworkFailureShowsOneRetryBoxThatAProgressReportCloses) {
  HttpTestServer::Script fail;
  fail.status = 500;
  server.Set("/info", fail);
  view->answers = {0};
  EXPECT_TRUE(flow->OnClickInstall());
  // While the box runs its loop, a progress report arrives and closes it with 2.
  SetTimer(view->hwnd, 77, 50, [](HWND hwnd, UINT, UINT_PTR id, DWORD) {
    auto* self = reinterpret_cast<FlowTestView*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self->openSlot != IInstallView::kBoxRetry) return;
    KillTimer(hwnd, id);
    self->flow->OnDownloadProgress(100, 10, 5, 0);
  });
  ASSERT_TRUE(Pump([&] { return view->boxes.size() == 1 && view->openSlot == -1; }));
  EXPECT_EQ(view->boxes[0].text, L"连接超时，请检查网络是否正常");
  // The pair of the last address tried, code first.
  EXPECT_TRUE(std::regex_match(jf::ToUtf8(view->boxes[0].codeLine), std::regex("code:-?[0-9]+ type:[1-9][0-9]*")))
      << jf::ToUtf8(view->boxes[0].codeLine);
  EXPECT_EQ(view->barValue, 48);
  EXPECT_GE(CountRecords("0"), 1u);
}

// The hidden run's eleven ticks of the retry timer bound the whole run, whatever each
// request takes: failing answers, a server that never answers, no server at all.
TEST_F(FlowTest, HiddenNetworkFailureEndsAfterTheEleventhRetryTick) {
  const struct {
    const char* name;
    std::function<void(FlowTest&)> serve;
  } cases[] = {
      {"answers 500",
       [](FlowTest& t) {
         HttpTestServer::Script fail;
         fail.status = 500;
         t.server.Set("/info", fail);
       }},
      {"never answers",
       [](FlowTest& t) {
         HttpTestServer::Script held;
         held.stallBeforeHeaders = true;
         t.server.Set("/info", held);
       }},
      {"no server",
       [](FlowTest&) { WriteAll(kProgramIni, "[Debug]\r\nLog=0\r\nUpdateURL=http://127.0.0.1:9/info\r\n"); }},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    k.serve(*this);
    FlowTestView::PaceMs() = 250;
    const uint64_t start = jf::TickNow();
    StartHidden(L"D:\\jf");
    ASSERT_TRUE(Pump([&] { return view->closed; }, 60000));
    // Eleven ticks of 5 s from the start, and the turn that closes.
    EXPECT_LE(jf::TickNow() - start, 11u * 5000u + 1000u);
    EXPECT_TRUE(view->boxes.empty());
    EXPECT_EQ(RunExitCode::Get(), RunExitCode::kNetworkFailed);
    EXPECT_LE(server.RequestsFor("/info").size(), 11u);
    EXPECT_TRUE(server.RequestsFor("/files/vrinstaller.exe").empty());
    FreshFlow();
  }
}

// A hidden run that fails ends with the code of its kind of failure, and never as a success.
struct HiddenFailure {
  const char* name;
  std::function<void(FlowTest&, const std::wstring& folder)> arrange;
  RunExitCode::Code code;
  std::function<void(FlowTest&, const std::wstring& folder)> check;  // what the row checks beyond the others
};
void PrintTo(const HiddenFailure& k, std::ostream* os) { *os << k.name; }

const HiddenFailure kHiddenFailures[] = {
    {"InstallerEndsWithAnError", [](FlowTest&, const std::wstring&) { setenv("JF_STUB_INSTALLER_EXIT", "3", 1); },
     RunExitCode::kInstallFailed, nullptr},
    {"InstallerCannotStart",
     [](FlowTest& t, const std::wstring&) {
       const std::string broken(200000, 'x');
       t.ServeInstaller(broken, FlowTest::Md5Of(broken));
     },
     RunExitCode::kInstallFailed, [](FlowTest& t, const std::wstring&) { EXPECT_EQ(t.CountRecords("0"), 1u); }},
    {"WrongDigestDeletesTheDownload",
     [](FlowTest& t, const std::wstring&) { t.ServeInstaller(t.installer, std::string(32, '0')); },
     RunExitCode::kDigestWrong,
     [](FlowTest& t, const std::wstring& folder) {
       EXPECT_FALSE(t.ExistsWin(folder + L"\\vrinstaller.exe"));
       EXPECT_FALSE(t.ExistsWin(folder + L"\\VarnelLauncher.exe"));
       EXPECT_EQ(t.CountRecords("0"), 1u);
     }},
    {"AnswerWithoutUrl",
     [](FlowTest& t, const std::wstring&) {
       t.server.SetBody("/info", "[Install]\r\nSize=" + std::to_string(t.installer.size()) + "\r\nMd5=" + t.md5 +
                                     "\r\nVersion=1.0.0\r\n");
     },
     RunExitCode::kNetworkFailed, nullptr},
    {"FolderTurnsIntoAFile", [](FlowTest& t, const std::wstring& folder) { t.FolderTurnsIntoAFile(folder); },
     RunExitCode::kFolderNotWritable, nullptr},
    {"SmallDiskBelowTheDrivesRoot", [](FlowTest& t, const std::wstring& folder) { t.SmallDiskAt(folder); },
     RunExitCode::kFolderNotWritable, nullptr},
    // The download's temporary file cannot be created (a folder holds its name): one round,
    // one failure record, the folder's code, not the network's.
    {"TemporaryFileCannotBeCreated",
     [](FlowTest&, const std::wstring& folder) { FileUtils::CreateDirectoryTree(folder + L"\\vrinstaller.exe.vrdt\\x"); },
     RunExitCode::kFolderNotWritable, [](FlowTest& t, const std::wstring&) { EXPECT_EQ(t.CountRecords("0"), 1u); }},
    // The temporary file is removed while its bytes arrive: the download failed by its file.
    {"TemporaryFileRemovedMidway",
     [](FlowTest& t, const std::wstring& folder) {
       std::string temp;
       jf::HostPathFromWin(folder + L"\\vrinstaller.exe.vrdt", temp);
       t.server.SetHandler("/files/vrinstaller.exe", [temp, bytes = t.installer](const HttpTestServer::Request&) {
         unlink(temp.c_str());
         HttpTestServer::Script s;
         s.body = bytes;
         s.ranges = true;
         return s;
       });
     },
     RunExitCode::kFolderNotWritable, nullptr},
};

class HiddenFailureTest : public FlowTest, public ::testing::WithParamInterface<HiddenFailure> {};

TEST_P(HiddenFailureTest, EndsWithItsOwnExitCode) {
  const HiddenFailure& k = GetParam();
  const std::wstring folder = L"D:\\case";
  k.arrange(*this, folder);
  const size_t asked = server.RequestsFor("/info").size();
  // Where the failure comes after a whole download (the digest, the installer), the
  // program's clock keeps close to the real one, so that a slow machine (a sanitizer build)
  // does not run out the run's rounds while the download and the check are still at work.
  const bool afterDownload = k.code == RunExitCode::kDigestWrong || k.code == RunExitCode::kInstallFailed;
  FlowTestView::PaceMs() = afterDownload ? 2 : 20;
  StartHidden(folder);
  ASSERT_TRUE(Pump([&] { return view->closed; }, 60000));
  EXPECT_TRUE(view->boxes.empty());
  EXPECT_EQ(RunExitCode::Get(), k.code);
  jf::TickRestore();
  EXPECT_TRUE(FlushPendingReports(3000));
  jf::TickOverride(jf::TickNow());
  EXPECT_GE(CountRecords("0"), 1u);
  EXPECT_EQ(CountRecords("1"), 0u);
  EXPECT_FALSE(ExistsWin(folder + L"\\preference.ini"));
  EXPECT_FALSE(ExistsWin(CommonUtils::GetSpecialFolderPath(CSIDL_COMMON_APPDATA) + L"\\VarnelLaucher.ini"));
  // No empty installer is left to be run.
  EXPECT_NE(FileUtils::GetFileSize(folder + L"\\vrinstaller.exe"), 0u);
  // A local problem is not retried as if the network had failed.
  if (k.code == RunExitCode::kFolderNotWritable) {
    EXPECT_EQ(server.RequestsFor("/info").size() - asked, 1u);
  }
  if (k.check) k.check(*this, folder);
}

INSTANTIATE_TEST_SUITE_P(Hidden, HiddenFailureTest, ::testing::ValuesIn(kHiddenFailures),
                         [](const ::testing::TestParamInfo<HiddenFailure>& info) { return std::string(info.param.name); });

TEST_F(FlowTest, FolderProblemIsShownAsSuchNotAsANetworkFailure) {
  const struct {
    const char* name;
    std::function<void(FlowTest&, const std::wstring& folder)> arrange;
    const wchar_t* text;
  } cases[] = {
      {"folder turns into a file", [](FlowTest& t, const std::wstring& folder) { t.FolderTurnsIntoAFile(folder); },
       L"该目录权限不足，请选择其他目录安装"},
      {"small disk below the drive's root", [](FlowTest& t, const std::wstring& folder) { t.SmallDiskAt(folder); },
       L"该磁盘剩余空间不足，请选择其他目录安装"},
      {"temporary file cannot be created",
       [](FlowTest&, const std::wstring& folder) {
         FileUtils::CreateDirectoryTree(folder + L"\\vrinstaller.exe.vrdt\\x");
       },
       L"该目录权限不足，请选择其他目录安装"},
  };
  int n = 0;
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    const std::wstring folder = L"D:\\shown" + std::to_wstring(++n);
    ServeInstaller(installer);
    k.arrange(*this, folder);
    flow->SetInstallDir(folder);
    view->answers = {2};
    FlowTestView::PaceMs() = 250;
    ASSERT_TRUE(flow->OnClickInstall());
    ASSERT_TRUE(Pump([&] { return view->closed; }, 60000));
    std::wstring shown;
    for (const auto& b : view->boxes) shown += b.text + L" " + b.codeLine + L" | ";
    ASSERT_EQ(view->boxes.size(), 1u) << jf::ToUtf8(shown);
    EXPECT_EQ(view->boxes[0].text, k.text);
    EXPECT_EQ(view->boxes[0].okCaption, L"重试");
    EXPECT_EQ(view->boxes[0].cancelCaption, L"退出安装");
    EXPECT_TRUE(view->boxes[0].showCancelRow);
    FreshFlow();
  }
}

// A download that cannot be moved into place (its name is taken by a folder or by a read-only
// file) is the folder's failure after the first round, hidden (exit 6, no further rounds) and
// windowed (the folder box).
TEST_F(FlowTest, DownloadThatCannotBeMovedIntoPlaceIsTheFoldersFailure) {
  const struct {
    const char* name;
    std::function<void(FlowTest&, const std::wstring& installer)> arrange;
  } cases[] = {
      {"a folder of that name",
       [](FlowTest& t, const std::wstring& installer) {
         FileUtils::CreateDirectoryTree(installer);
         t.WriteWin(installer + L"\\inside", "x");
       }},
      {"a read-only file of that name",
       [](FlowTest& t, const std::wstring& installer) {
         t.WriteWin(installer, "an old installer");
         SetFileAttributesW(installer.c_str(), FILE_ATTRIBUTE_READONLY);
       }},
  };
  int n = 0;
  for (const auto& k : cases) {
    for (const bool hidden : {true, false}) {
      SCOPED_TRACE(std::string(k.name) + (hidden ? " hidden" : " windowed"));
      const std::wstring folder = L"D:\\taken" + std::to_wstring(++n);
      FileUtils::CreateDirectoryTree(folder);
      k.arrange(*this, folder + L"\\vrinstaller.exe");
      const size_t asked = server.RequestsFor("/info").size();
      AppConfig::Instance().hidden = hidden;
      if (hidden) {
        AppConfig::Instance().installPath = folder;
        flow->PrepareInstall();
      } else {
        flow->SetInstallDir(folder);
        view->answers = {2};
        ASSERT_TRUE(flow->OnClickInstall());
      }
      ASSERT_TRUE(Pump([&] { return view->closed; }, 60000));
      EXPECT_EQ(server.RequestsFor("/info").size() - asked, 1u) << jf::ToUtf8(flow->GetInstallDir());
      if (hidden) {
        EXPECT_TRUE(view->boxes.empty());
        EXPECT_EQ(RunExitCode::Get(), RunExitCode::kFolderNotWritable);
      } else {
        ASSERT_EQ(view->boxes.size(), 1u);
        EXPECT_EQ(view->boxes[0].text, L"该目录权限不足，请选择其他目录安装") << jf::ToUtf8(view->boxes[0].codeLine);
        EXPECT_EQ(view->boxes[0].cancelCaption, L"退出安装");
      }
      EXPECT_FALSE(ExistsWin(folder + L"\\VarnelLauncher.exe"));
      SetFileAttributesW((folder + L"\\vrinstaller.exe").c_str(), FILE_ATTRIBUTE_NORMAL);
      FreshFlow();
    }
  }
}

// A refused connection or a failing server is the network's failure, with its retry rounds,
// whatever the folder's figures: a drive with little room (the hidden default search takes
// one), a folder written with "/", a disk whose figures fall while the server fails.
TEST_F(FlowTest, NetworkFailureIsNamedByItsErrorNotByTheFoldersFigures) {
  const struct {
    const char* name;
    std::function<void(FlowTest&)> arrange;
    const wchar_t* folder;
  } cases[] = {
      {"refused, default folder on a small drive",
       [](FlowTest&) {
         WriteAll(kProgramIni, "[Debug]\r\nLog=0\r\nUpdateURL=http://127.0.0.1:9/info\r\n");
         jf::SetDiskFreeSpaceForTests(L'C', 1 << 20);
         jf::SetDiskFreeSpaceForTests(L'D', 1 << 20);
       },
       L""},
      {"refused, folder written with /",
       [](FlowTest&) { WriteAll(kProgramIni, "[Debug]\r\nLog=0\r\nUpdateURL=http://127.0.0.1:9/info\r\n"); },
       L"D:/slash/jf"},
      {"server fails while the disk's figures fall", [](FlowTest& t) { t.DiskFillsDuringTheDownload(); },
       L"D:\\falls"},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    k.arrange(*this);
    FlowTestView::PaceMs() = 250;
    StartHidden(k.folder);
    ASSERT_TRUE(Pump([&] { return view->closed; }, 60000));
    EXPECT_FALSE(flow->GetInstallDir().empty());
    EXPECT_TRUE(view->boxes.empty());
    EXPECT_EQ(RunExitCode::Get(), RunExitCode::kNetworkFailed);
    WriteAll(kProgramIni, "[Debug]\r\nLog=0\r\nUpdateURL=" + server.Url("/info") + "\r\n");
    ServeInstaller(installer);
    jf::SetDiskFreeSpaceForTests(L'C', 1LL << 32);
    FreshFlow();
  }
  // Windowed: the network's box, not the folder's, when the drive's figures fall meanwhile.
  AppConfig::Instance().hidden = false;
  AppConfig::Instance().installPath.clear();
  HttpTestServer::Script fail;
  fail.status = 500;
  server.Set("/info", fail);
  flow->SetInstallDir(L"D:\\windowed");
  view->answers = {2};
  ASSERT_TRUE(flow->OnClickInstall());
  jf::SetDiskFreeSpaceForTests(L'D', 1 << 20);
  ASSERT_TRUE(Pump([&] { return !view->boxes.empty(); }, 30000));
  EXPECT_EQ(view->boxes[0].text, L"连接超时，请检查网络是否正常");
}

// A folder is taken as written: with a trailing separator, with "/", or a drive's root. The
// installer gets the folder as one argument and its switches after it; the launcher's INI
// files name the launcher in the folder.
TEST_F(FlowTest, HiddenRunTakesTheFolderAsWritten) {
  const std::string log = d_ + "/standin.jsonl";
  setenv("JF_STUB_LOG", log.c_str(), 1);
  const struct {
    const wchar_t* written;
    const wchar_t* folder;
    const wchar_t* launcher;
  } cases[] = {
      {L"D:\\games\\jf\\", L"D:\\games\\jf", L"D:\\games\\jf\\VarnelLauncher.exe"},
      {L"D:/games/slash", L"D:\\games\\slash", L"D:\\games\\slash\\VarnelLauncher.exe"},
      {L"D:\\", L"D:\\", L"D:\\VarnelLauncher.exe"},
      // Paths with blanks stand quoted in both command lines: the first argument is no piece
      // of the program's own path.
      {L"D:\\My Games\\jf", L"D:\\My Games\\jf", L"D:\\My Games\\jf\\VarnelLauncher.exe"},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(jf::ToUtf8(k.written));
    std::remove(log.c_str());
    StartHidden(k.written);
    ASSERT_TRUE(Pump([&] { return view->closed; }));
    EXPECT_EQ(RunExitCode::Get(), RunExitCode::kSuccess);
    EXPECT_EQ(flow->GetInstallDir(), k.folder);
    EXPECT_TRUE(ExistsWin(k.launcher));
    std::vector<std::string> argv;
    std::istringstream lines(ReadHost(log));
    for (std::string line; std::getline(lines, line);) {
      Json::Value record;
      if (!Json::Reader().parse(line, record) || record["role"].asString() != "installer") continue;
      for (const Json::Value& a : record["argv"]) argv.push_back(a.asString());
    }
    EXPECT_EQ(argv, (std::vector<std::string>{"/S", "/unpack=" + jf::ToUtf8(k.folder), "/launch=off"}));
    ASSERT_TRUE(Pump([&] { return !LauncherArgs(Host(k.folder)).empty(); }, 5000));
    EXPECT_EQ(LauncherArgs(Host(k.folder)), "-i\n314\n-d\n");
    wchar_t named[1024] = {};
    const std::wstring ini = CommonUtils::GetSpecialFolderPath(CSIDL_COMMON_APPDATA) + L"\\VarnelLaucher.ini";
    GetPrivateProfileStringW(L"VarnelCom-Launcher", L"InstallPath", L"", named, 1024, ini.c_str());
    EXPECT_EQ(std::wstring(named), k.launcher);
    FreshFlow();
  }
  unsetenv("JF_STUB_LOG");
}

TEST_F(FlowTest, InstallerErrorIsNoSuccessAndARetryOfAnEmptyFileDownloadsAgain) {
  setenv("JF_STUB_INSTALLER_EXIT", "3", 1);
  flow->SetInstallDir(L"D:\\retry");
  std::wstring installerPath;
  view->onBox = [&](const IInstallView::BoxRequest& box) {
    if (box.text != L"安装过程出错") return;
    // The file on disk is empty by the time the user retries: it must be fetched again.
    installerPath = flow->GetInstallerPath();
    WriteWin(installerPath, "");
    unsetenv("JF_STUB_INSTALLER_EXIT");
  };
  view->answers = {1};
  ASSERT_TRUE(flow->OnClickInstall());
  ASSERT_TRUE(Pump([&] { return view->closed; }, 60000));
  ASSERT_EQ(view->boxes.size(), 1u);
  EXPECT_EQ(view->boxes[0].codeLine, L"type:2 code:3");
  EXPECT_EQ(server.RequestsFor("/info").size(), 2u) << "downloaded again";
  EXPECT_EQ(ReadWin(L"D:\\retry\\VarnelLauncher.exe").size(), installer.size());
  ASSERT_TRUE(Pump([&] { return CountRecords("1") == 1; }, 5000));
  EXPECT_GE(CountRecords("0"), 1u);
}

TEST_F(FlowTest, InstallResultSuccessStartsTheOtherGameAndWaitsForThePlatform) {
  const std::string log = d_ + "/standin.jsonl";
  setenv("JF_STUB_LOG", log.c_str(), 1);
  flow->SetInstallDir(L"D:\\done");
  const std::wstring game = L"D:\\done\\远岚秘境\\yl.exe";
  FileUtils::CreateDirectoryTree(L"D:\\done\\远岚秘境");
  WriteWin(game, installer);
  chmod(Host(game).c_str(), 0755);
  FlowTestView::PaceMs() = 250;
  const uint64_t start = jf::TickNow();
  PostMessageW(view->hwnd, InstallFlow::kMsgInstallResult, 0, 0);
  ASSERT_TRUE(Pump([&] { return InstallWorker::IsFlowTimer(flow->GetShared(), InstallFlow::kTimerPlatformWait); },
                   5000));
  EXPECT_TRUE(flow->GetShared().installFinished.load());
  EXPECT_TRUE(ExistsWin(CommonUtils::GetSpecialFolderPath(CSIDL_DESKTOPDIRECTORY) + L"\\远岚秘境.lnk"));
  ASSERT_TRUE(Pump([&] { return ReadHost(log).find("yl.exe") != std::string::npos; }, 5000)) << ReadHost(log);
  EXPECT_FALSE(view->closed);
  // Thirty ticks of a second without the platform's programs, then the window closes.
  ASSERT_TRUE(Pump([&] { return view->closed; }, 30000));
  EXPECT_GE(jf::TickNow() - start, 30000u);
  EXPECT_LE(jf::TickNow() - start, 32000u);
  EXPECT_FALSE(InstallWorker::IsFlowTimer(flow->GetShared(), InstallFlow::kTimerPlatformWait));
  unsetenv("JF_STUB_LOG");
  jf::TickRestore();
  EXPECT_TRUE(FlushPendingReports(3000));
  EXPECT_EQ(CountRecords("1"), 1u);
}

TEST_F(FlowTest, CloseMessageAnswersAnOpenQuitQuestionWithYes) {
  view->answers = {0};
  PostMessageW(view->hwnd, WM_CLOSE, 0, 0);
  flow->OnClickClose();
  ASSERT_EQ(view->boxes.size(), 1u);
  EXPECT_EQ(view->boxes[0].text, L"是否退出安装？");
  EXPECT_EQ(view->boxes[0].title, L"退出安装");
  ASSERT_TRUE(Pump([&] { return view->closed; }, 5000));
  EXPECT_EQ(view->closeCode, 1u);
}

TEST_F(FlowTest, AgreementUntickedOnlyReminds) {
  view->agree = false;
  EXPECT_FALSE(flow->OnClickInstall());
  ASSERT_EQ(view->boxes.size(), 1u);
  EXPECT_EQ(view->boxes[0].text, L"请点击阅读 软件许可协议 并勾选同意。");
  EXPECT_FALSE(view->progressPage);
  EXPECT_EQ(flow->GetUpdateModule(), nullptr);
}

TEST_F(FlowTest, PanelAndFolderBrowserFillTheFolderAndItsTip) {
  flow->OnClickFree();
  EXPECT_TRUE(view->panel);
  EXPECT_EQ(view->folderText, L"D:\\澜铭网络\\澜铭聚峰");
  EXPECT_EQ(view->tip.color, 0xFFABAEB4u);
  view->browseAnswer = L"C:\\Games\\";
  flow->OnClickSelect();
  EXPECT_EQ(flow->GetInstallDir(), L"C:\\Games\\澜铭聚峰");
  view->SetFolderText(L"C:\\bad|name");
  EXPECT_EQ(view->tip.text, L"安装目录无效，请选择正确的目录");
  flow->OnClickFree();
  EXPECT_FALSE(view->panel);
}

class FlowLauncherTest : public FlowTest {
 protected:
  // The stand-in launcher installed in folder (host path under D:), registered for the user.
  void InstallLauncher(const std::wstring& folder) {
    FileUtils::CreateDirectoryTree(folder);
    WriteWin(folder + L"\\VarnelLauncher.exe", installer);
    chmod(Host(folder + L"\\VarnelLauncher.exe").c_str(), 0755);
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\VarnelLauncher", 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    RegSetValueExW(key, L"InstPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                   static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
  }
  // A program that runs from the given file (a copy of sleep) for a minute; its id.
  pid_t RunFrom(const std::wstring& file) {
    const std::string path = Host(file);
    WriteHost(path, ReadHost("/bin/sleep"));
    chmod(path.c_str(), 0755);
    pid_t pid = 0;
    char arg0[] = "program", arg1[] = "60";
    char* argv[] = {arg0, arg1, nullptr};
    EXPECT_EQ(posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, environ), 0);
    return pid;
  }
};

// A launcher INI is anyone's to write: a folder or another program's file named there is no
// launcher, and the run leaves that folder, its files and its programs alone.
TEST_F(FlowLauncherTest, IniNamingNoLauncherLeavesThatFolderAlone) {
  const std::wstring folder = L"D:\\Games\\澜铭聚峰";
  FileUtils::CreateDirectoryTree(folder + L"\\bin");
  WriteWin(folder + L"\\bin\\my-save.dat", "mine");
  WriteWin(folder + L"\\GameSettings.ini", "mine");
  const pid_t pid = RunFrom(folder + L"\\tool.exe");
  const std::wstring ini = CommonUtils::GetSpecialFolderPath(CSIDL_COMMON_DOCUMENTS) + L"\\VarnelLauncher";
  FileUtils::CreateDirectoryTree(ini);
  for (const std::wstring& named : {folder, folder + L"\\tool.exe"}) {
    SCOPED_TRACE(jf::ToUtf8(named));
    // The INI of the run before names the launcher it installed.
    DeleteFileW((CommonUtils::GetSpecialFolderPath(CSIDL_COMMON_APPDATA) + L"\\VarnelLaucher.ini").c_str());
    WritePrivateProfileStringW(L"VarnelCom-Launcher", L"InstallPath", named.c_str(),
                               (ini + L"\\VarnelLaucher.ini").c_str());
    StartHidden(L"D:\\games\\new");
    EXPECT_FALSE(flow->IsLauncherInstalled());
    ASSERT_TRUE(Pump([&] { return view->closed; }));
    EXPECT_EQ(RunExitCode::Get(), RunExitCode::kSuccess);
    EXPECT_EQ(ReadWin(folder + L"\\bin\\my-save.dat"), "mine");
    EXPECT_EQ(ReadWin(folder + L"\\GameSettings.ini"), "mine");
    EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), 0) << "the user's program was ended";
    FreshFlow();
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

// With -j, whether the run installs into the launcher's own folder is the file system's answer:
// "." and ".." lead to that folder, another case names another folder here.
TEST_F(FlowLauncherTest, PlatformFlagTellsTheLaunchersFolderByItsIdentity) {
  const struct {
    const wchar_t* written;
    bool same;
  } cases[] = {{L"D:\\GAMES\\JF", false}, {L"D:\\games\\..\\games\\.\\jf", true}};
  for (const auto& k : cases) {
    SCOPED_TRACE(jf::ToUtf8(k.written));
    for (const std::wstring& ini : {CommonUtils::GetSpecialFolderPath(CSIDL_COMMON_DOCUMENTS) +
                                       L"\\VarnelLauncher\\VarnelLaucher.ini",
                                   CommonUtils::GetSpecialFolderPath(CSIDL_COMMON_APPDATA) + L"\\VarnelLaucher.ini"}) {
      DeleteFileW(ini.c_str());
    }
    InstallLauncher(L"D:\\games\\jf");
    FileUtils::CreateDirectoryTree(L"D:\\games\\jf\\bin");
    WriteWin(L"D:\\games\\jf\\bin\\old.dll", "old");
    FileUtils::CreateDirectoryTree(L"D:\\GAMES\\JF");
    const pid_t pid = RunFrom(L"D:\\games\\jf\\bin\\running");
    AppConfig::Instance().jfFlag = true;
    StartHidden(k.written);
    ASSERT_TRUE(Pump([&] { return view->closed; }));
    EXPECT_EQ(RunExitCode::Get(), RunExitCode::kSuccess);
    EXPECT_EQ(ExistsWin(L"D:\\games\\jf\\bin\\old.dll"), !k.same);
    EXPECT_EQ(waitpid(pid, nullptr, WNOHANG) == 0, !k.same) << "the launcher's program ended";
    EXPECT_TRUE(ExistsWin(std::wstring(k.written) + L"\\VarnelLauncher.exe"));
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    FreshFlow();
  }
}

TEST_F(FlowLauncherTest, InstalledLauncherStartedDirectlyEndsTheRun) {
  InstallLauncher(L"D:\\old\\jf");
  view->answers = {2};
  flow->PrepareInstall();
  EXPECT_TRUE(flow->IsLauncherInstalled());
  ASSERT_TRUE(Pump([&] { return view->closed; }, 10000));
  ASSERT_EQ(view->boxes.size(), 1u);
  EXPECT_EQ(view->boxes[0].text, L"您已经安装了澜铭聚峰，是否覆盖安装？");
  EXPECT_EQ(view->boxes[0].okCaption, L"覆盖安装");
  EXPECT_EQ(view->boxes[0].cancelCaption, L"直接启动");
  EXPECT_FALSE(view->boxes[0].showClose);
  EXPECT_EQ(flow->GetUpdateModule(), nullptr);
  ASSERT_TRUE(Pump([&] { return !LauncherArgs(d_ + "/old/jf").empty(); }, 5000));
  EXPECT_NE(LauncherArgs(d_ + "/old/jf").find("-i\n314\n-d"), std::string::npos);
  EXPECT_TRUE(records.empty());
}

TEST_F(FlowLauncherTest, OverwriteOpensThePanelOnTheLaunchersFolder) {
  InstallLauncher(L"D:\\old\\jf");
  view->answers = {1};
  flow->PrepareInstall();
  ASSERT_TRUE(Pump([&] { return view->panel; }, 10000));
  EXPECT_EQ(view->folderText, L"D:\\old\\jf");
  EXPECT_FALSE(view->closed);
}

TEST_F(FlowLauncherTest, PlatformFlagProposesAFreshSiblingWithoutAsking) {
  std::wstring name = L"澜铭聚峰" + std::to_wstring(GetCurrentProcessId());
  InstallLauncher(L"D:\\" + name);
  AppConfig::Instance().jfFlag = true;
  view->agree = false;
  flow->PrepareInstall();
  EXPECT_TRUE(view->agree);
  ASSERT_TRUE(Pump([&] { return view->panel; }, 10000));
  EXPECT_TRUE(view->boxes.empty());
  EXPECT_EQ(view->folderText, L"D:\\" + name + L"_new");
}

// With -j the caller says the platform is installed, and the run installs beside it in a fresh
// folder: the launcher that runs there (perhaps the caller) and its files stay.
TEST_F(FlowLauncherTest, PlatformFlagLeavesTheInstalledLauncherAlone) {
  InstallLauncher(L"D:\\old\\jf");
  FileUtils::CreateDirectoryTree(L"D:\\old\\jf\\bin");
  WriteWin(L"D:\\old\\jf\\bin\\old.dll", "old");
  const pid_t pid = RunFrom(L"D:\\old\\jf\\bin\\running");
  AppConfig::Instance().jfFlag = true;
  flow->PrepareInstall();
  ASSERT_TRUE(Pump([&] { return view->panel; }, 10000));
  const std::wstring sibling = view->folderText;
  EXPECT_NE(sibling, L"D:\\old\\jf");
  flow->OnClickInstall();
  ASSERT_TRUE(Pump([&] { return view->closed; }));
  EXPECT_TRUE(ExistsWin(sibling + L"\\VarnelLauncher.exe"));
  EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), 0) << "the installed launcher was ended";
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  EXPECT_EQ(ReadWin(L"D:\\old\\jf\\bin\\old.dll"), "old");
  EXPECT_TRUE(ExistsWin(L"D:\\old\\jf\\VarnelLauncher.exe"));
}

// The earlier install is removed where its launcher was found, and nowhere else: the folder
// of this run (-p) is the user's, with the user's files and programs in it.
TEST_F(FlowLauncherTest, OldInstallIsRemovedWhereTheLauncherIsNotInTheFolderOfThisRun) {
  InstallLauncher(L"D:\\old\\jf");
  FileUtils::CreateDirectoryTree(L"D:\\old\\jf\\bin");
  WriteWin(L"D:\\old\\jf\\bin\\old.dll", "old");
  WriteWin(L"D:\\old\\jf\\GameSettings.ini", "old");
  FileUtils::CreateDirectoryTree(L"D:\\games\\mine\\bin");
  WriteWin(L"D:\\games\\mine\\bin\\save.dat", "mine");
  WriteWin(L"D:\\games\\mine\\GameSettings.ini", "mine");
  // A program of the user's that runs from that folder.
  const pid_t pid = RunFrom(L"D:\\games\\mine\\tool");
  StartHidden(L"D:\\games\\mine");
  EXPECT_TRUE(flow->IsLauncherInstalled());
  ASSERT_TRUE(Pump([&] { return view->closed; }));
  EXPECT_EQ(RunExitCode::Get(), RunExitCode::kSuccess);
  EXPECT_TRUE(ExistsWin(L"D:\\games\\mine\\VarnelLauncher.exe"));
  EXPECT_EQ(ReadWin(L"D:\\games\\mine\\bin\\save.dat"), "mine");
  EXPECT_EQ(ReadWin(L"D:\\games\\mine\\GameSettings.ini"), "mine");
  EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), 0) << "the user's program was ended";
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  EXPECT_FALSE(ExistsWin(L"D:\\old\\jf\\bin"));
  EXPECT_FALSE(ExistsWin(L"D:\\old\\jf\\GameSettings.ini"));
  EXPECT_FALSE(ExistsWin(L"D:\\old\\jf\\VarnelLauncher.exe"));
}

}  // namespace
