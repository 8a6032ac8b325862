// The state of a control window, kept in the window's extra bytes at offset 0. The bytes hold
// a pointer to a shared reference: a handler still running when its window is destroyed (a
// parent that destroys the control while it is told of a change) keeps the state alive.
#pragma once
#include <windows.h>

#include <memory>
#include <utility>

namespace jf {

// What a class whose windows keep such a state registers as cbWndExtra.
constexpr int kWindowExtraStateBytes = int(sizeof(LONG_PTR));

template <typename State>
class WindowExtraState {
 public:
  // At WM_NCCREATE.
  static std::shared_ptr<State> Attach(HWND hwnd, std::shared_ptr<State> state) {
    auto* box = new std::shared_ptr<State>(std::move(state));
    delete Box(SetWindowLongPtrW(hwnd, 0, reinterpret_cast<LONG_PTR>(box)));
    return *box;
  }

  // Null before WM_NCCREATE and after WM_NCDESTROY.
  static std::shared_ptr<State> Get(HWND hwnd) {
    std::shared_ptr<State>* box = Box(GetWindowLongPtrW(hwnd, 0));
    return box != nullptr ? *box : nullptr;
  }

  // At WM_NCDESTROY.
  static void Detach(HWND hwnd) { delete Box(SetWindowLongPtrW(hwnd, 0, 0)); }

 private:
  static std::shared_ptr<State>* Box(LONG_PTR bytes) { return reinterpret_cast<std::shared_ptr<State>*>(bytes); }
};

}  // namespace jf
