// A UI handler put in front of the control's on one document: it reads each script error the
// browser reports (the five values of the window's current event), passes the command on to
// the control, and keeps the control's answer. Everything else goes straight to the control.
#pragma once
#include <windows.h>
#include <docobj.h>
#include <mshtml.h>
#include <mshtmhst.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "tests/platform/web/WebEventLog.h"

namespace webtest {

class ScriptErrorProbe : public IDocHostUIHandler, public IOleCommandTarget {
 public:
  // The control owns its lifetime (its count only answers): the faces are kept uncounted.
  explicit ScriptErrorProbe(IUnknown* control) : m_control(control) {
    control->QueryInterface(IID_IDocHostUIHandler, reinterpret_cast<void**>(&m_handler));
    control->QueryInterface(IID_IOleCommandTarget, reinterpret_cast<void**>(&m_target));
    m_handler->Release();
    m_target->Release();
  }
  // "line,column,code,message,url -> answer out"
  std::vector<std::string> reports;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDocHostUIHandler) *ppv = static_cast<IDocHostUIHandler*>(this);
    else if (riid == IID_IOleCommandTarget) *ppv = static_cast<IOleCommandTarget*>(this);
    else return m_control->QueryInterface(riid, ppv);  // the control's services
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE QueryStatus(const GUID* g, ULONG n, OLECMD c[], OLECMDTEXT* t) override {
    return m_target->QueryStatus(g, n, c, t);
  }
  HRESULT STDMETHODCALLTYPE Exec(const GUID* group, DWORD id, DWORD option, VARIANT* in, VARIANT* out) override {
    std::string values = Read(in);
    const HRESULT hr = m_target->Exec(group, id, option, in, out);
    values += " -> " + std::to_string(long(hr)) + " " +
              (out && out->vt == VT_BOOL && out->boolVal == VARIANT_TRUE ? "go on" : "stop");
    reports.push_back(values);
    return hr;
  }

  HRESULT STDMETHODCALLTYPE ShowContextMenu(DWORD a, POINT* b, IUnknown* c, IDispatch* d) override {
    return m_handler->ShowContextMenu(a, b, c, d);
  }
  HRESULT STDMETHODCALLTYPE GetHostInfo(DOCHOSTUIINFO* a) override { return m_handler->GetHostInfo(a); }
  HRESULT STDMETHODCALLTYPE ShowUI(DWORD a, IOleInPlaceActiveObject* b, IOleCommandTarget* c, IOleInPlaceFrame* d,
                                   IOleInPlaceUIWindow* e) override {
    return m_handler->ShowUI(a, b, c, d, e);
  }
  HRESULT STDMETHODCALLTYPE HideUI() override { return m_handler->HideUI(); }
  HRESULT STDMETHODCALLTYPE UpdateUI() override { return m_handler->UpdateUI(); }
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL a) override { return m_handler->EnableModeless(a); }
  HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL a) override { return m_handler->OnDocWindowActivate(a); }
  HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL a) override { return m_handler->OnFrameWindowActivate(a); }
  HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT a, IOleInPlaceUIWindow* b, BOOL c) override {
    return m_handler->ResizeBorder(a, b, c);
  }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG a, const GUID* b, DWORD c) override {
    return m_handler->TranslateAccelerator(a, b, c);
  }
  HRESULT STDMETHODCALLTYPE GetOptionKeyPath(LPOLESTR* a, DWORD b) override { return m_handler->GetOptionKeyPath(a, b); }
  HRESULT STDMETHODCALLTYPE GetDropTarget(IDropTarget* a, IDropTarget** b) override {
    return m_handler->GetDropTarget(a, b);
  }
  HRESULT STDMETHODCALLTYPE GetExternal(IDispatch** a) override { return m_handler->GetExternal(a); }
  HRESULT STDMETHODCALLTYPE TranslateUrl(DWORD a, LPWSTR b, LPWSTR* c) override { return m_handler->TranslateUrl(a, b, c); }
  HRESULT STDMETHODCALLTYPE FilterDataObject(IDataObject* a, IDataObject** b) override {
    return m_handler->FilterDataObject(a, b);
  }

 private:
  // The five values, as the control reads them: document, its window, the current event.
  static std::string Read(VARIANT* in) {
    if (!in || in->vt != VT_UNKNOWN || !in->punkVal) return "no document";
    IHTMLDocument2* document = nullptr;
    IHTMLWindow2* window = nullptr;
    IHTMLEventObj* event = nullptr;
    std::string out;
    if (SUCCEEDED(in->punkVal->QueryInterface(IID_IHTMLDocument2, reinterpret_cast<void**>(&document))) &&
        SUCCEEDED(document->get_parentWindow(&window)) && SUCCEEDED(window->get_event(&event)) && event) {
      for (const wchar_t* name : {L"errorLine", L"errorCharacter", L"errorCode", L"errorMessage", L"errorUrl"}) {
        wchar_t buffer[16] = {};
        wcsncpy(buffer, name, 15);
        LPOLESTR names[1] = {buffer};
        DISPID id = 0;
        VARIANT value;
        VariantInit(&value);
        DISPPARAMS none = {nullptr, nullptr, 0, 0};
        if (!out.empty()) out += ",";
        if (FAILED(event->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &id)) ||
            FAILED(event->Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_PROPERTYGET, &none, &value, nullptr,
                                 nullptr))) {
          out += "?";
          continue;
        }
        out += value.vt == VT_BSTR ? Narrow(value.bstrVal) : std::to_string(value.lVal);
        VariantClear(&value);
      }
    }
    if (event) event->Release();
    if (window) window->Release();
    if (document) document->Release();
    return out;
  }

  IUnknown* m_control;
  IDocHostUIHandler* m_handler = nullptr;
  IOleCommandTarget* m_target = nullptr;
};

}  // namespace webtest
