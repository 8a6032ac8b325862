#include "platform/src/internal/utf.h"

namespace jf {
namespace {

const char32_t kReplacement = 0xFFFD;

bool ValidScalar(uint32_t c) { return c < 0x110000 && (c < 0xD800 || c > 0xDFFF); }

void AppendUtf8(std::string& out, uint32_t c) {
  if (!ValidScalar(c)) c = kReplacement;
  if (c < 0x80) {
    out += char(c);
  } else if (c < 0x800) {
    out += char(0xC0 | (c >> 6));
    out += char(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += char(0xE0 | (c >> 12));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  } else {
    out += char(0xF0 | (c >> 18));
    out += char(0x80 | ((c >> 12) & 0x3F));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  }
}

}  // namespace

std::string ToUtf8(const wchar_t* s, size_t n) {
  std::string out;
  out.reserve(n);
  for (size_t i = 0; i < n; ++i) AppendUtf8(out, uint32_t(s[i]));
  return out;
}

std::string ToUtf8(const std::wstring& s) { return ToUtf8(s.data(), s.size()); }

std::wstring FromUtf8(const char* s, size_t n) {
  std::wstring out;
  out.reserve(n);
  const unsigned char* p = reinterpret_cast<const unsigned char*>(s);
  size_t i = 0;
  while (i < n) {
    unsigned char b = p[i];
    uint32_t c;
    size_t len;
    uint32_t min;
    if (b < 0x80) {
      out += wchar_t(b);
      ++i;
      continue;
    } else if ((b & 0xE0) == 0xC0) {
      c = b & 0x1F; len = 2; min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
      c = b & 0x0F; len = 3; min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
      c = b & 0x07; len = 4; min = 0x10000;
    } else {
      out += wchar_t(kReplacement);
      ++i;
      continue;
    }
    size_t j = 1;
    for (; j < len && i + j < n; ++j) {
      if ((p[i + j] & 0xC0) != 0x80) break;
      c = (c << 6) | (p[i + j] & 0x3F);
    }
    if (j < len) {
      out += wchar_t(kReplacement);
      i += j;
      continue;
    }
    out += wchar_t((c < min || !ValidScalar(c)) ? kReplacement : c);
    i += len;
  }
  return out;
}

std::wstring FromUtf8(const std::string& s) { return FromUtf8(s.data(), s.size()); }

std::u16string ToUtf16(const wchar_t* s, size_t n) {
  std::u16string out;
  out.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    uint32_t c = uint32_t(s[i]);
    if (!ValidScalar(c)) c = kReplacement;
    if (c >= 0x10000) {
      c -= 0x10000;
      out += char16_t(0xD800 + (c >> 10));
      out += char16_t(0xDC00 + (c & 0x3FF));
    } else {
      out += char16_t(c);
    }
  }
  return out;
}

std::u16string ToUtf16(const std::wstring& s) { return ToUtf16(s.data(), s.size()); }

std::wstring FromUtf16(const char16_t* s, size_t n) {
  std::wstring out;
  out.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    uint32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (uint32_t(s[i + 1]) - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = kReplacement;
    }
    out += wchar_t(c);
  }
  return out;
}

std::string ToUtf16LEBytes(const std::wstring& s) {
  std::u16string u = ToUtf16(s);
  std::string out(u.size() * 2, '\0');
  for (size_t i = 0; i < u.size(); ++i) {
    out[2 * i] = char(u[i] & 0xFF);
    out[2 * i + 1] = char(u[i] >> 8);
  }
  return out;
}

std::wstring FromUtf16LEBytes(const void* bytes, size_t byteCount) {
  const unsigned char* p = static_cast<const unsigned char*>(bytes);
  std::u16string u(byteCount / 2, u'\0');
  for (size_t i = 0; i < u.size(); ++i) u[i] = char16_t(p[2 * i] | (p[2 * i + 1] << 8));
  return FromUtf16(u.data(), u.size());
}

}  // namespace jf
