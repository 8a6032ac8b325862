// What the window and message code offers the areas above it (the display half, the
// controls): window records and their table, classes, message queues and filters, the hooks
// the display half fills, the caret as the layer's own drawing code reads it, and the drop
// targets with what a drag carries.
#pragma once
#include <windows.h>

#include "platform/src/user/ClassRecord.h"
#include "platform/src/user/ClassRegistry.h"
#include "platform/src/user/DragData.h"
#include "platform/src/user/DragSource.h"
#include "platform/src/user/DropRelay.h"
#include "platform/src/user/MsgFilter.h"
#include "platform/src/user/MsgQueue.h"
#include "platform/src/user/WindowDisplayHooks.h"
#include "platform/src/user/WindowRecord.h"
#include "platform/src/user/WindowTable.h"

namespace jf {

// True when this thread's caret is shown; then its rectangle in its window's client area.
bool CaretShown(RECT* rect);
// The same, for a caret that `hwnd` owns.
bool CaretShownIn(HWND hwnd, RECT* rect);

// The drop target registered for the window or the nearest parent that has one, with a
// reference for the caller (null when none); `registered` gets the window it belongs to.
IDropTarget* DropTargetOf(HWND hwnd, HWND* registered);

}  // namespace jf
