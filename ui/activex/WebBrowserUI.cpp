#include "ui/activex/WebBrowserUI.h"

#include <exdispid.h>
#include <mshtml.h>

#include <cwchar>

#include "ui/base/WindowManagerUI.h"

namespace SkinUI {

namespace {

template <class T>
void ReleaseInto(T*& p) {
  if (p) p->Release();
  p = nullptr;
}

// The shape of each event the sink takes: its arguments in their declared order (the
// parameters hold them last first).
struct EventShape {
  DISPID id;
  UINT count;
  VARTYPE types[7];
};

constexpr VARTYPE kVariantRef = VT_VARIANT | VT_BYREF;
constexpr VARTYPE kBoolRef = VT_BOOL | VT_BYREF;
constexpr EventShape kEvents[] = {
    {DISPID_COMMANDSTATECHANGE, 2, {VT_I4, VT_BOOL}},
    {DISPID_BEFORENAVIGATE2, 7, {VT_DISPATCH, kVariantRef, kVariantRef, kVariantRef, kVariantRef, kVariantRef, kBoolRef}},
    {DISPID_NAVIGATECOMPLETE2, 2, {VT_DISPATCH, kVariantRef}},
    {DISPID_NAVIGATEERROR, 5, {VT_DISPATCH, kVariantRef, kVariantRef, kVariantRef, kBoolRef}},
    {DISPID_NEWWINDOW3, 5, {VT_DISPATCH | VT_BYREF, kBoolRef, VT_I4, VT_BSTR, VT_BSTR}},
};

// Checks the parameters against the event's shape before anything reads them.
HRESULT CheckArguments(const EventShape& shape, const DISPPARAMS* params) {
  if (!params || (params->cArgs && !params->rgvarg)) return E_INVALIDARG;
  if (params->cArgs != shape.count) return DISP_E_BADPARAMCOUNT;
  for (UINT i = 0; i < shape.count; ++i) {
    const VARIANT& arg = params->rgvarg[shape.count - 1 - i];
    VARTYPE vt = arg.vt;
    if (shape.types[i] == VT_I4 && vt == VT_UI4) vt = VT_I4;  // a DWORD may come unsigned
    if (vt != shape.types[i]) return DISP_E_TYPEMISMATCH;
    if ((vt & VT_BYREF) && !arg.byref) return E_INVALIDARG;
  }
  return S_OK;
}

}  // namespace

CWebBrowserUI::CWebBrowserUI() { m_clsid = CLSID_WebBrowser; }

CWebBrowserUI::~CWebBrowserUI() {
  CWebBrowserUI::ReleaseControl();
  m_homePage.Empty();
}

LPCWSTR CWebBrowserUI::GetClass() const { return L"WebBrowserUI"; }

LPVOID CWebBrowserUI::GetInterface(LPCWSTR name) {
  if (name && wcscmp(name, L"WebBrowser") == 0) return static_cast<CWebBrowserUI*>(this);
  return CActiveXUI::GetInterface(name);
}

void CWebBrowserUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  if (wcscmp(name, L"homepage") == 0) {
    m_homePage = value;
  } else if (wcscmp(name, L"autonavi") == 0) {
    m_autoNavigate = value && wcscmp(value, L"true") == 0;
  } else {
    CActiveXUI::SetAttribute(name, value);
  }
}

void CWebBrowserUI::Navigate2(LPCWSTR url) {
  if (!url || !m_webBrowser) return;
  VARIANT target;
  VariantInit(&target);
  target.vt = VT_BSTR;
  target.bstrVal = SysAllocString(url);
  if (!target.bstrVal) return;
  m_webBrowser->Navigate2(&target, nullptr, nullptr, nullptr, nullptr);
  VariantClear(&target);
}

bool CWebBrowserUI::DoCreateControl() {
  if (!CActiveXUI::DoCreateControl()) return false;
  if (m_manager) m_manager->AddTranslateAccelerator(static_cast<ITranslateAccelerator*>(this));
  GetControl(IID_IWebBrowser2, reinterpret_cast<void**>(&m_webBrowser));
  if (m_autoNavigate && !m_homePage.IsEmpty()) Navigate2(m_homePage.GetData());
  RegisterEventHandler(true);
  return true;
}

void CWebBrowserUI::ReleaseControl() {
  m_created = false;
  if (m_manager) m_manager->RemoveTranslateAccelerator(static_cast<ITranslateAccelerator*>(this));
  RegisterEventHandler(false);
  // A document may outlive this control (its browser, or the document itself, held
  // elsewhere): it no longer calls the control back.
  SetDocumentUIHandler(nullptr);
  // The browser pointer and the host's object, site and window go too, so that a
  // re-creation leaks nothing.
  ReleaseInto(m_webBrowser);
  CActiveXUI::ReleaseControl();
}

HRESULT CWebBrowserUI::RegisterEventHandler(bool advise) {
  if (!advise && !m_cookie) return S_FALSE;
  IWebBrowser2* browser = nullptr;
  HRESULT hr = GetControl(IID_IWebBrowser2, reinterpret_cast<void**>(&browser));
  IConnectionPointContainer* container = nullptr;
  if (SUCCEEDED(hr)) hr = browser->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container));
  IConnectionPoint* point = nullptr;
  if (SUCCEEDED(hr)) hr = container->FindConnectionPoint(DIID_DWebBrowserEvents2, &point);
  if (SUCCEEDED(hr)) {
    if (advise) {
      hr = point->Advise(static_cast<IDispatch*>(this), &m_cookie);
    } else {
      hr = point->Unadvise(m_cookie);
    }
  }
  if (!advise) m_cookie = 0;
  ReleaseInto(point);
  ReleaseInto(container);
  ReleaseInto(browser);
  return hr;
}

LRESULT CWebBrowserUI::MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) {
  if (msg == WM_ERASEBKGND) {
    handled = true;
    return 1;
  }
  return CActiveXUI::MessageHandler(msg, wParam, lParam, handled);
}

HRESULT CWebBrowserUI::Download(IMoniker* pmk, IBindCtx* pbc, DWORD dwBindVerb, LONG grfBINDF, BINDINFO* pBindInfo,
                                LPCOLESTR pszHeaders, LPCOLESTR pszRedir, UINT uiCP) {
  return AskHandler(S_OK, [&](CWebBrowserEventHandler& h) {
    return h.Download(pmk, pbc, dwBindVerb, grfBINDF, pBindInfo, pszHeaders, pszRedir, uiCP);
  });
}

// ---- IUnknown ----

HRESULT CWebBrowserUI::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (riid == IID_IUnknown || riid == IID_IDocHostUIHandler) {
    *ppv = static_cast<IDocHostUIHandler*>(this);
  } else if (riid == IID_IDispatch) {
    *ppv = static_cast<IDispatch*>(this);
  } else if (riid == IID_IServiceProvider) {
    *ppv = static_cast<IServiceProvider*>(this);
  } else if (riid == IID_IOleCommandTarget) {
    *ppv = static_cast<IOleCommandTarget*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

// The control owns its lifetime; the count only answers the callers.
ULONG CWebBrowserUI::AddRef() { return ULONG(InterlockedIncrement(&m_refs)); }
ULONG CWebBrowserUI::Release() { return ULONG(InterlockedDecrement(&m_refs)); }

// ---- IDocHostUIHandler: the handler's answers, else the defaults it would give ----

// The browser calls in from its own loop, outside any message of the framework: a frame holds
// this control and its window until the call has returned, and the handler of a window that
// is gone is asked nothing more.
CWebBrowserEventHandler* CWebBrowserUI::Handler() const {
  return m_manager && m_manager->IsWindowGone() ? nullptr : m_handler;
}

template <class Ask>
HRESULT CWebBrowserUI::AskHandler(HRESULT none, Ask&& ask) {
  CWindowWnd::DispatchScope frame;
  CWebBrowserEventHandler* handler = Handler();
  return handler ? ask(*handler) : none;
}

HRESULT CWebBrowserUI::ShowContextMenu(DWORD dwID, POINT* ppt, IUnknown* pcmdtReserved, IDispatch* pdispReserved) {
  return AskHandler(S_FALSE, [&](CWebBrowserEventHandler& h) {
    return h.ShowContextMenu(dwID, ppt, pcmdtReserved, pdispReserved);
  });
}
HRESULT CWebBrowserUI::GetHostInfo(DOCHOSTUIINFO* pInfo) {
  return AskHandler(E_NOTIMPL, [&](CWebBrowserEventHandler& h) { return h.GetHostInfo(pInfo); });
}
HRESULT CWebBrowserUI::ShowUI(DWORD dwID, IOleInPlaceActiveObject* pActiveObject, IOleCommandTarget* pCommandTarget,
                              IOleInPlaceFrame* pFrame, IOleInPlaceUIWindow* pDoc) {
  return AskHandler(E_NOTIMPL, [&](CWebBrowserEventHandler& h) {
    return h.ShowUI(dwID, pActiveObject, pCommandTarget, pFrame, pDoc);
  });
}
HRESULT CWebBrowserUI::HideUI() {
  return AskHandler(E_NOTIMPL, [](CWebBrowserEventHandler& h) { return h.HideUI(); });
}
HRESULT CWebBrowserUI::UpdateUI() {
  return AskHandler(E_NOTIMPL, [](CWebBrowserEventHandler& h) { return h.UpdateUI(); });
}
HRESULT CWebBrowserUI::EnableModeless(BOOL fEnable) {
  return AskHandler(E_NOTIMPL, [&](CWebBrowserEventHandler& h) { return h.EnableModeless(fEnable); });
}
HRESULT CWebBrowserUI::OnDocWindowActivate(BOOL fActivate) {
  return AskHandler(E_NOTIMPL, [&](CWebBrowserEventHandler& h) { return h.OnDocWindowActivate(fActivate); });
}
HRESULT CWebBrowserUI::OnFrameWindowActivate(BOOL fActivate) {
  return AskHandler(E_NOTIMPL, [&](CWebBrowserEventHandler& h) { return h.OnFrameWindowActivate(fActivate); });
}
HRESULT CWebBrowserUI::ResizeBorder(LPCRECT prcBorder, IOleInPlaceUIWindow* pUIWindow, BOOL fRameWindow) {
  return AskHandler(E_NOTIMPL,
                    [&](CWebBrowserEventHandler& h) { return h.ResizeBorder(prcBorder, pUIWindow, fRameWindow); });
}
HRESULT CWebBrowserUI::TranslateAccelerator(LPMSG lpMsg, const GUID* pguidCmdGroup, DWORD nCmdID) {
  return AskHandler(S_OK, [&](CWebBrowserEventHandler& h) { return h.TranslateAccelerator(lpMsg, pguidCmdGroup, nCmdID); });
}
HRESULT CWebBrowserUI::GetOptionKeyPath(LPOLESTR* pchKey, DWORD dw) {
  return AskHandler(E_NOTIMPL, [&](CWebBrowserEventHandler& h) { return h.GetOptionKeyPath(pchKey, dw); });
}
HRESULT CWebBrowserUI::GetDropTarget(IDropTarget* pDropTarget, IDropTarget** ppDropTarget) {
  return AskHandler(S_FALSE, [&](CWebBrowserEventHandler& h) { return h.GetDropTarget(pDropTarget, ppDropTarget); });
}
HRESULT CWebBrowserUI::GetExternal(IDispatch** ppDispatch) {
  return AskHandler(S_FALSE, [&](CWebBrowserEventHandler& h) { return h.GetExternal(ppDispatch); });
}
HRESULT CWebBrowserUI::TranslateUrl(DWORD dwTranslate, LPWSTR pchURLIn, LPWSTR* ppchURLOut) {
  if (ppchURLOut) *ppchURLOut = nullptr;
  return AskHandler(E_NOTIMPL,
                    [&](CWebBrowserEventHandler& h) { return h.TranslateUrl(dwTranslate, pchURLIn, ppchURLOut); });
}
HRESULT CWebBrowserUI::FilterDataObject(IDataObject* pDO, IDataObject** ppDORet) {
  if (ppDORet) *ppDORet = nullptr;
  return AskHandler(E_NOTIMPL, [&](CWebBrowserEventHandler& h) { return h.FilterDataObject(pDO, ppDORet); });
}

// ---- IServiceProvider ----

HRESULT CWebBrowserUI::QueryService(REFGUID guidService, REFIID riid, void** ppvObject) {
  if (!ppvObject) return E_POINTER;
  *ppvObject = nullptr;
  if (guidService == IID_IDownloadManager && riid == IID_IDownloadManager) {
    *ppvObject = static_cast<IDownloadManager*>(&m_downloadFace);
    m_downloadFace.AddRef();
    return S_OK;
  }
  return E_NOINTERFACE;
}

// ---- IOleCommandTarget ----

HRESULT CWebBrowserUI::QueryStatus(const GUID*, ULONG, OLECMD[], OLECMDTEXT*) { return OLECMDERR_E_UNKNOWNGROUP; }

HRESULT CWebBrowserUI::Exec(const GUID* pguidCmdGroup, DWORD nCmdID, DWORD, VARIANT* pvaIn, VARIANT* pvaOut) {
  if (!pguidCmdGroup || *pguidCmdGroup != CGID_DocHostCommandHandler) return OLECMDERR_E_NOTSUPPORTED;
  if (nCmdID != OLECMDID_SHOWSCRIPTERROR) return OLECMDERR_E_UNKNOWNGROUP;
  // The document comes as an interface pointer; anything else is refused before it is read.
  if (!pvaIn || !pvaOut) return E_INVALIDARG;
  if (pvaIn->vt != VT_UNKNOWN && pvaIn->vt != VT_DISPATCH) return DISP_E_TYPEMISMATCH;
  if (!pvaIn->punkVal) return E_INVALIDARG;
  const HRESULT hr = ReadScriptError(pvaIn);
  // The browser carries on running the page's scripts and shows no error dialog.
  pvaOut->vt = VT_BOOL;
  pvaOut->boolVal = VARIANT_TRUE;
  return hr;
}

// Reads the five properties of the script error from the window's current event. The values
// are not shown: a script error in a page must not disturb the installer.
HRESULT CWebBrowserUI::ReadScriptError(VARIANT* in) {
  IHTMLDocument2* document = nullptr;
  IHTMLWindow2* window = nullptr;
  IHTMLEventObj* event = nullptr;
  HRESULT hr = in->punkVal->QueryInterface(IID_IHTMLDocument2, reinterpret_cast<void**>(&document));
  if (SUCCEEDED(hr)) hr = document ? document->get_parentWindow(&window) : E_NOINTERFACE;
  if (SUCCEEDED(hr)) hr = window ? window->get_event(&event) : E_FAIL;
  if (SUCCEEDED(hr) && !event) hr = E_FAIL;
  if (SUCCEEDED(hr)) {
    static const wchar_t* const kNames[] = {L"errorLine", L"errorCharacter", L"errorCode", L"errorMessage",
                                            L"errorUrl"};
    for (const wchar_t* name : kNames) {
      wchar_t buffer[16] = {};
      wcsncpy(buffer, name, 15);
      LPOLESTR names[1] = {buffer};
      DISPID id = 0;
      hr = event->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &id);
      if (FAILED(hr)) continue;
      DISPPARAMS none = {nullptr, nullptr, 0, 0};
      VARIANT value;
      VariantInit(&value);
      hr = event->Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_PROPERTYGET, &none, &value, nullptr, nullptr);
      VariantClear(&value);
    }
  }
  ReleaseInto(event);
  ReleaseInto(window);
  ReleaseInto(document);
  return hr;
}

// ---- IDispatch: the event sink ----

HRESULT CWebBrowserUI::GetTypeInfoCount(UINT* pctinfo) {
  if (pctinfo) *pctinfo = 0;
  return E_NOTIMPL;
}
HRESULT CWebBrowserUI::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }
HRESULT CWebBrowserUI::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

HRESULT CWebBrowserUI::Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                              UINT*) {
  if (riid != IID_NULL) return E_INVALIDARG;
  if (dispIdMember == DISPID_STATUSTEXTCHANGE) return E_NOTIMPL;
  const EventShape* shape = nullptr;
  for (const EventShape& event : kEvents) {
    if (event.id == dispIdMember) shape = &event;
  }
  if (!shape) return DISP_E_MEMBERNOTFOUND;
  const HRESULT checked = CheckArguments(*shape, params);
  if (FAILED(checked)) return checked;
  VARIANTARG* a = params->rgvarg;  // the last argument first
  if (dispIdMember == DISPID_NAVIGATECOMPLETE2) {
    NavigateComplete2(a[1].pdispVal, a[0].pvarVal);
    return S_OK;
  }
  AskHandler(S_OK, [&](CWebBrowserEventHandler& h) {
    switch (dispIdMember) {
      case DISPID_COMMANDSTATECHANGE:
        h.CommandStateChange(a[1].lVal, a[0].boolVal);
        break;
      case DISPID_BEFORENAVIGATE2:
        h.BeforeNavigate2(a[6].pdispVal, a[5].pvarVal, a[4].pvarVal, a[3].pvarVal, a[2].pvarVal, a[1].pvarVal,
                          a[0].pboolVal);
        break;
      case DISPID_NAVIGATEERROR:
        h.NavigateError(a[4].pdispVal, a[3].pvarVal, a[2].pvarVal, a[1].pvarVal, a[0].pboolVal);
        break;
      case DISPID_NEWWINDOW3:
        h.NewWindow3(a[4].ppdispVal, a[3].pboolVal, a[2].ulVal, a[1].bstrVal, a[0].bstrVal);
        break;
      default:
        break;
    }
    return S_OK;
  });
  return S_OK;
}

// Every document that completes loading gets this control as its UI handler.
void CWebBrowserUI::NavigateComplete2(IDispatch* dispatch, VARIANT*& url) {
  CWindowWnd::DispatchScope frame;
  SetDocumentUIHandler(static_cast<IDocHostUIHandler*>(this));
  if (CWebBrowserEventHandler* handler = Handler()) handler->NavigateComplete2(dispatch, url);
}

void CWebBrowserUI::SetDocumentUIHandler(IDocHostUIHandler* handler) {
  IDispatch* document = nullptr;
  if (!m_webBrowser || FAILED(m_webBrowser->get_Document(&document)) || !document) return;
  ICustomDoc* custom = nullptr;
  if (SUCCEEDED(document->QueryInterface(IID_ICustomDoc, reinterpret_cast<void**>(&custom))) && custom) {
    custom->SetUIHandler(handler);
    custom->Release();
  }
  ReleaseInto(document);
}

// ---- Accelerators ----

HRESULT CWebBrowserUI::TranslateAccelerator(MSG* msg) {
  if (!msg || msg->message < WM_KEYFIRST || msg->message > 0x0109) return S_FALSE;
  if (!m_webBrowser) return E_NOTIMPL;
  HWND focus = ::GetFocus();
  while (focus && focus != m_hostWindow) focus = ::GetParent(focus);
  if (!focus) return S_FALSE;
  IOleInPlaceActiveObject* active = nullptr;
  if (FAILED(m_webBrowser->QueryInterface(IID_IOleInPlaceActiveObject, reinterpret_cast<void**>(&active))) || !active)
    return S_FALSE;
  const HRESULT hr = active->TranslateAccelerator(msg);
  active->Release();
  return hr;
}

}  // namespace SkinUI
