// The Windows C runtime's printf, for narrow and wide formats alike (see jf/text.h for the
// rules). glibc's wide printf reads "%s" as a narrow string, so the layer formats by itself.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

namespace jf {

template <typename Ch>
class FormatEngine {
 public:
  // _vsnprintf/_vsnwprintf: -1 when the text does not fit (then unterminated) or the
  // format is bad; with exactly `count` characters there is no terminator either.
  static int Bounded(Ch* buffer, size_t count, const Ch* format, va_list args);
  // _vscprintf/_vscwprintf: the length the text would have, or -1 for a bad format.
  static int Measure(const Ch* format, va_list args);
  // _vsnprintf_s/_vsnwprintf_s, including _TRUNCATE.
  static int BoundedSecure(Ch* buffer, size_t size, size_t count, const Ch* format, va_list args);
  // vsprintf_s/vswprintf_s: the whole text or an empty buffer and -1.
  static int Secure(Ch* buffer, size_t size, const Ch* format, va_list args);

 private:
  struct Spec;

  FormatEngine(Ch* dst, size_t cap, va_list args);
  ~FormatEngine();
  FormatEngine(const FormatEngine&) = delete;
  FormatEngine& operator=(const FormatEngine&) = delete;

  // Writes at most `cap` characters (no terminator); the full length, or -1.
  static long long Run(Ch* dst, size_t cap, const Ch* format, va_list args);
  bool Format(const Ch* format);
  bool ParseSpec(const Ch*& p, Spec& spec);
  static void ParseFlags(const Ch*& p, Spec& spec);
  static void ParseSize(const Ch*& p, Spec& spec);
  bool Convert(Spec& spec);
  // The next integer argument, of the size its conversion names.
  long long SignedArgument(const Spec& spec);
  unsigned long long UnsignedArgument(const Spec& spec);
  void Integer(const Spec& spec, unsigned long long value, bool negative);
  void Floating(const Spec& spec);
  static bool WideArgument(const Spec& spec);
  // Text of the other width, converted through the ANSI code page, then padded.
  template <typename From>
  void Foreign(const Spec& spec, const From* s, size_t n);
  void Character(const Spec& spec);
  void String(const Spec& spec);
  void Padded(const Spec& spec, const Ch* text, size_t n);
  void Put(const Ch* s, size_t n);
  void Pad(Ch c, size_t n);

  Ch* dst_;
  size_t cap_;
  size_t len_ = 0;
  va_list args_;
};

}  // namespace jf
