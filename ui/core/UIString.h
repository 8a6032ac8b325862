// The framework's wide string. Short texts (names, attribute values, most image strings)
// live in an inline buffer, so they cost no heap block.
#pragma once

#include <windows.h>

namespace SkinUI {

class CUIString {
 public:
  enum { kInlineSize = 164, kHeapLimit = 163 };

  CUIString();
  CUIString(const wchar_t* text, int length = -1);
  CUIString(wchar_t ch);
  CUIString(const CUIString& other);
  ~CUIString();

  void Assign(const wchar_t* text, int length = -1);
  void Append(const wchar_t* text);
  void Empty();

  bool IsEmpty() const { return m_pstr[0] == L'\0'; }
  int GetLength() const;
  const wchar_t* GetData() const { return m_pstr; }
  operator const wchar_t*() const { return m_pstr; }
  wchar_t GetAt(int index) const;
  wchar_t operator[](int index) const { return GetAt(index); }
  void SetAt(int index, wchar_t ch);

  CUIString& operator=(const CUIString& other);
  CUIString& operator=(const wchar_t* text);
  CUIString& operator=(wchar_t ch);
  CUIString& operator+=(const CUIString& other);
  CUIString& operator+=(const wchar_t* text);
  CUIString& operator+=(wchar_t ch);
  CUIString operator+(const CUIString& other) const;
  CUIString operator+(const wchar_t* text) const;

  bool operator==(const wchar_t* text) const { return Compare(text) == 0; }
  bool operator!=(const wchar_t* text) const { return Compare(text) != 0; }
  bool operator<(const wchar_t* text) const { return Compare(text) < 0; }
  int Compare(const wchar_t* text) const;
  int CompareNoCase(const wchar_t* text) const;

  CUIString Left(int n) const;
  CUIString Mid(int pos, int n = -1) const;
  CUIString Right(int n) const;
  int Find(wchar_t ch, int pos = 0) const;
  int Find(const wchar_t* sub, int pos = 0) const;
  int ReverseFind(wchar_t ch) const;
  int Replace(const wchar_t* from, const wchar_t* to);

  int Format(const wchar_t* format, ...);
  int SmallFormat(const wchar_t* format, ...);

 private:
  // True when the text lives in a heap block of its own.
  bool OnHeap() const { return m_pstr != m_szBuffer; }

  wchar_t* m_pstr;
  wchar_t m_szBuffer[kInlineSize];
};

}  // namespace SkinUI
