// The one monitor of the headless screen, system metrics and system parameters.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "platform/src/display/DisplayMetrics.h"
#include "platform/src/display/DisplayState.h"
#include "platform/testing/hooks/testinput.h"
#include "platform/src/internal/errors.h"

namespace {

const HMONITOR kMonitor = reinterpret_cast<HMONITOR>(uintptr_t(0x4D4F4E31));
constexpr int kCaption = 23;
constexpr int kFrame = 4;
constexpr int kPaddedBorder = 4;

struct Screen {
  std::mutex lock;
  int width = 1920;
  int height = 1080;
  int taskBar = 40;
};

Screen& TheScreen() {
  static Screen* screen = [] {
    auto* s = new Screen;
    const char* env = getenv("JF_SCREEN");
    int w = 0, h = 0;
    if (env != nullptr && sscanf(env, "%dx%d", &w, &h) == 2 && w > 0 && h > 0) {
      s->width = w;
      s->height = h;
    }
    return s;
  }();
  return *screen;
}

bool OnScreen(POINT pt) { return jf::RectContains(jf::ScreenRect(), pt); }

HMONITOR Choose(bool onScreen, DWORD flags) {
  if (onScreen || flags != MONITOR_DEFAULTTONULL) return kMonitor;
  return nullptr;
}

}  // namespace

namespace jf {

void TestSetScreen(int width, int height, int taskBarHeight) { SetScreen(width, height, taskBarHeight); }

void SetScreen(int width, int height, int taskBarHeight) {
  Screen& s = TheScreen();
  std::lock_guard<std::mutex> guard(s.lock);
  s.width = std::max(1, width);
  s.height = std::max(1, height);
  s.taskBar = std::max(0, std::min(taskBarHeight, s.height - 1));
}

RECT ScreenRect() {
  Screen& s = TheScreen();
  std::lock_guard<std::mutex> guard(s.lock);
  return RECT{0, 0, s.width, s.height};
}

RECT WorkAreaRect() {
  Screen& s = TheScreen();
  std::lock_guard<std::mutex> guard(s.lock);
  return RECT{0, 0, s.width, s.height - s.taskBar};
}

RECT FrameInsets(DWORD style, DWORD exStyle) {
  RECT r{0, 0, 0, 0};
  int edge = 0;
  if ((style & WS_THICKFRAME) != 0) {
    edge = kFrame + kPaddedBorder;
  } else if ((style & WS_CAPTION) == WS_CAPTION || (style & WS_DLGFRAME) != 0 ||
             (exStyle & WS_EX_DLGMODALFRAME) != 0) {
    edge = 3;
  } else if ((style & WS_BORDER) != 0) {
    edge = 1;
  }
  if ((exStyle & WS_EX_CLIENTEDGE) != 0) edge += 2;
  r.left = r.right = r.bottom = r.top = edge;
  if ((style & WS_CAPTION) == WS_CAPTION) r.top += (exStyle & WS_EX_TOOLWINDOW) != 0 ? 17 : kCaption;
  return r;
}

}  // namespace jf

HMONITOR WINAPI MonitorFromPoint(POINT point, DWORD flags) { return Choose(OnScreen(point), flags); }

HMONITOR WINAPI MonitorFromRect(LPCRECT rect, DWORD flags) {
  if (rect == nullptr) return Choose(false, flags);
  RECT both = jf::RectIntersect(*rect, jf::ScreenRect());
  return Choose(!jf::RectEmpty(both), flags);
}

BOOL WINAPI GetMonitorInfoW(HMONITOR monitor, LPMONITORINFO info) {
  if (monitor != kMonitor || info == nullptr || info->cbSize < sizeof(MONITORINFO)) {
    JF_SET_ERROR(Display, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  info->rcMonitor = jf::ScreenRect();
  info->rcWork = jf::WorkAreaRect();
  info->dwFlags = MONITORINFOF_PRIMARY;
  return TRUE;
}

int WINAPI GetSystemMetrics(int index) {
  RECT screen = jf::ScreenRect();
  RECT work = jf::WorkAreaRect();
  switch (index) {
    case SM_CXSCREEN:
    case SM_CXVIRTUALSCREEN:
      return screen.right;
    case SM_CYSCREEN:
    case SM_CYVIRTUALSCREEN:
      return screen.bottom;
    case SM_CXFULLSCREEN:
      return work.right;
    case SM_CYFULLSCREEN:
      return work.bottom - kCaption;
    case SM_CXMAXIMIZED:
      return work.right + 2 * (kFrame + kPaddedBorder);
    case SM_CYMAXIMIZED:
      return work.bottom + 2 * (kFrame + kPaddedBorder);
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
      return 17;
    case SM_CYCAPTION:
      return kCaption;
    case SM_CYMENU:
      return 20;
    case SM_CXBORDER:
    case SM_CYBORDER:
      return 1;
    case SM_CXEDGE:
    case SM_CYEDGE:
      return 2;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
      return 3;
    case SM_CXFRAME:
    case SM_CYFRAME:
      return kFrame;
    case SM_CXPADDEDBORDER:
      return kPaddedBorder;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR:
      return 32;
    case SM_CXSMICON:
    case SM_CYSMICON:
      return 16;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
    case SM_CXDRAG:
    case SM_CYDRAG:
      return 4;
    case SM_CXMINTRACK:
      return 136;
    case SM_CYMINTRACK:
      return 39;
    case SM_CMONITORS:
      return 1;
    default:
      return 0;
  }
}

BOOL WINAPI SystemParametersInfoW(UINT action, UINT param, PVOID data, UINT winIni) {
  (void)param;
  (void)winIni;
  if (data == nullptr) {
    JF_SET_ERROR(Display, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  switch (action) {
    case SPI_GETWORKAREA:
      *static_cast<RECT*>(data) = jf::WorkAreaRect();
      return TRUE;
    case SPI_GETMOUSEHOVERWIDTH:
    case SPI_GETMOUSEHOVERHEIGHT:
      *static_cast<UINT*>(data) = 4;
      return TRUE;
    case SPI_GETMOUSEHOVERTIME:
      *static_cast<UINT*>(data) = 400;
      return TRUE;
    default:
      JF_SET_ERROR(Display, ERROR_INVALID_PARAMETER);
      return FALSE;
  }
}

UINT WINAPI GetDoubleClickTime(void) { return 500; }

HWND WINAPI GetDesktopWindow(void) { return reinterpret_cast<HWND>(uintptr_t(0x10010)); }
