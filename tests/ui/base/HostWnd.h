// A plain top-level window with its own window manager, for the framework tests and the
// fuzz targets (no test framework needed).
#pragma once
#include <windows.h>

#include "ui/base/WindowManagerUI.h"
#include "ui/base/WindowWnd.h"

namespace frametest {

using SkinUI::CWindowManagerUI;
using SkinUI::CWindowWnd;

// A plain top-level window whose messages go to its manager first.
class HostWnd : public CWindowWnd {
 public:
  LPCWSTR GetWindowClassName() const override { return L"JfFrameHost"; }
  UINT GetClassStyle() const override { return CS_DBLCLKS; }
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_CREATE) manager.Init(m_hwnd);
    LRESULT result = 0;
    if (manager.MessageHandler(msg, wParam, lParam, result)) return result;
    return CWindowWnd::HandleMessage(msg, wParam, lParam);
  }
  HWND Open(int x = 100, int y = 100, int w = 300, int h = 200, DWORD exStyle = 0) {
    return Create(nullptr, L"host", WS_POPUP | WS_VISIBLE, exStyle, x, y, w, h);
  }
  CWindowManagerUI manager;
};

}  // namespace frametest
