// A headless host for control tests: a real off-screen window with its manager, a floating
// layout root, a recording notifier, pointer and key helpers and pixel reads.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tests/ui/base/FrameTestSupport.h"
#include "ui/base/ContainerUI.h"

namespace uictest {

using namespace SkinUI;
using frametest::Narrow;

// Records "name:type wParam,lParam"; an optional hook runs inside each notification.
class Recorder : public INotifyUI {
 public:
  void Notify(UINotifyMsg& msg) override {
    entries.push_back(Narrow(msg.sender->GetName()) + ":" + Narrow(msg.type) + " " + std::to_string(msg.wParam) +
                      "," + std::to_string(msg.lParam));
    if (hook) hook(msg);
  }
  // The entries of one type, without the parameters.
  std::vector<std::string> Of(const char* type) const {
    std::vector<std::string> out;
    for (const std::string& e : entries) {
      size_t colon = e.find(':'), space = e.find(' ');
      if (e.compare(colon + 1, space - colon - 1, type) == 0) out.push_back(e.substr(0, colon));
    }
    return out;
  }
  std::vector<std::string> entries;
  std::function<void(UINotifyMsg&)> hook;
};

class ControlTest : public ::testing::Test {
 protected:
  static constexpr int kX = 100, kY = 100;

  void SetUp() override {
    jf::TickOverride(7000000);
    jf::TestSetScreen(1920, 1080, 40);
    jf::TestResetInput();
    ASSERT_NE(host_.Open(kX, kY, 540, 434), nullptr);
    root_ = new CContainerUI;
    root_->SetName(L"root");
    root_->SetBkColor(0xFFFFFFFF);
    host_.manager.AttachDialog(root_);
    host_.manager.AddNotifier(&log_);
    Pump();
  }
  void TearDown() override {
    host_.manager.RemoveNotifier(&log_);
    if (IsWindow(host_.GetHWND())) DestroyWindow(host_.GetHWND());
    Pump();
    jf::TestResetInput();
    jf::TickRestore();
  }
  // Adds a control floating at a client rectangle.
  template <class T>
  T* Place(T* control, const wchar_t* name, RECT rc) {
    control->SetName(name);
    control->SetFloat(true);
    wchar_t pos[64];
    _snwprintf(pos, 64, L"%d,%d,%d,%d", int(rc.left), int(rc.top), int(rc.right), int(rc.bottom));
    control->SetAttribute(L"pos", pos);
    root_->Add(control);
    Layout();
    return control;
  }
  void Layout() {
    InvalidateRect(host_.GetHWND(), nullptr, FALSE);
    UpdateWindow(host_.GetHWND());
    Pump();
  }
  static int Pump() { return frametest::Pump(); }
  // Pointer in client coordinates.
  void Move(int x, int y) {
    jf::TestMouseMove(kX + x, kY + y);
    Pump();
  }
  void Down(int x, int y) {
    Move(x, y);
    jf::TestMouseButton(VK_LBUTTON, true);
    Pump();
  }
  void Up(int x, int y) {
    Move(x, y);
    jf::TestMouseButton(VK_LBUTTON, false);
    Pump();
  }
  void Click(int x, int y) {
    Down(x, y);
    Up(x, y);
  }
  void Key(UINT vk) {
    jf::TestKeyPress(vk);
    Pump();
  }
  void Type(const std::wstring& text) {
    jf::TestTypeText(text);
    Pump();
  }
  DWORD Pixel(int x, int y) {
    DWORD px = 0;
    EXPECT_TRUE(jf::TestWindowPixel(host_.GetHWND(), x, y, &px));
    return px & 0xFFFFFF;
  }
  // Pixels of rc whose colour is not `background`.
  int Inked(RECT rc, DWORD background) {
    int n = 0;
    for (int y = rc.top; y < rc.bottom; ++y) {
      for (int x = rc.left; x < rc.right; ++x) n += Pixel(x, y) != background;
    }
    return n;
  }
  void Png(const char* name) {
    jf::TestWriteWindowPng(host_.GetHWND(), std::string(JF_TEST_BIN_DIR) + "/" + name + ".png");
  }

  frametest::HostWnd host_;
  CContainerUI* root_ = nullptr;
  Recorder log_;
};

}  // namespace uictest
