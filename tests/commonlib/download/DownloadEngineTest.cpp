// The engine's entry points: start and stop, the engine timer in a message loop, the
// download report of a finished download.
#include "commonlib/DownloadEngine.h"

#include "tests/commonlib/download/DownloadTestEnv.h"
#include "commonlib/http/CCurlWorkshop.h"
#include "commonlib/http/CHttpCommand.h"
#include "commonlib/logger/report/DownloadLog.h"

namespace {

TEST(DownloadEngineTest, StartTwiceMakesOneTimerAndStopTearsEverythingDown) {
  DAEventCenter& center = DAEventCenter::GetInstance();
  size_t listeners = center.GetListenerCount();
  EXPECT_TRUE(DownloadEngine::Start());
  CCurlWorkshop* workshop = g_downloadWorkshop;
  uint32_t timer = center.EngineTimer();
  EXPECT_NE(0u, timer);
  EXPECT_TRUE(DownloadEngine::Start());
  EXPECT_EQ(workshop, g_downloadWorkshop);
  EXPECT_EQ(timer, center.EngineTimer());
  EXPECT_EQ(listeners + 1, center.GetListenerCount());
  EXPECT_TRUE(DownloadEngine::Stop());
  EXPECT_FALSE(center.IsEngineStarted());
  EXPECT_EQ(listeners, center.GetListenerCount());
  EXPECT_EQ(nullptr, g_downloadWorkshop);
  EXPECT_EQ(nullptr, g_downloadManager);
  // Stop without Start still frees a channel that InitHttp made.
  DownloadEngine::InitHttp();
  EXPECT_TRUE(DownloadEngine::Stop());
  EXPECT_EQ(nullptr, g_downloadManager);
}

TEST(DownloadEngineTest, DownloadLogNeedsAllThreeTexts) {
  EXPECT_FALSE(DownloadEngine::InitDownloadLog(nullptr, L"1.0", L"7"));
  EXPECT_FALSE(DownloadEngine::InitDownloadLog(L"http://127.0.0.1:1/", nullptr, L"7"));
  EXPECT_FALSE(DownloadEngine::InitDownloadLog(L"http://127.0.0.1:1/", L"1.0", nullptr));
}

class DownloadEngineFlowTest : public DownloadTestEnv {};

DownloadOutcome g_outcome;
void OnProgress(uintptr_t user, int64_t total, int64_t completed, int32_t speed) {
  DownloadOutcome::OnProgress(user, total, completed, speed);
}
void OnDone(uintptr_t user, int32_t et, int32_t ec) { DownloadOutcome::OnDone(user, et, ec); }

TEST_F(DownloadEngineFlowTest, EngineTimerTicksTasksAndTheReportIsSigned) {
  std::string body = HttpTestServer::RandomBody(2000000, 51);
  Serve("/e.bin", body);
  HttpTestServer::Script ok;
  ok.body = "{}";
  server.Set("/report", ok);
  HttpCommandEngineInit();
  ASSERT_TRUE(DownloadEngine::InitDownloadLog(StringUtils::FromUtf8(server.Url("/report")).c_str(), L"1.0.2", L"7"));
  ASSERT_TRUE(DownloadEngine::Start());

  DownloadOutcome out;
  // Null texts are empty; the user data comes back whole (pointer-sized).
  EXPECT_TRUE(DownloadEngine::AddTask(Url("/e.bin").c_str(), nullptr, nullptr, 0, dir.Win(L"e.bin").c_str(),
                                      Md5Of(body).c_str(), 2000000, "{\"game\":\"x\",\"n\":3}",
                                      reinterpret_cast<uintptr_t>(&out), &OnProgress, &OnDone));
  // The engine timer runs inside the thread's message loop.
  MSG msg;
  ASSERT_TRUE(MainThreadPump::Until([&] {
    jf::TickAdvance(1001);
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    return out.done && !out.completed.empty();
  }));
  EXPECT_EQ(0, out.et);
  EXPECT_EQ(2000000, out.total);
  EXPECT_EQ(body, dir.Read("e.bin"));

  ASSERT_TRUE(MainThreadPump::Until([&] {
    if (g_commandManager) g_commandManager->ResumeDueRetries();
    return !server.RequestsFor("/report").empty();
  }));
  HttpTestServer::Request report = server.RequestsFor("/report")[0];
  ASSERT_EQ(2u, report.parts.size());
  EXPECT_EQ("sign", report.parts[0].name);
  EXPECT_EQ("data", report.parts[1].name);
  EXPECT_EQ(DownloadLog::Sign(DownloadLog::kSignKey, report.parts[1].data), report.parts[0].data);
  Json::Value records;
  ASSERT_TRUE(Json::Reader().parse(report.parts[1].data, records));
  ASSERT_EQ(1u, records.size());
  const Json::Value& r = records[0];
  EXPECT_EQ("x", r["game"].asString());
  EXPECT_EQ(3, r["n"].asInt());
  EXPECT_EQ("e.bin", r["file_name"].asString());
  EXPECT_EQ(2000000, r["size"].asInt64());
  EXPECT_EQ(2000000, r["download_size"].asInt64());
  EXPECT_EQ(1, r["status"].asInt());
  EXPECT_EQ(0, r["is_cdn"].asInt());
  EXPECT_GE(r["time_comsuming"].asInt64(), 1);
  ASSERT_EQ(3u, r["log"].size());
  EXPECT_TRUE(r["log"][0].isMember("下载源速度分析"));
  EXPECT_GE(r["log"][1]["下载日志"].size(), 3u);

  DownloadEngine::Stop();
  DownloadLog::GetInstance().UnInit();
  HttpCommandEngineUninit();
  EXPECT_TRUE(DownloadEngine::RemoveTask(L"ignored", dir.Win(L"e.bin").c_str()));
}

TEST_F(DownloadEngineFlowTest, TasksSurviveTheChannelGoingFirst) {
  ServeHeld("/h", 3000000, 'h', 1000);
  ASSERT_TRUE(DownloadEngine::Start());
  DownloadOutcome out;
  DownloadEngine::AddTask(Url("/h").c_str(), L"127.0.0.2", L"", 0, dir.Win(L"h.bin").c_str(), L"md5-h", 3000000,
                          "", reinterpret_cast<uintptr_t>(&out), &OnProgress, &OnDone);
  ASSERT_TRUE(server.WaitForRequests(2, 30000));
  MainThreadPump::For(50);
  // The application frees the channel while the task still runs, then ticks once more.
  DownloadEngine::Stop();
  DownloadTimerProc(nullptr, WM_TIMER, 0, 0);
  MainThreadPump::Drain();
  EXPECT_TRUE(DownloadEngine::RemoveTask(nullptr, dir.Win(L"h.bin").c_str()));
  EXPECT_EQ(nullptr, Task(L"h.bin"));
  EXPECT_TRUE(dir.Exists("h.bin.vrdt.vrmt"));
  server.ReleaseStalls();
  DownloadEngine::InitHttp();  // for the fixture's own tear-down
}

}  // namespace
