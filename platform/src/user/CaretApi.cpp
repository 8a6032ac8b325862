// One caret per thread, as the system keeps it: the window that created it, its size and
// position, and a hide count (a new caret starts hidden).
#include <windows.h>

#include "platform/src/user/UserArea.h"
#include "platform/src/internal/errors.h"

namespace {

struct CaretState {
  HWND owner = nullptr;
  SIZE size = {0, 0};
  POINT pos = {0, 0};
  int hidden = 1;
};

thread_local CaretState t_caret;

}  // namespace

namespace jf {

bool CaretShown(RECT* rect) {
  if (!t_caret.owner || t_caret.hidden > 0) return false;
  if (rect) {
    *rect = RECT{t_caret.pos.x, t_caret.pos.y, t_caret.pos.x + t_caret.size.cx, t_caret.pos.y + t_caret.size.cy};
  }
  return true;
}

}  // namespace jf

BOOL WINAPI CreateCaret(HWND hwnd, HBITMAP /*bitmap*/, int width, int height) {
  if (!IsWindow(hwnd)) {
    JF_SET_ERROR(User, ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  t_caret = CaretState{hwnd, SIZE{width > 0 ? width : 1, height > 0 ? height : 1}, POINT{0, 0}, 1};
  return TRUE;
}

BOOL WINAPI DestroyCaret() {
  if (!t_caret.owner) return FALSE;
  t_caret = CaretState{};
  return TRUE;
}

BOOL WINAPI SetCaretPos(int x, int y) {
  if (!t_caret.owner) return FALSE;
  t_caret.pos = POINT{x, y};
  return TRUE;
}

BOOL WINAPI GetCaretPos(LPPOINT point) {
  if (!point) return FALSE;
  *point = t_caret.owner ? t_caret.pos : POINT{0, 0};
  return TRUE;
}

BOOL WINAPI ShowCaret(HWND hwnd) {
  if (!t_caret.owner || (hwnd && hwnd != t_caret.owner) || t_caret.hidden == 0) return FALSE;
  --t_caret.hidden;
  return TRUE;
}

BOOL WINAPI HideCaret(HWND hwnd) {
  if (!t_caret.owner || (hwnd && hwnd != t_caret.owner)) return FALSE;
  ++t_caret.hidden;
  return TRUE;
}
