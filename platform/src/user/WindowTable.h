// All windows of the process: HWND -> record, the top-level and message-only z-order lists.
// One lock guards the table and every record's fields; window procedures are never called
// with it held.
#pragma once
#include <windows.h>

#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/src/user/WindowRecord.h"

namespace jf {

class WindowTable {
 public:
  static WindowTable& Get();

  std::unique_lock<std::mutex> Guard() { return std::unique_lock<std::mutex>(lock_); }

  // The record of a usable window, or null with ERROR_INVALID_WINDOW_HANDLE.
  std::shared_ptr<WindowRecord> Lookup(HWND hwnd);
  std::shared_ptr<WindowRecord> LookupLocked(HWND hwnd);

  // Runs fn(record) with the lock held; `failed` (and ERROR_INVALID_WINDOW_HANDLE) when the
  // window is gone.
  template <class R, class F>
  R WithRecord(HWND hwnd, R failed, F&& fn) {
    std::lock_guard<std::mutex> guard(lock_);
    auto rec = LookupLocked(hwnd);
    if (!rec) return failed;
    return fn(*rec);
  }

  // Gives the record a fresh handle and links it as the bottom sibling (lock held).
  HWND AddLocked(const std::shared_ptr<WindowRecord>& rec);
  // Unlinks the record from its siblings and the table (lock held).
  void RemoveLocked(WindowRecord& rec);
  // The sibling list a record is linked into (lock held).
  std::vector<HWND>& SiblingsLocked(const WindowRecord& rec);
  std::vector<HWND>& TopLevelLocked() { return topLevel_; }
  // hwnd and all its descendants, parents before children (lock held).
  void CollectTreeLocked(HWND hwnd, std::vector<HWND>& out);
  bool IsDescendantLocked(HWND ancestor, HWND hwnd);
  // The top-level window above hwnd (hwnd itself for a top-level or unknown window).
  HWND RootLocked(HWND hwnd);

  // Calls the procedure of a live window (used for sent messages); 0 when it is gone.
  static LRESULT CallProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  // A thread ended: its windows go away without messages, as on Windows.
  void DropThreadWindows(DWORD threadId);

 private:
  WindowTable() = default;

  std::mutex lock_;
  std::unordered_map<HWND, std::shared_ptr<WindowRecord>> windows_;
  std::vector<HWND> topLevel_;     // topmost first
  std::vector<HWND> messageOnly_;  // children of the message-only root
  uintptr_t nextHandle_ = 0x10020;
};

}  // namespace jf
