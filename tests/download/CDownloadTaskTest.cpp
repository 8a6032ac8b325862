// The download task end to end: real transfers from the scripted server through the
// download channel, the queue and the task, with the engine tick driven by the test.
#include "CDownloadTask.h"

#include "DownloadTestEnv.h"
#include "peer/CHttpDownloadPeer.h"

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

}  // namespace
