// Cursors and icons of the system, and the current cursor shape.
#include <windows.h>

#include <atomic>

#include "platform/src/display/DisplayIcons.h"
#include "platform/src/display/InputState.h"
#include "platform/src/display/x11/X11Bridge.h"
#include "platform/src/internal/errors.h"

namespace {

// System cursors and icons are handles that name their resource id; they are never freed.
constexpr uintptr_t kCursorBase = 0x43550000;
constexpr uintptr_t kIconBase = 0x49430000;
constexpr DWORD kErrorResourceNameNotFound = 1814;

std::atomic<HCURSOR> g_cursor{nullptr};

bool KnownCursor(uintptr_t id) {
  switch (id) {
    case 32512: case 32513: case 32514: case 32515: case 32516: case 32642: case 32643:
    case 32644: case 32645: case 32646: case 32648: case 32649: case 32650:
      return true;
    default:
      return false;
  }
}

bool KnownIcon(uintptr_t id) { return id >= 32512 && id <= 32518; }

}  // namespace

namespace jf {

HCURSOR SystemCursor(LPCWSTR id) {
  return reinterpret_cast<HCURSOR>(kCursorBase + reinterpret_cast<uintptr_t>(id));
}

}  // namespace jf

HCURSOR WINAPI LoadCursorW(HINSTANCE instance, LPCWSTR name) {
  if (instance == nullptr && IS_INTRESOURCE(name) && KnownCursor(reinterpret_cast<uintptr_t>(name))) {
    return jf::SystemCursor(name);
  }
  JF_SET_ERROR(Display, kErrorResourceNameNotFound);
  return nullptr;
}

HICON WINAPI LoadIconW(HINSTANCE instance, LPCWSTR name) {
  if (instance == nullptr && IS_INTRESOURCE(name) && KnownIcon(reinterpret_cast<uintptr_t>(name))) {
    return reinterpret_cast<HICON>(kIconBase + reinterpret_cast<uintptr_t>(name));
  }
  if (instance == nullptr) {
    JF_SET_ERROR(Display, kErrorResourceNameNotFound);
    return nullptr;
  }
  return jf::LoadResourceIcon(instance, name, 0, 0);
}

HANDLE WINAPI LoadImageW(HINSTANCE instance, LPCWSTR name, UINT type, int cx, int cy, UINT flags) {
  switch (type) {
    case IMAGE_CURSOR:
      return LoadCursorW(instance, name);
    case IMAGE_ICON:
      if (instance != nullptr && (flags & LR_LOADFROMFILE) == 0) {
        bool byDefault = (flags & LR_DEFAULTSIZE) != 0;
        return jf::LoadResourceIcon(instance, name, cx != 0 || !byDefault ? cx : GetSystemMetrics(SM_CXICON),
                                    cy != 0 || !byDefault ? cy : GetSystemMetrics(SM_CYICON));
      }
      return LoadIconW(instance, name);
    default:
      JF_SET_ERROR(Display, kErrorResourceNameNotFound);
      return nullptr;
  }
}

BOOL WINAPI DestroyIcon(HICON icon) {
  if (jf::DestroyResourceIcon(icon)) return TRUE;
  // System icons are shared and never freed.
  return reinterpret_cast<uintptr_t>(icon) > kIconBase && reinterpret_cast<uintptr_t>(icon) <= kIconBase + 32518 ? TRUE
                                                                                                                   : FALSE;
}

BOOL WINAPI DestroyCursor(HCURSOR cursor) { return cursor != nullptr ? TRUE : FALSE; }

HCURSOR WINAPI SetCursor(HCURSOR cursor) {
  HCURSOR old = g_cursor.exchange(cursor);
  auto value = reinterpret_cast<uintptr_t>(cursor);
  if (cursor != old && value > kCursorBase && KnownCursor(value - kCursorBase) && jf::X11Active()) {
    jf::X11Cursor(value - kCursorBase);
  }
  return old;
}

HCURSOR WINAPI GetCursor(void) { return g_cursor.load(); }
