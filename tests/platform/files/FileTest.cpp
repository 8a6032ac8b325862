// Files on real folders: dispositions and share modes, reads and writes, names, listings,
// attributes, the runtime's wide calls, the environment, and Windows error numbers.
#include <gtest/gtest.h>
#include <io.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>

#include <functional>
#include <thread>
#include <vector>

#include "tests/platform/files/FileTestDrives.h"
#include <shlwapi.h>
#include <windows.h>
#include "platform/testing/hooks/teststate.h"

namespace {

using filetest::DriveFixture;

class FileTest : public DriveFixture {
 protected:
  HANDLE Open(const wchar_t* path, DWORD access, DWORD share, DWORD disposition) {
    return CreateFileW(path, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  bool Write(HANDLE h, const std::string& s) {
    DWORD n = 0;
    return WriteFile(h, s.data(), static_cast<DWORD>(s.size()), &n, nullptr) && n == s.size();
  }
  // Runs `body` in a child process that sees a 64 KiB file system at `folder`; the
  // child's exit code (the body's result), 77 when private mounts are not allowed here.
  static int OnSmallDisk(const std::string& folder, const std::function<int()>& body) {
    mkdir(folder.c_str(), 0777);
    pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
      if (unshare(CLONE_NEWNS) != 0 || mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
          mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k") != 0) {
        _exit(77);
      }
      _exit(body());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
};

TEST_F(FileTest, DispositionsGiveTheWindowsResultsAndCodes) {
  const wchar_t* f = L"C:\\data.bin";
  HANDLE h = Open(f, GENERIC_READ, 0, OPEN_EXISTING);
  EXPECT_EQ(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(Open(L"C:\\nodir\\data.bin", GENERIC_READ, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(Open(L"C:\\nodir\\data.bin", GENERIC_WRITE, 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

  h = Open(f, GENERIC_WRITE, 0, CREATE_NEW);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(Write(h, "hello world"));
  CloseHandle(h);
  EXPECT_EQ(Open(f, GENERIC_WRITE, 0, CREATE_NEW), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));

  h = Open(f, GENERIC_READ | GENERIC_WRITE, 0, OPEN_ALWAYS);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(GetFileSize(h, nullptr), 11u);  // kept
  CloseHandle(h);

  h = Open(f, GENERIC_WRITE, 0, CREATE_ALWAYS);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(GetFileSize(h, nullptr), 0u);  // truncated
  CloseHandle(h);

  h = Open(L"C:\\fresh.bin", GENERIC_WRITE, 0, OPEN_ALWAYS);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  CloseHandle(h);

  EXPECT_EQ(Open(f, GENERIC_READ, 0, TRUNCATE_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(Open(L"C:\\", GENERIC_READ, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);  // a folder
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  h = CreateFileW(L"C:\\", 0, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  EXPECT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);

  // A file in place of a folder.
  EXPECT_EQ(Open(L"C:\\data.bin\\inner", GENERIC_WRITE, 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(FileTest, ShareModesDecideWhetherASecondOpenSucceeds) {
  const wchar_t* f = L"C:\\shared.bin";
  HANDLE a = Open(f, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS);
  ASSERT_NE(a, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(Write(a, "keep"));
  HANDLE b = Open(f, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  EXPECT_NE(b, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Open(f, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  // A refused CREATE_ALWAYS must not have truncated the file.
  EXPECT_EQ(Open(f, GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetFileSize(a, nullptr), 4u);
  EXPECT_FALSE(DeleteFileW(f));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  CloseHandle(a);
  CloseHandle(b);
  HANDLE c = Open(f, GENERIC_WRITE, 0, OPEN_EXISTING);
  EXPECT_NE(c, INVALID_HANDLE_VALUE);
  CloseHandle(c);
  EXPECT_TRUE(DeleteFileW(f));
}

TEST_F(FileTest, ReadWriteSeekAndSizeOnAHandle) {
  HANDLE h = Open(L"C:\\rw.bin", GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(Write(h, "0123456789"));
  LARGE_INTEGER pos, to;
  to.QuadPart = 2;
  ASSERT_TRUE(SetFilePointerEx(h, to, &pos, FILE_BEGIN));
  char buf[16] = {};
  DWORD got = 0;
  ASSERT_TRUE(ReadFile(h, buf, 3, &got, nullptr));
  EXPECT_EQ(std::string(buf, got), "234");
  to.QuadPart = -2;
  ASSERT_TRUE(SetFilePointerEx(h, to, &pos, FILE_END));
  EXPECT_EQ(pos.QuadPart, 8);
  ASSERT_TRUE(ReadFile(h, buf, sizeof buf, &got, nullptr));
  EXPECT_EQ(got, 2u);
  ASSERT_TRUE(ReadFile(h, buf, sizeof buf, &got, nullptr));  // end of file: success, nothing read
  EXPECT_EQ(got, 0u);
  to.QuadPart = -100;
  EXPECT_FALSE(SetFilePointerEx(h, to, &pos, FILE_CURRENT));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));
  to.QuadPart = INT64_MAX;  // past any position: refused, no overflow
  EXPECT_FALSE(SetFilePointerEx(h, to, &pos, FILE_CURRENT));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

  // Pre-sizing: a pointer far out and SetEndOfFile.
  to.QuadPart = 5LL << 30;
  ASSERT_TRUE(SetFilePointerEx(h, to, nullptr, FILE_BEGIN));
  ASSERT_TRUE(SetEndOfFile(h));
  LARGE_INTEGER size;
  ASSERT_TRUE(GetFileSizeEx(h, &size));
  EXPECT_EQ(size.QuadPart, 5LL << 30);
  DWORD high = 0;
  EXPECT_EQ(GetFileSize(h, &high), static_cast<DWORD>((5LL << 30) & 0xFFFFFFFF));
  EXPECT_EQ(high, 1u);
  LONG moveHigh = 0;
  EXPECT_EQ(SetFilePointer(h, 4, &moveHigh, FILE_BEGIN), 4u);
  EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_END), INVALID_SET_FILE_POINTER);  // beyond 32 bits
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_TRUE(FlushFileBuffers(h));
  CloseHandle(h);

  HANDLE ro = Open(L"C:\\rw.bin", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  EXPECT_FALSE(Write(ro, "x"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  CloseHandle(ro);
  EXPECT_FALSE(ReadFile(reinterpret_cast<HANDLE>(0x7777), buf, 1, &got, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(FileTest, RuntimeStreamHandleAndTheFileOpenedAgain) {
  WriteHost(c_ + "/ro.bin", "0123456789");
  FILE* f = _wfopen(L"C:\\ro.bin", L"rb");
  ASSERT_NE(f, nullptr);
  for (int i = 0; i < 3; ++i) fgetc(f);
  HANDLE own = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f)));
  ASSERT_NE(own, INVALID_HANDLE_VALUE);
  EXPECT_EQ(own, reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f))));
  HANDLE again = ReOpenFile(own, GENERIC_READ, FILE_SHARE_READ, FILE_FLAG_SEQUENTIAL_SCAN);
  ASSERT_NE(again, INVALID_HANDLE_VALUE);
  // A position of its own, from the start; the stream's stays where it was.
  char buf[8] = {};
  DWORD got = 0;
  ASSERT_TRUE(ReadFile(again, buf, 4, &got, nullptr));
  EXPECT_EQ(std::string(buf, got), "0123");
  EXPECT_EQ(fgetc(f), '3');
  // Its sharing holds like any open's; the stream's handle takes no part.
  EXPECT_EQ(Open(L"C:\\ro.bin", GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  CloseHandle(again);
  HANDLE writer = Open(L"C:\\ro.bin", GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING);
  EXPECT_NE(writer, INVALID_HANDLE_VALUE);
  CloseHandle(writer);
  fclose(f);

  // A descriptor used again for another file has a handle of that file.
  WriteHost(c_ + "/other.bin", "abc");
  f = _wfopen(L"C:\\other.bin", L"rb");
  ASSERT_NE(f, nullptr);
  HANDLE other = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f)));
  ASSERT_TRUE(ReadFile(other, buf, sizeof buf, &got, nullptr));
  EXPECT_EQ(std::string(buf, got), "abc");
  fclose(f);

  // A pipe has no name to open again; a closed descriptor has no handle.
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  HANDLE end = reinterpret_cast<HANDLE>(_get_osfhandle(fds[0]));
  ASSERT_NE(end, INVALID_HANDLE_VALUE);
  EXPECT_EQ(ReOpenFile(end, GENERIC_READ, FILE_SHARE_READ, 0), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  close(fds[0]);
  close(fds[1]);
  errno = 0;
  EXPECT_EQ(_get_osfhandle(fds[0]), -1);
  EXPECT_EQ(errno, EBADF);
}

// The copy of this program that the test below runs under strace: opens the file it names
// without and with the flag of a file read in order, and opens it again with that flag.
TEST(FileSequentialChild, OpensAsAsked) {
  const char* path = std::getenv("JF_SEQUENTIAL_FILE");
  if (!path) GTEST_SKIP() << "run by FileTest.ReadInOrderIsToldToTheKernel";
  const std::wstring name = jf::WinPathFromHost(path);
  HANDLE plain = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(plain, INVALID_HANDLE_VALUE);
  HANDLE again = ReOpenFile(plain, GENERIC_READ, FILE_SHARE_READ, FILE_FLAG_SEQUENTIAL_SCAN);
  HANDLE sequential = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  EXPECT_NE(again, INVALID_HANDLE_VALUE);
  EXPECT_NE(sequential, INVALID_HANDLE_VALUE);
  CloseHandle(sequential);
  CloseHandle(again);
  CloseHandle(plain);
}

TEST_F(FileTest, ReadInOrderIsToldToTheKernel) {
  // A machine may lack strace or forbid tracing (a container without ptrace).
  if (std::system("strace -o /dev/null true > /dev/null 2>&1") != 0) GTEST_SKIP() << "strace cannot trace here";
  WriteHost(c_ + "/seq.bin", "0123456789");
  char self[4096] = {};
  ASSERT_GT(readlink("/proc/self/exe", self, sizeof(self) - 1), 0);
  const std::string out = root_ + "/calls.txt";
  // The leak checker cannot run under a tracer.
  const std::string command = "ASAN_OPTIONS=detect_leaks=0 JF_SEQUENTIAL_FILE=" + c_ + "/seq.bin strace -f -e trace=fadvise64 -o " + out + " " +
                              self + " --gtest_filter=FileSequentialChild.* > /dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const std::string calls = ReadHost(out);
  size_t hints = 0;
  for (size_t at = calls.find("POSIX_FADV_SEQUENTIAL"); at != std::string::npos;
       at = calls.find("POSIX_FADV_SEQUENTIAL", at + 1)) {
    ++hints;
  }
  // The open again and the second open, not the first.
  EXPECT_EQ(hints, 2u) << calls;
}

TEST_F(FileTest, OverlappedOffsetsLeaveTheFilePointerAlone) {
  HANDLE h = Open(L"C:\\ov.bin", GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(Write(h, "abcdef"));
  OVERLAPPED ov = {};
  ov.Offset = 2;
  DWORD n = 0;
  ASSERT_TRUE(WriteFile(h, "XY", 2, &n, &ov));
  EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_CURRENT), 6u);
  char buf[8] = {};
  ov.Offset = 1;
  ASSERT_TRUE(ReadFile(h, buf, 4, &n, &ov));
  EXPECT_EQ(std::string(buf, n), "bXYe");
  ov.Offset = 100;
  EXPECT_FALSE(ReadFile(h, buf, 4, &n, &ov));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_HANDLE_EOF));
  // An offset past any file is refused; it never falls back to the file pointer.
  ov.Offset = 0;
  ov.OffsetHigh = 0x80000000u;
  EXPECT_FALSE(WriteFile(h, "!", 1, &n, &ov));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  ov.OffsetHigh = 0;
  ASSERT_TRUE(ReadFile(h, buf, 8, &n, &ov));
  EXPECT_EQ(std::string(buf, n), "abXYef");
  CloseHandle(h);
}

TEST_F(FileTest, DeleteOnCloseAndInheritableHandles) {
  HANDLE h = CreateFileW(L"C:\\gone.tmp", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(HostExists(c_ + "/gone.tmp"));
  CloseHandle(h);
  EXPECT_FALSE(HostExists(c_ + "/gone.tmp"));

  // Once deleted by name, the name may go to another file, which the close leaves alone.
  h = CreateFileW(L"C:\\gone.tmp", GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
                  FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(DeleteFileW(L"C:\\gone.tmp"));
  WriteHost(c_ + "/gone.tmp", "someone else's");
  CloseHandle(h);
  EXPECT_EQ(ReadHost(c_ + "/gone.tmp"), "someone else's");
}

TEST_F(FileTest, MoveCopyDeleteAndFolders) {
  WriteHost(c_ + "/a.txt", "A");
  WriteHost(c_ + "/b.txt", "B");
  EXPECT_FALSE(MoveFileExW(L"C:\\a.txt", L"C:\\b.txt", 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  ASSERT_TRUE(MoveFileExW(L"C:\\a.txt", L"C:\\b.txt", MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
  EXPECT_EQ(ReadHost(c_ + "/b.txt"), "A");
  EXPECT_FALSE(HostExists(c_ + "/a.txt"));
  EXPECT_FALSE(MoveFileExW(L"C:\\a.txt", L"C:\\c.txt", MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  // A plain replace: the new file takes the name, the old one is gone, and a handle that
  // still holds the old file reads its bytes.
  WriteHost(c_ + "/n.txt", "new");
  HANDLE old = CreateFileW(L"C:\\b.txt", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(old, INVALID_HANDLE_VALUE);
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(MoveFileExW(L"C:\\n.txt", L"C:\\b.txt", MOVEFILE_REPLACE_EXISTING));
    EXPECT_FALSE(HostExists(c_ + "/n.txt"));
    WriteHost(c_ + "/n.txt", "new");
  }
  EXPECT_EQ(ReadHost(c_ + "/b.txt"), "new");
  char held[4] = {};
  DWORD got = 0;
  EXPECT_TRUE(ReadFile(old, held, 3, &got, nullptr));
  EXPECT_EQ(std::string(held, got), "A");
  CloseHandle(old);
  DeleteFileW(L"C:\\n.txt");
  WriteHost(c_ + "/b.txt", "A");

  ASSERT_TRUE(CopyFileW(L"C:\\b.txt", L"D:\\b.txt", TRUE));
  EXPECT_EQ(ReadHost(d_ + "/b.txt"), "A");
  EXPECT_FALSE(CopyFileW(L"C:\\b.txt", L"D:\\b.txt", TRUE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
  EXPECT_TRUE(MoveFileW(L"D:\\b.txt", L"D:\\moved.txt"));

  EXPECT_TRUE(CreateDirectoryW(L"C:\\dir", nullptr));
  EXPECT_FALSE(CreateDirectoryW(L"C:\\dir", nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_FALSE(CreateDirectoryW(L"C:\\x\\y", nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  WriteHost(c_ + "/dir/f", "");
  EXPECT_FALSE(RemoveDirectoryW(L"C:\\dir"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIR_NOT_EMPTY));
  EXPECT_FALSE(DeleteFileW(L"C:\\dir"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(RemoveDirectoryW(L"C:\\dir\\f"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIRECTORY));
  EXPECT_TRUE(DeleteFileW(L"C:\\dir\\f"));
  EXPECT_FALSE(DeleteFileW(L"C:\\dir\\f"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_TRUE(RemoveDirectoryW(L"C:\\dir"));
}

TEST_F(FileTest, MoveAcrossFileSystemsNeedsCopyAllowed) {
  char pattern[] = "/dev/shm/jf_drive_e_XXXXXX";
  if (!mkdtemp(pattern)) GTEST_SKIP() << "no /dev/shm";
  std::string e = pattern;
  struct stat a, b;
  if (stat(c_.c_str(), &a) != 0 || stat(e.c_str(), &b) != 0 || a.st_dev == b.st_dev) {
    rmdir(e.c_str());
    GTEST_SKIP() << "one file system only";
  }
  setenv("JF_DRIVES", ("C=" + c_ + ";E=" + e).c_str(), 1);
  jf::ResetDriveMapForTests();
  WriteHost(c_ + "/m.bin", "moved bytes");
  EXPECT_FALSE(MoveFileExW(L"C:\\m.bin", L"E:\\m.bin", MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SAME_DEVICE));
  EXPECT_TRUE(MoveFileExW(L"C:\\m.bin", L"E:\\m.bin", MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH));
  EXPECT_EQ(ReadHost(e + "/m.bin"), "moved bytes");
  EXPECT_FALSE(HostExists(c_ + "/m.bin"));
  unlink((e + "/m.bin").c_str());
  rmdir(e.c_str());
}

TEST_F(FileTest, FileTimesRoundTrip) {
  HANDLE h = Open(L"C:\\t.bin", GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  FILETIME set = {0xD53E8000u, 0x01D7A0B1u};  // a moment in 2021
  ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &set));
  FILETIME got = {0, 0};
  ASSERT_TRUE(GetFileTime(h, nullptr, nullptr, &got));
  EXPECT_EQ(got.dwHighDateTime, set.dwHighDateTime);
  EXPECT_EQ(got.dwLowDateTime, set.dwLowDateTime);
  CloseHandle(h);
  WIN32_FILE_ATTRIBUTE_DATA data;
  ASSERT_TRUE(GetFileAttributesExW(L"C:\\t.bin", GetFileExInfoStandard, &data));
  EXPECT_EQ(data.ftLastWriteTime.dwLowDateTime, set.dwLowDateTime);
}

// The volume serial and the file index name the file itself: the same through every path that
// leads to it (a link too), another for another file, a folder's own for a folder.
TEST_F(FileTest, FileInformationNamesTheFileItself) {
  WriteHost(c_ + "/a.bin", "12345");
  WriteHost(c_ + "/b.bin", "1");
  mkdir((c_ + "/dir").c_str(), 0777);
  ASSERT_EQ(link((c_ + "/a.bin").c_str(), (c_ + "/dir/same.bin").c_str()), 0);
  auto info = [](const wchar_t* path, BY_HANDLE_FILE_INFORMATION& out) {
    HANDLE h = CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool ok = GetFileInformationByHandle(h, &out) != FALSE;
    CloseHandle(h);
    return ok;
  };
  BY_HANDLE_FILE_INFORMATION a{}, same{}, b{}, dir{};
  ASSERT_TRUE(info(L"C:\\a.bin", a));
  ASSERT_TRUE(info(L"C:\\dir\\..\\dir\\same.bin", same));
  ASSERT_TRUE(info(L"C:\\b.bin", b));
  ASSERT_TRUE(info(L"C:\\dir\\", dir));
  EXPECT_EQ(a.nFileSizeLow, 5u);
  EXPECT_EQ(a.nNumberOfLinks, 2u);
  EXPECT_EQ(a.dwVolumeSerialNumber, same.dwVolumeSerialNumber);
  EXPECT_EQ(std::make_pair(a.nFileIndexHigh, a.nFileIndexLow), std::make_pair(same.nFileIndexHigh, same.nFileIndexLow));
  EXPECT_NE(std::make_pair(a.nFileIndexHigh, a.nFileIndexLow), std::make_pair(b.nFileIndexHigh, b.nFileIndexLow));
  EXPECT_NE(dir.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_FALSE(GetFileInformationByHandle(INVALID_HANDLE_VALUE, &a));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(FileTest, ReadOnlyAttributeBlocksWritesEvenForRoot) {
  WriteHost(c_ + "/ro.txt", "x");
  EXPECT_EQ(GetFileAttributesW(L"C:\\ro.txt"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
  ASSERT_TRUE(SetFileAttributesW(L"C:\\ro.txt", FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(GetFileAttributesW(L"C:\\ro.txt") & FILE_ATTRIBUTE_READONLY, static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(Open(L"C:\\ro.txt", GENERIC_WRITE, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(DeleteFileW(L"C:\\ro.txt"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(_waccess(L"C:\\ro.txt", 2), -1);
  EXPECT_EQ(_waccess(L"C:\\ro.txt", 4), 0);
  ASSERT_TRUE(SetFileAttributesW(L"C:\\ro.txt", FILE_ATTRIBUTE_NORMAL));
  EXPECT_TRUE(DeleteFileW(L"C:\\ro.txt"));

  EXPECT_EQ(GetFileAttributesW(L"C:\\"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_EQ(GetFileAttributesW(L"C:\\none"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(GetFileAttributesW(L"C:\\none\\x"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_TRUE(PathFileExistsW(L"C:\\"));
  EXPECT_TRUE(PathIsDirectoryW(L"C:\\"));
  EXPECT_FALSE(PathFileExistsW(L"C:\\none"));
}

TEST_F(FileTest, FindListsEntriesSortedWithDotsAndWildcards) {
  ASSERT_TRUE(CreateDirectoryW(L"C:\\list", nullptr));
  WriteHost(c_ + "/list/b.txt", "12345");
  WriteHost(c_ + "/list/a.log", "");
  WriteHost(c_ + "/list/noext", "");
  ASSERT_TRUE(CreateDirectoryW(L"C:\\list\\sub", nullptr));

  auto list = [](const wchar_t* pattern) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(pattern, &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
      names.push_back(fd.cFileName);
    } while (FindNextFileW(h, &fd));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
    EXPECT_TRUE(FindClose(h));
    return names;
  };
  EXPECT_EQ(list(L"C:\\list\\*.*"),
            (std::vector<std::wstring>{L".", L"..", L"a.log", L"b.txt", L"noext", L"sub"}));
  EXPECT_EQ(list(L"C:\\list\\*.txt"), (std::vector<std::wstring>{L"b.txt"}));
  EXPECT_EQ(list(L"C:\\list\\?.??g"), (std::vector<std::wstring>{L"a.log"}));
  EXPECT_EQ(list(L"C:\\*"), (std::vector<std::wstring>{L"list"}));  // no dots at a drive root

  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(L"C:\\list\\b.txt", &fd);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(fd.nFileSizeLow, 5u);
  EXPECT_EQ(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_NE(fd.ftLastWriteTime.dwHighDateTime, 0u);
  FindClose(h);
  EXPECT_EQ(FindFirstFileW(L"C:\\list\\*.none", &fd), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(FindFirstFileW(L"C:\\nolist\\*", &fd), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(FileTest, RuntimeWideCallsWorkOnMappedPaths) {
  FILE* f = _wfopen(L"C:\\crt.bin", L"wb");
  ASSERT_NE(f, nullptr);
  fputs("abcdef", f);
  fclose(f);
  ASSERT_EQ(_wfopen_s(&f, L"C:\\crt.bin", L"rbN"), 0);
  ASSERT_EQ(_fseeki64(f, 0, SEEK_END), 0);
  EXPECT_EQ(_ftelli64(f), 6);
  fclose(f);
  EXPECT_EQ(_wfopen(L"C:\\missing\\x", L"rb"), nullptr);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(_wfopen_s(&f, L"C:\\a?b", L"rb"), EINVAL);
  EXPECT_EQ(_wfopen(L"C:\\", L"rb"), nullptr);
  EXPECT_EQ(errno, EACCES);

  EXPECT_EQ(_wmkdir(L"C:\\crtdir"), 0);
  EXPECT_EQ(_wmkdir(L"C:\\crtdir"), -1);
  EXPECT_EQ(errno, EEXIST);
  WriteHost(c_ + "/other.bin", "o");
  EXPECT_EQ(_wrename(L"C:\\crt.bin", L"C:\\other.bin"), -1);  // never replaces
  EXPECT_EQ(errno, EACCES);
  EXPECT_EQ(_wrename(L"C:\\crt.bin", L"C:\\crtdir\\crt.bin"), 0);
  EXPECT_EQ(_wremove(L"C:\\crtdir\\crt.bin"), 0);
  EXPECT_EQ(_wremove(L"C:\\crtdir"), -1);
  EXPECT_EQ(errno, EACCES);
  EXPECT_EQ(_wrmdir(L"C:\\crtdir"), 0);
  EXPECT_EQ(_waccess(L"C:\\crtdir", 0), -1);

  // Text mode: line ends become CRLF on disk and LF again on reading. An encoding adds its
  // mark (its stream is the host's converting one, which keeps LF).
  f = _wfopen(L"C:\\tg.id", L"w+,ccs=UTF-8");
  ASSERT_NE(f, nullptr);
  fputws(L"甲\n乙", f);
  fclose(f);
  EXPECT_EQ(ReadHost(c_ + "/tg.id"), "\xEF\xBB\xBF\xE7\x94\xB2\n\xE4\xB9\x99");
  f = _wfopen(L"C:\\tg.id", L"r, ccs=UTF-8");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(fgetwc(f), static_cast<wint_t>(L'甲'));  // the mark is skipped
  fclose(f);
  WriteHost(c_ + "/tm.ini", "1.0\r\n2.0\r\rx\x1Ahidden");
  f = _wfopen(L"C:\\tm.ini", L"r");
  ASSERT_NE(f, nullptr);
  char text[64] = {};
  EXPECT_EQ(fread(text, 1, sizeof text, f), 10u);
  EXPECT_EQ(std::string(text), "1.0\n2.0\r\rx");
  fclose(f);
  f = _wfopen(L"C:\\tm.txt", L"wt");
  fputs("a\nb\n", f);
  fclose(f);
  EXPECT_EQ(ReadHost(c_ + "/tm.txt"), "a\r\nb\r\n");
  EXPECT_EQ(_wfopen(L"C:\\tm.txt", L"w,ccs=KOI8"), nullptr);
  // UTF-16 streams are refused before anything is made (the host's converting streams
  // would leak their converters).
  errno = 0;
  EXPECT_EQ(_wfopen(L"C:\\u16.txt", L"w, ccs=UTF-16LE"), nullptr);
  EXPECT_EQ(errno, EINVAL);
  EXPECT_EQ(_wfopen(L"C:\\u16.txt", L"w, ccs=UNICODE"), nullptr);
  EXPECT_EQ(GetFileAttributesW(L"C:\\u16.txt"), INVALID_FILE_ATTRIBUTES);

  wchar_t* full = _wfullpath(nullptr, L"x\\..\\y", 0);
  ASSERT_NE(full, nullptr);
  EXPECT_STREQ(full, L"C:\\y");
  free(full);
}

TEST_F(FileTest, TempNamesModuleNameAndEnvironment) {
  wchar_t temp[MAX_PATH];
  DWORD n = GetTempPathW(MAX_PATH, temp);
  ASSERT_GT(n, 0u);
  EXPECT_EQ(temp[n - 1], L'\\');
  EXPECT_EQ(std::wstring(temp).substr(0, 9), L"C:\\Users\\");
  EXPECT_EQ(GetFileAttributesW(temp), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  wchar_t name[MAX_PATH];
  UINT u = GetTempFileNameW(temp, L"jfxyz", 0, name);
  ASSERT_NE(u, 0u);
  EXPECT_NE(std::wstring(name).find(L"jfx"), std::wstring::npos);
  EXPECT_NE(GetFileAttributesW(name), INVALID_FILE_ATTRIBUTES);  // made, so the name stays unique
  EXPECT_EQ(GetTempFileNameW(temp, L"x", 0x1234, name), 0x1234u);
  EXPECT_EQ(std::wstring(name).substr(n), L"x1234.tmp");
  EXPECT_EQ(GetTempFileNameW(L"C:\\nope", L"x", 0, name), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIRECTORY));

  wchar_t exe[MAX_PATH];
  DWORD len = GetModuleFileNameW(nullptr, exe, MAX_PATH);
  ASSERT_GT(len, 0u);
  EXPECT_EQ(std::wstring(exe).substr(0, 3), L"Z:\\");
  EXPECT_NE(std::wstring(exe).find(L"platform_tests"), std::wstring::npos);
  wchar_t small[5];
  EXPECT_EQ(GetModuleFileNameW(nullptr, small, 5), 5u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(std::wstring(small), std::wstring(exe).substr(0, 4));

  ASSERT_TRUE(SetEnvironmentVariableW(L"JF_FILE_TEST_VAR", L"值"));
  wchar_t value[16];
  EXPECT_EQ(GetEnvironmentVariableW(L"JF_FILE_TEST_VAR", value, 16), 1u);
  EXPECT_STREQ(value, L"值");
  EXPECT_EQ(GetEnvironmentVariableW(L"jf_file_test_var", value, 1), 2u);  // any case; size needed
  wchar_t expanded[64];
  EXPECT_EQ(ExpandEnvironmentStringsW(L"a%JF_FILE_TEST_VAR%b%NOPE_NOT_SET%", expanded, 64), 18u);
  EXPECT_STREQ(expanded, L"a值b%NOPE_NOT_SET%");
  ASSERT_TRUE(SetEnvironmentVariableW(L"JF_FILE_TEST_VAR", nullptr));
  EXPECT_EQ(GetEnvironmentVariableW(L"JF_FILE_TEST_VAR", value, 16), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ENVVAR_NOT_FOUND));
}

TEST_F(FileTest, ThreadsWritingTheirOwnFilesDoNotInterfere) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([t] {
      std::wstring name = L"C:\\t" + std::to_wstring(t) + L".bin";
      for (int i = 0; i < 50; ++i) {
        HANDLE h = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        DWORD n;
        ASSERT_TRUE(WriteFile(h, &i, sizeof i, &n, nullptr));
        CloseHandle(h);
      }
    });
  }
  for (auto& th : threads) th.join();
  for (int t = 0; t < 8; ++t) EXPECT_EQ(ReadHost(c_ + "/t" + std::to_string(t) + ".bin").size(), sizeof(int));
}

// A full disk: a 64 KiB tmpfs in a private mount namespace of a child process.
TEST_F(FileTest, FullDiskReportsDiskFull) {
  std::string small = root_ + "/small";
  int code = OnSmallDisk(small, [&]() {
    setenv("JF_DRIVES", ("C=" + small).c_str(), 1);
    jf::ResetDriveMapForTests();
    HANDLE h = CreateFileW(L"C:\\big.bin", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 2;
    std::string block(4096, 'x');
    DWORD n;
    for (int i = 0; i < 64; ++i) {
      if (!WriteFile(h, block.data(), 4096, &n, nullptr)) return GetLastError() == ERROR_DISK_FULL ? 0 : 3;
    }
    return 4;
  });
  if (code == 77) GTEST_SKIP() << "no private mounts here";
  EXPECT_EQ(code, 0);
}

TEST_F(FileTest, FailedCopyToAFullDiskKeepsTheTarget) {
  std::string small = root_ + "/small";
  WriteHost(c_ + "/big.bin", std::string(256 * 1024, 'b'));
  WriteHost(c_ + "/little.bin", "new");
  int code = OnSmallDisk(small, [&]() {
    setenv("JF_DRIVES", ("C=" + c_ + ";E=" + small).c_str(), 1);
    jf::ResetDriveMapForTests();
    WriteHost(small + "/target.bin", "old");
    if (MoveFileExW(L"C:\\big.bin", L"E:\\target.bin", MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) return 2;
    if (GetLastError() != ERROR_DISK_FULL) return 3;
    if (ReadHost(small + "/target.bin") != "old" || !HostExists(c_ + "/big.bin")) return 4;
    if (CopyFileW(L"C:\\big.bin", L"E:\\target.bin", FALSE) || GetLastError() != ERROR_DISK_FULL) return 5;
    if (CopyFileW(L"C:\\big.bin", L"E:\\fresh.bin", TRUE) || HostExists(small + "/fresh.bin")) return 6;
    if (ReadHost(small + "/target.bin") != "old") return 7;
    // A copy that fits replaces the target; one that may not replace it fails.
    if (!CopyFileW(L"C:\\little.bin", L"E:\\target.bin", FALSE) || ReadHost(small + "/target.bin") != "new") return 8;
    if (CopyFileW(L"C:\\big.bin", L"E:\\target.bin", TRUE) || GetLastError() != ERROR_FILE_EXISTS) return 9;
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW(L"E:\\*", &fd);
    int entries = 0;
    if (find != INVALID_HANDLE_VALUE) {
      do {
        if (fd.cFileName[0] != L'.' || (fd.cFileName[1] && fd.cFileName[1] != L'.')) ++entries;
      } while (FindNextFileW(find, &fd));
      FindClose(find);
    }
    return entries == 1 ? 0 : 10;  // no spare copy left behind
  });
  if (code == 77) GTEST_SKIP() << "no private mounts here";
  EXPECT_EQ(code, 0);
}

}  // namespace
