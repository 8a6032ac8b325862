// The drive map, full path names, the path helpers and the runtime's path splitting.
#include <gtest/gtest.h>

#include "tests/platform/files/FileTestDrives.h"
#include <shlwapi.h>
#include <windows.h>
#include "platform/testing/hooks/teststate.h"

namespace {

using filetest::DriveFixture;

class PathTest : public DriveFixture {};

std::string Host(const std::wstring& win) {
  std::string host;
  return jf::HostPathFromWin(win, host) ? host : std::string("<fail>");
}

TEST_F(PathTest, WindowsPathsMapToDriveFoldersBothWays) {
  EXPECT_EQ(Host(L"C:\\Program Files\\Game\\a.exe"), c_ + "/Program Files/Game/a.exe");
  EXPECT_EQ(Host(L"c:/mixed\\seps/x"), c_ + "/mixed/seps/x");
  EXPECT_EQ(Host(L"D:\\"), d_);
  EXPECT_EQ(Host(L"Z:\\etc\\hosts"), "/etc/hosts");
  EXPECT_EQ(Host(L"Z:\\"), "/");
  EXPECT_EQ(Host(L"\\\\?\\C:\\long\\name"), c_ + "/long/name");
  EXPECT_EQ(Host(L"C:\\a\\.\\b\\..\\..\\..\\c"), c_ + "/c");  // ".." stops at the drive root
  EXPECT_EQ(Host(L"C:\\中文\\文件.txt"), c_ + "/中文/文件.txt");
  // Names keep their case: the host folders are case-sensitive.
  EXPECT_EQ(Host(L"C:\\Data\\FILE"), c_ + "/Data/FILE");

  EXPECT_EQ(jf::WinPathFromHost(c_ + "/x/y.txt"), L"C:\\x\\y.txt");
  EXPECT_EQ(jf::WinPathFromHost(c_), L"C:\\");
  EXPECT_EQ(jf::WinPathFromHost(d_ + "/中"), L"D:\\中");
  EXPECT_EQ(jf::WinPathFromHost("/usr/bin/../lib"), L"Z:\\usr\\lib");
  std::wstring sibling = jf::WinPathFromHost(c_ + "x");  // a prefix of the name is not the folder
  EXPECT_EQ(sibling.substr(0, 2), L"Z:");
}

TEST_F(PathTest, RelativePathsFollowTheCurrentDirectory) {
  ASSERT_TRUE(CreateDirectoryW(L"C:\\work", nullptr));
  ASSERT_TRUE(SetCurrentDirectoryW(L"C:\\work"));
  wchar_t buf[MAX_PATH];
  ASSERT_EQ(GetCurrentDirectoryW(MAX_PATH, buf), 7u);
  EXPECT_STREQ(buf, L"C:\\work");
  EXPECT_EQ(GetCurrentDirectoryW(3, buf), 8u);  // too small: the size needed, with terminator
  EXPECT_EQ(Host(L"sub\\f.txt"), c_ + "/work/sub/f.txt");
  EXPECT_EQ(Host(L"..\\f.txt"), c_ + "/f.txt");
  EXPECT_EQ(Host(L"\\top.txt"), c_ + "/top.txt");
  EXPECT_EQ(Host(L"C:rel"), c_ + "/work/rel");
  EXPECT_EQ(Host(L"D:rel"), d_ + "/rel");

  LPWSTR filePart = nullptr;
  DWORD n = GetFullPathNameW(L"..\\x\\.\\name.ini", MAX_PATH, buf, &filePart);
  EXPECT_STREQ(buf, L"C:\\x\\name.ini");
  EXPECT_EQ(n, wcslen(buf));
  ASSERT_NE(filePart, nullptr);
  EXPECT_STREQ(filePart, L"name.ini");
  EXPECT_EQ(GetFullPathNameW(L"a", 2, buf, nullptr), wcslen(L"C:\\work\\a") + 1);

  EXPECT_FALSE(SetCurrentDirectoryW(L"C:\\missing"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(PathTest, BadNamesAndUnknownDrivesFailCleanly) {
  std::string host;
  for (const wchar_t* bad : {L"C:\\a<b", L"C:\\a>b", L"C:\\a:b", L"C:\\a\"b", L"C:\\a|b", L"C:\\a?b", L"C:\\a*b",
                             L"C:\\a\x01"}) {
    SetLastError(0);
    EXPECT_FALSE(jf::HostPathFromWin(bad, host)) << jf::ToUtf8(bad);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
  }
  EXPECT_FALSE(jf::HostPathFromWin(L"Q:\\x", host));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_FALSE(jf::HostPathFromWin(L"\\\\server\\share\\x", host));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_NETPATH));
  EXPECT_FALSE(jf::HostPathFromWin(L"\\\\?\\UNC\\server\\share", host));
  EXPECT_FALSE(jf::HostPathFromWin(L"", host));

  HANDLE h = CreateFileW(L"C:\\bad|name.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_EQ(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
}

TEST_F(PathTest, DriveListTypesAndFreeSpaceFollowTheMap) {
  wchar_t buf[64];
  DWORD n = GetLogicalDriveStringsW(64, buf);
  ASSERT_EQ(n, 12u);
  EXPECT_EQ(std::wstring(buf, n), std::wstring(L"C:\\\0D:\\\0Z:\\\0", 12));
  EXPECT_EQ(buf[12], L'\0');
  EXPECT_EQ(GetLogicalDriveStringsW(5, buf), 13u);

  EXPECT_EQ(GetDriveTypeW(L"C:\\"), static_cast<UINT>(DRIVE_FIXED));
  EXPECT_EQ(GetDriveTypeW(L"d:\\"), static_cast<UINT>(DRIVE_FIXED));
  EXPECT_EQ(GetDriveTypeW(L"Q:\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR));

  ULARGE_INTEGER avail, total, free;
  ASSERT_TRUE(GetDiskFreeSpaceExW(L"C:", &avail, &total, &free));
  EXPECT_GT(total.QuadPart, 0u);
  EXPECT_LE(avail.QuadPart, total.QuadPart);
  jf::SetDiskFreeSpaceForTests(L'd', 157286400);
  ASSERT_TRUE(GetDiskFreeSpaceExW(L"D:\\", &avail, &total, &free));
  EXPECT_EQ(avail.QuadPart, 157286400u);
  jf::SetDiskFreeSpaceForTests(L'D', -1);
  ASSERT_TRUE(GetDiskFreeSpaceExW(L"D:\\", &avail, &total, &free));
  EXPECT_NE(avail.QuadPart, 157286400u);
  EXPECT_FALSE(GetDiskFreeSpaceExW(L"C:\\no\\such", &avail, &total, &free));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(PathTest, DefaultDriveCIsUnderTheDataHome) {
  unsetenv("JF_DRIVES");
  std::string data = root_ + "/xdg";
  setenv("XDG_DATA_HOME", data.c_str(), 1);
  jf::ResetDriveMapForTests();
  EXPECT_EQ(Host(L"C:\\x"), data + "/jfinstall/drive_c/x");
  EXPECT_TRUE(HostExists(data + "/jfinstall/drive_c"));  // made on first use
  unsetenv("XDG_DATA_HOME");
}

TEST(PathHelpersTest, StringHelpersFollowTheShellRules) {
  wchar_t p[MAX_PATH] = L"C:\\a\\b";
  ASSERT_TRUE(PathAppendW(p, L"\\c.txt"));
  EXPECT_STREQ(p, L"C:\\a\\b\\c.txt");
  ASSERT_TRUE(PathAppendW(p, L"..\\d"));
  EXPECT_STREQ(p, L"C:\\a\\b\\d");
  EXPECT_TRUE(PathRemoveFileSpecW(p));
  EXPECT_STREQ(p, L"C:\\a\\b");
  EXPECT_TRUE(PathRemoveFileSpecW(p));
  EXPECT_TRUE(PathRemoveFileSpecW(p));
  EXPECT_STREQ(p, L"C:\\");
  EXPECT_FALSE(PathRemoveFileSpecW(p));

  wchar_t out[MAX_PATH];
  EXPECT_STREQ(PathCombineW(out, L"C:\\x\\", L"y"), L"C:\\x\\y");
  EXPECT_STREQ(PathCombineW(out, L"C:\\x", L"D:\\z"), L"D:\\z");
  EXPECT_STREQ(PathCombineW(out, L"C:\\x\\y", L"\\z"), L"C:\\z");
  std::wstring longName(MAX_PATH, L'a');
  EXPECT_EQ(PathCombineW(out, L"C:\\", longName.c_str()), nullptr);
  EXPECT_EQ(out[0], L'\0');

  const wchar_t* file = L"C:\\dir\\name.tar.gz";
  EXPECT_STREQ(PathFindFileNameW(file), L"name.tar.gz");
  EXPECT_STREQ(PathFindExtensionW(file), L".gz");
  EXPECT_STREQ(PathFindExtensionW(L"C:\\d.x\\noext"), L"");
  EXPECT_STREQ(PathFindFileNameW(L"C:\\dir\\sub\\"), L"sub\\");
  EXPECT_TRUE(PathIsRelativeW(L"a\\b"));
  EXPECT_FALSE(PathIsRelativeW(L"\\a"));
  EXPECT_FALSE(PathIsRelativeW(L"C:\\a"));

  wchar_t q[MAX_PATH] = L"C:\\dir";
  EXPECT_STREQ(PathAddBackslashW(q) - 4, L"dir\\");
  EXPECT_STREQ(q, L"C:\\dir\\");
  PathRemoveBackslashW(q);
  EXPECT_STREQ(q, L"C:\\dir");
  wchar_t root[MAX_PATH] = L"C:\\";
  PathRemoveBackslashW(root);
  EXPECT_STREQ(root, L"C:\\");
  wchar_t s[MAX_PATH] = L"C:\\dir\\file.txt";
  PathRenameExtensionW(s, L".bak");
  EXPECT_STREQ(s, L"C:\\dir\\file.bak");
  PathRemoveExtensionW(s);
  PathStripPathW(s);
  EXPECT_STREQ(s, L"file");
}

TEST(PathHelpersTest, SplitAndMakePathKeepTheirBufferContracts) {
  wchar_t drive[_MAX_DRIVE], dir[_MAX_DIR], fname[_MAX_FNAME], ext[_MAX_EXT];
  ASSERT_EQ(_wsplitpath_s(L"C:\\games\\jf\\setup.exe", drive, _MAX_DRIVE, dir, _MAX_DIR, fname, _MAX_FNAME, ext,
                          _MAX_EXT),
            0);
  EXPECT_STREQ(drive, L"C:");
  EXPECT_STREQ(dir, L"\\games\\jf\\");
  EXPECT_STREQ(fname, L"setup");
  EXPECT_STREQ(ext, L".exe");
  ASSERT_EQ(_wsplitpath_s(L"noext", nullptr, 0, dir, _MAX_DIR, fname, _MAX_FNAME, nullptr, 0), 0);
  EXPECT_STREQ(dir, L"");
  EXPECT_STREQ(fname, L"noext");
  wchar_t tiny[3];
  EXPECT_EQ(_wsplitpath_s(L"C:\\abc\\d", drive, _MAX_DRIVE, tiny, 3, fname, _MAX_FNAME, ext, _MAX_EXT), ERANGE);
  EXPECT_STREQ(drive, L"");  // every part emptied
  EXPECT_EQ(_wsplitpath_s(nullptr, drive, _MAX_DRIVE, dir, _MAX_DIR, fname, _MAX_FNAME, ext, _MAX_EXT), EINVAL);

  wchar_t path[_MAX_PATH];
  ASSERT_EQ(_wmakepath_s(path, _MAX_PATH, L"D", L"\\dir", L"file", L"txt"), 0);
  EXPECT_STREQ(path, L"D:\\dir\\file.txt");
  EXPECT_EQ(_wmakepath_s(path, 4, L"D", L"\\dir", L"file", L"txt"), ERANGE);
  EXPECT_STREQ(path, L"");
}

}  // namespace
