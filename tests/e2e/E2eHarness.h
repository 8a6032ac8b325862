// The end-to-end harness: one test = one private network namespace (so the loopback
// profile's ports 80 and 8080 are ours), a temporary drive mapping (C: the system drive, D:
// with the program in D:\Downloads beside its "jfminiinstall.ini"), the local servers of
// tools/local_servers.py, the stand-in installer and launcher, and the program run as a
// process. Windowed tests add an Xvfb of their own and drive it with tools/jfxdrive.
#pragma once

#include <gtest/gtest.h>
#include <json/json.h>
#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

namespace e2e {

std::string BuildDir();
std::string ProgramPath();  // build/app/jfinstall
std::string StandinPath();  // build/tools/jfstandin
std::string XDrivePath();   // build/tools/jfxdrive
std::string ShotDir();      // build/screenshots/e2e
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
// The UTF-16LE bytes of a file with its FF FE mark, as UTF-8 (empty when no mark).
std::string Utf16FileAsUtf8(const std::string& path);

struct Process {
  pid_t pid = 0;
  int exitCode = -1;  // 128 + signal when killed
  bool exited = false;
  double seconds = 0;
};

struct ServerOptions {
  std::string installerKind = "normal";  // or "broken"
  std::string info = "ok";               // ok, wrong-md5, empty-md5, fail, ssl
  long rate = 0;                         // bytes per second, 0 = unthrottled
};

class Harness : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Host path of a Windows path in this test's mapping ("D:\\澜铭聚峰\\x" -> ".../d/澜铭聚峰/x").
  std::string Host(const std::string& winPath) const;
  void StartServers(const ServerOptions& options = ServerOptions());
  // Replaces the control file the servers read at every request (a JSON object).
  void Control(const std::string& json);
  void WriteIni(const std::string& text);  // D:\Downloads\jfminiinstall.ini
  // Starts the program with these arguments (environment: the mapping, the stand-in knobs).
  Process Start(const std::vector<std::string>& args, const std::map<std::string, std::string>& env = {});
  // Waits for the end; false on the time-out (the process keeps running).
  bool Wait(Process& p, double timeoutSeconds);
  void Kill(Process& p);
  Process Run(const std::vector<std::string>& args, double timeoutSeconds = 60,
              const std::map<std::string, std::string>& env = {});

  std::vector<Json::Value> Records(const std::string& kind = "") const;  // server records
  std::vector<Json::Value> Stubs(const std::string& role) const;         // stand-in records
  // Decoded statistics records (the "fields" objects), in arrival order.
  std::vector<Json::Value> Statistics() const;
  // Polls (10 ms steps) until `done` or the time-out.
  template <class F>
  bool Until(F done, double seconds) {
    for (int i = 0; i < int(seconds * 100); ++i) {
      if (done()) return true;
      Nap(10);
    }
    return done();
  }
  static void Nap(int ms);

  // Registry of the mapping's current user ("Software\\..."): value text, empty when absent.
  std::wstring UserValue(const std::wstring& key, const std::wstring& name);
  void SetUserValue(const std::wstring& key, const std::wstring& name, const std::wstring& value);
  // A special folder of the mapping (CSIDL) as a host path.
  std::string SpecialFolder(int csidl);

  // Windowed runs.
  bool StartDisplay();
  // "id x y w h" of a mapped window of that size, waiting up to `seconds`.
  bool WaitWindow(int w, int h, double seconds, long& id, int& x, int& y);
  bool WaitWindowGone(int w, int h, double seconds);
  void Click(int x, int y);
  void Type(const std::string& text);
  void Key(const std::string& name);
  // Writes build/screenshots/e2e/<name>.png of a window; returns the file.
  std::string Shot(const std::string& name, long id);

  bool needProgram_ = true;  // the harness's own test runs without the program
  std::string work_;
  std::string exeDir_;  // host folder of D:\Downloads
  std::string record_, control_, stubLog_;
  Json::Value ready_;
  pid_t server_ = 0;
  pid_t xvfb_ = 0;
  std::string display_;
  std::vector<Process> started_;

 private:
  int RunTool(const std::vector<std::string>& args, std::string* out = nullptr);
  std::vector<std::string> Env(const std::map<std::string, std::string>& extra) const;
};

}  // namespace e2e
