#include "platform/src/web/WebHtmlWindow.h"

namespace jf {

WebHtmlWindow::~WebHtmlWindow() { SetEvent(nullptr); }

void WebHtmlWindow::SetEvent(IHTMLEventObj* event) {
  if (event) event->AddRef();
  if (m_event) m_event->Release();
  m_event = event;
}

HRESULT WebHtmlWindow::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (riid != IID_IUnknown && riid != IID_IDispatch && riid != IID_IHTMLFramesCollection2 && riid != IID_IHTMLWindow2)
    return E_NOINTERFACE;
  *ppv = static_cast<IHTMLWindow2*>(this);
  AddRef();
  return S_OK;
}

HRESULT WebHtmlWindow::get_document(IHTMLDocument2** p) {
  if (!p) return E_POINTER;
  *p = m_document;
  m_document->AddRef();
  return S_OK;
}

HRESULT WebHtmlWindow::get_event(IHTMLEventObj** p) {
  if (!p) return E_POINTER;
  *p = m_event;
  if (m_event) m_event->AddRef();
  return S_OK;
}

// The rest of the window model is not offered.
HRESULT WebHtmlWindow::item(VARIANT*, VARIANT*) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::get_length(LONG*) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::get_frames(IHTMLFramesCollection2**) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::put_defaultStatus(BSTR) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::get_defaultStatus(BSTR*) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::put_status(BSTR) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::get_status(BSTR*) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::setTimeout(BSTR, LONG, VARIANT*, LONG*) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::clearTimeout(LONG) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::alert(BSTR) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::confirm(BSTR, VARIANT_BOOL*) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::prompt(BSTR, BSTR, VARIANT*) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::get_Image(IHTMLImageElementFactory**) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::get_location(IHTMLLocation**) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::get_history(IOmHistory**) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::close() { return E_NOTIMPL; }
HRESULT WebHtmlWindow::put_opener(VARIANT) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::get_opener(VARIANT*) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::get_navigator(IOmNavigator**) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::put_name(BSTR) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::get_name(BSTR*) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::get_parent(IHTMLWindow2**) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::open(BSTR, BSTR, BSTR, VARIANT_BOOL, IHTMLWindow2**) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::get_self(IHTMLWindow2**) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::get_top(IHTMLWindow2**) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::get_window(IHTMLWindow2**) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::navigate(BSTR) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::put_onfocus(VARIANT) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::get_onfocus(VARIANT*) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::put_onblur(VARIANT) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::get_onblur(VARIANT*) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::put_onload(VARIANT) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::get_onload(VARIANT*) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::put_onbeforeunload(VARIANT) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::get_onbeforeunload(VARIANT*) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::put_onunload(VARIANT) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::get_onunload(VARIANT*) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::put_onhelp(VARIANT) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::get_onhelp(VARIANT*) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::put_onerror(VARIANT) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::get_onerror(VARIANT*) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::put_onresize(VARIANT) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::get_onresize(VARIANT*) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::put_onscroll(VARIANT) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::get_onscroll(VARIANT*) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::get__newEnum(IUnknown**) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::showModalDialog(BSTR, VARIANT*, VARIANT*, VARIANT*) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::showHelp(BSTR, VARIANT, BSTR) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::get_screen(IHTMLScreen**) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::get_Option(IHTMLOptionElementFactory**) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::focus() { return E_NOTIMPL; }
HRESULT WebHtmlWindow::get_closed(VARIANT_BOOL*) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::blur() { return E_NOTIMPL; }
HRESULT WebHtmlWindow::scroll(LONG, LONG) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::get_clientInformation(IOmNavigator**) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::setInterval(BSTR, LONG, VARIANT*, LONG*) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::clearInterval(LONG) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::put_offscreenBuffering(VARIANT) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::get_offscreenBuffering(VARIANT*) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::execScript(BSTR, BSTR, VARIANT*) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::toString(BSTR*) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::scrollBy(LONG, LONG) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::scrollTo(LONG, LONG) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::moveTo(LONG, LONG) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::moveBy(LONG, LONG) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::resizeTo(LONG, LONG) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::resizeBy(LONG, LONG) { return E_NOTIMPL; }
HRESULT WebHtmlWindow::get_external(IDispatch**) { return E_NOTIMPL; }

}  // namespace jf
