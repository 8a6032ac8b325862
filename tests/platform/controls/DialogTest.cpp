#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>
#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "tests/platform/display/DisplayTestWindow.h"
#include "platform/src/internal/paths.h"
#include "platform/testing/hooks/testinput.h"

using disptest::DisplayTest;
using Strings = std::vector<std::string>;

TEST_F(DisplayTest, MessageBoxWithoutScreenPrintsAndAnswersItsDefaultButton) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(MessageBoxW(nullptr, L"加载资源文件失败", L"SkinUI", MB_ICONERROR), IDOK);
  std::string printed = testing::internal::GetCapturedStderr();
  EXPECT_EQ(printed, "SkinUI: 加载资源文件失败\n");
  testing::internal::CaptureStderr();
  EXPECT_EQ(MessageBoxW(nullptr, L"q", L"t", MB_YESNO | MB_DEFBUTTON2), IDNO);
  EXPECT_EQ(MessageBoxW(nullptr, L"q", L"t", MB_YESNOCANCEL | MB_DEFBUTTON3), IDCANCEL);
  EXPECT_EQ(MessageBoxW(nullptr, L"q", L"t", MB_RETRYCANCEL | MB_DEFBUTTON3), IDRETRY);  // no third button
  testing::internal::GetCapturedStderr();
}

TEST_F(DisplayTest, MessageBoxAnswerHookSeesItsArgumentsAndTheOwnerIsDisabled) {
  HWND owner = disptest::Make(nullptr, WS_POPUP | WS_VISIBLE, 0, 0, 10, 10);
  bool ownerEnabledInside = true;
  std::wstring seen;
  jf::TestSetMessageBoxAnswer([&](HWND o, const std::wstring& text, const std::wstring& caption, UINT type) {
    ownerEnabledInside = IsWindowEnabled(o) != FALSE;
    seen = caption + L"|" + text + L"|" + std::to_wstring(type & MB_TYPEMASK);
    return IDCANCEL;
  });
  EXPECT_EQ(MessageBoxW(owner, L"sure?", L"Ask", MB_OKCANCEL), IDCANCEL);
  EXPECT_EQ(seen, L"Ask|sure?|1");
  EXPECT_FALSE(ownerEnabledInside);
  EXPECT_TRUE(IsWindowEnabled(owner));
  // An answer the box has no button for becomes its default.
  jf::TestSetMessageBoxAnswer([](HWND, const std::wstring&, const std::wstring&, UINT) { return IDYES; });
  EXPECT_EQ(MessageBoxW(owner, L"x", L"y", MB_OK), IDOK);
  jf::TestSetMessageBoxAnswer(nullptr);
  DestroyWindow(owner);
}

namespace {

struct TempFolder {
  std::string host;
  std::wstring win;
  TempFolder() {
    char pattern[] = "/tmp/jfbrowseXXXXXX";
    host = mkdtemp(pattern);
    mkdir((host + "/sub").c_str(), 0700);
    win = jf::WinPathFromHost(host);
  }
  ~TempFolder() {
    rmdir((host + "/sub").c_str());
    rmdir(host.c_str());
  }
};

struct CallbackLog {
  std::vector<std::string> events;
  std::wstring start;
  std::wstring changedTo;
};

int CALLBACK BrowseCallback(HWND hwnd, UINT msg, LPARAM lParam, LPARAM data) {
  auto log = reinterpret_cast<CallbackLog*>(data);
  if (msg == BFFM_INITIALIZED) {
    log->events.push_back("initialized");
    SendMessageW(hwnd, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(log->start.c_str()));
  } else if (msg == BFFM_SELCHANGED) {
    wchar_t path[MAX_PATH];
    if (SHGetPathFromIDListW(reinterpret_cast<LPCITEMIDLIST>(lParam), path)) log->changedTo = path;
    log->events.push_back("selchanged");
  } else if (msg == BFFM_VALIDATEFAILEDW) {
    log->events.push_back("validatefailed");
  }
  return 0;
}

}  // namespace

TEST_F(DisplayTest, BrowseForFolderTalksToItsCallbackAndReturnsAnIdList) {
  TempFolder temp;
  CallbackLog log;
  log.start = temp.win;
  std::wstring driverSaw;
  jf::TestSetBrowseFolderDriver([&](HWND dialog, const std::wstring& selection) {
    driverSaw = selection;
    EXPECT_TRUE(IsWindow(dialog));
    return selection + L"\\sub";
  });
  wchar_t name[MAX_PATH] = {};
  BROWSEINFOW bi{};
  bi.pszDisplayName = name;
  bi.lpszTitle = L"选择文件夹";
  bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_NEWDIALOGSTYLE;
  bi.lpfn = BrowseCallback;
  bi.lParam = reinterpret_cast<LPARAM>(&log);
  PIDLIST_ABSOLUTE pidl = SHBrowseForFolderW(&bi);
  ASSERT_NE(pidl, nullptr);
  wchar_t path[MAX_PATH];
  ASSERT_TRUE(SHGetPathFromIDListW(pidl, path));
  EXPECT_EQ(std::wstring(path), temp.win + L"\\sub");
  EXPECT_STREQ(name, L"sub");
  CoTaskMemFree(pidl);
  EXPECT_EQ(log.events, (Strings{"initialized", "selchanged"}));
  EXPECT_EQ(log.changedTo, temp.win);
  EXPECT_EQ(driverSaw, temp.win);

  // A folder that does not exist is refused (and reported when asked), Cancel gives null.
  log.events.clear();
  bi.ulFlags |= BIF_VALIDATE;
  jf::TestSetBrowseFolderDriver([&](HWND, const std::wstring&) { return temp.win + L"\\missing"; });
  EXPECT_EQ(SHBrowseForFolderW(&bi), nullptr);
  EXPECT_EQ(log.events, (Strings{"initialized", "selchanged", "validatefailed"}));
  jf::TestSetBrowseFolderDriver([&](HWND, const std::wstring&) { return std::wstring(); });
  EXPECT_EQ(SHBrowseForFolderW(&bi), nullptr);
  // Without a screen or a driver nobody can choose: cancelled.
  jf::TestSetBrowseFolderDriver(nullptr);
  EXPECT_EQ(SHBrowseForFolderW(&bi), nullptr);
  EXPECT_EQ(SHBrowseForFolderW(nullptr), nullptr);
}
