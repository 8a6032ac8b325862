// The sweep over what hosted objects call in with: a "WebBrowser" element whose browser goes
// through the steps the layer's browser takes (each event through the sink it holds for the
// call, the document's UI handler asked after a navigation, a file through the download
// manager, a context menu), and a windowed ActiveX object activated by its host window's focus
// and a click. For each event or notification, a handler takes one destructive action (close
// the self-deleting window, remove the element, hide it, disable it); the steps go on, then
// the queue is pumped and the window painted. Run under valgrind, any touch of what the handler
// took away fails.
#include <gtest/gtest.h>
#include <windows.h>
#include <exdispid.h>

#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "tests/sweep/EndRun.h"
#include "tests/ui/activex/WebBrowserFakes.h"
#include "tests/ui/window/ClosingWnd.h"
#include "ui/activex/ActiveXUI.h"
#include "ui/activex/WebBrowserUI.h"

namespace {

using namespace SkinUI;
using axtest::FakePage;
using axtest::RecordingBrowser;
using axtest::RecordingControl;
using axtest::RecordingFactory;
using frametest::Closing;
using frametest::ClosingWnd;

enum Action { kObserve, kClose, kRemove, kHide, kDisable };
const char* const kActionNames[] = {"observe", "close", "remove", "hide", "disable"};

void Pump() { frametest::Pump(); }

void Act(Action action, ClosingWnd& wnd, CControlUI* element) {
  switch (action) {
    case kClose: wnd.Destroy(); break;
    case kRemove: frametest::RemoveControl(element); break;
    case kHide: element->SetVisible(false); break;
    case kDisable: element->SetEnabled(false); break;
    default: break;
  }
}

std::wstring Skin(const std::wstring& element) {
  return L"<Window size=\"400,300\"><VerticalLayout name=\"root\" bkcolor=\"#FFFFFFFF\"><Button name=\"first\" "
         L"height=\"30\"/><" + element + L" name=\"x\" height=\"120\" clsid=\"" + axtest::kTestControlText +
         L"\"/><Button name=\"last\" height=\"30\"/></VerticalLayout></Window>";
}

class HostedObjectSweep : public frametest::InputTest {
 protected:
  void SetUp() override {
    frametest::InputTest::SetUp();
    ASSERT_EQ(CoRegisterClassObject(axtest::kTestControl, &factory_, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                    &cookie_),
              S_OK);
  }
  void TearDown() override {
    CoRevokeClassObject(cookie_);
    frametest::InputTest::TearDown();
  }
  RecordingFactory factory_;
  DWORD cookie_ = 0;
};

// ---- The web browser element ----

// Acts on the named event, the first time it comes.
class ActingHandler : public CWebBrowserEventHandler {
 public:
  void BeforeNavigate2(IDispatch*, VARIANT*&, VARIANT*&, VARIANT*&, VARIANT*&, VARIANT*&, VARIANT_BOOL*&) override {
    On("before");
  }
  void NavigateError(IDispatch*, VARIANT*&, VARIANT*&, VARIANT*&, VARIANT_BOOL*&) override { On("error"); }
  void NavigateComplete2(IDispatch*, VARIANT*&) override { On("complete"); }
  void NewWindow3(IDispatch**&, VARIANT_BOOL*&, DWORD, BSTR, BSTR) override { On("newwindow"); }
  void CommandStateChange(LONG, VARIANT_BOOL) override { On("command"); }
  HRESULT ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) override { return On("menu"); }
  HRESULT GetHostInfo(DOCHOSTUIINFO*) override { return On("hostinfo"); }
  HRESULT UpdateUI() override { return On("updateui"); }
  HRESULT TranslateAccelerator(LPMSG, const GUID*, DWORD) override { return On("accelerator"); }
  HRESULT Download(IMoniker*, IBindCtx*, DWORD, LONG, BINDINFO*, LPCOLESTR, LPCOLESTR, UINT) override {
    return On("download");
  }
  HRESULT On(const char* event) {
    if (!fired && event == target) {
      fired = true;
      act();
    }
    return S_OK;
  }
  std::string target;
  std::function<void()> act;
  bool fired = false;
};

VARIANT Var(VARTYPE vt, void* p = nullptr, LONG l = 0) {
  VARIANT v;
  VariantInit(&v);
  v.vt = vt;
  if ((vt & VT_BYREF) || vt == VT_DISPATCH || vt == VT_BSTR) {
    v.byref = p;
  } else {
    v.lVal = l;
  }
  return v;
}

// One event to every sink, each held for the call, as the layer's event firer does; the
// arguments last first.
void Fire(RecordingBrowser& browser, DISPID id, std::vector<VARIANT> args) {
  IDispatch* sink = browser.sink;
  if (!sink) return;
  sink->AddRef();
  DISPPARAMS params = {args.data(), nullptr, UINT(args.size()), 0};
  sink->Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
  sink->Release();
}

// The document's UI handler, held for the call, as the layer's document hands it out.
template <class Ask>
void AskDocumentHost(FakePage& page, Ask&& ask) {
  IDocHostUIHandler* host = page.uiHandler;
  if (!host) return;
  host->AddRef();
  ask(host);
  host->Release();
}

// What the layer's browser does in a navigation, a failed one, a page that opens a window, a
// file and a context menu.
void BrowserSteps(RecordingBrowser& browser, FakePage& page) {
  BSTR url = SysAllocString(L"http://127.0.0.1/page.html");
  VARIANT text = Var(VT_BSTR, url), empty = Var(VT_EMPTY), status = Var(VT_I4, nullptr, 404);
  VARIANT_BOOL cancel = VARIANT_FALSE;
  IDispatch* made = nullptr;
  IDispatch* self = static_cast<IWebBrowser2*>(&browser);
  browser.AddRef();  // a sink may release the browser inside an event
  Fire(browser, DISPID_BEFORENAVIGATE2,
       {Var(VT_BOOL | VT_BYREF, &cancel), Var(VT_VARIANT | VT_BYREF, &empty), Var(VT_VARIANT | VT_BYREF, &empty),
        Var(VT_VARIANT | VT_BYREF, &empty), Var(VT_VARIANT | VT_BYREF, &empty), Var(VT_VARIANT | VT_BYREF, &text),
        Var(VT_DISPATCH, self)});
  browser.document = static_cast<IHTMLDocument2*>(&page);
  Fire(browser, DISPID_NAVIGATECOMPLETE2, {Var(VT_VARIANT | VT_BYREF, &text), Var(VT_DISPATCH, self)});
  AskDocumentHost(page, [](IDocHostUIHandler* host) {
    DOCHOSTUIINFO info = {};
    info.cbSize = sizeof info;
    host->GetHostInfo(&info);
    host->UpdateUI();
  });
  Fire(browser, DISPID_NAVIGATEERROR,
       {Var(VT_BOOL | VT_BYREF, &cancel), Var(VT_VARIANT | VT_BYREF, &status), Var(VT_VARIANT | VT_BYREF, &empty),
        Var(VT_VARIANT | VT_BYREF, &text), Var(VT_DISPATCH, self)});
  Fire(browser, DISPID_NEWWINDOW3,
       {Var(VT_BSTR, url), Var(VT_BSTR, url), Var(VT_I4, nullptr, 2), Var(VT_BOOL | VT_BYREF, &cancel),
        Var(VT_DISPATCH | VT_BYREF, &made)});
  Fire(browser, DISPID_COMMANDSTATECHANGE, {Var(VT_BOOL, nullptr, VARIANT_TRUE), Var(VT_I4, nullptr, 2)});
  AskDocumentHost(page, [&](IDocHostUIHandler* host) {
    MSG key = {nullptr, WM_KEYDOWN, VK_F5, 0, 0, {0, 0}};
    host->TranslateAccelerator(&key, nullptr, 0);
    POINT at = {10, 10};
    host->ShowContextMenu(0, &at, nullptr, nullptr);
    IServiceProvider* services = nullptr;
    IDownloadManager* manager = nullptr;
    if (SUCCEEDED(host->QueryInterface(IID_IServiceProvider, reinterpret_cast<void**>(&services))) &&
        SUCCEEDED(services->QueryService(IID_IDownloadManager, IID_IDownloadManager,
                                         reinterpret_cast<void**>(&manager)))) {
      manager->Download(nullptr, nullptr, 0, 0, nullptr, nullptr, L"http://127.0.0.1/setup.bin", 65001);
      manager->Release();
    }
    if (services) services->Release();
  });
  browser.document = nullptr;
  browser.Release();
  SysFreeString(url);
}

TEST_F(HostedObjectSweep, EveryBrowserEventWithEveryDestructiveAction) {
  factory_.make = [](RecordingControl::Options o, axtest::Strings* log) -> RecordingControl* {
    return new RecordingBrowser(o, log);
  };
  const char* const kEvents[] = {"before",  "complete",  "hostinfo", "updateui",    "error",
                                 "newwindow", "command", "accelerator", "menu", "download"};
  int cases = 0;
  for (const char* event : kEvents) {
    for (Action action : {kClose, kRemove, kHide, kDisable}) {
      SCOPED_TRACE(std::string(event) + ", " + kActionNames[action]);
      Closing closing;
      ActingHandler handler;
      FakePage page;
      handler.target = event;
      HWND hwnd = nullptr;
      ClosingWnd* wnd = nullptr;
      closing.onInit = [&](ClosingWnd& w) {
        auto* web = static_cast<CWebBrowserUI*>(w.Find(L"x"));
        web->SetWebBrowserEventHandler(&handler);
        handler.act = [&closing, &w, web, action] {
          closing.fired = true;
          Act(action, w, web);
        };
      };
      wnd = ClosingWnd::Open(Skin(L"WebBrowser"), &closing, &hwnd);
      ASSERT_NE(wnd, nullptr);
      ::UpdateWindow(hwnd);  // lays out, and so makes the browser
      Pump();
      auto* browser = static_cast<RecordingBrowser*>(factory_.last);
      ASSERT_NE(browser, nullptr);
      BrowserSteps(*browser, page);
      EXPECT_TRUE(handler.fired);
      sweep::EndRun(hwnd, closing);
      ++cases;
    }
  }
  factory_.make = nullptr;
  RecordProperty("cases", cases);
  std::printf("sweep: WebBrowser events: %d cases\n", cases);
}

// ---- A windowed ActiveX object, activated by its host window ----

// Activates in place when asked, and asks for the focus when asked to become UI-active.
class ActivatingControl : public RecordingControl {
 public:
  using RecordingControl::RecordingControl;
  HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent, LPCRECT) override {
    parent_ = parent;
    AddRef();  // the host may release this object inside the call
    IOleInPlaceSiteWindowless* inPlace = nullptr;
    site->QueryInterface(IID_IOleInPlaceSiteWindowless, reinterpret_cast<void**>(&inPlace));
    if (verb == OLEIVERB_INPLACEACTIVATE) {
      inPlace->OnInPlaceActivate();
    } else if (verb == OLEIVERB_UIACTIVATE) {
      inPlace->OnUIActivate();
      inPlace->SetFocus(TRUE);
    }
    inPlace->Release();
    Release();
    return S_OK;
  }
};

struct AxDrive {
  const char* name;
  void (*run)(ClosingWnd* wnd, HWND hwnd);
};

HWND HostWindow(ClosingWnd* wnd, HWND hwnd) {
  auto* ax = ::IsWindow(hwnd) ? static_cast<CActiveXUI*>(wnd->Find(L"x")) : nullptr;
  return ax && ::IsWindow(ax->GetHostWindow()) ? ax->GetHostWindow() : nullptr;
}

// The host window takes the focus (the object becomes UI-active), which then moves on.
void FocusHost(ClosingWnd* wnd, HWND hwnd) {
  for (int round = 0; round < 2; ++round) {
    HWND host = HostWindow(wnd, hwnd);
    if (!host) return;
    ::SetFocus(host);
    Pump();
    if (!::IsWindow(hwnd)) return;
    wnd->GetManager().SetFocus(wnd->Find(L"last"));
    Pump();
  }
}

// A click on the host window, then one on another control.
void ClickHost(ClosingWnd* wnd, HWND hwnd) {
  HWND host = HostWindow(wnd, hwnd);
  if (!host) return;
  RECT rc = {};
  ::GetWindowRect(host, &rc);
  jf::TestMouseMove((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
  jf::TestMouseClick(VK_LBUTTON);
  Pump();
  jf::TestMouseMove(200, 290);
  jf::TestMouseClick(VK_LBUTTON);
  Pump();
}

const AxDrive kAxDrives[] = {{"paint", [](ClosingWnd*, HWND) {}}, {"focus", FocusHost}, {"click", ClickHost}};

// One run; answers what the object's element sent.
std::set<std::string> PlayActiveX(const AxDrive& drive, Action action, const std::string& type) {
  Closing closing;
  std::set<std::string> seen;
  bool acted = false;
  closing.onNotify = [&](ClosingWnd& wnd, UINotifyMsg& msg) {
    CControlUI* x = wnd.Find(L"x");
    if (!x || msg.sender != x) return false;
    const std::string name = frametest::Narrow(msg.type);
    seen.insert(name);
    if (action == kObserve || acted || name != type) return false;
    acted = closing.fired = true;
    Act(action, wnd, x);
    return true;
  };
  HWND hwnd = nullptr;
  ClosingWnd* wnd = ClosingWnd::Open(Skin(L"ActiveX"), &closing, &hwnd);
  EXPECT_NE(wnd, nullptr);
  if (!wnd) return seen;
  ::UpdateWindow(hwnd);
  Pump();
  if (::IsWindow(hwnd)) drive.run(wnd, hwnd);
  if (action != kObserve) {
    EXPECT_TRUE(acted) << "the notification came again";
  }
  sweep::EndRun(hwnd, closing);
  return seen;
}

TEST_F(HostedObjectSweep, EveryActivationNotificationWithEveryDestructiveAction) {
  factory_.options.windowless = false;
  factory_.make = [](RecordingControl::Options o, axtest::Strings* log) -> RecordingControl* {
    return new ActivatingControl(o, log);
  };
  int cases = 0;
  std::set<std::string> all;
  for (const AxDrive& drive : kAxDrives) {
    for (const std::string& type : PlayActiveX(drive, kObserve, "")) {
      all.insert(type);
      for (Action action : {kClose, kRemove, kHide, kDisable}) {
        SCOPED_TRACE(type + " by " + drive.name + ", " + kActionNames[action]);
        PlayActiveX(drive, action, type);
        ++cases;
      }
    }
  }
  // The object's first showing, and its focus both ways.
  EXPECT_TRUE(all.count("showactivex"));
  EXPECT_TRUE(all.count("setfocus"));
  EXPECT_TRUE(all.count("killfocus"));
  factory_.make = nullptr;
  RecordProperty("cases", cases);
  std::string names;
  for (const std::string& type : all) names += " " + type;
  std::printf("sweep: ActiveX activation: %d cases;%s\n", cases, names.c_str());
}

}  // namespace
