// What every control procedure of the layer does around its own messages: one trace line at
// its entry, and a "not implemented" line for a message of its own range that it leaves to
// the default procedure.
#pragma once
#include <windows.h>

#include "platform/src/internal/trace.h"

#define JF_CONTROL_ENTRY(hwnd, msg, wParam, lParam)                                                    \
  JF_TRACE_ENTRY(Controls, "hwnd %p msg 0x%x wp 0x%lx lp 0x%lx", (void*)(hwnd), unsigned(msg),        \
                 (unsigned long)(wParam), (unsigned long)(lParam))

namespace jf {

// The control's own messages are [first, end); every message goes on to DefWindowProcW.
inline LRESULT ControlDefault(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT first, UINT end) {
  if (msg >= first && msg < end) JF_FIXME(Controls, "message 0x%x", msg);
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// Style bits of `notDone` that the window has: the control ignores them.
inline void ControlStylesNotDone(HWND hwnd, DWORD notDone) {
  DWORD style = DWORD(GetWindowLongPtrW(hwnd, GWL_STYLE)) & notDone;
  if (style != 0) JF_FIXME(Controls, "style 0x%lx", (unsigned long)style);
}

}  // namespace jf
