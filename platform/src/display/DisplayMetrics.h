// The headless screen, frame sizes and window look-up by point, shared by the display files.
#pragma once
#include <windows.h>

#include "platform/src/user/UserArea.h"

namespace jf {

RECT ScreenRect();
// The size of the screen and the height of the task bar along its bottom edge.
void SetScreen(int width, int height, int taskBarHeight);
RECT WorkAreaRect();
// The non-client frame a style gives a window (left, top, right, bottom thickness).
RECT FrameInsets(DWORD style, DWORD exStyle);
// The topmost visible top-level window containing a screen point (table lock held).
HWND TopLevelFromPointLocked(WindowTable& table, POINT screen);
// The deepest visible, enabled window containing a screen point (table lock held).
HWND WindowFromPointLocked(WindowTable& table, POINT screen);

}  // namespace jf

namespace jf {

// WM_GETMINMAXINFO as Windows sends it before maximising or tracking a size.
MINMAXINFO QueryMinMax(HWND hwnd);

}  // namespace jf
