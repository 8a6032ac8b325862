// The download-manager face a web browser control hands out through its service provider;
// it lives inside the control and passes each download to the control.
#pragma once
#include <windows.h>
#include <downloadmgr.h>

namespace SkinUI {

class CWebBrowserUI;

class CDownloadManagerFace : public IDownloadManager {
 public:
  explicit CDownloadManagerFace(CWebBrowserUI* owner) : m_owner(owner) {}
  virtual ~CDownloadManagerFace() = default;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE Download(IMoniker* pmk, IBindCtx* pbc, DWORD dwBindVerb, LONG grfBINDF,
                                     BINDINFO* pBindInfo, LPCOLESTR pszHeaders, LPCOLESTR pszRedir,
                                     UINT uiCP) override;

 private:
  CWebBrowserUI* m_owner;
};

}  // namespace SkinUI
