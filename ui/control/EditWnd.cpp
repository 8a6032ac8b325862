#include "ui/control/EditWnd.h"

#include "ui/control/EditUI.h"
#include "ui/base/WindowManagerUI.h"

namespace SkinUI {

namespace {

// The manager hands a child's WM_COMMAND and colour requests back to the child with this offset.
constexpr UINT kReflectBase = 0x2000;

}  // namespace

CEditWnd::CEditWnd() = default;

LPCWSTR CEditWnd::GetWindowClassName() const { return L"EditWnd"; }
LPCWSTR CEditWnd::GetSuperClassName() const { return L"Edit"; }

RECT CEditWnd::CalPos() const {
  RECT rc = {0, 0, 0, 0};
  if (m_owner == nullptr) return rc;
  rc = m_owner->GetPos();
  RECT padding = m_owner->GetTextPadding();
  rc.left += padding.left;
  rc.top += padding.top;
  rc.right -= padding.right;
  rc.bottom -= padding.bottom;
  CWindowManagerUI* manager = m_owner->GetManager();
  UIFontInfo* info = manager != nullptr ? manager->GetFontInfo(m_owner->GetFont()) : nullptr;
  LONG height = info != nullptr ? info->tm.tmHeight : 0;
  if (height > 0 && height < rc.bottom - rc.top) {
    rc.top += (rc.bottom - rc.top - height) / 2;
    rc.bottom = rc.top + height;
  }
  return rc;
}

void CEditWnd::Init(CEditUI* owner) {
  m_owner = owner;
  CWindowManagerUI* manager = owner->GetManager();
  if (manager == nullptr) return;
  RECT rc = CalPos();
  DWORD style = WS_CHILD | ES_AUTOHSCROLL | (owner->IsPasswordMode() ? ES_PASSWORD : 0);
  if (CreateInRect(manager->GetPaintWindow(), style, 0, rc) == nullptr) return;
  HFONT font = owner->GetFont() != -1 ? manager->GetFont(owner->GetFont()) : nullptr;
  if (font == nullptr && manager->GetDefaultFontInfo() != nullptr) font = manager->GetDefaultFontInfo()->hFont;
  ::SendMessageW(m_hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  ::SendMessageW(m_hwnd, EM_LIMITTEXT, owner->GetMaxChar(), 0);
  if (owner->IsPasswordMode()) ::SendMessageW(m_hwnd, EM_SETPASSWORDCHAR, owner->GetPasswordChar(), 0);
  ::SetWindowTextW(m_hwnd, owner->GetText());
  ::SendMessageW(m_hwnd, EM_SETMODIFY, FALSE, 0);
  ::SendMessageW(m_hwnd, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(0, 0));
  ::EnableWindow(m_hwnd, owner->IsEnabled() ? TRUE : FALSE);
  ::SendMessageW(m_hwnd, EM_SETREADONLY, owner->IsReadOnly() ? TRUE : FALSE, 0);
  LONG_PTR styles = ::GetWindowLongPtrW(m_hwnd, GWL_STYLE);
  ::SetWindowLongPtrW(m_hwnd, GWL_STYLE, styles | LONG_PTR(owner->GetWindowStyles()));
  ::ShowWindow(m_hwnd, SW_SHOWNOACTIVATE);
  ::SetFocus(m_hwnd);
  m_init = true;
}

LRESULT CEditWnd::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_KILLFOCUS) {
    LRESULT result = CWindowWnd::HandleMessage(msg, wParam, lParam);
    ::PostMessageW(m_hwnd, WM_CLOSE, 0, 0);
    return result;
  }
  if (msg == kReflectBase + WM_COMMAND) {
    if (HIWORD(wParam) == EN_CHANGE) {
      if (m_init && m_owner != nullptr) {
        int length = ::GetWindowTextLengthW(m_hwnd);
        CUIString text;
        if (length > 0) {
          wchar_t* buffer = new wchar_t[size_t(length) + 1];
          ::GetWindowTextW(m_hwnd, buffer, length + 1);
          text = buffer;
          delete[] buffer;
        }
        m_owner->m_text = text;
        if (CWindowManagerUI* manager = m_owner->GetManager()) manager->SendNotify(m_owner, L"textchanged");
      }
    } else if (HIWORD(wParam) == EN_UPDATE) {
      ::InvalidateRect(m_hwnd, nullptr, FALSE);
    }
    return 0;
  }
  if (msg == WM_KEYDOWN && wParam == VK_RETURN) {
    if (m_owner != nullptr && m_owner->GetManager() != nullptr) m_owner->GetManager()->SendNotify(m_owner, L"return");
    return 0;
  }
  if (msg == kReflectBase + WM_CTLCOLOREDIT || msg == kReflectBase + WM_CTLCOLORSTATIC) {
    if (m_owner == nullptr || m_owner->GetNativeEditBkColor() == 0xFFFFFFFF) return 0;
    HDC dc = reinterpret_cast<HDC>(wParam);
    ::SetBkMode(dc, TRANSPARENT);
    DWORD color = m_owner->GetNativeEditTextColor() != 0 ? m_owner->GetNativeEditTextColor() : m_owner->GetTextColor();
    ::SetTextColor(dc, RGB(GetBValue(color), GetGValue(color), GetRValue(color)));
    if (m_bkBrush == nullptr) {
      DWORD bk = m_owner->GetNativeEditBkColor();
      m_bkBrush = ::CreateSolidBrush(RGB(GetBValue(bk), GetGValue(bk), GetRValue(bk)));
    }
    return reinterpret_cast<LRESULT>(m_bkBrush);
  }
  return CWindowWnd::HandleMessage(msg, wParam, lParam);
}

void CEditWnd::OnFinalMessage(HWND) {
  if (m_bkBrush != nullptr) ::DeleteObject(m_bkBrush);
  if (m_owner != nullptr) {
    m_owner->Invalidate();
    m_owner->m_window = nullptr;
    CWindowManagerUI* manager = m_owner->GetManager();
    if (manager != nullptr && manager->GetFocus() == m_owner) manager->SetFocus(nullptr);
  }
  delete this;
}

}  // namespace SkinUI
