// The X connection as the rest of the display half sees it; X11Active and the clipboard are
// offered upward in DisplayArea.h. Every call does nothing while no display is connected, so
// headless windows stay purely off screen.
#pragma once
#include <cairo.h>
#include <windows.h>

#include <string>

#include "platform/src/display/DisplayArea.h"

struct _XDisplay;

namespace jf {

// A top-level window was made, moved, resized, shown, hidden, reshaped or destroyed.
void X11WindowCreated(HWND hwnd);
void X11WindowChanged(HWND hwnd);
void X11WindowDestroyed(HWND hwnd);
// The window's icon (WM_SETICON ICON_BIG) for the window manager; null removes it.
void X11WindowIcon(HWND hwnd, HICON icon);
// The pointer shape of a system cursor (IDC_* id) over the process's windows.
void X11Cursor(uintptr_t systemId);
// The active window gets the keyboard of the X server.
void X11Focus(HWND hwnd);
// What was drawn into the backing store of a top-level window (or of the root of a child)
// since the last push goes to the screen.
void X11Push(HWND hwnd);
// A backing store in shared memory that the X server reads without a copy, or null when the
// server cannot (the store is then an ordinary image surface). No lock needed.
cairo_surface_t* X11SharedSurface(int width, int height);
// For the drag-and-drop protocol: the connection (null without one), the X window of a
// window's top-level window (0 when none) and the window of one of ours (null for others').
struct _XDisplay* X11Connection();
unsigned long X11WindowId(HWND hwnd);
HWND X11WindowHandle(unsigned long id);

}  // namespace jf
