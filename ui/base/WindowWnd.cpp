#include "ui/base/WindowWnd.h"

#include <deque>

#include "ui/base/WindowManagerUI.h"

namespace SkinUI {

namespace {

const wchar_t kObjectProp[] = L"WndX";

int RoundUp16(int v) { return (v + 15) / 16 * 16; }

// ---- The thread's framework frames and what waits for them to unwind ----

struct Deferred {
  void (*action)(void*);
  void* object;
};

// Plain data, so that it stays usable until the thread's very end.
struct Unwinding {
  int depth = 0;
  HWND runner = nullptr;  // a message-only window: its message runs the list at the next message
  bool posted = false;
  bool ended = false;  // the list below has run for the last time: the thread is ending
};

thread_local Unwinding t_unwinding;

const wchar_t kRunnerClass[] = L"SkinUIUnwound";
const UINT kRunPending = WM_APP + 0x2A;

LRESULT CALLBACK RunnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

void MakeRunner() {
  Unwinding& u = t_unwinding;
  if (u.runner && ::IsWindow(u.runner)) return;
  WNDCLASSW wc = {};
  wc.lpfnWndProc = RunnerProc;
  wc.hInstance = CWindowManagerUI::GetInstance();
  wc.lpszClassName = kRunnerClass;
  ::RegisterClassW(&wc);
  u.runner = ::CreateWindowExW(0, kRunnerClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  u.posted = false;
}

// What waits for the frames to unwind. When the thread ends (or the program exits from it) no
// next message will come: what still waits then runs. Made after the thread's message queue
// (the runner window makes it), so it ends before the queue and the actions still find it.
struct PendingList {
  PendingList() { MakeRunner(); }
  ~PendingList() {
    Drain();
    t_unwinding.ended = true;
  }
  // Each action runs as a call from outside the framework would: a window that it destroys
  // in turn (a control's native window) has its final message at once, as the action expects.
  void Drain() {
    while (t_unwinding.depth == 0 && !items.empty()) {
      Deferred next = items.front();
      items.pop_front();
      next.action(next.object);
    }
  }
  std::deque<Deferred> items;
};

// Null once the thread's end has run the list: what comes later runs at once.
PendingList* Pending() {
  if (t_unwinding.ended) return nullptr;
  thread_local PendingList list;
  return &list;
}

void RunPending() {
  if (PendingList* list = Pending()) list->Drain();
}

LRESULT CALLBACK RunnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg != kRunPending) return ::DefWindowProcW(hwnd, msg, wParam, lParam);
  t_unwinding.posted = false;
  // Taken by a modal loop inside some handler: the frames beneath still hold the objects,
  // and the outermost one posts again as it closes.
  RunPending();
  return 0;
}

void PostRunPending() {
  Unwinding& u = t_unwinding;
  if (u.posted) return;
  MakeRunner();
  // Without a window to post to, the list waits for the next frame to close.
  u.posted = u.runner && ::PostMessageW(u.runner, kRunPending, 0, 0);
}

}  // namespace

CWindowWnd::DispatchScope::DispatchScope(Kind kind) : m_kind(kind) { ++t_unwinding.depth; }

CWindowWnd::DispatchScope::~DispatchScope() {
  PendingList* list = --t_unwinding.depth > 0 ? nullptr : Pending();
  if (!list || list->items.empty()) return;
  if (m_kind == kMessage) {
    RunPending();
  } else {
    PostRunPending();
  }
}

void CWindowWnd::DeferUntilUnwound(void (*action)(void*), void* object) {
  PendingList* list = t_unwinding.depth == 0 ? nullptr : Pending();
  if (!list) {
    action(object);
    return;
  }
  list->items.push_back(Deferred{action, object});
}

int CWindowWnd::GetDispatchDepth() { return t_unwinding.depth; }

void CWindowWnd::RunFinalMessage(void* object) {
  auto* window = static_cast<CWindowWnd*>(object);
  window->m_finalPending = false;
  window->OnFinalMessage(window->m_destroyedHwnd);
}

CWindowWnd::CWindowWnd() : m_oldWndProc(::DefWindowProcW) {}

CWindowWnd::~CWindowWnd() {
  // Deleted by its owner before its final message came round: nothing is left to run.
  PendingList* list = m_finalPending ? Pending() : nullptr;
  if (!list) return;
  std::deque<Deferred>& pending = list->items;
  for (auto it = pending.begin(); it != pending.end(); ++it) {
    if (it->object == this && it->action == &CWindowWnd::RunFinalMessage) {
      pending.erase(it);
      break;
    }
  }
}

HWND CWindowWnd::Create(HWND parent, LPCWSTR name, DWORD style, DWORD exStyle, int x, int y, int cx, int cy,
                        HMENU menu) {
  // A window refused or closed while it is created (WM_NCCREATE, WM_CREATE, InitWindow) has
  // its final message when this returns: the caller gets no handle and leaves the object.
  DispatchScope scope(DispatchScope::kMessage);
  if (GetSuperClassName() != nullptr) {
    if (!RegisterSuperclass()) return nullptr;
  } else if (!RegisterWindowClass()) {
    return nullptr;
  }
  HWND hwnd = ::CreateWindowExW(exStyle, GetWindowClassName(), name, style, x, y, cx, cy, parent, menu,
                                CWindowManagerUI::GetInstance(), this);
  if (hwnd && !::IsWindow(hwnd)) hwnd = nullptr;
  m_hwnd = hwnd;
  return hwnd;
}

HWND CWindowWnd::Create(HWND parent, LPCWSTR name, DWORD style, DWORD exStyle, const RECT& rc, HMENU menu) {
  return Create(parent, name, style, exStyle, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, menu);
}

HWND CWindowWnd::CreateInRect(HWND parent, DWORD style, DWORD exStyle, RECT rc) {
  return Create(parent, nullptr, style, exStyle, rc, nullptr);
}

void CWindowWnd::ShowWindow(bool show, bool takeFocus) {
  if (!::IsWindow(m_hwnd)) return;
  ::ShowWindow(m_hwnd, show ? (takeFocus ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE) : SW_HIDE);
}

void CWindowWnd::CenterWindow() {
  if (!::IsWindow(m_hwnd)) return;
  RECT rcWindow;
  ::GetWindowRect(m_hwnd, &rcWindow);
  HWND owner = ::GetWindow(m_hwnd, GW_OWNER);
  MONITORINFO mi = {};
  mi.cbSize = sizeof(mi);
  ::GetMonitorInfoW(::MonitorFromWindow(owner ? owner : m_hwnd, MONITOR_DEFAULTTONEAREST), &mi);
  RECT work = mi.rcWork;
  RECT ref = work;
  if (owner) ::GetWindowRect(owner, &ref);
  int width = rcWindow.right - rcWindow.left;
  int height = rcWindow.bottom - rcWindow.top;
  int left = (ref.left + ref.right) / 2 - width / 2;
  int top = (ref.top + ref.bottom) / 2 - height / 2;
  if (left < work.left) {
    left = work.left;
  } else if (left + width > work.right) {
    left = work.right - width;
  }
  if (top < work.top) {
    top = work.top;
  } else if (top + height > work.bottom) {
    top = work.bottom - height;
  }
  ::SetWindowPos(m_hwnd, nullptr, left, top, -1, -1, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LPCWSTR CWindowWnd::GetSuperClassName() const { return nullptr; }
UINT CWindowWnd::GetClassStyle() const { return 0; }

LRESULT CWindowWnd::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  return ::CallWindowProcW(m_oldWndProc, m_hwnd, msg, wParam, lParam);
}

void CWindowWnd::OnFinalMessage(HWND) {}

UINT CWindowWnd::ShowModal() {
  // A window may delete itself in OnFinalMessage while the loop runs: after the first
  // dispatch only locals are read.
  const HWND hwnd = m_hwnd;
  const HWND owner = ::GetWindow(hwnd, GW_OWNER);
  UINT result = 0;
  ::ShowWindow(hwnd, SW_SHOWNORMAL);
  ::EnableWindow(owner, FALSE);
  MSG msg = {};
  bool quit = false;
  while (::IsWindow(hwnd)) {
    BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      quit = true;
      break;
    }
    if (got == -1) continue;
    if (msg.message == WM_CLOSE && msg.hwnd == hwnd) {
      result = static_cast<UINT>(msg.wParam);
      ::EnableWindow(owner, TRUE);
      ::SetFocus(owner);
    }
    if (!CWindowManagerUI::TranslateMessage(&msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  ::EnableWindow(owner, TRUE);
  ::SetFocus(owner);
  if (quit) ::PostQuitMessage(static_cast<int>(msg.wParam));
  // Called from outside any framework frame, the window's final message is not left for a
  // later message: it runs before the result goes back, as the window's own would have.
  if (GetDispatchDepth() == 0) RunPending();
  return result;
}

void CWindowWnd::Close(UINT code) {
  if (!::IsWindow(m_hwnd)) return;
  ::PostMessageW(m_hwnd, WM_CLOSE, code, 0);
}

void CWindowWnd::SetIcon(UINT resourceId) {
  int cx = RoundUp16(::GetSystemMetrics(SM_CXICON));
  int cy = RoundUp16(::GetSystemMetrics(SM_CYICON));
  HINSTANCE instance = CWindowManagerUI::GetInstance();
  HICON iconBig = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(resourceId), IMAGE_ICON, cx, cy, 0));
  HICON iconSmall = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(resourceId), IMAGE_ICON, cx, cy, 0));
  ::SendMessageW(m_hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(iconBig));
  ::SendMessageW(m_hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(iconSmall));
}

bool CWindowWnd::RegisterWindowClass() {
  WNDCLASSW wc = {};
  wc.style = GetClassStyle();
  wc.lpfnWndProc = CWindowWnd::StaticWindowProc;
  wc.hInstance = CWindowManagerUI::GetInstance();
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = GetWindowClassName();
  ATOM atom = ::RegisterClassW(&wc);
  return atom != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool CWindowWnd::RegisterSuperclass() {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  if (!::GetClassInfoExW(nullptr, GetSuperClassName(), &wc)) {
    if (!::GetClassInfoExW(CWindowManagerUI::GetInstance(), GetSuperClassName(), &wc)) return false;
  }
  m_oldWndProc = wc.lpfnWndProc;
  wc.lpfnWndProc = CWindowWnd::StaticControlProc;
  wc.hInstance = CWindowManagerUI::GetInstance();
  wc.lpszClassName = GetWindowClassName();
  ATOM atom = ::RegisterClassExW(&wc);
  return atom != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

LRESULT CALLBACK CWindowWnd::StaticWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return Route(hwnd, msg, wParam, lParam, false);
}

LRESULT CALLBACK CWindowWnd::StaticControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return Route(hwnd, msg, wParam, lParam, true);
}

LRESULT CWindowWnd::Route(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, bool inProperty) {
  // The outermost window procedure of the thread runs the final messages as it returns: its
  // caller (the message loop, or code that sent the message) holds no framework object.
  DispatchScope scope(DispatchScope::kMessage);
  // Own classes keep the object in the user data, superclassed ones in a window property.
  CWindowWnd* self = nullptr;
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<LPCREATESTRUCTW>(lParam);
    self = static_cast<CWindowWnd*>(cs->lpCreateParams);
    if (self) {
      self->m_hwnd = hwnd;
      if (inProperty) {
        ::SetPropW(hwnd, kObjectProp, static_cast<HANDLE>(self));
      } else {
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
      }
    }
  } else {
    self = inProperty ? static_cast<CWindowWnd*>(::GetPropW(hwnd, kObjectProp))
                      : reinterpret_cast<CWindowWnd*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg == WM_NCDESTROY && self) {
      LRESULT result = ::CallWindowProcW(self->m_oldWndProc, hwnd, msg, wParam, lParam);
      if (inProperty) {
        ::RemovePropW(hwnd, kObjectProp);
      } else {
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      }
      self->m_hwnd = nullptr;
      self->m_destroyedHwnd = hwnd;
      if (GetDispatchDepth() == 1) {
        // Destroyed from outside the framework (DestroyWindow by its owner): nothing beneath
        // holds the object, and the final message runs at once.
        self->OnFinalMessage(hwnd);
      } else {
        self->m_finalPending = true;
        DeferUntilUnwound(&CWindowWnd::RunFinalMessage, self);
      }
      return result;
    }
  }
  if (self) return self->HandleMessage(msg, wParam, lParam);
  return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace SkinUI
