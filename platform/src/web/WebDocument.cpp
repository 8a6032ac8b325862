#include "platform/src/web/WebDocument.h"

#include <oleauto.h>

namespace jf {

WebDocument::WebDocument(const std::wstring& url, const std::wstring& title)
    : m_url(url), m_title(title), m_window(this) {}

WebDocument::~WebDocument() {
  m_window.SetEvent(nullptr);
  if (m_handler) m_handler->Release();
}

IDocHostUIHandler* WebDocument::UIHandler() const {
  if (m_handler) m_handler->AddRef();
  return m_handler;
}

HRESULT WebDocument::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IHTMLDocument || riid == IID_IHTMLDocument2) {
    *ppv = static_cast<IHTMLDocument2*>(this);
  } else if (riid == IID_ICustomDoc) {
    *ppv = static_cast<ICustomDoc*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG WebDocument::AddRef() { return ULONG(++m_refs); }

ULONG WebDocument::Release() {
  const LONG left = --m_refs;
  if (left == 0) delete this;
  return ULONG(left);
}

HRESULT WebDocument::SetUIHandler(IDocHostUIHandler* pUIHandler) {
  if (pUIHandler) pUIHandler->AddRef();
  if (m_handler) m_handler->Release();
  m_handler = pUIHandler;
  return S_OK;
}

HRESULT WebDocument::get_title(BSTR* p) {
  if (!p) return E_POINTER;
  *p = SysAllocString(m_title.c_str());
  return S_OK;
}

HRESULT WebDocument::get_URL(BSTR* p) {
  if (!p) return E_POINTER;
  *p = SysAllocString(m_url.c_str());
  return S_OK;
}

HRESULT WebDocument::get_readyState(BSTR* p) {
  if (!p) return E_POINTER;
  *p = SysAllocString(L"complete");
  return S_OK;
}

HRESULT WebDocument::get_parentWindow(IHTMLWindow2** p) {
  if (!p) return E_POINTER;
  *p = &m_window;
  m_window.AddRef();
  return S_OK;
}

// The rest of the document model is not offered.
HRESULT WebDocument::get_Script(IDispatch**) { return E_NOTIMPL; }
HRESULT WebDocument::get_all(IHTMLElementCollection**) { return E_NOTIMPL; }
HRESULT WebDocument::get_body(IHTMLElement**) { return E_NOTIMPL; }
HRESULT WebDocument::get_activeElement(IHTMLElement**) { return E_NOTIMPL; }
HRESULT WebDocument::get_images(IHTMLElementCollection**) { return E_NOTIMPL; }
HRESULT WebDocument::get_applets(IHTMLElementCollection**) { return E_NOTIMPL; }
HRESULT WebDocument::get_links(IHTMLElementCollection**) { return E_NOTIMPL; }
HRESULT WebDocument::get_forms(IHTMLElementCollection**) { return E_NOTIMPL; }
HRESULT WebDocument::get_anchors(IHTMLElementCollection**) { return E_NOTIMPL; }
HRESULT WebDocument::put_title(BSTR) { return E_NOTIMPL; }
HRESULT WebDocument::get_scripts(IHTMLElementCollection**) { return E_NOTIMPL; }
HRESULT WebDocument::put_designMode(BSTR) { return E_NOTIMPL; }
HRESULT WebDocument::get_designMode(BSTR*) { return E_NOTIMPL; }
HRESULT WebDocument::get_selection(IHTMLSelectionObject**) { return E_NOTIMPL; }
HRESULT WebDocument::get_frames(IHTMLFramesCollection2**) { return E_NOTIMPL; }
HRESULT WebDocument::get_embeds(IHTMLElementCollection**) { return E_NOTIMPL; }
HRESULT WebDocument::get_plugins(IHTMLElementCollection**) { return E_NOTIMPL; }
HRESULT WebDocument::put_alinkColor(VARIANT) { return E_NOTIMPL; }
HRESULT WebDocument::get_alinkColor(VARIANT*) { return E_NOTIMPL; }
HRESULT WebDocument::put_bgColor(VARIANT) { return E_NOTIMPL; }
HRESULT WebDocument::get_bgColor(VARIANT*) { return E_NOTIMPL; }
HRESULT WebDocument::put_fgColor(VARIANT) { return E_NOTIMPL; }
HRESULT WebDocument::get_fgColor(VARIANT*) { return E_NOTIMPL; }
HRESULT WebDocument::put_linkColor(VARIANT) { return E_NOTIMPL; }
HRESULT WebDocument::get_linkColor(VARIANT*) { return E_NOTIMPL; }
HRESULT WebDocument::put_vlinkColor(VARIANT) { return E_NOTIMPL; }
HRESULT WebDocument::get_vlinkColor(VARIANT*) { return E_NOTIMPL; }
HRESULT WebDocument::get_referrer(BSTR*) { return E_NOTIMPL; }
HRESULT WebDocument::get_location(IHTMLLocation**) { return E_NOTIMPL; }
HRESULT WebDocument::get_lastModified(BSTR*) { return E_NOTIMPL; }
HRESULT WebDocument::put_URL(BSTR) { return E_NOTIMPL; }
HRESULT WebDocument::put_domain(BSTR) { return E_NOTIMPL; }
HRESULT WebDocument::get_domain(BSTR*) { return E_NOTIMPL; }
HRESULT WebDocument::put_cookie(BSTR) { return E_NOTIMPL; }
HRESULT WebDocument::get_cookie(BSTR*) { return E_NOTIMPL; }
HRESULT WebDocument::put_expando(VARIANT_BOOL) { return E_NOTIMPL; }
HRESULT WebDocument::get_expando(VARIANT_BOOL*) { return E_NOTIMPL; }
HRESULT WebDocument::put_charset(BSTR) { return E_NOTIMPL; }
HRESULT WebDocument::get_charset(BSTR*) { return E_NOTIMPL; }
HRESULT WebDocument::put_defaultCharset(BSTR) { return E_NOTIMPL; }
HRESULT WebDocument::get_defaultCharset(BSTR*) { return E_NOTIMPL; }
HRESULT WebDocument::get_mimeType(BSTR*) { return E_NOTIMPL; }
HRESULT WebDocument::get_fileSize(BSTR*) { return E_NOTIMPL; }
HRESULT WebDocument::get_fileCreatedDate(BSTR*) { return E_NOTIMPL; }
HRESULT WebDocument::get_fileModifiedDate(BSTR*) { return E_NOTIMPL; }
HRESULT WebDocument::get_fileUpdatedDate(BSTR*) { return E_NOTIMPL; }
HRESULT WebDocument::get_security(BSTR*) { return E_NOTIMPL; }
HRESULT WebDocument::get_protocol(BSTR*) { return E_NOTIMPL; }
HRESULT WebDocument::get_nameProp(BSTR*) { return E_NOTIMPL; }
HRESULT WebDocument::write(SAFEARRAY*) { return E_NOTIMPL; }
HRESULT WebDocument::writeln(SAFEARRAY*) { return E_NOTIMPL; }
HRESULT WebDocument::open(BSTR, VARIANT, VARIANT, VARIANT, IDispatch**) { return E_NOTIMPL; }
HRESULT WebDocument::close() { return E_NOTIMPL; }
HRESULT WebDocument::clear() { return E_NOTIMPL; }
HRESULT WebDocument::queryCommandSupported(BSTR, VARIANT_BOOL*) { return E_NOTIMPL; }
HRESULT WebDocument::queryCommandEnabled(BSTR, VARIANT_BOOL*) { return E_NOTIMPL; }
HRESULT WebDocument::queryCommandState(BSTR, VARIANT_BOOL*) { return E_NOTIMPL; }
HRESULT WebDocument::queryCommandIndeterm(BSTR, VARIANT_BOOL*) { return E_NOTIMPL; }
HRESULT WebDocument::queryCommandText(BSTR, BSTR*) { return E_NOTIMPL; }
HRESULT WebDocument::queryCommandValue(BSTR, VARIANT*) { return E_NOTIMPL; }
HRESULT WebDocument::execCommand(BSTR, VARIANT_BOOL, VARIANT, VARIANT_BOOL*) { return E_NOTIMPL; }
HRESULT WebDocument::execCommandShowHelp(BSTR, VARIANT_BOOL*) { return E_NOTIMPL; }
HRESULT WebDocument::createElement(BSTR, IHTMLElement**) { return E_NOTIMPL; }
HRESULT WebDocument::put_onhelp(VARIANT) { return E_NOTIMPL; }
HRESULT WebDocument::get_onhelp(VARIANT*) { return E_NOTIMPL; }
HRESULT WebDocument::put_onclick(VARIANT) { return E_NOTIMPL; }
HRESULT WebDocument::get_onclick(VARIANT*) { return E_NOTIMPL; }
HRESULT WebDocument::put_ondblclick(VARIANT) { return E_NOTIMPL; }
HRESULT WebDocument::get_ondblclick(VARIANT*) { return E_NOTIMPL; }
HRESULT WebDocument::put_onkeyup(VARIANT) { return E_NOTIMPL; }
HRESULT WebDocument::get_onkeyup(VARIANT*) { return E_NOTIMPL; }
HRESULT WebDocument::put_onkeydown(VARIANT) { return E_NOTIMPL; }
HRESULT WebDocument::get_onkeydown(VARIANT*) { return E_NOTIMPL; }
HRESULT WebDocument::put_onkeypress(VARIANT) { return E_NOTIMPL; }
HRESULT WebDocument::get_onkeypress(VARIANT*) { return E_NOTIMPL; }
HRESULT WebDocument::put_onmouseup(VARIANT) { return E_NOTIMPL; }
HRESULT WebDocument::get_onmouseup(VARIANT*) { return E_NOTIMPL; }
HRESULT WebDocument::put_onmousedown(VARIANT) { return E_NOTIMPL; }
HRESULT WebDocument::get_onmousedown(VARIANT*) { return E_NOTIMPL; }
HRESULT WebDocument::put_onmousemove(VARIANT) { return E_NOTIMPL; }
HRESULT WebDocument::get_onmousemove(VARIANT*) { return E_NOTIMPL; }
HRESULT WebDocument::put_onmouseout(VARIANT) { return E_NOTIMPL; }
HRESULT WebDocument::get_onmouseout(VARIANT*) { return E_NOTIMPL; }
HRESULT WebDocument::put_onmouseover(VARIANT) { return E_NOTIMPL; }
HRESULT WebDocument::get_onmouseover(VARIANT*) { return E_NOTIMPL; }
HRESULT WebDocument::put_onreadystatechange(VARIANT) { return E_NOTIMPL; }
HRESULT WebDocument::get_onreadystatechange(VARIANT*) { return E_NOTIMPL; }
HRESULT WebDocument::put_onafterupdate(VARIANT) { return E_NOTIMPL; }
HRESULT WebDocument::get_onafterupdate(VARIANT*) { return E_NOTIMPL; }
HRESULT WebDocument::put_onrowexit(VARIANT) { return E_NOTIMPL; }
HRESULT WebDocument::get_onrowexit(VARIANT*) { return E_NOTIMPL; }
HRESULT WebDocument::put_onrowenter(VARIANT) { return E_NOTIMPL; }
HRESULT WebDocument::get_onrowenter(VARIANT*) { return E_NOTIMPL; }
HRESULT WebDocument::put_ondragstart(VARIANT) { return E_NOTIMPL; }
HRESULT WebDocument::get_ondragstart(VARIANT*) { return E_NOTIMPL; }
HRESULT WebDocument::put_onselectstart(VARIANT) { return E_NOTIMPL; }
HRESULT WebDocument::get_onselectstart(VARIANT*) { return E_NOTIMPL; }
HRESULT WebDocument::elementFromPoint(LONG, LONG, IHTMLElement**) { return E_NOTIMPL; }
HRESULT WebDocument::get_styleSheets(IHTMLStyleSheetsCollection**) { return E_NOTIMPL; }
HRESULT WebDocument::put_onbeforeupdate(VARIANT) { return E_NOTIMPL; }
HRESULT WebDocument::get_onbeforeupdate(VARIANT*) { return E_NOTIMPL; }
HRESULT WebDocument::put_onerrorupdate(VARIANT) { return E_NOTIMPL; }
HRESULT WebDocument::get_onerrorupdate(VARIANT*) { return E_NOTIMPL; }
HRESULT WebDocument::toString(BSTR*) { return E_NOTIMPL; }
HRESULT WebDocument::createStyleSheet(BSTR, LONG, IHTMLStyleSheet**) { return E_NOTIMPL; }

}  // namespace jf
