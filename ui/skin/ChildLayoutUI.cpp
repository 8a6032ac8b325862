#include "ui/skin/ChildLayoutUI.h"

#include <cwchar>

#include "ui/skin/SkinBuilder.h"

namespace SkinUI {

CChildLayoutUI::CChildLayoutUI() = default;
CChildLayoutUI::~CChildLayoutUI() = default;

LPCWSTR CChildLayoutUI::GetClass() const { return L"ChildLayoutUI"; }

// Not a container to the builder: its children come from its file.
LPVOID CChildLayoutUI::GetInterface(LPCWSTR name) {
  if (name && wcscmp(name, L"ChildLayout") == 0) return static_cast<CChildLayoutUI*>(this);
  return CControlUI::GetInterface(name);
}

void CChildLayoutUI::Init() {
  if (m_xmlFile.IsEmpty()) return;
  CSkinBuilder builder;
  CControlUI* child = builder.Create(m_xmlFile.GetData(), nullptr, nullptr, m_manager, nullptr);
  if (child != nullptr) {
    Add(child);
  } else {
    RemoveAll();
  }
}

void CChildLayoutUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  if (name && wcscmp(name, L"xmlfile") == 0) {
    SetChildLayoutXML(value);
  } else {
    CContainerUI::SetAttribute(name, value);
  }
}

}  // namespace SkinUI
