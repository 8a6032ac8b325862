#include "platform/src/user/WindowTable.h"

#include <algorithm>

#include "platform/src/user/ClassRegistry.h"
#include "platform/src/user/WindowDisplayHooks.h"
#include "platform/src/internal/errors.h"

namespace jf {

WindowTable& WindowTable::Get() {
  // Never destroyed: thread-exit clean-up may run after static destructors.
  static WindowTable* table = new WindowTable;
  return *table;
}

std::shared_ptr<WindowRecord> WindowTable::LookupLocked(HWND hwnd) {
  auto it = windows_.find(hwnd);
  if (hwnd == nullptr || it == windows_.end() || !it->second->Usable()) {
    JF_SET_ERROR(User, ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  return it->second;
}

std::shared_ptr<WindowRecord> WindowTable::Lookup(HWND hwnd) {
  std::lock_guard<std::mutex> guard(lock_);
  return LookupLocked(hwnd);
}

HWND WindowTable::AddLocked(const std::shared_ptr<WindowRecord>& rec) {
  // Handles are never reused, so a stale HWND can never reach a newer window.
  HWND hwnd = reinterpret_cast<HWND>(nextHandle_);
  nextHandle_ += 4;
  rec->handle = hwnd;
  windows_.emplace(hwnd, rec);
  std::vector<HWND>& siblings = SiblingsLocked(*rec);
  if (rec->parent != nullptr || rec->messageOnly) {
    siblings.push_back(hwnd);  // children keep creation order (tab order)
  } else {
    siblings.insert(siblings.begin(), hwnd);  // a new top-level window comes to the top
  }
  return hwnd;
}

std::vector<HWND>& WindowTable::SiblingsLocked(const WindowRecord& rec) {
  if (rec.parent != nullptr) {
    auto it = windows_.find(rec.parent);
    if (it != windows_.end()) return it->second->children;
  }
  return rec.messageOnly ? messageOnly_ : topLevel_;
}

void WindowTable::RemoveLocked(WindowRecord& rec) {
  std::vector<HWND>& siblings = SiblingsLocked(rec);
  siblings.erase(std::remove(siblings.begin(), siblings.end(), rec.handle), siblings.end());
  windows_.erase(rec.handle);
}

void WindowTable::CollectTreeLocked(HWND hwnd, std::vector<HWND>& out) {
  auto it = windows_.find(hwnd);
  if (it == windows_.end()) return;
  out.push_back(hwnd);
  std::vector<HWND> children = it->second->children;
  for (HWND child : children) CollectTreeLocked(child, out);
}

bool WindowTable::IsDescendantLocked(HWND ancestor, HWND hwnd) {
  for (int depth = 0; depth < 4096; ++depth) {
    auto it = windows_.find(hwnd);
    if (it == windows_.end() || it->second->parent == nullptr) return false;
    hwnd = it->second->parent;
    if (hwnd == ancestor) return true;
  }
  return false;
}

HWND WindowTable::RootLocked(HWND hwnd) {
  for (int depth = 0; depth < 4096; ++depth) {
    auto it = windows_.find(hwnd);
    if (it == windows_.end() || it->second->parent == nullptr) return hwnd;
    hwnd = it->second->parent;
  }
  return hwnd;
}

LRESULT WindowTable::CallProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  WNDPROC proc = nullptr;
  {
    WindowTable& table = Get();
    std::lock_guard<std::mutex> guard(table.lock_);
    auto rec = table.LookupLocked(hwnd);
    if (!rec) return 0;
    proc = rec->proc;
  }
  return CallWindowProcW(proc, hwnd, msg, wParam, lParam);
}

void WindowTable::DropThreadWindows(DWORD threadId) {
  std::vector<std::shared_ptr<WindowRecord>> dropped;
  {
    std::lock_guard<std::mutex> guard(lock_);
    for (auto& entry : windows_) {
      if (entry.second->threadId == threadId) dropped.push_back(entry.second);
    }
    for (auto& rec : dropped) rec->state = WindowRecord::State::Dead;
    for (auto& rec : dropped) RemoveLocked(*rec);
  }
  for (auto& rec : dropped) ClassRegistry::Get().AddWindow(rec->cls, -1);
}

}  // namespace jf
