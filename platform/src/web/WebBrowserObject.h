// The system's web browser object (CLSID_WebBrowser) over the web engine: an OLE control that
// its host activates in place, windowed (a child window of the host's window shows the page),
// with IWebBrowser2 for navigation and the properties a host reads, DWebBrowserEvents2 through
// one connection point, a document whose UI handler the host installs, the host's download
// manager for files, and the host's command target for script errors (no dialog is shown).
#pragma once
#include <windows.h>
#include <docobj.h>
#include <exdisp.h>
#include <mshtmhst.h>
#include <ocidl.h>

#include <memory>
#include <string>

#include "platform/src/web/DispatchWithoutTypeInfo.h"

#include "platform/src/web/WebConnectionPoint.h"
#include "platform/src/web/WebEventFirer.h"

namespace jf {

class GlibPump;
class WebDocument;
class WebEmbeddingWindow;
class WebEngineView;

class WebBrowserObject final : public DispatchWithoutTypeInfo<IWebBrowser2>,
                         public IOleObject,
                         public IOleInPlaceObject,
                         public IOleInPlaceActiveObject,
                         public IOleControl,
                         public IPersistStreamInit,
                         public IObjectWithSite,
                         public IConnectionPointContainer {
 public:
  // A new object with one reference, or null when the engine cannot start here.
  static WebBrowserObject* Create();
  WebBrowserObject(const WebBrowserObject&) = delete;
  WebBrowserObject& operator=(const WebBrowserObject&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IWebBrowser2: navigation and what a host reads
  HRESULT STDMETHODCALLTYPE GoBack() override;
  HRESULT STDMETHODCALLTYPE GoForward() override;
  HRESULT STDMETHODCALLTYPE Navigate(BSTR URL, VARIANT* Flags, VARIANT* TargetFrameName, VARIANT* PostData, VARIANT* Headers) override;
  HRESULT STDMETHODCALLTYPE Refresh() override;
  HRESULT STDMETHODCALLTYPE Refresh2(VARIANT* Level) override;
  HRESULT STDMETHODCALLTYPE Stop() override;
  HRESULT STDMETHODCALLTYPE get_Application(IDispatch** ppDisp) override;
  HRESULT STDMETHODCALLTYPE get_Document(IDispatch** ppDisp) override;
  HRESULT STDMETHODCALLTYPE get_TopLevelContainer(VARIANT_BOOL* pBool) override;
  HRESULT STDMETHODCALLTYPE get_Type(BSTR* Type) override;
  HRESULT STDMETHODCALLTYPE get_Left(LONG* pl) override;
  HRESULT STDMETHODCALLTYPE get_Top(LONG* pl) override;
  HRESULT STDMETHODCALLTYPE get_Width(LONG* pl) override;
  HRESULT STDMETHODCALLTYPE get_Height(LONG* pl) override;
  HRESULT STDMETHODCALLTYPE get_LocationName(BSTR* LocationName) override;
  HRESULT STDMETHODCALLTYPE get_LocationURL(BSTR* LocationURL) override;
  HRESULT STDMETHODCALLTYPE get_Busy(VARIANT_BOOL* pBool) override;
  HRESULT STDMETHODCALLTYPE get_HWND(SHANDLE_PTR* pHWND) override;
  HRESULT STDMETHODCALLTYPE get_Visible(VARIANT_BOOL* pBool) override;
  HRESULT STDMETHODCALLTYPE put_Visible(VARIANT_BOOL Value) override;
  HRESULT STDMETHODCALLTYPE Navigate2(VARIANT* URL, VARIANT* Flags, VARIANT* TargetFrameName, VARIANT* PostData, VARIANT* Headers) override;
  HRESULT STDMETHODCALLTYPE get_ReadyState(READYSTATE* plReadyState) override;
  HRESULT STDMETHODCALLTYPE get_Offline(VARIANT_BOOL* pbOffline) override;
  HRESULT STDMETHODCALLTYPE put_Offline(VARIANT_BOOL bOffline) override;
  HRESULT STDMETHODCALLTYPE get_Silent(VARIANT_BOOL* pbSilent) override;
  HRESULT STDMETHODCALLTYPE put_Silent(VARIANT_BOOL bSilent) override;
  HRESULT STDMETHODCALLTYPE get_RegisterAsBrowser(VARIANT_BOOL* pbRegister) override;
  HRESULT STDMETHODCALLTYPE put_RegisterAsBrowser(VARIANT_BOOL bRegister) override;
  HRESULT STDMETHODCALLTYPE get_RegisterAsDropTarget(VARIANT_BOOL* pbRegister) override;
  HRESULT STDMETHODCALLTYPE put_RegisterAsDropTarget(VARIANT_BOOL bRegister) override;
  // IWebBrowser2: the rest
  HRESULT STDMETHODCALLTYPE GoHome() override;
  HRESULT STDMETHODCALLTYPE GoSearch() override;
  HRESULT STDMETHODCALLTYPE get_Parent(IDispatch** ppDisp) override;
  HRESULT STDMETHODCALLTYPE get_Container(IDispatch** ppDisp) override;
  HRESULT STDMETHODCALLTYPE put_Left(LONG Left) override;
  HRESULT STDMETHODCALLTYPE put_Top(LONG Top) override;
  HRESULT STDMETHODCALLTYPE put_Width(LONG Width) override;
  HRESULT STDMETHODCALLTYPE put_Height(LONG Height) override;
  HRESULT STDMETHODCALLTYPE Quit() override;
  HRESULT STDMETHODCALLTYPE ClientToWindow(int* pcx, int* pcy) override;
  HRESULT STDMETHODCALLTYPE PutProperty(BSTR Property, VARIANT vtValue) override;
  HRESULT STDMETHODCALLTYPE GetProperty(BSTR Property, VARIANT* pvtValue) override;
  HRESULT STDMETHODCALLTYPE get_Name(BSTR* Name) override;
  HRESULT STDMETHODCALLTYPE get_FullName(BSTR* FullName) override;
  HRESULT STDMETHODCALLTYPE get_Path(BSTR* Path) override;
  HRESULT STDMETHODCALLTYPE get_StatusBar(VARIANT_BOOL* pBool) override;
  HRESULT STDMETHODCALLTYPE put_StatusBar(VARIANT_BOOL Value) override;
  HRESULT STDMETHODCALLTYPE get_StatusText(BSTR* StatusText) override;
  HRESULT STDMETHODCALLTYPE put_StatusText(BSTR StatusText) override;
  HRESULT STDMETHODCALLTYPE get_ToolBar(int* Value) override;
  HRESULT STDMETHODCALLTYPE put_ToolBar(int Value) override;
  HRESULT STDMETHODCALLTYPE get_MenuBar(VARIANT_BOOL* Value) override;
  HRESULT STDMETHODCALLTYPE put_MenuBar(VARIANT_BOOL Value) override;
  HRESULT STDMETHODCALLTYPE get_FullScreen(VARIANT_BOOL* pbFullScreen) override;
  HRESULT STDMETHODCALLTYPE put_FullScreen(VARIANT_BOOL bFullScreen) override;
  HRESULT STDMETHODCALLTYPE QueryStatusWB(OLECMDID cmdID, OLECMDF* pcmdf) override;
  HRESULT STDMETHODCALLTYPE ExecWB(OLECMDID cmdID, OLECMDEXECOPT cmdexecopt, VARIANT* pvaIn, VARIANT* pvaOut) override;
  HRESULT STDMETHODCALLTYPE ShowBrowserBar(VARIANT* pvaClsid, VARIANT* pvarShow, VARIANT* pvarSize) override;
  HRESULT STDMETHODCALLTYPE get_TheaterMode(VARIANT_BOOL* pbRegister) override;
  HRESULT STDMETHODCALLTYPE put_TheaterMode(VARIANT_BOOL bRegister) override;
  HRESULT STDMETHODCALLTYPE get_AddressBar(VARIANT_BOOL* Value) override;
  HRESULT STDMETHODCALLTYPE put_AddressBar(VARIANT_BOOL Value) override;
  HRESULT STDMETHODCALLTYPE get_Resizable(VARIANT_BOOL* Value) override;
  HRESULT STDMETHODCALLTYPE put_Resizable(VARIANT_BOOL Value) override;

  // IOleObject
  HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* pClientSite) override;
  HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** ppClientSite) override;
  HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR szContainerApp, LPCOLESTR szContainerObj) override;
  HRESULT STDMETHODCALLTYPE Close(DWORD dwSaveOption) override;
  HRESULT STDMETHODCALLTYPE SetMoniker(DWORD dwWhichMoniker, IMoniker* pmk) override;
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD dwAssign, DWORD dwWhichMoniker, IMoniker** ppmk) override;
  HRESULT STDMETHODCALLTYPE InitFromData(IDataObject* pDataObject, BOOL fCreation, DWORD dwReserved) override;
  HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD dwReserved, IDataObject** ppDataObject) override;
  HRESULT STDMETHODCALLTYPE DoVerb(LONG iVerb, LPMSG lpmsg, IOleClientSite* pActiveSite, LONG lindex, HWND hwndParent,
                                   LPCRECT lprcPosRect) override;
  HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** ppEnumOleVerb) override;
  HRESULT STDMETHODCALLTYPE Update() override;
  HRESULT STDMETHODCALLTYPE IsUpToDate() override;
  HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* pClsid) override;
  HRESULT STDMETHODCALLTYPE GetUserType(DWORD dwFormOfType, LPOLESTR* pszUserType) override;
  HRESULT STDMETHODCALLTYPE SetExtent(DWORD dwDrawAspect, SIZEL* psizel) override;
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD dwDrawAspect, SIZEL* psizel) override;
  HRESULT STDMETHODCALLTYPE Advise(IAdviseSink* pAdvSink, DWORD* pdwConnection) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD dwConnection) override;
  HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** ppenumAdvise) override;
  HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD dwAspect, DWORD* pdwStatus) override;
  HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE* pLogpal) override;

  // IOleWindow (of both in-place faces)
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* phwnd) override;
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL fEnterMode) override;
  // IOleInPlaceObject
  HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override;
  HRESULT STDMETHODCALLTYPE UIDeactivate() override;
  HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT lprcPosRect, LPCRECT lprcClipRect) override;
  HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override;
  // IOleInPlaceActiveObject
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG lpmsg) override;
  HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL fActivate) override;
  HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL fActivate) override;
  HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT prcBorder, IOleInPlaceUIWindow* pUIWindow, BOOL fFrameWindow) override;
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL fEnable) override;

  // IOleControl
  HRESULT STDMETHODCALLTYPE GetControlInfo(CONTROLINFO* pCI) override;
  HRESULT STDMETHODCALLTYPE OnMnemonic(MSG* pMsg) override;
  HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID dispID) override;
  HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL bFreeze) override;

  // IPersistStreamInit
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* pClassID) override;
  HRESULT STDMETHODCALLTYPE IsDirty() override;
  HRESULT STDMETHODCALLTYPE Load(LPSTREAM pStm) override;
  HRESULT STDMETHODCALLTYPE Save(LPSTREAM pStm, BOOL fClearDirty) override;
  HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* pCbSize) override;
  HRESULT STDMETHODCALLTYPE InitNew() override;

  // IObjectWithSite
  HRESULT STDMETHODCALLTYPE SetSite(IUnknown* pUnkSite) override;
  HRESULT STDMETHODCALLTYPE GetSite(REFIID riid, void** ppvSite) override;

  // IConnectionPointContainer
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** ppEnum) override;
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override;

 private:
  WebBrowserObject();
  ~WebBrowserObject();

  void ConnectEngine();
  HRESULT ActivateInPlace(IOleClientSite* site, HWND parent, bool uiActivate);
  HRESULT NavigateTo(const std::wstring& url);
  void Kick();
  // The engine's events, as the browser's.
  bool OnBeforeNavigate(const std::wstring& url, bool newWindow, bool userGesture);
  void OnNavigateComplete(const std::wstring& url);
  void OnLoadEnded();
  void EndLoad();  // Busy no more: the load's DownloadComplete
  void OnDocumentComplete(const std::wstring& url);
  void OnNavigateError(const std::wstring& url, int status);
  void OnWebProcessEnded(bool outOfMemory);
  void OnCommandState(bool back, bool forward);
  void OnScriptError(LONG line, LONG column, const std::wstring& message, const std::wstring& url);
  void OnDownload(const std::wstring& url);
  void OnFocus(bool focused);
  bool OnContextMenu(POINT screen);
  // The host's answer to a question of the browser: first the document's UI handler, then
  // the client site.
  HRESULT AskHost(REFIID riid, void** ppv);

  LONG m_refs = 1;
  GlibPump* m_pump = nullptr;
  std::unique_ptr<WebEngineView> m_view;
  std::unique_ptr<WebEmbeddingWindow> m_window;
  WebConnectionPoint m_point{this};
  WebEventFirer m_events{&m_point, this};
  WebDocument* m_document = nullptr;
  IOleClientSite* m_clientSite = nullptr;
  IOleInPlaceSite* m_inPlaceSite = nullptr;
  IUnknown* m_site = nullptr;
  RECT m_rect = {0, 0, 300, 150};
  SIZEL m_extent = {0, 0};
  bool m_inPlaceActive = false;
  bool m_uiActive = false;
  bool m_visible = true;
  bool m_silent = false;
  bool m_offline = false;
  bool m_registerAsBrowser = false;
  bool m_registerAsDropTarget = true;
  bool m_busy = false;
  std::wstring m_loading;  // the address of the navigation under way
  // The address of the navigation asked last, until the engine begins it or the host stops it.
  std::wstring m_asked;
  bool m_canGoBack = false;
  bool m_canGoForward = false;
  READYSTATE m_readyState = READYSTATE_UNINITIALIZED;
  int m_frozen = 0;
};

}  // namespace jf
