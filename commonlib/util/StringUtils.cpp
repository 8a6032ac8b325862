#include "commonlib/util/StringUtils.h"

#include <windows.h>

#include <cwctype>
#include <vector>

namespace StringUtils {

namespace {

// Measures first, then converts: fixed ratios of output to input are too small for wide
// characters above U+FFFF, which are one unit here.
std::string FromWide(UINT codePage, const std::wstring& text, const char* defaultChar) {
  if (text.empty()) return std::string();
  int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                              defaultChar, nullptr);
  if (n <= 0) return std::string();
  std::vector<char> buffer(static_cast<size_t>(n) + 1, '\0');
  n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), buffer.data(), n,
                          defaultChar, nullptr);
  if (n <= 0) return std::string();
  return std::string(buffer.data(), static_cast<size_t>(n));
}

std::wstring ToWideFrom(UINT codePage, const std::string& text) {
  if (text.empty()) return std::wstring();
  std::vector<wchar_t> buffer(text.size() + 1, L'\0');
  int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), buffer.data(),
                              static_cast<int>(buffer.size()));
  if (n <= 0) return std::wstring();
  return std::wstring(buffer.data(), static_cast<size_t>(n));
}

// Measures the text first, then formats it into a buffer of exactly that length.
template <class C>
std::basic_string<C> FormatWith(int (*measure)(const C*, va_list),
                                int (*print)(C*, size_t, const C*, va_list), const C* format,
                                va_list args) {
  if (!format) return std::basic_string<C>();
  va_list measureArgs;
  va_copy(measureArgs, args);
  int n = measure(format, measureArgs);
  va_end(measureArgs);
  if (n <= 0) return std::basic_string<C>();
  std::vector<C> buffer(static_cast<size_t>(n) + 1, C());
  int written = print(buffer.data(), static_cast<size_t>(n), format, args);
  if (written <= 0) return std::basic_string<C>();
  return std::basic_string<C>(buffer.data(), static_cast<size_t>(written));
}

template <class S>
void SplitImpl(std::vector<S>& out, const S& text, const S& delimiter, bool skipEmpty) {
  out.clear();
  if (text.empty() || delimiter.empty()) {
    if (!(skipEmpty && text.empty())) out.push_back(text);
    return;
  }
  size_t start = 0;
  for (;;) {
    size_t pos = text.find(delimiter, start);
    if (pos == S::npos) break;
    if (pos > start || !skipEmpty) out.push_back(text.substr(start, pos - start));
    start = pos + delimiter.size();
  }
  if (start < text.size() || !skipEmpty) out.push_back(text.substr(start));
}

}  // namespace

std::string WideToAnsi(const std::wstring& text) { return FromWide(CP_ACP, text, " "); }
std::wstring AnsiToWide(const std::string& text) { return ToWideFrom(CP_ACP, text); }
std::string WideToUtf8(const std::wstring& text) { return FromWide(CP_UTF8, text, nullptr); }
std::wstring Utf8ToWide(const std::string& text) { return ToWideFrom(CP_UTF8, text); }
std::string ToAnsi(const std::wstring& text) { return WideToAnsi(text); }
std::wstring ToWide(const std::string& text) { return AnsiToWide(text); }
std::string ToUtf8(const std::wstring& text) { return WideToUtf8(text); }
std::wstring FromUtf8(const std::string& text) { return Utf8ToWide(text); }

std::wstring FormatV(const wchar_t* format, va_list args) {
  return FormatWith(_vscwprintf, _vsnwprintf, format, args);
}

std::wstring Format(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  std::wstring result = FormatV(format, args);
  va_end(args);
  return result;
}

std::string FormatVA(const char* format, va_list args) {
  return FormatWith(_vscprintf, _vsnprintf, format, args);
}

std::string FormatA(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string result = FormatVA(format, args);
  va_end(args);
  return result;
}

std::string IntToStringA(int32_t value) { return FormatA("%d", value); }
std::string UIntToStringA(uint32_t value) { return FormatA("%u", value); }
std::string Int64ToStringA(int64_t value) { return FormatA("%lld", static_cast<long long>(value)); }

int ToInt(const std::wstring& text) { return _wtoi(text.c_str()); }
int64_t ToInt64(const std::wstring& text) { return _wtoi64(text.c_str()); }

std::wstring ToLower(const std::wstring& text) {
  std::wstring out(text);
  for (wchar_t& c : out) c = static_cast<wchar_t>(towlower(static_cast<wint_t>(c)));
  return out;
}

std::wstring& Trim(std::wstring& text) {
  size_t first = 0;
  while (first < text.size() && iswspace(static_cast<wint_t>(text[first]))) ++first;
  if (first == text.size()) {
    text.clear();
    return text;
  }
  size_t last = text.size();
  while (last > first && iswspace(static_cast<wint_t>(text[last - 1]))) --last;
  text = text.substr(first, last - first);
  return text;
}

std::wstring& TrimQuotes(std::wstring& text) {
  size_t last = text.find_last_not_of(L'"');
  if (last == std::wstring::npos) {
    text.clear();
    return text;
  }
  text.erase(last + 1);
  text.erase(0, text.find_first_not_of(L'"'));
  return text;
}

std::wstring ReplaceAll(const std::wstring& text, const std::wstring& from, const std::wstring& to) {
  if (from.empty()) return text;
  std::wstring out;
  out.reserve(text.size());
  size_t start = 0;
  for (;;) {
    size_t pos = text.find(from, start);
    if (pos == std::wstring::npos) break;
    out.append(text, start, pos - start);
    out += to;
    start = pos + from.size();
  }
  out.append(text, start, std::wstring::npos);
  // The result is a C string: it ends at its first null unit.
  size_t nul = out.find(L'\0');
  if (nul != std::wstring::npos) out.resize(nul);
  return out;
}

void Split(std::vector<std::wstring>& out, const std::wstring& text, const wchar_t* delimiter,
           bool skipEmpty) {
  SplitImpl(out, text, std::wstring(delimiter ? delimiter : L""), skipEmpty);
}

std::list<std::wstring> SplitToList(const std::wstring& text) {
  std::list<std::wstring> out;
  SplitToList(text, out);
  return out;
}

void SplitToList(const std::wstring& text, std::list<std::wstring>& out) {
  std::vector<std::wstring> pieces;
  Split(pieces, text, L";", false);
  out.assign(pieces.begin(), pieces.end());
}

void SplitA(std::vector<std::string>& out, const std::string& text) {
  SplitImpl(out, text, std::string(";"), false);
}

std::string ToUtf16LE(const std::wstring& text) {
  std::string out;
  out.reserve(text.size() * 2);
  auto unit = [&out](uint32_t u) {
    out.push_back(static_cast<char>(u & 0xFF));
    out.push_back(static_cast<char>((u >> 8) & 0xFF));
  };
  for (wchar_t c : text) {
    uint32_t v = static_cast<uint32_t>(c);
    if (v >= 0x10000 && v <= 0x10FFFF) {
      v -= 0x10000;
      unit(0xD800 + (v >> 10));
      unit(0xDC00 + (v & 0x3FF));
    } else if (v > 0x10FFFF) {
      unit(0xFFFD);
    } else {
      unit(v);
    }
  }
  return out;
}

std::wstring FromUtf16LE(const unsigned char* bytes, size_t byteCount) {
  size_t units = byteCount / 2;
  std::wstring out;
  out.reserve(units);
  for (size_t i = 0; i < units; ++i) {
    uint32_t u = bytes[i * 2] | (static_cast<uint32_t>(bytes[i * 2 + 1]) << 8);
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
      uint32_t t = bytes[i * 2 + 2] | (static_cast<uint32_t>(bytes[i * 2 + 3]) << 8);
      if (t >= 0xDC00 && t <= 0xDFFF) {
        out.push_back(static_cast<wchar_t>(0x10000 + ((u - 0xD800) << 10) + (t - 0xDC00)));
        ++i;
        continue;
      }
    }
    out.push_back(static_cast<wchar_t>(u));
  }
  return out;
}

}  // namespace StringUtils
