// An Xvfb of a test's own on a free display number, connected to the layer so that top-level
// windows become X windows, and a second ("probe") connection that plays the user and reads
// the screen. Skips when Xvfb is not installed.
#pragma once
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xlib.h>

#include <cstdio>
#include <string>

#include "platform/testing/hooks/testinput.h"

extern char** environ;

namespace jftest {

class XvfbServer {
 public:
  XvfbServer() = default;
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;
  ~XvfbServer() { Stop(); }

  static bool Available() { return access("/usr/bin/Xvfb", X_OK) == 0; }

  // A display number nobody holds (lock files), spread by process id for parallel runs; the
  // lock file must name our own server, or another run got there first. `ownIpc` starts the
  // server in an IPC namespace of its own (as root), where our shared memory is out of reach.
  bool Start(const char* screen = "1280x720x24", bool ownIpc = false) {
    int number = 600 + int(getpid() % 300);
    for (int attempt = 0; attempt < 5 && probe_ == nullptr; ++attempt, ++number) {
      while (access(LockFile(number).c_str(), F_OK) == 0) ++number;
      name_ = ":" + std::to_string(number);
      const char* argv[] = {"unshare", "--ipc", "/usr/bin/Xvfb", name_.c_str(), "-screen", "0", screen, "-nolisten",
                            "tcp", nullptr};
      const char** args = ownIpc ? argv : argv + 2;
      if (!ownIpc) args[0] = "Xvfb";
      if (posix_spawn(&server_, ownIpc ? "/usr/bin/unshare" : "/usr/bin/Xvfb", nullptr, nullptr, const_cast<char**>(args),
                      environ) != 0) {
        return false;
      }
      bool connected = false;
      for (int i = 0; i < 250 && !connected && waitpid(server_, nullptr, WNOHANG) == 0; ++i) {
        connected = LockOwner(number) == server_ && jf::TestUseDisplay(name_.c_str());
        if (!connected) usleep(20000);
      }
      if (connected) probe_ = XOpenDisplay(name_.c_str());
      if (probe_ == nullptr) Kill();
    }
    return probe_ != nullptr;
  }
  void Stop() {
    jf::TestCloseDisplay();
    if (probe_ != nullptr) XCloseDisplay(probe_);
    probe_ = nullptr;
    Kill();
  }
  Display* Probe() const { return probe_; }
  const std::string& Name() const { return name_; }

 private:
  void Kill() {
    if (server_ > 0) {
      kill(server_, SIGTERM);
      waitpid(server_, nullptr, 0);
    }
    server_ = 0;
  }
  static std::string LockFile(int number) { return "/tmp/.X" + std::to_string(number) + "-lock"; }
  static pid_t LockOwner(int number) {
    FILE* f = fopen(LockFile(number).c_str(), "r");
    if (f == nullptr) return -1;
    long pid = -1;
    if (fscanf(f, "%ld", &pid) != 1) pid = -1;
    fclose(f);
    return pid_t(pid);
  }

  pid_t server_ = 0;
  std::string name_;
  Display* probe_ = nullptr;
};

}  // namespace jftest
