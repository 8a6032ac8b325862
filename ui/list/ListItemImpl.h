// The list-item half every row shares, over a plain control or a container: index,
// selection, owner, activation, the background and the clipped repaint.
#pragma once
#include "ui/list/IListItemUI.h"
#include "ui/list/IListOwnerUI.h"
#include "ui/list/ListRowUI.h"
#include "ui/base/WindowManagerUI.h"

namespace SkinUI {

template <class Base>
class CListItemImpl : public Base, public IListItemUI {
 public:
  UINT GetControlFlags() const override { return 4; }

  void SetVisible(bool visible = true) override {
    Base::SetVisible(visible);
    if (!this->IsVisible() && m_selected) {
      m_selected = false;
      if (m_owner) m_owner->SelectItem(-1);
    }
  }
  void SetEnabled(bool enabled = true) override {
    Base::SetEnabled(enabled);
    if (!this->IsEnabled()) m_buttonState = 0;
  }
  // False as well when an "itemactivate" handler destroyed the window, and this row with it.
  bool Activate() override {
    if (!Base::Activate()) return false;
    return NotifyRow(L"itemactivate");
  }
  void Invalidate() override {
    if (!CListRowUI::Invalidate(this)) Base::Invalidate();
  }
  void SetAttribute(LPCWSTR name, LPCWSTR value) override {
    // Any value selects, "false" included: skins rely on it.
    if (name && wcscmp(name, L"selected") == 0)
      Select(true);
    else
      Base::SetAttribute(name, value);
  }

  // IListItemUI.
  int GetIndex() const override { return m_index; }
  void SetIndex(int index) override { m_index = index; }
  IListOwnerUI* GetOwner() override { return m_owner; }
  void SetOwner(CControlUI* owner) override { m_owner = CListRowUI::OwnerOf(owner); }
  bool IsSelected() const override { return m_selected; }
  // A disabled row cannot be selected, but it can always lose its selection.
  bool Select(bool select = true) override {
    if (select && !this->IsEnabled()) return false;
    if (select == m_selected) return true;
    m_selected = select;
    // The owner's "itemselect" handler may destroy the window, and this row with it.
    if (select && m_owner &&
        !CWindowManagerUI::Survives(this->m_manager, [this] { m_owner->SelectItem(m_index); }))
      return true;
    Invalidate();
    return true;
  }
  bool IsExpanded() const override { return false; }
  bool Expand(bool = true) override { return false; }
  void DrawItemText(HDC, const RECT&) override {}

  void DrawItemBk(HDC hdc, const RECT& rc) {
    CListRowUI::DrawBk(this, hdc, rc, m_owner, m_index, m_selected, m_buttonState);
  }
  UINT GetButtonState() const { return m_buttonState; }

 protected:
  // Sends a notification of this row: false when a handler destroyed the window, and this
  // row with it.
  bool NotifyRow(LPCWSTR type) { return !this->m_manager || this->m_manager->SendNotify(this, type); }
  // Selects this row as a click does: false when the owner's "itemselect" handler destroyed
  // the window, and this row with it.
  bool SelectByClick() {
    return CWindowManagerUI::Survives(this->m_manager, [this] { Select(true); });
  }
  // Events of the mouse range while the row takes no mouse input go to the owner.
  bool ForwardUnmoused(UIEventRecord& event) {
    if (this->IsMouseEnabled() || !CListRowUI::IsMouseEvent(event)) return false;
    ToOwner(event);
    return true;
  }
  void ToOwner(UIEventRecord& event) {
    if (m_owner)
      m_owner->DoEvent(event);
    else
      Base::DoEvent(event);
  }

  int m_index = -1;
  bool m_selected = false;
  UINT m_buttonState = 0;
  IListOwnerUI* m_owner = nullptr;
};

}  // namespace SkinUI
