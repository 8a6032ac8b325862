// Text: code pages, the Windows C runtime's formatting and its string functions.
//
// Choices of this layer:
// - The ANSI code page (CP_ACP, CP_OEMCP, CP_THREAD_ACP, 936) is GBK; CP_UTF8 is UTF-8.
//   A character GBK cannot hold becomes the default character ('?' unless one is given).
//   The Windows pages of other scripts convert through iconv too (874, 932, 949, 950,
//   1250 to 1258), as do the DOS pages 437 and 850 and the Mac's 10000; CP_SYMBOL puts bytes
//   from 0x20 on at U+F020 to U+F0FF.
// - Formatting follows the Windows C runtime, not glibc: in a wide format "%s" and "%c"
//   take wide arguments, "%hs"/"%S"/"%hc"/"%C" narrow ones; in a narrow format it is the
//   other way round. A string of the other width is converted through the ANSI code page.
//   "%l" is 32 bits as on Windows; "%ll", "%I64", "%j" are 64 bits; "%I", "%z", "%t" are
//   pointer-sized. "%p" prints 16 upper-case hex digits. "%n" is refused (the argument is
//   skipped and nothing is written). An unknown conversion makes the call fail with -1.
// - The secure functions (_s) never call an invalid-parameter handler: they fail with
//   EINVAL/ERANGE, leave an empty string where they can, and return the error.
// - LC_CTYPE is "C.UTF-8" from start-up so towlower/towupper/iswspace know non-ASCII text;
//   LC_NUMERIC stays "C" (the decimal point is '.').
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <cwchar>
#include <cwctype>
#include <string>

#include "../windef.h"

// ---------------------------------------------------------------- code pages
#define CP_ACP 0
#define CP_OEMCP 1
#define CP_MACCP 2
#define CP_THREAD_ACP 3
#define CP_SYMBOL 42
#define CP_UTF7 65000
#define CP_UTF8 65001

#define MB_PRECOMPOSED 0x00000001
#define MB_COMPOSITE 0x00000002
#define MB_USEGLYPHCHARS 0x00000004
#define MB_ERR_INVALID_CHARS 0x00000008

#define WC_COMPOSITECHECK 0x00000200
#define WC_DISCARDNS 0x00000010
#define WC_SEPCHARS 0x00000020
#define WC_DEFAULTCHAR 0x00000040
#define WC_ERR_INVALID_CHARS 0x00000080
#define WC_NO_BEST_FIT_CHARS 0x00000400

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR src, int srcBytes, LPWSTR dst,
                        int dstChars);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR src, int srcChars, LPSTR dst,
                        int dstBytes, LPCSTR defaultChar, LPBOOL usedDefaultChar);
UINT GetACP();
UINT GetOEMCP();
BOOL IsValidCodePage(UINT codePage);
BOOL IsDBCSLeadByteEx(UINT codePage, BYTE testChar);


// ---------------------------------------------------------------- C runtime basics
#ifndef _ERRNO_T_DEFINED
#define _ERRNO_T_DEFINED
typedef int errno_t;
#endif
#ifndef _TRUNCATE
#define _TRUNCATE ((size_t)-1)
#endif
#ifndef STRUNCATE
#define STRUNCATE 80
#endif
#ifndef _I64_MAX
#define _I64_MAX INT64_MAX
#define _I64_MIN INT64_MIN
#define _UI64_MAX UINT64_MAX
#endif

// ---------------------------------------------------------------- formatting (wide)
int _snwprintf(wchar_t* buffer, size_t count, const wchar_t* format, ...);
int _vsnwprintf(wchar_t* buffer, size_t count, const wchar_t* format, va_list args);
int _scwprintf(const wchar_t* format, ...);
int _vscwprintf(const wchar_t* format, va_list args);
int _snwprintf_s(wchar_t* buffer, size_t sizeOfBuffer, size_t count, const wchar_t* format, ...);
int _vsnwprintf_s(wchar_t* buffer, size_t sizeOfBuffer, size_t count, const wchar_t* format,
                  va_list args);
int swprintf_s(wchar_t* buffer, size_t sizeOfBuffer, const wchar_t* format, ...);
int vswprintf_s(wchar_t* buffer, size_t sizeOfBuffer, const wchar_t* format, va_list args);
// wsprintfW: at most 1024 characters with the terminator; longer text is cut.
int wsprintfW(LPWSTR buffer, LPCWSTR format, ...);
int wvsprintfW(LPWSTR buffer, LPCWSTR format, va_list args);

// ---------------------------------------------------------------- formatting (narrow)
int _snprintf(char* buffer, size_t count, const char* format, ...);
int _vsnprintf(char* buffer, size_t count, const char* format, va_list args);
int _scprintf(const char* format, ...);
int _vscprintf(const char* format, va_list args);
int _snprintf_s(char* buffer, size_t sizeOfBuffer, size_t count, const char* format, ...);
int _vsnprintf_s(char* buffer, size_t sizeOfBuffer, size_t count, const char* format, va_list args);
int sprintf_s(char* buffer, size_t sizeOfBuffer, const char* format, ...);
int vsprintf_s(char* buffer, size_t sizeOfBuffer, const char* format, va_list args);

// ---------------------------------------------------------------- time
typedef int errno_t;
// Local time of a time_t: 0, or EINVAL (every field -1) for a null argument or a time before 1970.
errno_t localtime_s(struct tm* result, const time_t* time);

// The array forms of the C++ runtime.
template <size_t N, typename... A>
int swprintf_s(wchar_t (&buffer)[N], const wchar_t* format, A... args) {
  return swprintf_s(buffer, N, format, args...);
}
template <size_t N, typename... A>
int _snwprintf_s(wchar_t (&buffer)[N], size_t count, const wchar_t* format, A... args) {
  return _snwprintf_s(buffer, N, count, format, args...);
}
template <size_t N, typename... A>
int sprintf_s(char (&buffer)[N], const char* format, A... args) {
  return sprintf_s(buffer, N, format, args...);
}
template <size_t N, typename... A>
int _snprintf_s(char (&buffer)[N], size_t count, const char* format, A... args) {
  return _snprintf_s(buffer, N, count, format, args...);
}

// ---------------------------------------------------------------- numbers from text
// Leading white space, an optional sign, decimal digits; overflow clamps to the type's
// limits (and sets errno to ERANGE); no digits give 0.
int _wtoi(const wchar_t* s);
long _wtol(const wchar_t* s);  // 32-bit range: `long` is 32 bits on Windows
int64_t _wtoi64(const wchar_t* s);
double _wtof(const wchar_t* s);
int64_t _atoi64(const char* s);
int64_t _wcstoi64(const wchar_t* s, wchar_t** end, int base);
uint64_t _wcstoui64(const wchar_t* s, wchar_t** end, int base);
int64_t _strtoi64(const char* s, char** end, int base);
uint64_t _strtoui64(const char* s, char** end, int base);

// ---------------------------------------------------------------- numbers to text
// Negative values get a '-' only in base 10; other bases show the two's complement.
// Letters are lower case. The `long` forms work in 32 bits, as on Windows.
wchar_t* _itow(int value, wchar_t* buffer, int radix);
wchar_t* _ltow(long value, wchar_t* buffer, int radix);
wchar_t* _ultow(unsigned long value, wchar_t* buffer, int radix);
wchar_t* _i64tow(int64_t value, wchar_t* buffer, int radix);
wchar_t* _ui64tow(uint64_t value, wchar_t* buffer, int radix);
char* _itoa(int value, char* buffer, int radix);
char* _ltoa(long value, char* buffer, int radix);
char* _ultoa(unsigned long value, char* buffer, int radix);
char* _i64toa(int64_t value, char* buffer, int radix);
char* _ui64toa(uint64_t value, char* buffer, int radix);
errno_t _itow_s(int value, wchar_t* buffer, size_t size, int radix);
errno_t _i64tow_s(int64_t value, wchar_t* buffer, size_t size, int radix);
errno_t _ui64tow_s(uint64_t value, wchar_t* buffer, size_t size, int radix);
errno_t _itoa_s(int value, char* buffer, size_t size, int radix);
template <size_t N>
errno_t _itow_s(int value, wchar_t (&buffer)[N], int radix) {
  return _itow_s(value, buffer, N, radix);
}
template <size_t N>
errno_t _itoa_s(int value, char (&buffer)[N], int radix) {
  return _itoa_s(value, buffer, N, radix);
}

// ---------------------------------------------------------------- compare and case
// Case folding goes through towlower, so non-ASCII letters compare without case too.
int _wcsicmp(const wchar_t* a, const wchar_t* b);
int _wcsnicmp(const wchar_t* a, const wchar_t* b, size_t n);
int _stricmp(const char* a, const char* b);
int _strnicmp(const char* a, const char* b, size_t n);
int _wcsicoll(const wchar_t* a, const wchar_t* b);
wchar_t* _wcslwr(wchar_t* s);
wchar_t* _wcsupr(wchar_t* s);
errno_t _wcslwr_s(wchar_t* s, size_t size);
errno_t _wcsupr_s(wchar_t* s, size_t size);
char* _strlwr(char* s);
char* _strupr(char* s);
wchar_t* _wcsdup(const wchar_t* s);  // free() it
char* _strdup(const char* s);        // free() it

// ---------------------------------------------------------------- secure copies
errno_t wcscpy_s(wchar_t* dst, size_t size, const wchar_t* src);
errno_t wcsncpy_s(wchar_t* dst, size_t size, const wchar_t* src, size_t count);
errno_t wcscat_s(wchar_t* dst, size_t size, const wchar_t* src);
errno_t wcsncat_s(wchar_t* dst, size_t size, const wchar_t* src, size_t count);
errno_t strcpy_s(char* dst, size_t size, const char* src);
errno_t strncpy_s(char* dst, size_t size, const char* src, size_t count);
errno_t strcat_s(char* dst, size_t size, const char* src);
errno_t strncat_s(char* dst, size_t size, const char* src, size_t count);
template <size_t N>
errno_t wcscpy_s(wchar_t (&dst)[N], const wchar_t* src) {
  return wcscpy_s(dst, N, src);
}
template <size_t N>
errno_t wcsncpy_s(wchar_t (&dst)[N], const wchar_t* src, size_t count) {
  return wcsncpy_s(dst, N, src, count);
}
template <size_t N>
errno_t wcscat_s(wchar_t (&dst)[N], const wchar_t* src) {
  return wcscat_s(dst, N, src);
}
template <size_t N>
errno_t strcpy_s(char (&dst)[N], const char* src) {
  return strcpy_s(dst, N, src);
}
template <size_t N>
errno_t strncpy_s(char (&dst)[N], const char* src, size_t count) {
  return strncpy_s(dst, N, src, count);
}
template <size_t N>
errno_t strcat_s(char (&dst)[N], const char* src) {
  return strcat_s(dst, N, src);
}

// ---------------------------------------------------------------- kernel/user string API
int lstrlenW(LPCWSTR s);  // a null pointer has length 0
LPWSTR lstrcpyW(LPWSTR dst, LPCWSTR src);
LPWSTR lstrcpynW(LPWSTR dst, LPCWSTR src, int maxChars);  // always terminated
LPWSTR lstrcatW(LPWSTR dst, LPCWSTR src);
int lstrcmpW(LPCWSTR a, LPCWSTR b);   // -1, 0 or 1; ordinal
int lstrcmpiW(LPCWSTR a, LPCWSTR b);  // -1, 0 or 1; ordinal after towlower
int lstrlenA(LPCSTR s);
LPSTR lstrcpyA(LPSTR dst, LPCSTR src);
LPSTR lstrcpynA(LPSTR dst, LPCSTR src, int maxChars);
LPSTR lstrcatA(LPSTR dst, LPCSTR src);
int lstrcmpA(LPCSTR a, LPCSTR b);
int lstrcmpiA(LPCSTR a, LPCSTR b);
// A pointer whose high bits are zero is one character, converted and returned as such.
LPWSTR CharLowerW(LPWSTR s);
LPWSTR CharUpperW(LPWSTR s);
DWORD CharLowerBuffW(LPWSTR s, DWORD n);
DWORD CharUpperBuffW(LPWSTR s, DWORD n);
LPWSTR CharNextW(LPCWSTR s);  // stays on the terminator
LPWSTR CharPrevW(LPCWSTR start, LPCWSTR current);
BOOL IsCharAlphaW(WCHAR c);
BOOL IsCharAlphaNumericW(WCHAR c);
BOOL IsCharLowerW(WCHAR c);
BOOL IsCharUpperW(WCHAR c);

// Any program that includes this header links the layer's text start-up, which sets the
// locale before main().
namespace jf {
extern const int kTextLocaleAnchor;
}
static const int* const jf_text_locale_anchor __attribute__((used)) = &jf::kTextLocaleAnchor;
