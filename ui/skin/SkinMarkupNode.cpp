#include "ui/skin/SkinMarkupNode.h"

#include <cwchar>

#include "ui/skin/SkinMarkup.h"

namespace SkinUI {

namespace {
bool IsBlank(wchar_t c) { return c > 0 && c <= 32; }
}  // namespace

LPCWSTR CSkinMarkupNode::GetName() const {
  if (!m_owner) return nullptr;
  return m_owner->m_text + m_owner->m_elements[m_index].name;
}

LPCWSTR CSkinMarkupNode::GetValue() const {
  if (!m_owner) return nullptr;
  return m_owner->m_text + m_owner->m_elements[m_index].data;
}

CSkinMarkupNode CSkinMarkupNode::GetParent() {
  if (!m_owner) return CSkinMarkupNode();
  ULONG parent = m_owner->m_elements[m_index].parent;
  return parent ? CSkinMarkupNode(m_owner, static_cast<int>(parent)) : CSkinMarkupNode();
}

CSkinMarkupNode CSkinMarkupNode::GetChild() {
  if (!m_owner) return CSkinMarkupNode();
  ULONG child = m_owner->m_elements[m_index].child;
  return child ? CSkinMarkupNode(m_owner, static_cast<int>(child)) : CSkinMarkupNode();
}

CSkinMarkupNode CSkinMarkupNode::GetSibling() {
  if (!m_owner) return CSkinMarkupNode();
  ULONG next = m_owner->m_elements[m_index].next;
  return next ? CSkinMarkupNode(m_owner, static_cast<int>(next)) : CSkinMarkupNode();
}

bool CSkinMarkupNode::HasChildren() const { return m_owner && m_owner->m_elements[m_index].child != 0; }

bool CSkinMarkupNode::HasSiblings() const { return m_owner && m_owner->m_elements[m_index].next != 0; }

void CSkinMarkupNode::MapAttributes() {
  if (m_mapped || !m_owner) return;
  m_mapped = true;
  m_count = 0;
  const wchar_t* text = m_owner->m_text;
  ULONG name = m_owner->m_elements[m_index].name;
  ULONG end = m_owner->m_elements[m_index].data;
  ULONG pos = name + static_cast<ULONG>(wcslen(text + name)) + 1;
  while (pos < end) {
    while (pos < end && IsBlank(text[pos])) ++pos;
    if (pos >= end) break;
    ULONG attrName = pos;
    pos += static_cast<ULONG>(wcslen(text + pos)) + 1;
    while (pos < end && IsBlank(text[pos])) ++pos;
    if (pos >= end || text[pos] != L'"') break;
    ++pos;
    m_attributes[m_count][0] = attrName;
    m_attributes[m_count][1] = pos;
    if (++m_count == kMaxAttributes) break;
    pos += static_cast<ULONG>(wcslen(text + pos)) + 1;
  }
}

int CSkinMarkupNode::GetAttributeCount() {
  MapAttributes();
  return m_count;
}

bool CSkinMarkupNode::HasAttributes() { return GetAttributeCount() > 0; }

LPCWSTR CSkinMarkupNode::GetAttributeName(int index) {
  if (!m_owner) return nullptr;
  MapAttributes();
  if (index < 0 || index >= m_count) return L"";
  return m_owner->m_text + m_attributes[index][0];
}

LPCWSTR CSkinMarkupNode::GetAttributeValue(int index) {
  if (!m_owner) return nullptr;
  MapAttributes();
  if (index < 0 || index >= m_count) return L"";
  return m_owner->m_text + m_attributes[index][1];
}

LPCWSTR CSkinMarkupNode::GetAttributeValue(LPCWSTR name) {
  if (!m_owner || !name) return nullptr;
  MapAttributes();
  for (int i = 0; i < m_count; ++i) {
    if (wcscmp(m_owner->m_text + m_attributes[i][0], name) == 0) return m_owner->m_text + m_attributes[i][1];
  }
  return nullptr;
}

bool CSkinMarkupNode::GetAttributeValue(LPCWSTR name, LPWSTR buffer, SIZE_T cchMax) {
  LPCWSTR value = GetAttributeValue(name);
  if (!value || !buffer || cchMax == 0) return false;
  wcsncpy(buffer, value, cchMax - 1);
  return true;
}

}  // namespace SkinUI
