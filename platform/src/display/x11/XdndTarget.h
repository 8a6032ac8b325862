// Drags of other programs over this program's windows, through the X drag-and-drop protocol:
// every top-level X window says it speaks version 5; the window under the pointer gets its
// registered drop target's DragEnter, DragOver and DragLeave on the thread that registered
// it, and a drop fetches the text (UTF-8) or the file list (text/uri-list) first. A source
// that dies (its window goes) or falls silent after the user let go leaves the target.
#pragma once
#include <windows.h>

struct _XDisplay;
union _XEvent;

namespace jf {

class XdndTarget {
 public:
  // Marks a new top-level X window as a drop site.
  static void Advertise(_XDisplay* dpy, unsigned long window);
  // The reader thread's events for drops (protocol messages, the dropped data); true when
  // the event was one of them.
  static bool Event(_XEvent* ev);
  // How long the reader thread may sleep before Idle is due (-1: until an event comes), and
  // the check of a drag whose source has been quiet for a while.
  static int WaitMs();
  static void Idle(_XDisplay* dpy);
};

}  // namespace jf
