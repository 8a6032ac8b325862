// The event object of one script error: through IDispatch it answers the five error
// properties by name ("errorLine", "errorCharacter", "errorCode", "errorMessage",
// "errorUrl"); its type is "error".
#pragma once
#include <windows.h>
#include <mshtml.h>

#include <string>

namespace jf {

class WebScriptErrorEvent final : public IHTMLEventObj {
 public:
  WebScriptErrorEvent(LONG line, LONG column, const std::wstring& message, const std::wstring& url);
  WebScriptErrorEvent(const WebScriptErrorEvent&) = delete;
  WebScriptErrorEvent& operator=(const WebScriptErrorEvent&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // IDispatch: the error properties
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                          DISPID* rgDispId) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                                   VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;
  // IHTMLEventObj
  HRESULT STDMETHODCALLTYPE get_type(BSTR* p) override;
  HRESULT STDMETHODCALLTYPE get_srcElement(IHTMLElement** p) override;
  HRESULT STDMETHODCALLTYPE get_altKey(VARIANT_BOOL* p) override;
  HRESULT STDMETHODCALLTYPE get_ctrlKey(VARIANT_BOOL* p) override;
  HRESULT STDMETHODCALLTYPE get_shiftKey(VARIANT_BOOL* p) override;
  HRESULT STDMETHODCALLTYPE put_returnValue(VARIANT v) override;
  HRESULT STDMETHODCALLTYPE get_returnValue(VARIANT* p) override;
  HRESULT STDMETHODCALLTYPE put_cancelBubble(VARIANT_BOOL v) override;
  HRESULT STDMETHODCALLTYPE get_cancelBubble(VARIANT_BOOL* p) override;
  HRESULT STDMETHODCALLTYPE get_fromElement(IHTMLElement** p) override;
  HRESULT STDMETHODCALLTYPE get_toElement(IHTMLElement** p) override;
  HRESULT STDMETHODCALLTYPE put_keyCode(LONG v) override;
  HRESULT STDMETHODCALLTYPE get_keyCode(LONG* p) override;
  HRESULT STDMETHODCALLTYPE get_button(LONG* p) override;
  HRESULT STDMETHODCALLTYPE get_qualifier(BSTR* p) override;
  HRESULT STDMETHODCALLTYPE get_reason(LONG* p) override;
  HRESULT STDMETHODCALLTYPE get_x(LONG* p) override;
  HRESULT STDMETHODCALLTYPE get_y(LONG* p) override;
  HRESULT STDMETHODCALLTYPE get_clientX(LONG* p) override;
  HRESULT STDMETHODCALLTYPE get_clientY(LONG* p) override;
  HRESULT STDMETHODCALLTYPE get_offsetX(LONG* p) override;
  HRESULT STDMETHODCALLTYPE get_offsetY(LONG* p) override;
  HRESULT STDMETHODCALLTYPE get_screenX(LONG* p) override;
  HRESULT STDMETHODCALLTYPE get_screenY(LONG* p) override;
  HRESULT STDMETHODCALLTYPE get_srcFilter(IDispatch** p) override;

 private:
  ~WebScriptErrorEvent() = default;

  LONG m_refs = 1;
  LONG m_line;
  LONG m_column;
  std::wstring m_message;
  std::wstring m_url;
};

}  // namespace jf
