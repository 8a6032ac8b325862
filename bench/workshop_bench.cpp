// The cost of idle curl workers and the start latency of a request. Opens two channels and
// leaves them idle for a while (CPU time and thread wake-ups of the process), then hands
// requests one at a time to an idle worker and measures the time until the worker connects to
// a local listening socket.
// Usage: workshop_bench [idle seconds (10)] [requests (50)]
#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/core/MainThreadPump.h"
#include "commonlib/core/OBufferStream.h"
#include "commonlib/http/CCurlHttp.h"
#include "commonlib/http/CCurlWorkshop.h"
#include "commonlib/http/CHttpBase.h"
#include "commonlib/http/CHttpMgr.h"
#include "commonlib/http/CurlListener.h"
#include "commonlib/http/HttpChannel.h"

namespace {

using Clock = std::chrono::steady_clock;

double CpuMs() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
  return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// Context switches of every thread of the process: each sleep and wake-up counts one.
long Switches() {
  long total = 0;
  DIR* tasks = opendir("/proc/self/task");
  if (!tasks) return -1;
  while (dirent* entry = readdir(tasks)) {
    if (entry->d_name[0] == '.') continue;
    std::ifstream in(std::string("/proc/self/task/") + entry->d_name + "/status");
    std::string key;
    long value = 0;
    while (in >> key) {
      if (key == "voluntary_ctxt_switches:" || key == "nonvoluntary_ctxt_switches:") {
        in >> value;
        total += value;
      }
    }
  }
  closedir(tasks);
  return total;
}

class QuietListener : public CurlListener {
 public:
  void OnCurlDone(CCurlBase*, int) override {}
  void OnRecvProgress(CCurlBase*, unsigned int) override {}
  void OnSendProgress(CCurlBase*, unsigned int) override {}
  void OnResponseCode(CCurlBase*, int, const ProtoValue&) override {}
  void OnRemoved(CCurlBase*, int) override {}
  void OnAdded(CCurlBase*, int) override {}
};

class Configurer : public CHttpBase {
 public:
  Configurer() : CHttpBase(nullptr, nullptr) {}
  void Done(int, int) override {}
};

CRefPtr<CCurlBase> MakeTransfer(CCurlWorkshop* workshop, CurlListener* listener, const std::string& url) {
  CCurlHttp* t = new CCurlHttp(workshop, listener);
  t->m_output = new OBufferStream();
  CRefPtr<CCurlBase> ref(t);
  Configurer c;
  c.m_url = std::wstring(url.begin(), url.end());
  c.m_curlHttp = ref;
  c.SetupCurl();
  c.m_curlHttp = nullptr;
  return ref;
}

}  // namespace

int main(int argc, char** argv) {
  int idleSeconds = argc > 1 ? std::atoi(argv[1]) : 10;
  int requests = argc > 2 ? std::atoi(argv[2]) : 50;

  CCurlWorkshop* workshops[2] = {nullptr, nullptr};
  CHttpMgr* managers[2] = {nullptr, nullptr};
  for (int i = 0; i < 2; ++i) HttpChannel::Open(workshops[i], managers[i]);
  Sleep(200);  // both workers have started and gone idle

  double cpu0 = CpuMs();
  long switches0 = Switches();
  Sleep(static_cast<DWORD>(idleSeconds) * 1000);
  double idleCpu = CpuMs() - cpu0;
  long idleSwitches = Switches() - switches0;
  std::printf("idle: two channels, %d s: %.2f ms CPU, %ld context switches\n", idleSeconds, idleCpu,
              idleSwitches);

  int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener, 16) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    std::perror("listen");
    return 1;
  }
  std::string url = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/";
  QuietListener quiet;
  std::vector<double> latencies;
  for (int i = 0; i < requests; ++i) {
    CRefPtr<CCurlBase> transfer = MakeTransfer(workshops[0], &quiet, url);
    Sleep(20);  // the worker is idle again
    Clock::time_point start = Clock::now();
    workshops[0]->AddRequest(transfer);
    int connection = accept(listener, nullptr, nullptr);
    latencies.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    workshops[0]->CancelRequest(transfer);
    if (connection >= 0) close(connection);
    MainThreadPump::Until([] { return false; }, 20);
    transfer->Abandon();
  }
  std::sort(latencies.begin(), latencies.end());
  if (!latencies.empty()) {
    std::printf("start latency over %d requests: median %.3f ms, 90%% %.3f ms, max %.3f ms\n", requests,
                latencies[latencies.size() / 2], latencies[latencies.size() * 9 / 10], latencies.back());
  }
  close(listener);
  for (int i = 0; i < 2; ++i) HttpChannel::Close(workshops[i], managers[i]);
  MainThreadPump::Drain();
  return idleCpu < 5.0 * idleSeconds / 10.0 ? 0 : 1;
}
