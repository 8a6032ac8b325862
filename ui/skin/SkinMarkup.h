// Reads one skin XML document into an element index over its own decoded copy of the text:
// elements, double-quoted attributes, text, the five named entities; comments and
// declarations are skipped.
#pragma once

#include <windows.h>

#include "ui/skin/SkinMarkupNode.h"

namespace SkinUI {

struct SkinMarkupElement {
  ULONG name;
  ULONG child;
  ULONG next;
  ULONG parent;
  ULONG data;
};

class CSkinMarkup {
 public:
  enum : DWORD { kMaxFileSize = 0x400000 };
  enum { kMaxDepth = 256 };

  CSkinMarkup();
  ~CSkinMarkup();
  CSkinMarkup(const CSkinMarkup&) = delete;
  CSkinMarkup& operator=(const CSkinMarkup&) = delete;

  bool Load(LPCWSTR text);
  bool LoadFromMem(const BYTE* bytes, DWORD size);
  bool LoadFromFile(LPCWSTR name);
  void Release();
  bool IsValid() const { return m_elements != nullptr && m_count > 1; }

  void SetPreserveWhitespace(bool preserve) { m_preserveWhitespace = preserve; }
  LPCWSTR GetLastErrorMessage() const { return m_errorMessage; }
  LPCWSTR GetLastErrorLocation() const { return m_errorSnippet; }
  CSkinMarkupNode GetRoot();

 private:
  friend class CSkinMarkupNode;

  bool Parse();
  bool ParseLevel(wchar_t*& p, ULONG parent, int depth);
  bool ParseAttributes(wchar_t*& p);
  wchar_t* DecodeText(wchar_t*& p, wchar_t delimiter);
  ULONG Reserve();
  bool Fail(LPCWSTR message, const wchar_t* at);
  bool FailLoad(LPCWSTR message);

  wchar_t* m_text = nullptr;
  ULONG m_length = 0;
  SkinMarkupElement* m_elements = nullptr;
  ULONG m_count = 0;
  ULONG m_capacity = 0;
  bool m_preserveWhitespace = true;
  wchar_t m_errorMessage[100];
  wchar_t m_errorSnippet[50];
};

}  // namespace SkinUI
