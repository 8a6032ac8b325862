#include "platform/src/text/FormatEngine.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <type_traits>

#include <windows/text.h>
#include "platform/src/internal/ansi.h"

namespace jf {

namespace {

enum class Size { None, Char, Short, Long, LongLong, LongDouble, Int32, Int64, Pointer, Wide };

template <typename T>
size_t BoundedLength(const T* s, size_t max) {
  size_t n = 0;
  while (n < max && s[n]) ++n;
  return n;
}

// A string of the other width, converted through the ANSI code page.
std::wstring Other(const char* s, size_t n, long long precision) {
  std::wstring w = FromAnsi(s, n);
  if (precision >= 0 && w.size() > size_t(precision)) w.resize(size_t(precision));
  return w;
}

std::string Other(const wchar_t* s, size_t n, long long precision) {
  if (precision < 0) return ToAnsi(s, n);
  // Whole characters only: a double-byte character that would pass the precision is left out.
  std::string out;
  for (size_t i = 0; i < n; ++i) {
    std::string one = ToAnsi(s + i, 1);
    if (out.size() + one.size() > size_t(precision)) break;
    out += one;
  }
  return out;
}

}  // namespace

template <typename Ch>
struct FormatEngine<Ch>::Spec {
  bool left = false;
  bool plus = false;
  bool space = false;
  bool alt = false;
  bool zero = false;
  long long width = 0;
  long long precision = -1;
  Size size = Size::None;
  Ch type = 0;
};

template <typename Ch>
FormatEngine<Ch>::FormatEngine(Ch* dst, size_t cap, va_list args) : dst_(dst), cap_(cap) {
  va_copy(args_, args);
}

template <typename Ch>
FormatEngine<Ch>::~FormatEngine() {
  va_end(args_);
}

template <typename Ch>
void FormatEngine<Ch>::Put(const Ch* s, size_t n) {
  if (len_ < cap_) {
    size_t k = cap_ - len_ < n ? cap_ - len_ : n;
    memcpy(dst_ + len_, s, k * sizeof(Ch));
  }
  len_ += n;
}

template <typename Ch>
void FormatEngine<Ch>::Pad(Ch c, size_t n) {
  for (size_t i = len_; i < cap_ && i < len_ + n; ++i) dst_[i] = c;
  len_ += n;
}

template <typename Ch>
void FormatEngine<Ch>::Padded(const Spec& spec, const Ch* text, size_t n) {
  size_t pad = size_t(spec.width) > n ? size_t(spec.width) - n : 0;
  if (!spec.left) Pad(spec.zero ? Ch('0') : Ch(' '), pad);
  Put(text, n);
  if (spec.left) Pad(Ch(' '), pad);
}

template <typename Ch>
void FormatEngine<Ch>::ParseFlags(const Ch*& p, Spec& spec) {
  for (;; ++p) {
    if (*p == '-')
      spec.left = true;
    else if (*p == '+')
      spec.plus = true;
    else if (*p == ' ')
      spec.space = true;
    else if (*p == '#')
      spec.alt = true;
    else if (*p == '0')
      spec.zero = true;
    else
      return;
  }
}

template <typename Ch>
bool FormatEngine<Ch>::ParseSpec(const Ch*& p, Spec& spec) {
  ParseFlags(p, spec);
  auto number = [&p](long long& out) {
    out = 0;
    while (*p >= '0' && *p <= '9') {
      out = out * 10 + (*p++ - '0');
      if (out > INT_MAX) return false;
    }
    return true;
  };
  if (*p == '*') {
    ++p;
    spec.width = va_arg(args_, int);
    if (spec.width < 0) {
      spec.left = true;
      spec.width = -spec.width;
    }
  } else if (!number(spec.width)) {
    return false;
  }
  if (*p == '.') {
    ++p;
    if (*p == '*') {
      ++p;
      spec.precision = va_arg(args_, int);
      if (spec.precision < 0) spec.precision = -1;
    } else if (!number(spec.precision)) {
      return false;
    }
  }
  ParseSize(p, spec);
  spec.type = *p;
  if (!spec.type) return false;
  ++p;
  return true;
}

template <typename Ch>
void FormatEngine<Ch>::ParseSize(const Ch*& p, Spec& spec) {
  switch (*p) {
    case 'h':
      ++p;
      spec.size = Size::Short;
      if (*p == 'h') ++p, spec.size = Size::Char;
      break;
    case 'l':
      ++p;
      spec.size = Size::Long;
      if (*p == 'l') ++p, spec.size = Size::LongLong;
      break;
    case 'L':
      ++p, spec.size = Size::LongDouble;
      break;
    case 'w':
      ++p, spec.size = Size::Wide;
      break;
    case 'j':
      ++p, spec.size = Size::Int64;
      break;
    case 'z':
    case 't':
      ++p, spec.size = Size::Pointer;
      break;
    case 'I':
      ++p;
      if (p[0] == '6' && p[1] == '4')
        p += 2, spec.size = Size::Int64;
      else if (p[0] == '3' && p[1] == '2')
        p += 2, spec.size = Size::Int32;
      else
        spec.size = Size::Pointer;
      break;
    default:
      break;
  }
}

template <typename Ch>
void FormatEngine<Ch>::Integer(const Spec& spec, unsigned long long value, bool negative) {
  Ch prefix[3];
  size_t prefixLen = 0;
  bool isSigned = spec.type == 'd' || spec.type == 'i';
  if (isSigned) {
    if (negative)
      prefix[prefixLen++] = '-';
    else if (spec.plus)
      prefix[prefixLen++] = '+';
    else if (spec.space)
      prefix[prefixLen++] = ' ';
  }
  unsigned base = 10;
  const char* digitSet = "0123456789abcdef";
  if (spec.type == 'o') base = 8;
  if (spec.type == 'x' || spec.type == 'X' || spec.type == 'p') base = 16;
  if (spec.type == 'X' || spec.type == 'p') digitSet = "0123456789ABCDEF";
  if (spec.alt && value != 0 && (spec.type == 'x' || spec.type == 'X')) {
    prefix[prefixLen++] = '0';
    prefix[prefixLen++] = Ch(spec.type);
  }
  // Digits are produced from the right end of the buffer.
  const size_t kMaxDigits = 24;
  Ch digits[kMaxDigits];
  size_t n = 0;
  for (unsigned long long v = value; v; v /= base)
    digits[kMaxDigits - ++n] = Ch(digitSet[v % base]);
  const Ch* first = digits + kMaxDigits - n;
  size_t precision = spec.precision < 0 ? 1 : size_t(spec.precision);
  size_t zeros = precision > n ? precision - n : 0;
  if (spec.alt && spec.type == 'o' && zeros == 0 && (n == 0 || *first != '0')) zeros = 1;
  size_t body = prefixLen + zeros + n;
  size_t pad = size_t(spec.width) > body ? size_t(spec.width) - body : 0;
  // A precision switches the '0' flag off for integers.
  bool zeroPad = spec.zero && !spec.left && spec.precision < 0;
  if (!spec.left && !zeroPad) Pad(Ch(' '), pad);
  Put(prefix, prefixLen);
  if (zeroPad) Pad(Ch('0'), pad);
  Pad(Ch('0'), zeros);
  Put(first, n);
  if (spec.left) Pad(Ch(' '), pad);
}

template <typename Ch>
void FormatEngine<Ch>::Floating(const Spec& spec) {
  // The digits of a number are plain ASCII: the host's narrow printf makes them. The width
  // is applied here, so a huge width costs no huge temporary text.
  char format[64];
  char* f = format;
  *f++ = '%';
  if (spec.plus) *f++ = '+';
  if (spec.space) *f++ = ' ';
  if (spec.alt) *f++ = '#';
  // Past the digits that a binary number has exactly (16,445 fraction digits of the
  // smallest long double), further digits are zeros: they are padded in below instead of
  // printed, so a huge precision costs no more than the buffer takes.
  const long long kExactDigits = 16500;
  long long printed = spec.precision > kExactDigits ? kExactDigits : spec.precision;
  if (spec.precision >= 0) f += snprintf(f, 24, ".%lld", printed);
  if (spec.size == Size::LongDouble) *f++ = 'L';
  *f++ = char(spec.type);
  *f = 0;
  std::string text;
  bool finite;
  auto print = [&](auto v) {
    finite = std::isfinite(v);
    int n = snprintf(nullptr, 0, format, v);
    if (n <= 0) return;
    text.resize(size_t(n) + 1);
    snprintf(&text[0], text.size(), format, v);
    text.resize(size_t(n));
  };
  if (spec.size == Size::LongDouble) {
    print(va_arg(args_, long double));
  } else {
    print(va_arg(args_, double));
  }
  std::basic_string<Ch> out(text.begin(), text.end());
  // The zeros past the printed precision go before the exponent; %g without '#' drops them.
  size_t extra = 0;
  size_t at = out.size();
  bool general = spec.type == 'g' || spec.type == 'G';
  if (finite && spec.precision > printed && (!general || spec.alt)) {
    extra = size_t(spec.precision - printed);
    size_t exponent = text.find_first_of(spec.type == 'a' || spec.type == 'A' ? "pP" : "eE");
    if (exponent != std::string::npos) at = exponent;
  }
  size_t total = out.size() + extra;
  auto body = [&](size_t from) {
    Put(out.data() + from, at - from);
    Pad(Ch('0'), extra);
    Put(out.data() + at, out.size() - at);
  };
  size_t pad = size_t(spec.width) > total ? size_t(spec.width) - total : 0;
  if (!spec.zero || spec.left || !finite) {
    if (!spec.left) Pad(Ch(' '), pad);
    body(0);
    if (spec.left) Pad(Ch(' '), pad);
    return;
  }
  // Zeros go between the sign (and a hexadecimal prefix) and the digits.
  size_t head = (!out.empty() && (out[0] == '-' || out[0] == '+' || out[0] == ' ')) ? 1 : 0;
  if ((spec.type == 'a' || spec.type == 'A') && out.size() >= head + 2) head += 2;
  Put(out.data(), head);
  Pad(Ch('0'), pad);
  body(head);
}

template <typename Ch>
bool FormatEngine<Ch>::WideArgument(const Spec& spec) {
  // The lower-case letter takes the format's own width, the capital the other one;
  // "h" makes the argument narrow, "l" and "w" wide.
  constexpr bool wideFormat = std::is_same<Ch, wchar_t>::value;
  if (spec.size == Size::Short || spec.size == Size::Char) return false;
  if (spec.size == Size::Long || spec.size == Size::Wide) return true;
  return (spec.type == 'c' || spec.type == 's') ? wideFormat : !wideFormat;
}

template <typename Ch>
template <typename From>
void FormatEngine<Ch>::Foreign(const Spec& spec, const From* s, size_t n) {
  if constexpr (!std::is_same<From, Ch>::value) {
    std::basic_string<Ch> text = Other(s, n, spec.precision);
    Padded(spec, text.data(), text.size());
  }
}

template <typename Ch>
void FormatEngine<Ch>::Character(const Spec& spec) {
  constexpr bool wideFormat = std::is_same<Ch, wchar_t>::value;
  bool wideArg = WideArgument(spec);
  int value = va_arg(args_, int);
  Spec whole = spec;
  whole.precision = -1;
  if (wideArg == wideFormat) {
    Ch c = Ch(value);
    Padded(spec, &c, 1);
  } else if (wideArg) {
    wchar_t w = wchar_t(value);
    Foreign(whole, &w, 1);
  } else {
    char c = char(value);
    Foreign(whole, &c, 1);
  }
}

template <typename Ch>
void FormatEngine<Ch>::String(const Spec& spec) {
  constexpr bool wideFormat = std::is_same<Ch, wchar_t>::value;
  bool wideArg = WideArgument(spec);
  const void* arg = va_arg(args_, const void*);
  size_t max = spec.precision < 0 ? SIZE_MAX : size_t(spec.precision);
  if (!arg) {
    static const Ch null[] = {'(', 'n', 'u', 'l', 'l', ')'};
    Padded(spec, null, max < 6 ? max : 6);
  } else if (wideArg == wideFormat) {
    const Ch* s = static_cast<const Ch*>(arg);
    Padded(spec, s, BoundedLength(s, max));
  } else if (wideArg) {
    const wchar_t* s = static_cast<const wchar_t*>(arg);
    Foreign(spec, s, BoundedLength(s, max));
  } else {
    // A double-byte character takes two bytes: read no further than the precision needs.
    const char* s = static_cast<const char*>(arg);
    Foreign(spec, s, BoundedLength(s, max == SIZE_MAX ? max : max * 2));
  }
}

template <typename Ch>
long long FormatEngine<Ch>::SignedArgument(const Spec& spec) {
  switch (spec.size) {
    case Size::Char:
      return static_cast<signed char>(va_arg(args_, int));
    case Size::Short:
      return static_cast<short>(va_arg(args_, int));
    case Size::LongLong:
    case Size::LongDouble:
    case Size::Int64:
      return va_arg(args_, long long);
    case Size::Pointer:
      return va_arg(args_, ptrdiff_t);
    default:  // "l" is 32 bits, as on Windows
      return va_arg(args_, int);
  }
}

template <typename Ch>
unsigned long long FormatEngine<Ch>::UnsignedArgument(const Spec& spec) {
  switch (spec.size) {
    case Size::Char:
      return static_cast<unsigned char>(va_arg(args_, unsigned));
    case Size::Short:
      return static_cast<unsigned short>(va_arg(args_, unsigned));
    case Size::LongLong:
    case Size::LongDouble:
    case Size::Int64:
      return va_arg(args_, unsigned long long);
    case Size::Pointer:
      return va_arg(args_, size_t);
    default:
      return va_arg(args_, unsigned);
  }
}

template <typename Ch>
bool FormatEngine<Ch>::Convert(Spec& spec) {
  switch (spec.type) {
    case 'd':
    case 'i': {
      long long v = SignedArgument(spec);
      unsigned long long magnitude = static_cast<unsigned long long>(v);
      Integer(spec, v < 0 ? 0ull - magnitude : magnitude, v < 0);
      return true;
    }
    case 'u':
    case 'o':
    case 'x':
    case 'X': {
      unsigned long long v = UnsignedArgument(spec);
      Integer(spec, v, false);
      return true;
    }
    case 'p': {
      Spec p = spec;
      p.alt = false;
      if (p.precision < 0) p.precision = 2 * sizeof(void*);
      Integer(p, reinterpret_cast<uintptr_t>(va_arg(args_, void*)), false);
      return true;
    }
    case 'e':
    case 'E':
    case 'f':
    case 'F':
    case 'g':
    case 'G':
    case 'a':
    case 'A':
      Floating(spec);
      return true;
    case 'c':
    case 'C':
      Character(spec);
      return true;
    case 's':
    case 'S':
      String(spec);
      return true;
    case 'n':
      // Writing through an argument is refused, as the Windows runtime does by default.
      (void)va_arg(args_, void*);
      return true;
    case '%':
      Padded(spec, &spec.type, 1);
      return true;
    default:
      return false;
  }
}

template <typename Ch>
bool FormatEngine<Ch>::Format(const Ch* p) {
  while (*p) {
    const Ch* literal = p;
    while (*p && *p != '%') ++p;
    Put(literal, size_t(p - literal));
    if (!*p) break;
    ++p;
    Spec spec;
    if (!ParseSpec(p, spec) || !Convert(spec)) return false;
  }
  return true;
}

template <typename Ch>
long long FormatEngine<Ch>::Run(Ch* dst, size_t cap, const Ch* format, va_list args) {
  if (!format) {
    errno = EINVAL;
    return -1;
  }
  FormatEngine engine(dst, cap, args);
  if (!engine.Format(format)) {
    errno = EINVAL;
    return -1;
  }
  if (engine.len_ > size_t(INT_MAX)) {
    errno = ERANGE;
    return -1;
  }
  return static_cast<long long>(engine.len_);
}

template <typename Ch>
int FormatEngine<Ch>::Bounded(Ch* buffer, size_t count, const Ch* format, va_list args) {
  if (!buffer && count) {
    errno = EINVAL;
    return -1;
  }
  long long n = Run(buffer, count, format, args);
  if (n < 0) return -1;
  if (size_t(n) > count) return buffer ? -1 : int(n);
  if (size_t(n) < count) buffer[n] = 0;
  return int(n);
}

template <typename Ch>
int FormatEngine<Ch>::Measure(const Ch* format, va_list args) {
  return int(Run(nullptr, 0, format, args));
}

template <typename Ch>
int FormatEngine<Ch>::BoundedSecure(Ch* buffer, size_t size, size_t count, const Ch* format,
                                    va_list args) {
  if (!buffer || size == 0 || !format) {
    if (buffer && size) buffer[0] = 0;
    errno = EINVAL;
    return -1;
  }
  size_t cap = count == _TRUNCATE || count >= size ? size - 1 : count;
  long long n = Run(buffer, cap, format, args);
  if (n < 0) {
    buffer[0] = 0;
    return -1;
  }
  if (size_t(n) <= cap) {
    buffer[n] = 0;
    return int(n);
  }
  if (count == _TRUNCATE || count < size) {
    buffer[cap] = 0;
    return -1;
  }
  // Asked for more than the buffer holds, and the text needs it: nothing is kept.
  buffer[0] = 0;
  errno = ERANGE;
  return -1;
}

template <typename Ch>
int FormatEngine<Ch>::Secure(Ch* buffer, size_t size, const Ch* format, va_list args) {
  return BoundedSecure(buffer, size, size, format, args);
}

template class FormatEngine<char>;
template class FormatEngine<wchar_t>;

}  // namespace jf
