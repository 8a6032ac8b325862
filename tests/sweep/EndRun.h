// The end of every sweep run: the queue pumped, the window painted once more and closed if a
// handler left it, and the window object gone with its window.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include "tests/ui/window/ClosingWnd.h"

namespace sweep {

inline void EndRun(HWND hwnd, const frametest::Closing& closing) {
  frametest::Pump();
  if (::IsWindow(hwnd)) {
    ::InvalidateRect(hwnd, nullptr, FALSE);
    ::UpdateWindow(hwnd);
    frametest::Pump();
    ::DestroyWindow(hwnd);
  }
  frametest::Pump();
  EXPECT_FALSE(::IsWindow(hwnd));
  EXPECT_TRUE(closing.deleted) << "the window object went with its window";
  jf::TestResetInput();
}

}  // namespace sweep
