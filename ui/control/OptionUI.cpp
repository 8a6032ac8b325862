#include "ui/control/OptionUI.h"

#include <cwchar>

#include "ui/core/UIValueParser.h"
#include "ui/render/SkinRenderer.h"
#include "ui/base/WindowManagerUI.h"

namespace SkinUI {

COptionUI::COptionUI() = default;

COptionUI::~COptionUI() { LeaveGroup(); }

void COptionUI::JoinGroup() {
  if (m_group.IsEmpty() || !m_manager) return;
  if (m_groupManager != m_manager) LeaveGroup();
  m_manager->AddOptionGroup(m_group, this);
  m_groupManager = m_manager;
  m_groupManagerAlive = m_manager->GetAliveFlag();
}

void COptionUI::LeaveGroup() {
  if (m_groupManager && *m_groupManagerAlive && !m_group.IsEmpty()) m_groupManager->RemoveOptionGroup(m_group, this);
  m_groupManager = nullptr;
  m_groupManagerAlive.reset();
}

LPCWSTR COptionUI::GetClass() const { return L"OptionUI"; }

LPVOID COptionUI::GetInterface(LPCWSTR name) {
  if (name && wcscmp(name, L"Option") == 0) return static_cast<COptionUI*>(this);
  return CButtonUI::GetInterface(name);
}

void COptionUI::SetManager(CWindowManagerUI* manager, CControlUI* parent, bool init) {
  CButtonUI::SetManager(manager, parent, init);
  if (init) JoinGroup();
}

void COptionUI::SetGroup(LPCWSTR name) {
  if (m_group == (name ? name : L"")) return;
  LeaveGroup();
  m_group = name;
  JoinGroup();
}

void COptionUI::SetSelected(bool selected) {
  if (m_selected == selected) return;
  m_selected = selected;
  if (m_selected) {
    m_buttonState |= UISTATE_SELECTED;
  } else {
    m_buttonState &= ~UINT(UISTATE_SELECTED);
  }
  if (m_manager) {
    if (!m_group.IsEmpty()) {
      if (m_selected) {
        CUIPtrArray* group = m_manager->GetOptionGroup(m_group);
        // A copy: a member's handler may change the group while it is walked.
        CUIPtrArray members = group != nullptr ? *group : CUIPtrArray();
        for (int i = 0; i < members.GetSize(); ++i) {
          auto* other = static_cast<COptionUI*>(members.GetAt(i));
          if (other != this) other->SetSelected(false);
        }
        if (!m_manager->SendNotify(this, L"selectchanged")) return;
      }
    } else if (!m_manager->SendNotify(this, L"selectchanged")) {
      return;
    }
  }
  Invalidate();
}

bool COptionUI::Activate() {
  if (!CButtonUI::Activate()) return false;
  if (!m_group.IsEmpty()) {
    SetSelected(true);
  } else {
    SetSelected(!m_selected);
  }
  return true;
}

void COptionUI::SetEnabled(bool enabled) {
  CButtonUI::SetEnabled(enabled);
  if (!IsEnabled()) m_buttonState = m_selected ? UINT(UISTATE_SELECTED) : 0u;
}

void COptionUI::SetSelectedImage(LPCWSTR image) {
  m_selectedImage = image;
  Invalidate();
}

void COptionUI::SetSelectedHotImage(LPCWSTR image) {
  m_selectedHotImage = image;
  Invalidate();
}

void COptionUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  if (!name) return;
  if (!value) value = L"";
  auto is = [name](LPCWSTR n) { return wcscmp(name, n) == 0; };
  if (is(L"group")) {
    SetGroup(value);
  } else if (is(L"selected")) {
    SetSelected(wcscmp(value, L"true") == 0);
  } else if (is(L"selectedimage")) {
    SetSelectedImage(value);
  } else if (is(L"selectedhotimage")) {
    SetSelectedHotImage(value);
  } else if (is(L"foreimage")) {
    m_optionForeImage = value;
    Invalidate();
  } else if (is(L"selectedbkcolor")) {
    SetSelectedBkColor(CUIValueParser::ReadColor(value));
  } else if (is(L"selectedtextcolor")) {
    SetSelectedTextColor(CUIValueParser::ReadColor(value));
  } else if (is(L"selectedfont")) {
    m_selectedFont = CUIValueParser::ReadInt(value);
  } else {
    CButtonUI::SetAttribute(name, value);
  }
}

void COptionUI::PaintStatusImage(HDC hdc) {
  m_buttonState &= ~UINT(UISTATE_PUSHED);
  bool drawn = false;
  if ((m_buttonState & UISTATE_HOT) != 0 && IsSelected() && !m_selectedHotImage.IsEmpty()) {
    drawn = DrawStateImage(hdc, m_selectedHotImage);
  } else if ((m_buttonState & UISTATE_SELECTED) != 0) {
    if (!m_selectedImage.IsEmpty()) {
      drawn = DrawStateImage(hdc, m_selectedImage);
    } else if (m_selectedBkColor != 0) {
      CSkinRenderer::DrawColor(hdc, m_rcPaint, GetAdjustColor(m_selectedBkColor));
      return;
    }
  }
  if (!drawn) CButtonUI::PaintStatusImage(hdc);
  DrawStateImage(hdc, m_optionForeImage);
}

void COptionUI::PaintText(HDC hdc) {
  if ((m_buttonState & UISTATE_SELECTED) == 0) {
    CButtonUI::PaintText(hdc);
    return;
  }
  DWORD saved = m_textColor;
  if (m_selectedTextColor != 0) m_textColor = m_selectedTextColor;
  if (m_manager) {
    if (m_textColor == 0) m_textColor = m_manager->GetDefaultFontColor();
    if (m_disabledTextColor == 0) m_disabledTextColor = m_manager->GetDefaultDisabledColor();
  }
  int font = m_selectedFont != -1 ? m_selectedFont : m_font;
  if (!m_text.IsEmpty()) {
    RECT rc = GetTextRect();
    DrawLabelText(hdc, rc, m_text, IsEnabled() ? m_textColor : m_disabledTextColor, font);
  }
  m_textColor = saved;
}

}  // namespace SkinUI
