#include "ui/activex/ActiveXWnd.h"

#include "ui/activex/ActiveXCtrl.h"
#include "ui/activex/ActiveXUI.h"

namespace SkinUI {

HWND CActiveXWnd::Init(HWND parent) {
  return Create(parent, L"UIActiveX", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, 0, 0, 0);
}

LPCWSTR CActiveXWnd::GetWindowClassName() const { return L"ActiveXWnd"; }
UINT CActiveXWnd::GetClassStyle() const { return 0; }

void CActiveXWnd::DoVerb(LONG verb) {
  CActiveXUI* owner = m_site->GetOwner();
  if (!owner) return;
  IOleObject* object = nullptr;
  if (FAILED(owner->GetControl(IID_IOleObject, reinterpret_cast<void**>(&object))) || !object) return;
  IOleClientSite* site = nullptr;
  m_site->QueryInterface(IID_IOleClientSite, reinterpret_cast<void**>(&site));
  const RECT rc = owner->GetPos();
  object->DoVerb(verb, nullptr, site, 0, m_hwnd, &rc);
  if (site) site->Release();
  object->Release();
}

LRESULT CActiveXWnd::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(m_hwnd, &ps);
      EndPaint(m_hwnd, &ps);
      return 1;
    }
    case WM_SETFOCUS:
      m_site->SetFocused(true);
      if (!m_site->IsUIActive()) DoVerb(OLEIVERB_UIACTIVATE);
      if (!m_hwnd) return 0;  // the object deactivated itself, and this window went
      break;
    case WM_KILLFOCUS:
      m_site->SetFocused(false);
      break;
    case WM_ERASEBKGND:
      if (m_site->GetViewObject()) return 1;
      break;
    case WM_MOUSEACTIVATE: {
      CActiveXUI* owner = m_site->GetOwner();
      IOleObject* object = nullptr;
      if (!owner || FAILED(owner->GetControl(IID_IOleObject, reinterpret_cast<void**>(&object))) || !object) return 0;
      DWORD status = 0;
      object->GetMiscStatus(DVASPECT_CONTENT, &status);
      object->Release();
      if (status & OLEMISC_NOUIACTIVATE) return 0;
      if (!m_site->IsInPlaceActive()) DoVerb(OLEIVERB_INPLACEACTIVATE);
      if (!m_hwnd) return MA_NOACTIVATE;
      break;
    }
    case WM_MOUSEWHEEL:
      return 0;
    default:
      break;
  }
  return CWindowWnd::HandleMessage(msg, wParam, lParam);
}

}  // namespace SkinUI
