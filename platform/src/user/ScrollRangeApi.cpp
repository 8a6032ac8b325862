// The ranges of a window's own scroll bars; the layer draws no native bars, so the range is
// all there is to keep.
#include <windows.h>

#include <map>
#include <mutex>
#include <utility>
#include "platform/src/internal/errors.h"

namespace {

std::mutex g_lock;
std::map<std::pair<HWND, int>, std::pair<int, int>>& Ranges() {
  static auto* ranges = new std::map<std::pair<HWND, int>, std::pair<int, int>>;
  return *ranges;
}

}  // namespace

BOOL WINAPI SetScrollRange(HWND hwnd, int bar, int minPos, int maxPos, BOOL /*redraw*/) {
  if (!IsWindow(hwnd)) {
    JF_SET_ERROR(User, ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (bar != SB_HORZ && bar != SB_VERT && bar != SB_CTL) {
    JF_SET_ERROR(User, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard<std::mutex> guard(g_lock);
  Ranges()[{hwnd, bar}] = {minPos, maxPos};
  return TRUE;
}

BOOL WINAPI GetScrollRange(HWND hwnd, int bar, LPINT minPos, LPINT maxPos) {
  if (!IsWindow(hwnd) || !minPos || !maxPos) return FALSE;
  std::lock_guard<std::mutex> guard(g_lock);
  auto it = Ranges().find({hwnd, bar});
  *minPos = it == Ranges().end() ? 0 : it->second.first;
  *maxPos = it == Ranges().end() ? 0 : it->second.second;
  return TRUE;
}
