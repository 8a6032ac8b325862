// What the kernel offers the areas above it (beside the layer's common headers in internal/).
#pragma once
#include <string>

#include <windef.h>

namespace jf {

// The copy-out contract of the calls that answer a path or a variable: copies text with its
// terminator when it fits (the result is its length), else copies nothing and returns the
// size needed, terminator included.
DWORD CopyOutOrNeeded(const std::wstring& text, LPWSTR buffer, DWORD size);

}  // namespace jf
