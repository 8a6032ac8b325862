// MultiByteToWideChar and WideCharToMultiByte with the Windows contract: a count of -1 means
// a zero-terminated input whose terminator is converted too; an output size of 0 measures;
// an output that does not fit fails with ERROR_INSUFFICIENT_BUFFER.
#include <cstring>

#include "platform/src/text/CodePageIconv.h"
#include <errhandlingapi.h>
#include <windows/text.h>
#include "platform/src/internal/utf.h"
#include <winerror.h>
#include "platform/src/internal/ansi.h"
#include "platform/src/internal/errors.h"

namespace {

const UINT kAnsiPage = 936;

enum class Page { Ansi, Utf8, Invalid };

Page PageOf(UINT codePage) {
  switch (codePage) {
    case CP_ACP:
    case CP_OEMCP:
    case CP_THREAD_ACP:
    case kAnsiPage:
      return Page::Ansi;
    case CP_UTF8:
      return Page::Utf8;
    default:
      return Page::Invalid;
  }
}

int Fail(DWORD error) {
  JF_SET_ERROR(Text, error);
  return 0;
}

bool ValidScalar(uint32_t c) { return c < 0x110000 && (c < 0xD800 || c > 0xDFFF); }

// Length of the well-formed UTF-8 sequence at p (at most `left` bytes), or 0.
size_t Utf8SequenceLength(const unsigned char* p, size_t left) {
  unsigned char b = p[0];
  size_t len;
  uint32_t c, min;
  if (b < 0x80) return 1;
  if ((b & 0xE0) == 0xC0) {
    len = 2, c = b & 0x1F, min = 0x80;
  } else if ((b & 0xF0) == 0xE0) {
    len = 3, c = b & 0x0F, min = 0x800;
  } else if ((b & 0xF8) == 0xF0) {
    len = 4, c = b & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (left < len) return 0;
  for (size_t i = 1; i < len; ++i) {
    if ((p[i] & 0xC0) != 0x80) return 0;
    c = (c << 6) | (p[i] & 0x3F);
  }
  return (c >= min && ValidScalar(c)) ? len : 0;
}

bool Utf8Valid(const char* s, size_t n) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(s);
  for (size_t i = 0; i < n;) {
    size_t len = Utf8SequenceLength(p + i, n - i);
    if (len == 0) return false;
    i += len;
  }
  return true;
}

// Wide text as scalar values: a surrogate pair that slipped into wide text becomes its
// character; lone surrogates and values beyond U+10FFFF are invalid.
bool Scalars(const wchar_t* s, size_t n, std::wstring& out) {
  bool valid = true;
  out.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    uint32_t c = uint32_t(s[i]);
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && uint32_t(s[i + 1]) >= 0xDC00 &&
        uint32_t(s[i + 1]) <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (uint32_t(s[i + 1]) - 0xDC00);
      ++i;
    } else if (!ValidScalar(c)) {
      valid = false;
      c = 0xFFFD;
    }
    out += wchar_t(c);
  }
  return valid;
}

// Hands the converted text to the caller: measure, copy, or fail for lack of room.
template <typename Ch, typename Str>
int Deliver(const Str& text, Ch* dst, int dstSize) {
  if (text.size() > size_t(INT32_MAX)) return Fail(ERROR_INVALID_PARAMETER);
  int n = int(text.size());
  if (dstSize == 0) return n;
  if (n > dstSize) {
    memcpy(dst, text.data(), size_t(dstSize) * sizeof(Ch));
    return Fail(ERROR_INSUFFICIENT_BUFFER);
  }
  if (n) memcpy(dst, text.data(), size_t(n) * sizeof(Ch));
  return n;
}

}  // namespace

UINT GetACP() { return kAnsiPage; }
UINT GetOEMCP() { return kAnsiPage; }
BOOL IsValidCodePage(UINT codePage) { return codePage == kAnsiPage || codePage == CP_UTF8; }

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR src, int srcBytes, LPWSTR dst,
                        int dstChars) {
  Page page = PageOf(codePage);
  if (page == Page::Invalid || !src || srcBytes == 0 || srcBytes < -1 || dstChars < 0 ||
      (dstChars > 0 && !dst) || (dst && static_cast<const void*>(src) == dst))
    return Fail(ERROR_INVALID_PARAMETER);
  bool strict = (flags & MB_ERR_INVALID_CHARS) != 0;
  if (page == Page::Utf8 && (flags & ~DWORD(MB_ERR_INVALID_CHARS)))
    return Fail(ERROR_INVALID_FLAGS);
  if (page == Page::Ansi && (flags & MB_PRECOMPOSED) && (flags & MB_COMPOSITE))
    return Fail(ERROR_INVALID_FLAGS);
  size_t n = srcBytes == -1 ? strlen(src) + 1 : size_t(srcBytes);
  std::wstring text;
  if (page == Page::Utf8) {
    if (strict && !Utf8Valid(src, n)) return Fail(ERROR_NO_UNICODE_TRANSLATION);
    text = jf::FromUtf8(src, n);
  } else if (!jf::CodePageIconv::Decode(src, n, strict, text)) {
    return Fail(ERROR_NO_UNICODE_TRANSLATION);
  }
  return Deliver(text, dst, dstChars);
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR src, int srcChars, LPSTR dst,
                        int dstBytes, LPCSTR defaultChar, LPBOOL usedDefaultChar) {
  Page page = PageOf(codePage);
  if (page == Page::Invalid || !src || srcChars == 0 || srcChars < -1 || dstBytes < 0 ||
      (dstBytes > 0 && !dst) || (dst && static_cast<const void*>(src) == dst))
    return Fail(ERROR_INVALID_PARAMETER);
  size_t n = srcChars == -1 ? wcslen(src) + 1 : size_t(srcChars);
  std::string text;
  if (page == Page::Utf8) {
    // UTF-8 can hold every character: a default character makes no sense there.
    if (defaultChar || usedDefaultChar) return Fail(ERROR_INVALID_PARAMETER);
    if (flags & ~DWORD(WC_ERR_INVALID_CHARS)) return Fail(ERROR_INVALID_FLAGS);
    std::wstring scalars;
    if (!Scalars(src, n, scalars) && (flags & WC_ERR_INVALID_CHARS))
      return Fail(ERROR_NO_UNICODE_TRANSLATION);
    text = jf::ToUtf8(scalars);
  } else {
    if (flags & WC_ERR_INVALID_CHARS) return Fail(ERROR_INVALID_FLAGS);
    std::string fallback = "?";
    if (defaultChar && *defaultChar) fallback.assign(defaultChar, strnlen(defaultChar, 2));
    bool used = false;
    if (!jf::CodePageIconv::Encode(src, n, fallback, text, &used))
      return Fail(ERROR_NO_UNICODE_TRANSLATION);
    if (usedDefaultChar) *usedDefaultChar = used ? TRUE : FALSE;
  }
  return Deliver(text, dst, dstBytes);
}

namespace jf {

std::string ToAnsi(const wchar_t* s, size_t n) {
  std::string out;
  CodePageIconv::Encode(s, n, "?", out, nullptr);
  return out;
}

std::string ToAnsi(const std::wstring& s) { return ToAnsi(s.data(), s.size()); }

std::wstring FromAnsi(const char* s, size_t n) {
  std::wstring out;
  CodePageIconv::Decode(s, n, false, out);
  return out;
}

std::wstring FromAnsi(const std::string& s) { return FromAnsi(s.data(), s.size()); }

}  // namespace jf
