#include "ui/activex/ActiveXCtrl.h"

#include "ui/activex/ActiveXFrameWnd.h"
#include "ui/activex/ActiveXUI.h"
#include "ui/activex/ActiveXWnd.h"
#include "ui/base/WindowManagerUI.h"

namespace SkinUI {

CActiveXCtrl::CActiveXCtrl() = default;

CActiveXCtrl::~CActiveXCtrl() {
  DestroyHostWindow();
  if (m_outerSite) m_outerSite->Release();
  if (m_viewObject) m_viewObject->Release();
  if (m_inPlaceObject) m_inPlaceObject->Release();
}

HRESULT CActiveXCtrl::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (riid == IID_IUnknown || riid == IID_IOleInPlaceSiteWindowless || riid == IID_IOleInPlaceSiteEx ||
      riid == IID_IOleInPlaceSite || riid == IID_IOleWindow) {
    *ppv = static_cast<IOleInPlaceSiteWindowless*>(this);
  } else if (riid == IID_IOleClientSite) {
    *ppv = static_cast<IOleClientSite*>(this);
  } else if (riid == IID_IOleControlSite) {
    *ppv = static_cast<IOleControlSite*>(this);
  } else if (riid == IID_IObjectWithSite) {
    *ppv = static_cast<IObjectWithSite*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG CActiveXCtrl::AddRef() { return ++m_refs; }

ULONG CActiveXCtrl::Release() {
  const ULONG left = --m_refs;
  if (left == 0) delete this;
  return left;
}

RECT CActiveXCtrl::ObjectRect() const {
  RECT rc = m_owner->GetPos();
  if (!m_windowless) OffsetRect(&rc, -rc.left, -rc.top);
  return rc;
}

HRESULT CActiveXCtrl::CreateHostWindow() {
  if (m_window) return S_OK;
  CWindowManagerUI* manager = m_owner ? m_owner->GetManager() : nullptr;
  m_window = new CActiveXWnd(this);
  HWND hwnd = m_window->Init(manager ? manager->GetPaintWindow() : nullptr);
  if (!hwnd) {
    delete m_window;
    m_window = nullptr;
    return E_FAIL;
  }
  if (m_owner) m_owner->m_hostWindow = hwnd;
  return S_OK;
}

// The object may deactivate itself inside a message of the host window (its focus, a click):
// the window object goes once the frames that route that message have returned.
void CActiveXCtrl::DestroyHostWindow() {
  if (!m_window) return;
  CActiveXWnd* window = m_window;
  m_window = nullptr;
  if (window->GetHWND()) {
    if (m_owner && m_owner->m_hostWindow == window->GetHWND()) m_owner->m_hostWindow = nullptr;
    DestroyWindow(window->GetHWND());
  }
  CWindowWnd::DeferUntilUnwound([](void* object) { delete static_cast<CActiveXWnd*>(object); }, window);
}

// ---- IOleClientSite ----

HRESULT CActiveXCtrl::SaveObject() { return E_NOTIMPL; }

HRESULT CActiveXCtrl::GetMoniker(DWORD, DWORD, IMoniker** ppmk) {
  if (ppmk) *ppmk = nullptr;
  return E_NOTIMPL;
}

HRESULT CActiveXCtrl::GetContainer(IOleContainer** ppContainer) {
  if (!ppContainer) return E_POINTER;
  *ppContainer = nullptr;
  if (m_outerSite && SUCCEEDED(m_outerSite->QueryInterface(IID_IOleContainer, reinterpret_cast<void**>(ppContainer))))
    return S_OK;
  return QueryInterface(IID_IOleContainer, reinterpret_cast<void**>(ppContainer));
}

HRESULT CActiveXCtrl::ShowObject() {
  if (!m_owner) return E_UNEXPECTED;
  HDC hdc = ::GetDC(m_owner->m_hostWindow);
  if (!hdc) return E_FAIL;
  if (m_viewObject) {
    const RECT& rc = m_owner->GetPos();
    RECTL bounds = {rc.left, rc.top, rc.right, rc.bottom};
    m_viewObject->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, hdc, &bounds, &bounds, nullptr, 0);
  }
  ::ReleaseDC(m_owner->m_hostWindow, hdc);
  return S_OK;
}

HRESULT CActiveXCtrl::OnShowWindow(BOOL) { return E_NOTIMPL; }
HRESULT CActiveXCtrl::RequestNewObjectLayout() { return E_NOTIMPL; }

// ---- IOleWindow and the in-place sites ----

HRESULT CActiveXCtrl::GetWindow(HWND* phwnd) {
  if (!m_owner) return E_UNEXPECTED;
  if (!m_owner->m_hostWindow) CreateHostWindow();
  if (!m_owner->m_hostWindow) return E_FAIL;
  *phwnd = m_owner->m_hostWindow;
  return S_OK;
}

HRESULT CActiveXCtrl::ContextSensitiveHelp(BOOL) { return S_OK; }
HRESULT CActiveXCtrl::CanInPlaceActivate() { return S_OK; }
HRESULT CActiveXCtrl::OnInPlaceActivate() { return OnInPlaceActivateEx(nullptr, 0); }

HRESULT CActiveXCtrl::OnUIActivate() {
  m_uiActive = true;
  return S_OK;
}

HRESULT CActiveXCtrl::GetWindowContext(IOleInPlaceFrame** ppFrame, IOleInPlaceUIWindow** ppDoc, LPRECT lprcPosRect,
                                       LPRECT lprcClipRect, LPOLEINPLACEFRAMEINFO lpFrameInfo) {
  if (!ppDoc || !ppFrame || !lprcPosRect || !lprcClipRect) return E_POINTER;
  if (!m_owner) return E_UNEXPECTED;
  if (m_window) {
    ::GetClientRect(m_window->GetHWND(), lprcPosRect);
    ::GetClientRect(m_window->GetHWND(), lprcClipRect);
  }
  *ppFrame = new CActiveXFrameWnd(m_owner);
  *ppDoc = nullptr;
  if (lpFrameInfo) {
    CWindowManagerUI* manager = m_owner->GetManager();
    lpFrameInfo->cb = sizeof(OLEINPLACEFRAMEINFO);
    lpFrameInfo->fMDIApp = FALSE;
    lpFrameInfo->hwndFrame = manager ? manager->GetPaintWindow() : nullptr;
    lpFrameInfo->haccel = m_owner->GetAcceleratorTable();
    lpFrameInfo->cAccelEntries = 1;
  }
  return S_OK;
}

HRESULT CActiveXCtrl::Scroll(SIZE) { return E_NOTIMPL; }

HRESULT CActiveXCtrl::OnUIDeactivate(BOOL) {
  m_uiActive = false;
  return S_OK;
}

HRESULT CActiveXCtrl::OnInPlaceDeactivate() { return OnInPlaceDeactivateEx(TRUE); }
HRESULT CActiveXCtrl::DiscardUndoState() { return E_NOTIMPL; }
HRESULT CActiveXCtrl::DeactivateAndUndo() { return E_NOTIMPL; }
HRESULT CActiveXCtrl::OnPosRectChange(LPCRECT) { return E_NOTIMPL; }

// The object calls the site from wherever it is (its own loop, a timer, its window): each
// callback that may reach a handler or take the host window away holds a framework frame.

HRESULT CActiveXCtrl::OnInPlaceActivateEx(BOOL*, DWORD dwFlags) {
  CWindowWnd::DispatchScope frame;
  if (!m_owner || !m_owner->m_object) return E_UNEXPECTED;
  OleLockRunning(m_owner->m_object, TRUE, FALSE);
  HRESULT hr = E_FAIL;
  if (m_inPlaceObject) {
    m_inPlaceObject->Release();
    m_inPlaceObject = nullptr;
  }
  CWindowManagerUI* manager = m_owner->GetManager();
  if (dwFlags & ACTIVATE_WINDOWLESS) {
    m_windowless = true;
    hr = m_owner->m_object->QueryInterface(IID_IOleInPlaceObjectWindowless, reinterpret_cast<void**>(&m_inPlaceObject));
    if (SUCCEEDED(hr)) {
      m_owner->m_hostWindow = manager ? manager->GetPaintWindow() : nullptr;
      // Once, however often the object activates: the control's release removes one entry.
      if (manager) {
        manager->RemoveMessageFilter(m_owner);
        manager->AddMessageFilter(m_owner);
      }
    }
  }
  if (FAILED(hr)) {
    m_windowless = false;
    hr = CreateHostWindow();
    if (FAILED(hr)) return hr;
    hr = m_owner->m_object->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&m_inPlaceObject));
  }
  if (m_inPlaceObject) {
    const RECT rc = ObjectRect();
    m_inPlaceObject->SetObjectRects(&rc, &rc);
  }
  m_inPlaceActive = SUCCEEDED(hr);
  return hr;
}

HRESULT CActiveXCtrl::OnInPlaceDeactivateEx(BOOL) {
  CWindowWnd::DispatchScope frame;
  m_inPlaceActive = false;
  if (m_inPlaceObject) {
    m_inPlaceObject->Release();
    m_inPlaceObject = nullptr;
  }
  DestroyHostWindow();
  return S_OK;
}

HRESULT CActiveXCtrl::RequestUIActivate() { return S_OK; }
HRESULT CActiveXCtrl::CanWindowlessActivate() { return S_OK; }

HRESULT CActiveXCtrl::GetCapture() {
  if (!m_owner) return E_UNEXPECTED;
  return m_captured ? S_OK : S_FALSE;
}

HRESULT CActiveXCtrl::SetCapture(BOOL fCapture) {
  if (!m_owner) return E_UNEXPECTED;
  m_captured = fCapture == TRUE;
  if (fCapture) {
    ::SetCapture(m_owner->m_hostWindow);
  } else {
    ::ReleaseCapture();
  }
  return S_OK;
}

HRESULT CActiveXCtrl::GetFocus() {
  if (!m_owner) return E_UNEXPECTED;
  return m_focused ? S_OK : S_FALSE;
}

HRESULT CActiveXCtrl::SetFocus(BOOL fFocus) {
  if (!m_owner) return E_UNEXPECTED;
  CWindowWnd::DispatchScope frame;
  if (fFocus) m_owner->SetFocus();
  m_focused = fFocus == TRUE;
  return S_OK;
}

HRESULT CActiveXCtrl::GetDC(LPCRECT, DWORD grfFlags, HDC* phDC) {
  if (!phDC) return E_POINTER;
  if (!m_owner) return E_UNEXPECTED;
  *phDC = ::GetDC(m_owner->m_hostWindow);
  if ((grfFlags & OLEDC_PAINTBKGND) && *phDC) {
    const RECT rc = ObjectRect();
    ::FillRect(*phDC, &rc, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
  }
  return S_OK;
}

HRESULT CActiveXCtrl::ReleaseDC(HDC hDC) {
  if (!m_owner) return E_UNEXPECTED;
  ::ReleaseDC(m_owner->m_hostWindow, hDC);
  return S_OK;
}

HRESULT CActiveXCtrl::InvalidateRect(LPCRECT pRect, BOOL fErase) {
  if (!m_owner) return E_UNEXPECTED;
  if (!m_owner->m_hostWindow) return E_FAIL;
  return ::InvalidateRect(m_owner->m_hostWindow, pRect, fErase) ? S_OK : E_FAIL;
}

HRESULT CActiveXCtrl::InvalidateRgn(HRGN hRGN, BOOL fErase) {
  if (!m_owner) return E_UNEXPECTED;
  return ::InvalidateRgn(m_owner->m_hostWindow, hRGN, fErase) ? S_OK : E_FAIL;
}

HRESULT CActiveXCtrl::ScrollRect(INT, INT, LPCRECT, LPCRECT) { return S_OK; }
HRESULT CActiveXCtrl::AdjustRect(LPRECT) { return S_OK; }

HRESULT CActiveXCtrl::OnDefWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* plResult) {
  if (!m_owner) return E_UNEXPECTED;
  LRESULT result = ::DefWindowProcW(m_owner->m_hostWindow, msg, wParam, lParam);
  if (plResult) *plResult = result;
  return S_OK;
}

// ---- IOleControlSite ----

HRESULT CActiveXCtrl::OnControlInfoChanged() { return S_OK; }
HRESULT CActiveXCtrl::LockInPlaceActive(BOOL) { return S_OK; }

HRESULT CActiveXCtrl::GetExtendedControl(IDispatch** ppDisp) {
  if (!ppDisp) return E_POINTER;
  if (!m_owner || !m_owner->m_object) return E_UNEXPECTED;
  return m_owner->m_object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(ppDisp));
}

HRESULT CActiveXCtrl::TransformCoords(POINTL*, POINTF*, DWORD) { return S_OK; }
HRESULT CActiveXCtrl::TranslateAccelerator(MSG*, DWORD) { return S_FALSE; }

HRESULT CActiveXCtrl::OnFocus(BOOL fGotFocus) {
  m_focused = fGotFocus == TRUE;
  return S_OK;
}

HRESULT CActiveXCtrl::ShowPropertyFrame() { return E_NOTIMPL; }

// ---- IObjectWithSite ----

HRESULT CActiveXCtrl::SetSite(IUnknown* pUnkSite) {
  if (m_outerSite) m_outerSite->Release();
  m_outerSite = pUnkSite;
  if (m_outerSite) m_outerSite->AddRef();
  return S_OK;
}

HRESULT CActiveXCtrl::GetSite(REFIID riid, void** ppvSite) {
  if (!ppvSite) return E_POINTER;
  *ppvSite = nullptr;
  if (!m_outerSite) return E_FAIL;
  return m_outerSite->QueryInterface(riid, ppvSite);
}

}  // namespace SkinUI
