// The same element on a real X server (Xvfb): the page as the screen shows it, a screenshot of
// it, and a click from the X server's own input reaching the page.
#include <gtest/gtest.h>
#include <windows.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <cairo.h>

#include "tests/platform/web/WebPageFixture.h"
#include "tests/support/SurfacePng.h"
#include "tests/support/XvfbServer.h"

namespace webtest {
namespace {

class WebBrowserXvfbTest : public WebPageFixture {
 protected:
  void SetUp() override {
    WebPageFixture::SetUp();
    if (!jftest::XvfbServer::Available()) GTEST_SKIP() << "Xvfb is not installed";
    ASSERT_TRUE(x_.Start());
  }
  void TearDown() override {
    WebPageFixture::TearDown();
    x_.Stop();
  }
  // The window as the X server shows it, 0xRRGGBB per pixel; written to a PNG as well.
  std::vector<uint32_t> Screen(const std::string& name) {
    std::vector<uint32_t> out;
    XImage* image = XGetImage(x_.Probe(), ::Window(jf::TestXWindow(hwnd_)), 0, 0, 480, 360, AllPlanes, ZPixmap);
    if (!image) return out;
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 480, 360);
    auto* data = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(s));
    const int stride = cairo_image_surface_get_stride(s) / 4;
    for (int y = 0; y < 360; ++y) {
      for (int x = 0; x < 480; ++x) {
        const uint32_t px = uint32_t(XGetPixel(image, x, y)) & 0xFFFFFF;
        out.push_back(px);
        data[y * stride + x] = px;
      }
    }
    XDestroyImage(image);
    cairo_surface_mark_dirty(s);
    jftest::WriteSurfacePng(s, ScreenshotPath(name));
    cairo_surface_destroy(s);
    return out;
  }
  jftest::XvfbServer x_;
};

TEST_F(WebBrowserXvfbTest, ThePageIsOnTheScreenAndTakesAClick) {
  const std::string home = Url("/first.html");
  Open(home, 100, 80);
  ASSERT_TRUE(WaitForPage(home));
  std::vector<uint32_t> screen;
  auto at = [&](int x, int y) { return screen[size_t((kTop + y) * 480 + kLeft + x)]; };
  ASSERT_TRUE(PumpUntil([&] {
    screen = Screen("xvfb-home-page");
    return screen.size() == 480u * 360u && at(50, 25) == 0xFF0000u;
  }, 10000));
  EXPECT_EQ(at(300, 25), 0x00FF00u);
  EXPECT_EQ(screen[size_t(100 * 480 + 10)], 0x204060u);

  // A click of the X server's pointer on the button.
  XTestFakeMotionEvent(x_.Probe(), -1, 100 + kLeft + 60, 80 + kTop + 120, CurrentTime);
  XTestFakeButtonEvent(x_.Probe(), 1, True, CurrentTime);
  XTestFakeButtonEvent(x_.Probe(), 1, False, CurrentTime);
  XFlush(x_.Probe());
  EXPECT_TRUE(PumpUntil([&] { return Title() == "clicked"; }, 10000)) << Title();
}

}  // namespace
}  // namespace webtest
