// A child program for the process tests. Arguments that begin with an order hold orders,
// separated by ';':
//   out=<host path>  write argv (each followed by a null), then "cwd=<folder>", "tag=<JF_CHILD_TAG>"
//                    and "fds=<open descriptors above 2>", each followed by a null
//   sleep=<ms>       sleep before exiting
//   exit=<code>      exit code (default 0)
#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int OpenDescriptorsAbove2() {
  int count = 0;
  DIR* dir = opendir("/proc/self/fd");
  if (!dir) return -1;
  int own = dirfd(dir);
  while (dirent* e = readdir(dir)) {
    int fd = std::atoi(e->d_name);
    if (e->d_name[0] != '.' && fd > 2 && fd != own) ++count;
  }
  closedir(dir);
  return count;
}

}  // namespace

int main(int argc, char** argv) {
  std::string orders;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg.rfind("out=", 0) == 0 || arg.rfind("sleep=", 0) == 0 || arg.rfind("exit=", 0) == 0) orders += arg + ";";
  }
  std::string out;
  long sleepMs = 0;
  int code = 0;
  size_t start = 0;
  while (start < orders.size()) {
    size_t end = orders.find(';', start);
    if (end == std::string::npos) end = orders.size();
    std::string order = orders.substr(start, end - start);
    start = end + 1;
    if (order.rfind("out=", 0) == 0) out = order.substr(4);
    else if (order.rfind("sleep=", 0) == 0) sleepMs = std::atol(order.c_str() + 6);
    else if (order.rfind("exit=", 0) == 0) code = std::atoi(order.c_str() + 5);
  }
  if (!out.empty()) {
    std::string text;
    for (int i = 0; i < argc; ++i) text.append(argv[i]).push_back('\0');
    char cwd[4096] = {};
    if (!getcwd(cwd, sizeof cwd)) cwd[0] = 0;
    const char* tag = std::getenv("JF_CHILD_TAG");
    text.append("cwd=").append(cwd).push_back('\0');
    text.append("tag=").append(tag ? tag : "").push_back('\0');
    text.append("fds=").append(std::to_string(OpenDescriptorsAbove2())).push_back('\0');
    std::string temp = out + ".part";
    FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) return 100;
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    std::rename(temp.c_str(), out.c_str());
  }
  if (sleepMs > 0) usleep(static_cast<useconds_t>(sleepMs) * 1000);
  return code;
}
