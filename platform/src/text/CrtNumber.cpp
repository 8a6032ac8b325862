// Numbers to and from text with the Windows C runtime's rules. `long` is 32 bits there, and
// code written for it expects that range, so the `long` forms work in 32 bits here too.
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cwchar>
#include <cwctype>

#include <windows/text.h>

namespace {

bool Space(wchar_t c) { return iswspace(wint_t(c)) != 0; }
bool Space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Decimal text to a value clamped to [min, max]: white space, a sign, digits.
template <typename Ch>
int64_t ParseDecimal(const Ch* s, int64_t min, int64_t max) {
  if (!s) {
    errno = EINVAL;
    return 0;
  }
  while (Space(*s)) ++s;
  bool negative = *s == '-';
  if (*s == '-' || *s == '+') ++s;
  // Accumulate as a negative number: its range reaches one further than the positive one.
  int64_t limit = negative ? min : -max;
  int64_t v = 0;
  for (; *s >= '0' && *s <= '9'; ++s) {
    int d = int(*s - '0');
    if (v < (limit + d) / 10) {
      errno = ERANGE;
      return negative ? min : max;
    }
    v = v * 10 - d;
  }
  return negative ? v : -v;
}

template <typename Ch>
Ch* Digits(uint64_t value, bool negative, Ch* buffer, int radix) {
  Ch tmp[66];
  size_t n = 0;
  do {
    int d = int(value % unsigned(radix));
    tmp[n++] = Ch(d < 10 ? '0' + d : 'a' + d - 10);
    value /= unsigned(radix);
  } while (value);
  Ch* p = buffer;
  if (negative) *p++ = '-';
  while (n) *p++ = tmp[--n];
  *p = 0;
  return buffer;
}

bool ValidRadix(int radix) { return radix >= 2 && radix <= 36; }

// Negative values carry a sign only in base 10; other bases show the `bits`-bit pattern.
template <typename Ch>
Ch* SignedText(int64_t value, unsigned bits, Ch* buffer, int radix) {
  if (!buffer) return buffer;
  if (!ValidRadix(radix)) {
    buffer[0] = 0;
    return buffer;
  }
  bool negative = radix == 10 && value < 0;
  uint64_t u = negative ? 0 - uint64_t(value) : uint64_t(value);
  if (!negative && bits < 64) u &= (uint64_t(1) << bits) - 1;
  return Digits(u, negative, buffer, radix);
}

template <typename Ch>
errno_t SignedTextChecked(int64_t value, unsigned bits, bool isUnsigned, Ch* buffer, size_t size,
                          int radix) {
  if (!buffer || size == 0) return errno = EINVAL;
  buffer[0] = 0;
  if (!ValidRadix(radix)) return errno = EINVAL;
  Ch tmp[68];
  if (isUnsigned)
    Digits(uint64_t(value), false, tmp, radix);
  else
    SignedText(value, bits, tmp, radix);
  size_t n = std::char_traits<Ch>::length(tmp);
  if (n + 1 > size) return errno = ERANGE;
  std::char_traits<Ch>::copy(buffer, tmp, n + 1);
  return 0;
}

}  // namespace

int _wtoi(const wchar_t* s) { return int(ParseDecimal(s, INT32_MIN, INT32_MAX)); }
long _wtol(const wchar_t* s) { return long(ParseDecimal(s, INT32_MIN, INT32_MAX)); }
int64_t _wtoi64(const wchar_t* s) { return ParseDecimal(s, INT64_MIN, INT64_MAX); }
int64_t _atoi64(const char* s) { return ParseDecimal(s, INT64_MIN, INT64_MAX); }

double _wtof(const wchar_t* s) {
  if (!s) {
    errno = EINVAL;
    return 0;
  }
  return wcstod(s, nullptr);
}

int64_t _wcstoi64(const wchar_t* s, wchar_t** end, int base) { return wcstoll(s, end, base); }
uint64_t _wcstoui64(const wchar_t* s, wchar_t** end, int base) { return wcstoull(s, end, base); }
int64_t _strtoi64(const char* s, char** end, int base) { return strtoll(s, end, base); }
uint64_t _strtoui64(const char* s, char** end, int base) { return strtoull(s, end, base); }

wchar_t* _itow(int value, wchar_t* buffer, int radix) {
  return SignedText(value, 32, buffer, radix);
}
wchar_t* _ltow(long value, wchar_t* buffer, int radix) {
  return SignedText(int32_t(value), 32, buffer, radix);
}
wchar_t* _ultow(unsigned long value, wchar_t* buffer, int radix) {
  return SignedText(int64_t(uint32_t(value)), 32, buffer, radix);
}
wchar_t* _i64tow(int64_t value, wchar_t* buffer, int radix) {
  return SignedText(value, 64, buffer, radix);
}
wchar_t* _ui64tow(uint64_t value, wchar_t* buffer, int radix) {
  if (buffer && ValidRadix(radix)) return Digits(value, false, buffer, radix);
  if (buffer) buffer[0] = 0;
  return buffer;
}
char* _itoa(int value, char* buffer, int radix) { return SignedText(value, 32, buffer, radix); }
char* _ltoa(long value, char* buffer, int radix) {
  return SignedText(int32_t(value), 32, buffer, radix);
}
char* _ultoa(unsigned long value, char* buffer, int radix) {
  return SignedText(int64_t(uint32_t(value)), 32, buffer, radix);
}
char* _i64toa(int64_t value, char* buffer, int radix) {
  return SignedText(value, 64, buffer, radix);
}
char* _ui64toa(uint64_t value, char* buffer, int radix) {
  if (buffer && ValidRadix(radix)) return Digits(value, false, buffer, radix);
  if (buffer) buffer[0] = 0;
  return buffer;
}

errno_t _itow_s(int value, wchar_t* buffer, size_t size, int radix) {
  return SignedTextChecked(value, 32, false, buffer, size, radix);
}
errno_t _i64tow_s(int64_t value, wchar_t* buffer, size_t size, int radix) {
  return SignedTextChecked(value, 64, false, buffer, size, radix);
}
errno_t _ui64tow_s(uint64_t value, wchar_t* buffer, size_t size, int radix) {
  return SignedTextChecked(int64_t(value), 64, true, buffer, size, radix);
}
errno_t _itoa_s(int value, char* buffer, size_t size, int radix) {
  return SignedTextChecked(value, 32, false, buffer, size, radix);
}
