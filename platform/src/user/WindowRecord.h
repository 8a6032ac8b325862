// The record behind an HWND. Everything a window is (class, procedure, styles, geometry,
// relations, text, properties) lives here so the display half can add surfaces, update
// regions and input state through `display` without reshaping the record.
#pragma once
#include <windows.h>

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace jf {

struct ClassRecord;
class MsgQueue;
// Defined by the display half (backing surface, update region, visibility, focus, ...).
struct WindowDisplayState;

struct WindowRecord {
  enum class State { Creating, Alive, Destroying, Dead };

  HWND handle = nullptr;
  std::shared_ptr<ClassRecord> cls;
  DWORD threadId = 0;
  std::weak_ptr<MsgQueue> queue;  // the owner thread's queue
  // Read without the table lock by queues and senders; written under it.
  std::atomic<State> state{State::Creating};

  // Everything below is guarded by the window table lock.
  WNDPROC proc = nullptr;
  DWORD style = 0;
  DWORD exStyle = 0;
  HINSTANCE instance = nullptr;
  LONG_PTR id = 0;  // child id (the menu argument of a child window)
  LONG_PTR userData = 0;
  std::vector<BYTE> extra;  // cbWndExtra bytes
  std::wstring text;
  std::map<std::wstring, HANDLE> props;  // keyed by the folded name

  HWND parent = nullptr;  // the parent of a child window, null otherwise
  HWND owner = nullptr;   // the owner of a top-level window
  bool messageOnly = false;
  std::vector<HWND> children;  // z-order, topmost first

  RECT windowRect{};  // in the parent's client coordinates (screen for top-level windows)
  RECT clientRect{};  // in the same coordinates as windowRect

  std::shared_ptr<WindowDisplayState> display;

  bool IsChildWindow() const { return (style & WS_CHILD) != 0 && parent != nullptr; }
  bool Usable() const {
    State s = state.load();
    return s != State::Dead;
  }
};

}  // namespace jf
