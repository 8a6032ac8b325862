// The thread's caret as the layer's own drawing code reads it.
#pragma once
#include <windows.h>

namespace jf {

// True when this thread's caret is shown; then its rectangle in its window's client area.
bool CaretShown(RECT* rect);

}  // namespace jf
