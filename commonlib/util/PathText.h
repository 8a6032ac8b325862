// Two small path operations on text.
#pragma once

#include <string>

// "/" becomes "\", one trailing "\" is dropped, then the text before the last "\"; an empty
// text, or one without "\", gives "".
std::wstring NormalizeAndGetParentDir(const std::wstring& path);
// The text before the last occurrence of separator; the whole text when it does not occur.
std::wstring PathBeforeLast(const std::wstring& text, const std::wstring& separator);
