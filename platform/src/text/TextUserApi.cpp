// The string functions of the Windows kernel and user libraries (lstr*, Char*, IsChar*).
// Windows compares linguistically here; the layer compares ordinally, after towlower for
// the case-insensitive forms, which agrees for the names and keys the program compares.
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <cwctype>

#include <windows/text.h>

namespace {

int Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

template <typename Ch>
int Length(const Ch* s) {
  return s ? int(std::char_traits<Ch>::length(s)) : 0;
}

template <typename Ch>
Ch* CopyAt(Ch* dst, const Ch* src, bool append) {
  if (!dst || !src) return nullptr;
  Ch* at = append ? dst + std::char_traits<Ch>::length(dst) : dst;
  std::char_traits<Ch>::copy(at, src, std::char_traits<Ch>::length(src) + 1);
  return dst;
}

template <typename Ch>
Ch* CopyBounded(Ch* dst, const Ch* src, int maxChars) {
  if (!dst || !src) return nullptr;
  if (maxChars <= 0) return dst;
  int i = 0;
  for (; i < maxChars - 1 && src[i]; ++i) dst[i] = src[i];
  dst[i] = 0;
  return dst;
}

// A null pointer sorts before every string, as in Windows.
template <typename Ch, typename F>
int Compare(const Ch* a, const Ch* b, F fold) {
  if (!a || !b) return (a ? 1 : 0) - (b ? 1 : 0);
  for (;; ++a, ++b) {
    uint32_t ca = fold(*a), cb = fold(*b);
    if (ca != cb) return ca < cb ? -1 : 1;
    if (!ca) return 0;
  }
}

uint32_t Same(wchar_t c) { return uint32_t(c); }
uint32_t Folded(wchar_t c) { return uint32_t(towlower(wint_t(c))); }
uint32_t SameA(char c) { return static_cast<unsigned char>(c); }
uint32_t FoldedA(char c) {
  return (c >= 'A' && c <= 'Z') ? uint32_t(c - 'A' + 'a') : static_cast<unsigned char>(c);
}

bool IsCharacterNotPointer(LPCWSTR s) { return (reinterpret_cast<uintptr_t>(s) >> 16) == 0; }

template <typename F>
LPWSTR ConvertCase(LPWSTR s, F convert) {
  if (IsCharacterNotPointer(s)) {
    uintptr_t c = reinterpret_cast<uintptr_t>(s);
    return reinterpret_cast<LPWSTR>(uintptr_t(convert(wint_t(c))));
  }
  for (wchar_t* p = s; *p; ++p) *p = wchar_t(convert(wint_t(*p)));
  return s;
}

template <typename F>
DWORD ConvertBuffer(LPWSTR s, DWORD n, F convert) {
  if (!s) return 0;
  for (DWORD i = 0; i < n; ++i) s[i] = wchar_t(convert(wint_t(s[i])));
  return n;
}

}  // namespace

int lstrlenW(LPCWSTR s) { return Length(s); }
LPWSTR lstrcpyW(LPWSTR dst, LPCWSTR src) { return CopyAt(dst, src, false); }
LPWSTR lstrcpynW(LPWSTR dst, LPCWSTR src, int maxChars) { return CopyBounded(dst, src, maxChars); }
LPWSTR lstrcatW(LPWSTR dst, LPCWSTR src) { return CopyAt(dst, src, true); }
int lstrcmpW(LPCWSTR a, LPCWSTR b) { return Sign(Compare(a, b, Same)); }
int lstrcmpiW(LPCWSTR a, LPCWSTR b) { return Sign(Compare(a, b, Folded)); }
int lstrlenA(LPCSTR s) { return Length(s); }
LPSTR lstrcpyA(LPSTR dst, LPCSTR src) { return CopyAt(dst, src, false); }
LPSTR lstrcpynA(LPSTR dst, LPCSTR src, int maxChars) { return CopyBounded(dst, src, maxChars); }
LPSTR lstrcatA(LPSTR dst, LPCSTR src) { return CopyAt(dst, src, true); }
int lstrcmpA(LPCSTR a, LPCSTR b) { return Sign(Compare(a, b, SameA)); }
int lstrcmpiA(LPCSTR a, LPCSTR b) { return Sign(Compare(a, b, FoldedA)); }

LPWSTR CharLowerW(LPWSTR s) { return ConvertCase(s, towlower); }
LPWSTR CharUpperW(LPWSTR s) { return ConvertCase(s, towupper); }

DWORD CharLowerBuffW(LPWSTR s, DWORD n) { return ConvertBuffer(s, n, towlower); }
DWORD CharUpperBuffW(LPWSTR s, DWORD n) { return ConvertBuffer(s, n, towupper); }

LPWSTR CharNextW(LPCWSTR s) {
  if (!s) return nullptr;
  return const_cast<LPWSTR>(*s ? s + 1 : s);
}

LPWSTR CharPrevW(LPCWSTR start, LPCWSTR current) {
  if (!start || !current) return nullptr;
  return const_cast<LPWSTR>(current > start ? current - 1 : start);
}

BOOL IsCharAlphaW(WCHAR c) { return iswalpha(wint_t(c)) ? TRUE : FALSE; }
BOOL IsCharAlphaNumericW(WCHAR c) { return iswalnum(wint_t(c)) ? TRUE : FALSE; }
BOOL IsCharLowerW(WCHAR c) { return iswlower(wint_t(c)) ? TRUE : FALSE; }
BOOL IsCharUpperW(WCHAR c) { return iswupper(wint_t(c)) ? TRUE : FALSE; }
