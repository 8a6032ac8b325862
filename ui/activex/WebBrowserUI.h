// The skin element "WebBrowser": an ActiveX host preset to the system's web browser object.
// It navigates to a home page, listens to the browser's events, is the UI handler of every
// document the browser loads, swallows script errors, takes part in the window's accelerator
// translation, and passes events and host questions to an optional handler.
#pragma once
#include <windows.h>
#include <docobj.h>
#include <downloadmgr.h>
#include <exdisp.h>
#include <mshtmhst.h>
#include <servprov.h>

#include "ui/activex/ActiveXUI.h"
#include "ui/activex/DownloadManagerFace.h"
#include "ui/activex/WebBrowserEventHandler.h"
#include "ui/base/ITranslateAccelerator.h"

namespace SkinUI {

class CWebBrowserUI : public CActiveXUI,
                      public IDocHostUIHandler,
                      public IServiceProvider,
                      public IOleCommandTarget,
                      public IDispatch,
                      public ITranslateAccelerator {
 public:
  CWebBrowserUI();
  ~CWebBrowserUI() override;

  LPCWSTR GetClass() const override;
  LPVOID GetInterface(LPCWSTR name) override;
  void SetAttribute(LPCWSTR name, LPCWSTR value) override;
  void ReleaseControl() override;
  bool DoCreateControl() override;
  LRESULT MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override;

  // What the browser's download manager is asked to do: the handler's answer, else S_OK.
  virtual HRESULT Download(IMoniker* pmk, IBindCtx* pbc, DWORD dwBindVerb, LONG grfBINDF, BINDINFO* pBindInfo,
                           LPCOLESTR pszHeaders, LPCOLESTR pszRedir, UINT uiCP);

  void Navigate2(LPCWSTR url);
  IWebBrowser2* GetWebBrowser2() const { return m_webBrowser; }
  const CUIString& GetHomePage() const { return m_homePage; }
  bool IsAutoNavigation() const { return m_autoNavigate; }
  // Not owned: it must outlive the control or be replaced first.
  void SetWebBrowserEventHandler(CWebBrowserEventHandler* handler) { m_handler = handler; }

  // IUnknown, shared by the faces.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IDocHostUIHandler
  HRESULT STDMETHODCALLTYPE ShowContextMenu(DWORD dwID, POINT* ppt, IUnknown* pcmdtReserved,
                                            IDispatch* pdispReserved) override;
  HRESULT STDMETHODCALLTYPE GetHostInfo(DOCHOSTUIINFO* pInfo) override;
  HRESULT STDMETHODCALLTYPE ShowUI(DWORD dwID, IOleInPlaceActiveObject* pActiveObject,
                                   IOleCommandTarget* pCommandTarget, IOleInPlaceFrame* pFrame,
                                   IOleInPlaceUIWindow* pDoc) override;
  HRESULT STDMETHODCALLTYPE HideUI() override;
  HRESULT STDMETHODCALLTYPE UpdateUI() override;
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL fEnable) override;
  HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL fActivate) override;
  HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL fActivate) override;
  HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT prcBorder, IOleInPlaceUIWindow* pUIWindow,
                                         BOOL fRameWindow) override;
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG lpMsg, const GUID* pguidCmdGroup, DWORD nCmdID) override;
  HRESULT STDMETHODCALLTYPE GetOptionKeyPath(LPOLESTR* pchKey, DWORD dw) override;
  HRESULT STDMETHODCALLTYPE GetDropTarget(IDropTarget* pDropTarget, IDropTarget** ppDropTarget) override;
  HRESULT STDMETHODCALLTYPE GetExternal(IDispatch** ppDispatch) override;
  HRESULT STDMETHODCALLTYPE TranslateUrl(DWORD dwTranslate, LPWSTR pchURLIn, LPWSTR* ppchURLOut) override;
  HRESULT STDMETHODCALLTYPE FilterDataObject(IDataObject* pDO, IDataObject** ppDORet) override;

  // IServiceProvider
  HRESULT STDMETHODCALLTYPE QueryService(REFGUID guidService, REFIID riid, void** ppvObject) override;

  // IOleCommandTarget
  HRESULT STDMETHODCALLTYPE QueryStatus(const GUID* pguidCmdGroup, ULONG cCmds, OLECMD prgCmds[],
                                        OLECMDTEXT* pCmdText) override;
  HRESULT STDMETHODCALLTYPE Exec(const GUID* pguidCmdGroup, DWORD nCmdID, DWORD nCmdexecopt, VARIANT* pvaIn,
                                 VARIANT* pvaOut) override;

  // IDispatch: the browser's event sink.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                          DISPID* rgDispId) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                                   VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

  // ITranslateAccelerator: keys for the browser while the focus is inside its window.
  HRESULT TranslateAccelerator(MSG* msg) override;

 private:
  HRESULT RegisterEventHandler(bool advise);
  void NavigateComplete2(IDispatch* dispatch, VARIANT*& url);
  // Names the UI handler of the browser's current document.
  void SetDocumentUIHandler(IDocHostUIHandler* handler);
  HRESULT ReadScriptError(VARIANT* in);
  CWebBrowserEventHandler* Handler() const;
  // Asks the handler inside a framework frame; `none` when there is none to ask.
  template <class Ask>
  HRESULT AskHandler(HRESULT none, Ask&& ask);

  IWebBrowser2* m_webBrowser = nullptr;
  LONG m_refs = 0;
  DWORD m_cookie = 0;
  CUIString m_homePage;
  bool m_autoNavigate = false;
  CWebBrowserEventHandler* m_handler = nullptr;
  CDownloadManagerFace m_downloadFace{this};
};

}  // namespace SkinUI
