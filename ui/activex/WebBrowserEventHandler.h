// What a web browser control tells whoever listens to it, and the questions of the browser's
// document host that it passes on. Every operation has the answer the control gives when no
// handler is set, so a handler overrides only what it cares about.
#pragma once
#include <windows.h>
#include <downloadmgr.h>
#include <exdisp.h>
#include <mshtmhst.h>

namespace SkinUI {

class CWebBrowserEventHandler {
 public:
  virtual ~CWebBrowserEventHandler() = default;

  // Kept for handlers that track the title; the control does not report it.
  virtual void TitleChange(BSTR) {}
  virtual void BeforeNavigate2(IDispatch*, VARIANT*&, VARIANT*&, VARIANT*&, VARIANT*&, VARIANT*&, VARIANT_BOOL*&) {}
  virtual void NavigateError(IDispatch*, VARIANT*&, VARIANT*&, VARIANT*&, VARIANT_BOOL*&) {}
  virtual void NavigateComplete2(IDispatch*, VARIANT*&) {}
  // Kept for handlers that track progress; the control does not report it.
  virtual void ProgressChange(LONG, LONG) {}
  virtual void NewWindow3(IDispatch**&, VARIANT_BOOL*&, DWORD, BSTR, BSTR) {}
  virtual void CommandStateChange(LONG, VARIANT_BOOL) {}

  virtual HRESULT ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) { return S_FALSE; }
  virtual HRESULT GetHostInfo(DOCHOSTUIINFO*) { return E_NOTIMPL; }
  virtual HRESULT ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                         IOleInPlaceUIWindow*) {
    return E_NOTIMPL;
  }
  virtual HRESULT HideUI() { return E_NOTIMPL; }
  virtual HRESULT UpdateUI() { return E_NOTIMPL; }
  virtual HRESULT EnableModeless(BOOL) { return E_NOTIMPL; }
  virtual HRESULT OnDocWindowActivate(BOOL) { return E_NOTIMPL; }
  virtual HRESULT OnFrameWindowActivate(BOOL) { return E_NOTIMPL; }
  virtual HRESULT ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return E_NOTIMPL; }
  virtual HRESULT TranslateAccelerator(LPMSG, const GUID*, DWORD) { return S_OK; }
  virtual HRESULT GetOptionKeyPath(LPOLESTR*, DWORD) { return E_NOTIMPL; }
  virtual HRESULT GetDropTarget(IDropTarget*, IDropTarget**) { return S_FALSE; }
  virtual HRESULT GetExternal(IDispatch**) { return S_FALSE; }
  virtual HRESULT TranslateUrl(DWORD, LPWSTR, LPWSTR* out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  virtual HRESULT FilterDataObject(IDataObject*, IDataObject** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }

  virtual HRESULT Download(IMoniker*, IBindCtx*, DWORD, LONG, BINDINFO*, LPCOLESTR, LPCOLESTR, UINT) { return S_OK; }
};

}  // namespace SkinUI
