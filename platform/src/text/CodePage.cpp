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
const char kGbk[] = "GBK";

enum class Kind { Iconv, Utf8, Symbol, Invalid };

struct Page {
  Kind kind = Kind::Invalid;
  const char* charset = nullptr;  // the iconv name
};

Page PageOf(UINT codePage) {
  // The Windows pages of other scripts, the DOS pages of America and Europe and the Mac's
  // Roman page, as iconv names them.
  static const struct {
    UINT page;
    const char* charset;
  } kPages[] = {{437, "CP437"},   {850, "CP850"},   {874, "CP874"},   {932, "CP932"},   {949, "CP949"},
                {950, "CP950"},   {1250, "CP1250"}, {1251, "CP1251"}, {1252, "CP1252"}, {1253, "CP1253"},
                {1254, "CP1254"}, {1255, "CP1255"}, {1256, "CP1256"}, {1257, "CP1257"}, {1258, "CP1258"},
                {10000, "MACINTOSH"}};
  switch (codePage) {
    case CP_ACP:
    case CP_OEMCP:
    case CP_THREAD_ACP:
    case kAnsiPage:
      return {Kind::Iconv, kGbk};
    case CP_UTF8:
      return {Kind::Utf8, nullptr};
    case CP_SYMBOL:
      return {Kind::Symbol, nullptr};
    default:
      for (const auto& p : kPages)
        if (p.page == codePage) return {Kind::Iconv, p.charset};
      return {};
  }
}

// The symbol page: bytes from 0x20 on are the private-use letters of a symbol font.
constexpr wchar_t kSymbolBase = 0xF000;

std::wstring FromSymbol(const char* s, size_t n) {
  std::wstring out(n, L'\0');
  for (size_t i = 0; i < n; ++i) {
    const unsigned char b = static_cast<unsigned char>(s[i]);
    out[i] = b < 0x20 ? wchar_t(b) : wchar_t(kSymbolBase + b);
  }
  return out;
}

std::string ToSymbol(const wchar_t* s, size_t n, const std::string& fallback, bool* used) {
  std::string out;
  out.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    const wchar_t c = s[i];
    if (c >= 0 && c < 0x20) {
      out += char(c);
    } else if (c >= kSymbolBase + 0x20 && c <= kSymbolBase + 0xFF) {
      out += char(c - kSymbolBase);
    } else {
      out += fallback;
      *used = true;
    }
  }
  return out;
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
BOOL IsValidCodePage(UINT codePage) {
  return codePage != CP_ACP && codePage != CP_OEMCP && codePage != CP_THREAD_ACP &&
         PageOf(codePage).kind != Kind::Invalid;
}

BOOL IsDBCSLeadByteEx(UINT codePage, BYTE testChar) {
  const Page page = PageOf(codePage);
  if (page.kind == Kind::Invalid) {
    JF_SET_ERROR(Text, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (page.charset == kGbk) codePage = kAnsiPage;
  switch (codePage) {
    case 932: return (testChar >= 0x81 && testChar <= 0x9F) || (testChar >= 0xE0 && testChar <= 0xFC);
    case 936:
    case 949:
    case 950: return testChar >= 0x81 && testChar <= 0xFE;
    default: return FALSE;
  }
}

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR src, int srcBytes, LPWSTR dst,
                        int dstChars) {
  const Page page = PageOf(codePage);
  if (page.kind == Kind::Invalid || !src || srcBytes == 0 || srcBytes < -1 || dstChars < 0 ||
      (dstChars > 0 && !dst) || (dst && static_cast<const void*>(src) == dst))
    return Fail(ERROR_INVALID_PARAMETER);
  bool strict = (flags & MB_ERR_INVALID_CHARS) != 0;
  if (page.kind == Kind::Utf8 && (flags & ~DWORD(MB_ERR_INVALID_CHARS)))
    return Fail(ERROR_INVALID_FLAGS);
  if (page.kind == Kind::Symbol && flags) return Fail(ERROR_INVALID_FLAGS);
  if (page.kind == Kind::Iconv && (flags & MB_PRECOMPOSED) && (flags & MB_COMPOSITE))
    return Fail(ERROR_INVALID_FLAGS);
  size_t n = srcBytes == -1 ? strlen(src) + 1 : size_t(srcBytes);
  std::wstring text;
  if (page.kind == Kind::Utf8) {
    if (strict && !Utf8Valid(src, n)) return Fail(ERROR_NO_UNICODE_TRANSLATION);
    text = jf::FromUtf8(src, n);
  } else if (page.kind == Kind::Symbol) {
    text = FromSymbol(src, n);
  } else if (!jf::CodePageIconv::Decode(page.charset, src, n, strict, text)) {
    return Fail(ERROR_NO_UNICODE_TRANSLATION);
  }
  return Deliver(text, dst, dstChars);
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR src, int srcChars, LPSTR dst,
                        int dstBytes, LPCSTR defaultChar, LPBOOL usedDefaultChar) {
  const Page page = PageOf(codePage);
  if (page.kind == Kind::Invalid || !src || srcChars == 0 || srcChars < -1 || dstBytes < 0 ||
      (dstBytes > 0 && !dst) || (dst && static_cast<const void*>(src) == dst))
    return Fail(ERROR_INVALID_PARAMETER);
  size_t n = srcChars == -1 ? wcslen(src) + 1 : size_t(srcChars);
  std::string text;
  if (page.kind == Kind::Utf8) {
    // UTF-8 can hold every character: a default character makes no sense there.
    if (defaultChar || usedDefaultChar) return Fail(ERROR_INVALID_PARAMETER);
    if (flags & ~DWORD(WC_ERR_INVALID_CHARS)) return Fail(ERROR_INVALID_FLAGS);
    std::wstring scalars;
    if (!Scalars(src, n, scalars) && (flags & WC_ERR_INVALID_CHARS))
      return Fail(ERROR_NO_UNICODE_TRANSLATION);
    text = jf::ToUtf8(scalars);
  } else {
    if ((flags & WC_ERR_INVALID_CHARS) || (page.kind == Kind::Symbol && flags)) return Fail(ERROR_INVALID_FLAGS);
    std::string fallback = "?";
    if (defaultChar && *defaultChar) fallback.assign(defaultChar, strnlen(defaultChar, 2));
    bool used = false;
    if (page.kind == Kind::Symbol)
      text = ToSymbol(src, n, fallback, &used);
    else if (!jf::CodePageIconv::Encode(page.charset, src, n, fallback, text, &used))
      return Fail(ERROR_NO_UNICODE_TRANSLATION);
    if (usedDefaultChar) *usedDefaultChar = used ? TRUE : FALSE;
  }
  return Deliver(text, dst, dstBytes);
}

namespace jf {

std::string ToAnsi(const wchar_t* s, size_t n) {
  std::string out;
  CodePageIconv::Encode(kGbk, s, n, "?", out, nullptr);
  return out;
}

std::string ToAnsi(const std::wstring& s) { return ToAnsi(s.data(), s.size()); }

std::wstring FromAnsi(const char* s, size_t n) {
  std::wstring out;
  CodePageIconv::Decode(kGbk, s, n, false, out);
  return out;
}

std::wstring FromAnsi(const std::string& s) { return FromAnsi(s.data(), s.size()); }

}  // namespace jf
