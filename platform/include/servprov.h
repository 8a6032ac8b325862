// Service lookup: an object asks its site for a service by GUID and interface.
#pragma once
#include "objbase.h"

inline constexpr IID IID_IServiceProvider = {0x6D5140C1, 0x7436, 0x11CE, {0x80, 0x34, 0x00, 0xAA, 0x00, 0x60, 0x09, 0xFA}};

struct IServiceProvider : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE QueryService(REFGUID guidService, REFIID riid, void** ppvObject) = 0;

 protected:
  ~IServiceProvider() = default;
};
typedef IServiceProvider* LPSERVICEPROVIDER;
