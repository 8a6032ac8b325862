#include "platform/src/web/GlibPollThread.h"

#include <unistd.h>

#include <chrono>

namespace jf {

GlibPollThread::GlibPollThread(HWND target, UINT message) : m_target(target), m_message(message) {
  if (pipe(m_wake) != 0) m_wake[0] = m_wake[1] = -1;
  m_thread = std::thread([this] { Run(); });
}

GlibPollThread::~GlibPollThread() {
  {
    std::lock_guard<std::mutex> guard(m_lock);
    m_stop = true;
  }
  m_changed.notify_all();
  Wake();
  m_thread.join();
  if (m_wake[0] >= 0) close(m_wake[0]);
  if (m_wake[1] >= 0) close(m_wake[1]);
}

void GlibPollThread::WaitOn(std::vector<pollfd> fds, int timeoutMs) {
  {
    std::lock_guard<std::mutex> guard(m_lock);
    m_fds = std::move(fds);
    m_timeout = timeoutMs;
    ++m_generation;
  }
  m_changed.notify_all();
  Wake();
}

void GlibPollThread::Wake() {
  const char byte = 0;
  if (m_wake[1] >= 0 && write(m_wake[1], &byte, 1) < 0) {
    // A full pipe already holds a wake-up.
  }
}

void GlibPollThread::Run() {
  uint64_t seen = 0;
  for (;;) {
    std::vector<pollfd> fds;
    int timeout;
    {
      std::unique_lock<std::mutex> guard(m_lock);
      m_changed.wait(guard, [&] { return m_stop || m_generation != seen; });
      if (m_stop) return;
      seen = m_generation;
      fds = m_fds;
      timeout = m_timeout;
    }
    fds.push_back(pollfd{m_wake[0], POLLIN, 0});
    bool newer = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout < 0 ? 0 : timeout);
    for (;;) {
      for (pollfd& p : fds) p.revents = 0;
      int left = timeout;
      if (timeout > 0) {
        left = int(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
                       .count());
        if (left < 0) left = 0;
      }
      const int n = poll(fds.data(), fds.size(), left);
      if (n > 0 && (fds.back().revents & POLLIN)) {
        char buffer[64];
        if (read(m_wake[0], buffer, sizeof buffer) < 0) {
          // Nothing to drain.
        }
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_stop) return;
        newer = m_generation != seen;
        if (newer) break;
        // Only the wake byte of the set already waited on: wait on it again, or the thread
        // would spin on its own wake-ups.
        if (n == 1) continue;
      }
      break;
    }
    if (newer) continue;
    PostMessageW(m_target, m_message, 0, 0);
  }
}

}  // namespace jf
