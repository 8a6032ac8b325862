#include "tests/e2e/E2eHarness.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <windows.h>

#include <shlobj.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/src/internal/paths.h"
#include "platform/src/internal/utf.h"
#include "platform/testing/hooks/teststate.h"

extern char** environ;

namespace e2e {

namespace {

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::string Python() { return access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3"; }

pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& env, const std::string& cwd,
            const std::string& out) {
  std::vector<char*> argv, envp;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
    if (!out.empty()) {
      int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
      if (fd >= 0) {
        dup2(fd, 1);
        dup2(fd, 2);
        close(fd);
      }
    }
    setpgid(0, 0);
    if (args[0].find('/') != std::string::npos) {
      execve(args[0].c_str(), argv.data(), envp.data());
    } else {
      execvpe(args[0].c_str(), argv.data(), envp.data());
    }
    _exit(127);
  }
  return pid;
}

std::vector<Json::Value> JsonLines(const std::string& path) {
  std::vector<Json::Value> out;
  std::istringstream in(ReadFile(path));
  std::string line;
  Json::CharReaderBuilder b;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    Json::Value v;
    std::string err;
    std::istringstream one(line);
    if (Json::parseFromStream(b, one, &v, &err)) out.push_back(v);
  }
  return out;
}

}  // namespace

std::string BuildDir() { return std::string(JF_TEST_BIN_DIR) + "/.."; }
std::string ProgramPath() { return BuildDir() + "/app/jfinstall"; }
std::string StandinPath() { return BuildDir() + "/tools/jfstandin"; }
std::string XDrivePath() { return BuildDir() + "/tools/jfxdrive"; }
std::string ShotDir() { return BuildDir() + "/screenshots/e2e"; }

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool FileExists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string Utf16FileAsUtf8(const std::string& path) {
  std::string raw = ReadFile(path);
  if (raw.size() < 2 || static_cast<unsigned char>(raw[0]) != 0xFF || static_cast<unsigned char>(raw[1]) != 0xFE)
    return std::string();
  return jf::ToUtf8(jf::FromUtf16LEBytes(raw.data() + 2, raw.size() - 2));
}

void Harness::Nap(int ms) { usleep(useconds_t(ms) * 1000); }

void Harness::SetUp() {
  if (needProgram_ && access(ProgramPath().c_str(), X_OK) != 0)
    GTEST_SKIP() << "the program is not built: " << ProgramPath();
  // A network namespace of this test's own: ports 80 and 8080 are free, nothing leaves.
  if (unshare(CLONE_NEWNET) != 0) GTEST_SKIP() << "no private network namespace (needs root)";
  ASSERT_EQ(system("ip link set lo up"), 0);
  char tmpl[] = "/tmp/jfe2e.XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  work_ = tmpl;
  exeDir_ = work_ + "/d/Downloads";
  for (const char* d : {"/c", "/d", "/d/Downloads", "/run"}) mkdir((work_ + d).c_str(), 0700);
  record_ = work_ + "/record.jsonl";
  control_ = work_ + "/control.json";
  stubLog_ = work_ + "/standin.jsonl";
  if (needProgram_) {
    std::string copy = "cp '" + ProgramPath() + "' '" + exeDir_ + "/jfinstall'";
    ASSERT_EQ(system(copy.c_str()), 0);
  }
  WriteIni("[Debug]\r\nLog=2\r\nUpdateURL=http://127.0.0.1/vrminiinstall.txt\r\n");
  // The same mapping in this process, for the registry and the special folders.
  setenv("JF_DRIVES", ("C=" + work_ + "/c;D=" + work_ + "/d").c_str(), 1);
  setenv("XDG_RUNTIME_DIR", (work_ + "/run").c_str(), 1);
  jf::ResetDriveMapForTests();
  mkdir((BuildDir() + "/screenshots").c_str(), 0755);
  mkdir(ShotDir().c_str(), 0755);
}

void Harness::TearDown() {
  for (Process& p : started_) {
    if (p.pid > 0 && waitpid(p.pid, nullptr, WNOHANG) == 0) {
      kill(-p.pid, SIGKILL);
      waitpid(p.pid, nullptr, 0);
    }
  }
  for (pid_t* pid : {&server_, &xvfb_}) {
    if (*pid > 0) {
      kill(-*pid, SIGTERM);
      waitpid(*pid, nullptr, 0);
      *pid = 0;
    }
  }
  if (!work_.empty() && !HasFailure()) {
    // A stand-in launcher that the run started is a process of its own and may still be
    // writing its record into the folder: the removal is tried again after it.
    std::string rm = "rm -rf '" + work_ + "'";
    bool removed = false;
    for (int i = 0; i < 10 && !removed; ++i) {
      if (i > 0) Nap(100);
      removed = system((rm + " 2>/dev/null").c_str()) == 0;
    }
    if (!removed) ADD_FAILURE() << rm;
  } else if (!work_.empty()) {
    std::cerr << "kept " << work_ << "\n";
  }
}

std::string Harness::Host(const std::string& winPath) const {
  std::string s = winPath;
  if (s.size() >= 2 && s[1] == ':') {
    std::string root = work_ + "/" + std::string(1, char(tolower(s[0])));
    s = root + s.substr(2);
  }
  for (char& c : s)
    if (c == '\\') c = '/';
  return s;
}

void Harness::StartServers(const ServerOptions& o) {
  std::vector<std::string> args = {Python(), std::string(JF_SOURCE_DIR) + "/tools/local_servers.py", "serve",
                                   "--installer", StandinPath(), "--installer-kind", o.installerKind,
                                   "--info", o.info, "--rate", std::to_string(o.rate), "--record", record_,
                                   "--control", control_, "--ready", work_ + "/ready.json"};
  server_ = Spawn(args, Env({}), work_, work_ + "/servers.out");
  ASSERT_GT(server_, 0);
  ASSERT_TRUE(Until([&] { return FileExists(work_ + "/ready.json"); }, 20)) << ReadFile(work_ + "/servers.out");
  Json::CharReaderBuilder b;
  std::istringstream in(ReadFile(work_ + "/ready.json"));
  std::string err;
  ASSERT_TRUE(Json::parseFromStream(b, in, &ready_, &err)) << err;
}

void Harness::Control(const std::string& json) {
  WriteFile(control_ + ".tmp", json);
  rename((control_ + ".tmp").c_str(), control_.c_str());
}

void Harness::WriteIni(const std::string& text) { WriteFile(exeDir_ + "/jfminiinstall.ini", text); }

std::vector<std::string> Harness::Env(const std::map<std::string, std::string>& extra) const {
  std::map<std::string, std::string> env;
  for (char** e = environ; *e; ++e) {
    std::string kv = *e;
    size_t eq = kv.find('=');
    if (eq != std::string::npos) env[kv.substr(0, eq)] = kv.substr(eq + 1);
  }
  env.erase("DISPLAY");
  env["JF_DRIVES"] = "C=" + work_ + "/c;D=" + work_ + "/d";
  env["XDG_RUNTIME_DIR"] = work_ + "/run";
  env["JF_STUB_LOG"] = stubLog_;
  if (!display_.empty()) env["DISPLAY"] = display_;
  for (const auto& kv : extra) env[kv.first] = kv.second;
  std::vector<std::string> out;
  for (const auto& kv : env) out.push_back(kv.first + "=" + kv.second);
  return out;
}

Process Harness::Start(const std::vector<std::string>& args, const std::map<std::string, std::string>& env) {
  std::vector<std::string> argv = {exeDir_ + "/jfinstall"};
  argv.insert(argv.end(), args.begin(), args.end());
  // The program's clock runs faster than the wall clock (its timers, time-outs and pauses),
  // so that its seconds-long waits do not hold the suite; a test may ask for another scale.
  std::map<std::string, std::string> withScale = env;
  withScale.emplace("JF_TICK_SCALE", "5");
  Process p;
  p.seconds = Now();
  p.pid = Spawn(argv, Env(withScale), exeDir_, work_ + "/program.out");
  started_.push_back(p);
  return p;
}

bool Harness::Wait(Process& p, double timeoutSeconds) {
  double start = p.seconds;
  for (;;) {
    int status = 0;
    pid_t r = waitpid(p.pid, &status, WNOHANG);
    if (r == p.pid) {
      p.exited = true;
      p.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      p.seconds = Now() - start;
      for (Process& s : started_)
        if (s.pid == p.pid) s.pid = 0;
      return true;
    }
    if (Now() - start > timeoutSeconds) return false;
    Nap(10);
  }
}

void Harness::Kill(Process& p) {
  kill(p.pid, SIGKILL);
  Wait(p, 10);
}

Process Harness::Run(const std::vector<std::string>& args, double timeoutSeconds,
                     const std::map<std::string, std::string>& env) {
  Process p = Start(args, env);
  if (!Wait(p, timeoutSeconds)) {
    ADD_FAILURE() << "the program did not end within " << timeoutSeconds << " s";
    Kill(p);
    p.exitCode = -1;
  }
  return p;
}

std::vector<Json::Value> Harness::Records(const std::string& kind) const {
  std::vector<Json::Value> out;
  for (const Json::Value& v : JsonLines(record_))
    if (kind.empty() || v["kind"].asString() == kind) out.push_back(v);
  return out;
}

std::vector<Json::Value> Harness::Stubs(const std::string& role) const {
  std::vector<Json::Value> out;
  for (const Json::Value& v : JsonLines(stubLog_))
    if (v["role"].asString() == role) out.push_back(v);
  return out;
}

std::vector<Json::Value> Harness::Statistics() const {
  std::vector<Json::Value> out;
  for (const Json::Value& post : Records("stat"))
    for (const Json::Value& r : post["records"]) out.push_back(r.isMember("fields") ? r["fields"] : r);
  return out;
}

std::wstring Harness::UserValue(const std::wstring& key, const std::wstring& name) {
  HKEY k = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return std::wstring();
  wchar_t buf[2048] = {};
  DWORD type = 0, size = sizeof buf - sizeof(wchar_t);
  LONG r = RegQueryValueExW(k, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
  RegCloseKey(k);
  return r == ERROR_SUCCESS ? std::wstring(buf) : std::wstring();
}

void Harness::SetUserValue(const std::wstring& key, const std::wstring& name, const std::wstring& value) {
  HKEY k = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(k, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           DWORD((value.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
  RegCloseKey(k);
}

std::string Harness::SpecialFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathW(nullptr, path, csidl, TRUE)) return std::string();
  std::string host;
  return jf::HostPathFromWin(path, host) ? host : std::string();
}

int Harness::RunTool(const std::vector<std::string>& args, std::string* out) {
  std::string file = work_ + "/tool.out";
  unlink(file.c_str());
  pid_t pid = Spawn(args, Env({}), work_, file);
  int status = 0;
  waitpid(pid, &status, 0);
  if (out) *out = ReadFile(file);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool Harness::StartDisplay() {
  if (access("/usr/bin/Xvfb", X_OK) != 0 || access(XDrivePath().c_str(), X_OK) != 0) return false;
  for (int n = 300 + int(getpid() % 300), tries = 0; tries < 10; ++n, ++tries) {
    if (FileExists("/tmp/.X" + std::to_string(n) + "-lock")) continue;
    display_ = ":" + std::to_string(n);
    xvfb_ = Spawn({"/usr/bin/Xvfb", display_, "-screen", "0", "1280x800x24", "-nolisten", "tcp"}, Env({}), work_,
                  work_ + "/xvfb.out");
    if (Until([&] { return RunTool({XDrivePath(), "windows"}) == 0; }, 10)) return true;
    kill(xvfb_, SIGTERM);
    waitpid(xvfb_, nullptr, 0);
    xvfb_ = 0;
  }
  display_.clear();
  return false;
}

bool Harness::WaitWindow(int w, int h, double seconds, long& id, int& x, int& y) {
  std::string out;
  if (RunTool({XDrivePath(), "wait", std::to_string(w), std::to_string(h), std::to_string(int(seconds * 1000))},
              &out) != 0)
    return false;
  int ww = 0, hh = 0;
  return sscanf(out.c_str(), "%ld %d %d %d %d", &id, &x, &y, &ww, &hh) == 5;
}

bool Harness::WaitWindowGone(int w, int h, double seconds) {
  return RunTool({XDrivePath(), "wait", std::to_string(w), std::to_string(h), std::to_string(int(seconds * 1000)),
                  "gone"}) == 0;
}

void Harness::Click(int x, int y) { RunTool({XDrivePath(), "click", std::to_string(x), std::to_string(y)}); }
void Harness::Type(const std::string& text) { RunTool({XDrivePath(), "type", text}); }
void Harness::Key(const std::string& name) { RunTool({XDrivePath(), "key", name}); }

std::string Harness::Shot(const std::string& name, long id) {
  std::string file = ShotDir() + "/" + name + ".png";
  RunTool({XDrivePath(), "shot", file, std::to_string(id)});
  return file;
}

}  // namespace e2e
