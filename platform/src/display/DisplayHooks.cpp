// Plugs the display half into the window and message code.
#include <windows.h>

#include "platform/src/display/DisplayState.h"
#include "platform/src/display/InputState.h"
#include "platform/src/display/x11/X11Bridge.h"
#include "platform/src/user/UserArea.h"

namespace jf {

bool DisplayDefWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
void InstallPaintHooks(WindowDisplayHooks& hooks);

namespace {

void WindowCreated(HWND hwnd) {
  DWORD style = 0;
  RECT client{};
  bool messageOnly = true;
  WindowTable::Get().WithRecord(hwnd, 0, [&](WindowRecord& rec) {
    style = rec.style;
    client = rec.clientRect;
    messageOnly = rec.messageOnly;
    // Shown below, with the messages that go with it.
    rec.style &= ~DWORD(WS_VISIBLE | WS_MAXIMIZE | WS_MINIMIZE);
    return 0;
  });
  if (messageOnly) return;
  X11WindowCreated(hwnd);
  SendMessageW(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(WORD(client.right - client.left), WORD(client.bottom - client.top)));
  SendMessageW(hwnd, WM_MOVE, 0, MAKELPARAM(WORD(SHORT(client.left)), WORD(SHORT(client.top))));
  if (!IsWindow(hwnd)) return;
  if ((style & WS_MAXIMIZE) != 0) {
    ShowWindow(hwnd, (style & WS_VISIBLE) != 0 ? SW_MAXIMIZE : SW_HIDE);
  } else if ((style & WS_MINIMIZE) != 0) {
    ShowWindow(hwnd, (style & WS_VISIBLE) != 0 ? SW_SHOWMINIMIZED : SW_HIDE);
  } else if ((style & WS_VISIBLE) != 0) {
    ShowWindow(hwnd, SW_SHOW);
  }
}

void WindowDestroying(HWND hwnd) {
  WindowTable& table = WindowTable::Get();
  table.WithRecord(hwnd, 0, [&](WindowRecord& rec) {
    // The parent shows again where the window was.
    if (rec.parent != nullptr && VisibleLocked(table, rec)) {
      if (auto parent = table.LookupLocked(rec.parent)) InvalidateLocked(table, *parent, &rec.windowRect, true, false);
    }
    return 0;
  });
  InputWindowDestroying(hwnd);
}

void WindowDestroyed(HWND hwnd) {
  InputWindowDestroying(hwnd);
  X11WindowDestroyed(hwnd);
  HRGN region = WindowTable::Get().WithRecord(hwnd, HRGN(nullptr), [](WindowRecord& rec) {
    HRGN r = rec.display ? rec.display->region : HRGN(nullptr);
    if (rec.display) rec.display->region = nullptr;
    return r;
  });
  if (region != nullptr) DeleteObject(region);
}

void StyleChanged(HWND hwnd, int index, DWORD oldValue, DWORD newValue) {
  if (index == GWL_EXSTYLE && (oldValue & WS_EX_LAYERED) != 0 && (newValue & WS_EX_LAYERED) == 0) {
    // A window that stops being layered forgets its layered look.
    WindowTable& table = WindowTable::Get();
    table.WithRecord(hwnd, 0, [&](WindowRecord& rec) {
      WindowDisplayState& ds = DisplayStateLocked(rec);
      ds.layeredSet = false;
      ds.layeredAlpha = 255;
      ds.layeredFlags = 0;
      InvalidateLocked(table, rec, nullptr, true, true);
      return 0;
    });
  }
}

void ParentChanged(HWND hwnd, HWND oldParent, HWND newParent) {
  (void)oldParent;
  (void)newParent;
  InvalidateRect(hwnd, nullptr, TRUE);
}

}  // namespace

void InstallDisplayHooks(WindowDisplayHooks& hooks) {
  hooks.defWindowProc = DisplayDefWindowProc;
  hooks.windowCreated = WindowCreated;
  hooks.windowDestroying = WindowDestroying;
  hooks.windowDestroyed = WindowDestroyed;
  hooks.nextInput = InputNextMessage;
  hooks.translate = InputTranslate;
  hooks.cursorPos = InputCursorPos;
  hooks.styleChanged = StyleChanged;
  hooks.parentChanged = ParentChanged;
  hooks.invalidate = [](HWND hwnd, const RECT* rect) { InvalidateRect(hwnd, rect, FALSE); };
  InstallPaintHooks(hooks);
}

// Runs while the program starts; the build keeps this object linked into every program.
extern "C" const bool jf_display_hooks_installed = WindowDisplayHooks::Install(InstallDisplayHooks);

}  // namespace jf
