// Test windows whose procedure is a std::function, so each test writes its handler inline.
#pragma once
#include <windows.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace msgtest {

// Returns the procedure's result; call DefWindowProcW inside for the default.
using Handler = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

inline LRESULT CALLBACK HandlerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  auto handler = reinterpret_cast<Handler*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (handler != nullptr && *handler) return (*handler)(hwnd, msg, wParam, lParam);
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

inline const wchar_t* HandlerClass() {
  static const wchar_t* name = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = HandlerProc;
    wc.cbWndExtra = 16;
    wc.lpszClassName = L"JfTestHandlerWindow";
    RegisterClassExW(&wc);
    return L"JfTestHandlerWindow";
  }();
  return name;
}

// A window of the calling thread; `handler` must outlive it.
inline HWND MakeWindow(Handler* handler, HWND parent = HWND_MESSAGE, DWORD style = 0,
                       const wchar_t* title = nullptr, HMENU menu = nullptr) {
  return CreateWindowExW(0, HandlerClass(), title, style, 0, 0, 100, 50, parent, menu, nullptr, handler);
}

// Pumps everything that is ready now.
inline int PumpReady() {
  int n = 0;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    ++n;
  }
  return n;
}

// A thread-safe list of what happened, for order checks.
class Log {
 public:
  void Add(const std::string& entry) {
    std::lock_guard<std::mutex> guard(lock_);
    entries_.push_back(entry);
  }
  std::vector<std::string> Entries() {
    std::lock_guard<std::mutex> guard(lock_);
    return entries_;
  }

 private:
  std::mutex lock_;
  std::vector<std::string> entries_;
};

}  // namespace msgtest
