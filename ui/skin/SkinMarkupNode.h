// A handle on one element of a parsed skin document: its name, children, siblings and
// attributes (the first 64), all pointing into the markup's decoded text.
#pragma once

#include <windows.h>

namespace SkinUI {

class CSkinMarkup;

class CSkinMarkupNode {
 public:
  enum { kMaxAttributes = 64 };

  CSkinMarkupNode() = default;
  CSkinMarkupNode(CSkinMarkup* owner, int index) : m_owner(owner), m_index(index) {}

  bool IsValid() const { return m_owner != nullptr; }
  LPCWSTR GetName() const;
  LPCWSTR GetValue() const;
  CSkinMarkupNode GetParent();
  CSkinMarkupNode GetChild();
  CSkinMarkupNode GetSibling();
  bool HasChildren() const;
  bool HasSiblings() const;
  int GetAttributeCount();
  bool HasAttributes();
  LPCWSTR GetAttributeName(int index);
  LPCWSTR GetAttributeValue(int index);
  LPCWSTR GetAttributeValue(LPCWSTR name);
  // Copies at most cchMax - 1 characters (500 by the builder) into the caller's zeroed buffer.
  bool GetAttributeValue(LPCWSTR name, LPWSTR buffer, SIZE_T cchMax = 500);

 private:
  void MapAttributes();

  CSkinMarkup* m_owner = nullptr;
  int m_index = 0;
  int m_count = 0;
  bool m_mapped = false;
  ULONG m_attributes[kMaxAttributes][2] = {};
};

}  // namespace SkinUI
