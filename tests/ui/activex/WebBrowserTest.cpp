#include <windows.h>
#include <exdispid.h>

#include "tests/ui/base/ControlTestHost.h"
#include "tests/ui/activex/WebBrowserFakes.h"
#include "ui/activex/WebBrowserUI.h"
#include "ui/skin/ControlFactory.h"

using namespace uictest;
using namespace axtest;

namespace {

// Records what the control passes on, and writes through the references it is given.
class RecordingHandler : public CWebBrowserEventHandler {
 public:
  void BeforeNavigate2(IDispatch*, VARIANT*& url, VARIANT*&, VARIANT*& frame, VARIANT*&, VARIANT*&,
                       VARIANT_BOOL*& cancel) override {
    calls.push_back("before " + Narrow(url->bstrVal) + " " + Narrow(frame->bstrVal));
    *cancel = VARIANT_TRUE;
  }
  void NavigateError(IDispatch*, VARIANT*& url, VARIANT*&, VARIANT*& status, VARIANT_BOOL*&) override {
    calls.push_back("error " + Narrow(url->bstrVal) + " " + std::to_string(status->lVal));
  }
  void NavigateComplete2(IDispatch* dispatch, VARIANT*& url) override {
    calls.push_back("complete " + Narrow(url->bstrVal) + (dispatch ? " disp" : ""));
  }
  void NewWindow3(IDispatch**& out, VARIANT_BOOL*& cancel, DWORD flags, BSTR context, BSTR url) override {
    calls.push_back("newwindow " + std::to_string(flags) + " " + Narrow(context) + " " + Narrow(url));
    *out = nullptr;
    *cancel = VARIANT_TRUE;
  }
  void CommandStateChange(LONG command, VARIANT_BOOL enable) override {
    calls.push_back("command " + std::to_string(command) + " " + std::to_string(enable));
  }
  HRESULT ShowContextMenu(DWORD id, POINT*, IUnknown*, IDispatch*) override { return Answer("menu", id); }
  HRESULT GetHostInfo(DOCHOSTUIINFO*) override { return Answer("hostinfo", 0); }
  HRESULT TranslateUrl(DWORD id, LPWSTR, LPWSTR*) override { return Answer("url", id); }
  HRESULT Download(IMoniker*, IBindCtx*, DWORD verb, LONG, BINDINFO*, LPCOLESTR headers, LPCOLESTR, UINT cp) override {
    calls.push_back("download " + std::to_string(verb) + " " + Narrow(headers) + " " + std::to_string(cp));
    return E_ABORT;
  }
  HRESULT Answer(const char* what, DWORD id) {
    calls.push_back(std::string(what) + " " + std::to_string(id));
    return 0x123;
  }
  Strings calls;
};

VARIANT Var(VARTYPE vt, void* p = nullptr, LONG l = 0) {
  VARIANT v;
  VariantInit(&v);
  v.vt = vt;
  if (vt & VT_BYREF || vt == VT_DISPATCH || vt == VT_BSTR || vt == VT_UNKNOWN) v.byref = p;
  else v.lVal = l;
  return v;
}

class WebBrowserTest : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    factory_.make = [](RecordingControl::Options o, Strings* log) -> RecordingControl* {
      return new RecordingBrowser(o, log);
    };
    ASSERT_EQ(CoRegisterClassObject(kTestControl, &factory_, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_), S_OK);
  }
  void TearDown() override {
    root_->RemoveAll();
    Pump();
    CoRevokeClassObject(cookie_);
    ControlTest::TearDown();
  }
  CWebBrowserUI* Make(LPCWSTR home, LPCWSTR autonavi) {
    auto* web = new CWebBrowserUI;
    web->SetAttribute(L"clsid", kTestControlText);
    if (home) web->SetAttribute(L"homepage", home);
    if (autonavi) web->SetAttribute(L"autonavi", autonavi);
    return Place(web, L"web", RECT{20, 20, 220, 120});
  }
  RecordingBrowser* Browser() { return static_cast<RecordingBrowser*>(factory_.last); }
  bool ManagerTranslates(UINT message) {
    MSG msg = {host_.GetHWND(), message, 'A', 0, 0, {0, 0}};
    return host_.manager.TranslateAccelerator(&msg);
  }
  RecordingFactory factory_;
  DWORD cookie_ = 0;
};

TEST_F(WebBrowserTest, CreationNavigatesOnlyWhenAskedSubscribesAndReleasesEverything) {
  struct Row {
    LPCWSTR home, autonavi;
    bool navigates;
  };
  const Row rows[] = {{L"http://127.0.0.1/home", L"true", true},
                      {L"http://127.0.0.1/home", nullptr, false},
                      {L"http://127.0.0.1/home", L"TRUE", false},
                      {L"", L"true", false}};
  for (const Row& row : rows) {
    factory_.log.clear();
    CWebBrowserUI* web = Make(row.home, row.autonavi);
    ASSERT_NE(web->GetWebBrowser2(), nullptr);
    Strings tail(factory_.log.end() - (row.navigates ? 3 : 2), factory_.log.end());
    Strings expected = {"FindConnectionPoint", "Advise"};
    if (row.navigates) expected.insert(expected.begin(), "Navigate2 http://127.0.0.1/home");
    EXPECT_EQ(tail, expected);
    EXPECT_NE(Browser()->sink, nullptr);
    root_->RemoveAll();
    Pump();
  }

  // Re-creation and release: the subscription is dropped, the browser pointer and the
  // host's object are released, and the accelerator registration goes.
  CWebBrowserUI* web = Make(nullptr, nullptr);
  SetFocus(host_.GetHWND());
  factory_.log.clear();
  EXPECT_TRUE(ManagerTranslates(WM_KEYDOWN));
  EXPECT_EQ(factory_.log, Strings{"TranslateAccelerator 256"});
  factory_.log.clear();
  web->SetPos(RECT{20, 20, 220, 120});  // already created: nothing happens
  EXPECT_TRUE(factory_.log.empty());
  web->ReleaseControl();
  EXPECT_EQ(factory_.log, (Strings{"FindConnectionPoint", "Unadvise 7", "SetSite(null)", "Close 1",
                                   "SetClientSite(null)", "deleted"}));
  EXPECT_EQ(web->GetWebBrowser2(), nullptr);
  EXPECT_FALSE(web->IsCreated());
  EXPECT_FALSE(ManagerTranslates(WM_KEYDOWN));
  web->SetPos(RECT{20, 20, 220, 120});  // created again at the next layout
  EXPECT_NE(web->GetWebBrowser2(), nullptr);
  factory_.log.clear();
  root_->RemoveAll();  // the destructor releases the new one the same way
  Pump();
  ASSERT_FALSE(factory_.log.empty());
  EXPECT_EQ(factory_.log.back(), "deleted");
}

TEST_F(WebBrowserTest, EventSinkDispatchTableWithGoodAndMalformedArguments) {
  Make(nullptr, nullptr);
  RecordingBrowser* browser = Browser();
  ASSERT_NE(browser->sink, nullptr);
  FakePage page;
  browser->document = static_cast<IHTMLDocument2*>(&page);
  BSTR url = SysAllocString(L"http://127.0.0.1/a"), frame = SysAllocString(L"main");
  VARIANT urlVar = Var(VT_BSTR, url), frameVar = Var(VT_BSTR, frame), empty = Var(VT_EMPTY), status = Var(VT_I4, nullptr, 404);
  VARIANT_BOOL cancel = VARIANT_FALSE;
  IDispatch* newWindow = browser->sink;
  IDispatch* disp = browser->sink;
  VARIANT before[7] = {Var(VT_BOOL | VT_BYREF, &cancel), Var(VT_VARIANT | VT_BYREF, &empty),
                       Var(VT_VARIANT | VT_BYREF, &empty), Var(VT_VARIANT | VT_BYREF, &frameVar),
                       Var(VT_VARIANT | VT_BYREF, &empty), Var(VT_VARIANT | VT_BYREF, &urlVar), Var(VT_DISPATCH, disp)};
  VARIANT beforeNullCancel[7];
  std::copy(before, before + 7, beforeNullCancel);
  beforeNullCancel[0].byref = nullptr;
  VARIANT complete[2] = {Var(VT_VARIANT | VT_BYREF, &urlVar), Var(VT_DISPATCH, disp)};
  VARIANT completeSwapped[2] = {complete[1], complete[0]};
  VARIANT error[5] = {Var(VT_BOOL | VT_BYREF, &cancel), Var(VT_VARIANT | VT_BYREF, &status),
                      Var(VT_VARIANT | VT_BYREF, &frameVar), Var(VT_VARIANT | VT_BYREF, &urlVar), Var(VT_DISPATCH, disp)};
  VARIANT window[5] = {Var(VT_BSTR, url), Var(VT_BSTR, frame), Var(VT_I4, nullptr, 6), Var(VT_BOOL | VT_BYREF, &cancel),
                       Var(VT_DISPATCH | VT_BYREF, &newWindow)};
  VARIANT windowUnsigned[5];
  std::copy(window, window + 5, windowUnsigned);
  windowUnsigned[2].vt = VT_UI4;
  VARIANT command[2] = {Var(VT_BOOL, nullptr, VARIANT_TRUE), Var(VT_I4, nullptr, 2)};
  VARIANT commandBad[2] = {Var(VT_BOOL, nullptr, VARIANT_TRUE), Var(VT_BSTR, url)};
  struct Row {
    DISPID id;
    VARIANT* args;
    UINT count;
    HRESULT answer;
    const char* call;  // what the handler got
    bool nullParams = false;
  };
  const Row rows[] = {
      {DISPID_STATUSTEXTCHANGE, nullptr, 0, E_NOTIMPL, nullptr},
      {DISPID_COMMANDSTATECHANGE, command, 2, S_OK, "command 2 -1"},
      {DISPID_COMMANDSTATECHANGE, command, 1, DISP_E_BADPARAMCOUNT, nullptr},
      {DISPID_COMMANDSTATECHANGE, commandBad, 2, DISP_E_TYPEMISMATCH, nullptr},
      {DISPID_BEFORENAVIGATE2, before, 7, S_OK, "before http://127.0.0.1/a main"},
      {DISPID_BEFORENAVIGATE2, beforeNullCancel, 7, E_INVALIDARG, nullptr},
      {DISPID_BEFORENAVIGATE2, before, 6, DISP_E_BADPARAMCOUNT, nullptr},
      {DISPID_BEFORENAVIGATE2, nullptr, 0, E_INVALIDARG, nullptr, true},
      {DISPID_BEFORENAVIGATE2, nullptr, 7, E_INVALIDARG, nullptr},  // no argument array
      {DISPID_NAVIGATECOMPLETE2, complete, 2, S_OK, "complete http://127.0.0.1/a disp"},
      {DISPID_NAVIGATECOMPLETE2, completeSwapped, 2, DISP_E_TYPEMISMATCH, nullptr},
      {DISPID_NAVIGATEERROR, error, 5, S_OK, "error http://127.0.0.1/a 404"},
      {DISPID_NAVIGATEERROR, error, 4, DISP_E_BADPARAMCOUNT, nullptr},
      {DISPID_NEWWINDOW3, window, 5, S_OK, "newwindow 6 main http://127.0.0.1/a"},
      {DISPID_NEWWINDOW3, windowUnsigned, 5, S_OK, "newwindow 6 main http://127.0.0.1/a"},
      {DISPID_NEWWINDOW3, before, 5, DISP_E_TYPEMISMATCH, nullptr},
      {9999, nullptr, 0, DISP_E_MEMBERNOTFOUND, nullptr},
  };
  RecordingHandler handler;
  auto* web = static_cast<CWebBrowserUI*>(root_->GetItemAt(0));
  for (bool withHandler : {false, true}) {
    web->SetWebBrowserEventHandler(withHandler ? &handler : nullptr);
    for (const Row& row : rows) {
      handler.calls.clear();
      page.log.clear();
      cancel = VARIANT_FALSE;
      DISPPARAMS params = {row.args, nullptr, row.count, 0};
      EXPECT_EQ(browser->sink->Invoke(row.id, IID_NULL, 0, DISPATCH_METHOD, row.nullParams ? nullptr : &params, nullptr,
                                      nullptr, nullptr),
                row.answer)
          << row.id << " " << row.count;
      EXPECT_EQ(handler.calls, row.call && withHandler ? Strings{row.call} : Strings{}) << row.id;
      // The handler's writes reach the browser's own variables.
      const bool cancels = withHandler && row.answer == S_OK &&
                           (row.id == DISPID_BEFORENAVIGATE2 || row.id == DISPID_NEWWINDOW3);
      EXPECT_EQ(cancel, cancels ? VARIANT_TRUE : VARIANT_FALSE) << row.id;
      // Every completed document gets the control as its UI handler.
      const bool completes = row.id == DISPID_NAVIGATECOMPLETE2 && row.answer == S_OK;
      EXPECT_EQ(page.log, completes ? Strings{"SetUIHandler"} : Strings{}) << row.id;
    }
  }
  EXPECT_EQ(page.uiHandler, static_cast<IDocHostUIHandler*>(web));
  EXPECT_EQ(newWindow, nullptr);
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  EXPECT_EQ(browser->sink->Invoke(DISPID_COMMANDSTATECHANGE, IID_IUnknown, 0, 0, &none, nullptr, nullptr, nullptr),
            E_INVALIDARG);
  EXPECT_EQ(page.refs, 1u);
  // The document may outlive the control (its browser, or the document itself, held
  // elsewhere): the release takes the control off it.
  page.log.clear();
  web->ReleaseControl();
  EXPECT_EQ(page.log, Strings{"SetUIHandler(null)"});
  EXPECT_EQ(page.uiHandler, nullptr);
  EXPECT_EQ(page.refs, 1u);
  SysFreeString(url);
  SysFreeString(frame);
}

TEST_F(WebBrowserTest, ScriptErrorsAreReadAndSwallowed) {
  auto* web = Make(nullptr, nullptr);
  FakePage page;
  VARIANT in = Var(VT_UNKNOWN, static_cast<IHTMLDocument2*>(&page)), out;
  IUnknown* notADocument = static_cast<IWebBrowser2*>(Browser());
  VARIANT wrongObject = Var(VT_UNKNOWN, notADocument), number = Var(VT_I4, nullptr, 3), nullObject = Var(VT_UNKNOWN);
  const GUID group = CGID_DocHostCommandHandler;
  struct Row {
    const GUID* group;
    DWORD id;
    VARIANT* in;
    bool out;
    HRESULT answer;
    bool swallowed;
  };
  const Row rows[] = {
      {nullptr, OLECMDID_SHOWSCRIPTERROR, &in, true, OLECMDERR_E_NOTSUPPORTED, false},
      {&IID_IUnknown, OLECMDID_SHOWSCRIPTERROR, &in, true, OLECMDERR_E_NOTSUPPORTED, false},
      {&group, OLECMDID_SHOWMESSAGE, &in, true, OLECMDERR_E_UNKNOWNGROUP, false},
      {&group, OLECMDID_SHOWSCRIPTERROR, nullptr, true, E_INVALIDARG, false},
      {&group, OLECMDID_SHOWSCRIPTERROR, &in, false, E_INVALIDARG, false},
      {&group, OLECMDID_SHOWSCRIPTERROR, &number, true, DISP_E_TYPEMISMATCH, false},
      {&group, OLECMDID_SHOWSCRIPTERROR, &nullObject, true, E_INVALIDARG, false},
      {&group, OLECMDID_SHOWSCRIPTERROR, &wrongObject, true, E_NOINTERFACE, true},
      {&group, OLECMDID_SHOWSCRIPTERROR, &in, true, S_OK, true},
  };
  for (const Row& row : rows) {
    VariantInit(&out);
    page.log.clear();
    EXPECT_EQ(web->Exec(row.group, row.id, 0, row.in, row.out ? &out : nullptr), row.answer) << row.id;
    EXPECT_EQ(out.vt, row.swallowed ? VT_BOOL : VT_EMPTY);
    if (row.swallowed) {
      EXPECT_EQ(out.boolVal, VARIANT_TRUE);
    }
  }
  EXPECT_EQ(page.log, (Strings{"id errorLine", "get 1", "id errorCharacter", "get 3", "id errorCode", "get 5",
                               "id errorMessage", "get 7", "id errorUrl", "get 9"}));
  page.invokeAnswer = E_FAIL;  // the answer is that of the last read
  EXPECT_EQ(web->Exec(&group, OLECMDID_SHOWSCRIPTERROR, 0, &in, &out), E_FAIL);
  EXPECT_EQ(page.refs, 1u);
  OLECMD cmd = {OLECMDID_SHOWSCRIPTERROR, 0};
  EXPECT_EQ(web->QueryStatus(&group, 1, &cmd, nullptr), OLECMDERR_E_UNKNOWNGROUP);
}

TEST_F(WebBrowserTest, HostAnswersWithAndWithoutHandler) {
  auto* web = Make(nullptr, nullptr);
  RecordingHandler handler;
  IDropTarget* drop = reinterpret_cast<IDropTarget*>(1);
  LPWSTR translated = reinterpret_cast<LPWSTR>(1);
  IDataObject* filtered = reinterpret_cast<IDataObject*>(1);
  EXPECT_EQ(web->ShowContextMenu(5, nullptr, nullptr, nullptr), S_FALSE);
  EXPECT_EQ(web->GetHostInfo(nullptr), E_NOTIMPL);
  EXPECT_EQ(web->ShowUI(0, nullptr, nullptr, nullptr, nullptr), E_NOTIMPL);
  EXPECT_EQ(web->HideUI(), E_NOTIMPL);
  EXPECT_EQ(web->ResizeBorder(nullptr, nullptr, TRUE), E_NOTIMPL);
  EXPECT_EQ(web->TranslateAccelerator(nullptr, nullptr, 0), S_OK);
  EXPECT_EQ(web->GetOptionKeyPath(nullptr, 0), E_NOTIMPL);
  EXPECT_EQ(web->GetDropTarget(nullptr, &drop), S_FALSE);
  EXPECT_EQ(web->GetExternal(nullptr), S_FALSE);
  EXPECT_EQ(web->TranslateUrl(0, nullptr, &translated), E_NOTIMPL);
  EXPECT_EQ(translated, nullptr);
  EXPECT_EQ(web->FilterDataObject(nullptr, &filtered), E_NOTIMPL);
  EXPECT_EQ(filtered, nullptr);
  web->SetWebBrowserEventHandler(&handler);
  EXPECT_EQ(web->ShowContextMenu(5, nullptr, nullptr, nullptr), 0x123);
  EXPECT_EQ(web->GetHostInfo(nullptr), 0x123);
  EXPECT_EQ(web->TranslateUrl(9, nullptr, nullptr), 0x123);
  EXPECT_EQ(handler.calls, (Strings{"menu 5", "hostinfo 0", "url 9"}));

  // The download manager is the only service, and its downloads go to the handler.
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(web->QueryService(IID_IDownloadManager, IID_IUnknown, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  ASSERT_EQ(web->QueryService(IID_IDownloadManager, IID_IDownloadManager, &out), S_OK);
  auto* manager = static_cast<IDownloadManager*>(out);
  handler.calls.clear();
  EXPECT_EQ(manager->Download(nullptr, nullptr, 1, 2, nullptr, L"X-A: 1", nullptr, 936), E_ABORT);
  EXPECT_EQ(handler.calls, Strings{"download 1 X-A: 1 936"});
  web->SetWebBrowserEventHandler(nullptr);
  EXPECT_EQ(manager->Download(nullptr, nullptr, 1, 2, nullptr, nullptr, nullptr, 0), S_OK);
  manager->Release();

  // The faces, answered from any of them.
  struct Face {
    const IID* iid;
    void* face;
  };
  const Face faces[] = {{&IID_IUnknown, static_cast<IDocHostUIHandler*>(web)},
                        {&IID_IDocHostUIHandler, static_cast<IDocHostUIHandler*>(web)},
                        {&IID_IDispatch, static_cast<IDispatch*>(web)},
                        {&IID_IServiceProvider, static_cast<IServiceProvider*>(web)},
                        {&IID_IOleCommandTarget, static_cast<IOleCommandTarget*>(web)},
                        {&IID_IOleObject, nullptr},
                        {&DIID_DWebBrowserEvents2, nullptr}};
  for (const Face& f : faces) {
    void* got = nullptr;
    EXPECT_EQ(static_cast<IServiceProvider*>(web)->QueryInterface(*f.iid, &got), f.face ? S_OK : E_NOINTERFACE);
    EXPECT_EQ(got, f.face);
    if (got) static_cast<IUnknown*>(got)->Release();
  }
  UINT count = 9;
  EXPECT_EQ(web->GetTypeInfoCount(&count), E_NOTIMPL);
  EXPECT_EQ(count, 0u);

  // The message filter eats background erasure; keys reach the browser only with the focus
  // inside its window.
  bool handled = false;
  EXPECT_EQ(web->MessageHandler(WM_ERASEBKGND, 0, 0, handled), 1);
  EXPECT_TRUE(handled);
  MSG key = {host_.GetHWND(), WM_KEYDOWN, 'A', 0, 0, {0, 0}};
  SetFocus(nullptr);
  EXPECT_EQ(web->TranslateAccelerator(&key), S_FALSE);
  SetFocus(host_.GetHWND());
  EXPECT_EQ(web->TranslateAccelerator(&key), S_OK);
  key.message = WM_MOUSEMOVE;
  EXPECT_EQ(web->TranslateAccelerator(&key), S_FALSE);
}

// A class object of the browser that makes no browser, as the layer's does where the engine
// cannot start (and so this suite never loads the engine).
class NoBrowserFactory : public RecordingFactory {
 public:
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID, void** ppv) override {
    *ppv = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
  }
};

// Where no browser can be made, the element stays empty.
TEST_F(WebBrowserTest, WithoutABrowserTheControlStaysEmpty) {
  NoBrowserFactory none;
  DWORD cookie = 0;
  ASSERT_EQ(CoRegisterClassObject(CLSID_WebBrowser, &none, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie), S_OK);
  auto* web = new CWebBrowserUI;
  CLSID expected = GUID_NULL;
  CLSIDFromString(L"{8856F961-340A-11D0-A96B-00C04FD705A2}", &expected);
  EXPECT_TRUE(IsEqualCLSID(web->GetClsid(), expected));
  EXPECT_TRUE(web->IsDelayCreate());
  EXPECT_STREQ(web->GetClass(), L"WebBrowserUI");
  EXPECT_EQ(web->GetInterface(L"WebBrowser"), web);
  EXPECT_EQ(web->GetInterface(L"ActiveX"), web);
  web->SetAttribute(L"homepage", L"http://127.0.0.1/");
  web->SetAttribute(L"autonavi", L"true");
  web->SetBkColor(0xFF0000FF);
  Place(web, L"web", RECT{10, 10, 110, 60});
  EXPECT_TRUE(web->IsCreated());
  EXPECT_EQ(web->GetWebBrowser2(), nullptr);
  web->Navigate2(L"http://127.0.0.1/");
  EXPECT_EQ(Pixel(50, 30), 0xFFFFFFu);
  MSG key = {host_.GetHWND(), WM_KEYDOWN, 'A', 0, 0, {0, 0}};
  EXPECT_EQ(web->TranslateAccelerator(&key), E_NOTIMPL);
  EXPECT_FALSE(ManagerTranslates(WM_KEYDOWN));  // never registered
  CControlUI* made = CControlFactory::Create(L"WebBrowser");
  ASSERT_NE(made, nullptr);
  EXPECT_STREQ(made->GetClass(), L"WebBrowserUI");
  delete made;
  CoRevokeClassObject(cookie);
}

}  // namespace
