// Stand-in for the platform's own programs in local runs and tests: one executable that
// plays the silent installer (any name but the launcher's) and the launcher
// ("VarnelLauncher.exe"). Windows paths go through the layer's drive mapping (JF_DRIVES is
// inherited), so the files land where the installer application looks for them.
//
// Installer: switches are found anywhere in the command line, as silent installers do:
//   /S                 silent (required: the stand-in has no window)
//   /unpack=<folder>   target folder; an unquoted folder with blanks is joined back up to
//                      the next switch
//   /launch=off        do not start the launcher afterwards
// It copies itself to <folder>\VarnelLauncher.exe and writes <folder>\tmupdate.ini.
// Launcher: records its command line in "launcher-args.txt" beside itself (one argument a
// line, UTF-8) and exits, or keeps running.
//
// Knobs (environment):
//   JF_STUB_LOG=<host file>          both roles append one JSON line per run
//   JF_STUB_INSTALLER_DELAY_MS=<n>   the installer works n ms before unpacking
//   JF_STUB_INSTALLER_EXIT=<n>       the installer fails with exit code n, unpacking nothing
//   JF_STUB_VERSION=<text>           tmupdate.ini's content (default 2.4.1)
//   JF_STUB_LAUNCHER_STAY_MS=<n>     the launcher keeps running n ms (until killed)
// "Refusing to start" is a property of the served file (tools/local_servers.py --installer
// broken serves bytes that are no program).
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "platform/src/internal/paths.h"
#include "platform/src/internal/utf.h"

extern char** environ;

namespace {

std::string SelfPath() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return std::string();
  return std::string(buf, static_cast<size_t>(n));
}

std::string BaseName(const std::string& p) {
  size_t s = p.find_last_of('/');
  return s == std::string::npos ? p : p.substr(s + 1);
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return s;
}

long EnvNumber(const char* name, long fallback) {
  const char* v = getenv(name);
  if (!v || !*v) return fallback;
  return strtol(v, nullptr, 10);
}

std::string JsonString(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char b[8];
      snprintf(b, sizeof b, "\\u%04x", c);
      out += b;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

void Record(const std::string& role, int argc, char** argv, const std::string& extra) {
  const char* log = getenv("JF_STUB_LOG");
  if (!log || !*log) return;
  std::string line = "{\"role\":" + JsonString(role) + ",\"pid\":" + std::to_string(getpid()) +
                     ",\"exe\":" + JsonString(jf::ToUtf8(jf::WinPathFromHost(SelfPath()))) + ",\"argv\":[";
  for (int i = 1; i < argc; ++i) line += (i > 1 ? "," : "") + JsonString(argv[i]);
  line += "]" + extra + "}\n";
  int fd = open(log, O_WRONLY | O_CREAT | O_APPEND, 0644);
  if (fd < 0) return;
  ssize_t w = write(fd, line.data(), line.size());
  (void)w;
  close(fd);
}

bool MakeDirs(const std::string& path) {
  std::string cur;
  size_t pos = 0;
  while (pos <= path.size()) {
    size_t next = path.find('/', pos);
    if (next == std::string::npos) next = path.size();
    cur = path.substr(0, next);
    if (!cur.empty() && mkdir(cur.c_str(), 0755) != 0 && errno != EEXIST) return false;
    pos = next + 1;
  }
  return true;
}

// Copies the program's own bytes: a served installer is padded behind them, and the launcher
// needs only the program (an ELF file ends with its section header table).
bool CopyFile(const std::string& from, const std::string& to) {
  std::ifstream in(from, std::ios::binary);
  if (!in) return false;
  char head[64] = {};
  in.read(head, sizeof head);
  uint64_t limit = UINT64_MAX;
  if (in.gcount() == 64 && memcmp(head, "\x7f" "ELF", 4) == 0 && head[4] == 2) {
    uint64_t shoff = 0;
    uint16_t shentsize = 0, shnum = 0;
    memcpy(&shoff, head + 0x28, 8);
    memcpy(&shentsize, head + 0x3A, 2);
    memcpy(&shnum, head + 0x3C, 2);
    if (shoff + uint64_t(shentsize) * shnum > 64) limit = shoff + uint64_t(shentsize) * shnum;
  }
  in.clear();
  in.seekg(0);
  std::string tmp = to + ".part";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    std::vector<char> buf(1 << 16);
    uint64_t copied = 0;
    while (copied < limit && in) {
      in.read(buf.data(), std::streamsize(std::min<uint64_t>(buf.size(), limit - copied)));
      out.write(buf.data(), in.gcount());
      copied += uint64_t(in.gcount());
    }
    if (!out) return false;
  }
  chmod(tmp.c_str(), 0755);
  return rename(tmp.c_str(), to.c_str()) == 0;
}

bool WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out);
}

bool IsSwitch(const std::string& a) { return !a.empty() && (a[0] == '/' || a[0] == '-'); }

int RunInstaller(int argc, char** argv) {
  bool silent = false, launch = true;
  std::string unpack;
  bool haveUnpack = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    std::string low = Lower(a);
    if (low == "/s") {
      silent = true;
    } else if (low == "/launch=off") {
      launch = false;
    } else if (low.compare(0, 8, "/unpack=") == 0) {
      haveUnpack = true;
      unpack = a.substr(8);
      // an unquoted folder with blanks arrives in pieces: join them up to the next switch
      while (i + 1 < argc && !IsSwitch(argv[i + 1])) unpack += std::string(" ") + argv[++i];
    }
  }
  long exitCode = EnvNumber("JF_STUB_INSTALLER_EXIT", 0);
  long delay = EnvNumber("JF_STUB_INSTALLER_DELAY_MS", 0);
  Record("installer", argc, argv,
         ",\"silent\":" + std::string(silent ? "true" : "false") + ",\"launch\":" + (launch ? "true" : "false") +
             ",\"unpack\":" + JsonString(unpack));
  if (delay > 0) std::this_thread::sleep_for(std::chrono::milliseconds(delay));
  if (exitCode != 0) {
    fprintf(stderr, "stand-in installer: told to fail with %ld\n", exitCode);
    return static_cast<int>(exitCode);
  }
  if (!silent) {
    fprintf(stderr, "stand-in installer: only the silent mode (/S) exists\n");
    return 3;
  }
  if (!haveUnpack || unpack.empty()) {
    fprintf(stderr, "stand-in installer: no /unpack=<folder>\n");
    return 4;
  }
  std::string host;
  if (!jf::HostPathFromWin(jf::FromUtf8(unpack), host) || !MakeDirs(host)) {
    fprintf(stderr, "stand-in installer: cannot create %s\n", unpack.c_str());
    return 5;
  }
  std::string launcher = host + "/VarnelLauncher.exe";
  const char* version = getenv("JF_STUB_VERSION");
  if (!CopyFile(SelfPath(), launcher) || !WriteText(host + "/tmupdate.ini", version ? version : "2.4.1")) {
    fprintf(stderr, "stand-in installer: cannot write into %s\n", unpack.c_str());
    return 6;
  }
  if (launch) {
    pid_t pid;
    char* args[] = {const_cast<char*>(launcher.c_str()), nullptr};
    posix_spawn(&pid, launcher.c_str(), nullptr, nullptr, args, environ);
  }
  return 0;
}

int RunLauncher(int argc, char** argv) {
  Record("launcher", argc, argv, "");
  std::string self = SelfPath();
  std::string dir = self.substr(0, self.find_last_of('/'));
  std::string text;
  for (int i = 1; i < argc; ++i) text += std::string(argv[i]) + "\n";
  WriteText(dir + "/launcher-args.txt", text);
  long stay = EnvNumber("JF_STUB_LAUNCHER_STAY_MS", 0);
  if (stay > 0) std::this_thread::sleep_for(std::chrono::milliseconds(stay));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string name = Lower(BaseName(SelfPath()));
  if (name.find("launcher") != std::string::npos) return RunLauncher(argc, argv);
  return RunInstaller(argc, argv);
}
