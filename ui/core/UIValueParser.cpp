#include "ui/core/UIValueParser.h"

#include <climits>
#include <cwchar>

#include "ui/core/UIExtent.h"

namespace SkinUI {

int CUIValueParser::ReadInt(const wchar_t* text, const wchar_t** end) {
  if (!text) {
    if (end) *end = nullptr;
    return 0;
  }
  wchar_t* stop = nullptr;
  long long value = wcstoll(text, &stop, 10);
  if (end) *end = stop;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

int CUIValueParser::ReadExtent(const wchar_t* text) { return CUIExtent::Bound(ReadInt(text)); }

int CUIValueParser::ReadIntList(const wchar_t* text, int* values, int count) {
  for (int i = 0; i < count; ++i) values[i] = 0;
  if (!text) return 0;
  const wchar_t* p = text;
  int read = 0;
  while (read < count && *p != L'\0') {
    const wchar_t* stop = p;
    values[read++] = CUIExtent::Bound(ReadInt(p, &stop));
    // Exactly one separator follows; the end of the text ends the list.
    if (*stop == L'\0') break;
    p = stop + 1;
  }
  return read;
}

RECT CUIValueParser::ReadRect(const wchar_t* text) {
  int v[4];
  ReadIntList(text, v, 4);
  RECT rc = {v[0], v[1], v[2], v[3]};
  return rc;
}

SIZE CUIValueParser::ReadSize(const wchar_t* text) {
  int v[2];
  ReadIntList(text, v, 2);
  SIZE sz = {v[0], v[1]};
  return sz;
}

DWORD CUIValueParser::ReadHex(const wchar_t* text, const wchar_t** end) {
  if (!text) {
    if (end) *end = nullptr;
    return 0;
  }
  wchar_t* stop = nullptr;
  const wchar_t* p = text;
  while (*p == L' ' || *p == L'\t') ++p;
  bool negative = *p == L'-';
  unsigned long long value = wcstoull(text, &stop, 16);
  if (end) *end = stop;
  // A 32-bit conversion saturates at its maximum; a negated value wraps as it would there.
  if (!negative && value > 0xFFFFFFFFull) return 0xFFFFFFFFu;
  return static_cast<DWORD>(value);
}

DWORD CUIValueParser::ReadColor(const wchar_t* text) {
  if (!text) return 0;
  if (*text == L'#') ++text;
  return ReadHex(text);
}

bool CUIValueParser::ReadBool(const wchar_t* text) { return text && wcscmp(text, L"true") == 0; }

}  // namespace SkinUI
