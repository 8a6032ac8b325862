// The GBK side of the ANSI code page, through iconv. One converter per thread and direction,
// because an iconv descriptor keeps state and must not be shared between threads.
#pragma once

#include <iconv.h>

#include <string>

namespace jf {

class CodePageIconv {
 public:
  // Wide text to GBK. Characters GBK cannot hold become `defaultChar` (a string of one or two
  // bytes); `usedDefault` tells whether that happened. False if no converter is available.
  static bool Encode(const wchar_t* s, size_t n, const std::string& defaultChar, std::string& out,
                     bool* usedDefault);
  // GBK to wide text. A byte that starts no valid character becomes '?', or with
  // `failOnInvalid` stops the conversion (false).
  static bool Decode(const char* s, size_t n, bool failOnInvalid, std::wstring& out);

  CodePageIconv(const char* to, const char* from);
  ~CodePageIconv();
  CodePageIconv(const CodePageIconv&) = delete;
  CodePageIconv& operator=(const CodePageIconv&) = delete;

 private:
  // Converts as much as it can; returns false with errno set when it stops early.
  bool Step(const char** in, size_t* inLeft, std::string& out);

  iconv_t cd_;
};

}  // namespace jf
