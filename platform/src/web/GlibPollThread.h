// Waits on the engine's descriptors off the UI thread and wakes the UI thread with a posted
// message; it never touches GLib itself.
#pragma once
#include <windows.h>
#include <poll.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace jf {

class GlibPollThread {
 public:
  GlibPollThread(HWND target, UINT message);
  ~GlibPollThread();
  GlibPollThread(const GlibPollThread&) = delete;
  GlibPollThread& operator=(const GlibPollThread&) = delete;

  // UI thread: the next set to wait on (a time-out of -1 waits without end).
  void WaitOn(std::vector<pollfd> fds, int timeoutMs);

 private:
  void Wake();
  void Run();

  HWND m_target;
  UINT m_message;
  std::thread m_thread;
  std::mutex m_lock;
  std::condition_variable m_changed;
  std::vector<pollfd> m_fds;
  int m_timeout = 0;
  uint64_t m_generation = 0;
  bool m_stop = false;
  int m_wake[2] = {-1, -1};
};

}  // namespace jf
