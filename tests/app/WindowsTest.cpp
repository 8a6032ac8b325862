// The main window and the message box built from the embedded skin, off screen: the
// controls the flow drives, the window's heights, the box's buttons and results, and that
// the framework's own timers on the main window do not reach the flow.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "tests/app/AppDrives.h"
#include "tests/support/SurfacePng.h"
#include "app/config/AppConfig.h"
#include "app/MainDlg.h"
#include "app/MsgBoxDlg.h"
#include "ui/control/EditUI.h"
#include "ui/control/LabelUI.h"
#include "ui/control/OptionUI.h"
#include "ui/control/ProgressUI.h"
#include "ui/layout/TabLayoutUI.h"
#include "platform/testing/hooks/teststate.h"

namespace {

using namespace SkinUI;

void Pump(int rounds = 20) {
  MSG m;
  for (int i = 0; i < rounds; ++i) {
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (m.message == WM_QUIT) continue;
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
    Sleep(1);
  }
}

int Height(HWND h) {
  RECT rc;
  GetWindowRect(h, &rc);
  return rc.bottom - rc.top;
}

std::string ShotDir() { return std::string(JF_TEST_BIN_DIR) + "/../screenshots/app"; }

void Shot(HWND h, const std::string& name) {
  mkdir((std::string(JF_TEST_BIN_DIR) + "/../screenshots").c_str(), 0755);
  mkdir(ShotDir().c_str(), 0755);
  InvalidateRect(h, nullptr, FALSE);
  UpdateWindow(h);
  Pump(2);
  HDC dc = GetDC(h);
  EXPECT_TRUE(jftest::WriteDcPng(dc, ShotDir() + "/" + name + ".png"));
  ReleaseDC(h, dc);
}

class WindowsTest : public apptest::AppDrives {
 protected:
  void SetUp() override {
    AppDrives::SetUp();
    jf::SetDiskFreeSpaceForTests(L'D', 1LL << 32);
    CWindowManagerUI::SetInstance(GetModuleHandleW(nullptr));
    CWindowManagerUI::SetResourceInstance(GetModuleHandleW(nullptr));
    AppConfig::Instance().hidden = false;
  }
  void TearDown() override {
    Pump();
    AppDrives::TearDown();
  }
};

TEST_F(WindowsTest, BoxShowsItsTextsAndAnswersOnlyThroughItsButtons) {
  struct Row {
    const wchar_t* button;  // clicked, or null for an outside Close(2)
    UINT result;
  } rows[] = {{L"btn_ok", 1}, {L"btn_cancel", 2}, {L"btn_close", 2}, {L"lb_text", 0}};
  for (const Row& row : rows) {
    CMsgBoxDlg* box = new CMsgBoxDlg(L"文件已损坏，请重新下载！", L"提示信息", L"type:1 code:193");
    HWND hwnd = box->Create(nullptr, L"提示信息", WS_POPUP, 0, 0, 0, 0, 0);
    ASSERT_NE(hwnd, nullptr);
    wchar_t cls[64] = {0};
    GetClassNameW(hwnd, cls, 64);
    EXPECT_STREQ(cls, L"varnelim");
    RECT rc;
    GetWindowRect(hwnd, &rc);
    EXPECT_EQ(rc.right - rc.left, 280);
    EXPECT_EQ(rc.bottom - rc.top, 115);
    CWindowManagerUI& m = box->GetManager();
    EXPECT_EQ(m.FindControl(L"lb_text")->GetText(), L"文件已损坏，请重新下载！");
    EXPECT_EQ(m.FindControl(L"lb_title")->GetText(), L"提示信息");
    EXPECT_EQ(m.FindControl(L"lb_code")->GetText(), L"type:1 code:193");
    box->SetButtonTexts(L"重新下载", L"");
    EXPECT_EQ(m.FindControl(L"btn_ok")->GetText(), L"重新下载");
    EXPECT_EQ(m.FindControl(L"btn_cancel")->GetText(), L"取消");
    box->SetRowVisible(false);
    EXPECT_FALSE(m.FindControl(L"hlt_btn_0")->IsVisible());
    box->ShowWindow(true, false);
    Pump(2);
    if (row.result == 1 && std::wstring(row.button) == L"btn_ok") Shot(hwnd, "box");
    // Escape and Return do nothing; then the click (or, for a label, nothing).
    PostMessageW(hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageW(hwnd, WM_KEYDOWN, VK_RETURN, 0);
    m.SendNotify(m.FindControl(row.button), L"click");
    if (row.result == 0) box->Close(2);
    EXPECT_EQ(box->ShowModal(), row.result == 0 ? 2u : row.result) << jf::ToUtf8(row.button);
    EXPECT_FALSE(IsWindow(hwnd));
  }
}

TEST_F(WindowsTest, MainWindowPanelAndProgressPageChangeItsHeight) {
  CMainDlg dlg;
  HWND hwnd = dlg.Create(nullptr, L"安装星砂回响", WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 0, 0, 0);
  ASSERT_NE(hwnd, nullptr);
  wchar_t cls[64] = {0};
  GetClassNameW(hwnd, cls, 64);
  EXPECT_STREQ(cls, L"InstallPackages");
  dlg.ShowWindow(true, false);
  Pump();
  CWindowManagerUI& m = dlg.GetManager();
  EXPECT_EQ(Height(hwnd), 434);
  EXPECT_TRUE(static_cast<COptionUI*>(m.FindControl(L"opt_auto"))->IsSelected());
  EXPECT_TRUE(static_cast<COptionUI*>(m.FindControl(L"opt_agree"))->IsSelected());
  EXPECT_FALSE(m.FindControl(L"lb_tip1")->IsVisible());
  EXPECT_EQ(dlg.GetFlow().GetGameId(), 314);
  // Escape closes only a modal box; the main window is modeless.
  PostMessageW(hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
  Pump();
  EXPECT_TRUE(IsWindow(hwnd));

  dlg.GetFlow().OnClickFree();
  Pump();
  EXPECT_EQ(Height(hwnd), 520);
  EXPECT_TRUE(m.FindControl(L"about_free")->IsVisible());
  EXPECT_EQ(m.FindControl(L"edit_input")->GetText(), L"D:\\澜铭网络\\澜铭聚峰");
  EXPECT_EQ(m.FindControl(L"lb_tip")->GetText().Find(L"所需磁盘空间：150.00MB"), 0);
  static_cast<CEditUI*>(m.FindControl(L"edit_input"))->SetText(L"D:\\a|b");
  EXPECT_EQ(m.FindControl(L"lb_tip")->GetText(), L"安装目录无效，请选择正确的目录");
  EXPECT_EQ(static_cast<CLabelUI*>(m.FindControl(L"lb_tip"))->GetTextColor(), 0xFFFF0000u);
  static_cast<CEditUI*>(m.FindControl(L"edit_input"))->SetText(L"D:\\games\\澜铭聚峰");
  Shot(hwnd, "panel");
  dlg.GetFlow().OnClickFree();
  Pump();
  EXPECT_EQ(Height(hwnd), 434);

  dlg.ShowProgressPage(true);
  Pump();
  EXPECT_EQ(Height(hwnd), 314);
  EXPECT_EQ(static_cast<CTabLayoutUI*>(m.FindControl(L"tb_main"))->GetCurSel(), 1);
  EXPECT_EQ(dlg.GetBarWidth(), 540);
  dlg.GetFlow().OnDownloadProgress(100, 50, 1000, 0);
  Pump();
  EXPECT_TRUE(m.FindControl(L"lb_tip1")->IsVisible());
  EXPECT_EQ(m.FindControl(L"lb_tip1")->GetText(), L"50%");
  EXPECT_EQ(m.FindControl(L"lb_tip1")->GetPos().left, 229);
  EXPECT_EQ(m.FindControl(L"lb_tip1")->GetPos().top, 314 - 34);
  EXPECT_EQ(static_cast<CProgressUI*>(m.FindControl(L"pro_InstallProgress"))->GetValue(), 243);
  Shot(hwnd, "progress");

  // A timer of the framework's with one of the flow's ids is not the flow's.
  SetTimer(hwnd, 18, 1, nullptr);
  SetTimer(hwnd, 12, 1, nullptr);
  Pump(60);
  KillTimer(hwnd, 18);
  KillTimer(hwnd, 12);
  EXPECT_TRUE(IsWindow(hwnd));
  EXPECT_EQ(dlg.GetFlow().GetUpdateModule(), nullptr);

  DestroyWindow(hwnd);
  MSG quit;
  EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(quit.wParam, 0u);
}

}  // namespace
