// File utilities on real folders under a unique temporary folder (drive Z: is the host root).
#include <gtest/gtest.h>

#include <windows.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <algorithm>
#include <fstream>

#include "tests/support/core/CapturedLog.h"
#include "tests/support/core/InstantPause.h"
#include "tests/support/TempFolder.h"
#include "commonlib/util/FileUtils.h"
#include "commonlib/util/StringUtils.h"

namespace {

using namespace FileUtils;

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

// A folder is kept in one form, however it was written; a name inside it gets one separator.
TEST(FileUtilsTest, CanonicalFolderAndPathInFolder) {
  const struct {
    const wchar_t* written;
    const wchar_t* canonical;
  } cases[] = {
      {L"D:\\Games\\jf", L"D:\\Games\\jf"},   {L"D:\\Games\\jf\\", L"D:\\Games\\jf"},
      {L"D:/Games/jf/", L"D:\\Games\\jf"},     {L"D:\\\\Games//jf\\\\", L"D:\\Games\\jf"},
      {L"D:\\", L"D:\\"},                      {L"D:/", L"D:\\"},
      {L"D:", L"D:\\"},                        {L"D:\\\\", L"D:\\"},
      {L"\\\\server\\share\\", L"\\\\server\\share"}, {L"", L""},
      {L"jf\\", L"jf"},
      // "." and ".." are resolved, never above a root.
      {L"D:\\games\\.\\jf", L"D:\\games\\jf"},  {L"D:\\games\\..\\games\\jf", L"D:\\games\\jf"},
      {L"D:\\games\\jf\\..", L"D:\\games"},    {L"D:\\jf\\..\\", L"D:\\"},
      {L"D:\\..\\..\\jf\\.", L"D:\\jf"},      {L"D:jf", L"D:\\jf"},
      {L"\\\\server\\share\\..\\x", L"\\\\server\\share\\x"}, {L".\\jf", L"jf"},
      {L"a\\..\\..\\b", L"..\\b"},             {L"...\\ ..", L"...\\ .."},
      {L"a\\..\\D:x", L".\\D:x"},  // a piece that reads as a drive stays a piece
  };
  for (const auto& k : cases) {
    EXPECT_EQ(CanonicalFolder(k.written), k.canonical) << StringUtils::WideToUtf8(k.written);
    EXPECT_EQ(CanonicalFolder(k.canonical), k.canonical);
  }
  EXPECT_EQ(PathInFolder(L"D:\\", L"vrinstaller.exe"), L"D:\\vrinstaller.exe");
  EXPECT_EQ(PathInFolder(L"D:\\jf", L"vrinstaller.exe"), L"D:\\jf\\vrinstaller.exe");
  EXPECT_EQ(PathInFolder(L"", L"jf"), L"jf");  // in the relative folder, not at a root
}

// One folder is one folder by the file system's own identity, however it is written; a
// different case is a different folder here, and a folder that is not there is no one's.
TEST(FileUtilsTest, SameFolderByIdentity) {
  TempFolder temp;
  ASSERT_TRUE(CreateDirectoryTree(temp.Win(L"games\\jf")));
  ASSERT_TRUE(CreateDirectoryTree(temp.Win(L"GAMES\\JF")));
  temp.Write("games/file", "x");
  const std::wstring jf = temp.Win(L"games\\jf");
  EXPECT_TRUE(IsSameFolder(jf, temp.Win(L"games\\.\\jf\\")));
  EXPECT_TRUE(IsSameFolder(jf, temp.Win(L"games\\..\\games/jf")));
  EXPECT_FALSE(IsSameFolder(jf, temp.Win(L"GAMES\\JF")));
  EXPECT_FALSE(IsSameFolder(jf, temp.Win(L"games")));
  EXPECT_FALSE(IsSameFolder(temp.Win(L"games\\none"), temp.Win(L"games\\none")));
  EXPECT_FALSE(IsSameFolder(temp.Win(L"games\\file"), temp.Win(L"games\\file")));
  FileIdentity a, b;
  ASSERT_TRUE(GetFileIdentity(temp.Win(L"games\\file"), a));
  ASSERT_TRUE(GetFileIdentity(temp.Win(L"games\\.\\file"), b));
  EXPECT_TRUE(a == b);
  EXPECT_FALSE(GetFileIdentity(temp.Win(L"games\\none"), b));
}

struct PathCase {
  const wchar_t* path;
  bool valid;
};

class ValidPathTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(ValidPathTest, DriveLetterAndNoForbiddenCharacter) {
  EXPECT_EQ(IsValidPath(GetParam().path), GetParam().valid) << GetParam().path;
}

INSTANTIATE_TEST_SUITE_P(FileUtilsTest, ValidPathTest, ::testing::Values(
    PathCase{L"D:\\Games\\JF", true},
    PathCase{L"d:", true},
    PathCase{L"1:\\x", false},
    PathCase{L"DD:\\x", false},
    PathCase{L"\\\\server\\share", false},
    PathCase{L"C:\\a*b", false},
    PathCase{L"C:\\a:b", false},
    PathCase{L"C:\\a/b", false},
    PathCase{L"", false}));

TEST(FileUtilsTest, PathTests) {
  EXPECT_TRUE(IsAbsolutePath(L"C:\\x"));
  EXPECT_TRUE(IsAbsolutePath(L"\\\\srv\\x"));
  EXPECT_FALSE(IsAbsolutePath(L"x\\y"));
  EXPECT_TRUE(IsDriveExist(L"Z:\\nothing\\here"));
}

TEST(FileUtilsTest, CreateTreeAndFiles) {
  TempFolder temp;
  EXPECT_TRUE(CreateDirectoryTree(temp.Win(L"a\\b/c")));
  EXPECT_TRUE(temp.Exists("a/b/c"));
  EXPECT_TRUE(CreateDirectoryTree(temp.Win(L"a\\b\\c\\")));  // all there already
  EXPECT_FALSE(CreateDirectoryTree(L""));
  EXPECT_FALSE(CreateDirectoryTree(L"relative\\x"));
  EXPECT_FALSE(CreateDirectoryTree(L"\\\\server\\share\\x"));

  EXPECT_TRUE(CreateEmptyFile(temp.Win(L"n\\m\\empty.dat")));
  EXPECT_TRUE(temp.Exists("n/m/empty.dat"));
  temp.Write("full.dat", "content");
  EXPECT_TRUE(CreateEmptyFile(temp.Win(L"full.dat")));
  EXPECT_EQ(temp.Read("full.dat"), "");

  EXPECT_TRUE(CreateUnicodeFile(temp.Win(L"u.ini")));
  EXPECT_EQ(temp.Read("u.ini"), "\xff\xfe");
  temp.Write("u.ini", "kept");
  EXPECT_FALSE(CreateUnicodeFile(temp.Win(L"u.ini")));
  EXPECT_EQ(temp.Read("u.ini"), "kept");
  EXPECT_FALSE(CreateUnicodeFile(temp.Win(L"missing\\u.ini")));
}

TEST(FileUtilsTest, CreateTreeThroughAFileFailsAndLogs) {
  TempFolder temp;
  temp.Write("file", "x");
  std::vector<std::wstring> lines;
  {
    CapturedLog trace;
    EXPECT_FALSE(CreateDirectoryTree(temp.Win(L"file\\sub\\deeper")));
    lines = trace.Lines();
  }
  ASSERT_EQ(lines.size(), 1u);
  const std::wstring expected = L"CreateDirByJf:" + temp.Win(L"file") + L" GetLastError ";
  EXPECT_NE(lines[0].find(expected), std::wstring::npos);
  EXPECT_EQ(lines[0].substr(0, 6), L"[ERRO]");
}

TEST(FileUtilsTest, DeleteAndMoveWithRetries) {
  TempFolder temp;
  EXPECT_TRUE(DeleteFileRetry(temp.Win(L"absent"), 3));  // nothing to delete: no attempt, no sleep
  temp.Write("f", "1");
  EXPECT_TRUE(DeleteFileRetry(temp.Win(L"f"), -5));  // a negative count still makes one attempt
  EXPECT_FALSE(temp.Exists("f"));

  // A folder cannot be deleted as a file: every attempt fails.
  ASSERT_TRUE(CreateDirectoryTree(temp.Win(L"dir")));
  // No retry, no pause.
  InstantPause pauses;
  EXPECT_FALSE(DeleteFileRetry(temp.Win(L"dir"), 0));
  EXPECT_EQ(0u, InstantPause::Total());
  EXPECT_FALSE(DeleteFileRetry(temp.Win(L"dir"), 1));
  EXPECT_EQ(1u + 101u, InstantPause::Total());

  temp.Write("src", "new");
  temp.Write("dst", "old");
  EXPECT_TRUE(MoveFileRetry(temp.Win(L"src"), temp.Win(L"dst"), 2));
  EXPECT_EQ(temp.Read("dst"), "new");
  EXPECT_FALSE(temp.Exists("src"));
  EXPECT_FALSE(MoveFileRetry(temp.Win(L"src"), temp.Win(L"dst"), 2));
}

TEST(FileUtilsTest, DeleteTreeWithReadOnlyFiles) {
  TempFolder temp;
  ASSERT_TRUE(CreateDirectoryTree(temp.Win(L"t\\a\\b")));
  ASSERT_TRUE(CreateDirectoryTree(temp.Win(L"t\\empty")));
  temp.Write("t/x.txt", "x");
  temp.Write("t/a/b/y.txt", "y");
  temp.Write("t/a/ro.txt", "r");
  ASSERT_TRUE(SetFileAttributesW(temp.Win(L"t\\a\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(DeleteDirectoryTree(temp.Win(L"t")));
  EXPECT_FALSE(temp.Exists("t"));
  EXPECT_TRUE(DeleteDirectoryTree(temp.Win(L"t")));  // already gone

  temp.Write("ro", "r");
  ASSERT_TRUE(SetFileAttributesW(temp.Win(L"ro").c_str(), FILE_ATTRIBUTE_READONLY));
  ClearReadOnly(temp.Win(L"ro"));
  EXPECT_EQ(GetFileAttributesW(temp.Win(L"ro").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  ClearReadOnly(temp.Win(L"absent"));  // nothing happens
}

TEST(FileUtilsTest, DeleteTreeRemovesLinksWithoutWalkingThem) {
  TempFolder temp;
  ASSERT_TRUE(CreateDirectoryTree(temp.Win(L"outside")));
  ASSERT_TRUE(CreateDirectoryTree(temp.Win(L"tree\\sub")));
  temp.Write("outside/keep.txt", "k");
  temp.Write("tree/sub/gone.txt", "g");
  ASSERT_EQ(symlink(temp.Host("outside").c_str(), temp.Host("tree/link").c_str()), 0);
  ASSERT_EQ(symlink(temp.Host("outside/keep.txt").c_str(), temp.Host("tree/filelink").c_str()), 0);
  EXPECT_TRUE(DeleteDirectoryTree(temp.Win(L"tree")));
  EXPECT_FALSE(temp.Exists("tree"));
  EXPECT_EQ(temp.Read("outside/keep.txt"), "k");
}

TEST(FileUtilsTest, SizesTimesAndExistence) {
  TempFolder temp;
  temp.Write("s.bin", std::string(1234, 'x'));
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
  std::ofstream(host) << "t";
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
  EXPECT_FALSE(temp.Exists("not"));
  // A file that happens to bear the probe's name is never truncated or deleted.
  long now = static_cast<long>(time(nullptr));
  for (long t = now; t <= now + 2; ++t) temp.Write("jftest_" + std::to_string(t) + ".vrjf", "mine");
  EXPECT_FALSE(IsDirWritable(temp.Win()));
  for (long t = now; t <= now + 2; ++t) EXPECT_EQ(temp.Read("jftest_" + std::to_string(t) + ".vrjf"), "mine");
  // No probe left behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.Host()),
                          std::filesystem::directory_iterator()), 3);
}

TEST(FileUtilsTest, DirBelowAFileIsNotWritable) {
  TempFolder temp;
  temp.Write("blocker", "a file");
  for (const wchar_t* folder : {L"blocker", L"blocker\\sub", L"blocker\\sub\\deeper"}) {
    EXPECT_FALSE(IsDirWritable(temp.Win(folder)));
  }
  EXPECT_EQ(temp.Read("blocker"), "a file");
}

}  // namespace
