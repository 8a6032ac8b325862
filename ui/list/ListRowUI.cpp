#include "ui/list/ListRowUI.h"

#include "ui/base/ScrollBarUI.h"
#include "ui/base/ContainerUI.h"
#include "ui/list/IListItemUI.h"
#include "ui/list/IListOwnerUI.h"
#include "ui/list/UIListInfo.h"
#include "ui/render/SkinRenderer.h"
#include "ui/base/WindowManagerUI.h"

namespace SkinUI {

void CListRowUI::DrawBk(CControlUI* row, HDC hdc, const RECT& rc, IListOwnerUI* owner, int index, bool selected,
                        UINT state) {
  if (!owner) return;
  UIListInfo* info = owner->GetListInfo();
  if (!info) return;
  bool odd = info->alternateBk && (index % 2) != 0;
  bool hot = (state & UISTATE_HOT) != 0;
  bool enabled = row->IsEnabled();
  DWORD color = odd ? 0 : info->bkColor;
  if (hot) color = info->hotBkColor;
  if (selected) color = info->selectedBkColor;
  if (!enabled) color = info->disabledBkColor;
  if (color != 0) CSkinRenderer::DrawColor(hdc, rc, row->GetAdjustColor(color));

  struct StateImage {
    bool applies;
    CUIString* image;
  };
  StateImage images[] = {{!enabled, &info->disabledImage}, {selected, &info->selectedImage}, {hot, &info->hotImage}};
  for (StateImage& s : images) {
    if (!s.applies || s.image->IsEmpty()) continue;
    if (row->DrawImage(hdc, *s.image)) return;
    s.image->Empty();
  }
  // The row's own image; an odd row of an alternating list shows none.
  CUIString own = row->GetBkImage();
  if (!own.IsEmpty()) {
    if (!odd && !row->DrawImage(hdc, own)) row->SetBkImage(L"");
  } else if (!info->bkImage.IsEmpty()) {
    if (row->DrawImage(hdc, info->bkImage)) return;
    info->bkImage.Empty();
  }
  if (info->lineColor != 0) {
    RECT line = {rc.left, rc.bottom - 1, rc.right, rc.bottom - 1};
    CSkinRenderer::DrawLine(hdc, line, 1, row->GetAdjustColor(info->lineColor));
  }
}

bool CListRowUI::Invalidate(CControlUI* row) {
  CControlUI* parent = row->GetParent();
  if (!parent || !parent->GetInterface(L"Container")) return false;
  if (!row->IsVisible()) return true;
  CContainerUI* box = static_cast<CContainerUI*>(parent->GetInterface(L"Container"));
  RECT area = parent->GetPos();
  RECT inset = box->GetInset();
  area.left += inset.left;
  area.top += inset.top;
  area.right -= inset.right;
  area.bottom -= inset.bottom;
  CScrollBarUI* v = box->GetVerticalScrollBar();
  if (v && v->IsVisible()) area.right -= v->GetFixedWidth();
  CScrollBarUI* h = box->GetHorizontalScrollBar();
  if (h && h->IsVisible()) area.bottom -= h->GetFixedHeight();
  RECT rc;
  if (!IntersectRect(&rc, &row->GetPos(), &area)) return true;
  for (CControlUI* p = parent->GetParent(); p; p = p->GetParent()) {
    if (!IntersectRect(&rc, &rc, &p->GetPos())) return true;
  }
  if (row->GetManager()) row->GetManager()->Invalidate(rc);
  return true;
}

DWORD CListRowUI::TextColor(IListOwnerUI* owner, bool hot, bool selected, bool enabled) {
  UIListInfo* info = owner->GetListInfo();
  DWORD color = info->textColor;
  if (hot) color = info->hotTextColor;
  if (selected) color = info->selectedTextColor;
  if (!enabled) color = info->disabledTextColor;
  return color;
}

bool CListRowUI::IsMouseEvent(const UIEventRecord& event) {
  return event.type > UIEVENT__MOUSEBEGIN && event.type < UIEVENT__MOUSEEND;
}

IListOwnerUI* CListRowUI::OwnerOf(CControlUI* control) {
  return control ? static_cast<IListOwnerUI*>(control->GetInterface(L"IListOwner")) : nullptr;
}

void CListRowUI::Detach(CControlUI* control) {
  auto* row = control ? static_cast<IListItemUI*>(control->GetInterface(L"ListItem")) : nullptr;
  if (!row) return;
  row->SetOwner(nullptr);
  row->SetIndex(-1);
}

}  // namespace SkinUI
