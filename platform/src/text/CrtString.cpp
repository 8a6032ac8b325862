// The Windows C runtime's string functions: case-insensitive compares, case conversion and
// the bounds-checked copies. The checked copies never abort: they fail with an error code
// and leave an empty string behind, so no half-copied text is ever used.
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>

#include <windows/text.h>

namespace {

// Narrow text is compared and converted with ASCII rules, as the "C" locale does.
int Fold(char c) { return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : static_cast<unsigned char>(c); }
int Fold(wchar_t c) { return int(towlower(wint_t(c))); }
char Lower(char c) { return char(Fold(c)); }
wchar_t Lower(wchar_t c) { return wchar_t(towlower(wint_t(c))); }
char Upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }
wchar_t Upper(wchar_t c) { return wchar_t(towupper(wint_t(c))); }

const int kCompareError = INT_MAX;

template <typename Ch>
int CompareNoCase(const Ch* a, const Ch* b, size_t n) {
  if (!a || !b) {
    errno = EINVAL;
    return kCompareError;
  }
  for (size_t i = 0; i < n; ++i) {
    int ca = Fold(a[i]), cb = Fold(b[i]);
    if (ca != cb) return ca - cb;
    if (!ca) break;
  }
  return 0;
}

template <typename Ch>
size_t BoundedLength(const Ch* s, size_t max) {
  size_t n = 0;
  while (n < max && s[n]) ++n;
  return n;
}

template <typename Ch, typename F>
errno_t ConvertInPlace(Ch* s, size_t size, F convert) {
  if (!s) return errno = EINVAL;
  size_t n = BoundedLength(s, size);
  if (n == size) {
    if (size) s[0] = 0;
    return errno = EINVAL;
  }
  for (size_t i = 0; i < n; ++i) s[i] = convert(s[i]);
  return 0;
}

// Copies up to `count` characters of src after the first `at` characters of dst.
// `count` may be _TRUNCATE: as much as fits, and STRUNCATE when something was cut.
template <typename Ch>
errno_t Place(Ch* dst, size_t size, size_t at, const Ch* src, size_t count) {
  size_t n = BoundedLength(src, count == _TRUNCATE ? size - at : count);
  if (at + n >= size) {
    if (count != _TRUNCATE) {
      dst[0] = 0;
      return errno = ERANGE;
    }
    memcpy(dst + at, src, (size - 1 - at) * sizeof(Ch));
    dst[size - 1] = 0;
    return STRUNCATE;
  }
  memcpy(dst + at, src, n * sizeof(Ch));
  dst[at + n] = 0;
  return 0;
}

template <typename Ch>
errno_t Copy(Ch* dst, size_t size, const Ch* src, size_t count) {
  if (!dst || size == 0) return errno = EINVAL;
  if (!src) {
    dst[0] = 0;
    return count == 0 ? 0 : (errno = EINVAL);
  }
  return Place(dst, size, 0, src, count);
}

template <typename Ch>
errno_t Append(Ch* dst, size_t size, const Ch* src, size_t count) {
  if (!dst || size == 0) return errno = EINVAL;
  size_t at = BoundedLength(dst, size);
  if (!src || at == size) {
    dst[0] = 0;
    return errno = EINVAL;
  }
  return Place(dst, size, at, src, count);
}

template <typename Ch>
Ch* Duplicate(const Ch* s) {
  if (!s) return nullptr;
  size_t bytes = (std::char_traits<Ch>::length(s) + 1) * sizeof(Ch);
  Ch* copy = static_cast<Ch*>(malloc(bytes));
  if (copy)
    memcpy(copy, s, bytes);
  else
    errno = ENOMEM;
  return copy;
}

}  // namespace

int _wcsicmp(const wchar_t* a, const wchar_t* b) { return CompareNoCase(a, b, SIZE_MAX); }
int _wcsnicmp(const wchar_t* a, const wchar_t* b, size_t n) { return CompareNoCase(a, b, n); }
int _stricmp(const char* a, const char* b) { return CompareNoCase(a, b, SIZE_MAX); }
int _strnicmp(const char* a, const char* b, size_t n) { return CompareNoCase(a, b, n); }
int _wcsicoll(const wchar_t* a, const wchar_t* b) { return CompareNoCase(a, b, SIZE_MAX); }

wchar_t* _wcslwr(wchar_t* s) {
  ConvertInPlace(s, SIZE_MAX, [](wchar_t c) { return Lower(c); });
  return s;
}
wchar_t* _wcsupr(wchar_t* s) {
  ConvertInPlace(s, SIZE_MAX, [](wchar_t c) { return Upper(c); });
  return s;
}
errno_t _wcslwr_s(wchar_t* s, size_t size) {
  return ConvertInPlace(s, size, [](wchar_t c) { return Lower(c); });
}
errno_t _wcsupr_s(wchar_t* s, size_t size) {
  return ConvertInPlace(s, size, [](wchar_t c) { return Upper(c); });
}
char* _strlwr(char* s) {
  ConvertInPlace(s, SIZE_MAX, [](char c) { return Lower(c); });
  return s;
}
char* _strupr(char* s) {
  ConvertInPlace(s, SIZE_MAX, [](char c) { return Upper(c); });
  return s;
}

wchar_t* _wcsdup(const wchar_t* s) { return Duplicate(s); }
char* _strdup(const char* s) { return Duplicate(s); }

errno_t wcscpy_s(wchar_t* dst, size_t size, const wchar_t* src) {
  return Copy(dst, size, src, SIZE_MAX - 1);
}
errno_t wcsncpy_s(wchar_t* dst, size_t size, const wchar_t* src, size_t count) {
  return Copy(dst, size, src, count);
}
errno_t wcscat_s(wchar_t* dst, size_t size, const wchar_t* src) {
  return Append(dst, size, src, SIZE_MAX - 1);
}
errno_t wcsncat_s(wchar_t* dst, size_t size, const wchar_t* src, size_t count) {
  return Append(dst, size, src, count);
}
errno_t strcpy_s(char* dst, size_t size, const char* src) {
  return Copy(dst, size, src, SIZE_MAX - 1);
}
errno_t strncpy_s(char* dst, size_t size, const char* src, size_t count) {
  return Copy(dst, size, src, count);
}
errno_t strcat_s(char* dst, size_t size, const char* src) {
  return Append(dst, size, src, SIZE_MAX - 1);
}
errno_t strncat_s(char* dst, size_t size, const char* src, size_t count) {
  return Append(dst, size, src, count);
}
