// Drives the engine's GLib main context from the UI thread's own message loop: a message-only
// window dispatches what is ready when its message arrives, a poll thread posts that message
// when a descriptor or a time-out says there is work. It keeps working in modal loops and with
// a hand-driven tick source. One per UI thread, shared by the browser objects of that thread.
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
  // The pump of the calling thread, made on first use; every Acquire is paired with Release.
  static GlibPump* Acquire();
  void Release();
  // After a call into the engine: dispatch soon, without waiting for the poll thread.
  void Kick();
  // Runs the task from the pump's next message, outside any callback of the engine (ending a
  // view inside one of its own callbacks would pull it from under the engine).
  void Defer(std::function<void()> task);

 private:
  GlibPump();
  ~GlibPump();
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void Dispatch();

  HWND m_window = nullptr;
  GlibPumpCore m_core;
  std::unique_ptr<GlibPollThread> m_poll;
  std::vector<std::function<void()>> m_deferred;
  int m_users = 0;
  bool m_dispatching = false;
};

}  // namespace jf
