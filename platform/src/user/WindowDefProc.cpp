// The default window procedure of a window without a display: destruction on WM_CLOSE and
// the window text. The display half answers everything else through its hook.
#include <windows.h>

#include <algorithm>

#include "platform/src/internal/trace.h"
#include "platform/src/user/WindowDisplayHooks.h"
#include "platform/src/user/WindowTable.h"
#include "platform/src/internal/errors.h"

namespace {

using jf::WindowTable;

void StoreText(HWND hwnd, LPCWSTR text) {
  WindowTable::Get().WithRecord(hwnd, 0, [&](jf::WindowRecord& rec) {
    rec.text = (text == nullptr || IS_INTRESOURCE(text)) ? std::wstring() : std::wstring(text);
    return 0;
  });
}

}  // namespace

LRESULT WINAPI DefWindowProcW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  JF_TRACE_ENTRY(User, "hwnd %p msg 0x%x wp 0x%lx lp 0x%lx", (void*)hwnd, msg, (unsigned long)wParam,
                 (unsigned long)lParam);
  auto hook = jf::WindowDisplayHooks::Get().defWindowProc;
  LRESULT hooked = 0;
  if (hook != nullptr && hook(hwnd, msg, wParam, lParam, &hooked)) return hooked;
  switch (msg) {
    case WM_NCCREATE: {
      auto cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
      if (cs != nullptr) StoreText(hwnd, cs->lpszName);
      return TRUE;
    }
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_SETTEXT:
      StoreText(hwnd, reinterpret_cast<LPCWSTR>(lParam));
      return TRUE;
    case WM_GETTEXT: {
      auto buffer = reinterpret_cast<LPWSTR>(lParam);
      if (buffer == nullptr || wParam == 0) return 0;
      return WindowTable::Get().WithRecord(hwnd, LRESULT(0), [&](jf::WindowRecord& rec) {
        size_t n = std::min<size_t>(rec.text.size(), size_t(wParam) - 1);
        wmemcpy(buffer, rec.text.data(), n);
        buffer[n] = 0;
        return LRESULT(n);
      });
    }
    case WM_GETTEXTLENGTH:
      return WindowTable::Get().WithRecord(hwnd, LRESULT(0),
                                           [](jf::WindowRecord& rec) { return LRESULT(rec.text.size()); });
    default:
      return 0;
  }
}

LRESULT WINAPI CallWindowProcW(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (proc == nullptr) {
    JF_SET_ERROR(User, ERROR_INVALID_PARAMETER);
    return 0;
  }
  return proc(hwnd, msg, wParam, lParam);
}
