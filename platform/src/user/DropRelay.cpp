#include "platform/src/user/DropRelay.h"

#include <map>
#include <mutex>

namespace jf {

namespace {

constexpr UINT kRunWork = WM_USER + 0x4452;
constexpr wchar_t kClassName[] = L"jfDropRelay";

std::mutex g_lock;
std::map<DWORD, HWND>& Relays() {
  static auto* relays = new std::map<DWORD, HWND>;
  return *relays;
}

LRESULT CALLBACK RelayProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == kRunWork) {
    (*reinterpret_cast<const std::function<void()>*>(lparam))();
    return 1;
  }
  if (msg == WM_NCDESTROY) {
    std::lock_guard<std::mutex> guard(g_lock);
    for (auto it = Relays().begin(); it != Relays().end(); ++it) {
      if (it->second == hwnd) {
        Relays().erase(it);
        break;
      }
    }
  }
  return DefWindowProcW(hwnd, msg, wparam, lparam);
}

}  // namespace

void DropRelay::EnsureForThisThread() {
  const DWORD thread = GetCurrentThreadId();
  {
    std::lock_guard<std::mutex> guard(g_lock);
    auto it = Relays().find(thread);
    if (it != Relays().end() && IsWindow(it->second)) return;
  }
  static std::once_flag registered;
  std::call_once(registered, [] {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = RelayProc;
    wc.lpszClassName = kClassName;
    RegisterClassW(&wc);
  });
  HWND relay = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  if (!relay) return;
  std::lock_guard<std::mutex> guard(g_lock);
  Relays()[thread] = relay;
}

bool DropRelay::Run(HWND hwnd, const std::function<void()>& work) {
  const DWORD thread = GetWindowThreadProcessId(hwnd, nullptr);
  if (thread == 0) return false;
  if (thread == GetCurrentThreadId()) {
    work();
    return true;
  }
  HWND relay = nullptr;
  {
    std::lock_guard<std::mutex> guard(g_lock);
    auto it = Relays().find(thread);
    if (it != Relays().end()) relay = it->second;
  }
  return relay && SendMessageW(relay, kRunWork, 0, reinterpret_cast<LPARAM>(&work)) == 1;
}

}  // namespace jf
