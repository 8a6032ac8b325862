// Window and thread timers. The ticks themselves are made by the owner's queue.
#include <windows.h>

#include "platform/src/user/MsgQueue.h"
#include "platform/src/user/WindowTable.h"
#include "platform/src/internal/errors.h"

UINT_PTR WINAPI SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc) {
  if (hwnd == nullptr) return jf::MsgQueue::Current()->SetTimer(nullptr, {}, id, elapseMs, proc);
  auto rec = jf::WindowTable::Get().Lookup(hwnd);
  if (!rec) return 0;
  auto queue = rec->queue.lock();
  if (!queue) {
    JF_SET_ERROR(User, ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  // A window timer keeps the id it was given, 0 included; its WM_TIMER carries that id. Id 0
  // still answers 1, because 0 is how SetTimer reports failure.
  DWORD saved = GetLastError();
  SetLastError(ERROR_SUCCESS);
  UINT_PTR result = queue->SetTimer(hwnd, rec, id, elapseMs, proc);
  if (result == 0 && GetLastError() == ERROR_SUCCESS) {
    SetLastError(saved);
    return 1;
  }
  if (result != 0) SetLastError(saved);
  return result;
}

BOOL WINAPI KillTimer(HWND hwnd, UINT_PTR id) {
  std::shared_ptr<jf::MsgQueue> queue;
  if (hwnd == nullptr) {
    queue = jf::MsgQueue::Current();
  } else {
    auto rec = jf::WindowTable::Get().Lookup(hwnd);
    if (!rec) return FALSE;
    queue = rec->queue.lock();
  }
  if (!queue || !queue->KillTimer(hwnd, id)) {
    JF_SET_ERROR(User, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return TRUE;
}
