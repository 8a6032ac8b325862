// The installer's skin as the framework builds it: every control the windows look up by
// name, the fixed sizes the flow relies on, the images it names, the places the end-to-end
// clicks use, and a picture of each page and box under build/screenshots/skin.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/SurfacePng.h"
#include "ui/base/ControlUI.h"
#include "ui/control/LabelUI.h"
#include "ui/control/ProgressUI.h"
#include "platform/src/internal/paths.h"
#include "platform/src/internal/utf.h"
#include "ui/layout/TabLayoutUI.h"
#include "ui/window/WindowImplBase.h"

namespace {

using namespace SkinUI;

class SkinWindow : public WindowImplBase {
 public:
  SkinWindow(const wchar_t* file, const wchar_t* cls) : file_(file), cls_(cls) {}
  LPCWSTR GetWindowClassName() const override { return cls_; }
  CUIString GetSkinFolder() override { return L""; }
  CUIString GetSkinFile() override { return file_; }
  UINT GetResourceType() const override { return UILIB_FILE; }
  void Notify(UINotifyMsg&) override {}

 private:
  const wchar_t* file_;
  const wchar_t* cls_;
};

std::string SkinDir() { return std::string(JF_SOURCE_DIR) + "/app/skin"; }
std::string ShotDir() { return std::string(JF_TEST_BIN_DIR) + "/../screenshots/skin"; }

void Pump() {
  MSG m;
  for (int i = 0; i < 20; ++i)
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
}

class SkinContractTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CWindowManagerUI::SetInstance(GetModuleHandleW(nullptr));
    CWindowManagerUI::SetResourcePath((jf::WinPathFromHost(SkinDir()) + L"\\").c_str());
    mkdir((std::string(JF_TEST_BIN_DIR) + "/../screenshots").c_str(), 0755);
    mkdir(ShotDir().c_str(), 0755);
  }
  void TearDown() override {
    for (HWND h : {box_, main_})
      if (h && IsWindow(h)) DestroyWindow(h);
    Pump();
    windows_.clear();
    CWindowManagerUI::SetResourcePath(L"");
  }
  HWND Open(SkinWindow* w, HWND owner, DWORD style) {
    windows_.emplace_back(w);
    HWND h = w->Create(owner, L"", style, 0, 0, 0, 0, 0);
    w->ShowWindow(true, false);
    Pump();
    return h;
  }
  void Shot(HWND h, const std::string& name) {
    InvalidateRect(h, nullptr, FALSE);
    UpdateWindow(h);
    Pump();
    HDC dc = GetDC(h);
    EXPECT_TRUE(jftest::WriteDcPng(dc, ShotDir() + "/" + name + ".png"));
    ReleaseDC(h, dc);
  }
  static RECT Pos(CWindowManagerUI& m, const wchar_t* name) {
    CControlUI* c = m.FindControl(name);
    EXPECT_NE(c, nullptr) << jf::ToUtf8(name);
    return c ? c->GetPos() : RECT{};
  }
  static void ExpectSize(CWindowManagerUI& m, const wchar_t* name, int w, int h) {
    RECT r = Pos(m, name);
    EXPECT_EQ(r.right - r.left, w) << jf::ToUtf8(name);
    EXPECT_EQ(r.bottom - r.top, h) << jf::ToUtf8(name);
  }
  static void ExpectHolds(CWindowManagerUI& m, const wchar_t* name, int x, int y) {
    RECT r = Pos(m, name);
    EXPECT_TRUE(x >= r.left && x < r.right && y >= r.top && y < r.bottom) << jf::ToUtf8(name);
  }
  HWND main_ = nullptr, box_ = nullptr;
  std::vector<std::unique_ptr<SkinWindow>> windows_;  // deleted after their windows
};

TEST_F(SkinContractTest, MainWindowHasEveryNamedControlAndItsSizes) {
  auto* w = new SkinWindow(L"InstallPackages.xml", L"InstallPackages");
  main_ = Open(w, nullptr, WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX);
  ASSERT_NE(main_, nullptr);
  CWindowManagerUI& m = w->GetManager();
  RECT client{};
  GetClientRect(main_, &client);
  EXPECT_EQ(client.right, 540);
  EXPECT_EQ(client.bottom, 434);
  for (const wchar_t* n : {L"tb_main", L"opt_agree", L"btn_agreement", L"btn_free", L"about_free", L"edit_input",
                           L"btn_select", L"lb_tip", L"opt_auto", L"hlayout_install", L"btn_install", L"change_ad",
                           L"pro_InstallProgress", L"lb_tip1", L"lb_tip2", L"btn_min", L"btn_close"})
    EXPECT_NE(m.FindControl(n), nullptr) << jf::ToUtf8(n);
  auto* tabs = static_cast<CTabLayoutUI*>(m.FindControl(L"tb_main"));
  ASSERT_NE(tabs, nullptr);
  EXPECT_EQ(tabs->GetCount(), 2);
  EXPECT_EQ(tabs->GetCurSel(), 0);
  CControlUI* panel = m.FindControl(L"about_free");
  EXPECT_FALSE(panel->IsVisible());
  EXPECT_EQ(panel->GetFixedHeight(), 86);
  EXPECT_EQ(m.FindControl(L"hlayout_install")->GetFixedHeight(), 84);
  ExpectSize(m, L"hlayout_install", 540, 84);
  ExpectSize(m, L"btn_close", 30, 30);
  ExpectSize(m, L"btn_min", 30, 30);
  for (int font : {3, 4}) EXPECT_NE(m.GetFontInfo(font), m.GetDefaultFontInfo()) << "font " << font;
  // The progress bar's value is a length in pixels.
  auto* bar = static_cast<CProgressUI*>(m.FindControl(L"pro_InstallProgress"));
  EXPECT_GE(bar->GetMaxValue(), 540);
  // Page 0 places, as the end-to-end clicks use them.
  ExpectHolds(m, L"btn_install", 270, 354);
  ExpectHolds(m, L"opt_agree", 27, 416);
  ExpectHolds(m, L"btn_free", 477, 415);
  ExpectHolds(m, L"btn_close", 525, 15);
  Shot(main_, "page0-agreement");

  // The custom panel opened: the window grows by the panel's height.
  RECT wr{};
  GetWindowRect(main_, &wr);
  SetWindowPos(main_, nullptr, wr.left, wr.top, 540, 434 + 86, SWP_FRAMECHANGED);
  panel->SetVisible(true);
  m.FindControl(L"edit_input")->SetText(L"D:\\澜铭聚峰");
  static_cast<CLabelUI*>(m.FindControl(L"lb_tip"))->SetText(L"所需磁盘空间：150.00MB          可用磁盘空间：72.31GB");
  m.FindControl(L"btn_free")->SetBkImage(L"file='icon_up.png' dest='0,0,15,15'");
  Pump();
  ExpectHolds(m, L"edit_input", 260, 453);
  ExpectSize(m, L"about_free", 540, 86);
  Shot(main_, "page0-custom-panel");

  // The progress page: the window loses the agreement row and the install row.
  SetWindowPos(main_, nullptr, wr.left, wr.top, 540, 434 - 36 - 84, SWP_FRAMECHANGED);
  tabs->SelectItem(1);
  const int len = 243;
  wchar_t image[128];
  _snwprintf(image, 128, L" file='progress_fore.png' source='0,10,470,16'  dest='0,0,%d,6' ", len);
  bar->SetBkImage(image);
  bar->SetValue(len);
  CControlUI* bubble = m.FindControl(L"lb_tip1");
  bubble->SetVisible(true);
  RECT br{len - 14, 314 - 34, len + 14, 314 - 11};
  bubble->SetPos(br);
  bubble->SetText(L"50%");
  Pump();
  ExpectSize(m, L"change_ad", 540, 290);
  ExpectSize(m, L"pro_InstallProgress", 540, 6);
  EXPECT_EQ(Pos(m, L"pro_InstallProgress").bottom, 314) << "the bar ends at the window's bottom";
  Shot(main_, "page1-progress");
}

TEST_F(SkinContractTest, MessageBoxHasItsControlsAndButtonPlaces) {
  auto* w = new SkinWindow(L"MessageBox.xml", L"varnelim");
  box_ = Open(w, nullptr, WS_POPUP);
  ASSERT_NE(box_, nullptr);
  CWindowManagerUI& m = w->GetManager();
  RECT client{};
  GetClientRect(box_, &client);
  EXPECT_EQ(client.right, 280);
  EXPECT_EQ(client.bottom, 115);
  for (const wchar_t* n : {L"btn_close", L"btn_ok", L"btn_cancel", L"lb_text", L"lb_title", L"hlt_btn_0", L"lb_code"})
    EXPECT_NE(m.FindControl(n), nullptr) << jf::ToUtf8(n);
  EXPECT_EQ(m.FindControl(L"btn_ok")->GetText(), CUIString(L"确定"));
  EXPECT_EQ(m.FindControl(L"btn_cancel")->GetText(), CUIString(L"取消"));
  ExpectSize(m, L"btn_ok", 70, 26);
  ExpectSize(m, L"btn_cancel", 70, 26);
  ExpectSize(m, L"btn_close", 30, 30);
  ExpectHolds(m, L"btn_ok", 157, 93);
  ExpectHolds(m, L"btn_cancel", 235, 93);
  m.FindControl(L"lb_title")->SetText(L"提示信息");
  m.FindControl(L"lb_text")->SetText(L"您已经安装了澜铭聚峰，是否覆盖安装？");
  m.FindControl(L"btn_ok")->SetText(L"覆盖安装");
  m.FindControl(L"btn_cancel")->SetText(L"直接启动");
  Pump();
  Shot(box_, "box-two-buttons");
  // With the cancel row hidden the confirm button takes its place.
  m.FindControl(L"hlt_btn_0")->SetVisible(false);
  m.FindControl(L"lb_text")->SetText(L"连接超时，请检查网络是否正常");
  m.FindControl(L"lb_code")->SetText(L"code:7 type:1");
  m.FindControl(L"btn_ok")->SetText(L"重试");
  Pump();
  ExpectHolds(m, L"btn_ok", 235, 93);
  Shot(box_, "box-one-button");
}

TEST_F(SkinContractTest, NamedImagesExistWithTheSizesTheFlowCuts) {
  for (const char* f : {"bg1.png", "icon_down.png", "icon_up.png", "ad00.png", "progress_fore.png",
                        "common_tip_icon.png", "tip_bubble.png"}) {
    struct stat st;
    EXPECT_EQ(stat((SkinDir() + "/" + f).c_str(), &st), 0) << f;
  }
  // PNG header: width and height at bytes 16..23, big-endian.
  FILE* png = fopen((SkinDir() + "/progress_fore.png").c_str(), "rb");
  ASSERT_NE(png, nullptr);
  unsigned char head[24] = {};
  ASSERT_EQ(fread(head, 1, 24, png), 24u);
  fclose(png);
  unsigned w = (head[16] << 24) | (head[17] << 16) | (head[18] << 8) | head[19];
  unsigned h = (head[20] << 24) | (head[21] << 16) | (head[22] << 8) | head[23];
  EXPECT_GE(w, 470u);
  EXPECT_GE(h, 16u);
}

}  // namespace
