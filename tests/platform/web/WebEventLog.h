// An event sink for DWebBrowserEvents2 that writes each event it is sent as a line: its name,
// then its URL or its values, and checks the argument types on the way.
#pragma once
#include <windows.h>
#include <exdisp.h>
#include <exdispid.h>

#include <functional>
#include <string>
#include <vector>

namespace webtest {

inline std::string Narrow(const wchar_t* text) {
  std::string out;
  for (; text && *text; ++text) out += static_cast<char>(*text < 128 ? *text : '?');
  return out;
}

class WebEventLog : public IDispatch {
 public:
  // Events worth a line; progress and status text come often and say little.
  std::vector<std::string> lines;
  std::vector<std::string> typeErrors;
  // Runs after the line is written, with its name.
  std::function<void(const std::string&)> hook;

  // The lines of the named events, from line `from` on.
  std::vector<std::string> Only(const std::vector<std::string>& names, size_t from = 0) const {
    std::vector<std::string> out;
    for (size_t i = from; i < lines.size(); ++i) {
      const std::string& line = lines[i];
      for (const std::string& name : names) {
        if (line.compare(0, name.size(), name) == 0 && (line.size() == name.size() || line[name.size()] == ' '))
          out.push_back(line);
      }
    }
    return out;
  }
  bool Has(const std::string& line) const {
    for (const std::string& l : lines)
      if (l == line) return true;
    return false;
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == DIID_DWebBrowserEvents2) {
      *ppv = static_cast<IDispatch*>(this);
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* p, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    std::string line;
    switch (id) {
      case DISPID_BEFORENAVIGATE2:
        Expect(p, {VT_DISPATCH, VT_VARIANT | VT_BYREF, VT_VARIANT | VT_BYREF, VT_VARIANT | VT_BYREF,
                   VT_VARIANT | VT_BYREF, VT_VARIANT | VT_BYREF, VT_BOOL | VT_BYREF});
        line = "BeforeNavigate2 " + Url(p, 5);
        break;
      case DISPID_NAVIGATECOMPLETE2:
        Expect(p, {VT_DISPATCH, VT_VARIANT | VT_BYREF});
        line = "NavigateComplete2 " + Url(p, 0);
        break;
      case DISPID_DOCUMENTCOMPLETE:
        Expect(p, {VT_DISPATCH, VT_VARIANT | VT_BYREF});
        line = "DocumentComplete " + Url(p, 0);
        break;
      case DISPID_NAVIGATEERROR:
        Expect(p, {VT_DISPATCH, VT_VARIANT | VT_BYREF, VT_VARIANT | VT_BYREF, VT_VARIANT | VT_BYREF,
                   VT_BOOL | VT_BYREF});
        line = "NavigateError " + Url(p, 3) + " " + std::to_string(p->rgvarg[1].pvarVal->lVal);
        break;
      case DISPID_NEWWINDOW3:
        Expect(p, {VT_DISPATCH | VT_BYREF, VT_BOOL | VT_BYREF, VT_I4, VT_BSTR, VT_BSTR});
        line = "NewWindow3 " + Narrow(p->rgvarg[0].bstrVal) + " " + std::to_string(p->rgvarg[2].lVal);
        break;
      case DISPID_COMMANDSTATECHANGE:
        Expect(p, {VT_I4, VT_BOOL});
        line = "CommandStateChange " + std::to_string(p->rgvarg[1].lVal) + " " +
               std::to_string(p->rgvarg[0].boolVal != 0);
        break;
      case DISPID_TITLECHANGE:
        Expect(p, {VT_BSTR});
        line = "TitleChange " + Narrow(p->rgvarg[0].bstrVal);
        break;
      case DISPID_DOWNLOADBEGIN:
        Expect(p, {});
        line = "DownloadBegin";
        break;
      case DISPID_DOWNLOADCOMPLETE:
        Expect(p, {});
        line = "DownloadComplete";
        break;
      case DISPID_STATUSTEXTCHANGE:
        Expect(p, {VT_BSTR});
        status = Narrow(p->rgvarg[0].bstrVal);
        return S_OK;
      case DISPID_PROGRESSCHANGE:
        Expect(p, {VT_I4, VT_I4});
        return S_OK;
      default:
        typeErrors.push_back("unknown event " + std::to_string(id));
        return DISP_E_MEMBERNOTFOUND;
    }
    lines.push_back(line);
    if (hook) hook(line.substr(0, line.find(' ')));
    return S_OK;
  }
  std::string status;

 private:
  // The argument types in declared order.
  void Expect(DISPPARAMS* p, std::vector<int> types) {
    if (p->cArgs != types.size()) {
      typeErrors.push_back("count " + std::to_string(p->cArgs));
      return;
    }
    for (size_t i = 0; i < types.size(); ++i) {
      const VARIANT& v = p->rgvarg[types.size() - 1 - i];
      if (v.vt != types[i]) typeErrors.push_back("arg " + std::to_string(i) + " type " + std::to_string(v.vt));
    }
  }
  // The text inside the by-reference VARIANT at parameter index `at` (last argument first).
  static std::string Url(DISPPARAMS* p, UINT at) {
    const VARIANT* v = p->rgvarg[at].pvarVal;
    return v && v->vt == VT_BSTR ? Narrow(v->bstrVal) : "?";
  }
};

}  // namespace webtest
