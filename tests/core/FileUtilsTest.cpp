// File utilities on real folders under a unique temporary folder (drive Z: is the host root).
#include <gtest/gtest.h>

#include <windows.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <chrono>
#include <fstream>
#include <mutex>

#include "TempFolder.h"
#include "util/FileUtils.h"

namespace {

using namespace FileUtils;

void WriteHostFile(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

std::string ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool HostExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

TEST(FileUtilsTest, PathTexts) {
  EXPECT_EQ(NormalizePath(L"C://x//y/"), L"C:\\x\\y");
  EXPECT_EQ(NormalizePath(L"C:\\\\\\a"), L"C:\\a");
  EXPECT_EQ(NormalizePath(L""), L"");
  EXPECT_EQ(GetParentDir(L"C:\\a\\b.txt"), L"C:\\a");
  EXPECT_EQ(GetParentDir(L"b.txt"), L"");
  EXPECT_EQ(GetParentDir(L"C:/a/b/"), L"C:\\a");
  EXPECT_EQ(GetFileName(L"C:\\a\\b.txt"), L"b.txt");
  EXPECT_EQ(GetFileName(L"b.txt"), L"b.txt");
  EXPECT_EQ(GetAfterLast(L"a.b.c", L"."), L"c");
  EXPECT_EQ(GetAfterLast(L"abc", L"."), L"");
  EXPECT_EQ(GetAfterLast(L"a::b::", L"::"), L"");
}

TEST(FileUtilsTest, PathTests) {
  EXPECT_TRUE(IsValidPath(L"D:\\Games\\JF"));
  EXPECT_TRUE(IsValidPath(L"d:"));
  EXPECT_FALSE(IsValidPath(L"1:\\x"));
  EXPECT_FALSE(IsValidPath(L"DD:\\x"));
  EXPECT_FALSE(IsValidPath(L"\\\\server\\share"));
  EXPECT_FALSE(IsValidPath(L"C:\\a*b"));
  EXPECT_FALSE(IsValidPath(L"C:\\a:b"));
  EXPECT_FALSE(IsValidPath(L"C:\\a/b"));
  EXPECT_FALSE(IsValidPath(L""));
  EXPECT_TRUE(IsAbsolutePath(L"C:\\x"));
  EXPECT_TRUE(IsAbsolutePath(L"\\\\srv\\x"));
  EXPECT_FALSE(IsAbsolutePath(L"x\\y"));
  EXPECT_TRUE(IsDriveExist(L"Z:\\nothing\\here"));
}

TEST(FileUtilsTest, CreateTreeAndFiles) {
  TempFolder temp;
  EXPECT_TRUE(CreateDirectoryTree(temp.Win(L"a\\b/c")));
  EXPECT_TRUE(HostExists(temp.Host("a/b/c")));
  EXPECT_TRUE(CreateDirectoryTree(temp.Win(L"a\\b\\c\\")));  // all there already
  EXPECT_FALSE(CreateDirectoryTree(L""));
  EXPECT_FALSE(CreateDirectoryTree(L"relative\\x"));
  EXPECT_FALSE(CreateDirectoryTree(L"\\\\server\\share\\x"));

  EXPECT_TRUE(CreateEmptyFile(temp.Win(L"n\\m\\empty.dat")));
  EXPECT_TRUE(HostExists(temp.Host("n/m/empty.dat")));
  WriteHostFile(temp.Host("full.dat"), "content");
  EXPECT_TRUE(CreateEmptyFile(temp.Win(L"full.dat")));
  EXPECT_EQ(ReadHostFile(temp.Host("full.dat")), "");

  EXPECT_TRUE(CreateUnicodeFile(temp.Win(L"u.ini")));
  EXPECT_EQ(ReadHostFile(temp.Host("u.ini")), "\xff\xfe");
  WriteHostFile(temp.Host("u.ini"), "kept");
  EXPECT_FALSE(CreateUnicodeFile(temp.Win(L"u.ini")));
  EXPECT_EQ(ReadHostFile(temp.Host("u.ini")), "kept");
  EXPECT_FALSE(CreateUnicodeFile(temp.Win(L"missing\\u.ini")));
}

struct Trace {
  std::mutex mutex;
  std::vector<std::wstring> lines;
};
void Collect(const wchar_t* text, void* context) {
  auto* t = static_cast<Trace*>(context);
  std::lock_guard<std::mutex> lock(t->mutex);
  t->lines.push_back(text);
}

TEST(FileUtilsTest, CreateTreeThroughAFileFailsAndLogs) {
  TempFolder temp;
  WriteHostFile(temp.Host("file"), "x");
  Trace trace;
  jf::SetDebugOutputHook(Collect, &trace);
  bool created = CreateDirectoryTree(temp.Win(L"file\\sub\\deeper"));
  jf::SetDebugOutputHook(nullptr, nullptr);
  EXPECT_FALSE(created);
  ASSERT_EQ(trace.lines.size(), 1u);
  const std::wstring expected = L"CreateDirByJf:" + temp.Win(L"file") + L" GetLastError ";
  EXPECT_NE(trace.lines[0].find(expected), std::wstring::npos);
  EXPECT_EQ(trace.lines[0].substr(0, 6), L"[ERRO]");
}

TEST(FileUtilsTest, DeleteAndMoveWithRetries) {
  TempFolder temp;
  EXPECT_TRUE(DeleteFileRetry(temp.Win(L"absent"), 3));  // nothing to delete: no attempt, no sleep
  WriteHostFile(temp.Host("f"), "1");
  EXPECT_TRUE(DeleteFileRetry(temp.Win(L"f"), 0));
  EXPECT_FALSE(HostExists(temp.Host("f")));

  // A folder cannot be deleted as a file: every attempt fails.
  ASSERT_TRUE(CreateDirectoryTree(temp.Win(L"dir")));
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(DeleteFileRetry(temp.Win(L"dir"), 0));
  auto once = std::chrono::steady_clock::now() - start;
  EXPECT_LT(once, std::chrono::milliseconds(50));
  start = std::chrono::steady_clock::now();
  EXPECT_FALSE(DeleteFileRetry(temp.Win(L"dir"), 1));  // sleeps 1 + 101 ms
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));

  WriteHostFile(temp.Host("src"), "new");
  WriteHostFile(temp.Host("dst"), "old");
  EXPECT_TRUE(MoveFileRetry(temp.Win(L"src"), temp.Win(L"dst"), 2));
  EXPECT_EQ(ReadHostFile(temp.Host("dst")), "new");
  EXPECT_FALSE(HostExists(temp.Host("src")));
  EXPECT_FALSE(MoveFileRetry(temp.Win(L"src"), temp.Win(L"dst"), 2));
}

TEST(FileUtilsTest, DeleteTreeWithReadOnlyFiles) {
  TempFolder temp;
  ASSERT_TRUE(CreateDirectoryTree(temp.Win(L"t\\a\\b")));
  ASSERT_TRUE(CreateDirectoryTree(temp.Win(L"t\\empty")));
  WriteHostFile(temp.Host("t/x.txt"), "x");
  WriteHostFile(temp.Host("t/a/b/y.txt"), "y");
  WriteHostFile(temp.Host("t/a/ro.txt"), "r");
  ASSERT_TRUE(SetFileAttributesW(temp.Win(L"t\\a\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(DeleteDirectoryTree(temp.Win(L"t")));
  EXPECT_FALSE(HostExists(temp.Host("t")));
  EXPECT_TRUE(DeleteDirectoryTree(temp.Win(L"t")));  // already gone

  WriteHostFile(temp.Host("ro"), "r");
  ASSERT_TRUE(SetFileAttributesW(temp.Win(L"ro").c_str(), FILE_ATTRIBUTE_READONLY));
  ClearReadOnly(temp.Win(L"ro"));
  EXPECT_EQ(GetFileAttributesW(temp.Win(L"ro").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  ClearReadOnly(temp.Win(L"absent"));  // nothing happens
}

TEST(FileUtilsTest, DeleteTreeRemovesLinksWithoutWalkingThem) {
  TempFolder temp;
  ASSERT_TRUE(CreateDirectoryTree(temp.Win(L"outside")));
  ASSERT_TRUE(CreateDirectoryTree(temp.Win(L"tree\\sub")));
  WriteHostFile(temp.Host("outside/keep.txt"), "k");
  WriteHostFile(temp.Host("tree/sub/gone.txt"), "g");
  ASSERT_EQ(symlink(temp.Host("outside").c_str(), temp.Host("tree/link").c_str()), 0);
  ASSERT_EQ(symlink(temp.Host("outside/keep.txt").c_str(), temp.Host("tree/filelink").c_str()), 0);
  EXPECT_TRUE(DeleteDirectoryTree(temp.Win(L"tree")));
  EXPECT_FALSE(HostExists(temp.Host("tree")));
  EXPECT_EQ(ReadHostFile(temp.Host("outside/keep.txt")), "k");
}

TEST(FileUtilsTest, SizesTimesAndExistence) {
  TempFolder temp;
  WriteHostFile(temp.Host("s.bin"), std::string(1234, 'x'));
  EXPECT_EQ(GetFileSize(temp.Win(L"s.bin")), 1234u);
  EXPECT_EQ(GetFileSize(temp.Win(L"none.bin")), static_cast<uint64_t>(-1));
  EXPECT_TRUE(IsFileExist(temp.Win(L"s.bin")));
  EXPECT_TRUE(IsFileExist(temp.Win()));
  EXPECT_FALSE(IsFileExist(temp.Win(L"none.bin")));

  struct utimbuf times = {1500000000, 1500000000};
  ASSERT_EQ(utime(temp.Host("s.bin").c_str(), &times), 0);
  uint64_t seconds = 0;
  EXPECT_TRUE(GetFileModifyTime(temp.Win(L"s.bin"), seconds));
  EXPECT_EQ(seconds, 1500000000u);
  EXPECT_FALSE(GetFileModifyTime(temp.Win(L"none.bin"), seconds));
}

TEST(FileUtilsTest, ModifyTimeOfARelativePathIsBelowTheProgramFolder) {
  char name[64];
  snprintf(name, sizeof name, "jf_mtime_%d.tmp", static_cast<int>(getpid()));
  std::string host = std::string(JF_TEST_BIN_DIR) + "/" + name;
  WriteHostFile(host, "t");
  struct utimbuf times = {1400000000, 1400000000};
  ASSERT_EQ(utime(host.c_str(), &times), 0);
  uint64_t seconds = 0;
  std::wstring relative(name, name + strlen(name));
  bool found = GetFileModifyTime(relative, seconds);
  remove(host.c_str());
  EXPECT_TRUE(found);
  EXPECT_EQ(seconds, 1400000000u);
}

TEST(FileUtilsTest, DirWritableProbesTheNearestExistingFolder) {
  TempFolder temp;
  EXPECT_TRUE(IsDirWritable(temp.Win(L"not\\yet\\there")));
  EXPECT_FALSE(HostExists(temp.Host("not")));
  // No probe left behind.
  EXPECT_TRUE(DeleteDirectoryTree(temp.Win()));
  EXPECT_FALSE(HostExists(temp.Host()));
}

}  // namespace
