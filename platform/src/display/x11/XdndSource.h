// This program's drags over the windows of other programs, through the X drag-and-drop
// protocol (XDND, version 5): the pointer is grabbed for the drag, the window under it that
// speaks the protocol gets enter, position and leave, and a drop hands it the text (UTF-8)
// or the file list (text/uri-list) from the XdndSelection. Every call does nothing without a
// display.
#pragma once
#include <windows.h>
#include <ole2.h>

union _XEvent;

namespace jf {

class XdndSource {
 public:
  // Takes the pointer over `window`'s top-level X window and what `data` carries; false
  // without a display (the drag then stays inside the program).
  static bool Begin(HWND window, IDataObject* data, DWORD okEffects);
  // True when the pointer at `screen` is over another program's window that speaks XDND;
  // `effect` is what it accepts (none until it answered).
  static bool Over(POINT screen, DWORD keyState, DWORD okEffects, DWORD* effect);
  // The pointer left that window, or the drag was cancelled over it.
  static void Leave();
  // Drops there and waits (a second of the tick source at most) for the target to finish;
  // the effect it performed.
  static DWORD Drop();
  // Gives the pointer back.
  static void End();
  // The reader thread's events for the drag (status, finish, requests for the data); true
  // when the event was one of them.
  static bool Event(union _XEvent* ev);
};

}  // namespace jf
