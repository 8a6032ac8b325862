#include "ui/activex/DownloadManagerFace.h"

#include "ui/activex/WebBrowserUI.h"
#include "ui/base/WindowWnd.h"

namespace SkinUI {

HRESULT CDownloadManagerFace::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDownloadManager) {
    *ppv = static_cast<IDownloadManager*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

// The control owns the face; the counts are the control's.
ULONG CDownloadManagerFace::AddRef() { return m_owner->AddRef(); }
ULONG CDownloadManagerFace::Release() { return m_owner->Release(); }

HRESULT CDownloadManagerFace::Download(IMoniker* pmk, IBindCtx* pbc, DWORD dwBindVerb, LONG grfBINDF,
                                       BINDINFO* pBindInfo, LPCOLESTR pszHeaders, LPCOLESTR pszRedir, UINT uiCP) {
  // The browser calls from its own loop and releases this face afterwards: the control (and
  // the face inside it) outlives the call even when a handler closes its window.
  CWindowWnd::DispatchScope frame;
  return m_owner->Download(pmk, pbc, dwBindVerb, grfBINDF, pBindInfo, pszHeaders, pszRedir, uiCP);
}

}  // namespace SkinUI
