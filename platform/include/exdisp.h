// The web browser object: its automation interfaces and its event interface.
#pragma once
#include "docobj.h"
#include "ocidl.h"

inline constexpr CLSID CLSID_WebBrowser = {0x8856F961, 0x340A, 0x11D0, {0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2}};
inline constexpr IID IID_IWebBrowser = {0xEAB22AC1, 0x30C1, 0x11CF, {0xA7, 0xEB, 0x00, 0x00, 0xC0, 0x5B, 0xAE, 0x0B}};
inline constexpr IID IID_IWebBrowserApp = {0x0002DF05, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IWebBrowser2 = {0xD30C1661, 0xCDAF, 0x11D0, {0x8A, 0x3E, 0x00, 0xC0, 0x4F, 0xC9, 0xE2, 0x6E}};
inline constexpr IID DIID_DWebBrowserEvents2 = {
    0x34A715A0, 0x6587, 0x11D0, {0x92, 0x4A, 0x00, 0x20, 0xAF, 0xC7, 0xAC, 0x4D}};

struct IWebBrowser : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE GoBack() = 0;
  virtual HRESULT STDMETHODCALLTYPE GoForward() = 0;
  virtual HRESULT STDMETHODCALLTYPE GoHome() = 0;
  virtual HRESULT STDMETHODCALLTYPE GoSearch() = 0;
  virtual HRESULT STDMETHODCALLTYPE Navigate(BSTR URL, VARIANT* Flags, VARIANT* TargetFrameName, VARIANT* PostData,
                                             VARIANT* Headers) = 0;
  virtual HRESULT STDMETHODCALLTYPE Refresh() = 0;
  virtual HRESULT STDMETHODCALLTYPE Refresh2(VARIANT* Level) = 0;
  virtual HRESULT STDMETHODCALLTYPE Stop() = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Application(IDispatch** ppDisp) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Parent(IDispatch** ppDisp) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Container(IDispatch** ppDisp) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Document(IDispatch** ppDisp) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_TopLevelContainer(VARIANT_BOOL* pBool) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Type(BSTR* Type) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Left(LONG* pl) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Left(LONG Left) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Top(LONG* pl) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Top(LONG Top) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Width(LONG* pl) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Width(LONG Width) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Height(LONG* pl) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Height(LONG Height) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_LocationName(BSTR* LocationName) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_LocationURL(BSTR* LocationURL) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Busy(VARIANT_BOOL* pBool) = 0;

 protected:
  ~IWebBrowser() = default;
};

struct IWebBrowserApp : public IWebBrowser {
  virtual HRESULT STDMETHODCALLTYPE Quit() = 0;
  virtual HRESULT STDMETHODCALLTYPE ClientToWindow(int* pcx, int* pcy) = 0;
  virtual HRESULT STDMETHODCALLTYPE PutProperty(BSTR Property, VARIANT vtValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetProperty(BSTR Property, VARIANT* pvtValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Name(BSTR* Name) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_HWND(SHANDLE_PTR* pHWND) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_FullName(BSTR* FullName) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Path(BSTR* Path) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Visible(VARIANT_BOOL* pBool) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Visible(VARIANT_BOOL Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_StatusBar(VARIANT_BOOL* pBool) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_StatusBar(VARIANT_BOOL Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_StatusText(BSTR* StatusText) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_StatusText(BSTR StatusText) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ToolBar(int* Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_ToolBar(int Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_MenuBar(VARIANT_BOOL* Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_MenuBar(VARIANT_BOOL Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_FullScreen(VARIANT_BOOL* pbFullScreen) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_FullScreen(VARIANT_BOOL bFullScreen) = 0;

 protected:
  ~IWebBrowserApp() = default;
};

struct IWebBrowser2 : public IWebBrowserApp {
  virtual HRESULT STDMETHODCALLTYPE Navigate2(VARIANT* URL, VARIANT* Flags, VARIANT* TargetFrameName,
                                              VARIANT* PostData, VARIANT* Headers) = 0;
  virtual HRESULT STDMETHODCALLTYPE QueryStatusWB(OLECMDID cmdID, OLECMDF* pcmdf) = 0;
  virtual HRESULT STDMETHODCALLTYPE ExecWB(OLECMDID cmdID, OLECMDEXECOPT cmdexecopt, VARIANT* pvaIn,
                                           VARIANT* pvaOut) = 0;
  virtual HRESULT STDMETHODCALLTYPE ShowBrowserBar(VARIANT* pvaClsid, VARIANT* pvarShow, VARIANT* pvarSize) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ReadyState(READYSTATE* plReadyState) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Offline(VARIANT_BOOL* pbOffline) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Offline(VARIANT_BOOL bOffline) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Silent(VARIANT_BOOL* pbSilent) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Silent(VARIANT_BOOL bSilent) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_RegisterAsBrowser(VARIANT_BOOL* pbRegister) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_RegisterAsBrowser(VARIANT_BOOL bRegister) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_RegisterAsDropTarget(VARIANT_BOOL* pbRegister) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_RegisterAsDropTarget(VARIANT_BOOL bRegister) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_TheaterMode(VARIANT_BOOL* pbRegister) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_TheaterMode(VARIANT_BOOL bRegister) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_AddressBar(VARIANT_BOOL* Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_AddressBar(VARIANT_BOOL Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Resizable(VARIANT_BOOL* Value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Resizable(VARIANT_BOOL Value) = 0;

 protected:
  ~IWebBrowser2() = default;
};

// The events arrive through IDispatch::Invoke with the ids of <exdispid.h>.
struct DWebBrowserEvents2 : public IDispatch {
 protected:
  ~DWebBrowserEvents2() = default;
};
