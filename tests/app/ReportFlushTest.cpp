// The flush at the program's end: what the report collectors still hold goes out before the
// request side is taken down.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app/MainApp.h"
#include "commonlib/http/CHttpCommand.h"
#include "commonlib/logger/report/DownloadLog.h"
#include "commonlib/thread/MainThreadQueue.h"
#include "tests/support/core/MainThreadPump.h"
#include "tests/support/net/HttpTestServer.h"

namespace {

class ReportFlushTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GetMainThreadQueueLock();
    CreateThreadingWindow();
    HttpCommandEngineInit();
    ASSERT_TRUE(server.Start());
    server.SetBody("/report", "{\"code\":0}");
  }
  void TearDown() override {
    DownloadLog::GetInstance().UnInit();
    HttpCommandEngineUninit();
    MainThreadPump::Drain();
    ShutdownMainThreadQueue();
  }
  HttpTestServer server;
};

// A download report made while the previous one was on its way waits in the collector; the
// end's flush sends it rather than waiting for a send that nothing else would start.
TEST_F(ReportFlushTest, AReportThatWaitedBehindAnotherGoesOutAtTheEnd) {
  DownloadLog& log = DownloadLog::GetInstance();
  ASSERT_TRUE(log.Init(std::wstring(L"http://127.0.0.1:") + std::to_wstring(server.Port()) + L"/report",
                       L"1.0.2|mini_downloader", L"mini_downloader"));
  ProtoValue first, second;
  first[L"file_name"] = ProtoValue(L"first");
  second[L"file_name"] = ProtoValue(L"second");
  log.Report(first);
  ASSERT_TRUE(log.IsBusy());
  log.Report(second);
  ASSERT_EQ(log.GetPendingCount(), 1u);
  ASSERT_TRUE(MainThreadPump::Until([&] { return !log.IsBusy(); }));
  ASSERT_EQ(log.GetPendingCount(), 1u);

  EXPECT_TRUE(FlushPendingReports(CHttpCommand::kAnswerTimeoutMs));
  EXPECT_EQ(log.GetPendingCount(), 0u);
  const auto posts = server.RequestsFor("/report");
  ASSERT_EQ(posts.size(), 2u);
  ASSERT_EQ(posts[1].parts.size(), 2u);
  EXPECT_NE(posts[1].parts[1].data.find("\"second\""), std::string::npos) << posts[1].parts[1].data;
}

}  // namespace
