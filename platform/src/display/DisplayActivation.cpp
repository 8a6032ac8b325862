// Enabling windows, flashing them, and the little of the system menu that callers use.
#include <windows.h>

#include "platform/src/display/DisplayState.h"
#include "platform/src/display/InputState.h"
#include "platform/src/internal/errors.h"

namespace {

using jf::WindowRecord;
using jf::WindowTable;

// A system menu handle is the window's handle with a tag, so it needs no table of its own.
constexpr uintptr_t kMenuTag = 1;

HWND MenuWindow(HMENU menu) {
  auto value = reinterpret_cast<uintptr_t>(menu);
  if ((value & kMenuTag) == 0) return nullptr;
  return reinterpret_cast<HWND>(value & ~kMenuTag);
}

}  // namespace

BOOL WINAPI EnableWindow(HWND hwnd, BOOL enable) {
  bool wasDisabled = false;
  bool changed = WindowTable::Get().WithRecord(hwnd, false, [&](WindowRecord& rec) {
    wasDisabled = (rec.style & WS_DISABLED) != 0;
    if (wasDisabled == !enable) return false;
    if (enable) rec.style &= ~DWORD(WS_DISABLED);
    else rec.style |= WS_DISABLED;
    return true;
  });
  if (!changed) return wasDisabled ? TRUE : FALSE;
  if (!enable) {
    // A disabled window keeps neither focus nor capture.
    HWND focus = GetFocus();
    if (focus != nullptr && (focus == hwnd || IsChild(hwnd, focus))) SetFocus(nullptr);
    if (GetCapture() == hwnd) ReleaseCapture();
  }
  SendMessageW(hwnd, WM_ENABLE, enable ? TRUE : FALSE, 0);
  return wasDisabled ? TRUE : FALSE;
}

BOOL WINAPI IsWindowEnabled(HWND hwnd) {
  return WindowTable::Get().WithRecord(hwnd, FALSE,
                                       [](WindowRecord& rec) { return (rec.style & WS_DISABLED) == 0 ? TRUE : FALSE; });
}

BOOL WINAPI FlashWindow(HWND hwnd, BOOL invert) {
  (void)invert;
  return IsWindow(hwnd) && GetActiveWindow() == hwnd ? TRUE : FALSE;
}

BOOL WINAPI FlashWindowEx(PFLASHWINFO info) {
  if (info == nullptr || info->cbSize != sizeof(FLASHWINFO)) {
    JF_SET_ERROR(Display, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return FlashWindow(info->hwnd, TRUE);
}

HMENU WINAPI GetSystemMenu(HWND hwnd, BOOL revert) {
  return WindowTable::Get().WithRecord(hwnd, HMENU(nullptr), [&](WindowRecord& rec) -> HMENU {
    jf::WindowDisplayState& ds = jf::DisplayStateLocked(rec);
    if (revert) {
      ds.closeItemState = MF_ENABLED;
      ds.systemMenu = nullptr;
      return nullptr;
    }
    if (ds.systemMenu == nullptr) ds.systemMenu = reinterpret_cast<HMENU>(reinterpret_cast<uintptr_t>(rec.handle) | kMenuTag);
    return ds.systemMenu;
  });
}

BOOL WINAPI EnableMenuItem(HMENU menu, UINT item, UINT enable) {
  HWND hwnd = MenuWindow(menu);
  if (hwnd == nullptr) {
    JF_SET_ERROR(Display, ERROR_INVALID_PARAMETER);
    return -1;
  }
  // The system menu holds the usual commands; only SC_CLOSE changes anything here.
  return WindowTable::Get().WithRecord(hwnd, BOOL(-1), [&](WindowRecord& rec) -> BOOL {
    jf::WindowDisplayState& ds = jf::DisplayStateLocked(rec);
    if ((enable & MF_BYPOSITION) != 0 || item != SC_CLOSE) return MF_ENABLED;
    UINT previous = ds.closeItemState;
    ds.closeItemState = enable & (MF_GRAYED | MF_DISABLED);
    return BOOL(previous);
  });
}

BOOL WINAPI DestroyMenu(HMENU menu) {
  if (MenuWindow(menu) == nullptr) {
    JF_SET_ERROR(Display, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return TRUE;
}
