// An in-process OLE control that records the calls it gets, and the class object that makes
// it; the host's tests and those of the controls derived from the host share them.
#pragma once
#include <windows.h>
#include <ocidl.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/ui/base/ControlTestHost.h"

namespace axtest {

using Strings = std::vector<std::string>;
using uictest::Narrow;

inline constexpr CLSID kTestControl = {0x5A5A0001, 0x1111, 0x2222, {0x33, 0x33, 0x44, 0x44, 0x55, 0x55, 0x66, 0x66}};
inline constexpr wchar_t kTestControlText[] = L"{5A5A0001-1111-2222-3333-444455556666}";

// An OLE control that records the calls it gets. Windowless unless told otherwise; it is hit
// only in the left half of its rectangle.
class RecordingControl : public IOleObject,
                         public IOleControl,
                         public IOleInPlaceObjectWindowless,
                         public IViewObjectEx,
                         public IPersistStreamInit,
                         public IObjectWithSite {
 public:
  struct Options {
    DWORD status = 0;
    bool windowless = true;
    HRESULT initNew = S_OK;
  };
  explicit RecordingControl(Options o, Strings* log) : options(o), log_(log) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IOleObject) *ppv = static_cast<IOleObject*>(this);
    else if (riid == IID_IOleControl) *ppv = static_cast<IOleControl*>(this);
    else if (riid == IID_IOleInPlaceObject || (riid == IID_IOleInPlaceObjectWindowless && options.windowless))
      *ppv = static_cast<IOleInPlaceObjectWindowless*>(this);
    else if (riid == IID_IViewObjectEx || riid == IID_IViewObject2 || riid == IID_IViewObject)
      *ppv = static_cast<IViewObjectEx*>(this);
    else if (riid == IID_IPersistStreamInit) *ppv = static_cast<IPersistStreamInit*>(this);
    else if (riid == IID_IObjectWithSite) *ppv = static_cast<IObjectWithSite*>(this);
    if (!*ppv) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override {
    if (--refs == 0) {
      log_->push_back("deleted");
      delete this;
      return 0;
    }
    return refs;
  }

  // IOleObject
  HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override {
    log_->push_back(site ? "SetClientSite" : "SetClientSite(null)");
    if (site) site->AddRef();
    if (site_) site_->Release();
    site_ = site;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override {
    *site = site_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR app, LPCOLESTR) override {
    log_->push_back("SetHostNames " + Narrow(app));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Close(DWORD option) override {
    log_->push_back("Close " + std::to_string(option));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent, LPCRECT) override {
    log_->push_back("DoVerb " + std::to_string(verb));
    parent_ = parent;
    IOleInPlaceSiteWindowless* windowless = nullptr;
    if (options.windowless &&
        SUCCEEDED(site->QueryInterface(IID_IOleInPlaceSiteWindowless, reinterpret_cast<void**>(&windowless)))) {
      HRESULT hr = windowless->CanWindowlessActivate() == S_OK ? windowless->OnInPlaceActivateEx(nullptr, ACTIVATE_WINDOWLESS)
                                                               : E_FAIL;
      windowless->Release();
      return hr;
    }
    IOleInPlaceSite* inPlace = nullptr;
    if (FAILED(site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&inPlace)))) return E_FAIL;
    HRESULT hr = inPlace->OnInPlaceActivate();
    inPlace->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Update() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE IsUpToDate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* clsid) override {
    *clsid = kTestControl;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetUserType(DWORD, LPOLESTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetExtent(DWORD, SIZEL* size) override {
    extent = *size;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD, SIZEL* size) override {
    *size = extent;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Advise(IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD, DWORD* status) override {
    log_->push_back("GetMiscStatus");
    *status = options.status;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

  // IOleControl
  HRESULT STDMETHODCALLTYPE GetControlInfo(CONTROLINFO*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnMnemonic(MSG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL) override { return S_OK; }

  // IOleWindow, IOleInPlaceObject, IOleInPlaceObjectWindowless
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* hwnd) override {
    *hwnd = parent_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE UIDeactivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT pos, LPCRECT) override {
    rects = *pos;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnWindowMessage(UINT msg, WPARAM, LPARAM, LRESULT* result) override {
    messages.push_back(msg);
    *result = 5;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDropTarget(IDropTarget**) override { return E_NOTIMPL; }

  // IViewObjectEx: a red rectangle.
  HRESULT STDMETHODCALLTYPE Draw(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, HDC hdc, LPCRECTL bounds, LPCRECTL,
                                 BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) override {
    ++draws;
    RECT rc = {bounds->left, bounds->top, bounds->right, bounds->bottom};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(hdc, &rc, red);
    DeleteObject(red);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Freeze(DWORD, LONG, void*, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Unfreeze(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetAdvise(DWORD, DWORD, IAdviseSink*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetAdvise(DWORD*, DWORD*, IAdviseSink**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD, LONG, DVTARGETDEVICE*, LPSIZEL size) override {
    *size = extent;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetRect(DWORD, LPRECTL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetViewStatus(DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryHitPoint(DWORD, LPCRECT bounds, POINT pt, LONG, DWORD* hit) override {
    RECT left = *bounds;
    left.right = (left.left + left.right) / 2;
    *hit = PtInRect(&left, pt) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE QueryHitRect(DWORD, LPCRECT, LPCRECT, LONG, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetNaturalExtent(DWORD, LONG, DVTARGETDEVICE*, HDC, DVEXTENTINFO*, LPSIZEL) override {
    return E_NOTIMPL;
  }

  // IPersistStreamInit
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override {
    *clsid = kTestControl;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE IsDirty() override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE Load(LPSTREAM) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Save(LPSTREAM, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE InitNew() override {
    log_->push_back("InitNew");
    return options.initNew;
  }

  // IObjectWithSite
  HRESULT STDMETHODCALLTYPE SetSite(IUnknown* site) override {
    log_->push_back(site ? "SetSite" : "SetSite(null)");
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetSite(REFIID, void**) override { return E_NOTIMPL; }

  Options options;
  ULONG refs = 1;
  SIZEL extent = {0, 0};
  RECT rects = {0, 0, 0, 0};
  int draws = 0;
  std::vector<UINT> messages;
  IOleClientSite* site_ = nullptr;
  HWND parent_ = nullptr;

 protected:
  virtual ~RecordingControl() = default;
  Strings* log_;
};

// The class object registered for the test control; each creation uses the current options.
class RecordingFactory : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    *ppv = (riid == IID_IUnknown || riid == IID_IClassFactory) ? this : nullptr;
    return *ppv ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID riid, void** ppv) override {
    last = make ? make(options, &log) : new RecordingControl(options, &log);
    HRESULT hr = last->QueryInterface(riid, ppv);
    last->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
  RecordingControl::Options options;
  // Makes a derived test object instead of the plain control.
  std::function<RecordingControl*(RecordingControl::Options, Strings*)> make;
  RecordingControl* last = nullptr;
  Strings log;
};

}  // namespace axtest
