// A handler of the "WebBrowser" element may close its window, whose object deletes itself at
// its final message, from any event of the browser: the browser calls in from its own loop,
// and what it does after the call (the event firer's release of its sink, the document's UI
// handler asked how to look and later released, the download manager released) must meet a
// living element. The window object goes once the browser's call has returned.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>

#include "tests/platform/web/WebPageFixture.h"

namespace webtest {
namespace {

// A window with the element that deletes itself at its final message.
class SelfDeletingWnd : public frametest::SkinWnd {
 public:
  SelfDeletingWnd(std::wstring skin, bool* deleted) : SkinWnd(std::move(skin)), m_deleted(deleted) {}
  ~SelfDeletingWnd() override { *m_deleted = true; }
  void OnFinalMessage(HWND hwnd) override {
    SkinWnd::OnFinalMessage(hwnd);
    delete this;
  }

 private:
  bool* m_deleted;
};

// Closes the window from the named event, and notes whether the window object was still
// there when the close returned inside the handler.
class ClosingHandler : public RecordingHandler {
 public:
  void BeforeNavigate2(IDispatch* d, VARIANT*& url, VARIANT*& f, VARIANT*& t, VARIANT*& p, VARIANT*& h,
                       VARIANT_BOOL*& cancel) override {
    RecordingHandler::BeforeNavigate2(d, url, f, t, p, h, cancel);
    if (Narrow(url->bstrVal) == target) Close("before");
  }
  void NavigateError(IDispatch* d, VARIANT*& url, VARIANT*& f, VARIANT*& status, VARIANT_BOOL*& cancel) override {
    RecordingHandler::NavigateError(d, url, f, status, cancel);
    Close("error");
  }
  void NavigateComplete2(IDispatch* d, VARIANT*& url) override {
    RecordingHandler::NavigateComplete2(d, url);
    if (Narrow(url->bstrVal) == target) Close("complete");
  }
  HRESULT Download(IMoniker* m, IBindCtx* b, DWORD v, LONG f, BINDINFO* i, LPCOLESTR h, LPCOLESTR r, UINT cp) override {
    RecordingHandler::Download(m, b, v, f, i, h, r, cp);
    Close("download");
    return S_OK;
  }
  void Close(const std::string& event) {
    if (event != closeOn || closed || !::IsWindow(hwnd)) return;
    closed = true;
    ::DestroyWindow(hwnd);
    outlivedTheClose = !*deleted;
  }
  std::string closeOn, target;
  HWND hwnd = nullptr;
  bool* deleted = nullptr;
  bool closed = false;
  bool outlivedTheClose = false;
};

class WebBrowserClosingTest : public WebPageFixture {};

TEST_F(WebBrowserClosingTest, AHandlerClosesItsSelfDeletingWindowFromEveryEvent) {
  struct Row {
    const char* event;
    const char* path;
  };
  const Row rows[] = {{"before", "/second.html"}, {"complete", "/second.html"}, {"error", "/missing.html"},
                      {"download", "/setup.bin"}};
  const std::string home = Url("/first.html");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.event);
    bool deleted = false;
    auto* wnd = new SelfDeletingWnd(
        L"<Window size=\"480,360\"><VerticalLayout><WebBrowser name=\"web\" homepage=\"" + Wide(home) +
            L"\" autonavi=\"true\"/></VerticalLayout></Window>",
        &deleted);
    HWND hwnd = wnd->Create(nullptr, L"web", WS_POPUP | WS_VISIBLE, 0, 0, 0, 0, 0);
    ASSERT_NE(hwnd, nullptr);
    ::UpdateWindow(hwnd);
    auto* web = static_cast<CWebBrowserUI*>(wnd->GetManager().FindControl(L"web"));
    ASSERT_NE(web, nullptr);
    ASSERT_NE(web->GetWebBrowser2(), nullptr) << "no browser object";
    ClosingHandler handler;
    handler.hwnd = hwnd;
    handler.deleted = &deleted;
    handler.target = Url(row.path);
    web->SetWebBrowserEventHandler(&handler);
    ASSERT_TRUE(PumpUntil([&] { return !handler.calls.empty() && handler.calls.back() == "hostinfo"; }))
        << ::testing::PrintToString(handler.calls);
    handler.closeOn = row.event;
    web->Navigate2(Wide(handler.target).c_str());
    EXPECT_TRUE(PumpUntil([&] { return deleted; }, 15000)) << ::testing::PrintToString(handler.calls);
    EXPECT_TRUE(handler.closed);
    EXPECT_TRUE(handler.outlivedTheClose) << "the window object went inside the browser's call";
    EXPECT_FALSE(::IsWindow(hwnd));
    if (!deleted) {
      if (::IsWindow(hwnd)) ::DestroyWindow(hwnd);
      Pump();
    }
    PumpFrames(100);
  }
}

}  // namespace
}  // namespace webtest
