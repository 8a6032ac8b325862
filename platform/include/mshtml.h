// The HTML document object model: the document, its window and the window's current event.
#pragma once
#include "ocidl.h"

typedef struct tagSAFEARRAY SAFEARRAY;
struct IHTMLElement;
struct IHTMLElementCollection;
struct IHTMLSelectionObject;
struct IHTMLLocation;
struct IHTMLStyleSheet;
struct IHTMLStyleSheetsCollection;
struct IHTMLImageElementFactory;
struct IHTMLOptionElementFactory;
struct IHTMLScreen;
struct IOmHistory;
struct IOmNavigator;
struct IHTMLWindow2;
struct IHTMLFramesCollection2;
struct IHTMLDocument2;
struct IHTMLEventObj;

inline constexpr IID IID_IHTMLDocument = {0x626FC520, 0xA41E, 0x11CF, {0xA7, 0x31, 0x00, 0xA0, 0xC9, 0x08, 0x26, 0x37}};
inline constexpr IID IID_IHTMLDocument2 = {0x332C4425, 0x26CB, 0x11D0, {0xB4, 0x83, 0x00, 0xC0, 0x4F, 0xD9, 0x01, 0x19}};
inline constexpr IID IID_IHTMLFramesCollection2 = {
    0x332C4426, 0x26CB, 0x11D0, {0xB4, 0x83, 0x00, 0xC0, 0x4F, 0xD9, 0x01, 0x19}};
inline constexpr IID IID_IHTMLWindow2 = {0x332C4427, 0x26CB, 0x11D0, {0xB4, 0x83, 0x00, 0xC0, 0x4F, 0xD9, 0x01, 0x19}};
inline constexpr IID IID_IHTMLEventObj = {0x3050F32D, 0x98B5, 0x11CF, {0xBB, 0x82, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x0B}};

struct IHTMLEventObj : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE get_srcElement(IHTMLElement** p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_altKey(VARIANT_BOOL* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ctrlKey(VARIANT_BOOL* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_shiftKey(VARIANT_BOOL* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_returnValue(VARIANT v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_returnValue(VARIANT* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_cancelBubble(VARIANT_BOOL v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_cancelBubble(VARIANT_BOOL* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_fromElement(IHTMLElement** p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_toElement(IHTMLElement** p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_keyCode(LONG v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_keyCode(LONG* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_button(LONG* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_type(BSTR* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_qualifier(BSTR* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_reason(LONG* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_x(LONG* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_y(LONG* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_clientX(LONG* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_clientY(LONG* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_offsetX(LONG* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_offsetY(LONG* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_screenX(LONG* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_screenY(LONG* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_srcFilter(IDispatch** p) = 0;

 protected:
  ~IHTMLEventObj() = default;
};

struct IHTMLDocument : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE get_Script(IDispatch** p) = 0;

 protected:
  ~IHTMLDocument() = default;
};

struct IHTMLDocument2 : public IHTMLDocument {
  virtual HRESULT STDMETHODCALLTYPE get_all(IHTMLElementCollection** p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_body(IHTMLElement** p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_activeElement(IHTMLElement** p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_images(IHTMLElementCollection** p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_applets(IHTMLElementCollection** p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_links(IHTMLElementCollection** p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_forms(IHTMLElementCollection** p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_anchors(IHTMLElementCollection** p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_title(BSTR v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_title(BSTR* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_scripts(IHTMLElementCollection** p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_designMode(BSTR v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_designMode(BSTR* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_selection(IHTMLSelectionObject** p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_readyState(BSTR* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_frames(IHTMLFramesCollection2** p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_embeds(IHTMLElementCollection** p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_plugins(IHTMLElementCollection** p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_alinkColor(VARIANT v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_alinkColor(VARIANT* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_bgColor(VARIANT v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_bgColor(VARIANT* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_fgColor(VARIANT v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_fgColor(VARIANT* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_linkColor(VARIANT v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_linkColor(VARIANT* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_vlinkColor(VARIANT v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_vlinkColor(VARIANT* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_referrer(BSTR* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_location(IHTMLLocation** p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_lastModified(BSTR* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_URL(BSTR v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_URL(BSTR* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_domain(BSTR v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_domain(BSTR* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_cookie(BSTR v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_cookie(BSTR* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_expando(VARIANT_BOOL v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_expando(VARIANT_BOOL* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_charset(BSTR v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_charset(BSTR* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_defaultCharset(BSTR v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_defaultCharset(BSTR* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_mimeType(BSTR* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_fileSize(BSTR* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_fileCreatedDate(BSTR* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_fileModifiedDate(BSTR* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_fileUpdatedDate(BSTR* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_security(BSTR* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_protocol(BSTR* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_nameProp(BSTR* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE write(SAFEARRAY* psarray) = 0;
  virtual HRESULT STDMETHODCALLTYPE writeln(SAFEARRAY* psarray) = 0;
  virtual HRESULT STDMETHODCALLTYPE open(BSTR url, VARIANT name, VARIANT features, VARIANT replace, IDispatch** pomWindowResult) = 0;
  virtual HRESULT STDMETHODCALLTYPE close() = 0;
  virtual HRESULT STDMETHODCALLTYPE clear() = 0;
  virtual HRESULT STDMETHODCALLTYPE queryCommandSupported(BSTR cmdID, VARIANT_BOOL* pfRet) = 0;
  virtual HRESULT STDMETHODCALLTYPE queryCommandEnabled(BSTR cmdID, VARIANT_BOOL* pfRet) = 0;
  virtual HRESULT STDMETHODCALLTYPE queryCommandState(BSTR cmdID, VARIANT_BOOL* pfRet) = 0;
  virtual HRESULT STDMETHODCALLTYPE queryCommandIndeterm(BSTR cmdID, VARIANT_BOOL* pfRet) = 0;
  virtual HRESULT STDMETHODCALLTYPE queryCommandText(BSTR cmdID, BSTR* pcmdText) = 0;
  virtual HRESULT STDMETHODCALLTYPE queryCommandValue(BSTR cmdID, VARIANT* pcmdValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE execCommand(BSTR cmdID, VARIANT_BOOL showUI, VARIANT value, VARIANT_BOOL* pfRet) = 0;
  virtual HRESULT STDMETHODCALLTYPE execCommandShowHelp(BSTR cmdID, VARIANT_BOOL* pfRet) = 0;
  virtual HRESULT STDMETHODCALLTYPE createElement(BSTR eTag, IHTMLElement** newElem) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_onhelp(VARIANT v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_onhelp(VARIANT* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_onclick(VARIANT v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_onclick(VARIANT* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_ondblclick(VARIANT v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ondblclick(VARIANT* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_onkeyup(VARIANT v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_onkeyup(VARIANT* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_onkeydown(VARIANT v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_onkeydown(VARIANT* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_onkeypress(VARIANT v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_onkeypress(VARIANT* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_onmouseup(VARIANT v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_onmouseup(VARIANT* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_onmousedown(VARIANT v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_onmousedown(VARIANT* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_onmousemove(VARIANT v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_onmousemove(VARIANT* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_onmouseout(VARIANT v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_onmouseout(VARIANT* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_onmouseover(VARIANT v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_onmouseover(VARIANT* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_onreadystatechange(VARIANT v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_onreadystatechange(VARIANT* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_onafterupdate(VARIANT v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_onafterupdate(VARIANT* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_onrowexit(VARIANT v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_onrowexit(VARIANT* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_onrowenter(VARIANT v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_onrowenter(VARIANT* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_ondragstart(VARIANT v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ondragstart(VARIANT* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_onselectstart(VARIANT v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_onselectstart(VARIANT* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE elementFromPoint(LONG x, LONG y, IHTMLElement** elementHit) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_parentWindow(IHTMLWindow2** p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_styleSheets(IHTMLStyleSheetsCollection** p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_onbeforeupdate(VARIANT v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_onbeforeupdate(VARIANT* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_onerrorupdate(VARIANT v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_onerrorupdate(VARIANT* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE toString(BSTR* String) = 0;
  virtual HRESULT STDMETHODCALLTYPE createStyleSheet(BSTR bstrHref, LONG lIndex, IHTMLStyleSheet** ppnewStyleSheet) = 0;

 protected:
  ~IHTMLDocument2() = default;
};

struct IHTMLFramesCollection2 : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE item(VARIANT* pvarIndex, VARIANT* pvarResult) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_length(LONG* p) = 0;

 protected:
  ~IHTMLFramesCollection2() = default;
};

struct IHTMLWindow2 : public IHTMLFramesCollection2 {
  virtual HRESULT STDMETHODCALLTYPE get_frames(IHTMLFramesCollection2** p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_defaultStatus(BSTR v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_defaultStatus(BSTR* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_status(BSTR v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_status(BSTR* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE setTimeout(BSTR expression, LONG msec, VARIANT* language, LONG* timerID) = 0;
  virtual HRESULT STDMETHODCALLTYPE clearTimeout(LONG timerID) = 0;
  virtual HRESULT STDMETHODCALLTYPE alert(BSTR message) = 0;
  virtual HRESULT STDMETHODCALLTYPE confirm(BSTR message, VARIANT_BOOL* confirmed) = 0;
  virtual HRESULT STDMETHODCALLTYPE prompt(BSTR message, BSTR defstr, VARIANT* textdata) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Image(IHTMLImageElementFactory** p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_location(IHTMLLocation** p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_history(IOmHistory** p) = 0;
  virtual HRESULT STDMETHODCALLTYPE close() = 0;
  virtual HRESULT STDMETHODCALLTYPE put_opener(VARIANT v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_opener(VARIANT* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_navigator(IOmNavigator** p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_name(BSTR v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_name(BSTR* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_parent(IHTMLWindow2** p) = 0;
  virtual HRESULT STDMETHODCALLTYPE open(BSTR url, BSTR name, BSTR features, VARIANT_BOOL replace, IHTMLWindow2** pomWindowResult) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_self(IHTMLWindow2** p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_top(IHTMLWindow2** p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_window(IHTMLWindow2** p) = 0;
  virtual HRESULT STDMETHODCALLTYPE navigate(BSTR url) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_onfocus(VARIANT v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_onfocus(VARIANT* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_onblur(VARIANT v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_onblur(VARIANT* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_onload(VARIANT v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_onload(VARIANT* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_onbeforeunload(VARIANT v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_onbeforeunload(VARIANT* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_onunload(VARIANT v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_onunload(VARIANT* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_onhelp(VARIANT v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_onhelp(VARIANT* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_onerror(VARIANT v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_onerror(VARIANT* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_onresize(VARIANT v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_onresize(VARIANT* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_onscroll(VARIANT v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_onscroll(VARIANT* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_document(IHTMLDocument2** p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_event(IHTMLEventObj** p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get__newEnum(IUnknown** p) = 0;
  virtual HRESULT STDMETHODCALLTYPE showModalDialog(BSTR dialog, VARIANT* varArgIn, VARIANT* varOptions, VARIANT* varArgOut) = 0;
  virtual HRESULT STDMETHODCALLTYPE showHelp(BSTR helpURL, VARIANT helpArg, BSTR features) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_screen(IHTMLScreen** p) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Option(IHTMLOptionElementFactory** p) = 0;
  virtual HRESULT STDMETHODCALLTYPE focus() = 0;
  virtual HRESULT STDMETHODCALLTYPE get_closed(VARIANT_BOOL* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE blur() = 0;
  virtual HRESULT STDMETHODCALLTYPE scroll(LONG x, LONG y) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_clientInformation(IOmNavigator** p) = 0;
  virtual HRESULT STDMETHODCALLTYPE setInterval(BSTR expression, LONG msec, VARIANT* language, LONG* timerID) = 0;
  virtual HRESULT STDMETHODCALLTYPE clearInterval(LONG timerID) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_offscreenBuffering(VARIANT v) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_offscreenBuffering(VARIANT* p) = 0;
  virtual HRESULT STDMETHODCALLTYPE execScript(BSTR code, BSTR language, VARIANT* pvarRet) = 0;
  virtual HRESULT STDMETHODCALLTYPE toString(BSTR* String) = 0;
  virtual HRESULT STDMETHODCALLTYPE scrollBy(LONG x, LONG y) = 0;
  virtual HRESULT STDMETHODCALLTYPE scrollTo(LONG x, LONG y) = 0;
  virtual HRESULT STDMETHODCALLTYPE moveTo(LONG x, LONG y) = 0;
  virtual HRESULT STDMETHODCALLTYPE moveBy(LONG x, LONG y) = 0;
  virtual HRESULT STDMETHODCALLTYPE resizeTo(LONG x, LONG y) = 0;
  virtual HRESULT STDMETHODCALLTYPE resizeBy(LONG x, LONG y) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_external(IDispatch** p) = 0;

 protected:
  ~IHTMLWindow2() = default;
};
