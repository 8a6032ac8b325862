// The task queue: duplicates, removal, event routing and the engine tick over many tasks.
#include "commonlib/CDownloadTaskQueue.h"

#include "tests/commonlib/download/DownloadTestEnv.h"
#include "tests/support/TraceCapture.h"
#include "commonlib/peer/CHttpDownloadPeer.h"

namespace {

class CDownloadTaskQueueTest : public DownloadTestEnv {
 protected:
  CDownloadTaskQueue& queue = CDownloadTaskQueue::GetInstance();
};

TEST_F(CDownloadTaskQueueTest, DuplicateFullPathIsRefusedAndItsLogReleased) {
  ServeHeld("/d", 100000, 'a');
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

std::string g_ticked;

void RecordTick(uintptr_t user, int64_t, int64_t, int32_t) { g_ticked += static_cast<char>(user); }

TEST_F(CDownloadTaskQueueTest, TickStartsItsWalkAgainAfterATaskWithoutSourcesEnds) {
  ServeHeld("/h", 3000000, 'h');
  DownloadOutcome ended;
  auto add = [&](char name, const std::string& path, const std::wstring& spares) {
    return queue.AddTask(Url(path), spares, L"", 0, dir.Win(std::wstring(1, name) + L".bin"),
                         std::wstring(L"md5-") + static_cast<wchar_t>(name), 3000000, "", static_cast<uintptr_t>(name), &RecordTick, 0,
                         &DownloadOutcome::OnDone, 0);
  };
  ASSERT_TRUE(add('a', "/h", L""));
  ASSERT_TRUE(queue.AddTask(Url("/none"), L"127.0.0.2", L"", 0, dir.Win(L"b.bin"), L"md5-b", 3000000, "",
                            reinterpret_cast<uintptr_t>(&ended), nullptr, 0, &DownloadOutcome::OnDone, 0));
  ASSERT_TRUE(add('c', "/h", L""));
  ASSERT_TRUE(MainThreadPump::Until([&] { return Task(L"b.bin")->GetPeers().empty(); }));
  queue.OnTimer();  // b's clock starts
  jf::TickAdvance(10001);
  g_ticked.clear();
  queue.OnTimer();
  EXPECT_TRUE(ended.done);
  EXPECT_EQ(809, ended.ec);
  // a, then b ends, then the walk starts again at a and goes on to c.
  EXPECT_EQ("aac", g_ticked);
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

// An application whose callbacks remove the task they report on, and add it again.
struct Reentrant {
  std::wstring path;
  std::wstring url;
  int completions = 0;
  int progress = 0;
  bool readded = false;

  static void OnDone(uintptr_t user, int32_t, int32_t) {
    Reentrant* r = reinterpret_cast<Reentrant*>(user);
    ++r->completions;
    CDownloadTaskQueue::GetInstance().RemoveTask(r->path);
    r->readded = CDownloadTaskQueue::GetInstance().AddTask(r->url, L"", L"", 0, r->path, L"md5-again", 1000, "", 0,
                                                           nullptr, 0, nullptr, 0);
  }
  static void OnProgress(uintptr_t user, int64_t, int64_t, int32_t) {
    Reentrant* r = reinterpret_cast<Reentrant*>(user);
    ++r->progress;
    CDownloadTaskQueue::GetInstance().RemoveTask(r->path);
  }
};

TEST_F(CDownloadTaskQueueTest, CompletionCallbackMayRemoveAndAddItsTask) {
  std::string body(1000, 'c');
  dir.Write("c.bin", body);  // complete already: the task ends inside its start
  Serve("/c", body);
  Reentrant app;
  app.path = dir.Win(L"c.bin");
  app.url = Url("/c");
  EXPECT_TRUE(queue.AddTask(app.url, L"", L"", 0, app.path, L"md5-c", 1000, "", reinterpret_cast<uintptr_t>(&app),
                            nullptr, 0, &Reentrant::OnDone, 0));
  EXPECT_EQ(1, app.completions);
  // The ended task was no longer listed: the new one with its path was accepted.
  EXPECT_TRUE(app.readded);
  EXPECT_EQ(nullptr, Task(L"c.bin"));  // it found the complete file too
  EXPECT_EQ(body, dir.Read("c.bin"));
}

TEST_F(CDownloadTaskQueueTest, ProgressCallbackMayRemoveItsTaskDuringTheTick) {
  ServeHeld("/p", 100000, 'p');
  Reentrant app;
  app.path = dir.Win(L"a-p.bin");
  DownloadOutcome other;
  EXPECT_TRUE(queue.AddTask(Url("/p"), L"", L"", 0, app.path, L"md5-p", 100000, "",
                            reinterpret_cast<uintptr_t>(&app), &Reentrant::OnProgress, 0, nullptr, 0));
  Add(Url("/p"), L"", L"b-other.bin", 100000, other);
  ASSERT_EQ(2u, queue.GetTasks().size());
  jf::TickAdvance(1000);
  queue.OnTimer();
  EXPECT_EQ(1, app.progress);
  EXPECT_EQ(nullptr, Task(L"a-p.bin"));
  // The walk went on with the next task.
  EXPECT_EQ(1u, other.completed.size());
  EXPECT_EQ(1u, queue.GetTasks().size());
  server.ReleaseStalls();
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
  ServeHeld("/slow", 200000, 'b');
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
  // The walk went on after the ended task.
  EXPECT_GE(alive.completed.size(), ticks + 1);
  EXPECT_EQ(1u, queue.GetTasks().size());
  server.ReleaseStalls();
}

}  // namespace
