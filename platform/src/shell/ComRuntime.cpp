// COM initialisation (counted per thread, nothing to set up on this host), task memory and
// the one class the installer creates: the shell link.
#include <stdlib.h>

#include "platform/src/shell/ShellLink.h"
#include <objbase.h>
#include <ole2.h>
#include <shobjidl.h>

namespace {
thread_local int t_comInits = 0;

HRESULT CountInit() { return t_comInits++ == 0 ? S_OK : S_FALSE; }
void CountUninit() {
  if (t_comInits > 0) --t_comInits;
}
}  // namespace

namespace jf {
int ComInitCount() { return t_comInits; }
}  // namespace jf

HRESULT CoInitialize(LPVOID /*pvReserved*/) { return CountInit(); }
HRESULT CoInitializeEx(LPVOID /*pvReserved*/, DWORD /*dwCoInit*/) { return CountInit(); }
void CoUninitialize() { CountUninit(); }
HRESULT OleInitialize(LPVOID /*pvReserved*/) { return CountInit(); }
void OleUninitialize() { CountUninit(); }

LPVOID CoTaskMemAlloc(SIZE_T cb) { return malloc(cb ? cb : 1); }
void CoTaskMemFree(LPVOID pv) { free(pv); }

HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (pUnkOuter) return CLASS_E_NOAGGREGATION;
  if (!IsEqualCLSID(rclsid, CLSID_ShellLink)) {
    // Every other class comes from its class object: registered in process or in its server.
    IClassFactory* factory = nullptr;
    HRESULT hr = CoGetClassObject(rclsid, dwClsContext, nullptr, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr)) return hr;
    if (!factory) return REGDB_E_CLASSNOTREG;
    hr = factory->CreateInstance(nullptr, riid, ppv);
    factory->Release();
    return hr;
  }
  auto* link = new jf::ShellLink();
  HRESULT hr = link->QueryInterface(riid, ppv);
  link->Release();
  return hr;
}
