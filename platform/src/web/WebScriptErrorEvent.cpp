#include "platform/src/web/WebScriptErrorEvent.h"

#include <oleauto.h>

#include <cwchar>

namespace jf {

namespace {

constexpr HRESULT kUnknownName = HRESULT(0x80020006L);  // DISP_E_UNKNOWNNAME
constexpr const wchar_t* kNames[] = {L"errorLine", L"errorCharacter", L"errorCode", L"errorMessage", L"errorUrl"};
constexpr DISPID kFirstId = 1;

}  // namespace

WebScriptErrorEvent::WebScriptErrorEvent(LONG line, LONG column, const std::wstring& message, const std::wstring& url)
    : m_line(line), m_column(column), m_message(message), m_url(url) {}

HRESULT WebScriptErrorEvent::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (riid != IID_IUnknown && riid != IID_IDispatch && riid != IID_IHTMLEventObj) return E_NOINTERFACE;
  *ppv = static_cast<IHTMLEventObj*>(this);
  AddRef();
  return S_OK;
}

ULONG WebScriptErrorEvent::AddRef() { return ULONG(++m_refs); }

ULONG WebScriptErrorEvent::Release() {
  const LONG left = --m_refs;
  if (left == 0) delete this;
  return ULONG(left);
}

HRESULT WebScriptErrorEvent::GetTypeInfoCount(UINT* pctinfo) {
  if (pctinfo) *pctinfo = 0;
  return S_OK;
}

HRESULT WebScriptErrorEvent::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }

HRESULT WebScriptErrorEvent::GetIDsOfNames(REFIID, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId) {
  if (!rgszNames || !rgDispId) return E_POINTER;
  HRESULT hr = S_OK;
  for (UINT i = 0; i < cNames; ++i) {
    rgDispId[i] = -1;  // DISPID_UNKNOWN
    for (DISPID id = 0; id < DISPID(sizeof kNames / sizeof kNames[0]); ++id) {
      if (rgszNames[i] && wcscmp(rgszNames[i], kNames[id]) == 0) rgDispId[i] = kFirstId + id;
    }
    if (rgDispId[i] == -1) hr = kUnknownName;
  }
  return hr;
}

HRESULT WebScriptErrorEvent::Invoke(DISPID dispIdMember, REFIID, LCID, WORD wFlags, DISPPARAMS*, VARIANT* pVarResult,
                                    EXCEPINFO*, UINT*) {
  if (!(wFlags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
  if (!pVarResult) return E_POINTER;
  VariantInit(pVarResult);
  switch (dispIdMember - kFirstId) {
    case 0:
    case 1:
      pVarResult->vt = VT_I4;
      pVarResult->lVal = dispIdMember == kFirstId ? m_line : m_column;
      return S_OK;
    case 2:
      pVarResult->vt = VT_I4;
      pVarResult->lVal = 0;  // the engine gives no error number
      return S_OK;
    case 3:
    case 4:
      pVarResult->vt = VT_BSTR;
      pVarResult->bstrVal = SysAllocString((dispIdMember - kFirstId == 3 ? m_message : m_url).c_str());
      return S_OK;
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

HRESULT WebScriptErrorEvent::get_type(BSTR* p) {
  if (!p) return E_POINTER;
  *p = SysAllocString(L"error");
  return S_OK;
}

// The rest of the event model is not offered.
HRESULT WebScriptErrorEvent::get_srcElement(IHTMLElement**) { return E_NOTIMPL; }
HRESULT WebScriptErrorEvent::get_altKey(VARIANT_BOOL*) { return E_NOTIMPL; }
HRESULT WebScriptErrorEvent::get_ctrlKey(VARIANT_BOOL*) { return E_NOTIMPL; }
HRESULT WebScriptErrorEvent::get_shiftKey(VARIANT_BOOL*) { return E_NOTIMPL; }
HRESULT WebScriptErrorEvent::put_returnValue(VARIANT) { return E_NOTIMPL; }
HRESULT WebScriptErrorEvent::get_returnValue(VARIANT*) { return E_NOTIMPL; }
HRESULT WebScriptErrorEvent::put_cancelBubble(VARIANT_BOOL) { return E_NOTIMPL; }
HRESULT WebScriptErrorEvent::get_cancelBubble(VARIANT_BOOL*) { return E_NOTIMPL; }
HRESULT WebScriptErrorEvent::get_fromElement(IHTMLElement**) { return E_NOTIMPL; }
HRESULT WebScriptErrorEvent::get_toElement(IHTMLElement**) { return E_NOTIMPL; }
HRESULT WebScriptErrorEvent::put_keyCode(LONG) { return E_NOTIMPL; }
HRESULT WebScriptErrorEvent::get_keyCode(LONG*) { return E_NOTIMPL; }
HRESULT WebScriptErrorEvent::get_button(LONG*) { return E_NOTIMPL; }
HRESULT WebScriptErrorEvent::get_qualifier(BSTR*) { return E_NOTIMPL; }
HRESULT WebScriptErrorEvent::get_reason(LONG*) { return E_NOTIMPL; }
HRESULT WebScriptErrorEvent::get_x(LONG*) { return E_NOTIMPL; }
HRESULT WebScriptErrorEvent::get_y(LONG*) { return E_NOTIMPL; }
HRESULT WebScriptErrorEvent::get_clientX(LONG*) { return E_NOTIMPL; }
HRESULT WebScriptErrorEvent::get_clientY(LONG*) { return E_NOTIMPL; }
HRESULT WebScriptErrorEvent::get_offsetX(LONG*) { return E_NOTIMPL; }
HRESULT WebScriptErrorEvent::get_offsetY(LONG*) { return E_NOTIMPL; }
HRESULT WebScriptErrorEvent::get_screenX(LONG*) { return E_NOTIMPL; }
HRESULT WebScriptErrorEvent::get_screenY(LONG*) { return E_NOTIMPL; }
HRESULT WebScriptErrorEvent::get_srcFilter(IDispatch**) { return E_NOTIMPL; }

}  // namespace jf
