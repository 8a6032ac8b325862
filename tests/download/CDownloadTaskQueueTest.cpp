// The task queue: duplicates, removal, event routing and the engine tick over many tasks.
#include "CDownloadTaskQueue.h"

#include "DownloadTestEnv.h"
#include "TraceCapture.h"
#include "peer/CHttpDownloadPeer.h"

namespace {

class CDownloadTaskQueueTest : public DownloadTestEnv {
 protected:
  CDownloadTaskQueue& queue = CDownloadTaskQueue::GetInstance();
};

TEST_F(CDownloadTaskQueueTest, DuplicateFullPathIsRefusedAndItsLogReleased) {
  HttpTestServer::Script hold;
  hold.ranges = true;
  hold.body = std::string(100000, 'a');
  hold.stallAfter = 10;
  server.Set("/d", hold);
  size_t logs = queue.GetTaskLogCount();
  DownloadOutcome first, second;
  EXPECT_TRUE(Add(Url("/d"), L"", L"d.bin", 100000, first));
  EXPECT_FALSE(Add(Url("/d?other"), L"", L"d.bin", 100000, second));
  EXPECT_EQ(1u, queue.GetTasks().size());
  EXPECT_EQ(logs + 1, queue.GetTaskLogCount());
  EXPECT_FALSE(second.done);
  // Removal by full path; the removed task's log goes too (it lives on in the resume file).
  TraceCapture trace;
  queue.RemoveTask(dir.Win(L"missing.bin"));
  EXPECT_TRUE(trace.Contains(L"CancelDownloadFile 未找到对应task"));
  queue.RemoveTask(dir.Win(L"d.bin"));
  EXPECT_TRUE(queue.GetTasks().empty());
  EXPECT_EQ(logs, queue.GetTaskLogCount());
  EXPECT_FALSE(first.done);
  server.ReleaseStalls();
}

TEST_F(CDownloadTaskQueueTest, TasksOfTheSameContentEachGetTheirOwnResults) {
  // Two copies of one file share the digest, which is also their sources' owner key.
  std::string body = HttpTestServer::RandomBody(2000000, 61);
  Serve("/same", body);
  std::wstring md5 = Md5Of(body);
  DownloadOutcome one, two;
  Add(Url("/same"), L"127.0.0.2", L"one.bin", 2000000, one, md5);
  Add(Url("/same"), L"127.0.0.3", L"two.bin", 2000000, two, md5);
  ASSERT_TRUE(RunUntil([&] { return one.done && two.done; }));
  EXPECT_EQ(0, one.et);
  EXPECT_EQ(0, two.et);
  EXPECT_EQ(body, dir.Read("one.bin"));
  EXPECT_EQ(body, dir.Read("two.bin"));
}

TEST_F(CDownloadTaskQueueTest, EventOfASourceWithoutTaskIsOnlyLogged) {
  TraceCapture trace;
  CHttpDownloadPeer orphan("", L"http://127.0.0.1:1/x", dir.Win(L"o.vrdt"), false);
  orphan.m_ownerKey = L"no-such-task";
  ProtoValue payload;
  payload[L"peer"] = orphan.EventId();
  payload[L"full_name"] = orphan.m_fullName;
  DAEventCenter::GetInstance().Fire(DAEventRangeResult, 0, 0, payload);
  EXPECT_TRUE(trace.Contains(L"未找到对应peer no-such-task"));
  // Events outside 5..9 are not looked at.
  trace.Clear();
  DAEventCenter::GetInstance().Fire(4, 0, 0, payload);
  EXPECT_FALSE(trace.Contains(L"未找到对应peer"));
}

TEST_F(CDownloadTaskQueueTest, TaskWithoutSourceEndsAndTheOthersAreStillTicked) {
  HttpTestServer::Script slow;
  slow.ranges = true;
  slow.body = std::string(200000, 'b');
  slow.stallAfter = 10;
  server.Set("/slow", slow);
  DownloadOutcome dead, alive;
  Add(Url("/gone"), L"", L"a-dead.bin", 200000, dead);
  Add(Url("/slow"), L"", L"b-alive.bin", 200000, alive);
  ASSERT_TRUE(MainThreadPump::Until([&] { return Task(L"a-dead.bin")->GetPeers().empty(); }));
  for (int i = 0; i < 11; ++i) {
    jf::TickAdvance(1000);
    queue.OnTimer();
  }
  EXPECT_FALSE(dead.done);
  size_t ticks = alive.completed.size();
  jf::TickAdvance(1000);
  queue.OnTimer();
  EXPECT_TRUE(dead.done);
  EXPECT_EQ(809, dead.ec);
  // The walk went on after the ended task (and may tick earlier tasks again).
  EXPECT_GE(alive.completed.size(), ticks + 1);
  EXPECT_EQ(1u, queue.GetTasks().size());
  server.ReleaseStalls();
}

}  // namespace
