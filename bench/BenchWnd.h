// A plain window whose manager takes every message, which the UI benchmarks draw into, and
// one turn of the thread's message loop.
#pragma once

#include <windows.h>

#include "ui/base/WindowManagerUI.h"
#include "ui/base/WindowWnd.h"

class BenchWnd : public SkinUI::CWindowWnd {
 public:
  explicit BenchWnd(LPCWSTR className) : m_className(className) {}
  LPCWSTR GetWindowClassName() const override { return m_className; }
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_CREATE) manager.Init(m_hwnd);
    LRESULT result = 0;
    if (manager.MessageHandler(msg, wParam, lParam, result)) return result;
    return CWindowWnd::HandleMessage(msg, wParam, lParam);
  }
  // Handles every message waiting in this thread's queue.
  static void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }

  SkinUI::CWindowManagerUI manager;

 private:
  LPCWSTR m_className;
};
