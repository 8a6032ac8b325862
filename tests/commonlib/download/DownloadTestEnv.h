// Shared set-up of the download flow tests: a scripted server reachable on 127.0.0.1, .2
// and .3, the download channel, the task queue listening to the event centre, a manual
// tick and a temporary folder. The test's thread plays the main thread.
#pragma once

#include <gtest/gtest.h>
#include "platform/testing/hooks/tick.h"
#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/TempFolder.h"
#include "commonlib/CDownloadTask.h"
#include "commonlib/CDownloadTaskQueue.h"
#include "commonlib/peer/DAEventCenter.h"
#include "commonlib/http/DownloadChannel.h"
#include "commonlib/DownloadEngine.h"
#include "tests/support/net/HttpTestServer.h"
#include "tests/support/core/MainThreadPump.h"
#include "commonlib/core/ProtoValueBytes.h"
#include "commonlib/http/CHttpMgr.h"
#include "commonlib/util/MD5.h"
#include "commonlib/util/StringUtils.h"

struct DownloadOutcome {
  bool done = false;
  int et = -100;
  int ec = -100;
  int calls = 0;
  std::vector<int64_t> completed;  // progress figures, in order
  int64_t total = -1;

  static void OnProgress(uintptr_t user, int64_t total, int64_t completed, int32_t) {
    DownloadOutcome* o = reinterpret_cast<DownloadOutcome*>(user);
    o->total = total;
    o->completed.push_back(completed);
  }
  static void OnDone(uintptr_t user, int32_t et, int32_t ec) {
    DownloadOutcome* o = reinterpret_cast<DownloadOutcome*>(user);
    o->done = true;
    o->et = et;
    o->ec = ec;
    ++o->calls;
  }
  bool Monotonic() const {
    for (size_t i = 1; i < completed.size(); ++i)
      if (completed[i] < completed[i - 1]) return false;
    return true;
  }
};

class DownloadTestEnv : public ::testing::Test {
 protected:
  DownloadTestEnv() : server(Options()) {}

  static HttpTestServer::Options Options() {
    HttpTestServer::Options o;
    o.bindAddress = "0.0.0.0";
    return o;
  }

  void SetUp() override {
    ASSERT_TRUE(server.Start());
    jf::TickOverride(tickStart);
    DownloadEngine::InitHttp();
    DAEventCenter::GetInstance().AddListener(&CDownloadTaskQueue::GetInstance());
  }

  void TearDown() override {
    // Tasks a test left behind go first, while the channel still runs.
    CDownloadTaskQueue& queue = CDownloadTaskQueue::GetInstance();
    while (!queue.GetTasks().empty()) queue.RemoveTask(queue.GetTasks().front()->GetFullName());
    MainThreadPump::Drain();
    DAEventCenter::GetInstance().RemoveListener(&queue);
    DownloadEngine::UninitHttp();
    MainThreadPump::Drain();
    server.Stop();
    jf::TickRestore();
  }

  using Request = HttpTestServer::Request;
  using Script = HttpTestServer::Script;

 public:
  // Answers ranges of body; a request that `special` picks gets the script `change` makes.
  static HttpTestServer::Handler RangesUnless(const std::string& body, std::function<bool(const Request&)> special,
                                              std::function<void(Script&)> change) {
    return [body, special, change](const Request& r) {
      Script s;
      s.ranges = true;
      s.body = body;
      if (special(r)) change(s);
      return s;
    };
  }
  static std::function<bool(const Request&)> FromAddress(const std::string& address) {
    return [address](const Request& r) { return r.localAddress == address; };
  }
  // Every request not made to the CDN host ("localhost").
  static bool NotOnCdn(const Request& r) { return r.Header("Host").rfind("localhost", 0) != 0; }

 protected:
  // Serves the body at path with ranges (206 answers).
  void Serve(const std::string& path, const std::string& body) {
    HttpTestServer::Script s;
    s.ranges = true;
    s.body = body;
    server.Set(path, s);
  }

  // Serves `size` bytes of `fill` with ranges; every answer holds after `stallAfter` body
  // bytes until server.ReleaseStalls().
  void ServeHeld(const std::string& path, size_t size, char fill, long long stallAfter = 10) {
    HttpTestServer::Script s;
    s.ranges = true;
    s.body = std::string(size, fill);
    s.stallAfter = stallAfter;
    server.Set(path, s);
  }

  std::wstring Url(const std::string& path, const std::string& host = "127.0.0.1") const {
    return StringUtils::FromUtf8(server.Url(path, host));
  }

  static std::wstring Md5Of(const std::string& data) {
    MD5 md5(reinterpret_cast<const unsigned char*>(data.data()), static_cast<uint32_t>(data.size()));
    return StringUtils::FromUtf8(md5.hex_digest());
  }

  bool Add(const std::wstring& url, const std::wstring& spares, const std::wstring& name, int64_t size,
           DownloadOutcome& out, const std::wstring& md5 = L"", const std::wstring& cdn = L"",
           int64_t cdnMin = 0, const std::string& options = "") {
    return CDownloadTaskQueue::GetInstance().AddTask(
        url, spares, cdn, cdnMin, dir.Win(name), md5.empty() ? L"md5-" + name : md5, size, options,
        reinterpret_cast<uintptr_t>(&out), &DownloadOutcome::OnProgress, 0, &DownloadOutcome::OnDone, 0);
  }

  // Plays the main loop: queued tasks, the request timer's retries and stall checks, and an
  // engine tick every `tickEvery` rounds, advancing the manual clock by `advance` ms each.
  bool RunUntil(const std::function<bool()>& done, int timeoutMs = 20000, uint64_t advance = 0) {
    int round = 0;
    return MainThreadPump::Until(
        [&] {
          if (done()) return true;
          if (++round % 20 == 0) {
            if (advance) jf::TickAdvance(advance);
            if (g_downloadManager) {
              g_downloadManager->ResumeDueRetries();
              g_downloadManager->CheckTimeouts();
            }
            CDownloadTaskQueue::GetInstance().OnTimer();
          }
          return done();
        },
        timeoutMs);
  }

  CDownloadTask* Task(const std::wstring& name) {
    return CDownloadTaskQueue::GetInstance().FindTaskByFullName(dir.Win(name));
  }

  // The resume file's value, null when it cannot be read.
  ProtoValue ReadResume(const std::string& name) {
    std::string bytes = dir.Read(name + ".vrdt.vrmt");
    ProtoValue v;
    if (bytes.empty() || !ProtoValueFromBytes(v, bytes)) return ProtoValue();
    return v;
  }

  // Distinct client addresses that asked for path.
  std::vector<std::string> Addresses(const std::string& path) const {
    std::vector<std::string> out;
    for (const auto& r : server.RequestsFor(path))
      if (std::find(out.begin(), out.end(), r.localAddress) == out.end()) out.push_back(r.localAddress);
    return out;
  }

  uint64_t tickStart = 5000000;
  HttpTestServer server;
  TempFolder dir;
};
