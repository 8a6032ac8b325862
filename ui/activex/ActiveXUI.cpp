#include "ui/activex/ActiveXUI.h"

#include <windowsx.h>

#include <cwchar>

#include "ui/activex/ActiveXCtrl.h"
#include "ui/activex/ActiveXWnd.h"
#include "ui/base/WindowManagerUI.h"

namespace SkinUI {

namespace {

constexpr wchar_t kHostName[] = L"UIActiveX";

template <class T>
void ReleaseInto(T*& p) {
  if (p) p->Release();
  p = nullptr;
}

}  // namespace

CActiveXUI::CActiveXUI() = default;

CActiveXUI::~CActiveXUI() { CActiveXUI::ReleaseControl(); }

LPCWSTR CActiveXUI::GetClass() const { return L"ActiveXUI"; }

LPVOID CActiveXUI::GetInterface(LPCWSTR name) {
  if (name && wcscmp(name, L"ActiveX") == 0) return static_cast<CActiveXUI*>(this);
  return CControlUI::GetInterface(name);
}

HACCEL CActiveXUI::GetAcceleratorTable() {
  if (!m_accelerators) {
    ACCEL entry = {0, 0, 0};
    m_accelerators = CreateAcceleratorTableW(&entry, 1);
  }
  return m_accelerators;
}

bool CActiveXUI::CreateControl(LPCWSTR clsidOrProgId) {
  wchar_t buffer[100] = {};
  if (clsidOrProgId) wcsncpy(buffer, clsidOrProgId, 99);
  CLSID clsid = GUID_NULL;
  if (buffer[0] == L'{') {
    CLSIDFromString(buffer, &clsid);
  } else {
    CLSIDFromProgID(buffer, &clsid);
  }
  return CreateControl(clsid);
}

bool CActiveXUI::CreateControl(const CLSID& clsid) {
  if (IsEqualCLSID(clsid, GUID_NULL)) return false;
  m_created = false;
  m_clsid = clsid;
  if (!m_delayCreate) DoCreateControl();
  return true;
}

void CActiveXUI::SetDelayCreate(bool delay) {
  if (m_delayCreate == delay) return;
  if (!delay && !m_created && !IsEqualCLSID(m_clsid, GUID_NULL)) DoCreateControl();
  m_delayCreate = delay;
}

HRESULT CActiveXUI::GetControl(const IID& iid, LPVOID* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!m_object) return OLE_E_BLANK;
  return m_object->QueryInterface(iid, out);
}

void CActiveXUI::ReleaseControl() {
  m_hostWindow = nullptr;
  if (m_object) {
    IObjectWithSite* withSite = nullptr;
    if (SUCCEEDED(m_object->QueryInterface(IID_IObjectWithSite, reinterpret_cast<void**>(&withSite))) && withSite) {
      withSite->SetSite(nullptr);
      withSite->Release();
    }
    m_object->Close(OLECLOSE_NOSAVE);
    m_object->SetClientSite(nullptr);
    ReleaseInto(m_object);
  }
  if (m_site) {
    m_site->SetOwner(nullptr);  // late calls from the object now answer E_UNEXPECTED
    ReleaseInto(m_site);
  }
  if (m_accelerators) {
    DestroyAcceleratorTable(m_accelerators);
    m_accelerators = nullptr;
  }
  if (m_manager) m_manager->RemoveMessageFilter(this);
}

bool CActiveXUI::DoCreateControl() {
  ReleaseControl();
  m_created = true;
  IOleControl* control = nullptr;
  if (!m_moduleName.IsEmpty()) {
    HMODULE module = LoadLibraryW(m_moduleName.GetData());
    // Through a data pointer: entry points come back as the generic FARPROC type.
    auto get = module ? reinterpret_cast<LPFNGETCLASSOBJECT>(
                            reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")))
                      : nullptr;
    IClassFactory* factory = nullptr;
    if (get && SUCCEEDED(get(m_clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory))) && factory) {
      factory->CreateInstance(nullptr, IID_IOleObject, reinterpret_cast<void**>(&control));
      factory->Release();
    }
  }
  if (!control &&
      FAILED(CoCreateInstance(m_clsid, nullptr, CLSCTX_ALL, IID_IOleControl, reinterpret_cast<void**>(&control)))) {
    return false;
  }
  if (!control) return false;
  control->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&m_object));
  control->Release();
  if (!m_object) return false;

  m_site = new CActiveXCtrl();
  m_site->SetOwner(this);
  DWORD status = 0;
  m_object->GetMiscStatus(DVASPECT_CONTENT, &status);
  IOleClientSite* clientSite = nullptr;
  m_site->QueryInterface(IID_IOleClientSite, reinterpret_cast<void**>(&clientSite));
  if (status & OLEMISC_SETCLIENTSITEFIRST) m_object->SetClientSite(clientSite);
  HRESULT hr = S_OK;
  IPersistStreamInit* persist = nullptr;
  if (SUCCEEDED(m_object->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&persist))) && persist) {
    hr = persist->InitNew();
    persist->Release();
  }
  if (FAILED(hr)) {
    ReleaseInto(clientSite);
    return false;
  }
  if (!(status & OLEMISC_SETCLIENTSITEFIRST)) m_object->SetClientSite(clientSite);
  IViewObject* view = nullptr;
  if (FAILED(m_object->QueryInterface(IID_IViewObjectEx, reinterpret_cast<void**>(&view))) &&
      FAILED(m_object->QueryInterface(IID_IViewObject2, reinterpret_cast<void**>(&view)))) {
    m_object->QueryInterface(IID_IViewObject, reinterpret_cast<void**>(&view));
  }
  m_site->SetViewObject(view);
  m_object->SetHostNames(kHostName, nullptr);
  if (m_manager && !m_manager->SendNotify(this, L"showactivex")) {
    // A handler destroyed the window, and this control (which released its object) with it.
    ReleaseInto(clientSite);
    return false;
  }
  if (!(status & OLEMISC_INVISIBLEATRUNTIME) && m_object) {
    hr = m_object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, clientSite, 0,
                          m_manager ? m_manager->GetPaintWindow() : nullptr, &m_rcItem);
  }
  IObjectWithSite* withSite = nullptr;
  if (m_object && SUCCEEDED(m_object->QueryInterface(IID_IObjectWithSite, reinterpret_cast<void**>(&withSite))) &&
      withSite) {
    withSite->SetSite(clientSite);
    withSite->Release();
  }
  ReleaseInto(clientSite);
  return SUCCEEDED(hr);
}

void CActiveXUI::SetPos(RECT rc) {
  CControlUI::SetPos(rc);
  // Creating it notifies "showactivex", whose handler may destroy the window and this control.
  if (!m_created && !CWindowManagerUI::Survives(m_manager, [this] { DoCreateControl(); })) return;
  if (!m_object || !m_site) return;
  HDC screen = ::GetDC(nullptr);
  const int dpiX = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
  const int dpiY = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ::ReleaseDC(nullptr, screen);
  SIZEL extent = {MulDiv(2540, m_rcItem.right - m_rcItem.left, dpiX > 0 ? dpiX : 96),
                  MulDiv(2540, m_rcItem.bottom - m_rcItem.top, dpiY > 0 ? dpiY : 96)};
  m_object->SetExtent(DVASPECT_CONTENT, &extent);
  RECT pos = m_rcItem;
  if (!m_site->IsWindowless()) OffsetRect(&pos, -pos.left, -pos.top);
  if (m_site->GetInPlaceObject()) m_site->GetInPlaceObject()->SetObjectRects(&pos, &pos);
  if (!m_site->IsWindowless() && m_hostWindow) {
    ::MoveWindow(m_hostWindow, m_rcItem.left, m_rcItem.top, m_rcItem.right - m_rcItem.left,
                 m_rcItem.bottom - m_rcItem.top, TRUE);
  }
}

void CActiveXUI::SetVisible(bool visible) {
  CControlUI::SetVisible(visible);
  if (m_hostWindow && m_site && !m_site->IsWindowless()) ::ShowWindow(m_hostWindow, IsVisible() ? SW_SHOW : SW_HIDE);
}

void CActiveXUI::SetInternVisible(bool visible) {
  CControlUI::SetInternVisible(visible);
  if (m_hostWindow && m_site && !m_site->IsWindowless()) ::ShowWindow(m_hostWindow, IsVisible() ? SW_SHOW : SW_HIDE);
}

void CActiveXUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  if (wcscmp(name, L"clsid") == 0) {
    CreateControl(value);
  } else if (wcscmp(name, L"modulename") == 0) {
    SetModuleName(value);
  } else if (wcscmp(name, L"delaycreate") == 0) {
    SetDelayCreate(value && wcscmp(value, L"true") == 0);
  } else {
    CControlUI::SetAttribute(name, value);
  }
}

void CActiveXUI::DoPaint(HDC hdc, const RECT& rcPaint) {
  if (!IntersectRect(&m_rcPaint, &rcPaint, &m_rcItem)) return;
  if (m_site && m_site->IsWindowless() && m_site->GetViewObject()) {
    RECTL bounds = {m_rcItem.left, m_rcItem.top, m_rcItem.right, m_rcItem.bottom};
    m_site->GetViewObject()->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, hdc, &bounds, &bounds, nullptr, 0);
  }
}

LRESULT CActiveXUI::MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) {
  if (!m_site || !m_site->IsInPlaceActive() || !m_site->GetInPlaceObject()) return 0;
  const bool mouse = msg >= WM_MOUSEFIRST && msg <= 0x020D;
  if (mouse && !IsMouseEnabled()) return 0;
  bool decided = true;
  if (mouse || msg == WM_SETCURSOR) {
    bool inside = m_site->IsCaptured();
    if (!inside) {
      IViewObjectEx* viewEx = nullptr;
      if (m_site->GetViewObject() &&
          SUCCEEDED(m_site->GetViewObject()->QueryInterface(IID_IViewObjectEx, reinterpret_cast<void**>(&viewEx))) &&
          viewEx) {
        POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (msg == WM_SETCURSOR) {
          // Its lParam holds a hit-test code and a message: the point is where the cursor is.
          ::GetCursorPos(&pt);
          if (m_manager) ::ScreenToClient(m_manager->GetPaintWindow(), &pt);
        }
        DWORD hit = HITRESULT_OUTSIDE;
        viewEx->QueryHitPoint(DVASPECT_CONTENT, &m_rcItem, pt, 0, &hit);
        inside = hit != HITRESULT_OUTSIDE;
        viewEx->Release();
      }
    }
    if (!inside) return 0;
    if (msg == WM_SETCURSOR) decided = false;
  } else if (msg >= WM_KEYFIRST && msg <= 0x0109) {
    if (!IsFocused()) return 0;
  } else if (msg == WM_HELP || msg == WM_CONTEXTMENU) {
    decided = false;
  } else {
    return 0;
  }
  if (!m_site->IsWindowless()) return 0;
  LRESULT result = 0;
  auto* windowless = static_cast<IOleInPlaceObjectWindowless*>(m_site->GetInPlaceObject());
  if (windowless->OnWindowMessage(msg, wParam, lParam, &result) == S_OK) handled = decided;
  return result;
}

}  // namespace SkinUI
