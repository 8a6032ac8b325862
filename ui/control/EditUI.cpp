#include "ui/control/EditUI.h"

#include <cwchar>

#include "ui/control/EditWnd.h"
#include "ui/control/NativeOverlay.h"
#include "ui/core/UIValueParser.h"
#include "ui/render/SkinRenderer.h"
#include "ui/base/WindowManagerUI.h"

namespace SkinUI {

CEditUI::CEditUI() { m_rcTextPadding = RECT{4, 3, 4, 3}; }

CEditUI::~CEditUI() { DestroyDetached(m_window); }

LPCWSTR CEditUI::GetClass() const { return L"EditUI"; }

LPVOID CEditUI::GetInterface(LPCWSTR name) {
  if (name && wcscmp(name, L"Edit") == 0) return static_cast<CEditUI*>(this);
  return CLabelUI::GetInterface(name);
}

UINT CEditUI::GetControlFlags() const { return IsEnabled() ? UINT(UIFLAG_TABSTOP | UIFLAG_SETCURSOR) : 0u; }

HWND CEditUI::GetNativeWindow() const { return m_window != nullptr ? m_window->GetHWND() : nullptr; }

void CEditUI::SetText(LPCWSTR text) {
  m_text = text;
  if (m_window != nullptr) {
    // Its change notice raises "textchanged", whose handler may destroy the window.
    HWND native = m_window->GetHWND();
    if (!CWindowManagerUI::Survives(m_manager, [native, this] { ::SetWindowTextW(native, m_text); })) return;
  } else if (m_manager && !m_manager->SendNotify(this, L"textchanged")) {
    return;  // a handler destroyed the window, and this control with it
  }
  Invalidate();
}

void CEditUI::SetPos(RECT rc) {
  CLabelUI::SetPos(rc);
  if (m_window != nullptr) {
    RECT pos = m_window->CalPos();
    ::SetWindowPos(m_window->GetHWND(), nullptr, pos.left, pos.top, pos.right - pos.left, pos.bottom - pos.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void CEditUI::SetVisible(bool visible) {
  CLabelUI::SetVisible(visible);
  if (!IsVisible() && m_window != nullptr && m_manager) m_manager->SetFocus(nullptr);
}

void CEditUI::SetInternVisible(bool visible) {
  (void)visible;
  if (!IsVisible() && m_window != nullptr && m_manager) m_manager->SetFocus(nullptr);
}

void CEditUI::SetEnabled(bool enabled) {
  CLabelUI::SetEnabled(enabled);
  if (!IsEnabled()) m_buttonState = 0;
  // An open native window follows, so that a disabled edit takes no more typing.
  if (m_window != nullptr && m_window->GetHWND()) ::EnableWindow(m_window->GetHWND(), IsEnabled() ? TRUE : FALSE);
}

void CEditUI::OpenNativeWindow() {
  m_window = new CEditWnd();
  m_window->Init(this);
  if (m_window != nullptr && m_window->GetHWND() == nullptr) {
    // No window could be made: nothing will delete the object for us.
    delete m_window;
    m_window = nullptr;
  }
  Invalidate();
}

void CEditUI::SelectAllInNative() {
  if (m_window == nullptr) return;
  int length = m_text.GetLength();
  ::SendMessageW(m_window->GetHWND(), EM_SETSEL, 0, length == 0 ? 1 : length);
}

void CEditUI::DoEvent(UIEventRecord& event) {
  if (PassPointerEvent(event) || TrackHot(event, m_buttonState)) return;
  bool openNow = false;
  if (OverlayEvent(event, m_window != nullptr, &openNow)) return;
  if (openNow) OpenNativeWindow();
  switch (event.type) {
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
    case UIEVENT_RBUTTONDOWN:
      if (IsEnabled()) {
        if (m_manager) m_manager->ReleaseCapture();
        if (IsFocused() && m_window == nullptr) {
          OpenNativeWindow();
          if (PtInRect(&m_rcItem, event.mouse)) SelectAllInNative();
        } else if (m_window != nullptr) {
          SelectAllInNative();
        }
      }
      return;
    case UIEVENT_MOUSEMOVE:
    case UIEVENT_BUTTONUP:
    case UIEVENT_CONTEXTMENU:
      return;
    default:
      break;
  }
  CLabelUI::DoEvent(event);
}

void CEditUI::SetMaxChar(UINT max) {
  m_maxChar = max;
  if (m_window != nullptr) ::SendMessageW(m_window->GetHWND(), EM_LIMITTEXT, m_maxChar, 0);
}

void CEditUI::SetReadOnly(bool readOnly) {
  if (m_readOnly == readOnly) return;
  m_readOnly = readOnly;
  if (m_window != nullptr) ::SendMessageW(m_window->GetHWND(), EM_SETREADONLY, m_readOnly ? TRUE : FALSE, 0);
  Invalidate();
}

void CEditUI::SetPasswordMode(bool password) {
  if (m_password == password) return;
  m_password = password;
  Invalidate();
}

void CEditUI::SetNumberOnly(bool on) {
  if (on) {
    m_windowStyles |= ES_NUMBER;
  } else {
    m_windowStyles &= ~DWORD(ES_NUMBER);
  }
}

void CEditUI::SetHintText(LPCWSTR text) {
  m_hintText = text;
  Invalidate();
}

void CEditUI::SetHintColor(DWORD color) {
  m_hintColor = color;
  Invalidate();
}

DWORD CEditUI::GetHintColor() const {
  if (m_hintColor != 0 || !m_manager) return m_hintColor;
  return m_manager->GetDefaultDisabledColor();
}

void CEditUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  if (!name) return;
  if (!value) value = L"";
  auto is = [name](LPCWSTR n) { return wcscmp(name, n) == 0; };
  bool on = wcscmp(value, L"true") == 0;
  auto setImage = [this](CUIString& field, LPCWSTR image) {
    field = image;
    Invalidate();
  };
  if (is(L"readonly")) {
    SetReadOnly(on);
  } else if (is(L"numberonly")) {
    SetNumberOnly(on);
  } else if (is(L"password")) {
    SetPasswordMode(on);
  } else if (is(L"maxchar")) {
    SetMaxChar(UINT(CUIValueParser::ReadInt(value)));
  } else if (is(L"normalimage")) {
    setImage(m_normalImage, value);
  } else if (is(L"hotimage")) {
    setImage(m_hotImage, value);
  } else if (is(L"focusedimage")) {
    setImage(m_focusedImage, value);
  } else if (is(L"disabledimage")) {
    setImage(m_disabledImage, value);
  } else if (is(L"hinttext")) {
    SetHintText(value);
  } else if (is(L"hintcolor")) {
    SetHintColor(CUIValueParser::ReadColor(value));
  } else if (is(L"nativecolor")) {
    SetNativeEditTextColor(CUIValueParser::ReadColor(value));
  } else if (is(L"nativebkcolor")) {
    SetNativeEditBkColor(CUIValueParser::ReadColor(value));
  } else {
    CLabelUI::SetAttribute(name, value);
  }
}

SIZE CEditUI::EstimateSize(SIZE available) {
  (void)available;
  if (m_fixedHeight > 0) return SIZE{m_fixedWidth, m_fixedHeight};
  return SIZE{m_fixedWidth, GetFontHeight() + 6};
}

void CEditUI::PaintStatusImage(HDC hdc) {
  UpdateStateBits(m_buttonState);
  CUIString* candidate = nullptr;
  if ((m_buttonState & UISTATE_DISABLED) != 0) {
    candidate = &m_disabledImage;
  } else if ((m_buttonState & UISTATE_FOCUSED) != 0) {
    candidate = &m_focusedImage;
  } else if ((m_buttonState & UISTATE_HOT) != 0) {
    candidate = &m_hotImage;
  }
  if (candidate != nullptr && !candidate->IsEmpty()) {
    if (DrawImage(hdc, *candidate)) return;
    candidate->Empty();
  }
  if (!m_normalImage.IsEmpty() && !DrawImage(hdc, m_normalImage)) m_normalImage.Empty();
}

void CEditUI::PaintText(HDC hdc) {
  TakeDefaultColors();
  if (m_window != nullptr) return;  // the native window shows the text
  CUIString shown = m_text;
  DWORD color = m_textColor;
  if (m_text.IsEmpty()) {
    shown = m_hintText;
    color = GetHintColor();
  } else if (m_password) {
    shown.Empty();
    for (LPCWSTR p = m_text; *p != 0; p = ::CharNextW(p)) shown += m_passwordChar;
  }
  if (!IsEnabled()) color = m_disabledTextColor;
  if (shown.IsEmpty()) return;
  RECT rc = GetTextRect();
  CSkinRenderer::DrawText(hdc, m_manager, rc, shown, color, m_font, m_textStyle | DT_SINGLELINE);
}

}  // namespace SkinUI
