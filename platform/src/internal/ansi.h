// The layer's conversions through the ANSI code page, and its text start-up.
#pragma once
#include <string>

namespace jf {
// The ANSI code page (GBK) both ways; unmappable characters become '?', invalid bytes '?'.
std::string ToAnsi(const wchar_t* s, size_t n);
std::string ToAnsi(const std::wstring& s);
std::wstring FromAnsi(const char* s, size_t n);
std::wstring FromAnsi(const std::string& s);
// Sets LC_CTYPE to "C.UTF-8" once (also done by a static initialiser of the layer).
void EnsureTextLocale();
}  // namespace jf
