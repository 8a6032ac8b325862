// Free functions over the system's two string types: wide text (user-visible text, paths,
// keys) and narrow bytes (HTTP bodies, JSON). Formats follow the Windows printf rules
// (in a wide format %s is a wide string, %hs a narrow one).
#pragma once

#include <cstdarg>
#include <cstdint>
#include <list>
#include <string>
#include <vector>

namespace StringUtils {

// ANSI code page <-> wide; a character the code page lacks becomes a space.
std::string WideToAnsi(const std::wstring& text);
std::wstring AnsiToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);
std::wstring Utf8ToWide(const std::string& text);
std::string ToAnsi(const std::wstring& text);
std::wstring ToWide(const std::string& text);
std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);

// UTF-16LE bytes, as files and records store text: characters above U+FFFF become surrogate
// pairs; unpaired surrogates pass through unchanged both ways, so a round trip loses nothing.
std::string ToUtf16LE(const std::wstring& text);
std::wstring FromUtf16LE(const unsigned char* bytes, size_t byteCount);

// printf-style formatting into a string of exactly the needed length, any length.
std::wstring Format(const wchar_t* format, ...);
std::wstring FormatV(const wchar_t* format, va_list args);
std::string FormatA(const char* format, ...);
std::string FormatVA(const char* format, va_list args);

std::string IntToStringA(int32_t value);
std::string UIntToStringA(uint32_t value);
std::string Int64ToStringA(int64_t value);
// Leading blanks, an optional sign, then decimal digits up to the first other character.
int ToInt(const std::wstring& text);
int64_t ToInt64(const std::wstring& text);

std::wstring ToLower(const std::wstring& text);
// In place; returns the string.
std::wstring& Trim(std::wstring& text);
std::wstring& TrimQuotes(std::wstring& text);
// Non-overlapping, left to right; replaced text is not searched again. `from` must not be empty.
std::wstring ReplaceAll(const std::wstring& text, const std::wstring& from, const std::wstring& to);

// Splits at a whole-string delimiter. A null or empty delimiter, or an empty text, gives the
// text itself as the only element (nothing for an empty text with skipEmpty).
void Split(std::vector<std::wstring>& out, const std::wstring& text, const wchar_t* delimiter,
           bool skipEmpty);
// Split at ";" keeping empty pieces.
std::list<std::wstring> SplitToList(const std::wstring& text);
void SplitToList(const std::wstring& text, std::list<std::wstring>& out);
void SplitA(std::vector<std::string>& out, const std::string& text);

}  // namespace StringUtils
