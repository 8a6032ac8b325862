#include "ui/list/ComboWnd.h"

#include "ui/base/ScrollBarUI.h"
#include "ui/layout/VerticalLayoutUI.h"
#include "ui/list/ComboUI.h"

namespace SkinUI {

CComboWnd::CComboWnd() = default;

LPCWSTR CComboWnd::GetWindowClassName() const { return L"ComboWnd"; }

UINT CComboWnd::GetClassStyle() const { return CS_DROPSHADOW; }

void CComboWnd::Init(CComboUI* owner) {
  m_owner = owner;
  m_oldSel = owner->GetCurSel();
  m_closing = false;
  m_rowsReturned = false;

  SIZE box = owner->GetDropBoxSize();
  RECT ownerPos = owner->GetPos();
  RECT rc = ownerPos;
  rc.top = rc.bottom;
  if (box.cx > 0) rc.right = rc.left + box.cx;
  SIZE available = {rc.right - rc.left, box.cy};
  // Any number of rows of bounded heights: summed in 64 bits, then held to the box.
  long long rows = 0;
  for (int i = 0; i < owner->GetCount(); ++i) {
    CControlUI* row = owner->GetItemAt(i);
    if (!row->IsVisible()) continue;
    rows += row->EstimateSize(available).cy;
  }
  int height = rows + 4 >= box.cy ? box.cy : static_cast<int>(rows + 4);
  rc.bottom = rc.top + height;

  HWND ownerWnd = owner->GetManager() ? owner->GetManager()->GetPaintWindow() : nullptr;
  ::MapWindowPoints(ownerWnd, HWND_DESKTOP, reinterpret_cast<LPPOINT>(&rc), 2);
  MONITORINFO info = {};
  info.cbSize = sizeof(info);
  ::GetMonitorInfoW(::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &info);
  if (rc.bottom > info.rcWork.bottom) {
    // No room below: open above the combo.
    rc.left = ownerPos.left;
    rc.right = box.cx > 0 ? rc.left + box.cx : ownerPos.right;
    rc.bottom = ownerPos.top;
    rc.top = rc.bottom - height;
    ::MapWindowPoints(ownerWnd, HWND_DESKTOP, reinterpret_cast<LPPOINT>(&rc), 2);
  }
  CreateInRect(ownerWnd, WS_POPUP, WS_EX_TOOLWINDOW, rc);
  if (!m_hwnd) return;
  HWND top = m_hwnd;
  for (HWND parent = ::GetParent(top); parent; parent = ::GetParent(top)) top = parent;
  ::ShowWindow(m_hwnd, SW_SHOW);
  ::SendMessageW(top, WM_NCACTIVATE, TRUE, 0);
}

void CComboWnd::EnsureVisible(int index) {
  if (!m_owner || m_owner->GetCurSel() < 0 || !m_layout) return;
  CControlUI* row = m_owner->GetItemAt(index);
  if (!row) return;
  RECT item = row->GetPos();
  RECT area = m_layout->GetPos();
  CScrollBarUI* bar = m_layout->GetHorizontalScrollBar();
  if (bar && bar->IsVisible()) area.bottom -= bar->GetFixedHeight();
  if (item.top >= area.top && item.bottom < area.bottom) return;
  int dy = 0;
  if (item.top < area.top) dy = item.top - area.top;
  if (item.bottom > area.bottom) dy = item.bottom - area.bottom;
  SIZE pos = m_layout->GetScrollPos();
  m_layout->SetScrollPos(SIZE{pos.cx, pos.cy + dy});
}

void CComboWnd::ReleaseRow(CControlUI* row) {
  if (!m_layout) return;
  CUIPtrArray rows;
  for (int i = 0; i < m_layout->GetCount(); ++i) {
    if (!row || m_layout->GetItemAt(i) == row) rows.Add(m_layout->GetItemAt(i));
  }
  for (int i = 0; i < rows.GetSize(); ++i) {
    auto* leaving = static_cast<CControlUI*>(rows[i]);
    m_layout->Remove(leaving);
    leaving->FindControl(
        [](CControlUI* control, LPVOID manager) -> CControlUI* {
          static_cast<CWindowManagerUI*>(manager)->ReapObjects(control);
          return nullptr;
        },
        &m_pm, UIFIND_ALL);
  }
}

void CComboWnd::GiveRowsBack() {
  if (m_rowsReturned || !m_owner) return;
  m_rowsReturned = true;
  m_owner->SetManager(m_owner->GetManager(), m_owner->GetParent(), false);
}

LRESULT CComboWnd::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE: {
      m_pm.Init(m_hwnd);
      m_layout = new CVerticalLayoutUI;
      CWindowManagerUI* ownerManager = m_owner->GetManager();
      bool loops = false;
      for (CWindowManagerUI* m = ownerManager; m; m = m->GetParentResource()) loops = loops || m == &m_pm;
      m_pm.SetParentResource(loops ? nullptr : ownerManager);
      m_layout->SetManager(&m_pm, nullptr, true);
      LPCWSTR defaults = ownerManager ? ownerManager->GetDefaultAttributeList(L"VerticalLayout") : nullptr;
      if (defaults) m_layout->ApplyAttributeList(defaults);
      m_layout->SetInset(RECT{1, 1, 1, 1});
      m_layout->SetBkColor(0xFFFFFFFF);
      m_layout->SetBorderColor(0xFFC6C7D2);
      m_layout->SetBorderSize(1);
      m_layout->SetAutoDestroy(false);
      m_layout->EnableScrollBar(true, false);
      m_layout->ApplyAttributeList(m_owner->GetDropBoxAttributeList());
      for (int i = 0; i < m_owner->GetCount(); ++i) m_layout->Add(m_owner->GetItemAt(i));
      m_pm.AttachDialog(m_layout);
      return 0;
    }
    case WM_CLOSE:
      m_closing = true;
      if (m_owner) {
        GiveRowsBack();
        m_owner->SetPos(m_owner->GetPos());
        m_owner->SetFocus();
      }
      break;
    case WM_LBUTTONUP: {
      POINT pt = {0, 0};
      ::GetCursorPos(&pt);
      ::ScreenToClient(m_hwnd, &pt);
      CControlUI* control = m_pm.FindControlAt(pt);
      if (control && wcscmp(control->GetClass(), L"ScrollBarUI") != 0) ::PostMessageW(m_hwnd, WM_KILLFOCUS, 0, 0);
      break;
    }
    case WM_KEYDOWN:
      switch (wParam) {
        case VK_RETURN:
          ::PostMessageW(m_hwnd, WM_KILLFOCUS, 0, 0);
          break;
        case VK_ESCAPE:
          m_owner->SelectItem(m_oldSel, true);
          EnsureVisible(m_oldSel);
          ::PostMessageW(m_hwnd, WM_KILLFOCUS, 0, 0);
          break;
        default: {
          UIEventRecord event;
          event.type = UIEVENT_KEYDOWN;
          event.key = static_cast<wchar_t>(wParam);
          event.timestamp = ::GetTickCount();
          m_owner->DoEvent(event);
          EnsureVisible(m_owner->GetCurSel());
          return 0;
        }
      }
      break;
    case WM_MOUSEWHEEL: {
      int delta = GET_WHEEL_DELTA_WPARAM(wParam);
      SIZE pos = m_layout->GetScrollPos();
      m_layout->SetScrollPos(SIZE{pos.cx, pos.cy + (delta >= 0 ? -10 : 10)});
      return 0;
    }
    case WM_KILLFOCUS:
      if (m_hwnd != reinterpret_cast<HWND>(wParam) && !m_closing) {
        ::SendMessageW(m_hwnd, WM_CLOSE, 0, 0);
        return 0;
      }
      break;
    default:
      break;
  }
  LRESULT result = 0;
  if (m_pm.MessageHandler(msg, wParam, lParam, result)) return result;
  return CWindowWnd::HandleMessage(msg, wParam, lParam);
}

void CComboWnd::OnFinalMessage(HWND) {
  // Destroyed without its WM_CLOSE (its owner window went first): the rows still belong to
  // this window's manager and must go back before it does.
  GiveRowsBack();
  if (m_owner) m_owner->OnDropDownEnded(this);
  delete this;
}

}  // namespace SkinUI
