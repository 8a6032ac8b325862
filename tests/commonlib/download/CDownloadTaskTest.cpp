// The download task end to end: real transfers from the scripted server through the
// download channel, the queue and the task, with the engine tick driven by the test.
#include "commonlib/CDownloadTask.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <condition_variable>
#include <fstream>
#include <memory>
#include <mutex>
#include <thread>

#include "tests/commonlib/download/DownloadTestEnv.h"
#include "tests/support/core/InstantPause.h"
#include "tests/support/SmallFileSystem.h"
#include "tests/support/TraceCapture.h"
#include "commonlib/peer/CHttpDownloadPeer.h"

namespace {

class CDownloadTaskTest : public DownloadTestEnv {
 protected:
  // Downloads a body of `size` bytes from three sources and checks the result.
  void FullDownload(size_t size, unsigned seed) {
    SCOPED_TRACE(size);
    std::string body = HttpTestServer::RandomBody(size, seed);
    std::string path = "/f" + std::to_string(size);
    Serve(path, body);
    std::wstring name = L"file" + std::to_wstring(size) + L".bin";
    DownloadOutcome out;
    Add(Url(path), L"127.0.0.2;127.0.0.3", name, static_cast<int64_t>(size), out, Md5Of(body));
    ASSERT_TRUE(RunUntil([&] { return out.done; }));
    EXPECT_EQ(0, out.et);
    EXPECT_EQ(0, out.ec);
    EXPECT_EQ(1, out.calls);
    std::string host = StringUtils::ToUtf8(name);
    EXPECT_EQ(body, dir.Read(host));
    EXPECT_FALSE(dir.Exists(host + ".vrdt"));
    EXPECT_FALSE(dir.Exists(host + ".vrdt.vrmt"));
    EXPECT_FALSE(dir.Exists(host + ".vrdt.vrmt.mbk"));
    EXPECT_TRUE(out.Monotonic());
    for (int64_t c : out.completed) EXPECT_LE(c, static_cast<int64_t>(size));
    EXPECT_EQ(nullptr, Task(name));
  }
};

TEST_F(CDownloadTaskTest, FullDownloadsOfEdgeSizesFromThreeSources) {
  FullDownload(0, 1);
  EXPECT_EQ(0u, server.RequestsFor("/f0").size());
  FullDownload(1, 2);
  FullDownload(1310720, 3);
  // The last block holds one byte: it still goes out as a range.
  FullDownload(1310721, 4);
  FullDownload(6000000, 5);
  // Five blocks over three sources: every address took part.
  EXPECT_EQ(3u, Addresses("/f6000000").size());
  for (const auto& r : server.RequestsFor("/f1310721")) EXPECT_FALSE(r.Header("Range").empty());
}

TEST_F(CDownloadTaskTest, OptionsThatAreNoObjectAreIgnored) {
  std::string body = HttpTestServer::RandomBody(1000, 6);
  Serve("/o", body);
  for (const char* options : {"[1,2]", "not json", "7"}) {
    SCOPED_TRACE(options);
    DownloadOutcome out;
    std::remove(dir.Host("o.bin").c_str());
    Add(Url("/o"), L"", L"o.bin", 1000, out, Md5Of(body), L"", 0, options);
    ASSERT_TRUE(RunUntil([&] { return out.done; }));
    EXPECT_EQ(0, out.et);
    EXPECT_EQ(body, dir.Read("o.bin"));
  }
}

}  // namespace

namespace {

// Answers ranges; a range that does not start at 0 stalls after `stallAfter` bytes.
HttpTestServer::Handler StallingAfterFirstBlock(const std::string& body, long long stallAfter) {
  return DownloadTestEnv::RangesUnless(
      body, [](const HttpTestServer::Request& r) { return r.Header("Range").rfind("bytes=0-", 0) != 0; },
      [stallAfter](HttpTestServer::Script& s) { s.stallAfter = stallAfter; });
}

int64_t IntAt(const ProtoValue& v, const wchar_t* key) {
  const ProtoValue& x = v.get(key);
  return x.type() == PV_INTEGER ? x.integer() : -1;
}

TEST_F(CDownloadTaskTest, ResumeFileHoldsEveryFinishedBlockAtOnce) {
  const size_t size = 4000000;
  std::string body = HttpTestServer::RandomBody(size, 12);
  auto calls = std::make_shared<int>(0);
  server.SetHandler("/t", [body, calls](const Request&) {
    Script s;
    s.ranges = true;
    s.body = body;
    if ((*calls)++ >= 2) s.stallAfter = 10;  // the third block holds
    return s;
  });
  DownloadOutcome out;
  Add(Url("/t"), L"", L"t.bin", size, out, Md5Of(body));
  auto firstMissing = [&] {
    ProtoValue v = ReadResume("t.bin");
    const ProtoValue::Array* gl = v.get(L"gl").array();
    return gl && !gl->empty() ? (*gl)[0].get(L"start").integer() : -1;
  };
  // Two blocks arrive while the clock stands still: the file holds both without a tick.
  ASSERT_TRUE(MainThreadPump::Until([&] { return server.RequestsFor("/t").size() == 3; }));
  MainThreadPump::For(50);
  EXPECT_EQ(2621440, Task(L"t.bin")->GetGaps().begin()->first);
  EXPECT_GE(firstMissing(), 2621440);
  EXPECT_LE(firstMissing(), 2621450);
  EXPECT_FALSE(dir.Exists("t.bin.vrdt.vrmt.mbk"));
  server.ReleaseStalls();
}

// The write-ahead name of the resume file is a pipe, so the first save waits in its open until
// someone reads. The source's request for its next block opens it: that request has to come
// before the save. (Were the save first, the request would never come; after ten seconds the
// test reads the pipe itself and fails.)
TEST_F(CDownloadTaskTest, NextBlockIsAskedForBeforeTheResumeFileIsSaved) {
  const size_t size = 3000000;
  std::string body = HttpTestServer::RandomBody(size, 13);
  const std::string pipePath = dir.Host("s.bin.vrdt.vrmt.mbk");
  ASSERT_EQ(mkfifo(pipePath.c_str(), 0600), 0);
  struct Reader {
    std::mutex lock;
    std::condition_variable opened;
    int fd = -1;
    bool byRequest = false;
  };
  auto reader = std::make_shared<Reader>();
  auto calls = std::make_shared<int>(0);
  server.SetHandler("/s", [body, calls, reader, pipePath](const Request&) {
    if ((*calls)++ == 1) {
      std::lock_guard<std::mutex> guard(reader->lock);
      if (reader->fd < 0) {
        reader->fd = open(pipePath.c_str(), O_RDONLY | O_NONBLOCK);
        reader->byRequest = reader->fd >= 0;
      }
      reader->opened.notify_all();
    }
    Script s;
    s.ranges = true;
    s.body = body;
    return s;
  });
  std::thread watchdog([reader, pipePath] {
    std::unique_lock<std::mutex> guard(reader->lock);
    if (!reader->opened.wait_for(guard, std::chrono::seconds(10), [&] { return reader->fd >= 0; }))
      reader->fd = open(pipePath.c_str(), O_RDONLY | O_NONBLOCK);
  });
  DownloadOutcome out;
  Add(Url("/s"), L"", L"s.bin", size, out, Md5Of(body));
  bool done = RunUntil([&] { return out.done; });
  watchdog.join();
  EXPECT_TRUE(reader->byRequest);
  ASSERT_TRUE(done);
  EXPECT_EQ(0, out.et);
  EXPECT_EQ(body, dir.Read("s.bin"));
  if (reader->fd >= 0) close(reader->fd);
}

TEST_F(CDownloadTaskTest, ResultOfAnUnknownSourceIsLoggedWithItsWholeIdentity) {
  TraceCapture trace;
  ServeHeld("/u", 3000000, 'u');
  DownloadOutcome out;
  Add(Url("/u"), L"", L"u.bin", 3000000, out);
  CDownloadTask* task = Task(L"u.bin");
  ASSERT_NE(nullptr, task);
  task->OnRangeCompleted(reinterpret_cast<CDownloadPeer*>(uintptr_t{0x7f12345678ab}), 0, 0);
  EXPECT_TRUE(trace.Contains(L"peer未找到 0x7f12345678ab"));
  EXPECT_EQ(1u, task->GetPeers().size());
  server.ReleaseStalls();
}

TEST_F(CDownloadTaskTest, BlockResultOfAFileFailureWithCodeZeroIsAFailure) {
  ServeHeld("/z", 3000000, 'z');
  DownloadOutcome out;
  Add(Url("/z"), L"", L"z.bin", 3000000, out);
  CDownloadTask* task = Task(L"z.bin");
  ASSERT_NE(nullptr, task);
  ASSERT_EQ(1u, task->GetPeers().size());
  // The error type decides, whatever the code: (1, 0) is a file failure.
  task->OnRangeCompleted(task->GetPeers().front(), kErrSys, 0);
  server.ReleaseStalls();
  EXPECT_TRUE(out.done);
  EXPECT_EQ(1, out.calls);
  EXPECT_EQ(kErrSys, out.et);
  EXPECT_EQ(0, out.ec);
  EXPECT_EQ(nullptr, Task(L"z.bin"));
  // The unfinished file keeps its temporary name.
  EXPECT_FALSE(dir.Exists("z.bin"));
  EXPECT_TRUE(dir.Exists("z.bin.vrdt"));
}

TEST_F(CDownloadTaskTest, StopSavesReceivedBytesAndResumeFetchesOnlyTheRest) {
  const size_t size = 3000000;
  std::string body = HttpTestServer::RandomBody(size, 11);
  server.SetHandler("/r", StallingAfterFirstBlock(body, 100000));
  DownloadOutcome out;
  std::wstring md5 = Md5Of(body);
  Add(Url("/r"), L"127.0.0.2;127.0.0.3", L"r.bin", size, out, md5);
  // The first block arrives; the two others hold after 100,000 bytes each.
  ASSERT_TRUE(RunUntil([&] {
    const GapList& g = Task(L"r.bin")->GetGaps();
    return !g.IsEmpty() && g.begin()->first == 1310720;
  }));
  ASSERT_TRUE(MainThreadPump::Until([&] {
    auto reqs = server.RequestsFor("/r");
    return reqs.size() == 3 && dir.Read("r.bin.vrdt").size() == size &&
           dir.Read("r.bin.vrdt").substr(2621440, 100000) == body.substr(2621440, 100000) &&
           dir.Read("r.bin.vrdt").substr(1310720, 100000) == body.substr(1310720, 100000);
  }));
  CDownloadTaskQueue::GetInstance().RemoveTask(dir.Win(L"r.bin"));
  server.ReleaseStalls();
  EXPECT_FALSE(out.done);
  EXPECT_TRUE(dir.Exists("r.bin.vrdt"));

  ProtoValue meta = ReadResume("r.bin");
  ASSERT_EQ(PV_MAP, meta.type());
  EXPECT_EQ(static_cast<int64_t>(size), IntAt(meta, L"fs"));
  EXPECT_EQ(md5, meta.get(L"fh").string());
  EXPECT_EQ(0, IntAt(meta, L"ps"));
  EXPECT_GE(IntAt(meta, L"ct"), 0);
  EXPECT_GE(IntAt(meta, L"ft"), 0);
  EXPECT_FALSE(meta.has(L"is_cdn"));
  ASSERT_EQ(PV_MAP, meta.get(L"log").type());
  const ProtoValue& gl = meta.get(L"gl");
  ASSERT_EQ(PV_ARRAY, gl.type());
  ASSERT_EQ(2u, gl.size());
  const ProtoValue::Array& ranges = *gl.array();
  EXPECT_EQ(1410720, IntAt(ranges[0], L"start"));
  EXPECT_EQ(2621439, IntAt(ranges[0], L"end"));
  EXPECT_EQ(2721440, IntAt(ranges[1], L"start"));
  EXPECT_EQ(2999999, IntAt(ranges[1], L"end"));
  // The stored task log tells of the pause.
  bool paused = false;
  for (const ProtoValue& line : *meta.get(L"log").get(L"tl").array())
    paused = paused || line.string().find(L"暂停下载,") != std::wstring::npos;
  EXPECT_TRUE(paused);

  // A second run asks only for what is missing.
  Serve("/r", body);
  size_t before = server.RequestsFor("/r").size();
  DownloadOutcome again;
  Add(Url("/r"), L"127.0.0.2;127.0.0.3", L"r.bin", size, again, md5);
  ASSERT_TRUE(RunUntil([&] { return again.done; }));
  EXPECT_EQ(0, again.et);
  EXPECT_EQ(body, dir.Read("r.bin"));
  std::vector<std::string> asked;
  auto reqs = server.RequestsFor("/r");
  for (size_t i = before; i < reqs.size(); ++i) asked.push_back(reqs[i].Header("Range"));
  std::sort(asked.begin(), asked.end());
  EXPECT_EQ((std::vector<std::string>{"bytes=1410720-2621439", "bytes=2721440-2999999"}), asked);
  EXPECT_FALSE(dir.Exists("r.bin.vrdt.vrmt"));
}

}  // namespace

namespace {

class CDownloadTaskResumeTest : public CDownloadTaskTest {
 public:
  void SetUp() override {
    CDownloadTaskTest::SetUp();
    body = HttpTestServer::RandomBody(size, 21);
    md5 = Md5Of(body);
    Serve("/m", body);
  }

  static std::string Bytes(const ProtoValue& value) {
    std::string bytes;
    EXPECT_TRUE(ProtoValueToBytes(bytes, value));
    return bytes;
  }
  void WriteResume(const std::string& name, const ProtoValue& value) { dir.Write(name + ".vrdt.vrmt", Bytes(value)); }

  // A resume value of this download with these ranges missing.
  ProtoValue Resume(const GapList& free, int64_t fs = -1, const std::wstring& fh = L"") {
    CTaskMetaFile meta;
    meta.Build(0, fs < 0 ? static_cast<int64_t>(size) : fs, fh.empty() ? md5 : fh, 0, 0, nullptr, free);
    return meta.m_value;
  }
  // ... with one missing range.
  ProtoValue GoodResume(int64_t first, int64_t last, int64_t fs = -1, const std::wstring& fh = L"") {
    GapList free;
    free.AddRange(first, last);
    return Resume(free, fs, fh);
  }

  // Runs the download and expects the whole body fetched from byte 0.
  void ExpectFreshDownload(const std::string& name) {
    DownloadOutcome out;
    Add(Url("/m"), L"", StringUtils::FromUtf8(name), size, out, md5);
    ASSERT_TRUE(RunUntil([&] { return out.done; }));
    EXPECT_EQ(0, out.et);
    EXPECT_EQ(body, dir.Read(name));
    auto reqs = server.RequestsFor("/m");
    ASSERT_FALSE(reqs.empty());
    EXPECT_EQ("bytes=0-1310719", reqs.front().Header("Range"));
    EXPECT_FALSE(dir.Exists(name + ".vrdt.vrmt"));
  }

  using DownloadTestEnv::dir;
  const size_t size = 2000000;
  std::string body;
  std::wstring md5;
};

// A resume file that does not fit the download it lies beside is not used: the whole file is
// fetched from byte 0.
struct UnfitResume {
  const char* name;
  std::string (*resume)(CDownloadTaskResumeTest& t);  // the resume file's bytes
  bool shortTemporary;  // beside a temporary file shorter than the download, not a whole one
};
void PrintTo(const UnfitResume& k, std::ostream* os) { *os << k.name; }

const UnfitResume kUnfitResumes[] = {
    // It does not read as a resume value: damaged bytes, or none at all.
    {"Damaged", [](CDownloadTaskResumeTest&) { return std::string("\x06\x05\xff\xff\xff", 5); }, false},
    {"Empty", [](CDownloadTaskResumeTest&) { return std::string(); }, false},
    // It claims that only the last byte is missing, but of a file of another size or digest.
    {"OfAnotherSize",
     [](CDownloadTaskResumeTest& t) { return t.Bytes(t.GoodResume(t.size - 1, t.size - 1, t.size + 5)); }, false},
    {"OfAnotherDigest",
     [](CDownloadTaskResumeTest& t) {
       return t.Bytes(t.GoodResume(t.size - 1, t.size - 1, -1, L"0123456789abcdef0123456789abcdef"));
     },
     false},
    {"WronglyTyped",
     [](CDownloadTaskResumeTest& t) {
       ProtoValue v = t.GoodResume(0, 10);
       v[L"ct"] = ProtoValue(L"not a number");
       return t.Bytes(v);
     },
     false},
    // Whatever it says (here: nothing missing), a short temporary file is not trusted.
    {"ShortTemporaryFile", [](CDownloadTaskResumeTest& t) { return t.Bytes(t.Resume(GapList())); }, true},
};

class CDownloadTaskUnfitResumeTest : public CDownloadTaskResumeTest,
                                     public ::testing::WithParamInterface<UnfitResume> {};

TEST_P(CDownloadTaskUnfitResumeTest, MeansAFreshStart) {
  dir.Write("d.bin.vrdt", GetParam().shortTemporary ? body.substr(0, 1000) : std::string(size, 'x'));
  dir.Write("d.bin.vrdt.vrmt", GetParam().resume(*this));
  ExpectFreshDownload("d.bin");
}

INSTANTIATE_TEST_SUITE_P(CDownloadTaskResumeTest, CDownloadTaskUnfitResumeTest, ::testing::ValuesIn(kUnfitResumes),
                         [](const ::testing::TestParamInfo<UnfitResume>& info) { return std::string(info.param.name); });

TEST_F(CDownloadTaskResumeTest, GoodResumeFileFetchesOnlyItsRanges) {
  std::string partial = body;
  partial.replace(1000000, 1000, std::string(1000, 'x'));
  dir.Write("g.bin.vrdt", partial);
  WriteResume("g.bin", GoodResume(1000000, 1000999));
  DownloadOutcome out;
  Add(Url("/m"), L"", L"g.bin", size, out, md5);
  ASSERT_TRUE(RunUntil([&] { return out.done; }));
  EXPECT_EQ(body, dir.Read("g.bin"));
  auto reqs = server.RequestsFor("/m");
  ASSERT_EQ(1u, reqs.size());
  EXPECT_EQ("bytes=1000000-1000999", reqs[0].Header("Range"));
}

TEST_F(CDownloadTaskResumeTest, ResumeFileWithNothingMissingCompletesWithoutSources) {
  dir.Write("n.bin.vrdt", body);
  WriteResume("n.bin", Resume(GapList()));
  DownloadOutcome out;
  Add(Url("/m"), L"", L"n.bin", size, out, md5);
  EXPECT_TRUE(out.done);
  EXPECT_EQ(0, out.et);
  EXPECT_EQ(body, dir.Read("n.bin"));
  EXPECT_EQ(0u, server.RequestsFor("/m").size());
}

TEST_F(CDownloadTaskResumeTest, CompleteFinalFileEndsAtOnceAndKeepsItsBytes) {
  size_t logs = CDownloadTaskQueue::GetInstance().GetTaskLogCount();
  dir.Write("c.bin", body);
  DownloadOutcome out;
  Add(Url("/m"), L"127.0.0.2", L"c.bin", size, out, md5);
  EXPECT_TRUE(out.done);
  EXPECT_EQ(0, out.et);
  EXPECT_EQ(0, out.ec);
  EXPECT_EQ(0u, server.RequestCount());
  // The log left the queue although no report was sent.
  EXPECT_EQ(logs, CDownloadTaskQueue::GetInstance().GetTaskLogCount());

  // A stale temporary file (here zero-filled, as pre-sized) never replaces the good file.
  dir.Write("c.bin.vrdt", std::string(size, '\0'));
  DownloadOutcome again;
  Add(Url("/m"), L"", L"c.bin", size, again, md5);
  EXPECT_TRUE(again.done);
  EXPECT_EQ(0, again.et);
  EXPECT_EQ(body, dir.Read("c.bin"));
  EXPECT_FALSE(dir.Exists("c.bin.vrdt"));
  EXPECT_FALSE(dir.Exists("c.bin.vrdt.vrmt"));
}

TEST_F(CDownloadTaskResumeTest, RenameFailureIsRetriedOnTheTicksAndEndsWithTheFilesSystemError) {
  // The final name is taken by a folder that is not empty.
  ASSERT_EQ(0, mkdir(dir.Host("x.bin").c_str(), 0755));
  dir.Write("x.bin/inside", "1");
  InstantPause pauses;
  TraceCapture trace;
  DownloadOutcome out;
  Add(Url("/m"), L"", L"x.bin", size, out, md5);
  // The first attempt fails as the last block arrives: the end waits for the retries.
  ASSERT_TRUE(RunUntil([&] { return trace.Contains(L"重命名失败"); }));
  EXPECT_FALSE(out.done);
  // They come with the engine's ticks: the main thread never sleeps for them.
  ASSERT_TRUE(RunUntil([&] { return out.done; }, 30000, 1000));
  EXPECT_EQ(0u, InstantPause::Total());
  EXPECT_EQ(1, out.calls);
  // The folder's file failed, by its system error, not a source.
  EXPECT_EQ(static_cast<int>(kErrSys), out.et);
  EXPECT_EQ(static_cast<int>(ERROR_ACCESS_DENIED), out.ec);
  EXPECT_TRUE(body == dir.Read("x.bin.vrdt"));
  EXPECT_TRUE(dir.Exists("x.bin.vrdt.vrmt"));
  EXPECT_EQ(nullptr, Task(L"x.bin"));

  // A name that frees itself during the retries is taken.
  ASSERT_EQ(0, mkdir(dir.Host("y.bin").c_str(), 0755));
  trace.Clear();
  DownloadOutcome freed;
  Add(Url("/m"), L"", L"y.bin", size, freed, md5);
  ASSERT_TRUE(RunUntil([&] { return trace.Contains(L"重命名失败"); }));
  ASSERT_FALSE(freed.done);
  ASSERT_EQ(0, rmdir(dir.Host("y.bin").c_str()));
  ASSERT_TRUE(RunUntil([&] { return freed.done; }, 30000, 1000));
  EXPECT_EQ(0, freed.et);
  EXPECT_TRUE(body == dir.Read("y.bin"));
  EXPECT_FALSE(dir.Exists("y.bin.vrdt.vrmt"));

  // Each of the next ones downloads into a name that a folder holds, up to the first failed move.
  auto untilMoveFails = [&](const std::string& name, DownloadOutcome& outcome) {
    ASSERT_EQ(0, mkdir(dir.Host(name).c_str(), 0755));
    dir.Write(name + "/inside", "1");
    trace.Clear();
    Add(Url("/m"), L"", StringUtils::FromUtf8(name), size, outcome, md5);
    ASSERT_TRUE(RunUntil([&] { return trace.Contains(L"重命名失败"); }));
  };
  // Removed while it waits: no end is reported, and nothing of it is left in the queue.
  DownloadOutcome removed;
  untilMoveFails("z.bin", removed);
  CDownloadTaskQueue::GetInstance().RemoveTask(dir.Win(L"z.bin"));
  EXPECT_EQ(nullptr, Task(L"z.bin"));
  EXPECT_FALSE(trace.Contains(L"状态错误"));
  RunUntil([] { return false; }, 300, 1000);
  EXPECT_FALSE(removed.done);

  // A later attempt that finds nothing left to move is no success while the name still holds
  // the folder: nothing was moved into place.
  DownloadOutcome vanished;
  untilMoveFails("q.bin", vanished);
  ASSERT_EQ(0, unlink(dir.Host("q.bin.vrdt").c_str()));
  ASSERT_TRUE(RunUntil([&] { return vanished.done; }, 30000, 1000));
  EXPECT_EQ(static_cast<int>(kErrSys), vanished.et);
  EXPECT_EQ(static_cast<int>(ERROR_FILE_NOT_FOUND), vanished.ec);
  EXPECT_EQ("1", dir.Read("q.bin/inside"));
}

// Without a digest nothing of an earlier run is taken for the new file: neither the blocks a
// resume file of the same size claims nor a complete file of that size; it is fetched afresh.
TEST_F(CDownloadTaskResumeTest, WithoutADigestNothingOfAnEarlierRunIsTaken) {
  auto addWithoutDigest = [&](const std::wstring& name, DownloadOutcome& out) {
    CDownloadTaskQueue::GetInstance().AddTask(Url("/m"), L"", L"", 0, dir.Win(name), L"", size, "",
                                              reinterpret_cast<uintptr_t>(&out), nullptr, 0,
                                              &DownloadOutcome::OnDone, 0);
  };
  dir.Write("u.bin.vrdt", body.substr(0, 1000000) + std::string(size - 1000000, 'x'));
  ProtoValue claim = GoodResume(1000000, size - 1);
  claim[L"fh"] = ProtoValue(L"");  // of a download without a digest
  WriteResume("u.bin", claim);
  DownloadOutcome resumed;
  addWithoutDigest(L"u.bin", resumed);
  ASSERT_TRUE(RunUntil([&] { return resumed.done; }));
  EXPECT_EQ(0, resumed.et);
  EXPECT_TRUE(body == dir.Read("u.bin"));
  auto reqs = server.RequestsFor("/m");
  ASSERT_FALSE(reqs.empty());
  EXPECT_EQ("bytes=0-1310719", reqs.front().Header("Range"));

  dir.Write("w.bin", std::string(size, 'y'));
  const size_t asked = server.RequestsFor("/m").size();
  DownloadOutcome left;
  addWithoutDigest(L"w.bin", left);
  ASSERT_TRUE(RunUntil([&] { return left.done; }));
  EXPECT_EQ(0, left.et);
  EXPECT_TRUE(body == dir.Read("w.bin"));
  EXPECT_GT(server.RequestsFor("/m").size(), asked);
}

// A file failure like any other of the engine's: the pair of a system error, not a code of the
// engine's own that reads as the network's.
TEST_F(CDownloadTaskResumeTest, TemporaryFileThatCannotBePreparedEndsWithItsSystemError) {
  DownloadOutcome out;
  CDownloadTaskQueue::GetInstance().AddTask(Url("/m"), L"", L"", 0, dir.Win(L"no\\such\\z.bin"), md5, size, "",
                                            reinterpret_cast<uintptr_t>(&out), nullptr, 0,
                                            &DownloadOutcome::OnDone, 0);
  EXPECT_TRUE(out.done);
  EXPECT_EQ(static_cast<int>(kErrSys), out.et);
  EXPECT_EQ(static_cast<int>(ERROR_PATH_NOT_FOUND), out.ec);
}

// The temporary file is removed, or replaced by another, while the download runs (a user, a
// cleaner, a scanner): the bytes written so far are gone, and the task fails by the file.
TEST_F(CDownloadTaskResumeTest, TemporaryFileRemovedOrReplacedMidwayIsAFailure) {
  const struct {
    const char* name;
    bool replaced;
  } cases[] = {{"removed", false}, {"replaced", true}};
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    const std::string name = std::string(k.name) + ".bin";
    const std::string temp = dir.Host(name + ".vrdt");
    server.SetHandler("/m", [this, temp, k](const Request& r) {
      // The first block: its bytes go to the file that was there when it started.
      if (r.Header("Range").rfind("bytes=0-", 0) == 0) {
        unlink(temp.c_str());
        if (k.replaced) std::ofstream(temp, std::ios::binary) << std::string(size, 'z');
      }
      Script s;
      s.ranges = true;
      s.body = body;
      return s;
    });
    DownloadOutcome out;
    Add(Url("/m"), L"", StringUtils::FromUtf8(name), size, out, md5);
    ASSERT_TRUE(RunUntil([&] { return out.done; }));
    EXPECT_EQ(1, out.calls);
    EXPECT_EQ(static_cast<int>(kErrSys), out.et);
    EXPECT_EQ(static_cast<int>(ERROR_FILE_NOT_FOUND), out.ec);
    EXPECT_FALSE(dir.Exists(name));
  }
}

// The download's folder is a small file system of its own, mounted before the channel's
// threads start so that their writes land on it.
class CDownloadTaskFullDiskTest : public CDownloadTaskResumeTest {
 protected:
  void SetUp() override {
    small.reset(new SmallFileSystem(dir.Host("small"), 256 << 10));
    if (!small->Mounted()) GTEST_SKIP() << "no mount privilege";
    CDownloadTaskResumeTest::SetUp();
  }
  std::unique_ptr<SmallFileSystem> small;
};

TEST_F(CDownloadTaskFullDiskTest, FileThatCannotBeWrittenEndsTheTaskWithTheSystemErrorAtOnce) {
  DownloadOutcome out;
  Add(Url("/m"), L"127.0.0.2;127.0.0.3", L"small\\f.bin", size, out, md5);
  // No engine time passes: the end comes from the failed write, not from the sources running
  // out after ten seconds.
  ASSERT_TRUE(RunUntil([&] { return out.done; }, 10000));
  EXPECT_EQ(1, out.calls);
  EXPECT_EQ(1, out.et);
  EXPECT_EQ(static_cast<int>(ERROR_DISK_FULL), out.ec);
  EXPECT_EQ(nullptr, Task(L"small\\f.bin"));
}

TEST_F(CDownloadTaskResumeTest, FailedPreSizeNeverLeadsToACompleteClaim) {
  // A size no file system can hold: the pre-size fails, and so does every later run.
  const int64_t huge = int64_t{1} << 62;
  for (int run = 0; run < 2; ++run) {
    DownloadOutcome out;
    Add(Url("/m"), L"", L"p.bin", huge, out, md5);
    EXPECT_TRUE(out.done);
    EXPECT_EQ(static_cast<int>(kErrSys), out.et) << run;
    EXPECT_NE(0, out.ec) << run;
    EXPECT_FALSE(dir.Exists("p.bin")) << run;
    ProtoValue saved = ReadResume("p.bin");
    if (!saved.isNull()) {
      CTaskMetaFile meta;
      meta.m_value = saved;
      EXPECT_EQ(0, meta.GetDownloadedSize()) << run;
    }
  }
  EXPECT_EQ(0u, server.RequestsFor("/m").size());
}

}  // namespace

namespace {

// The host by name answers slowly; "localhost" (the CDN host) answers at once.
HttpTestServer::Handler SlowExceptOnCdn(const std::string& body) {
  return DownloadTestEnv::RangesUnless(body, &DownloadTestEnv::NotOnCdn, [](HttpTestServer::Script& s) {
    s.trickleBytes = 1000;
    s.trickleMs = 20;
  });
}

bool AskedCdn(const HttpTestServer& server, const std::string& path) {
  for (const auto& r : server.RequestsFor(path))
    if (!DownloadTestEnv::NotOnCdn(r)) return true;
  return false;
}

class CDownloadTaskCdnTest : public CDownloadTaskTest {
 protected:
  // Ticks the engine `ticks` times, one manual second each.
  void Tick(int ticks) {
    for (int i = 0; i < ticks; ++i) {
      MainThreadPump::Drain();
      jf::TickAdvance(1000);
      CDownloadTaskQueue::GetInstance().OnTimer();
    }
  }
  const size_t size = 3000000;
};

// Sources slow for twenty seconds of the engine's ticks switch to the CDN host, counted across
// the wrap of the 32-bit tick; without a CDN host nothing switches. Once switched, one CDN
// source joins, and never a second.
struct CdnSwitch {
  const char* name;
  uint64_t start;  // the tick count at the start (0: the fixture's)
  const wchar_t* cdnHost;
  std::vector<std::pair<int, bool>> steps;  // ticks, then whether the task has switched
};
void PrintTo(const CdnSwitch& k, std::ostream* os) { *os << k.name; }

class CDownloadTaskCdnSwitchTest : public CDownloadTaskCdnTest, public ::testing::WithParamInterface<CdnSwitch> {};

TEST_P(CDownloadTaskCdnSwitchTest, AfterTwentySlowSeconds) {
  const CdnSwitch& k = GetParam();
  if (k.start) jf::TickOverride(k.start);
  std::string body = HttpTestServer::RandomBody(size, 41);
  server.SetHandler("/c", SlowExceptOnCdn(body));
  DownloadOutcome out;
  Add(Url("/c"), L"", L"c.bin", size, out, Md5Of(body), k.cdnHost, 100000000);
  ASSERT_NE(nullptr, Task(L"c.bin"));
  for (const auto& step : k.steps) {
    Tick(step.first);
    ASSERT_NE(nullptr, Task(L"c.bin"));
    EXPECT_EQ(step.second, Task(L"c.bin")->IsSwitched()) << step.first;
  }
  if (!k.steps.back().second) return;
  CDownloadTask* task = Task(L"c.bin");
  EXPECT_TRUE(task->IsCdnUsed());
  EXPECT_EQ(2u, task->GetPeers().size());
  ASSERT_TRUE(MainThreadPump::Until([&] { return AskedCdn(server, "/c"); }));
  Tick(25);
  EXPECT_EQ(2u, task->GetPeers().size());
}

INSTANTIATE_TEST_SUITE_P(
    CDownloadTaskCdnTest, CDownloadTaskCdnSwitchTest,
    ::testing::Values(CdnSwitch{"SlowSources", 0, L"localhost", {{20, false}, {1, true}}},
                      CdnSwitch{"AcrossTheTickWrap", 0xFFFFFFFFull - 4500, L"localhost", {{3, false}, {17, false}, {1, true}}},
                      CdnSwitch{"NoCdnHostNever", 0, L"", {{30, false}}}),
    [](const ::testing::TestParamInfo<CdnSwitch>& info) { return std::string(info.param.name); });

TEST_F(CDownloadTaskCdnTest, AllSourcesFailedSwitchesToTheCdnAtOnce) {
  std::string body = HttpTestServer::RandomBody(size, 44);
  server.SetHandler("/f", RangesUnless(body, &NotOnCdn, [](Script& s) {
                      s = Script();
                      s.status = 500;
                    }));
  DownloadOutcome out;
  Add(Url("/f"), L"127.0.0.2", L"f.bin", size, out, Md5Of(body), L"localhost", 0);
  ASSERT_TRUE(RunUntil([&] { return out.done; }));
  EXPECT_EQ(0, out.et);
  EXPECT_EQ(body, dir.Read("f.bin"));
  EXPECT_TRUE(AskedCdn(server, "/f"));
}

// Hears what the sources tell the engine, as the task queue does.
class DiagnosisListener : public DAEventListener {
 public:
  void OnEvent(int32_t event, int32_t, int32_t, ProtoValue& payload) override {
    if (event == DAEventDiagnose) requests.push_back(payload);
  }
  std::vector<ProtoValue> requests;
};

TEST_F(CDownloadTaskCdnTest, FailingCdnSourceAsksForADiagnosisThroughTheEventCentre) {
  server.SetHandler("/d", [](const HttpTestServer::Request&) {
    Script s;
    s.status = 404;
    return s;
  });
  DiagnosisListener listener;
  DAEventCenter::GetInstance().AddListener(&listener);
  DownloadOutcome out;
  Add(Url("/d"), L"127.0.0.2", L"d.bin", size, out, L"", L"localhost", 0);
  bool asked = RunUntil([&] { return !listener.requests.empty(); });
  DAEventCenter::GetInstance().RemoveListener(&listener);
  ASSERT_TRUE(asked);
  const ProtoValue& request = listener.requests.front();
  EXPECT_EQ(4, request.get(L"fields").get(L"opt_result").integer());
  EXPECT_EQ(L"localhost", request.get(L"host").string());
}

TEST_F(CDownloadTaskCdnTest, NoSourceForTenSecondsEndsWith809) {
  DownloadOutcome out;
  Add(Url("/none"), L"127.0.0.2;127.0.0.3", L"z.bin", size, out);
  ASSERT_TRUE(MainThreadPump::Until([&] { return Task(L"z.bin")->GetPeers().empty(); }));
  Tick(1);  // the clock starts
  Tick(10);
  EXPECT_FALSE(out.done);
  Tick(1);
  EXPECT_TRUE(out.done);
  EXPECT_EQ(3, out.et);
  EXPECT_EQ(809, out.ec);
  EXPECT_EQ(nullptr, Task(L"z.bin"));
  // The partial download stays for a later run.
  EXPECT_TRUE(dir.Exists("z.bin.vrdt"));
  EXPECT_TRUE(dir.Exists("z.bin.vrdt.vrmt"));
}

TEST_F(CDownloadTaskCdnTest, SourcesFailingInsideTheirStartAreHandledAfterTheCall) {
  // A resume file with the temporary "file" being a folder: every source fails to open it
  // while the task is still handing out its block.
  CTaskMetaFile meta;
  GapList free;
  free.AddRange(0, size - 1);
  meta.Build(0, size, L"md5-r.bin", 0, 0, nullptr, free);
  dir.Write("r.bin.vrdt.vrmt", CDownloadTaskResumeTest::Bytes(meta.m_value));
  ASSERT_EQ(0, mkdir(dir.Host("r.bin.vrdt").c_str(), 0755));
  DownloadOutcome out;
  Add(Url("/r"), L"127.0.0.2;127.0.0.3", L"r.bin", size, out);
  CDownloadTask* task = Task(L"r.bin");
  ASSERT_NE(nullptr, task);
  // Sources and blocks are still intact until the main loop runs the results.
  EXPECT_EQ(3u, task->GetPeers().size());
  EXPECT_EQ(3u, task->GetRequests().size());
  // Then the first result ends the task at once with the file's system error (the folder
  // refuses the file, as no other source can mend); the others' results find it gone.
  MainThreadPump::Drain();
  EXPECT_TRUE(out.done);
  EXPECT_EQ(1, out.calls);
  EXPECT_EQ(1, out.et);
  EXPECT_EQ(static_cast<int>(ERROR_ACCESS_DENIED), out.ec);
  EXPECT_EQ(nullptr, Task(L"r.bin"));
  EXPECT_EQ(0u, server.RequestCount());
}

}  // namespace
