#include "platform/src/web/WebBrowserClassFactory.h"

#include <exdisp.h>

#include "platform/src/web/WebBrowserObject.h"

namespace jf {

HRESULT WebBrowserClassFactory::Get(REFIID riid, void** ppv) {
  static WebBrowserClassFactory factory;
  return factory.QueryInterface(riid, ppv);
}

HRESULT WebBrowserClassFactory::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (riid != IID_IUnknown && riid != IID_IClassFactory) return E_NOINTERFACE;
  *ppv = static_cast<IClassFactory*>(this);
  return S_OK;
}

// Fails cleanly (the host's element stays empty) where the engine cannot start.
HRESULT WebBrowserClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) {
  if (!ppvObject) return E_POINTER;
  *ppvObject = nullptr;
  if (pUnkOuter) return CLASS_E_NOAGGREGATION;
  WebBrowserObject* object = WebBrowserObject::Create();
  if (!object) return CLASS_E_CLASSNOTAVAILABLE;
  const HRESULT hr = object->QueryInterface(riid, ppvObject);
  object->Release();
  return hr;
}

HRESULT WebBrowserClassFactory::LockServer(BOOL) { return S_OK; }

}  // namespace jf

// The entry point of the browser's server module, which the layer loads when the first browser
// is asked for.
extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (!IsEqualCLSID(rclsid, CLSID_WebBrowser)) return CLASS_E_CLASSNOTAVAILABLE;
  return jf::WebBrowserClassFactory::Get(riid, ppv);
}
