// Conversions between the layer's wide text (UTF-32 wchar_t), UTF-8 and UTF-16LE bytes.
// Used by every area of the layer; invalid input becomes U+FFFD, never a crash.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace jf {

std::string ToUtf8(const wchar_t* s, size_t n);
std::string ToUtf8(const std::wstring& s);
std::wstring FromUtf8(const char* s, size_t n);
std::wstring FromUtf8(const std::string& s);

// UTF-16 code units (surrogate pairs above U+FFFF).
std::u16string ToUtf16(const wchar_t* s, size_t n);
std::u16string ToUtf16(const std::wstring& s);
std::wstring FromUtf16(const char16_t* s, size_t n);
// Little-endian UTF-16 bytes, as stored on disk and sent on the wire.
std::string ToUtf16LEBytes(const std::wstring& s);
std::wstring FromUtf16LEBytes(const void* bytes, size_t byteCount);

}  // namespace jf
