// The class object of the web browser, which its server module's DllGetClassObject answers
// (CoCreateInstance with CLSID_WebBrowser loads the module and finds it).
#pragma once
#include <windows.h>
#include <objbase.h>

namespace jf {

class WebBrowserClassFactory final : public IClassFactory {
 public:
  // The one class object, through the asked interface.
  static HRESULT Get(REFIID riid, void** ppv);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // static: never deleted
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) override;
};

}  // namespace jf
