// The "WebBrowser" element over the layer's browser object and the real engine, headless:
// the home page of a loopback server drawn into the window, the events in the order the
// control's sink expects, input from the layer's mouse and keyboard, cancelled navigations
// and windows, errors, script errors, files, and the engine's processes ending with the
// browser.
#include <gtest/gtest.h>
#include <windows.h>
#include <mshtml.h>

#include <signal.h>

#include <algorithm>
#include <functional>
#include <memory>

#include "tests/platform/web/ScriptErrorProbe.h"
#include "tests/platform/web/WebPageFixture.h"

namespace webtest {
namespace {

using Lines = std::vector<std::string>;

class WebBrowserPageTest : public WebPageFixture {
 protected:
  // A page whose server stalls before its answer, and one whose server stalls inside it.
  void ServeStalls() {
    HttpTestServer::Script silent = Html(kSecondPage);
    silent.stallBeforeHeaders = true;
    HttpTestServer::Script partial = Html(kFirstPage);
    partial.body += std::string(64 * 1024, ' ');
    partial.stallAfter = 32 * 1024;
    server_.Set("/silent.html", silent);
    server_.Set("/partial.html", partial);
  }
  // Outlives the window (and so every document that may hold it).
  std::unique_ptr<ScriptErrorProbe> probe_;
};

TEST_F(WebBrowserPageTest, HomePageIsDrawnWithTheEventsInOrder) {
  const std::string home = Url("/first.html");
  Open(home);
  ASSERT_TRUE(WaitForPage(home)) << ::testing::PrintToString(log_.lines);
  // Navigation begins, the document arrives, it completes: each once, in this order.
  EXPECT_EQ(log_.Only({"BeforeNavigate2", "DownloadBegin", "NavigateComplete2", "DownloadComplete",
                       "DocumentComplete"}),
            (Lines{"BeforeNavigate2 " + home, "DownloadBegin", "NavigateComplete2 " + home, "DownloadComplete",
                   "DocumentComplete " + home}));
  EXPECT_TRUE(log_.Has("TitleChange first"));
  EXPECT_TRUE(log_.typeErrors.empty()) << ::testing::PrintToString(log_.typeErrors);
  // The control passed its events on and became the document's UI handler, which the
  // document then asked how to look.
  EXPECT_EQ(handler_.calls, (Lines{"before " + home, "complete " + home, "hostinfo"}));

  // The page in the window's backing store: the red block, the green page, the skin around.
  EXPECT_TRUE(PageShows(50, 25, 0xFF0000u));
  EXPECT_EQ(PagePixel(300, 25), 0x00FF00u);
  EXPECT_EQ(PagePixel(kWidth - 2, kHeight - 2), 0x00FF00u);
  EXPECT_EQ(WindowPixel(10, 100), 0x204060u);
  EXPECT_EQ(WindowPixel(100, 20), 0x808080u);
  EXPECT_TRUE(jf::TestWriteWindowPng(hwnd_, ScreenshotPath("home-page")));

  // What the control reads of the browser.
  IWebBrowser2* browser = web_->GetWebBrowser2();
  BSTR url = nullptr;
  EXPECT_EQ(browser->get_LocationURL(&url), S_OK);
  EXPECT_EQ(Narrow(url), home);
  SysFreeString(url);
  EXPECT_EQ(Title(), "first");
  READYSTATE state = READYSTATE_UNINITIALIZED;
  EXPECT_EQ(browser->get_ReadyState(&state), S_OK);
  EXPECT_EQ(state, READYSTATE_COMPLETE);
  VARIANT_BOOL busy = VARIANT_TRUE;
  EXPECT_EQ(browser->get_Busy(&busy), S_OK);
  EXPECT_EQ(busy, VARIANT_FALSE);
  IDispatch* document = nullptr;
  ASSERT_EQ(browser->get_Document(&document), S_OK);
  IHTMLDocument2* html = nullptr;
  ASSERT_EQ(document->QueryInterface(IID_IHTMLDocument2, reinterpret_cast<void**>(&html)), S_OK);
  BSTR title = nullptr;
  EXPECT_EQ(html->get_title(&title), S_OK);
  EXPECT_EQ(Narrow(title), "first");
  SysFreeString(title);
  html->Release();
  document->Release();
  // Windowed: the host made a child window and the page lives in a child of it.
  IOleInPlaceObject* inPlace = nullptr;
  ASSERT_EQ(browser->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace)), S_OK);
  HWND view = nullptr;
  EXPECT_EQ(inPlace->GetWindow(&view), S_OK);
  EXPECT_EQ(GetParent(GetParent(view)), hwnd_);
  inPlace->Release();
  IUnknown* windowless = nullptr;
  EXPECT_EQ(browser->QueryInterface(IID_IOleInPlaceObjectWindowless, reinterpret_cast<void**>(&windowless)),
            E_NOINTERFACE);

  // Hidden with the control, shown again.
  web_->SetVisible(false);
  EXPECT_FALSE(IsWindowVisible(view));
  web_->SetVisible(true);
  EXPECT_TRUE(IsWindowVisible(view));
}

TEST_F(WebBrowserPageTest, MouseWheelAndKeysReachThePage) {
  const std::string home = Url("/first.html");
  Open(home);
  ASSERT_TRUE(WaitForPage(home));
  ClickAt(60, 120);  // the button
  EXPECT_TRUE(PumpUntil([&] { return Title() == "clicked"; }, 10000)) << Title();

  ClickAt(100, 172);  // the text box
  PumpFrames(200);
  jf::TestTypeText(L"a中");
  jf::TestKeyPress(VK_BACK);
  jf::TestTypeText(L"b");
  EXPECT_TRUE(PumpUntil([&] { return Title() == "key:ab"; }, 10000)) << Title();

  PointAt(300, 150);
  jf::TestMouseWheel(-WHEEL_DELTA);
  EXPECT_TRUE(PumpUntil([&] { return Title().rfind("scroll:", 0) == 0 && Title() != "scroll:0"; }, 10000))
      << Title();
  jf::TestMouseWheel(10 * WHEEL_DELTA);
  EXPECT_TRUE(PumpUntil([&] { return Title() == "scroll:0"; }, 10000)) << Title();

  // A link: the status text names it while the pointer is over it; a click goes there and
  // the back command becomes available.
  PointAt(15, 230);
  EXPECT_TRUE(PumpUntil([&] { return log_.status == Url("/second.html"); }, 10000)) << log_.status;
  Mark();
  jf::TestMouseClick(VK_LBUTTON);
  ASSERT_TRUE(WaitForPage(Url("/second.html")));
  EXPECT_TRUE(PageShows(100, 100, 0x0000FFu));
  EXPECT_TRUE(log_.Has("CommandStateChange 2 1"));
  EXPECT_NE(std::find(handler_.calls.begin(), handler_.calls.end(), "command 2 1"), handler_.calls.end());
  EXPECT_EQ(web_->GetWebBrowser2()->GoBack(), S_OK);
  EXPECT_TRUE(PageShows(50, 25, 0xFF0000u));
  BSTR url = nullptr;
  web_->GetWebBrowser2()->get_LocationURL(&url);
  EXPECT_EQ(Narrow(url), home);
  SysFreeString(url);
}

TEST_F(WebBrowserPageTest, CancelledNavigationsAndWindowsStayOnThePage) {
  const std::string home = Url("/first.html");
  Open(home);
  ASSERT_TRUE(WaitForPage(home));
  // The handler cancels the link's navigation: nothing is asked of the server.
  handler_.cancelSuffix = "/second.html";
  ClickAt(15, 230);
  EXPECT_TRUE(PumpUntil([&] { return log_.Has("BeforeNavigate2 " + Url("/second.html")); }, 10000));
  PumpFrames(500);
  EXPECT_TRUE(server_.RequestsFor("/second.html").empty());
  EXPECT_FALSE(log_.Has("NavigateComplete2 " + Url("/second.html")));
  EXPECT_EQ(PagePixel(50, 25), 0xFF0000u);

  // A page that wants a window of its own: the control's handler refuses it (user-initiated).
  ClickAt(15, 270);
  EXPECT_TRUE(PumpUntil([&] { return log_.Has("NewWindow3 " + Url("/popup.html") + " 2"); }, 10000))
      << ::testing::PrintToString(log_.lines);
  PumpFrames(500);
  EXPECT_TRUE(server_.RequestsFor("/popup.html").empty());
  EXPECT_EQ(PagePixel(50, 25), 0xFF0000u);
  // Not refused, it opens in the browser itself (there is no other window to put it in).
  handler_.cancelNewWindows = false;
  Mark();
  ClickAt(15, 270);
  EXPECT_TRUE(WaitForPage(Url("/popup.html")));
  EXPECT_TRUE(PageShows(50, 25, 0x0000FFu));
}

TEST_F(WebBrowserPageTest, ErrorsScriptErrorsAndFilesGoToTheHost) {
  const std::string home = Url("/first.html");
  Open(home);
  ASSERT_TRUE(WaitForPage(home));
  // A missing page: NavigateError with the HTTP status; the server's page still shows.
  Go(Url("/missing.html"));
  ASSERT_TRUE(WaitForPage(Url("/missing.html")));
  EXPECT_TRUE(log_.Has("NavigateError " + Url("/missing.html") + " 404")) << ::testing::PrintToString(log_.lines);
  // Nobody listening on a port: NavigateError with the resource-not-found code.
  const std::string refused = "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/";
  Go(refused);
  EXPECT_TRUE(PumpUntil([&] {
    for (const std::string& line : log_.lines)
      if (line.rfind("NavigateError " + refused, 0) == 0) return true;
    return false;
  }, 10000)) << ::testing::PrintToString(log_.lines);
  EXPECT_NE(std::find(handler_.calls.begin(), handler_.calls.end(),
                      "error " + refused + " " + std::to_string(LONG(0x800C0005L))),
            handler_.calls.end());

  // A script error goes to the control's command target, which reads it and says to go on:
  // the page's scripts keep running, and no dialog comes up.
  // The probe takes the document's UI handler right after the control has set it.
  probe_.reset(new ScriptErrorProbe(static_cast<IDocHostUIHandler*>(web_)));
  ScriptErrorProbe& probe = *probe_;
  const std::string errorPage = Url("/error.html");
  log_.hook = [&](const std::string& name) {
    if (name != "NavigateComplete2") return;
    IDispatch* document = nullptr;
    ICustomDoc* custom = nullptr;
    if (SUCCEEDED(web_->GetWebBrowser2()->get_Document(&document)) && document &&
        SUCCEEDED(document->QueryInterface(IID_ICustomDoc, reinterpret_cast<void**>(&custom)))) {
      custom->SetUIHandler(&probe);
      custom->Release();
    }
    if (document) document->Release();
  };
  Go(errorPage);
  ASSERT_TRUE(WaitForPage(errorPage));
  EXPECT_TRUE(PumpUntil([&] { return Title() == "still running"; }, 10000)) << Title();
  EXPECT_TRUE(PageShows(10, 10, 0xFFFF00u));
  log_.hook = nullptr;
  ASSERT_EQ(probe.reports.size(), 1u);
  EXPECT_EQ(probe.reports[0], "1,146,0,ReferenceError: Can't find variable: notDefinedAnywhere," + errorPage + " -> 0 go on");
  EXPECT_EQ(PagePixel(10, 10), 0xFFFF00u);

  // A file the engine cannot show goes to the control's download manager, and to its handler.
  const std::string file = Url("/setup.bin");
  Go(file);
  EXPECT_TRUE(PumpUntil([&] {
    return std::find(handler_.calls.begin(), handler_.calls.end(), "download " + file) != handler_.calls.end();
  }, 10000)) << ::testing::PrintToString(handler_.calls);
  EXPECT_EQ(PagePixel(10, 10), 0xFFFF00u);
}

// A page that loaded completes once, after its NavigateComplete2; a load given up or failed
// completes nothing, and never in another page's name.
TEST_F(WebBrowserPageTest, DocumentCompleteComesOncePerPageThatLoaded) {
  ServeStalls();
  const std::string home = Url("/first.html"), second = Url("/second.html");
  const Lines kNames = {"NavigateComplete2", "DocumentComplete", "NavigateError"};
  Open(home);
  ASSERT_TRUE(WaitForPage(home));
  EXPECT_EQ(log_.Only(kNames), (Lines{"NavigateComplete2 " + home, "DocumentComplete " + home}));
  // A page that stalls before its answer, and one that stalls inside it; then another page.
  const struct {
    const char* path;
    Lines expected;
  } kStalls[] = {
      {"/silent.html", {"NavigateComplete2 " + second, "DocumentComplete " + second}},
      {"/partial.html",
       {"NavigateComplete2 " + Url("/partial.html"), "NavigateComplete2 " + second, "DocumentComplete " + second}},
  };
  for (const auto& stall : kStalls) {
    SCOPED_TRACE(stall.path);
    Go(Url(stall.path));
    ASSERT_TRUE(PumpUntil([&] { return !server_.RequestsFor(stall.path).empty(); }, 10000));
    PumpFrames(500);
    web_->Navigate2(Wide(second).c_str());
    ASSERT_TRUE(WaitForPage(second)) << ::testing::PrintToString(Since());
    PumpFrames(300);
    EXPECT_EQ(log_.Only(kNames, mark_), stall.expected);
  }
  // Nobody listening, after a page that loaded: the error alone.
  const std::string refused = "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/";
  Go(refused);
  ASSERT_TRUE(PumpUntil([&] { return !log_.Only({"NavigateError"}, mark_).empty(); }, 10000));
  PumpFrames(500);
  EXPECT_EQ(log_.Only(kNames, mark_), (Lines{"NavigateError " + refused + " " + std::to_string(LONG(0x800C0005L))}));
}

// The page's web process dies while the page loads (before its answer, and inside it): the
// load ends as a failure, as any other, and the next page shows.
TEST_F(WebBrowserPageTest, APageWhoseWebProcessDiesEndsAsAFailure) {
  ServeStalls();
  const std::string home = Url("/first.html"), second = Url("/second.html");
  const Lines kNames = {"DownloadBegin", "NavigateComplete2", "NavigateError", "DownloadComplete", "DocumentComplete"};
  const std::string failed = " " + std::to_string(LONG(0x800C0008L));  // INET_E_DOWNLOAD_FAILURE
  Open(home);
  ASSERT_TRUE(WaitForPage(home));
  IWebBrowser2* browser = web_->GetWebBrowser2();
  const struct {
    const char* path;
    Lines expected;
  } kLoads[] = {
      {"/silent.html", {"DownloadBegin", "NavigateError " + Url("/silent.html") + failed, "DownloadComplete"}},
      {"/partial.html",
       {"DownloadBegin", "NavigateComplete2 " + Url("/partial.html"), "NavigateError " + Url("/partial.html") + failed,
        "DownloadComplete"}},
  };
  for (const auto& load : kLoads) {
    SCOPED_TRACE(load.path);
    Go(Url(load.path));
    ASSERT_TRUE(PumpUntil([&] { return !server_.RequestsFor(load.path).empty(); }, 10000));
    PumpFrames(500);
    VARIANT_BOOL busy = VARIANT_FALSE;
    EXPECT_EQ(browser->get_Busy(&busy), S_OK);
    EXPECT_EQ(busy, VARIANT_TRUE);
    const std::vector<pid_t> pids = Children("WPEWebProcess");
    ASSERT_FALSE(pids.empty()) << "no web process";
    for (pid_t pid : pids) kill(pid, SIGKILL);
    EXPECT_TRUE(PumpUntil([&] { return log_.Only({"DownloadComplete"}, mark_).size() == 1; }, 10000))
        << ::testing::PrintToString(Since());
    PumpFrames(500);
    EXPECT_EQ(log_.Only(kNames, mark_), load.expected);
    EXPECT_EQ(browser->get_Busy(&busy), S_OK);
    EXPECT_EQ(busy, VARIANT_FALSE);
    READYSTATE state = READYSTATE_UNINITIALIZED;
    EXPECT_EQ(browser->get_ReadyState(&state), S_OK);
    EXPECT_EQ(state, READYSTATE_COMPLETE);
    server_.ReleaseStalls();
    // The next page shows, in a web process of its own.
    Go(second);
    ASSERT_TRUE(WaitForPage(second)) << ::testing::PrintToString(Since());
    EXPECT_TRUE(PageShows(10, 10, 0x0000FFu));
  }
}

// The web process dies moments after a navigation is asked, at every moment from before the
// engine has heard of it on: each navigation still ends, with its page or its error, and the
// browser is idle after it. Going back or forward and reloading are navigations asked too; one
// the host stopped is over.
TEST_F(WebBrowserPageTest, ANavigationWhoseWebProcessDiesAtOnceStillEnds) {
  const std::string home = Url("/first.html"), second = Url("/second.html");
  Open(home);
  ASSERT_TRUE(WaitForPage(home));
  IWebBrowser2* browser = web_->GetWebBrowser2();
  // 1 once the page of `url` is complete, -1 once it failed, since the mark.
  auto ending = [&](const std::string& url) {
    for (const std::string& line : Since()) {
      if (line == "DocumentComplete " + url) return 1;
      if (line.rfind("NavigateError " + url + " ", 0) == 0) return -1;
    }
    return 0;
  };
  // Kills the process of the page shown, or the one started for the page asked, once there
  // is one within `ms` (none, when the last one died and the engine has not yet heard of it).
  auto killWebProcesses = [&](int ms) {
    std::vector<pid_t> pids;
    const bool found = PumpUntil([&] { return !(pids = Children("WPEWebProcess")).empty(); }, ms);
    for (pid_t pid : pids) kill(pid, SIGKILL);
    return found;
  };
  // Asks, and kills after a moment that grows with `turns`.
  auto askAndKill = [&](const std::function<HRESULT()>& ask, const std::string& url, int turns) {
    Mark();
    // Going back or forward waits for the history the engine reports.
    ASSERT_TRUE(PumpUntil([&] { return ask() == S_OK; }, 5000));
    for (int turn = 0; turn < turns % 4; ++turn) PumpFrames(turns * 10);
    killWebProcesses(500);
    EXPECT_TRUE(PumpUntil([&] { return ending(url) != 0; }, 5000)) << ::testing::PrintToString(Since());
    VARIANT_BOOL busy = VARIANT_TRUE;
    EXPECT_TRUE(PumpUntil([&] { return browser->get_Busy(&busy) == S_OK && !busy; }, 5000));
  };
  for (int attempt = 0; attempt < 12; ++attempt) {
    SCOPED_TRACE(attempt);
    const std::string url = Url("/second.html?" + std::to_string(attempt));
    askAndKill([&] { return NavigateObject(browser, url); }, url, attempt);
  }
  // The next page shows, in a web process of its own: asked before the engine heard of the
  // last death, it fails with it, and shows when asked again.
  for (const std::string& page : {second, home}) {
    Go(page);
    ASSERT_TRUE(PumpUntil([&] { return ending(page) != 0; })) << ::testing::PrintToString(Since());
    if (ending(page) < 0) Go(page);
    ASSERT_TRUE(WaitForPage(page)) << ::testing::PrintToString(Since());
  }
  // Then the page before (whose history entry is current from then on, loaded or not), and
  // the page after it.
  const struct {
    const char* what;
    HRESULT (STDMETHODCALLTYPE IWebBrowser2::*ask)();
    std::string url;
  } kWays[] = {{"reload", &IWebBrowser2::Refresh, home},
               {"back", &IWebBrowser2::GoBack, second},
               {"forward", &IWebBrowser2::GoForward, home}};
  for (const auto& way : kWays) {
    SCOPED_TRACE(way.what);
    askAndKill([&] { return (browser->*way.ask)(); }, way.url, 0);
  }
  // A navigation the host stopped at once is over: the process dying after it fails nothing.
  const std::string stopped = Url("/second.html?stopped");
  Mark();
  ASSERT_EQ(NavigateObject(browser, stopped), S_OK);
  ASSERT_EQ(browser->Stop(), S_OK);
  ASSERT_TRUE(killWebProcesses(5000));
  PumpFrames(1000);
  EXPECT_EQ(ending(stopped), 0) << ::testing::PrintToString(Since());
}

// The limits below only catch processes that never end: how soon they end is the engine's
// and the machine's business.
TEST_F(WebBrowserPageTest, ReleasingTheBrowserEndsTheEngineProcesses) {
  // Those of the browsers of earlier tests have ended too.
  EXPECT_TRUE(PumpUntil([&] { return ChildProcesses() == 0; })) << ChildProcesses();
  const std::string home = Url("/first.html");
  Open(home);
  ASSERT_TRUE(WaitForPage(home));
  EXPECT_GE(ChildProcesses(), 2) << "the engine's web and network processes";
  Close();
  EXPECT_TRUE(PumpUntil([&] { return ChildProcesses() == 0; })) << ChildProcesses();
  // A second browser in the same process starts again.
  Open(home);
  EXPECT_TRUE(WaitForPage(home));
  EXPECT_TRUE(PageShows(50, 25, 0xFF0000u));
}

// The engine ends its processes some turns of its loop after the browser has gone, as many
// as a busy machine takes: here they cannot answer at all for a while.
TEST_F(WebBrowserPageTest, EngineProcessesSlowToAnswerStillEndWithTheBrowser) {
  ASSERT_TRUE(PumpUntil([&] { return ChildProcesses() == 0; })) << ChildProcesses();
  const std::string home = Url("/first.html");
  Open(home);
  ASSERT_TRUE(WaitForPage(home));
  const std::vector<pid_t> engine = Children();
  ASSERT_GE(engine.size(), 2u);
  for (pid_t pid : engine) kill(pid, SIGSTOP);
  Close();
  PumpFrames(500);
  for (pid_t pid : engine) kill(pid, SIGCONT);
  EXPECT_TRUE(PumpUntil([&] { return ChildProcesses() == 0; })) << ChildProcesses();
}

TEST_F(WebBrowserPageTest, TheClassIsTheLayersOwn) {
  IWebBrowser2* browser = NewBrowser();
  ASSERT_NE(browser, nullptr);
  static const IID* const kFaces[] = {&IID_IOleObject, &IID_IOleInPlaceObject, &IID_IOleInPlaceActiveObject,
                                      &IID_IOleControl, &IID_IPersistStreamInit, &IID_IObjectWithSite,
                                      &IID_IConnectionPointContainer, &IID_IDispatch};
  for (const IID* iid : kFaces) {
    IUnknown* face = nullptr;
    EXPECT_EQ(browser->QueryInterface(*iid, reinterpret_cast<void**>(&face)), S_OK);
    if (face) face->Release();
  }
  IConnectionPointContainer* container = nullptr;
  ASSERT_EQ(browser->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container)), S_OK);
  IConnectionPoint* point = nullptr;
  EXPECT_EQ(container->FindConnectionPoint(IID_IDispatch, &point), CONNECT_E_NOCONNECTION);
  ASSERT_EQ(container->FindConnectionPoint(DIID_DWebBrowserEvents2, &point), S_OK);
  DWORD cookie = 0;
  EXPECT_EQ(point->Advise(&log_, &cookie), S_OK);
  EXPECT_EQ(point->Unadvise(cookie), S_OK);
  EXPECT_EQ(point->Unadvise(cookie), CONNECT_E_NOCONNECTION);
  point->Release();
  container->Release();
  // Not in place: navigating still works; the events come without a window.
  WebEventLog log;
  IConnectionPointContainer* again = nullptr;
  browser->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&again));
  again->FindConnectionPoint(DIID_DWebBrowserEvents2, &point);
  point->Advise(&log, &cookie);
  const std::string home = Url("/second.html");
  EXPECT_EQ(NavigateObject(browser, home), S_OK);
  EXPECT_TRUE(PumpUntil([&] { return log.Has("DocumentComplete " + home); }, 30000));
  point->Unadvise(cookie);
  point->Release();
  again->Release();
  EXPECT_EQ(browser->Release(), 0u);
  Pump();
}

}  // namespace
}  // namespace webtest
