// Digests a file with the program's MD5 (the file form, as the installer checks a download)
// and prints the digest, the time and the throughput. Given a number of rounds, it also runs
// md5sum and "openssl md5" on the same file, taking turns round by round, and prints the best
// and the median time of each and the program's throughput against theirs.
// usage: md5_bench FILE [rounds]. Exit code 0 when the file could be read and every digest agrees.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "commonlib/util/MD5.h"

extern char** environ;

namespace {

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Digest and seconds of the program's file form.
bool Ours(const char* path, std::string& digest, double& seconds) {
  FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  double start = Now();
  MD5 md5(f);
  seconds = Now() - start;
  digest = md5.hex_digest();
  return true;
}

// Runs a tool on the file, its output into a pipe; the digest is the first 32 hex digits of it.
bool Tool(std::vector<std::string> argv, std::string& digest, double& seconds) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
  posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  std::vector<char*> args;
  for (std::string& a : argv) args.push_back(&a[0]);
  args.push_back(nullptr);
  pid_t pid = 0;
  double start = Now();
  int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  std::string out;
  char buf[256];
  ssize_t n;
  while (rc == 0 && (n = read(pipeFds[0], buf, sizeof buf)) > 0) out.append(buf, static_cast<size_t>(n));
  close(pipeFds[0]);
  int status = 0;
  if (rc != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return false;
  seconds = Now() - start;
  size_t at = out.find_first_of("0123456789abcdef", out.find(out.find("= ") != std::string::npos ? "= " : ""));
  digest = at == std::string::npos ? std::string() : out.substr(at, 32);
  return true;
}

struct Times {
  const char* name;
  std::vector<double> runs;
  double Best() const { return *std::min_element(runs.begin(), runs.end()); }
  double Median() const {
    std::vector<double> s = runs;
    std::sort(s.begin(), s.end());
    return s[s.size() / 2];
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: md5_bench FILE [rounds]\n");
    return 2;
  }
  const char* path = argv[1];
  FILE* f = std::fopen(path, "rb");
  if (!f) return 1;
  std::fseek(f, 0, SEEK_END);
  double mib = static_cast<double>(std::ftell(f)) / 1048576.0;
  std::fclose(f);
  std::string digest;
  double seconds = 0;
  if (!Ours(path, digest, seconds)) return 1;
  std::printf("%s %.3f s %.1f MiB/s\n", digest.c_str(), seconds, mib / seconds);
  if (argc == 2) return 0;

  int rounds = std::max(1, std::atoi(argv[2]));
  Times ours{"program", {}}, md5sum{"md5sum", {}}, openssl{"openssl md5", {}};
  bool agree = true;
  for (int i = 0; i < rounds; ++i) {
    std::string d;
    double t = 0;
    if (Ours(path, d, t)) ours.runs.push_back(t);
    agree = agree && d == digest;
    if (Tool({"md5sum", path}, d, t)) md5sum.runs.push_back(t), agree = agree && d == digest;
    if (Tool({"openssl", "md5", path}, d, t)) openssl.runs.push_back(t), agree = agree && d == digest;
  }
  std::printf("%.0f MiB, %d rounds taking turns (best / median):\n", mib, rounds);
  for (const Times* t : {&ours, &md5sum, &openssl}) {
    if (t->runs.empty()) continue;
    std::printf("  %-12s %.3f s / %.3f s  %7.1f MiB/s", t->name, t->Best(), t->Median(), mib / t->Best());
    if (t != &ours) std::printf("  program: %.2fx / %.2fx its throughput", t->Best() / ours.Best(),
                                t->Median() / ours.Median());
    std::printf("\n");
  }
  if (!agree) std::printf("digests differ\n");
  return agree ? 0 : 1;
}
