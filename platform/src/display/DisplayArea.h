// What the display half offers the controls above it: the X clipboard. Every call does
// nothing while no display is connected.
#pragma once
#include <windows.h>

#include <string>

namespace jf {

// Connects when DISPLAY names a reachable display (first call decides); true when connected.
bool X11Active();
// The X clipboard (the CLIPBOARD selection): what the process copies, and what any client
// copied (false when there is no display, no owner or no answer within a second).
void X11SetClipboard(const std::wstring& text);
bool X11GetClipboard(std::wstring* text);

}  // namespace jf
