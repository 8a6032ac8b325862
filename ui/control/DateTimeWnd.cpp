#include "ui/control/DateTimeWnd.h"

#include <commctrl.h>

#include "ui/control/DateTimeUI.h"
#include "ui/base/WindowManagerUI.h"

namespace SkinUI {

CDateTimeWnd::CDateTimeWnd() = default;

LPCWSTR CDateTimeWnd::GetWindowClassName() const { return L"DateTimeWnd"; }
LPCWSTR CDateTimeWnd::GetSuperClassName() const { return DATETIMEPICK_CLASSW; }

void CDateTimeWnd::Init(CDateTimeUI* owner) {
  m_owner = owner;
  owner->m_updateFlag = CDateTimeUI::kUpdateNone;
  CWindowManagerUI* manager = owner->GetManager();
  if (m_hwnd == nullptr) {
    if (manager == nullptr) return;
    if (CreateInRect(manager->GetPaintWindow(), WS_CHILD, 0, owner->GetPos()) == nullptr) return;
    ::SendMessageW(m_hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(manager->GetFont(owner->GetFont())), TRUE);
  }
  if (owner->GetText().IsEmpty()) ::GetLocalTime(&owner->m_sysTime);
  ::SendMessageW(m_hwnd, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&owner->m_sysTime));
  ::ShowWindow(m_hwnd, SW_SHOWNOACTIVATE);
  ::SetFocus(m_hwnd);
  m_init = true;
}

LRESULT CDateTimeWnd::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_KILLFOCUS) {
    LRESULT result = CWindowWnd::HandleMessage(msg, wParam, lParam);
    if (m_owner != nullptr && m_owner->m_updateFlag == CDateTimeUI::kUpdateNone) {
      ::SendMessageW(m_hwnd, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&m_owner->m_sysTime));
      m_owner->m_updateFlag = CDateTimeUI::kUpdate;
      m_owner->UpdateText();
    }
    ::PostMessageW(m_hwnd, WM_CLOSE, 0, 0);
    return result;
  }
  if (msg == WM_KEYUP && (wParam == VK_DELETE || wParam == VK_BACK || wParam == VK_ESCAPE)) {
    LRESULT result = CWindowWnd::HandleMessage(msg, wParam, lParam);
    if (m_owner != nullptr) {
      m_owner->m_updateFlag = wParam == VK_ESCAPE ? CDateTimeUI::kKeep : CDateTimeUI::kDelete;
      m_owner->UpdateText();
    }
    ::PostMessageW(m_hwnd, WM_CLOSE, 0, 0);
    return result;
  }
  return CWindowWnd::HandleMessage(msg, wParam, lParam);
}

void CDateTimeWnd::OnFinalMessage(HWND) {
  if (m_bkBrush != nullptr) ::DeleteObject(m_bkBrush);
  if (m_owner != nullptr) m_owner->m_window = nullptr;
  delete this;
}

}  // namespace SkinUI
