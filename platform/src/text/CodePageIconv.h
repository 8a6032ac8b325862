// The code pages that iconv converts (GBK, the ANSI code page, and the Windows pages of other
// scripts). One converter per thread, direction and page, because an iconv descriptor keeps
// state and must not be shared between threads.
#pragma once

#include <iconv.h>

#include <string>

namespace jf {

class CodePageIconv {
 public:
  // Wide text to the `charset` (an iconv name). Characters it cannot hold become
  // `defaultChar` (a string of one or two bytes); `usedDefault` tells whether that happened.
  // False if no converter is available.
  static bool Encode(const char* charset, const wchar_t* s, size_t n, const std::string& defaultChar,
                     std::string& out, bool* usedDefault);
  // The `charset` to wide text. A byte that starts no valid character becomes '?', or with
  // `failOnInvalid` stops the conversion (false).
  static bool Decode(const char* charset, const char* s, size_t n, bool failOnInvalid, std::wstring& out);

  CodePageIconv(const char* to, const char* from);
  ~CodePageIconv();
  CodePageIconv(const CodePageIconv&) = delete;
  CodePageIconv& operator=(const CodePageIconv&) = delete;

 private:
  // This thread's converter between the two.
  static CodePageIconv& For(const char* to, const char* from);
  // Converts as much as it can; returns false with errno set when it stops early.
  bool Step(const char** in, size_t* inLeft, std::string& out);
  // Hands out what the converter still holds (a letter that waited for a combining mark) and
  // starts it afresh.
  void Finish(std::string& out);

  iconv_t cd_;
};

}  // namespace jf
