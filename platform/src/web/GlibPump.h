// Drives the engine's GLib main context from the UI thread's own message loop: a message-only
// window dispatches what is ready when its message arrives, a poll thread posts that message
// when a descriptor or a time-out says there is work. It keeps working in modal loops and with
// a hand-driven tick source. One per UI thread, shared by the browser objects of that thread.
//
// A pump outlives its last browser: the engine closes its connections to its processes (and
// so ends them) from its loop some turns after its last view is gone, as many turns as a busy
// machine takes, and a later browser of the thread uses the same loop. Its poll thread stops
// at the process's exit, before the windows it posts to are gone.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

#include "platform/src/web/GlibPollThread.h"
#include "platform/src/web/GlibPumpCore.h"

namespace jf {

class GlibPump {
 public:
  // The pump of the calling thread, made on first use.
  static GlibPump* ForThisThread();
  // After a call into the engine: dispatch soon, without waiting for the poll thread.
  void Kick();
  // Runs the task from the pump's next message, outside any callback of the engine (ending a
  // view inside one of its own callbacks would pull it from under the engine).
  void Defer(std::function<void()> task);
  // At the process's exit: no more messages.
  void StopPolling() { m_poll.reset(); }

 private:
  GlibPump();
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void Dispatch();

  HWND m_window = nullptr;
  GlibPumpCore m_core;
  std::unique_ptr<GlibPollThread> m_poll;
  std::vector<std::function<void()>> m_deferred;
  bool m_dispatching = false;
};

}  // namespace jf
