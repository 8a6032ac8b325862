// The browser's one connection point, for DWebBrowserEvents2: the sinks that advised, each an
// IDispatch, kept in advise order. Lives inside the browser object and counts on it.
#pragma once
#include <windows.h>
#include <ocidl.h>

#include <map>
#include <vector>

namespace jf {

class WebConnectionPoint final : public IConnectionPoint {
 public:
  explicit WebConnectionPoint(IConnectionPointContainer* owner) : m_owner(owner) {}
  ~WebConnectionPoint();
  WebConnectionPoint(const WebConnectionPoint&) = delete;
  WebConnectionPoint& operator=(const WebConnectionPoint&) = delete;

  // The sinks now, each AddRef'ed: a sink may unadvise while an event is delivered.
  std::vector<IDispatch*> Sinks() const;
  void UnadviseAll();

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return m_owner->AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return m_owner->Release(); }
  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* pIID) override;
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** ppCPC) override;
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* pUnkSink, DWORD* pdwCookie) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD dwCookie) override;
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** ppEnum) override;

 private:
  IConnectionPointContainer* m_owner;
  std::map<DWORD, IDispatch*> m_sinks;
  DWORD m_nextCookie = 1;
};

}  // namespace jf
