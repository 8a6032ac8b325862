// The document the browser shows, as far as its host reaches it: the UI handler the host
// installs through ICustomDoc, the address and title, and the window whose current event
// describes a script error. Everything else of the document model answers E_NOTIMPL.
#pragma once
#include <windows.h>
#include <mshtmhst.h>
#include <mshtml.h>

#include <string>

#include "platform/src/web/DispatchWithoutTypeInfo.h"

#include "platform/src/web/WebHtmlWindow.h"

namespace jf {

class WebDocument final : public DispatchWithoutTypeInfo<IHTMLDocument2>, public ICustomDoc {
 public:
  WebDocument(const std::wstring& url, const std::wstring& title);
  WebDocument(const WebDocument&) = delete;
  WebDocument& operator=(const WebDocument&) = delete;

  // The handler the host installed, AddRef'ed, or null.
  IDocHostUIHandler* UIHandler() const;
  void SetTitle(const std::wstring& title) { m_title = title; }
  // The script error being reported: the window's current event while it is set.
  void SetCurrentEvent(IHTMLEventObj* event) { m_window.SetEvent(event); }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // ICustomDoc
  HRESULT STDMETHODCALLTYPE SetUIHandler(IDocHostUIHandler* pUIHandler) override;
  // IHTMLDocument2: what a host reads
  HRESULT STDMETHODCALLTYPE get_title(BSTR* p) override;
  HRESULT STDMETHODCALLTYPE get_URL(BSTR* p) override;
  HRESULT STDMETHODCALLTYPE get_readyState(BSTR* p) override;
  HRESULT STDMETHODCALLTYPE get_parentWindow(IHTMLWindow2** p) override;
  // IHTMLDocument2: the rest
  HRESULT STDMETHODCALLTYPE get_Script(IDispatch** p) override;
  HRESULT STDMETHODCALLTYPE get_all(IHTMLElementCollection** p) override;
  HRESULT STDMETHODCALLTYPE get_body(IHTMLElement** p) override;
  HRESULT STDMETHODCALLTYPE get_activeElement(IHTMLElement** p) override;
  HRESULT STDMETHODCALLTYPE get_images(IHTMLElementCollection** p) override;
  HRESULT STDMETHODCALLTYPE get_applets(IHTMLElementCollection** p) override;
  HRESULT STDMETHODCALLTYPE get_links(IHTMLElementCollection** p) override;
  HRESULT STDMETHODCALLTYPE get_forms(IHTMLElementCollection** p) override;
  HRESULT STDMETHODCALLTYPE get_anchors(IHTMLElementCollection** p) override;
  HRESULT STDMETHODCALLTYPE put_title(BSTR v) override;
  HRESULT STDMETHODCALLTYPE get_scripts(IHTMLElementCollection** p) override;
  HRESULT STDMETHODCALLTYPE put_designMode(BSTR v) override;
  HRESULT STDMETHODCALLTYPE get_designMode(BSTR* p) override;
  HRESULT STDMETHODCALLTYPE get_selection(IHTMLSelectionObject** p) override;
  HRESULT STDMETHODCALLTYPE get_frames(IHTMLFramesCollection2** p) override;
  HRESULT STDMETHODCALLTYPE get_embeds(IHTMLElementCollection** p) override;
  HRESULT STDMETHODCALLTYPE get_plugins(IHTMLElementCollection** p) override;
  HRESULT STDMETHODCALLTYPE put_alinkColor(VARIANT v) override;
  HRESULT STDMETHODCALLTYPE get_alinkColor(VARIANT* p) override;
  HRESULT STDMETHODCALLTYPE put_bgColor(VARIANT v) override;
  HRESULT STDMETHODCALLTYPE get_bgColor(VARIANT* p) override;
  HRESULT STDMETHODCALLTYPE put_fgColor(VARIANT v) override;
  HRESULT STDMETHODCALLTYPE get_fgColor(VARIANT* p) override;
  HRESULT STDMETHODCALLTYPE put_linkColor(VARIANT v) override;
  HRESULT STDMETHODCALLTYPE get_linkColor(VARIANT* p) override;
  HRESULT STDMETHODCALLTYPE put_vlinkColor(VARIANT v) override;
  HRESULT STDMETHODCALLTYPE get_vlinkColor(VARIANT* p) override;
  HRESULT STDMETHODCALLTYPE get_referrer(BSTR* p) override;
  HRESULT STDMETHODCALLTYPE get_location(IHTMLLocation** p) override;
  HRESULT STDMETHODCALLTYPE get_lastModified(BSTR* p) override;
  HRESULT STDMETHODCALLTYPE put_URL(BSTR v) override;
  HRESULT STDMETHODCALLTYPE put_domain(BSTR v) override;
  HRESULT STDMETHODCALLTYPE get_domain(BSTR* p) override;
  HRESULT STDMETHODCALLTYPE put_cookie(BSTR v) override;
  HRESULT STDMETHODCALLTYPE get_cookie(BSTR* p) override;
  HRESULT STDMETHODCALLTYPE put_expando(VARIANT_BOOL v) override;
  HRESULT STDMETHODCALLTYPE get_expando(VARIANT_BOOL* p) override;
  HRESULT STDMETHODCALLTYPE put_charset(BSTR v) override;
  HRESULT STDMETHODCALLTYPE get_charset(BSTR* p) override;
  HRESULT STDMETHODCALLTYPE put_defaultCharset(BSTR v) override;
  HRESULT STDMETHODCALLTYPE get_defaultCharset(BSTR* p) override;
  HRESULT STDMETHODCALLTYPE get_mimeType(BSTR* p) override;
  HRESULT STDMETHODCALLTYPE get_fileSize(BSTR* p) override;
  HRESULT STDMETHODCALLTYPE get_fileCreatedDate(BSTR* p) override;
  HRESULT STDMETHODCALLTYPE get_fileModifiedDate(BSTR* p) override;
  HRESULT STDMETHODCALLTYPE get_fileUpdatedDate(BSTR* p) override;
  HRESULT STDMETHODCALLTYPE get_security(BSTR* p) override;
  HRESULT STDMETHODCALLTYPE get_protocol(BSTR* p) override;
  HRESULT STDMETHODCALLTYPE get_nameProp(BSTR* p) override;
  HRESULT STDMETHODCALLTYPE write(SAFEARRAY* psarray) override;
  HRESULT STDMETHODCALLTYPE writeln(SAFEARRAY* psarray) override;
  HRESULT STDMETHODCALLTYPE open(BSTR url, VARIANT name, VARIANT features, VARIANT replace, IDispatch** pomWindowResult) override;
  HRESULT STDMETHODCALLTYPE close() override;
  HRESULT STDMETHODCALLTYPE clear() override;
  HRESULT STDMETHODCALLTYPE queryCommandSupported(BSTR cmdID, VARIANT_BOOL* pfRet) override;
  HRESULT STDMETHODCALLTYPE queryCommandEnabled(BSTR cmdID, VARIANT_BOOL* pfRet) override;
  HRESULT STDMETHODCALLTYPE queryCommandState(BSTR cmdID, VARIANT_BOOL* pfRet) override;
  HRESULT STDMETHODCALLTYPE queryCommandIndeterm(BSTR cmdID, VARIANT_BOOL* pfRet) override;
  HRESULT STDMETHODCALLTYPE queryCommandText(BSTR cmdID, BSTR* pcmdText) override;
  HRESULT STDMETHODCALLTYPE queryCommandValue(BSTR cmdID, VARIANT* pcmdValue) override;
  HRESULT STDMETHODCALLTYPE execCommand(BSTR cmdID, VARIANT_BOOL showUI, VARIANT value, VARIANT_BOOL* pfRet) override;
  HRESULT STDMETHODCALLTYPE execCommandShowHelp(BSTR cmdID, VARIANT_BOOL* pfRet) override;
  HRESULT STDMETHODCALLTYPE createElement(BSTR eTag, IHTMLElement** newElem) override;
  HRESULT STDMETHODCALLTYPE put_onhelp(VARIANT v) override;
  HRESULT STDMETHODCALLTYPE get_onhelp(VARIANT* p) override;
  HRESULT STDMETHODCALLTYPE put_onclick(VARIANT v) override;
  HRESULT STDMETHODCALLTYPE get_onclick(VARIANT* p) override;
  HRESULT STDMETHODCALLTYPE put_ondblclick(VARIANT v) override;
  HRESULT STDMETHODCALLTYPE get_ondblclick(VARIANT* p) override;
  HRESULT STDMETHODCALLTYPE put_onkeyup(VARIANT v) override;
  HRESULT STDMETHODCALLTYPE get_onkeyup(VARIANT* p) override;
  HRESULT STDMETHODCALLTYPE put_onkeydown(VARIANT v) override;
  HRESULT STDMETHODCALLTYPE get_onkeydown(VARIANT* p) override;
  HRESULT STDMETHODCALLTYPE put_onkeypress(VARIANT v) override;
  HRESULT STDMETHODCALLTYPE get_onkeypress(VARIANT* p) override;
  HRESULT STDMETHODCALLTYPE put_onmouseup(VARIANT v) override;
  HRESULT STDMETHODCALLTYPE get_onmouseup(VARIANT* p) override;
  HRESULT STDMETHODCALLTYPE put_onmousedown(VARIANT v) override;
  HRESULT STDMETHODCALLTYPE get_onmousedown(VARIANT* p) override;
  HRESULT STDMETHODCALLTYPE put_onmousemove(VARIANT v) override;
  HRESULT STDMETHODCALLTYPE get_onmousemove(VARIANT* p) override;
  HRESULT STDMETHODCALLTYPE put_onmouseout(VARIANT v) override;
  HRESULT STDMETHODCALLTYPE get_onmouseout(VARIANT* p) override;
  HRESULT STDMETHODCALLTYPE put_onmouseover(VARIANT v) override;
  HRESULT STDMETHODCALLTYPE get_onmouseover(VARIANT* p) override;
  HRESULT STDMETHODCALLTYPE put_onreadystatechange(VARIANT v) override;
  HRESULT STDMETHODCALLTYPE get_onreadystatechange(VARIANT* p) override;
  HRESULT STDMETHODCALLTYPE put_onafterupdate(VARIANT v) override;
  HRESULT STDMETHODCALLTYPE get_onafterupdate(VARIANT* p) override;
  HRESULT STDMETHODCALLTYPE put_onrowexit(VARIANT v) override;
  HRESULT STDMETHODCALLTYPE get_onrowexit(VARIANT* p) override;
  HRESULT STDMETHODCALLTYPE put_onrowenter(VARIANT v) override;
  HRESULT STDMETHODCALLTYPE get_onrowenter(VARIANT* p) override;
  HRESULT STDMETHODCALLTYPE put_ondragstart(VARIANT v) override;
  HRESULT STDMETHODCALLTYPE get_ondragstart(VARIANT* p) override;
  HRESULT STDMETHODCALLTYPE put_onselectstart(VARIANT v) override;
  HRESULT STDMETHODCALLTYPE get_onselectstart(VARIANT* p) override;
  HRESULT STDMETHODCALLTYPE elementFromPoint(LONG x, LONG y, IHTMLElement** elementHit) override;
  HRESULT STDMETHODCALLTYPE get_styleSheets(IHTMLStyleSheetsCollection** p) override;
  HRESULT STDMETHODCALLTYPE put_onbeforeupdate(VARIANT v) override;
  HRESULT STDMETHODCALLTYPE get_onbeforeupdate(VARIANT* p) override;
  HRESULT STDMETHODCALLTYPE put_onerrorupdate(VARIANT v) override;
  HRESULT STDMETHODCALLTYPE get_onerrorupdate(VARIANT* p) override;
  HRESULT STDMETHODCALLTYPE toString(BSTR* String) override;
  HRESULT STDMETHODCALLTYPE createStyleSheet(BSTR bstrHref, LONG lIndex, IHTMLStyleSheet** ppnewStyleSheet) override;

 private:
  ~WebDocument();

  LONG m_refs = 1;
  std::wstring m_url;
  std::wstring m_title;
  IDocHostUIHandler* m_handler = nullptr;
  WebHtmlWindow m_window;
};

}  // namespace jf
