#include "platform/src/web/WebEventFirer.h"

#include <exdispid.h>
#include <oleauto.h>

#include <vector>

namespace jf {

namespace {

// A VARIANT owning a BSTR copy of the text.
struct TextVariant {
  explicit TextVariant(const std::wstring& text) {
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(text.c_str());
  }
  ~TextVariant() { VariantClear(&v); }
  TextVariant(const TextVariant&) = delete;
  TextVariant& operator=(const TextVariant&) = delete;
  VARIANT v;
};

VARIANT Value(VARTYPE vt, LONG value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = vt;
  v.lVal = value;
  return v;
}

VARIANT Ref(VARTYPE vt, void* target) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VARTYPE(vt | VT_BYREF);
  v.byref = target;
  return v;
}

VARIANT Dispatch(IDispatch* p) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_DISPATCH;
  v.pdispVal = p;
  return v;
}

// A BSTR argument passed by value: the firer keeps the ownership.
VARIANT Borrowed(const TextVariant& text) { return text.v; }

VARIANT Bool(bool value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BOOL;
  v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

}  // namespace

void WebEventFirer::Fire(DISPID id, VARIANT* args, UINT count) {
  std::vector<VARIANT> reversed(args, args + count);
  for (UINT i = 0; i < count; ++i) reversed[i] = args[count - 1 - i];
  DISPPARAMS params = {count ? reversed.data() : nullptr, nullptr, count, 0};
  for (IDispatch* sink : m_point->Sinks()) {
    sink->Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    sink->Release();
  }
}

bool WebEventFirer::BeforeNavigate2(const std::wstring& url, LONG flags, const std::wstring& frame,
                                    const std::wstring& headers) {
  TextVariant urlText(url), frameText(frame), headerText(headers);
  VARIANT flagValue = Value(VT_I4, flags);
  VARIANT postData;
  VariantInit(&postData);
  VARIANT_BOOL cancel = VARIANT_FALSE;
  VARIANT args[] = {Dispatch(m_browser),         Ref(VT_VARIANT, &urlText.v),     Ref(VT_VARIANT, &flagValue),
                    Ref(VT_VARIANT, &frameText.v), Ref(VT_VARIANT, &postData), Ref(VT_VARIANT, &headerText.v),
                    Ref(VT_BOOL, &cancel)};
  Fire(DISPID_BEFORENAVIGATE2, args, 7);
  return cancel != VARIANT_FALSE;
}

bool WebEventFirer::NavigateError(const std::wstring& url, const std::wstring& frame, LONG status) {
  TextVariant urlText(url), frameText(frame);
  VARIANT statusValue = Value(VT_I4, status);
  VARIANT_BOOL cancel = VARIANT_FALSE;
  VARIANT args[] = {Dispatch(m_browser), Ref(VT_VARIANT, &urlText.v), Ref(VT_VARIANT, &frameText.v),
                    Ref(VT_VARIANT, &statusValue), Ref(VT_BOOL, &cancel)};
  Fire(DISPID_NAVIGATEERROR, args, 5);
  return cancel != VARIANT_FALSE;
}

bool WebEventFirer::NewWindow3(DWORD flags, const std::wstring& context, const std::wstring& url) {
  TextVariant contextText(context), urlText(url);
  IDispatch* newBrowser = nullptr;
  VARIANT_BOOL cancel = VARIANT_FALSE;
  VARIANT args[] = {Ref(VT_DISPATCH, &newBrowser), Ref(VT_BOOL, &cancel), Value(VT_I4, LONG(flags)),
                    Borrowed(contextText), Borrowed(urlText)};
  Fire(DISPID_NEWWINDOW3, args, 5);
  // A browser of the sink's own is not used: the page goes where the browser object decides.
  if (newBrowser) newBrowser->Release();
  return cancel != VARIANT_FALSE;
}

void WebEventFirer::NavigateComplete2(const std::wstring& url) {
  TextVariant urlText(url);
  VARIANT args[] = {Dispatch(m_browser), Ref(VT_VARIANT, &urlText.v)};
  Fire(DISPID_NAVIGATECOMPLETE2, args, 2);
}

void WebEventFirer::DocumentComplete(const std::wstring& url) {
  TextVariant urlText(url);
  VARIANT args[] = {Dispatch(m_browser), Ref(VT_VARIANT, &urlText.v)};
  Fire(DISPID_DOCUMENTCOMPLETE, args, 2);
}

void WebEventFirer::CommandStateChange(LONG command, bool enable) {
  VARIANT args[] = {Value(VT_I4, command), Bool(enable)};
  Fire(DISPID_COMMANDSTATECHANGE, args, 2);
}

void WebEventFirer::TitleChange(const std::wstring& title) {
  TextVariant text(title);
  VARIANT args[] = {Borrowed(text)};
  Fire(DISPID_TITLECHANGE, args, 1);
}

void WebEventFirer::ProgressChange(LONG progress, LONG progressMax) {
  VARIANT args[] = {Value(VT_I4, progress), Value(VT_I4, progressMax)};
  Fire(DISPID_PROGRESSCHANGE, args, 2);
}

void WebEventFirer::StatusTextChange(const std::wstring& text) {
  TextVariant value(text);
  VARIANT args[] = {Borrowed(value)};
  Fire(DISPID_STATUSTEXTCHANGE, args, 1);
}

void WebEventFirer::DownloadBegin() { Fire(DISPID_DOWNLOADBEGIN, nullptr, 0); }

void WebEventFirer::DownloadComplete() { Fire(DISPID_DOWNLOADCOMPLETE, nullptr, 0); }

}  // namespace jf
