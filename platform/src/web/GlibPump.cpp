#include "platform/src/web/GlibPump.h"

#include <mutex>
#include <vector>

namespace jf {

namespace {

constexpr UINT kPumpMessage = WM_APP + 1;
constexpr wchar_t kClassName[] = L"JfGlibPump";
thread_local GlibPump* t_pump = nullptr;

// The pumps of the process. Made after the first pump's window, so that it goes before the
// window system at exit, and takes the poll threads with it.
class PumpList {
 public:
  static PumpList& Get() {
    static PumpList list;
    return list;
  }
  void Add(GlibPump* pump) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_pumps.push_back(pump);
  }
  ~PumpList() {
    std::lock_guard<std::mutex> guard(m_lock);
    for (GlibPump* pump : m_pumps) pump->StopPolling();
  }

 private:
  std::mutex m_lock;
  std::vector<GlibPump*> m_pumps;
};

}  // namespace

GlibPump* GlibPump::ForThisThread() {
  if (!t_pump) t_pump = new GlibPump();
  return t_pump;
}

GlibPump::GlibPump() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW wc = {};
  wc.lpfnWndProc = &GlibPump::WindowProc;
  wc.hInstance = instance;
  wc.lpszClassName = kClassName;
  RegisterClassW(&wc);  // fails harmlessly when the class is there already
  m_window = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
  SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  PumpList::Get().Add(this);
  m_poll.reset(new GlibPollThread(m_window, kPumpMessage));
  Kick();
}

void GlibPump::Kick() {
  if (m_window) PostMessageW(m_window, kPumpMessage, 0, 0);
}

void GlibPump::Defer(std::function<void()> task) {
  m_deferred.push_back(std::move(task));
  Kick();
}

void GlibPump::Dispatch() {
  m_dispatching = true;
  std::vector<pollfd> fds;
  int timeout = -1;
  m_core.DispatchAndPrepare(&fds, &timeout);
  m_dispatching = false;
  if (m_poll) m_poll->WaitOn(std::move(fds), timeout);
  if (!m_deferred.empty()) Kick();
}

LRESULT CALLBACK GlibPump::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == kPumpMessage) {
    auto* pump = reinterpret_cast<GlibPump*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!pump) return 0;
    if (pump->m_dispatching) return 0;  // a nested loop inside a callback of the engine
    std::vector<std::function<void()>> tasks;
    tasks.swap(pump->m_deferred);
    for (auto& task : tasks) task();
    pump->Dispatch();
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace jf
