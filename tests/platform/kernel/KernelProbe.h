// Runs the jf_mutex_probe helper as a child process for the kernel tests.
#pragma once
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

extern char** environ;

namespace kerneltest {

class Probe {
 public:
  // Starts the helper with `args`; its standard output and input are pipes to this process.
  explicit Probe(const std::vector<std::string>& args) {
    std::string path = std::string(JF_TEST_BIN_DIR) + "/jf_mutex_probe";
    int out[2], in[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(in, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    std::vector<char*> argv{const_cast<char*>(path.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, path.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(in[0]);
    out_ = out[0];
    in_ = in[1];
  }

  ~Probe() {
    CloseInput();
    if (out_ >= 0) close(out_);
    if (pid_ > 0) Wait();
  }

  bool Started() const { return pid_ > 0; }

  // One line of the helper's output, without the line end.
  std::string ReadLine() {
    std::string line;
    char c;
    while (out_ >= 0 && read(out_, &c, 1) == 1 && c != '\n') line += c;
    return line;
  }

  void CloseInput() {
    if (in_ >= 0) close(in_);
    in_ = -1;
  }

  // The helper's exit code (-1 when it did not exit normally).
  int Wait() {
    int status = 0;
    if (pid_ <= 0 || waitpid(pid_, &status, 0) != pid_) return -1;
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  int in_ = -1;
};

}  // namespace kerneltest
