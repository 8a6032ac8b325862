#include "ui/list/MenuUI.h"

#include <cwchar>

#include "ui/base/IContainerUI.h"
#include "ui/list/ListHeaderUI.h"

namespace SkinUI {

CMenuUI::CMenuUI() { GetHeader()->SetVisible(false); }

CMenuUI::~CMenuUI() = default;

LPCWSTR CMenuUI::GetClass() const { return L"MenuUI"; }

LPVOID CMenuUI::GetInterface(LPCWSTR name) {
  if (name && _wcsicmp(name, L"Menu") == 0) return static_cast<CMenuUI*>(this);
  return CListUI::GetInterface(name);
}

void CMenuUI::DoEvent(UIEventRecord& event) { CListUI::DoEvent(event); }

void CMenuUI::SetAttribute(LPCWSTR name, LPCWSTR value) { CListUI::SetAttribute(name, value); }

SIZE CMenuUI::EstimateSize(SIZE available) {
  SIZE sz = {0, 0};
  for (int i = 0; i < GetCount(); ++i) {
    CControlUI* item = GetItemAt(i);
    if (!item->IsVisible()) continue;
    SIZE one = item->EstimateSize(available);
    if (one.cx > sz.cx) sz.cx = one.cx;
    sz.cy += one.cy;
  }
  return sz;
}

bool CMenuUI::IsMenuElement(CControlUI* control) { return control && control->GetInterface(L"MenuElement"); }

void CMenuUI::HideSubItems(CControlUI* element) {
  IContainerUI* box = static_cast<IContainerUI*>(element->GetInterface(L"IContainer"));
  if (!box) return;
  for (int i = 0; i < box->GetCount(); ++i) {
    CControlUI* sub = box->GetItemAt(i);
    if (IsMenuElement(sub)) sub->SetInternVisible(false);
  }
}

int CMenuUI::GetItemIndex(CControlUI* control) const {
  return IsMenuElement(control) ? CListUI::GetItemIndex(control) : -1;
}

bool CMenuUI::SetItemIndex(CControlUI* control, int index) {
  return IsMenuElement(control) && CListUI::SetItemIndex(control, index);
}

bool CMenuUI::Add(CControlUI* control) {
  if (!IsMenuElement(control)) return false;
  HideSubItems(control);
  return CListUI::Add(control);
}

bool CMenuUI::AddAt(CControlUI* control, int index) {
  if (!IsMenuElement(control)) return false;
  HideSubItems(control);
  return CListUI::AddAt(control, index);
}

bool CMenuUI::Remove(CControlUI* control) { return IsMenuElement(control) && CListUI::Remove(control); }

}  // namespace SkinUI
