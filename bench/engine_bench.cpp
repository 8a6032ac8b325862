// Downloads one address through the download engine, as the installer does (main loop,
// engine timer, request timer, spare addresses, CDN host, expected size), and prints the
// time, the throughput and the peak resident memory. Exit code 0 on success.
#include "platform/src/internal/paths.h"
#include <unistd.h>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "commonlib/DownloadEngine.h"
#include "commonlib/http/CHttpMgr.h"
#include "commonlib/thread/MainThreadQueue.h"
#include "commonlib/util/MD5.h"
#include "commonlib/util/StringUtils.h"

namespace {

struct Result {
  bool done = false;
  int et = 0;
  int ec = 0;
  int64_t completed = 0;
};

void CALLBACK RequestTimerProc(HWND, UINT, UINT_PTR, DWORD) {
  if (g_downloadManager) {
    g_downloadManager->ResumeDueRetries();
    g_downloadManager->CheckTimeouts();
  }
}

void OnProgress(uintptr_t user, int64_t, int64_t completed, int32_t) {
  reinterpret_cast<Result*>(user)->completed = completed;
}

void OnDone(uintptr_t user, int32_t et, int32_t ec) {
  Result* r = reinterpret_cast<Result*>(user);
  r->done = true;
  r->et = et;
  r->ec = ec;
  PostQuitMessage(0);
}

void Usage() {
  std::fprintf(stderr,
               "usage: engine_bench --url URL --out HOSTPATH --size BYTES [--spare \"ip;ip\"] [--cdn HOST]\n"
               "                    [--cdn-min BYTES_PER_S] [--md5 HEX] [--quiet]\n");
}

std::string FileMd5(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return std::string();
  MD5 md5(f);
  return md5.hex_digest();
}

// The peak resident size of this program's own image (VmHWM). The rusage figure also
// counts the image of the process that started it, up to its exec.
long OwnPeakKiB() {
  FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return 0;
  char line[256];
  long kib = 0;
  while (std::fgets(line, sizeof line, f)) {
    if (std::strncmp(line, "VmHWM:", 6) == 0) kib = std::strtol(line + 6, nullptr, 10);
  }
  std::fclose(f);
  return kib;
}

}  // namespace

int main(int argc, char** argv) {
  std::string url, out, spare, cdn, md5;
  int64_t size = -1, cdnMin = 0;
  bool quiet = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto next = [&](std::string& v) {
      if (i + 1 < argc) v = argv[++i];
    };
    std::string v;
    if (a == "--url") next(url);
    else if (a == "--out") next(out);
    else if (a == "--spare") next(spare);
    else if (a == "--cdn") next(cdn);
    else if (a == "--md5") next(md5);
    else if (a == "--size") { next(v); size = std::strtoll(v.c_str(), nullptr, 10); }
    else if (a == "--cdn-min") { next(v); cdnMin = std::strtoll(v.c_str(), nullptr, 10); }
    else if (a == "--quiet") quiet = true;
    else { Usage(); return 2; }
  }
  if (url.empty() || out.empty() || size < 0) {
    Usage();
    return 2;
  }
  if (out[0] != '/') {
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd)) out = std::string(cwd) + "/" + out;
  }
  std::wstring winOut = jf::WinPathFromHost(out);

  CreateThreadingWindow();
  DownloadEngine::Start();
  UINT_PTR requestTimer = SetTimer(nullptr, 0, 500, RequestTimerProc);
  Result result;
  auto start = std::chrono::steady_clock::now();
  DownloadEngine::AddTask(StringUtils::FromUtf8(url).c_str(), StringUtils::FromUtf8(spare).c_str(),
                          StringUtils::FromUtf8(cdn).c_str(), cdnMin, winOut.c_str(),
                          StringUtils::FromUtf8(md5).c_str(), size, "{}", reinterpret_cast<uintptr_t>(&result),
                          &OnProgress, &OnDone);
  MSG msg;
  while (!result.done && GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  KillTimer(nullptr, requestTimer);
  DownloadEngine::Stop();

  bool good = result.done && result.et == 0 && result.ec == 0;
  std::string digest = good && !md5.empty() ? FileMd5(out) : std::string();
  if (good && !md5.empty() && digest != md5) good = false;
  if (!quiet || !good) {
    std::printf("engine: et=%d ec=%d time=%.3f s throughput=%.1f MiB/s peak_rss=%.1f MiB%s\n", result.et, result.ec,
                seconds, seconds > 0 ? static_cast<double>(size) / 1048576.0 / seconds : 0.0,
                static_cast<double>(OwnPeakKiB()) / 1024.0,
                md5.empty() ? "" : (digest == md5 ? " md5=ok" : " md5=BAD"));
  }
  std::fflush(stdout);
  ShutdownMainThreadQueue();
  return good ? 0 : 1;
}
