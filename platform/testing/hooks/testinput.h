// Drivers for tests: a virtual pointer and keyboard that follow the rules of real input
// (hit testing, capture, focus, double clicks, hover and leave), the headless screen, and
// answers for the system dialogs. Not used by product code.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

namespace jf {

// The one headless monitor; the work area is the screen minus a task bar at the bottom.
// Default 1920x1080 with a 40-pixel task bar (JF_SCREEN="WxH" changes the default).
void TestSetScreen(int width, int height, int taskBarHeight);

// Pointer in screen coordinates. Buttons: VK_LBUTTON, VK_RBUTTON, VK_MBUTTON.
void TestMouseMove(int x, int y);
void TestMouseButton(int vkButton, bool down);
void TestMouseClick(int vkButton);  // down and up at the current position
void TestMouseWheel(int delta);     // multiples of WHEEL_DELTA
// Keys: virtual-key codes; Shift, Ctrl and Alt are keys like any other.
void TestKey(UINT vk, bool down);
void TestKeyPress(UINT vk);  // down and up
// Text as the keyboard would deliver it: each character as VK_PACKET down and up, which
// TranslateMessage turns into WM_CHAR (any character, Chinese included).
void TestTypeText(const std::wstring& text);
// Forgets buttons, keys, focus, capture and tracking (between tests).
void TestResetInput();

// The backing store of a window's top-level window as a PNG file (a host path).
bool TestWriteWindowPng(HWND hwnd, const std::string& hostPath);
// One pixel of the backing store, in the window's own coordinates (its window rectangle's
// corner is 0,0), as premultiplied 0xAARRGGBB.
bool TestWindowPixel(HWND hwnd, int x, int y, DWORD* argb);

// Connects to an X display (e.g. ":93") so that top-level windows created from now on are
// X windows; false when it cannot. TestCloseDisplay goes back to off-screen windows.
bool TestUseDisplay(const char* name);
void TestCloseDisplay();
// The X window id of a top-level window (0 when it has none).
unsigned long TestXWindow(HWND hwnd);
// What went to the X server since the display was connected: pushes of backing stores, the
// rectangles and pixels they sent, and whether the last one went through shared memory
// (MIT-SHM; JF_X11_SHM=0 before connecting sends the pixels through the socket instead).
// Pushes do not wait for the server; this call does, so the screen shows them on return.
struct TestXPushCount {
  unsigned long pushes = 0;
  unsigned long rects = 0;
  unsigned long long pixels = 0;
  bool sharedMemory = false;
};
TestXPushCount TestXPushes();

// MessageBoxW asks this instead of showing a box (arguments: owner, text, caption, type;
// returns the button id). Null restores the default.
// For tests: SHBrowseForFolderW creates its dialog window (hidden when there is no display),
// sends BFFM_INITIALIZED, then calls this driver instead of running its own loop. The driver
// may send messages to the dialog (BFFM_SETSELECTIONW, ...) and returns the chosen Windows
// path, or an empty string for Cancel. Null restores the default.
using BrowseFolderDriver = std::function<std::wstring(HWND dialog, const std::wstring& selection)>;
void TestSetBrowseFolderDriver(BrowseFolderDriver driver);

void TestSetMessageBoxAnswer(std::function<int(HWND, const std::wstring&, const std::wstring&, UINT)> answer);

}  // namespace jf
