// The window of a document, part of it (it counts on the document): it gives the document back
// and the current event, which is set while a script error is reported.
#pragma once
#include <windows.h>
#include <mshtml.h>

#include "platform/src/web/DispatchWithoutTypeInfo.h"

namespace jf {

class WebHtmlWindow final : public DispatchWithoutTypeInfo<IHTMLWindow2> {
 public:
  explicit WebHtmlWindow(IHTMLDocument2* document) : m_document(document) {}
  ~WebHtmlWindow();
  WebHtmlWindow(const WebHtmlWindow&) = delete;
  WebHtmlWindow& operator=(const WebHtmlWindow&) = delete;

  void SetEvent(IHTMLEventObj* event);

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return m_document->AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return m_document->Release(); }
  // IHTMLWindow2: what a host reads
  HRESULT STDMETHODCALLTYPE get_document(IHTMLDocument2** p) override;
  HRESULT STDMETHODCALLTYPE get_event(IHTMLEventObj** p) override;
  // The rest
  HRESULT STDMETHODCALLTYPE item(VARIANT* pvarIndex, VARIANT* pvarResult) override;
  HRESULT STDMETHODCALLTYPE get_length(LONG* p) override;
  HRESULT STDMETHODCALLTYPE get_frames(IHTMLFramesCollection2** p) override;
  HRESULT STDMETHODCALLTYPE put_defaultStatus(BSTR v) override;
  HRESULT STDMETHODCALLTYPE get_defaultStatus(BSTR* p) override;
  HRESULT STDMETHODCALLTYPE put_status(BSTR v) override;
  HRESULT STDMETHODCALLTYPE get_status(BSTR* p) override;
  HRESULT STDMETHODCALLTYPE setTimeout(BSTR expression, LONG msec, VARIANT* language, LONG* timerID) override;
  HRESULT STDMETHODCALLTYPE clearTimeout(LONG timerID) override;
  HRESULT STDMETHODCALLTYPE alert(BSTR message) override;
  HRESULT STDMETHODCALLTYPE confirm(BSTR message, VARIANT_BOOL* confirmed) override;
  HRESULT STDMETHODCALLTYPE prompt(BSTR message, BSTR defstr, VARIANT* textdata) override;
  HRESULT STDMETHODCALLTYPE get_Image(IHTMLImageElementFactory** p) override;
  HRESULT STDMETHODCALLTYPE get_location(IHTMLLocation** p) override;
  HRESULT STDMETHODCALLTYPE get_history(IOmHistory** p) override;
  HRESULT STDMETHODCALLTYPE close() override;
  HRESULT STDMETHODCALLTYPE put_opener(VARIANT v) override;
  HRESULT STDMETHODCALLTYPE get_opener(VARIANT* p) override;
  HRESULT STDMETHODCALLTYPE get_navigator(IOmNavigator** p) override;
  HRESULT STDMETHODCALLTYPE put_name(BSTR v) override;
  HRESULT STDMETHODCALLTYPE get_name(BSTR* p) override;
  HRESULT STDMETHODCALLTYPE get_parent(IHTMLWindow2** p) override;
  HRESULT STDMETHODCALLTYPE open(BSTR url, BSTR name, BSTR features, VARIANT_BOOL replace, IHTMLWindow2** pomWindowResult) override;
  HRESULT STDMETHODCALLTYPE get_self(IHTMLWindow2** p) override;
  HRESULT STDMETHODCALLTYPE get_top(IHTMLWindow2** p) override;
  HRESULT STDMETHODCALLTYPE get_window(IHTMLWindow2** p) override;
  HRESULT STDMETHODCALLTYPE navigate(BSTR url) override;
  HRESULT STDMETHODCALLTYPE put_onfocus(VARIANT v) override;
  HRESULT STDMETHODCALLTYPE get_onfocus(VARIANT* p) override;
  HRESULT STDMETHODCALLTYPE put_onblur(VARIANT v) override;
  HRESULT STDMETHODCALLTYPE get_onblur(VARIANT* p) override;
  HRESULT STDMETHODCALLTYPE put_onload(VARIANT v) override;
  HRESULT STDMETHODCALLTYPE get_onload(VARIANT* p) override;
  HRESULT STDMETHODCALLTYPE put_onbeforeunload(VARIANT v) override;
  HRESULT STDMETHODCALLTYPE get_onbeforeunload(VARIANT* p) override;
  HRESULT STDMETHODCALLTYPE put_onunload(VARIANT v) override;
  HRESULT STDMETHODCALLTYPE get_onunload(VARIANT* p) override;
  HRESULT STDMETHODCALLTYPE put_onhelp(VARIANT v) override;
  HRESULT STDMETHODCALLTYPE get_onhelp(VARIANT* p) override;
  HRESULT STDMETHODCALLTYPE put_onerror(VARIANT v) override;
  HRESULT STDMETHODCALLTYPE get_onerror(VARIANT* p) override;
  HRESULT STDMETHODCALLTYPE put_onresize(VARIANT v) override;
  HRESULT STDMETHODCALLTYPE get_onresize(VARIANT* p) override;
  HRESULT STDMETHODCALLTYPE put_onscroll(VARIANT v) override;
  HRESULT STDMETHODCALLTYPE get_onscroll(VARIANT* p) override;
  HRESULT STDMETHODCALLTYPE get__newEnum(IUnknown** p) override;
  HRESULT STDMETHODCALLTYPE showModalDialog(BSTR dialog, VARIANT* varArgIn, VARIANT* varOptions, VARIANT* varArgOut) override;
  HRESULT STDMETHODCALLTYPE showHelp(BSTR helpURL, VARIANT helpArg, BSTR features) override;
  HRESULT STDMETHODCALLTYPE get_screen(IHTMLScreen** p) override;
  HRESULT STDMETHODCALLTYPE get_Option(IHTMLOptionElementFactory** p) override;
  HRESULT STDMETHODCALLTYPE focus() override;
  HRESULT STDMETHODCALLTYPE get_closed(VARIANT_BOOL* p) override;
  HRESULT STDMETHODCALLTYPE blur() override;
  HRESULT STDMETHODCALLTYPE scroll(LONG x, LONG y) override;
  HRESULT STDMETHODCALLTYPE get_clientInformation(IOmNavigator** p) override;
  HRESULT STDMETHODCALLTYPE setInterval(BSTR expression, LONG msec, VARIANT* language, LONG* timerID) override;
  HRESULT STDMETHODCALLTYPE clearInterval(LONG timerID) override;
  HRESULT STDMETHODCALLTYPE put_offscreenBuffering(VARIANT v) override;
  HRESULT STDMETHODCALLTYPE get_offscreenBuffering(VARIANT* p) override;
  HRESULT STDMETHODCALLTYPE execScript(BSTR code, BSTR language, VARIANT* pvarRet) override;
  HRESULT STDMETHODCALLTYPE toString(BSTR* String) override;
  HRESULT STDMETHODCALLTYPE scrollBy(LONG x, LONG y) override;
  HRESULT STDMETHODCALLTYPE scrollTo(LONG x, LONG y) override;
  HRESULT STDMETHODCALLTYPE moveTo(LONG x, LONG y) override;
  HRESULT STDMETHODCALLTYPE moveBy(LONG x, LONG y) override;
  HRESULT STDMETHODCALLTYPE resizeTo(LONG x, LONG y) override;
  HRESULT STDMETHODCALLTYPE resizeBy(LONG x, LONG y) override;
  HRESULT STDMETHODCALLTYPE get_external(IDispatch** p) override;

 private:
  IHTMLDocument2* m_document;
  IHTMLEventObj* m_event = nullptr;
};

}  // namespace jf
