// The update module against the scripted HTTP server and the real download engine: the
// information request, the stored answer, the download task, and what reaches the listener.
// The test's thread plays the main thread; time runs on the tick source.
#include <gtest/gtest.h>
#include "platform/testing/hooks/tick.h"
#include <windows.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/TempFolder.h"
#include "commonlib/CDownloadTask.h"
#include "commonlib/CDownloadTaskQueue.h"
#include "tests/support/net/DnsTestServer.h"
#include "commonlib/DownloadEngine.h"
#include "tests/support/net/HttpTestServer.h"
#include "tests/support/core/CapturedLog.h"
#include "tests/support/core/MainThreadPump.h"
#include "tests/support/net/TestCertificate.h"
#include "Updater/CUpdateModule.h"
#include "app/config/AppConfig.h"
#include "commonlib/http/SpareDnsTable.h"
#include "commonlib/core/DeploymentProfile.h"
#include "commonlib/http/CHttpMgr.h"
#include "commonlib/logger/FileLogger.h"
#include "commonlib/util/CommonUtils.h"
#include "commonlib/util/MD5.h"
#include "commonlib/util/StringUtils.h"

namespace {

using Script = HttpTestServer::Script;

// What the module told its listener, in order.
struct Event {
  Event(char k, int64_t a_ = 0, int64_t b_ = 0, int32_t c_ = 0, int32_t d_ = 0, std::wstring s1_ = L"",
        std::wstring s2_ = L"")
      : kind(k), a(a_), b(b_), c(c_), d(d_), s1(s1_), s2(s2_) {}
  char kind;  // 'i' install info, 'p' progress, 'r' download result, 'x' an operation never called
  int64_t a, b;
  int32_t c, d;
  std::wstring s1, s2;
};

struct Recorder : IGameEventListener {
  std::vector<Event> events;
  std::function<void()> onInfo, onResult;
  void Reserved0(int32_t, int32_t, int32_t, int32_t) override { events.push_back({'x'}); }
  void Reserved1(int32_t, int32_t, int32_t) override { events.push_back({'x'}); }
  void OnDownloadProgress(int64_t total, int64_t done, int32_t speed, int32_t zero) override {
    events.push_back({'p', total, done, speed, zero});
  }
  void OnDownloadResult(int32_t et, int32_t ec, const std::wstring& message) override {
    events.push_back({'r', 0, 0, et, ec, message});
    if (onResult) onResult();
  }
  void Reserved4(int32_t, int32_t, int32_t) override { events.push_back({'x'}); }
  void Reserved5(int32_t) override { events.push_back({'x'}); }
  void Reserved6(int32_t, int32_t, int32_t) override { events.push_back({'x'}); }
  void Reserved7(int32_t, int32_t) override { events.push_back({'x'}); }
  void Reserved8(int32_t, int32_t) override { events.push_back({'x'}); }
  void OnDownloadEvent(int32_t, int32_t) override { events.push_back({'x'}); }
  void OnInstallInfoResult(int32_t et, int32_t ec, const std::wstring& version, const std::wstring& md5) override {
    events.push_back({'i', 0, 0, et, ec, version, md5});
    if (onInfo) onInfo();
  }
  size_t Count(char kind) const {
    size_t n = 0;
    for (const Event& e : events) n += e.kind == kind;
    return n;
  }
  const Event* Last(char kind) const {
    for (auto it = events.rbegin(); it != events.rend(); ++it)
      if (it->kind == kind) return &*it;
    return nullptr;
  }
};

std::string Md5Hex(const std::string& data) {
  MD5 md5(reinterpret_cast<const unsigned char*>(data.data()), static_cast<uint32_t>(data.size()));
  return md5.hex_digest();
}

// An answer of the update server: the section "Install" with these lines.
std::string InstallAnswer(const std::vector<std::pair<std::string, std::string>>& keys) {
  std::string text = "[Install]\r\n";
  for (const auto& k : keys) text += k.first + "=" + k.second + "\r\n";
  return text;
}

// "jfminiinstall.ini" beside the test program; the suite holds a CTest resource lock so no
// other test program reads it meanwhile.
const std::string kProgramIni = std::string(JF_TEST_BIN_DIR) + "/jfminiinstall.ini";
void WriteProgramIni(const std::string& text) {
  FILE* f = std::fopen(kProgramIni.c_str(), "wb");
  ASSERT_NE(nullptr, f);
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
}
void RemoveProgramIni() { std::remove(kProgramIni.c_str()); }

class UpdateModuleTest : public ::testing::Test {
 public:
  static HttpTestServer::Options AnyAddress() {
    HttpTestServer::Options o;
    o.bindAddress = "0.0.0.0";  // spare addresses 127.0.0.2 and .3 reach it too
    return o;
  }
  UpdateModuleTest() : server(AnyAddress()) {}

  void SetUp() override {
    ASSERT_TRUE(server.Start());
    // The request's last resort, a fresh lookup of its host, gets a quick answer.
    ASSERT_TRUE(dns.Start());
    dns.SetAddresses("127.0.0.1", {"127.0.0.1"});
    DeploymentProfile::OverrideResolvers({"127.0.0.1"}, dns.Port());
    jf::TickOverride(7000000);
    RemoveProgramIni();
    InitSpareDnsTable(GetSpareDnsTable());
    ASSERT_TRUE(HttpCommandEngineInit());
    ASSERT_TRUE(DownloadEngine::Start());
    body = HttpTestServer::RandomBody(300000, 14);
    Script file;
    file.ranges = true;
    file.body = body;
    // Over several engine ticks, so progress is seen.
    file.trickleBytes = 20000;
    file.trickleMs = 10;
    server.Set("/vrinstaller.exe", file);
  }

  void TearDown() override {
    for (auto& m : modules) m->Stop();
    modules.clear();
    CDownloadTaskQueue& queue = CDownloadTaskQueue::GetInstance();
    while (!queue.GetTasks().empty()) queue.RemoveTask(queue.GetTasks().front()->GetFullName());
    MainThreadPump::Drain();
    DownloadEngine::Stop();
    HttpCommandEngineUninit();
    MainThreadPump::Drain();
    server.Stop();
    RemoveProgramIni();
    InitSpareDnsTable(GetSpareDnsTable());
    DeploymentProfile::RestoreResolvers();
    jf::TickRestore();
  }

  // A module as the main window makes one, its information from `url` (built-in when empty).
  CUpdateModule* Make(const std::wstring& folder, const std::string& url = "") {
    if (!url.empty()) WriteProgramIni("[Debug]\r\nUpdateURL=" + url + "\r\n");
    modules.push_back(std::make_unique<CUpdateModule>(folder, &listener, 0));
    RemoveProgramIni();
    CUpdateModule* m = modules.back().get();
    EXPECT_EQ(0u, m->CreateHelperWindow());
    return m;
  }
  // Makes, creates the folder and asks, as a download attempt starts.
  CUpdateModule* Start(const std::wstring& folder, const std::string& url) {
    CUpdateModule* m = Make(folder, url);
    EXPECT_EQ(0u, m->CreateDownloadDir());
    m->RequestInstallInfo();
    return m;
  }
  CUpdateModule* Start() { return Start(dir.Win(L"down"), server.Url("/info.txt")); }
  void Answer(const std::string& text, const std::string& path = "/info.txt") { server.SetBody(path, text); }
  // A good answer whose installer stops after its first kilobyte until the stalls are released.
  void ServeHeldInstaller() {
    Script held;
    held.ranges = true;
    held.body = body;
    held.stallAfter = 1000;
    server.Set("/vrinstaller.exe", held);
    Answer(GoodAnswer());
  }
  // An answer naming these bytes as the installer.
  std::string AnswerFor(const std::string& bytes, const std::string& version) {
    return InstallAnswer({{"Url", server.Url("/vrinstaller.exe")},
                          {"Md5", Md5Hex(bytes)},
                          {"Size", std::to_string(bytes.size())},
                          {"Version", version}});
  }
  std::string GoodAnswer(const std::string& version = "2.0.1") { return AnswerFor(body, version); }

  // The main loop: window messages (the engine timer among them), queued tasks, and the
  // request timer's retries, the clock running 250 ms every ten rounds.
  bool Run(const std::function<bool()>& done, int timeoutMs = 20000) {
    int round = 0;
    MSG msg;
    return MainThreadPump::Until(
        [&] {
          while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
          if (done()) return true;
          if (++round % 10 == 0) {
            jf::TickAdvance(250);
            if (g_commandManager) g_commandManager->ResumeDueRetries();
            if (g_downloadManager) g_downloadManager->ResumeDueRetries();
          }
          return false;
        },
        timeoutMs);
  }
  bool RunUntilEvent(char kind, size_t count = 1) {
    return Run([&] { return listener.Count(kind) >= count; });
  }
  // Whatever is still under way gets the time to arrive.
  void Settle(int rounds = 200) {
    int n = 0;
    Run([&] { return ++n > rounds; });
  }
  std::vector<std::string> IniFiles() const {
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir.Host("down"), ec))
      if (e.path().filename().string().rfind("jfinstall_", 0) == 0) out.push_back(e.path().filename().string());
    return out;
  }

  HttpTestServer server;
  DnsTestServer dns;
  TempFolder dir;
  Recorder listener;
  std::string body;
  std::vector<std::unique_ptr<CUpdateModule>> modules;
};

TEST_F(UpdateModuleTest, ConstructionWindowClassesAndAddresses) {
  CUpdateModule* a = Make(dir.Win(L"a"));
  CUpdateModule* b = Make(dir.Win(L"b"), "http://127.0.0.1:1/x.txt");
  // Two modules, two classes numbered one after the other.
  const std::wstring prefix = L"_UPDATE_MODULE_HELPER_WINDOW_VARNEL";
  ASSERT_EQ(0u, a->GetWindowClassName().rfind(prefix, 0));
  const int na = std::stoi(a->GetWindowClassName().substr(prefix.size()));
  EXPECT_EQ(prefix + std::to_wstring(na + 1), b->GetWindowClassName());
  ASSERT_TRUE(IsWindow(a->GetMessageWindow()));
  EXPECT_NE(a->GetMessageWindow(), b->GetMessageWindow());
  EXPECT_EQ(reinterpret_cast<LONG_PTR>(a), GetWindowLongPtrW(a->GetMessageWindow(), GWLP_USERDATA));
  for (UINT m : {0x7EBu, 0x7EFu, static_cast<UINT>(WM_TIMER)}) EXPECT_EQ(0, SendMessageW(a->GetMessageWindow(), m, 1, 1));

  EXPECT_EQ("{\"game\":\"JF_mini_downloader\",\"type\":2}", a->GetOptionsText());
  EXPECT_EQ(DeploymentProfile::UpdateUrls(), a->GetUrlList());
  ASSERT_EQ(3u, a->GetUrlList().size());
  EXPECT_EQ(0u, a->GetUrlList()[0].rfind(L"https://", 0));
  EXPECT_EQ(std::vector<std::wstring>{L"http://127.0.0.1:1/x.txt"}, b->GetUrlList());
  // An empty UpdateURL keeps the built-in addresses.
  WriteProgramIni("[Debug]\r\nUpdateURL=\r\nLog=0\r\n");
  CUpdateModule c(dir.Win(L"c"), &listener, 0);
  RemoveProgramIni();
  EXPECT_EQ(DeploymentProfile::UpdateUrls(), c.GetUrlList());

  // Stop removes the window and its class; nothing posted to it arrives any more.
  const HWND window = a->GetMessageWindow();
  const std::wstring cls = a->GetWindowClassName();
  a->Stop();
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(nullptr, a->GetMessageWindow());
  WNDCLASSW info;
  EXPECT_FALSE(GetClassInfoW(GetModuleHandleW(nullptr), cls.c_str(), &info));
  CUpdateModule::OnDownloadDoneCallback(reinterpret_cast<uintptr_t>(window), 0, 0);
  CUpdateModule::OnDownloadProgressCallback(reinterpret_cast<uintptr_t>(window), 5, 1, 1);
  // The request's result for a window without a module is dropped, not posted: no post
  // failure is logged.
  const std::string log = dir.Host("um.jfelog");
  ASSERT_TRUE(FileLogger::Instance().Open(StringUtils::FromUtf8(log)));
  CUpdateModule::OnInfoHttpDone(window, "[Install]\r\nUrl=x\r\n", 0, 0);
  CUpdateModule::OnInfoHttpDone(nullptr, "", 1, 2);
  FileLogger::Instance().Close();
  for (const std::wstring& line : CapturedLog::ReadFileLog(log)) {
    EXPECT_EQ(std::wstring::npos, line.find(L"[UM] post message failed")) << StringUtils::WideToUtf8(line);
  }
  // A destroyed module leaves no window that points at it.
  const HWND other = b->GetMessageWindow();
  modules.pop_back();
  EXPECT_FALSE(IsWindow(other));
  Settle(20);
  EXPECT_TRUE(listener.events.empty());
}

// The bytes of the small test program that stands in for an installer.
std::string ChildProgram() {
  std::string child;
  FILE* f = std::fopen((std::string(JF_TEST_BIN_DIR) + "/jf_child").c_str(), "rb");
  if (f == nullptr) return child;
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) child.append(buffer, n);
  std::fclose(f);
  return child;
}

// A program of the installer's name, running from folder (host path below the test folder).
PROCESS_INFORMATION StartInstallerNamed(TempFolder& dir, const std::string& folder) {
  std::filesystem::create_directories(dir.Host(folder));
  std::filesystem::copy_file(std::string(JF_TEST_BIN_DIR) + "/jf_child", dir.Host(folder + "/vrinstaller.exe"));
  std::wstring command = L"vrinstaller.exe sleep=60000";
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION info = {};
  EXPECT_TRUE(CreateProcessW(dir.Win(StringUtils::FromUtf8(folder) + L"\\vrinstaller.exe").c_str(), &command[0],
                             nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &info));
  return info;
}

void EndProcess(PROCESS_INFORMATION& p) {
  TerminateProcess(p.hProcess, 0);
  WaitForSingleObject(p.hProcess, 5000);
  CloseHandle(p.hProcess);
  CloseHandle(p.hThread);
}

TEST_F(UpdateModuleTest, GoodDownloadReachesTheListenerInOrderAndSparesOtherInstallers) {
  Answer(GoodAnswer());
  // Another run's (or user's) installer of the same name, in a folder of its own.
  PROCESS_INFORMATION other = StartInstallerNamed(dir, "other");
  ASSERT_TRUE(Run([] { return CommonUtils::IsProcessRunning(L"vrinstaller.exe"); }));

  CUpdateModule* m = nullptr;
  // The engine holds the task with every field when the listener hears of the answer.
  bool checked = false;
  listener.onInfo = [&] {
    CDownloadTask* task = CDownloadTaskQueue::GetInstance().FindTaskByFullName(dir.Win(L"down\\vrinstaller.exe"));
    ASSERT_NE(nullptr, task);
    checked = true;
    EXPECT_EQ(StringUtils::FromUtf8(server.Url("/vrinstaller.exe")), task->GetUrl());
    EXPECT_EQ(StringUtils::FromUtf8(Md5Hex(body)), task->GetMd5());
    EXPECT_EQ(static_cast<int64_t>(body.size()), task->GetSize());
    std::wstring spares;
    for (const auto& s : task->GetSpareAddresses()) spares += (spares.empty() ? L"" : L";") + s;
    EXPECT_EQ(GetSpareDnsTable().downloadAddresses, spares);
    EXPECT_EQ(L"JF_mini_downloader", task->GetLog()->m_record.get(L"game").string());
    EXPECT_EQ(2, task->GetLog()->m_record.get(L"type").integer());
    EXPECT_TRUE(m->IsDownloading());
    EXPECT_EQ(dir.Win(L"down\\vrinstaller_2.0.1.tmp"), m->GetPartialName());
  };

  // The first lookup picked another spare list before the download starts.
  const auto selector = DeploymentProfile::SpareSelectorLists()[2];
  dns_result_callback(0, nullptr, "spare.test", StringUtils::ToUtf8(selector.first));
  ASSERT_EQ(selector.second, GetSpareDnsTable().downloadAddresses);
  m = Start();
  ASSERT_TRUE(RunUntilEvent('r'));
  EXPECT_TRUE(checked);
  // It is not the downloaded file: it runs on.
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(other.hProcess, 0));
  EndProcess(other);

  // One plain GET of the one configured address.
  const auto asked = server.RequestsFor("/info.txt");
  ASSERT_EQ(1u, asked.size());
  EXPECT_EQ("GET", asked[0].method);
  EXPECT_EQ("", asked[0].body);

  ASSERT_GE(listener.Count('p'), 1u);
  const Event& info = listener.events.front();
  EXPECT_EQ('i', info.kind);
  EXPECT_EQ(0, info.c);
  EXPECT_EQ(0, info.d);
  EXPECT_EQ(L"2.0.1", info.s1);
  EXPECT_EQ(StringUtils::FromUtf8(Md5Hex(body)), info.s2);
  const Event& result = listener.events.back();
  EXPECT_EQ('r', result.kind);
  EXPECT_EQ(0, result.c);
  EXPECT_EQ(0, result.d);
  EXPECT_EQ(L"", result.s1);
  // Progress between them, growing to the whole file, its fourth figure always 0.
  EXPECT_EQ(listener.events.size() - 2, listener.Count('p'));
  int64_t last = -1;
  for (size_t i = 1; i + 1 < listener.events.size(); ++i) {
    const Event& e = listener.events[i];
    EXPECT_EQ(static_cast<int64_t>(body.size()), e.a);
    EXPECT_GE(e.b, last);
    last = e.b;
    EXPECT_EQ(0, e.d);
  }
  EXPECT_EQ(0u, listener.Count('x'));

  EXPECT_EQ(body, dir.Read("down/vrinstaller.exe"));
  EXPECT_TRUE(IniFiles().empty());
  EXPECT_FALSE(m->IsDownloading());
  EXPECT_EQ(nullptr, CDownloadTaskQueue::GetInstance().FindTaskByFullName(m->GetInstallerPath()));

  // A second completion of the same attempt, and one after Stop, change nothing.
  const size_t before = listener.events.size();
  PostMessageW(m->GetMessageWindow(), CUpdateModule::kMsgDownloadDone, 3, 7);
  PostMessageW(m->GetMessageWindow(), CUpdateModule::kMsgProgress, 0, 0);
  Settle(20);
  const HWND window = m->GetMessageWindow();
  m->Stop();
  CUpdateModule::OnDownloadDoneCallback(reinterpret_cast<uintptr_t>(window), 0, 0);
  Settle(20);
  EXPECT_EQ(before, listener.events.size());
}

struct AnswerCase {
  const char* name;
  std::function<std::string(UpdateModuleTest&)> answer;
  std::function<void(UpdateModuleTest&, CUpdateModule&)> check;
};

TEST_F(UpdateModuleTest, AnswerFormsAreReadAsTheServerMeantThem) {
  // Counted by the engine's requests: where the installer was fetched from.
  const AnswerCase cases[] = {
      {"ssl address replaces the address",
       [](UpdateModuleTest& t) {
         return InstallAnswer({{"Url", t.server.Url("/missing.exe")},
                               {"SSLUrl", t.server.Url("/vrinstaller.exe")},
                               {"Md5", Md5Hex(t.body)},
                               {"Size", std::to_string(t.body.size())},
                               {"Version", "3.0"}});
       },
       [](UpdateModuleTest& t, CUpdateModule& m) {
         EXPECT_EQ(StringUtils::FromUtf8(t.server.Url("/vrinstaller.exe")), m.GetInstallInfo().url);
         EXPECT_EQ(m.GetInstallInfo().url, m.GetInstallInfo().sslUrl);
         EXPECT_TRUE(t.server.RequestsFor("/missing.exe").empty());
         EXPECT_FALSE(t.server.RequestsFor("/vrinstaller.exe").empty());
         EXPECT_EQ(0, m.GetInstallInfo().cdnMinSpeed);  // absent: 0
       }},
      {"byte-order mark before the section",
       [](UpdateModuleTest& t) { return "\xEF\xBB\xBF" + t.GoodAnswer("4.1"); },
       [](UpdateModuleTest& t, CUpdateModule& m) {
         EXPECT_EQ(L"4.1", m.GetInstallInfo().version);
         EXPECT_EQ(t.body, t.dir.Read("down/vrinstaller.exe"));
       }},
      {"cdn host and minimum speed reach the engine",
       [](UpdateModuleTest& t) {
         // Only the alternative host serves the file: the download can only end well
         // through it.
         Script s;
         s.ranges = true;
         s.body = t.body;
         t.server.SetHandler("/cdn-only.exe", [s](const HttpTestServer::Request& r) {
           Script answer = s;
           if (r.Header("Host").rfind("localhost", 0) != 0) {
             answer.status = 404;
             answer.ranges = false;
             answer.body.clear();
           }
           return answer;
         });
         return InstallAnswer({{"Url", t.server.Url("/cdn-only.exe")},
                               {"ThirdCDNHost", "localhost"},
                               {"ThirdCDNMinSpeed", "123456"},
                               {"Md5", Md5Hex(t.body)},
                               {"murl", "http://m/"},
                               {"Size", std::to_string(t.body.size())},
                               {"Version", "5"}});
       },
       [](UpdateModuleTest& t, CUpdateModule& m) {
         EXPECT_EQ(L"localhost", m.GetInstallInfo().cdnHost);
         EXPECT_EQ(123456, m.GetInstallInfo().cdnMinSpeed);
         EXPECT_EQ(L"http://m/", m.GetInstallInfo().murl);
         EXPECT_EQ(0, t.listener.Last('r')->c);
         EXPECT_EQ(t.body, t.dir.Read("down/vrinstaller.exe"));
         bool viaCdn = false;
         for (const auto& r : t.server.RequestsFor("/cdn-only.exe")) viaCdn |= r.Header("Host").rfind("localhost", 0) == 0;
         EXPECT_TRUE(viaCdn);
       }},
      {"minimum speed that is no number",
       [](UpdateModuleTest& t) {
         return InstallAnswer({{"Url", t.server.Url("/vrinstaller.exe")},
                               {"Size", std::to_string(t.body.size())},
                               {"ThirdCDNMinSpeed", "fast"}});
       },
       [](UpdateModuleTest&, CUpdateModule& m) { EXPECT_EQ(0, m.GetInstallInfo().cdnMinSpeed); }},
  };
  for (const AnswerCase& k : cases) {
    SCOPED_TRACE(k.name);
    listener.events.clear();
    server.SetBody("/info.txt", k.answer(*this));
    CUpdateModule* m = Start();
    ASSERT_TRUE(RunUntilEvent('r'));
    const Event* info = listener.Last('i');
    ASSERT_NE(nullptr, info);
    EXPECT_EQ(0, info->c);
    k.check(*this, *m);
    EXPECT_TRUE(IniFiles().empty());
    m->Stop();
    std::filesystem::remove_all(dir.Host("down"));
  }
}

TEST_F(UpdateModuleTest, AnswerWithoutAUsableInstallerIsAFailedAnswer) {
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, std::string>> keys;  // "URL" stands for the installer's address
  };
  const std::string md5 = Md5Hex(body), size = std::to_string(body.size());
  const Case cases[] = {
      {"no Url", {{"Md5", md5}, {"Size", size}, {"Version", "1"}}},
      {"empty Url and SSLUrl", {{"Url", ""}, {"SSLUrl", ""}, {"Md5", md5}, {"Size", size}}},
      {"no Size", {{"Url", "URL"}, {"Md5", md5}}},
      {"Size 0", {{"Url", "URL"}, {"Md5", md5}, {"Size", "0"}}},
      {"Size no number", {{"Url", "URL"}, {"Md5", md5}, {"Size", "big"}}},
      {"Size negative", {{"Url", "URL"}, {"Md5", md5}, {"Size", "-5"}}},
      {"Md5 too short", {{"Url", "URL"}, {"Md5", md5.substr(1)}, {"Size", size}}},
      {"Md5 no hex", {{"Url", "URL"}, {"Md5", std::string(32, 'z')}, {"Size", size}}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    listener.events.clear();
    auto keys = k.keys;
    for (auto& key : keys)
      if (key.second == "URL") key.second = server.Url("/vrinstaller.exe");
    Answer(InstallAnswer(keys));
    CUpdateModule* m = Start();
    ASSERT_TRUE(RunUntilEvent('i'));
    EXPECT_EQ(CUpdateModule::kUnusableAnswer.type, listener.Last('i')->c);
    EXPECT_EQ(CUpdateModule::kUnusableAnswer.code, listener.Last('i')->d);
    EXPECT_NE(0, listener.Last('i')->c);
    EXPECT_FALSE(m->IsDownloading());
    Settle(50);
    EXPECT_EQ(0u, listener.Count('r'));
    EXPECT_FALSE(dir.Exists("down/vrinstaller.exe")) << "no empty installer is left";
    EXPECT_TRUE(IniFiles().empty());
    m->Stop();
  }
  EXPECT_TRUE(server.RequestsFor("/vrinstaller.exe").empty());
}

TEST_F(UpdateModuleTest, HostileVersionStaysInsideTheDownloadFolder) {
  // A failed download deletes its partial file when it is empty: an empty file outside the
  // folder, where the unfiltered version would point, must survive.
  dir.Write("victim.tmp", "");
  ASSERT_TRUE(dir.Exists("victim.tmp"));
  Script missing;
  missing.status = 404;
  server.Set("/vrinstaller.exe", missing);
  Answer(InstallAnswer({{"Url", server.Url("/vrinstaller.exe")}, {"Size", "100"}, {"Version", "\\..\\..\\victim"}}));
  CUpdateModule* m = Start();
  ASSERT_TRUE(RunUntilEvent('r'));
  const Event* result = listener.Last('r');
  EXPECT_NE(0, result->c);
  EXPECT_EQ(L"安装失败", result->s1);
  EXPECT_EQ(dir.Win(L"down\\vrinstaller_....victim.tmp"), m->GetPartialName());
  EXPECT_TRUE(dir.Exists("victim.tmp"));
  // The listener still hears the server's own text.
  EXPECT_EQ(L"\\..\\..\\victim", listener.Last('i')->s1);
  EXPECT_FALSE(m->IsDownloading());
}

TEST_F(UpdateModuleTest, FailedRequestIsReportedAndARetryStartsAgain) {
  Script down;
  down.status = 503;
  server.Set("/info.txt", down);
  CUpdateModule* m = Start();
  ASSERT_TRUE(RunUntilEvent('i'));
  const Event first = *listener.Last('i');
  EXPECT_NE(0, first.c);
  EXPECT_EQ(L"", first.s1);
  EXPECT_EQ(L"", first.s2);
  EXPECT_TRUE(IniFiles().empty());
  EXPECT_EQ(nullptr, CDownloadTaskQueue::GetInstance().FindTaskByFullName(dir.Win(L"down\\vrinstaller.exe")));
  EXPECT_EQ(0u, listener.Count('r'));

  // The window's retry asks the same module again, from the first address.
  Answer(GoodAnswer("6.0"));
  m->RequestInstallInfo();
  ASSERT_TRUE(RunUntilEvent('r'));
  EXPECT_EQ(0, listener.Last('i')->c);
  EXPECT_EQ(L"6.0", listener.Last('i')->s1);
  EXPECT_EQ(0, listener.Last('r')->c);
  EXPECT_EQ("127.0.0.1", server.RequestsFor("/info.txt").back().Header("Host").substr(0, 9));
}

TEST_F(UpdateModuleTest, UnusableDownloadFolderEndsInAFailurePair) {
  // A folder below a file cannot be made: the attempt goes to the failure path.
  dir.Write("plain", "x");
  CUpdateModule* m = Make(dir.Win(L"plain\\down"), server.Url("/info.txt"));
  const DWORD error = m->CreateDownloadDir();
  EXPECT_NE(0u, error);
  m->ReportAttemptFailure(error);
  EXPECT_TRUE(listener.events.empty());  // after the current dispatch
  ASSERT_TRUE(RunUntilEvent('i'));
  EXPECT_EQ(1, listener.Last('i')->c);
  EXPECT_EQ(static_cast<int32_t>(error), listener.Last('i')->d);
  m->Stop();
  m->ReportAttemptFailure(5);  // no window: at once
  EXPECT_EQ(2u, listener.Count('i'));

  // The folder goes while the request runs: the answer cannot be stored.
  listener.events.clear();
  server.SetHandler("/info.txt", [this](const HttpTestServer::Request&) {
    std::filesystem::remove_all(dir.Host("down"));
    dir.Write("down", "now a file");
    Script s;
    s.body = GoodAnswer();
    return s;
  });
  Start();
  ASSERT_TRUE(RunUntilEvent('i'));
  EXPECT_EQ(1, listener.Last('i')->c);
  EXPECT_NE(0, listener.Last('i')->d);
  Settle();
  EXPECT_EQ(0u, listener.Count('r'));
  EXPECT_TRUE(server.RequestsFor("/vrinstaller.exe").empty());
}

TEST_F(UpdateModuleTest, DownloadThatCannotStartIsAFailedAnswer) {
  // A relative folder takes the stored answer (below the current folder) but cannot be made
  // as a tree: without a download no result would ever follow, so the answer counts as failed.
  std::filesystem::create_directories(dir.Host("down"));
  wchar_t previous[1024];
  ASSERT_NE(0u, GetCurrentDirectoryW(1024, previous));
  ASSERT_TRUE(SetCurrentDirectoryW(dir.Win().c_str()));
  Answer(GoodAnswer());
  CUpdateModule* m = Make(L"down", server.Url("/info.txt"));
  m->RequestInstallInfo();
  const bool answered = RunUntilEvent('i');
  SetCurrentDirectoryW(previous);
  ASSERT_TRUE(answered);
  EXPECT_EQ(1, listener.Last('i')->c);
  EXPECT_EQ(ERROR_PATH_NOT_FOUND, listener.Last('i')->d);
  EXPECT_EQ(L"2.0.1", listener.Last('i')->s1);
  EXPECT_FALSE(m->IsDownloading());
  EXPECT_TRUE(IniFiles().empty());
  Settle(50);
  EXPECT_TRUE(server.RequestsFor("/vrinstaller.exe").empty());
}

// The download folder may be written with a trailing separator or with "/": it names the same
// installer file all the same.
enum class Written { kAsIs, kTrailingSeparator, kSlashes };

class UpdateModuleFolderTest : public UpdateModuleTest {
 protected:
  std::wstring Down(Written written) {
    const std::wstring canonical = dir.Win(L"down");
    if (written == Written::kSlashes) return StringUtils::ReplaceAll(canonical, L"\\", L"/");
    return written == Written::kTrailingSeparator ? canonical + L"\\" : canonical;
  }
};

struct StaleInstaller {
  const char* name;
  bool whole;  // the file in the folder is whole already, else the download replaces it
  Written written;
};
void PrintTo(const StaleInstaller& k, std::ostream* os) { *os << k.name; }

class UpdateModuleStaleInstallerTest : public UpdateModuleFolderTest,
                                       public ::testing::WithParamInterface<StaleInstaller> {};

// A stale start of the installer runs from the download folder. Either the file there is whole
// already (the engine completes without fetching), or the download replaces it while it runs.
// Either way that process is ended before the listener hears of the success; one of the same
// name elsewhere runs on. Stop after the end looks for no task that the engine has ended
// already (no error in the log).
TEST_P(UpdateModuleStaleInstallerTest, IsEndedBeforeTheSuccess) {
  const StaleInstaller& k = GetParam();
  const std::string bytes = k.whole ? ChildProgram() : body;
  ASSERT_FALSE(bytes.empty());
  Answer(AnswerFor(bytes, "7"));
  PROCESS_INFORMATION stale = StartInstallerNamed(dir, "down");
  PROCESS_INFORMATION other = StartInstallerNamed(dir, "other");
  ASSERT_TRUE(Run([] { return CommonUtils::IsProcessRunning(L"vrinstaller.exe"); }));
  DWORD staleWait = WAIT_TIMEOUT;
  listener.onResult = [&] { staleWait = WaitForSingleObject(stale.hProcess, 2000); };
  CapturedLog log;
  CUpdateModule* m = Start(Down(k.written), server.Url("/info.txt"));
  ASSERT_TRUE(RunUntilEvent('r'));
  EXPECT_EQ(0, listener.Last('r')->c);
  EXPECT_EQ(bytes, dir.Read("down/vrinstaller.exe"));
  EXPECT_EQ(dir.Win(L"down\\vrinstaller.exe"), m->GetInstallerPath());
  EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), staleWait);
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(other.hProcess, 0));
  m->Stop();
  EXPECT_EQ(0u, log.CountContaining(L"未找到对应task"));
  listener.onResult = nullptr;
  EndProcess(stale);
  EndProcess(other);
}

INSTANTIATE_TEST_SUITE_P(
    Folder, UpdateModuleStaleInstallerTest,
    ::testing::Values(StaleInstaller{"FileAlreadyWhole", true, Written::kAsIs},
                      StaleInstaller{"FileReplacedWhileItRuns", false, Written::kAsIs},
                      StaleInstaller{"FolderWithATrailingSeparator", true, Written::kTrailingSeparator},
                      StaleInstaller{"FolderWrittenWithSlashes", true, Written::kSlashes}),
    [](const ::testing::TestParamInfo<StaleInstaller>& info) { return std::string(info.param.name); });

class UpdateModuleStopTest : public UpdateModuleFolderTest, public ::testing::WithParamInterface<Written> {};

// Stop during the download removes the engine's task, and nothing reaches the listener after.
TEST_P(UpdateModuleStopTest, DuringTheDownloadSilencesTheModule) {
  ServeHeldInstaller();
  CUpdateModule* m = Start(Down(GetParam()), server.Url("/info.txt"));
  ASSERT_TRUE(RunUntilEvent('i'));
  ASSERT_TRUE(Run([&] { return !server.RequestsFor("/vrinstaller.exe").empty(); }));
  m->Stop();
  EXPECT_TRUE(CDownloadTaskQueue::GetInstance().GetTasks().empty());
  const size_t before = listener.events.size();
  server.ReleaseStalls();
  Settle();
  EXPECT_EQ(before, listener.events.size());
  EXPECT_FALSE(m->IsDownloading());
}

const char* const kWrittenNames[] = {"AsIs", "WithATrailingSeparator", "WrittenWithSlashes"};
void PrintTo(Written written, std::ostream* os) { *os << kWrittenNames[static_cast<int>(written)]; }
std::string WrittenName(const ::testing::TestParamInfo<Written>& info) {
  return kWrittenNames[static_cast<int>(info.param)];
}
INSTANTIATE_TEST_SUITE_P(Folder, UpdateModuleStopTest,
                         ::testing::Values(Written::kAsIs, Written::kTrailingSeparator, Written::kSlashes), WrittenName);

TEST_F(UpdateModuleTest, HttpsAnswersOnlyWithAMatchingHostName) {
  // The server's host name is checked on https addresses (its chain is not).
  for (bool matching : {false, true}) {
    SCOPED_TRACE(matching);
    listener.events.clear();
    TestCertificate cert = matching ? TestCertificate::Generate({"localhost"}, {"127.0.0.1", "127.0.0.2", "127.0.0.3"})
                                    : TestCertificate::Generate({"other.test"});
    ASSERT_TRUE(cert.Valid());
    HttpTestServer::Options o = AnyAddress();
    o.certPem = cert.CertPem();
    o.keyPem = cert.KeyPem();
    HttpTestServer tls(o);
    ASSERT_TRUE(tls.Start());
    tls.SetBody("/info.txt", GoodAnswer());
    CUpdateModule* m = Start(dir.Win(L"down"), tls.Url("/info.txt"));
    ASSERT_TRUE(RunUntilEvent('i'));
    EXPECT_EQ(matching ? 0 : 1, listener.Last('i')->c != 0 ? 1 : 0);
    m->Stop();
    modules.pop_back();
  }
}

// Listeners on the built-in addresses' own ports, which record the order of the requests:
// 127.0.0.1:443 and 127.0.0.1:80 fail, 127.0.0.2:80 answers `answer`.
class BuiltInHosts {
 public:
  explicit BuiltInHosts(const std::string& answer) : m_answer(answer) {}
  ~BuiltInHosts() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
    for (int fd : m_fds) close(fd);
  }
  bool Start() {
    const std::pair<const char*, uint16_t> ends[] = {{"127.0.0.1", 443}, {"127.0.0.1", 80}, {"127.0.0.2", 80}};
    for (const auto& e : ends) {
      int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
      int on = 1;
      setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
      sockaddr_in a{};
      a.sin_family = AF_INET;
      a.sin_port = htons(e.second);
      inet_pton(AF_INET, e.first, &a.sin_addr);
      if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd, 16) != 0) {
        close(fd);
        return false;
      }
      m_fds.push_back(fd);
    }
    m_thread = std::thread([this] { Loop(); });
    return true;
  }
  std::vector<int> Order() {
    std::lock_guard<std::mutex> g(m_lock);
    return m_order;
  }

 private:
  void Loop() {
    while (!m_stop) {
      pollfd p[3];
      for (int i = 0; i < 3; ++i) p[i] = {m_fds[i], POLLIN, 0};
      if (poll(p, 3, 20) <= 0) continue;
      for (int i = 0; i < 3; ++i) {
        if (!(p[i].revents & POLLIN)) continue;
        int c = accept(m_fds[i], nullptr, nullptr);
        if (c < 0) continue;
        {
          std::lock_guard<std::mutex> g(m_lock);
          m_order.push_back(i);
        }
        if (i > 0) {
          std::string request;
          char buf[2048];
          pollfd q{c, POLLIN, 0};
          while (request.find("\r\n\r\n") == std::string::npos && poll(&q, 1, 2000) > 0) {
            ssize_t n = recv(c, buf, sizeof buf, 0);
            if (n <= 0) break;
            request.append(buf, static_cast<size_t>(n));
          }
          const std::string reply =
              i == 1 ? "HTTP/1.1 503 Busy\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"
                     : "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(m_answer.size()) +
                           "\r\nConnection: close\r\n\r\n" + m_answer;
          (void)!send(c, reply.data(), reply.size(), MSG_NOSIGNAL);
        }
        close(c);
      }
    }
  }

  std::string m_answer;
  std::vector<int> m_fds;
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
  std::mutex m_lock;
  std::vector<int> m_order;
};

TEST_F(UpdateModuleTest, BuiltInAddressesAreTriedInTheirOrder) {
  BuiltInHosts hosts(GoodAnswer("7.0"));
  ASSERT_TRUE(hosts.Start()) << "the built-in addresses' ports are taken";
  CUpdateModule* m = Make(dir.Win(L"down"));
  ASSERT_EQ(0u, m->CreateDownloadDir());
  m->RequestInstallInfo();
  ASSERT_TRUE(RunUntilEvent('i'));
  EXPECT_EQ(0, listener.Last('i')->c);
  EXPECT_EQ(L"7.0", listener.Last('i')->s1);
  // Each address's first request comes after the previous address's.
  std::vector<int> firsts;
  for (int i : hosts.Order())
    if (std::find(firsts.begin(), firsts.end(), i) == firsts.end()) firsts.push_back(i);
  EXPECT_EQ((std::vector<int>{0, 1, 2}), firsts);
  EXPECT_TRUE(IniFiles().empty());
}

}  // namespace
