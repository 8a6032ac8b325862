// Focus, activation, capture, key state, the pointer and the per-thread input queues, as the
// display files use them. Nothing here calls a window procedure with a lock held.
#pragma once
#include <windows.h>

#include "platform/src/user/UserArea.h"

namespace jf {

// Makes a top-level window the active (and foreground) one, with WM_NCACTIVATE, WM_ACTIVATE
// and focus as on Windows. `how` is WA_ACTIVE or WA_CLICKACTIVE.
void ActivateWindow(HWND hwnd, int how);
// A window is going: it loses focus, capture, activation and tracking.
void InputWindowDestroying(HWND hwnd);
// A window was hidden or disabled: the same, without destruction.
void InputWindowHidden(HWND hwnd);
// The hooks MsgQueue and TranslateMessage call.
bool InputNextMessage(DWORD threadId, const MsgFilter& filter, bool remove, MSG* out);
BOOL InputTranslate(const MSG* msg);
POINT InputCursorPos();
// DefWindowProcW's move and size: the pointer drags the window until the left button rises.
// `hit` is HTCAPTION for a move or a border code for a size; `start` is where the button went
// down (screen).
void InputBeginMoveSize(HWND hwnd, int hit, POINT start);
// A key from the keyboard (the X connection): VK_PACKET carries a character of its own.
void InputKey(UINT vk, bool down, wchar_t packetChar);
// The pointer moved to (x, y) on the screen; a button (VK_LBUTTON, VK_RBUTTON, VK_MBUTTON)
// went down or up; the wheel turned by `delta` (multiples of WHEEL_DELTA).
void InputMouseMove(int x, int y);
void InputMouseButton(int vkButton, bool down);
void InputMouseWheel(int delta);
// The cursor the class or the hit code asks for (DefWindowProcW's WM_SETCURSOR).
HCURSOR SystemCursor(LPCWSTR id);

}  // namespace jf
