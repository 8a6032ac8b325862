#include "platform/src/web/WebBrowserObject.h"

#include <downloadmgr.h>
#include <oleauto.h>
#include <servprov.h>

#include <algorithm>

#include "platform/src/internal/utf.h"
#include "platform/src/web/GlibPump.h"
#include "platform/src/web/WebDocument.h"
#include "platform/src/web/WebEmbeddingWindow.h"
#include "platform/src/web/WebEngineView.h"
#include "platform/src/web/WebScriptErrorEvent.h"

namespace jf {

namespace {

constexpr LONG kNavigateForward = 1;  // CSC_NAVIGATEFORWARD
constexpr LONG kNavigateBack = 2;     // CSC_NAVIGATEBACK
constexpr DWORD kUserInitiated = 0x2;  // NWMF_USERINITIATED
constexpr LONG kProgressMax = 10000;
constexpr HRESULT kResourceNotFound = HRESULT(0x800C0005L);  // INET_E_RESOURCE_NOT_FOUND
constexpr HRESULT kDownloadFailure = HRESULT(0x800C0008L);   // INET_E_DOWNLOAD_FAILURE
constexpr UINT kUtf8CodePage = 65001;

template <class T>
void ReleaseInto(T*& p) {
  if (p) p->Release();
  p = nullptr;
}

HRESULT Text(const std::wstring& text, BSTR* out) {
  if (!out) return E_POINTER;
  *out = SysAllocString(text.c_str());
  return S_OK;
}

HRESULT Number(LONG value, LONG* out) {
  if (!out) return E_POINTER;
  *out = value;
  return S_OK;
}

HRESULT Flag(bool value, VARIANT_BOOL* out) {
  if (!out) return E_POINTER;
  *out = value ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

// The address a Navigate2 argument holds: a text, or a reference to one.
bool UrlOf(const VARIANT* v, std::wstring* url) {
  while (v && v->vt == (VT_VARIANT | VT_BYREF)) v = v->pvarVal;
  if (!v) return false;
  const BSTR text = v->vt == VT_BSTR ? v->bstrVal : v->vt == (VT_BSTR | VT_BYREF) && v->pbstrVal ? *v->pbstrVal : nullptr;
  if (!text) return false;
  *url = text;
  return true;
}

}  // namespace

WebBrowserObject* WebBrowserObject::Create() {
  auto* object = new WebBrowserObject();
  if (!object->m_view->IsReady()) {
    object->Release();
    return nullptr;
  }
  return object;
}

WebBrowserObject::WebBrowserObject() : m_pump(GlibPump::ForThisThread()) { ConnectEngine(); }

WebBrowserObject::~WebBrowserObject() {
  InPlaceDeactivate();
  m_point.UnadviseAll();
  ReleaseInto(m_document);
  ReleaseInto(m_inPlaceSite);
  ReleaseInto(m_clientSite);
  ReleaseInto(m_site);
  m_window.reset();
  if (m_view) {
    // The view may be inside one of its own callbacks now: it ends from the pump's next turn.
    m_view->Detach();
    m_view->Stop();
    std::shared_ptr<WebEngineView> view(std::move(m_view));
    m_pump->Defer([view]() mutable { view.reset(); });
  }
}

void WebBrowserObject::ConnectEngine() {
  WebEngineEvents events;
  events.beforeNavigate = [this](const std::string& url, bool newWindow, bool gesture) {
    return OnBeforeNavigate(FromUtf8(url), newWindow, gesture);
  };
  events.navigateComplete = [this](const std::string& url) { OnNavigateComplete(FromUtf8(url)); };
  events.loadEnded = [this] { OnLoadEnded(); };
  events.documentComplete = [this](const std::string& url) { OnDocumentComplete(FromUtf8(url)); };
  events.navigateError = [this](const std::string& url, int status) { OnNavigateError(FromUtf8(url), status); };
  events.webProcessEnded = [this](bool outOfMemory) { OnWebProcessEnded(outOfMemory); };
  events.titleChange = [this](const std::string& title) {
    if (m_document) m_document->SetTitle(FromUtf8(title));
    if (!m_frozen) m_events.TitleChange(FromUtf8(title));
  };
  events.progressChange = [this](double progress) {
    if (!m_frozen) m_events.ProgressChange(LONG(progress * kProgressMax), kProgressMax);
  };
  events.statusText = [this](const std::string& text) {
    if (!m_frozen) m_events.StatusTextChange(FromUtf8(text));
  };
  events.commandState = [this](bool back, bool forward) { OnCommandState(back, forward); };
  events.scriptError = [this](int line, int column, const std::string& message, const std::string& url) {
    OnScriptError(line, column, FromUtf8(message), FromUtf8(url));
  };
  events.download = [this](const std::string& url) { OnDownload(FromUtf8(url)); };
  events.frame = [this](const uint8_t* bits, int width, int height, int stride) {
    if (m_window) m_window->Frame(bits, width, height, stride);
  };
  m_view.reset(new WebEngineView(std::max(1, int(m_rect.right - m_rect.left)),
                                 std::max(1, int(m_rect.bottom - m_rect.top)), std::move(events)));
}

void WebBrowserObject::Kick() { m_pump->Kick(); }

// ---- The engine's events ----

bool WebBrowserObject::OnBeforeNavigate(const std::wstring& url, bool newWindow, bool userGesture) {
  AddRef();  // a sink may release the browser inside an event
  bool cancel = false;
  if (newWindow) {
    std::wstring context;
    if (m_view) context = FromUtf8(m_view->Uri());
    cancel = m_events.NewWindow3(userGesture ? kUserInitiated : 0, context, url);
    // No window of its own here: a page nobody took over opens in this browser.
    if (!cancel) NavigateTo(url);
  } else {
    // The engine begins the navigation asked (or one that replaces it): it ends as any load.
    m_asked.clear();
    cancel = m_events.BeforeNavigate2(url, 0, L"", L"");
    if (!cancel) {
      m_busy = true;
      m_loading = url;
      m_readyState = READYSTATE_LOADING;
      m_events.DownloadBegin();
    }
  }
  Release();
  return cancel;
}

void WebBrowserObject::OnNavigateComplete(const std::wstring& url) {
  AddRef();
  ReleaseInto(m_document);
  m_document = new WebDocument(url, m_view ? FromUtf8(m_view->Title()) : L"");
  m_readyState = READYSTATE_INTERACTIVE;
  m_events.NavigateComplete2(url);
  // The new document asks its host how to look, as the system's does once it is set up.
  if (IDocHostUIHandler* handler = m_document ? m_document->UIHandler() : nullptr) {
    DOCHOSTUIINFO info = {};
    info.cbSize = sizeof info;
    handler->GetHostInfo(&info);
    handler->UpdateUI();
    handler->Release();
    CoTaskMemFree(info.pchHostCss);
    CoTaskMemFree(info.pchHostNS);
  }
  Release();
}

void WebBrowserObject::OnLoadEnded() {
  AddRef();
  EndLoad();
  Release();
}

void WebBrowserObject::EndLoad() {
  m_busy = false;
  m_readyState = READYSTATE_COMPLETE;
  m_events.DownloadComplete();
}

void WebBrowserObject::OnDocumentComplete(const std::wstring& url) {
  AddRef();
  m_events.DocumentComplete(url);
  Release();
}

void WebBrowserObject::OnNavigateError(const std::wstring& url, int status) {
  AddRef();
  m_events.NavigateError(url, L"", status ? LONG(status) : LONG(kResourceNotFound));
  Release();
}

// The page's process died with its load under way, or before the engine began the navigation
// asked last (which the engine then forgets): that navigation fails as one the network cut off
// (or one that ran out of memory), and the load ends. A load under way that a navigation asked
// since replaces was given up for it, and is not heard of.
void WebBrowserObject::OnWebProcessEnded(bool outOfMemory) {
  const std::wstring failed = !m_asked.empty() ? m_asked : m_busy ? m_loading : L"";
  m_asked.clear();
  if (failed.empty() && !m_busy) return;
  AddRef();
  if (!failed.empty()) m_events.NavigateError(failed, L"", LONG(outOfMemory ? E_OUTOFMEMORY : kDownloadFailure));
  if (m_busy) EndLoad();
  Release();
}

void WebBrowserObject::OnCommandState(bool back, bool forward) {
  AddRef();
  if (back != m_canGoBack) {
    m_canGoBack = back;
    m_events.CommandStateChange(kNavigateBack, back);
  }
  if (forward != m_canGoForward) {
    m_canGoForward = forward;
    m_events.CommandStateChange(kNavigateForward, forward);
  }
  Release();
}

HRESULT WebBrowserObject::AskHost(REFIID riid, void** ppv) {
  *ppv = nullptr;
  if (IDocHostUIHandler* handler = m_document ? m_document->UIHandler() : nullptr) {
    const HRESULT hr = handler->QueryInterface(riid, ppv);
    handler->Release();
    if (SUCCEEDED(hr) && *ppv) return hr;
  }
  if (m_clientSite) return m_clientSite->QueryInterface(riid, ppv);
  return E_NOINTERFACE;
}

// The host's command target hears of every script error and decides; no dialog is shown
// here either way, and the page's scripts go on.
void WebBrowserObject::OnScriptError(LONG line, LONG column, const std::wstring& message, const std::wstring& url) {
  if (m_silent || !m_document) return;
  AddRef();
  IOleCommandTarget* target = nullptr;
  if (SUCCEEDED(AskHost(IID_IOleCommandTarget, reinterpret_cast<void**>(&target))) && target) {
    WebDocument* document = m_document;
    document->AddRef();
    auto* event = new WebScriptErrorEvent(line, column, message, url);
    document->SetCurrentEvent(event);
    VARIANT in, out;
    VariantInit(&in);
    VariantInit(&out);
    in.vt = VT_UNKNOWN;
    in.punkVal = static_cast<IHTMLDocument2*>(document);
    target->Exec(&CGID_DocHostCommandHandler, OLECMDID_SHOWSCRIPTERROR, 0, &in, &out);
    VariantClear(&out);
    document->SetCurrentEvent(nullptr);
    event->Release();
    document->Release();
    target->Release();
  }
  Release();
}

// A file the engine cannot show goes to the host's download manager. The layer has no URL
// monikers: the address is passed as the download's final (redirect) address.
void WebBrowserObject::OnDownload(const std::wstring& url) {
  AddRef();
  IServiceProvider* services = nullptr;
  if (SUCCEEDED(AskHost(IID_IServiceProvider, reinterpret_cast<void**>(&services))) && services) {
    IDownloadManager* manager = nullptr;
    if (SUCCEEDED(services->QueryService(IID_IDownloadManager, IID_IDownloadManager,
                                         reinterpret_cast<void**>(&manager))) &&
        manager) {
      manager->Download(nullptr, nullptr, 0, 0, nullptr, nullptr, url.c_str(), kUtf8CodePage);
      manager->Release();
    }
    services->Release();
  }
  Release();
}

void WebBrowserObject::OnFocus(bool focused) {
  if (focused && !m_uiActive && m_inPlaceSite) {
    m_uiActive = true;
    m_inPlaceSite->OnUIActivate();
  }
  IOleControlSite* control = nullptr;
  if (m_clientSite &&
      SUCCEEDED(m_clientSite->QueryInterface(IID_IOleControlSite, reinterpret_cast<void**>(&control))) && control) {
    control->OnFocus(focused ? TRUE : FALSE);
    control->Release();
  }
}

// The host's UI handler may show its own menu; the engine shows none of its own anyway.
bool WebBrowserObject::OnContextMenu(POINT screen) {
  IDocHostUIHandler* handler = m_document ? m_document->UIHandler() : nullptr;
  if (!handler) return false;
  const HRESULT hr = handler->ShowContextMenu(0 /* CONTEXT_MENU_DEFAULT */, &screen, nullptr, nullptr);
  handler->Release();
  return hr == S_OK;
}

// ---- In-place activation (windowed) ----

HRESULT WebBrowserObject::ActivateInPlace(IOleClientSite* site, HWND parent, bool uiActivate) {
  if (!m_inPlaceActive) {
    if (!site) return E_INVALIDARG;
    IOleInPlaceSite* inPlace = nullptr;
    if (FAILED(site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&inPlace))) || !inPlace)
      return E_NOINTERFACE;
    if (inPlace->CanInPlaceActivate() != S_OK) {
      inPlace->Release();
      return E_FAIL;
    }
    ReleaseInto(m_inPlaceSite);
    m_inPlaceSite = inPlace;
    m_inPlaceActive = true;  // SetObjectRects may come back from the site now
    inPlace->OnInPlaceActivate();
    HWND window = nullptr;
    if (FAILED(inPlace->GetWindow(&window)) || !window) window = parent;
    IOleInPlaceFrame* frame = nullptr;
    IOleInPlaceUIWindow* document = nullptr;
    RECT pos = {}, clip = {};
    OLEINPLACEFRAMEINFO info = {};
    info.cb = sizeof info;
    if (SUCCEEDED(inPlace->GetWindowContext(&frame, &document, &pos, &clip, &info)) && !IsRectEmpty(&pos)) {
      m_rect = pos;
    }
    ReleaseInto(frame);
    ReleaseInto(document);
    m_window.reset(new WebEmbeddingWindow(
        m_view.get(), WebEmbeddingWindow::Callbacks{[this] { Kick(); }, [this](bool focused) { OnFocus(focused); },
                                                   [this](POINT screen) { return OnContextMenu(screen); }}));
    if (!m_window->Create(window, m_rect)) {
      m_window.reset();
      InPlaceDeactivate();
      return E_FAIL;
    }
    if (!m_visible) ShowWindow(m_window->Handle(), SW_HIDE);
  }
  if (uiActivate && !m_uiActive) {
    m_uiActive = true;
    if (m_inPlaceSite) m_inPlaceSite->OnUIActivate();
    if (m_window && GetFocus() != m_window->Handle()) SetFocus(m_window->Handle());
  }
  return S_OK;
}

HRESULT WebBrowserObject::NavigateTo(const std::wstring& url) {
  if (!m_view) return E_FAIL;
  m_asked = url;
  m_view->LoadUri(ToUtf8(url));
  Kick();
  return S_OK;
}

// ---- IUnknown ----

HRESULT WebBrowserObject::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IWebBrowser || riid == IID_IWebBrowserApp ||
      riid == IID_IWebBrowser2) {
    *ppv = static_cast<IWebBrowser2*>(this);
  } else if (riid == IID_IOleObject) {
    *ppv = static_cast<IOleObject*>(this);
  } else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceObject) {
    *ppv = static_cast<IOleInPlaceObject*>(this);
  } else if (riid == IID_IOleInPlaceActiveObject) {
    *ppv = static_cast<IOleInPlaceActiveObject*>(this);
  } else if (riid == IID_IOleControl) {
    *ppv = static_cast<IOleControl*>(this);
  } else if (riid == IID_IPersist || riid == IID_IPersistStreamInit) {
    *ppv = static_cast<IPersistStreamInit*>(this);
  } else if (riid == IID_IObjectWithSite) {
    *ppv = static_cast<IObjectWithSite*>(this);
  } else if (riid == IID_IConnectionPointContainer) {
    *ppv = static_cast<IConnectionPointContainer*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG WebBrowserObject::AddRef() { return ULONG(++m_refs); }

ULONG WebBrowserObject::Release() {
  const LONG left = --m_refs;
  if (left == 0) delete this;
  return ULONG(left);
}

// ---- IWebBrowser2 ----

HRESULT WebBrowserObject::GoBack() {
  if (!m_canGoBack || !m_view) return E_FAIL;
  m_asked = FromUtf8(m_view->HistoryUri(-1));
  m_view->GoBack();
  Kick();
  return S_OK;
}

HRESULT WebBrowserObject::GoForward() {
  if (!m_canGoForward || !m_view) return E_FAIL;
  m_asked = FromUtf8(m_view->HistoryUri(1));
  m_view->GoForward();
  Kick();
  return S_OK;
}

HRESULT WebBrowserObject::Navigate(BSTR URL, VARIANT*, VARIANT*, VARIANT*, VARIANT*) {
  if (!URL) return E_INVALIDARG;
  return NavigateTo(URL);
}

HRESULT WebBrowserObject::Navigate2(VARIANT* URL, VARIANT*, VARIANT*, VARIANT*, VARIANT*) {
  std::wstring url;
  if (!UrlOf(URL, &url)) return E_INVALIDARG;
  return NavigateTo(url);
}

HRESULT WebBrowserObject::Refresh() {
  if (!m_view) return E_FAIL;
  m_asked = FromUtf8(m_view->Uri());
  m_view->Reload();
  Kick();
  return S_OK;
}

HRESULT WebBrowserObject::Refresh2(VARIANT*) { return Refresh(); }

HRESULT WebBrowserObject::Stop() {
  if (!m_view) return E_FAIL;
  m_asked.clear();  // over by the host's word
  m_view->Stop();
  Kick();
  return S_OK;
}

HRESULT WebBrowserObject::get_Application(IDispatch** ppDisp) {
  if (!ppDisp) return E_POINTER;
  *ppDisp = static_cast<IWebBrowser2*>(this);
  AddRef();
  return S_OK;
}

HRESULT WebBrowserObject::get_Document(IDispatch** ppDisp) {
  if (!ppDisp) return E_POINTER;
  *ppDisp = m_document ? static_cast<IHTMLDocument2*>(m_document) : nullptr;
  if (!*ppDisp) return S_FALSE;
  (*ppDisp)->AddRef();
  return S_OK;
}

HRESULT WebBrowserObject::get_TopLevelContainer(VARIANT_BOOL* pBool) { return Flag(false, pBool); }
HRESULT WebBrowserObject::get_Type(BSTR* Type) { return Text(m_document ? L"HTML Document" : L"", Type); }

HRESULT WebBrowserObject::get_Left(LONG* pl) { return Number(m_rect.left, pl); }
HRESULT WebBrowserObject::get_Top(LONG* pl) { return Number(m_rect.top, pl); }
HRESULT WebBrowserObject::get_Width(LONG* pl) { return Number(m_rect.right - m_rect.left, pl); }
HRESULT WebBrowserObject::get_Height(LONG* pl) { return Number(m_rect.bottom - m_rect.top, pl); }

HRESULT WebBrowserObject::get_LocationName(BSTR* LocationName) {
  std::wstring name = m_view ? FromUtf8(m_view->Title()) : L"";
  if (name.empty() && m_view) name = FromUtf8(m_view->Uri());
  return Text(name, LocationName);
}

HRESULT WebBrowserObject::get_LocationURL(BSTR* LocationURL) {
  return Text(m_view ? FromUtf8(m_view->Uri()) : L"", LocationURL);
}

HRESULT WebBrowserObject::get_Busy(VARIANT_BOOL* pBool) { return Flag(m_busy, pBool); }

// As the system's control: the browser inside another window has no frame window of its own.
HRESULT WebBrowserObject::get_HWND(SHANDLE_PTR* pHWND) {
  if (!pHWND) return E_POINTER;
  *pHWND = 0;
  return E_FAIL;
}

HRESULT WebBrowserObject::get_Visible(VARIANT_BOOL* pBool) { return Flag(m_visible, pBool); }

HRESULT WebBrowserObject::put_Visible(VARIANT_BOOL Value) {
  m_visible = Value != VARIANT_FALSE;
  if (m_window && m_window->Handle()) ShowWindow(m_window->Handle(), m_visible ? SW_SHOW : SW_HIDE);
  return S_OK;
}

HRESULT WebBrowserObject::get_ReadyState(READYSTATE* plReadyState) {
  if (!plReadyState) return E_POINTER;
  *plReadyState = m_readyState;
  return S_OK;
}

HRESULT WebBrowserObject::get_Offline(VARIANT_BOOL* pbOffline) { return Flag(m_offline, pbOffline); }
HRESULT WebBrowserObject::put_Offline(VARIANT_BOOL bOffline) {
  m_offline = bOffline != VARIANT_FALSE;
  return S_OK;
}
HRESULT WebBrowserObject::get_Silent(VARIANT_BOOL* pbSilent) { return Flag(m_silent, pbSilent); }
HRESULT WebBrowserObject::put_Silent(VARIANT_BOOL bSilent) {
  m_silent = bSilent != VARIANT_FALSE;
  return S_OK;
}
HRESULT WebBrowserObject::get_RegisterAsBrowser(VARIANT_BOOL* pbRegister) { return Flag(m_registerAsBrowser, pbRegister); }
HRESULT WebBrowserObject::put_RegisterAsBrowser(VARIANT_BOOL bRegister) {
  m_registerAsBrowser = bRegister != VARIANT_FALSE;
  return S_OK;
}
HRESULT WebBrowserObject::get_RegisterAsDropTarget(VARIANT_BOOL* pbRegister) {
  return Flag(m_registerAsDropTarget, pbRegister);
}
HRESULT WebBrowserObject::put_RegisterAsDropTarget(VARIANT_BOOL bRegister) {
  m_registerAsDropTarget = bRegister != VARIANT_FALSE;
  return S_OK;
}

// The rest of the browser's automation is not offered.
HRESULT WebBrowserObject::GoHome() { return E_NOTIMPL; }
HRESULT WebBrowserObject::GoSearch() { return E_NOTIMPL; }
HRESULT WebBrowserObject::get_Parent(IDispatch**) { return E_NOTIMPL; }
HRESULT WebBrowserObject::get_Container(IDispatch**) { return E_NOTIMPL; }
HRESULT WebBrowserObject::put_Left(LONG) { return E_NOTIMPL; }
HRESULT WebBrowserObject::put_Top(LONG) { return E_NOTIMPL; }
HRESULT WebBrowserObject::put_Width(LONG) { return E_NOTIMPL; }
HRESULT WebBrowserObject::put_Height(LONG) { return E_NOTIMPL; }
HRESULT WebBrowserObject::Quit() { return E_NOTIMPL; }
HRESULT WebBrowserObject::ClientToWindow(int*, int*) { return E_NOTIMPL; }
HRESULT WebBrowserObject::PutProperty(BSTR, VARIANT) { return E_NOTIMPL; }
HRESULT WebBrowserObject::GetProperty(BSTR, VARIANT*) { return E_NOTIMPL; }
HRESULT WebBrowserObject::get_Name(BSTR*) { return E_NOTIMPL; }
HRESULT WebBrowserObject::get_FullName(BSTR*) { return E_NOTIMPL; }
HRESULT WebBrowserObject::get_Path(BSTR*) { return E_NOTIMPL; }
HRESULT WebBrowserObject::get_StatusBar(VARIANT_BOOL*) { return E_NOTIMPL; }
HRESULT WebBrowserObject::put_StatusBar(VARIANT_BOOL) { return E_NOTIMPL; }
HRESULT WebBrowserObject::get_StatusText(BSTR*) { return E_NOTIMPL; }
HRESULT WebBrowserObject::put_StatusText(BSTR) { return E_NOTIMPL; }
HRESULT WebBrowserObject::get_ToolBar(int*) { return E_NOTIMPL; }
HRESULT WebBrowserObject::put_ToolBar(int) { return E_NOTIMPL; }
HRESULT WebBrowserObject::get_MenuBar(VARIANT_BOOL*) { return E_NOTIMPL; }
HRESULT WebBrowserObject::put_MenuBar(VARIANT_BOOL) { return E_NOTIMPL; }
HRESULT WebBrowserObject::get_FullScreen(VARIANT_BOOL*) { return E_NOTIMPL; }
HRESULT WebBrowserObject::put_FullScreen(VARIANT_BOOL) { return E_NOTIMPL; }
HRESULT WebBrowserObject::QueryStatusWB(OLECMDID, OLECMDF*) { return E_NOTIMPL; }
HRESULT WebBrowserObject::ExecWB(OLECMDID, OLECMDEXECOPT, VARIANT*, VARIANT*) { return E_NOTIMPL; }
HRESULT WebBrowserObject::ShowBrowserBar(VARIANT*, VARIANT*, VARIANT*) { return E_NOTIMPL; }
HRESULT WebBrowserObject::get_TheaterMode(VARIANT_BOOL*) { return E_NOTIMPL; }
HRESULT WebBrowserObject::put_TheaterMode(VARIANT_BOOL) { return E_NOTIMPL; }
HRESULT WebBrowserObject::get_AddressBar(VARIANT_BOOL*) { return E_NOTIMPL; }
HRESULT WebBrowserObject::put_AddressBar(VARIANT_BOOL) { return E_NOTIMPL; }
HRESULT WebBrowserObject::get_Resizable(VARIANT_BOOL*) { return E_NOTIMPL; }
HRESULT WebBrowserObject::put_Resizable(VARIANT_BOOL) { return E_NOTIMPL; }

// ---- IOleObject ----

HRESULT WebBrowserObject::SetClientSite(IOleClientSite* pClientSite) {
  if (pClientSite) pClientSite->AddRef();
  ReleaseInto(m_clientSite);
  m_clientSite = pClientSite;
  return S_OK;
}

HRESULT WebBrowserObject::GetClientSite(IOleClientSite** ppClientSite) {
  if (!ppClientSite) return E_POINTER;
  *ppClientSite = m_clientSite;
  if (m_clientSite) m_clientSite->AddRef();
  return S_OK;
}

HRESULT WebBrowserObject::SetHostNames(LPCOLESTR, LPCOLESTR) { return S_OK; }

HRESULT WebBrowserObject::Close(DWORD) {
  InPlaceDeactivate();
  Stop();
  return S_OK;
}

HRESULT WebBrowserObject::SetMoniker(DWORD, IMoniker*) { return E_NOTIMPL; }
HRESULT WebBrowserObject::GetMoniker(DWORD, DWORD, IMoniker** ppmk) {
  if (ppmk) *ppmk = nullptr;
  return E_NOTIMPL;
}
HRESULT WebBrowserObject::InitFromData(IDataObject*, BOOL, DWORD) { return E_NOTIMPL; }
HRESULT WebBrowserObject::GetClipboardData(DWORD, IDataObject** ppDataObject) {
  if (ppDataObject) *ppDataObject = nullptr;
  return E_NOTIMPL;
}

HRESULT WebBrowserObject::DoVerb(LONG iVerb, LPMSG, IOleClientSite* pActiveSite, LONG, HWND hwndParent, LPCRECT) {
  IOleClientSite* site = pActiveSite ? pActiveSite : m_clientSite;
  switch (iVerb) {
    case OLEIVERB_INPLACEACTIVATE:
      return ActivateInPlace(site, hwndParent, false);
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_UIACTIVATE:
      return ActivateInPlace(site, hwndParent, true);
    case OLEIVERB_HIDE:
      if (m_window && m_window->Handle()) ShowWindow(m_window->Handle(), SW_HIDE);
      return S_OK;
    default:
      return E_NOTIMPL;
  }
}

HRESULT WebBrowserObject::EnumVerbs(IEnumOLEVERB** ppEnumOleVerb) {
  if (ppEnumOleVerb) *ppEnumOleVerb = nullptr;
  return E_NOTIMPL;
}
HRESULT WebBrowserObject::Update() { return S_OK; }
HRESULT WebBrowserObject::IsUpToDate() { return S_OK; }

HRESULT WebBrowserObject::GetUserClassID(CLSID* pClsid) {
  if (!pClsid) return E_POINTER;
  *pClsid = CLSID_WebBrowser;
  return S_OK;
}

HRESULT WebBrowserObject::GetUserType(DWORD, LPOLESTR* pszUserType) {
  if (pszUserType) *pszUserType = nullptr;
  return E_NOTIMPL;
}

HRESULT WebBrowserObject::SetExtent(DWORD dwDrawAspect, SIZEL* psizel) {
  if (!psizel) return E_POINTER;
  if (dwDrawAspect != DVASPECT_CONTENT) return E_NOTIMPL;
  m_extent = *psizel;
  return S_OK;
}

HRESULT WebBrowserObject::GetExtent(DWORD dwDrawAspect, SIZEL* psizel) {
  if (!psizel) return E_POINTER;
  if (dwDrawAspect != DVASPECT_CONTENT) return E_NOTIMPL;
  *psizel = m_extent;
  return S_OK;
}

HRESULT WebBrowserObject::Advise(IAdviseSink*, DWORD* pdwConnection) {
  if (pdwConnection) *pdwConnection = 0;
  return E_NOTIMPL;
}
HRESULT WebBrowserObject::Unadvise(DWORD) { return E_NOTIMPL; }
HRESULT WebBrowserObject::EnumAdvise(IEnumSTATDATA** ppenumAdvise) {
  if (ppenumAdvise) *ppenumAdvise = nullptr;
  return E_NOTIMPL;
}

HRESULT WebBrowserObject::GetMiscStatus(DWORD, DWORD* pdwStatus) {
  if (!pdwStatus) return E_POINTER;
  *pdwStatus = OLEMISC_SETCLIENTSITEFIRST | OLEMISC_RECOMPOSEONRESIZE;
  return S_OK;
}

HRESULT WebBrowserObject::SetColorScheme(LOGPALETTE*) { return E_NOTIMPL; }

// ---- IOleWindow, IOleInPlaceObject ----

HRESULT WebBrowserObject::GetWindow(HWND* phwnd) {
  if (!phwnd) return E_POINTER;
  *phwnd = m_window ? m_window->Handle() : nullptr;
  return *phwnd ? S_OK : E_FAIL;
}

HRESULT WebBrowserObject::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

HRESULT WebBrowserObject::InPlaceDeactivate() {
  if (!m_inPlaceActive) return S_OK;
  UIDeactivate();
  m_inPlaceActive = false;
  m_window.reset();
  if (IOleInPlaceSite* site = m_inPlaceSite) {
    m_inPlaceSite = nullptr;
    site->OnInPlaceDeactivate();
    site->Release();
  }
  return S_OK;
}

HRESULT WebBrowserObject::UIDeactivate() {
  if (!m_uiActive) return S_OK;
  m_uiActive = false;
  if (m_inPlaceSite) m_inPlaceSite->OnUIDeactivate(FALSE);
  return S_OK;
}

HRESULT WebBrowserObject::SetObjectRects(LPCRECT lprcPosRect, LPCRECT) {
  if (!lprcPosRect) return E_POINTER;
  m_rect = *lprcPosRect;
  if (m_window) m_window->Move(m_rect);
  return S_OK;
}

HRESULT WebBrowserObject::ReactivateAndUndo() { return E_NOTIMPL; }

// ---- IOleInPlaceActiveObject ----

// Keys that type or move the caret belong to the page. Accelerator keys (with Ctrl or Alt,
// and the function keys) are offered to the host's UI handler first; what it takes (S_OK)
// goes no further.
HRESULT WebBrowserObject::TranslateAccelerator(LPMSG lpmsg) {
  if (!lpmsg) return E_INVALIDARG;
  if (lpmsg->message != WM_KEYDOWN && lpmsg->message != WM_SYSKEYDOWN) return S_FALSE;
  const bool function = lpmsg->wParam >= VK_F1 && lpmsg->wParam <= VK_F1 + 23;  // F1 to F24
  const bool chord = GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0 || lpmsg->message == WM_SYSKEYDOWN;
  if (!function && !chord) return S_FALSE;
  IDocHostUIHandler* handler = m_document ? m_document->UIHandler() : nullptr;
  if (!handler) return S_FALSE;
  const HRESULT hr = handler->TranslateAccelerator(lpmsg, nullptr, 0);
  handler->Release();
  return hr == S_OK ? S_OK : S_FALSE;
}

HRESULT WebBrowserObject::OnFrameWindowActivate(BOOL) { return S_OK; }
HRESULT WebBrowserObject::OnDocWindowActivate(BOOL) { return S_OK; }
HRESULT WebBrowserObject::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return S_OK; }
HRESULT WebBrowserObject::EnableModeless(BOOL) { return S_OK; }

// ---- IOleControl ----

HRESULT WebBrowserObject::GetControlInfo(CONTROLINFO* pCI) {
  if (!pCI) return E_POINTER;
  pCI->cb = sizeof(CONTROLINFO);
  pCI->hAccel = nullptr;
  pCI->cAccel = 0;
  pCI->dwFlags = 0;
  return S_OK;
}
HRESULT WebBrowserObject::OnMnemonic(MSG*) { return E_NOTIMPL; }
HRESULT WebBrowserObject::OnAmbientPropertyChange(DISPID) { return S_OK; }

// While frozen, the notices a host only watches (title, progress, status) are not sent.
HRESULT WebBrowserObject::FreezeEvents(BOOL bFreeze) {
  m_frozen += bFreeze ? 1 : (m_frozen > 0 ? -1 : 0);
  return S_OK;
}

// ---- IPersistStreamInit: nothing to keep ----

HRESULT WebBrowserObject::GetClassID(CLSID* pClassID) { return GetUserClassID(pClassID); }
HRESULT WebBrowserObject::IsDirty() { return S_FALSE; }
HRESULT WebBrowserObject::Load(LPSTREAM) { return E_NOTIMPL; }
HRESULT WebBrowserObject::Save(LPSTREAM, BOOL) { return E_NOTIMPL; }
HRESULT WebBrowserObject::GetSizeMax(ULARGE_INTEGER*) { return E_NOTIMPL; }
HRESULT WebBrowserObject::InitNew() { return S_OK; }

// ---- IObjectWithSite ----

HRESULT WebBrowserObject::SetSite(IUnknown* pUnkSite) {
  if (pUnkSite) pUnkSite->AddRef();
  ReleaseInto(m_site);
  m_site = pUnkSite;
  return S_OK;
}

HRESULT WebBrowserObject::GetSite(REFIID riid, void** ppvSite) {
  if (!ppvSite) return E_POINTER;
  *ppvSite = nullptr;
  if (!m_site) return E_FAIL;
  return m_site->QueryInterface(riid, ppvSite);
}

// ---- IConnectionPointContainer ----

HRESULT WebBrowserObject::EnumConnectionPoints(IEnumConnectionPoints** ppEnum) {
  if (ppEnum) *ppEnum = nullptr;
  return E_NOTIMPL;
}

HRESULT WebBrowserObject::FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) {
  if (!ppCP) return E_POINTER;
  *ppCP = nullptr;
  if (riid != DIID_DWebBrowserEvents2) return CONNECT_E_NOCONNECTION;
  *ppCP = &m_point;
  m_point.AddRef();
  return S_OK;
}

}  // namespace jf
