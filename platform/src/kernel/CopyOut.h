// The copy-out contract of the calls that answer a path or a variable.
#pragma once
#include <string>

#include <windef.h>

namespace jf {

// Copies text with its terminator when it fits (the result is its length), else copies
// nothing and returns the size needed, terminator included.
DWORD CopyOutOrNeeded(const std::wstring& text, LPWSTR buffer, DWORD size);

}  // namespace jf
