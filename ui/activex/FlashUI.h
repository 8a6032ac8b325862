// The skin element "Flash": an ActiveX host preset to the Shockwave Flash object, listening
// to its events for an optional handler.
#pragma once
#include "ui/activex/ActiveXUI.h"
#include "ui/activex/FlashEventHandler.h"
#include "ui/activex/ShockwaveFlashObjects.h"
#include "ui/base/ITranslateAccelerator.h"

namespace SkinUI {

class CFlashUI : public CActiveXUI, public ShockwaveFlashObjects::_IShockwaveFlashEvents, public ITranslateAccelerator {
 public:
  CFlashUI();
  ~CFlashUI() override;

  LPCWSTR GetClass() const override;
  LPVOID GetInterface(LPCWSTR name) override;
  void SetAttribute(LPCWSTR name, LPCWSTR value) override;
  void ReleaseControl() override;
  bool DoCreateControl() override;

  // The event sink.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                          DISPID* rgDispId) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                                   VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

  HRESULT TranslateAccelerator(MSG* msg) override;

  // The handler gets a reference, given back when it is replaced or the control goes.
  void SetFlashEventHandler(CFlashEventHandler* handler);
  ShockwaveFlashObjects::IShockwaveFlash* GetFlash() const { return m_flash; }

 private:
  HRESULT RegisterEventHandler(bool advise);

  ShockwaveFlashObjects::IShockwaveFlash* m_flash = nullptr;
  LONG m_refs = 0;
  DWORD m_cookie = 0;
  CFlashEventHandler* m_handler = nullptr;
};

}  // namespace SkinUI
