#include <gtest/gtest.h>
#include <windows.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <cairo.h>

#include "tests/ui/base/ControlTestHost.h"
#include "tests/support/SurfacePng.h"
#include "tests/ui/base/XvfbUiTest.h"
#include "ui/list/ComboUI.h"
#include "ui/list/ComboWnd.h"
#include "ui/list/ListLabelElementUI.h"

using namespace uictest;

namespace {

class XvfbComboTest : public XvfbUiTest {
 protected:
  // The screen as the server shows it, saved as PNG; returns the pixel at (px, py).
  uint32_t Shot(const char* name, int w, int h, int px, int py) {
    XImage* image = XGetImage(probe_, DefaultRootWindow(probe_), 0, 0, unsigned(w), unsigned(h), AllPlanes, ZPixmap);
    if (image == nullptr) return 0;
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
    auto* data = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(s));
    int stride = cairo_image_surface_get_stride(s) / 4;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) data[y * stride + x] = uint32_t(XGetPixel(image, x, y)) & 0xFFFFFF;
    }
    uint32_t at = uint32_t(XGetPixel(image, px, py)) & 0xFFFFFF;
    cairo_surface_mark_dirty(s);
    jftest::WriteSurfacePng(s, std::string(JF_TEST_BIN_DIR) + "/" + name + ".png");
    cairo_surface_destroy(s);
    XDestroyImage(image);
    return at;
  }
};

}  // namespace

TEST_F(XvfbComboTest, DroppedDownOnScreenAndARowClicked) {
  frametest::HostWnd host;
  ASSERT_NE(host.Open(100, 100, 400, 300), nullptr);
  ASSERT_NE(jf::TestXWindow(host.GetHWND()), 0u);
  CContainerUI* root = new CContainerUI;
  root->SetBkColor(0xFFF0F0F0);
  CComboUI* combo = new CComboUI;
  combo->SetName(L"combo");
  combo->SetFloat(true);
  combo->SetAttribute(L"pos", L"20,20,220,44");
  combo->SetAttribute(L"bkcolor", L"#FFFFFFFF");
  combo->SetAttribute(L"bordercolor", L"#FF808080");
  combo->SetAttribute(L"bordersize", L"1");
  combo->SetAttribute(L"textpadding", L"4,0,4,0");
  combo->SetAttribute(L"itemtextpadding", L"4,0,4,0");
  combo->SetAttribute(L"itemhotbkcolor", L"#FFFFD080");
  const wchar_t* texts[] = {L"First", L"Second", L"Third", L"Fourth"};
  for (const wchar_t* t : texts) {
    CListLabelElementUI* row = new CListLabelElementUI;
    row->SetName(t);
    row->SetText(t);
    row->SetFixedHeight(24);
    combo->Add(row);
  }
  root->Add(combo);
  host.manager.AttachDialog(root);
  Recorder log;
  host.manager.AddNotifier(&log);
  ASSERT_TRUE(PumpUntil([&] { return Viewable(host.GetHWND()); }));

  ClickAt(100 + 100, 100 + 32);
  ASSERT_TRUE(PumpUntil([&] { return combo->GetDropDown() != nullptr && Viewable(combo->GetDropDown()->GetHWND()); }));
  // The layer aims pointer input as it reads it: the move below would still go to the host if
  // the click's release were not handled yet.
  ASSERT_TRUE(PumpUntil([] { return GetCapture() == nullptr; }));
  HWND drop = combo->GetDropDown()->GetHWND();
  RECT rc = {0, 0, 0, 0};
  GetWindowRect(drop, &rc);
  EXPECT_EQ(frametest::Str(rc), frametest::Str(RECT{120, 144, 320, 144 + 4 * 24 + 4}));
  // The third row lies at 144 + 1 + 48 .. + 24 on screen; hover it and look.
  XTestFakeMotionEvent(probe_, -1, 200, 144 + 1 + 48 + 12, CurrentTime);
  XFlush(probe_);
  uint32_t hot = 0;
  EXPECT_TRUE(PumpUntil([&] { return (hot = Shot("xvfb_combo_open", 400, 300, 300, 144 + 1 + 48 + 12)) == 0xFFD080; }))
      << std::hex << hot;

  ClickAt(200, 144 + 1 + 48 + 12);
  ASSERT_TRUE(PumpUntil([&] { return combo->GetDropDown() == nullptr; }));
  EXPECT_FALSE(IsWindow(drop));
  EXPECT_EQ(combo->GetCurSel(), 2);
  EXPECT_EQ(log.Of("itemselect"), std::vector<std::string>{"combo"});
  EXPECT_EQ(log.Of("dropdown"), std::vector<std::string>{"combo"});
  // The closed combo shows "Third": dark pixels inside its text area.
  EXPECT_TRUE(PumpUntil([&] {
    XImage* image = XGetImage(probe_, DefaultRootWindow(probe_), 124, 122, 100, 20, AllPlanes, ZPixmap);
    int dark = 0;
    for (int y = 0; image && y < 20; ++y)
      for (int x = 0; x < 100; ++x) dark += (XGetPixel(image, x, y) & 0xFF) < 0x80;
    if (image) XDestroyImage(image);
    return dark > 20;
  }));
  Shot("xvfb_combo_closed", 400, 300, 0, 0);
  host.manager.RemoveNotifier(&log);
  DestroyWindow(host.GetHWND());
}
