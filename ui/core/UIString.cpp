#include "ui/core/UIString.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>

namespace SkinUI {

namespace {
const wchar_t* Safe(const wchar_t* text) { return text ? text : L""; }
// A format whose expansion never fits (an encoding fault) must not grow the buffer for ever.
const size_t kFormatLimit = 16u * 1024u * 1024u;
}  // namespace

CUIString::CUIString() : m_pstr(m_szBuffer) { m_szBuffer[0] = L'\0'; }

CUIString::CUIString(const wchar_t* text, int length) : m_pstr(m_szBuffer) {
  m_szBuffer[0] = L'\0';
  Assign(text, length);
}

CUIString::CUIString(wchar_t ch) : m_pstr(m_szBuffer) {
  m_szBuffer[0] = ch;
  m_szBuffer[1] = L'\0';
}

CUIString::CUIString(const CUIString& other) : m_pstr(m_szBuffer) {
  m_szBuffer[0] = L'\0';
  Assign(other.m_pstr, -1);
}

CUIString::~CUIString() {
  if (OnHeap()) free(m_pstr);
}

int CUIString::GetLength() const { return static_cast<int>(wcslen(m_pstr)); }

void CUIString::Assign(const wchar_t* text, int length) {
  text = Safe(text);
  if (length < 0) length = static_cast<int>(wcslen(text));
  // The source may be part of this string (s = s.Mid(...)): copy through a temporary then.
  if (text >= m_pstr && text <= m_pstr + GetLength()) {
    CUIString copy(text, -1);
    Assign(copy.m_pstr, length);
    return;
  }
  int current = GetLength();
  if (length < kHeapLimit) {
    if (OnHeap()) {
      free(m_pstr);
      m_pstr = m_szBuffer;
    }
  } else if (length > current || !OnHeap()) {
    size_t bytes = (static_cast<size_t>(length) + 1) * sizeof(wchar_t);
    void* block = OnHeap() ? realloc(m_pstr, bytes) : malloc(bytes);
    if (!block) return;  // out of memory: the old text stays
    m_pstr = static_cast<wchar_t*>(block);
  }
  // At most `length` characters; a shorter source leaves zeros behind it.
  size_t src = wcsnlen(text, static_cast<size_t>(length));
  memcpy(m_pstr, text, src * sizeof(wchar_t));
  for (int i = static_cast<int>(src); i <= length; ++i) m_pstr[i] = L'\0';
}

void CUIString::Append(const wchar_t* text) {
  text = Safe(text);
  int old = GetLength();
  int add = static_cast<int>(wcslen(text));
  if (add == 0) return;
  int total = old + add;
  if (text >= m_pstr && text <= m_pstr + old) {
    CUIString copy(text);
    Append(copy.m_pstr);
    return;
  }
  if (total >= kHeapLimit) {
    size_t bytes = (static_cast<size_t>(total) + 1) * sizeof(wchar_t);
    if (OnHeap()) {
      void* block = realloc(m_pstr, bytes);
      if (!block) return;
      m_pstr = static_cast<wchar_t*>(block);
    } else {
      wchar_t* block = static_cast<wchar_t*>(malloc(bytes));
      if (!block) return;
      memcpy(block, m_szBuffer, (static_cast<size_t>(old) + 1) * sizeof(wchar_t));
      m_pstr = block;
    }
  }
  memcpy(m_pstr + old, text, (static_cast<size_t>(add) + 1) * sizeof(wchar_t));
}

void CUIString::Empty() {
  if (OnHeap()) free(m_pstr);
  m_pstr = m_szBuffer;
  m_szBuffer[0] = L'\0';
}

wchar_t CUIString::GetAt(int index) const {
  if (index < 0 || index >= GetLength()) return L'\0';
  return m_pstr[index];
}

void CUIString::SetAt(int index, wchar_t ch) {
  if (index < 0 || index >= GetLength() || ch == L'\0') return;
  m_pstr[index] = ch;
}

CUIString& CUIString::operator=(const CUIString& other) {
  if (this != &other) Assign(other.m_pstr, -1);
  return *this;
}

CUIString& CUIString::operator=(const wchar_t* text) {
  if (!text) {
    Empty();
  } else {
    Assign(text, -1);
  }
  return *this;
}

CUIString& CUIString::operator=(wchar_t ch) {
  Empty();
  m_szBuffer[0] = ch;
  m_szBuffer[1] = L'\0';
  return *this;
}

CUIString& CUIString::operator+=(const CUIString& other) {
  Append(other.m_pstr);
  return *this;
}

CUIString& CUIString::operator+=(const wchar_t* text) {
  if (text) Append(text);
  return *this;
}

CUIString& CUIString::operator+=(wchar_t ch) {
  wchar_t one[2] = {ch, L'\0'};
  Append(one);
  return *this;
}

CUIString CUIString::operator+(const CUIString& other) const {
  CUIString result(*this);
  result.Append(other.m_pstr);
  return result;
}

CUIString CUIString::operator+(const wchar_t* text) const {
  CUIString result(*this);
  if (text) result.Append(text);
  return result;
}

int CUIString::Compare(const wchar_t* text) const { return wcscmp(m_pstr, Safe(text)); }

int CUIString::CompareNoCase(const wchar_t* text) const {
  const wchar_t* a = m_pstr;
  const wchar_t* b = Safe(text);
  for (;; ++a, ++b) {
    wint_t ca = towlower(static_cast<wint_t>(*a));
    wint_t cb = towlower(static_cast<wint_t>(*b));
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == 0) return 0;
  }
}

CUIString CUIString::Left(int n) const {
  int length = GetLength();
  if (n < 0) n = 0;
  if (n > length) n = length;
  return CUIString(m_pstr, n);
}

CUIString CUIString::Mid(int pos, int n) const {
  int length = GetLength();
  // Positions outside the text are clamped, so nothing outside the buffer is read.
  if (pos < 0) pos = 0;
  if (pos > length) pos = length;
  if (n < 0 || n > length - pos) n = length - pos;
  if (n <= 0) return CUIString();
  return CUIString(m_pstr + pos, n);
}

CUIString CUIString::Right(int n) const {
  int length = GetLength();
  if (n < 0) n = 0;
  if (n > length) n = length;
  return CUIString(m_pstr + length - n, n);
}

int CUIString::Find(wchar_t ch, int pos) const {
  if (pos != 0 && (pos < 0 || pos > GetLength())) return -1;
  const wchar_t* hit = wcschr(m_pstr + pos, ch);
  if (!hit || ch == L'\0') return -1;
  return static_cast<int>(hit - m_pstr);
}

int CUIString::Find(const wchar_t* sub, int pos) const {
  if (pos != 0 && (pos < 0 || pos > GetLength())) return -1;
  const wchar_t* hit = wcsstr(m_pstr + pos, Safe(sub));
  if (!hit) return -1;
  return static_cast<int>(hit - m_pstr);
}

int CUIString::ReverseFind(wchar_t ch) const {
  const wchar_t* hit = wcsrchr(m_pstr, ch);
  if (!hit || ch == L'\0') return -1;
  return static_cast<int>(hit - m_pstr);
}

int CUIString::Replace(const wchar_t* from, const wchar_t* to) {
  from = Safe(from);
  to = Safe(to);
  int fromLength = static_cast<int>(wcslen(from));
  // An empty pattern matches everywhere and would never end.
  if (fromLength == 0) return 0;
  CUIString pattern(from);
  CUIString replacement(to);
  int toLength = replacement.GetLength();
  int count = 0;
  int hit = Find(pattern.m_pstr, 0);
  while (hit >= 0) {
    CUIString rebuilt = Left(hit);
    rebuilt += replacement;
    rebuilt += Mid(hit + fromLength);
    Assign(rebuilt.m_pstr, -1);
    ++count;
    hit = Find(pattern.m_pstr, hit + toLength);
  }
  return count;
}

int CUIString::Format(const wchar_t* format, ...) {
  size_t chars = 256;
  wchar_t* buffer = static_cast<wchar_t*>(calloc(chars, sizeof(wchar_t)));
  if (!buffer) return -1;
  int result = -1;
  for (;;) {
    va_list args;
    va_start(args, format);
    result = _vsnwprintf(buffer, chars, Safe(format), args);
    va_end(args);
    size_t grown;
    if (result < 0) {
      grown = chars * 2;
    } else if (static_cast<size_t>(result) >= chars) {
      grown = chars + 1;  // fitted without its terminator
    } else {
      break;
    }
    if (grown > kFormatLimit) {
      buffer[chars - 1] = L'\0';
      break;
    }
    wchar_t* bigger = static_cast<wchar_t*>(calloc(grown, sizeof(wchar_t)));
    if (!bigger) {
      buffer[chars - 1] = L'\0';
      break;
    }
    free(buffer);
    buffer = bigger;
    chars = grown;
  }
  Assign(buffer, -1);
  free(buffer);
  return result;
}

int CUIString::SmallFormat(const wchar_t* format, ...) {
  wchar_t buffer[64] = {};
  va_list args;
  va_start(args, format);
  int result = _vsnwprintf(buffer, 63, Safe(format), args);
  va_end(args);
  buffer[63] = L'\0';
  Assign(buffer, -1);
  return result;
}

}  // namespace SkinUI
