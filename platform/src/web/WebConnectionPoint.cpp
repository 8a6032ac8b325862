#include "platform/src/web/WebConnectionPoint.h"

#include <exdisp.h>

namespace jf {

WebConnectionPoint::~WebConnectionPoint() { UnadviseAll(); }

std::vector<IDispatch*> WebConnectionPoint::Sinks() const {
  std::vector<IDispatch*> sinks;
  for (const auto& entry : m_sinks) {
    entry.second->AddRef();
    sinks.push_back(entry.second);
  }
  return sinks;
}

void WebConnectionPoint::UnadviseAll() {
  std::map<DWORD, IDispatch*> sinks;
  sinks.swap(m_sinks);
  for (auto& entry : sinks) entry.second->Release();
}

HRESULT WebConnectionPoint::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (riid != IID_IUnknown && riid != IID_IConnectionPoint) return E_NOINTERFACE;
  *ppv = static_cast<IConnectionPoint*>(this);
  AddRef();
  return S_OK;
}

HRESULT WebConnectionPoint::GetConnectionInterface(IID* pIID) {
  if (!pIID) return E_POINTER;
  *pIID = DIID_DWebBrowserEvents2;
  return S_OK;
}

HRESULT WebConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** ppCPC) {
  if (!ppCPC) return E_POINTER;
  *ppCPC = m_owner;
  m_owner->AddRef();
  return S_OK;
}

HRESULT WebConnectionPoint::Advise(IUnknown* pUnkSink, DWORD* pdwCookie) {
  if (!pdwCookie) return E_POINTER;
  *pdwCookie = 0;
  if (!pUnkSink) return E_POINTER;
  IDispatch* sink = nullptr;
  if (FAILED(pUnkSink->QueryInterface(DIID_DWebBrowserEvents2, reinterpret_cast<void**>(&sink))) || !sink) {
    if (FAILED(pUnkSink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&sink))) || !sink)
      return CONNECT_E_CANNOTCONNECT;
  }
  const DWORD cookie = m_nextCookie++;
  m_sinks[cookie] = sink;
  *pdwCookie = cookie;
  return S_OK;
}

HRESULT WebConnectionPoint::Unadvise(DWORD dwCookie) {
  auto it = m_sinks.find(dwCookie);
  if (it == m_sinks.end()) return CONNECT_E_NOCONNECTION;
  IDispatch* sink = it->second;
  m_sinks.erase(it);
  sink->Release();
  return S_OK;
}

HRESULT WebConnectionPoint::EnumConnections(IEnumConnections** ppEnum) {
  if (ppEnum) *ppEnum = nullptr;
  return E_NOTIMPL;
}

}  // namespace jf
