#include "commonlib/peer/CVRDownloadFileIO.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>

#include "tests/support/TempFolder.h"

namespace {

TEST(CVRDownloadFileIOTest, WritesAtTheOffsetAndKeepsTheRestOfTheFile) {
  TempFolder dir;
  dir.Write("f.vrdt", std::string(10, '.'));
  CVRDownloadFileIO io;
  ASSERT_TRUE(io.open(dir.Win(L"f.vrdt"), 4));
  EXPECT_EQ(io.Write("abc", 3), 3);
  EXPECT_EQ(io.GetWrittenBytes(), 3u);
  io.Close();
  EXPECT_EQ(dir.Read("f.vrdt"), "....abc...");
  // A write after Close never reaches a file.
  EXPECT_EQ(io.Write("x", 1), -1);
  EXPECT_EQ(io.GetErrorType(), 3);
  EXPECT_EQ(io.GetErrorCode(), 2001);

  // Offset 0 creates a missing file and writes from its start.
  CVRDownloadFileIO fresh;
  ASSERT_TRUE(fresh.open(dir.Win(L"new.vrdt"), 0));
  EXPECT_EQ(fresh.Write("hello", 5), 5);
  fresh.Close();
  EXPECT_EQ(dir.Read("new.vrdt"), "hello");
  EXPECT_EQ(fresh.GetErrorType(), 0);
}

TEST(CVRDownloadFileIOTest, OpenInAMissingFolderReportsTheSystemError) {
  TempFolder dir;
  CVRDownloadFileIO io;
  EXPECT_FALSE(io.open(dir.Win(L"no\\such\\f.vrdt"), 0));
  EXPECT_EQ(io.GetErrorType(), 1);
  EXPECT_EQ(io.GetErrorCode(), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(io.Write("a", 1), -1);
  EXPECT_EQ(io.GetErrorCode(), 2001);
}

TEST(CVRDownloadFileIOTest, AFailingWriteGivesTheSystemError) {
  TempFolder dir;
  ASSERT_EQ(symlink("/dev/full", dir.Host("full.vrdt").c_str()), 0);
  CVRDownloadFileIO io;
  ASSERT_TRUE(io.open(dir.Win(L"full.vrdt"), 0, 99));
  EXPECT_EQ(io.Write("abc", 3), -1);
  EXPECT_EQ(io.GetErrorType(), 1);
  EXPECT_EQ(io.GetErrorCode(), ERROR_DISK_FULL);
  EXPECT_EQ(io.GetWrittenBytes(), 0u);
}

TEST(CVRDownloadFileIOTest, FailedSeekInOpenIsAnErrorPair) {
  TempFolder dir;
  CVRDownloadFileIO io;
  // An offset the file system cannot reach.
  EXPECT_FALSE(io.open(dir.Win(L"f.vrdt"), 0x7FFFFFFFFFFFFFF0ull));
  EXPECT_EQ(io.GetErrorType(), 1);
  EXPECT_NE(io.GetErrorCode(), 0);
  EXPECT_FALSE(io.IsOpen());
}

TEST(CVRDownloadFileIOTest, RefusesBytesPastTheBlockAndAfterDispose) {
  TempFolder dir;
  dir.Write("f.vrdt", std::string(12, '.'));
  CVRDownloadFileIO io;
  // Block [4, 7]: four bytes of room.
  ASSERT_TRUE(io.open(dir.Win(L"f.vrdt"), 4, 7));
  EXPECT_EQ(io.Write("ab", 2), 2);
  EXPECT_EQ(io.Write("cdXYZ", 5), -1);
  EXPECT_EQ(io.GetErrorType(), 3);
  EXPECT_EQ(io.GetErrorCode(), 2009);
  EXPECT_EQ(io.GetWrittenBytes(), 4u);
  EXPECT_EQ(io.Write("Q", 1), -1);
  io.Close();
  EXPECT_EQ(dir.Read("f.vrdt"), "....abcd....");

  // The server ignored the range: after Dispose nothing more lands in the file.
  CVRDownloadFileIO ignored;
  ASSERT_TRUE(ignored.open(dir.Win(L"f.vrdt"), 0, 3));
  ignored.Dispose();
  EXPECT_EQ(ignored.Write("ZZ", 2), -1);
  EXPECT_EQ(ignored.GetErrorCode(), 2001);
  ignored.Close();
  EXPECT_EQ(dir.Read("f.vrdt"), "....abcd....");
  // A new open clears the refusal.
  ASSERT_TRUE(ignored.open(dir.Win(L"f.vrdt"), 8, 11));
  EXPECT_EQ(ignored.Write("wxyz", 4), 4);
  ignored.Close();
  EXPECT_EQ(dir.Read("f.vrdt"), "....abcdwxyz");

  // An offset beyond the block's end leaves no room at all.
  CVRDownloadFileIO past;
  ASSERT_TRUE(past.open(dir.Win(L"f.vrdt"), 9, 7));
  EXPECT_EQ(past.Write("!", 1), -1);
  EXPECT_EQ(past.GetErrorCode(), 2009);
  past.Close();
  EXPECT_EQ(dir.Read("f.vrdt"), "....abcdwxyz");
}

TEST(CVRDownloadFileIOTest, CloseFromAnotherThreadStopsWritesCleanly) {
  TempFolder dir;
  CVRDownloadFileIO io;
  ASSERT_TRUE(io.open(dir.Win(L"f.vrdt"), 0));
  std::atomic<bool> failed(false);
  std::atomic<uint64_t> okBytes(0);
  std::thread writer([&] {
    char chunk[512];
    for (int i = 0; i < 512; ++i) chunk[i] = static_cast<char>('a' + i % 26);
    for (int i = 0; i < 4000 && !failed; ++i) {
      if (io.Write(chunk, sizeof(chunk)) < 0) {
        failed = true;
      } else {
        okBytes += sizeof(chunk);
      }
    }
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(2));
  io.Close();
  writer.join();
  EXPECT_EQ(io.GetWrittenBytes(), okBytes.load());
  EXPECT_EQ(dir.Read("f.vrdt").size(), okBytes.load());
  if (failed) {
    EXPECT_EQ(io.GetErrorCode(), 2001);
  }
}

}  // namespace
