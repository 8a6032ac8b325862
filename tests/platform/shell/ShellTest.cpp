// Command-line splitting, special folders, the shell link file, shell open and COM.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "tests/platform/files/FileTestDrives.h"
#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>
#include <windows.h>
#include "platform/src/internal/shellitems.h"

namespace {

using filetest::DriveFixture;

std::vector<std::wstring> Split(const wchar_t* cmd) {
  int n = 0;
  LPWSTR* argv = CommandLineToArgvW(cmd, &n);
  std::vector<std::wstring> out;
  if (!argv) return out;
  for (int i = 0; i < n; ++i) out.push_back(argv[i]);
  EXPECT_EQ(argv[n], nullptr);
  LocalFree(argv);
  return out;
}

using Args = std::vector<std::wstring>;

TEST(CommandLineTest, SplitsByTheWindowsRules) {
  struct Case {
    const wchar_t* cmd;
    Args args;
  } cases[] = {
      {L"a b  c", {L"a", L"b", L"c"}},
      {L"\"C:\\Program Files\\x.exe\" /S -i", {L"C:\\Program Files\\x.exe", L"/S", L"-i"}},
      {L"C:\\dir\\x.exe \"D:\\游戏 目录\"", {L"C:\\dir\\x.exe", L"D:\\游戏 目录"}},
      {L"p a\\\\b\\c", {L"p", L"a\\\\b\\c"}},          // backslashes not before a quote stay
      {L"p a\\\"b", {L"p", L"a\"b"}},                    // \" is a quote mark
      {L"p a\\\\\"b c\"", {L"p", L"a\\b c"}},             // \\" is a backslash, then quoting
      {L"p a\\\\\\\"b", {L"p", L"a\\\"b"}},               // \\\" is a backslash and a quote mark
      {L"p \"\" x", {L"p", L"", L"x"}},                  // an empty quoted argument
      {L"p \"a\"\"b\" c", {L"p", L"a\"b", L"c"}},        // "" inside quotes is a quote mark
      {L"p \"unterminated arg", {L"p", L"unterminated arg"}},
      {L"\"C:\\a\\\" b", {L"C:\\a\\", L"b"}},            // the program name has no escapes
      {L"p\ttab\t", {L"p", L"tab"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Split(c.cmd), c.args) << jf::ToUtf8(c.cmd);

  Args self = Split(L"");
  ASSERT_EQ(self.size(), 1u);
  EXPECT_NE(self[0].find(L"platform_tests"), std::wstring::npos);
  EXPECT_EQ(CommandLineToArgvW(L"x", nullptr), nullptr);
}

class ShellTest : public DriveFixture {
 protected:
  // Waits until the opener has written its record; generous, for loaded machines.
  static void WaitForHost(const std::string& path) {
    for (int i = 0; i < 3000 && !HostExists(path); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
};

TEST_F(ShellTest, SpecialFoldersAreWindowsFoldersInsideDriveC) {
  ASSERT_EQ(CoInitialize(nullptr), S_OK);
  struct {
    int csidl;
    std::wstring path;
  } folders[] = {
      {CSIDL_COMMON_APPDATA, L"C:\\ProgramData"},
      {CSIDL_COMMON_DOCUMENTS, L"C:\\Users\\Public\\Documents"},
      {CSIDL_PROGRAM_FILESX86, L"C:\\Program Files (x86)"},
      {CSIDL_COMMON_DESKTOPDIRECTORY, L"C:\\Users\\Public\\Desktop"},
      {CSIDL_COMMON_PROGRAMS, L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs"},
  };
  for (const auto& f : folders) {
    LPITEMIDLIST pidl = nullptr;
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, f.csidl, &pidl), S_OK);
    wchar_t path[MAX_PATH];
    ASSERT_TRUE(SHGetPathFromIDListW(pidl, path));
    CoTaskMemFree(pidl);
    EXPECT_EQ(std::wstring(path), f.path);
    EXPECT_EQ(GetFileAttributesW(path), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));  // made on demand
  }
  wchar_t path[MAX_PATH];
  ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, path, CSIDL_DESKTOPDIRECTORY, FALSE));
  EXPECT_EQ(std::wstring(path).substr(0, 9), L"C:\\Users\\");
  EXPECT_EQ(std::wstring(path).substr(std::wstring(path).size() - 8), L"\\Desktop");
  ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path), S_OK);
  EXPECT_NE(std::wstring(path).find(L"\\AppData\\Roaming"), std::wstring::npos);
  LPITEMIDLIST pidl = nullptr;
  EXPECT_EQ(SHGetSpecialFolderLocation(nullptr, 0x7A, &pidl), E_INVALIDARG);
  EXPECT_EQ(pidl, nullptr);
  EXPECT_FALSE(SHGetPathFromIDListW(nullptr, path));

  PIDLIST_ABSOLUTE chosen = jf::ItemListFromPath(L"D:\\选择");
  ASSERT_NE(chosen, nullptr);
  ASSERT_TRUE(SHGetPathFromIDListW(chosen, path));
  EXPECT_STREQ(path, L"D:\\选择");
  ILFree(chosen);
  EXPECT_EQ(jf::ItemListFromPath(std::wstring(MAX_PATH, L'x')), nullptr);

  EXPECT_EQ(SHCreateDirectoryExW(nullptr, L"C:\\deep\\er\\tree", nullptr), ERROR_SUCCESS);
  EXPECT_EQ(SHCreateDirectoryExW(nullptr, L"C:\\deep\\er\\tree", nullptr), ERROR_ALREADY_EXISTS);
  EXPECT_EQ(SHCreateDirectoryExW(nullptr, L"relative", nullptr), ERROR_BAD_PATHNAME);
  CoUninitialize();
}

uint32_t U32(const std::string& b, size_t at) {
  return static_cast<uint32_t>(static_cast<unsigned char>(b[at])) |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}
uint16_t U16(const std::string& b, size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8);
}

TEST_F(ShellTest, ShellLinkWritesTheBinaryLinkFormat) {
  ASSERT_EQ(OleInitialize(nullptr), S_OK);
  WriteHost(c_ + "/game.exe", std::string(1234, 'x'));
  IShellLinkW* link = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                             reinterpret_cast<void**>(&link)),
            S_OK);
  ASSERT_EQ(link->SetPath(L"C:\\game.exe"), S_OK);
  link->SetDescription(L"游戏");
  link->SetWorkingDirectory(L"C:\\");
  link->SetArguments(L"-run");
  link->SetIconLocation(L"C:\\game.exe", 2);
  IPersistFile* file = nullptr;
  ASSERT_EQ(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)), S_OK);
  ASSERT_EQ(file->Save(L"C:\\游戏.lnk", TRUE), S_OK);
  file->Release();
  link->Release();

  std::string b = ReadHost(c_ + "/游戏.lnk");
  ASSERT_GE(b.size(), 0x4Cu);
  EXPECT_EQ(U32(b, 0), 0x4Cu);
  EXPECT_EQ(b.substr(4, 16), std::string("\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16));
  uint32_t flags = U32(b, 20);
  EXPECT_EQ(flags, 0x02u | 0x04u | 0x10u | 0x20u | 0x40u | 0x80u);
  EXPECT_EQ(U32(b, 24), static_cast<uint32_t>(FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(U32(b, 52), 1234u);  // target size
  EXPECT_EQ(U32(b, 56), 2u);     // icon index
  EXPECT_EQ(U32(b, 60), 1u);     // show normal

  size_t li = 0x4C;
  uint32_t liSize = U32(b, li);
  EXPECT_EQ(U32(b, li + 4), 0x24u);
  EXPECT_EQ(U32(b, li + 8), 1u);  // volume id and local base path
  uint32_t volume = U32(b, li + 12);
  EXPECT_EQ(U32(b, li + volume + 4), static_cast<uint32_t>(DRIVE_FIXED));
  std::string ansiPath = b.c_str() + li + U32(b, li + 16);
  EXPECT_EQ(ansiPath, "C:\\game.exe");
  std::string wide = b.substr(li + U32(b, li + 28), 22);
  EXPECT_EQ(wide, jf::ToUtf16LEBytes(L"C:\\game.exe"));

  size_t s = li + liSize;
  EXPECT_EQ(U16(b, s), 2u);
  EXPECT_EQ(b.substr(s + 2, 4), jf::ToUtf16LEBytes(L"游戏"));
  s += 2 + 4;
  EXPECT_EQ(U16(b, s), 3u);  // working directory "C:\"
  s += 2 + 6;
  EXPECT_EQ(U16(b, s), 4u);  // "-run"
  s += 2 + 8;
  EXPECT_EQ(U16(b, s), 11u);  // icon location
  s += 2 + 22;
  EXPECT_EQ(U32(b, s), 0u);  // terminal block
  EXPECT_EQ(b.size(), s + 4);

  // Loading the file gives back what was set.
  ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_ALL, IID_IShellLinkW, reinterpret_cast<void**>(&link)),
            S_OK);
  ASSERT_EQ(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)), S_OK);
  ASSERT_EQ(file->Load(L"C:\\游戏.lnk", 0), S_OK);
  wchar_t text[MAX_PATH];
  EXPECT_EQ(link->GetPath(text, MAX_PATH, nullptr, 0), S_OK);
  EXPECT_STREQ(text, L"C:\\game.exe");
  link->GetDescription(text, MAX_PATH);
  EXPECT_STREQ(text, L"游戏");
  link->GetArguments(text, MAX_PATH);
  EXPECT_STREQ(text, L"-run");
  int icon = 0;
  link->GetIconLocation(text, MAX_PATH, &icon);
  EXPECT_EQ(icon, 2);
  WriteHost(c_ + "/cut.lnk", b.substr(0, b.size() - 10));
  EXPECT_EQ(file->Load(L"C:\\cut.lnk", 0), HRESULT_FROM_WIN32(ERROR_BAD_FORMAT));
  EXPECT_EQ(file->Load(L"C:\\none.lnk", 0), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  link->GetArguments(text, MAX_PATH);
  EXPECT_STREQ(text, L"-run");  // a failed load changes nothing
  file->Release();
  link->Release();

  // A link saved where no folder exists reports the Windows error.
  ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_ALL, IID_IPersistFile, reinterpret_cast<void**>(&file)),
            S_OK);
  EXPECT_EQ(file->Save(L"C:\\no\\x.lnk", TRUE), HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
  file->Release();
  IUnknown* other = nullptr;
  EXPECT_EQ(CoCreateInstance(IID_IPersist, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(&other)),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(jf::ComInitCount(), 1);
  EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
  CoUninitialize();
  OleUninitialize();
  EXPECT_EQ(jf::ComInitCount(), 0);
}

TEST_F(ShellTest, OpenRunsTheOpenerOrFailsCleanly) {
  std::string script = root_ + "/opener.sh";
  std::string record = root_ + "/opened.txt";
  WriteHost(script, "#!/bin/sh\necho \"$1\" > " + record + ".part && mv " + record + ".part " + record + "\n");
  chmod(script.c_str(), 0755);
  jf::SetShellOpenProgram(script);
  HINSTANCE r = ShellExecuteW(nullptr, L"open", L"https://127.0.0.1/licence.html", nullptr, nullptr, 1);
  EXPECT_GT(reinterpret_cast<INT_PTR>(r), 32);
  WaitForHost(record);
  EXPECT_EQ(ReadHost(record), "https://127.0.0.1/licence.html\n");

  WriteHost(c_ + "/doc.txt", "x");
  remove(record.c_str());
  SHELLEXECUTEINFOW info;
  std::memset(&info, 0, sizeof info);
  info.cbSize = sizeof info;
  info.lpFile = L"C:\\doc.txt";
  EXPECT_TRUE(ShellExecuteExW(&info));
  WaitForHost(record);
  EXPECT_EQ(ReadHost(record), c_ + "/doc.txt\n");

  EXPECT_EQ(reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", L"C:\\none.txt", nullptr, nullptr, 1)),
            SE_ERR_FNF);
  EXPECT_EQ(reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"TaskbarPin", L"C:\\doc.txt", nullptr, nullptr, 1)),
            SE_ERR_NOASSOC);
  jf::SetShellOpenProgram(root_ + "/missing-opener");
  EXPECT_LE(reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", L"C:\\doc.txt", nullptr, nullptr, 1)), 32);
  jf::SetShellOpenProgram("");
}

}  // namespace
