// A skinned window whose "WebBrowser" element shows pages of a loopback server: the server
// and its pages, the window, a recording handler on the control and a recording sink on the
// browser, pumping until a condition holds, pixels and pointer helpers.
#pragma once
#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "platform/testing/hooks/testinput.h"
#include "tests/platform/web/WebEventLog.h"
#include "tests/support/net/HttpTestServer.h"
#include "tests/ui/window/SkinTestWindow.h"
#include "ui/activex/WebBrowserUI.h"

namespace webtest {

using namespace SkinUI;

// The element covers 20,40 to 460,340 of a 480 x 360 window.
constexpr int kLeft = 20, kTop = 40, kWidth = 440, kHeight = 300;

// A page: red block at 0,0 (100 x 50) on green; a button that sets the title; a text box that
// writes what it holds into the title; a link to the second page and one that wants a new
// window; tall enough to scroll, and the scroll offset goes to the title too.
inline const char kFirstPage[] =
    "<!DOCTYPE html><html><head><title>first</title><style>"
    "body{margin:0;background:#00ff00}"
    "#red{position:absolute;left:0;top:0;width:100px;height:50px;background:#ff0000}"
    "#go{position:absolute;left:0;top:100px;width:120px;height:40px}"
    "#box{position:absolute;left:0;top:160px;width:200px;height:24px}"
    "#next{position:absolute;left:0;top:220px;font-size:20px}"
    "#blank{position:absolute;left:0;top:260px;font-size:20px}"
    "#tall{height:3000px}"
    "</style></head><body>"
    "<div id='red'></div>"
    "<button id='go' onclick=\"document.title='clicked'\">go</button>"
    "<input id='box' oninput=\"document.title='key:'+this.value\">"
    "<a id='next' href='/second.html'>next</a>"
    "<a id='blank' href='/popup.html' target='_blank'>popup</a>"
    "<div id='tall'></div>"
    "<script>window.onscroll=function(){document.title='scroll:'+Math.round(window.scrollY)};</script>"
    "</body></html>";
inline const char kSecondPage[] =
    "<!DOCTYPE html><html><head><title>second</title></head>"
    "<body style='margin:0;background:#0000ff'></body></html>";
// A script error a moment after the page is shown, then the page goes on.
inline const char kErrorPage[] =
    "<!DOCTYPE html><html><head><title>error</title></head><body style='margin:0;background:#ffff00'>"
    "<script>setTimeout(function(){ notDefinedAnywhere(); }, 300);"
    "setTimeout(function(){ document.title='still running'; }, 600);</script></body></html>";

// Records what the control passes on; optionally cancels.
class RecordingHandler : public CWebBrowserEventHandler {
 public:
  void BeforeNavigate2(IDispatch*, VARIANT*& url, VARIANT*&, VARIANT*&, VARIANT*&, VARIANT*&,
                       VARIANT_BOOL*& cancel) override {
    const std::string u = Narrow(url->bstrVal);
    calls.push_back("before " + u);
    if (!cancelSuffix.empty() && u.size() >= cancelSuffix.size() &&
        u.compare(u.size() - cancelSuffix.size(), cancelSuffix.size(), cancelSuffix) == 0)
      *cancel = VARIANT_TRUE;
  }
  void NavigateError(IDispatch*, VARIANT*& url, VARIANT*&, VARIANT*& status, VARIANT_BOOL*&) override {
    calls.push_back("error " + Narrow(url->bstrVal) + " " + std::to_string(status->lVal));
  }
  void NavigateComplete2(IDispatch* dispatch, VARIANT*& url) override {
    calls.push_back("complete " + Narrow(url->bstrVal) + (dispatch ? "" : " (no browser)"));
  }
  void NewWindow3(IDispatch**&, VARIANT_BOOL*& cancel, DWORD flags, BSTR, BSTR url) override {
    calls.push_back("newwindow " + Narrow(url) + " " + std::to_string(flags));
    if (cancelNewWindows) *cancel = VARIANT_TRUE;
  }
  void CommandStateChange(LONG command, VARIANT_BOOL enable) override {
    calls.push_back("command " + std::to_string(command) + " " + std::to_string(enable != 0));
  }
  HRESULT GetHostInfo(DOCHOSTUIINFO*) override {
    calls.push_back("hostinfo");
    return S_OK;
  }
  HRESULT Download(IMoniker*, IBindCtx*, DWORD, LONG, BINDINFO*, LPCOLESTR, LPCOLESTR redirect, UINT) override {
    calls.push_back("download " + Narrow(redirect));
    return S_OK;
  }
  std::vector<std::string> calls;
  std::string cancelSuffix;
  bool cancelNewWindows = true;
};


class WebPageFixture : public ::testing::Test {
 protected:
  static HttpTestServer::Script Html(const char* body) {
    HttpTestServer::Script s;
    s.body = body;
    s.headers = {{"Content-Type", "text/html; charset=utf-8"}};
    return s;
  }
  void SetUp() override {
    jf::TestResetInput();
    server_.Set("/first.html", Html(kFirstPage));
    server_.Set("/second.html", Html(kSecondPage));
    server_.Set("/popup.html", Html(kSecondPage));
    server_.Set("/error.html", Html(kErrorPage));
    HttpTestServer::Script file;
    file.body = std::string(4096, 'x');
    file.headers = {{"Content-Type", "application/octet-stream"}};
    server_.Set("/setup.bin", file);
    ASSERT_TRUE(server_.Start());
  }
  void TearDown() override {
    Close();
    jf::TestResetInput();
  }
  std::string Url(const std::string& path) const { return server_.Url(path); }
  static std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

  // Opens the window with the element's home page; the handler and the sink are in place
  // before the engine has said anything.
  void Open(const std::string& homePage, int x = 200, int y = 150) {
    Mark();
    const std::wstring home = Wide(homePage);
    std::wstring skin =
        L"<Window size=\"480,360\"><VerticalLayout name=\"root\" bkcolor=\"#FF204060\">"
        L"<Control height=\"40\" bkcolor=\"#FF808080\"/>"
        L"<WebBrowser name=\"web\" homepage=\"" + home + L"\" autonavi=\"true\" padding=\"20,0,20,0\" height=\"300\"/>"
        L"</VerticalLayout></Window>";
    wnd_.reset(new frametest::SkinWnd(skin));
    hwnd_ = wnd_->Create(nullptr, L"web", WS_POPUP | WS_VISIBLE, 0, 0, 0, 0, 0);
    ASSERT_NE(hwnd_, nullptr);
    ::SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    origin_ = POINT{x, y};
    ::UpdateWindow(hwnd_);  // lays out, and so creates the browser
    web_ = static_cast<CWebBrowserUI*>(wnd_->GetManager().FindControl(L"web"));
    ASSERT_NE(web_, nullptr);
    ASSERT_NE(web_->GetWebBrowser2(), nullptr) << "no browser object";
    web_->SetWebBrowserEventHandler(&handler_);
    IConnectionPointContainer* container = nullptr;
    ASSERT_EQ(web_->GetWebBrowser2()->QueryInterface(IID_IConnectionPointContainer,
                                                     reinterpret_cast<void**>(&container)),
              S_OK);
    IConnectionPoint* point = nullptr;
    ASSERT_EQ(container->FindConnectionPoint(DIID_DWebBrowserEvents2, &point), S_OK);
    ASSERT_EQ(point->Advise(&log_, &cookie_), S_OK);
    point->Release();
    container->Release();
  }
  void Close() {
    if (hwnd_ && IsWindow(hwnd_)) {
      web_->SetWebBrowserEventHandler(nullptr);
      DestroyWindow(hwnd_);
    }
    hwnd_ = nullptr;
    web_ = nullptr;
    Pump();
    wnd_.reset();
  }
  static void Pump() { frametest::Pump(); }
  template <class F>
  bool PumpUntil(F done, int ms = 30000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
      Pump();
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return done();
  }
  // A browser object made as any program makes one; null when none can be made.
  static IWebBrowser2* NewBrowser() {
    IWebBrowser2* browser = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IWebBrowser2,
                               reinterpret_cast<void**>(&browser)),
              S_OK);
    return browser;
  }
  // Navigate2 of a browser object to a text address.
  static HRESULT NavigateObject(IWebBrowser2* browser, const std::string& url) {
    VARIANT target;
    VariantInit(&target);
    target.vt = VT_BSTR;
    target.bstrVal = SysAllocString(Wide(url).c_str());
    const HRESULT hr = browser->Navigate2(&target, nullptr, nullptr, nullptr, nullptr);
    VariantClear(&target);
    return hr;
  }
  // The events from here on are those of the next navigation.
  void Mark() { mark_ = log_.lines.size(); }
  // Marks, then navigates the element.
  void Go(const std::string& url) {
    Mark();
    web_->Navigate2(Wide(url).c_str());
  }
  // The lines since the mark.
  std::vector<std::string> Since() const {
    return std::vector<std::string>(log_.lines.begin() + long(std::min(mark_, log_.lines.size())), log_.lines.end());
  }
  // Pumps until the document of `url` is complete after its NavigateComplete2, both since the
  // mark, and a frame has been drawn after it.
  bool WaitForPage(const std::string& url) {
    return PumpUntil([&] {
      bool committed = false;
      for (const std::string& line : Since()) {
        if (line == "NavigateComplete2 " + url) committed = true;
        if (committed && line == "DocumentComplete " + url) return true;
      }
      return false;
    }) && PumpFrames();
  }
  // Lets the engine's frames arrive and be painted.
  bool PumpFrames(int ms = 300) {
    PumpUntil([] { return false; }, ms);
    return true;
  }
  // A pixel of the element as 0xRRGGBB, in the page's coordinates.
  DWORD PagePixel(int x, int y) {
    DWORD argb = 0;
    EXPECT_TRUE(jf::TestWindowPixel(hwnd_, kLeft + x, kTop + y, &argb));
    return argb & 0xFFFFFF;
  }
  // Pumps until the page shows `rgb` at a point (frames may come a little after the load).
  bool PageShows(int x, int y, DWORD rgb) {
    return PumpUntil([&] { return PagePixel(x, y) == rgb; }, 10000);
  }
  DWORD WindowPixel(int x, int y) {
    DWORD argb = 0;
    EXPECT_TRUE(jf::TestWindowPixel(hwnd_, x, y, &argb));
    return argb & 0xFFFFFF;
  }
  // Moves the virtual pointer to a point of the page.
  void PointAt(int x, int y) { jf::TestMouseMove(origin_.x + kLeft + x, origin_.y + kTop + y); }
  void ClickAt(int x, int y) {
    PointAt(x, y);
    jf::TestMouseClick(VK_LBUTTON);
  }
  std::string Title() {
    BSTR name = nullptr;
    web_->GetWebBrowser2()->get_LocationName(&name);
    std::string out = Narrow(name);
    SysFreeString(name);
    return out;
  }
  static std::string ScreenshotPath(const std::string& name) {
    const std::string folder = std::string(JF_TEST_BIN_DIR) + "/../screenshots";
    mkdir(folder.c_str(), 0755);
    mkdir((folder + "/web").c_str(), 0755);
    return folder + "/web/" + name + ".png";
  }
  // A loopback port nobody listens on (bound, then let go), away from the ports the engine
  // refuses to use.
  static int ClosedPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
      port = ntohs(address.sin_port);
    close(fd);
    return port;
  }
  // The engine's processes: this process's children (those of one name, with `name`).
  static std::vector<pid_t> Children(const char* name = nullptr) {
    std::vector<pid_t> pids;
    const pid_t self = getpid();
    if (DIR* dir = opendir("/proc")) {
      while (dirent* e = readdir(dir)) {
        if (e->d_name[0] < '0' || e->d_name[0] > '9') continue;
        const std::string path = std::string("/proc/") + e->d_name + "/stat";
        FILE* f = fopen(path.c_str(), "r");
        if (!f) continue;
        int pid = 0, ppid = 0;
        char state = 0;
        char comm[256] = {};
        if (fscanf(f, "%d (%255[^)]) %c %d", &pid, comm, &state, &ppid) == 4 && ppid == self && state != 'Z' &&
            (!name || std::string(comm) == name))
          pids.push_back(pid);
        fclose(f);
      }
      closedir(dir);
    }
    return pids;
  }
  static int ChildProcesses() { return int(Children().size()); }

  HttpTestServer server_;
  std::unique_ptr<frametest::SkinWnd> wnd_;
  HWND hwnd_ = nullptr;
  POINT origin_ = {0, 0};
  CWebBrowserUI* web_ = nullptr;
  RecordingHandler handler_;
  WebEventLog log_;
  size_t mark_ = 0;
  DWORD cookie_ = 0;
};

}  // namespace webtest
