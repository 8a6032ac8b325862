// A skinned window that deletes itself at its final message, as the message box does, built
// from an inline skin; what the tests see of it outlives it. A handler closes it with
// DestroyWindow from inside the framework's own loops.
#pragma once
#include <functional>
#include <string>

#include "tests/platform/display/DisplayTestWindow.h"
#include "tests/ui/window/SkinTestWindow.h"
#include "tests/ui/window/RemoveControl.h"

namespace frametest {

// The clock held, a screen of known size and no input left over, around each test.
using InputTest = disptest::DisplayTest;

// What a window left behind; it outlives the window object.
struct Closing {
  bool deleted = false;
  bool fired = false;
  // Runs for every notification; true when it took the notification.
  std::function<bool(class ClosingWnd&, UINotifyMsg&)> onNotify;
  std::function<void(class ClosingWnd&)> onInit;
  std::function<LRESULT(class ClosingWnd&, UINT, WPARAM, LPARAM, bool&)> onMessage;
};

class ClosingWnd : public SkinWnd {
 public:
  ClosingWnd(std::wstring skin, Closing* closing) : SkinWnd(std::move(skin)), m_closing(closing) {}
  ~ClosingWnd() override { m_closing->deleted = true; }
  void InitWindow() override {
    SkinWnd::InitWindow();
    if (m_closing->onInit) m_closing->onInit(*this);
  }
  void Notify(UINotifyMsg& msg) override {
    if (m_closing->onNotify && m_closing->onNotify(*this, msg)) return;
    SkinWnd::Notify(msg);
  }
  LRESULT HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override {
    handled = false;
    return m_closing->onMessage ? m_closing->onMessage(*this, msg, wParam, lParam, handled) : 0;
  }
  // A skin that cannot be built: the window's creation fails and the object goes with it.
  void OnSkinLoadFailed() override {}
  void OnFinalMessage(HWND hwnd) override {
    SkinWnd::OnFinalMessage(hwnd);
    delete this;
  }
  CControlUI* Find(const wchar_t* name) { return m_manager.FindControl(name); }
  // Closes the window the hard way, from wherever the handler runs.
  void Destroy() {
    m_closing->fired = true;
    ::DestroyWindow(m_hwnd);
  }

  // A window of the skin at the screen's origin (screen and client points agree).
  static ClosingWnd* Open(const std::wstring& skin, Closing* closing, HWND* hwnd) {
    auto* wnd = new ClosingWnd(skin, closing);
    *hwnd = wnd->Create(nullptr, L"closing", WS_POPUP | WS_VISIBLE, 0, 0, 0, 0, 0);
    return *hwnd ? wnd : nullptr;
  }

 private:
  Closing* m_closing;
};

}  // namespace frametest
