// The download manager a browser asks its host for: it takes over a download it is offered.
#pragma once
#include "urlmon.h"

inline constexpr IID IID_IDownloadManager = {0x988934A4, 0x064B, 0x11D3, {0xBB, 0x80, 0x00, 0x10, 0x4B, 0x35, 0xE7, 0xF9}};

struct IDownloadManager : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Download(IMoniker* pmk, IBindCtx* pbc, DWORD dwBindVerb, LONG grfBINDF,
                                             BINDINFO* pBindInfo, LPCOLESTR pszHeaders, LPCOLESTR pszRedir,
                                             UINT uiCP) = 0;

 protected:
  ~IDownloadManager() = default;
};
