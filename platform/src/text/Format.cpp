// The Windows C runtime's printf family over the layer's own formatter.
#include "platform/src/text/FormatEngine.h"
#include <windows/text.h>

namespace {
using Wide = jf::FormatEngine<wchar_t>;
using Narrow = jf::FormatEngine<char>;
const size_t kWsprintfLimit = 1024;
}  // namespace

int _vsnwprintf(wchar_t* buffer, size_t count, const wchar_t* format, va_list args) {
  return Wide::Bounded(buffer, count, format, args);
}

int _snwprintf(wchar_t* buffer, size_t count, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  int n = Wide::Bounded(buffer, count, format, args);
  va_end(args);
  return n;
}

int _vscwprintf(const wchar_t* format, va_list args) { return Wide::Measure(format, args); }

int _scwprintf(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  int n = Wide::Measure(format, args);
  va_end(args);
  return n;
}

int _vsnwprintf_s(wchar_t* buffer, size_t sizeOfBuffer, size_t count, const wchar_t* format,
                  va_list args) {
  return Wide::BoundedSecure(buffer, sizeOfBuffer, count, format, args);
}

int _snwprintf_s(wchar_t* buffer, size_t sizeOfBuffer, size_t count, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  int n = Wide::BoundedSecure(buffer, sizeOfBuffer, count, format, args);
  va_end(args);
  return n;
}

int vswprintf_s(wchar_t* buffer, size_t sizeOfBuffer, const wchar_t* format, va_list args) {
  return Wide::Secure(buffer, sizeOfBuffer, format, args);
}

int swprintf_s(wchar_t* buffer, size_t sizeOfBuffer, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  int n = Wide::Secure(buffer, sizeOfBuffer, format, args);
  va_end(args);
  return n;
}

int wvsprintfW(LPWSTR buffer, LPCWSTR format, va_list args) {
  // The user-interface variant: truncates silently at its fixed limit.
  int n = Wide::BoundedSecure(buffer, kWsprintfLimit, _TRUNCATE, format, args);
  return n < 0 && buffer ? lstrlenW(buffer) : n;
}

int wsprintfW(LPWSTR buffer, LPCWSTR format, ...) {
  va_list args;
  va_start(args, format);
  int n = wvsprintfW(buffer, format, args);
  va_end(args);
  return n;
}

int _vsnprintf(char* buffer, size_t count, const char* format, va_list args) {
  return Narrow::Bounded(buffer, count, format, args);
}

int _snprintf(char* buffer, size_t count, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int n = Narrow::Bounded(buffer, count, format, args);
  va_end(args);
  return n;
}

int _vscprintf(const char* format, va_list args) { return Narrow::Measure(format, args); }

int _scprintf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  int n = Narrow::Measure(format, args);
  va_end(args);
  return n;
}

int _vsnprintf_s(char* buffer, size_t sizeOfBuffer, size_t count, const char* format,
                 va_list args) {
  return Narrow::BoundedSecure(buffer, sizeOfBuffer, count, format, args);
}

int _snprintf_s(char* buffer, size_t sizeOfBuffer, size_t count, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int n = Narrow::BoundedSecure(buffer, sizeOfBuffer, count, format, args);
  va_end(args);
  return n;
}

int vsprintf_s(char* buffer, size_t sizeOfBuffer, const char* format, va_list args) {
  return Narrow::Secure(buffer, sizeOfBuffer, format, args);
}

int sprintf_s(char* buffer, size_t sizeOfBuffer, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int n = Narrow::Secure(buffer, sizeOfBuffer, format, args);
  va_end(args);
  return n;
}
