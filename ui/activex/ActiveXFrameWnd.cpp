#include "ui/activex/ActiveXFrameWnd.h"

#include "ui/activex/ActiveXUI.h"
#include "ui/base/WindowManagerUI.h"

namespace SkinUI {

CActiveXFrameWnd::~CActiveXFrameWnd() {
  if (m_activeObject) m_activeObject->Release();
}

HRESULT CActiveXFrameWnd::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IOleWindow || riid == IID_IOleInPlaceFrame ||
      riid == IID_IOleInPlaceUIWindow) {
    *ppv = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG CActiveXFrameWnd::AddRef() { return ++m_refs; }

ULONG CActiveXFrameWnd::Release() {
  const ULONG left = --m_refs;
  if (left == 0) delete this;
  return left;
}

HRESULT CActiveXFrameWnd::GetWindow(HWND* phwnd) {
  if (!m_owner) return E_UNEXPECTED;
  CWindowManagerUI* manager = m_owner->GetManager();
  *phwnd = manager ? manager->GetPaintWindow() : nullptr;
  return S_OK;
}

HRESULT CActiveXFrameWnd::ContextSensitiveHelp(BOOL) { return S_OK; }
HRESULT CActiveXFrameWnd::GetBorder(LPRECT) { return S_OK; }
HRESULT CActiveXFrameWnd::RequestBorderSpace(LPCBORDERWIDTHS) { return INPLACE_E_NOTOOLSPACE; }
HRESULT CActiveXFrameWnd::SetBorderSpace(LPCBORDERWIDTHS) { return S_OK; }

HRESULT CActiveXFrameWnd::SetActiveObject(IOleInPlaceActiveObject* pActiveObject, LPCOLESTR) {
  if (pActiveObject) pActiveObject->AddRef();
  if (m_activeObject) m_activeObject->Release();
  m_activeObject = pActiveObject;
  return S_OK;
}

HRESULT CActiveXFrameWnd::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) { return S_OK; }
HRESULT CActiveXFrameWnd::SetMenu(HMENU, HOLEMENU, HWND) { return S_OK; }
HRESULT CActiveXFrameWnd::RemoveMenus(HMENU) { return S_OK; }
HRESULT CActiveXFrameWnd::SetStatusText(LPCOLESTR) { return S_OK; }
HRESULT CActiveXFrameWnd::EnableModeless(BOOL) { return S_OK; }
HRESULT CActiveXFrameWnd::TranslateAccelerator(LPMSG, WORD) { return S_FALSE; }

}  // namespace SkinUI
