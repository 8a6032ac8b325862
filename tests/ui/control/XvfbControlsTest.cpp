#include <gtest/gtest.h>
#include <windows.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/shape.h>
#include <X11/keysym.h>
#include <cairo.h>

#include <memory>
#include <thread>

#include "tests/ui/base/ControlTestHost.h"
#include "tests/support/SurfacePng.h"
#include "tests/ui/base/XvfbUiTest.h"
#include "ui/control/DateTimeUI.h"
#include "ui/control/EditUI.h"
#include "ui/control/LabelUI.h"
#include "ui/window/WndShadow.h"

using namespace uictest;

namespace {

struct Skinned;

class XvfbControlsTest : public XvfbUiTest {
 protected:
  // A skinned window with a date control holding 31 December 2024, clicked open: its picker
  // has the focus.
  void OpenDatePicker(Skinned& w, CDateTimeUI** date);
  // Waits for the next event of `type` on the probe.
  bool NextEvent(int type, XEvent* ev) {
    for (int i = 0; i < 3000; ++i) {
      while (XPending(probe_) > 0) {
        XNextEvent(probe_, ev);
        if (ev->type == type) return true;
      }
      usleep(10000);
    }
    return false;
  }
  // A window's pixels as the X server holds them, as 0xAARRGGBB (alpha 255 without one).
  std::vector<uint32_t> Read(HWND hwnd, int w, int h, bool* withAlpha) {
    std::vector<uint32_t> out;
    XImage* image = XGetImage(probe_, ::Window(jf::TestXWindow(hwnd)), 0, 0, unsigned(w), unsigned(h), AllPlanes,
                              ZPixmap);
    if (image == nullptr) return out;
    *withAlpha = image->depth == 32;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        uint32_t px = uint32_t(XGetPixel(image, x, y));
        out.push_back(*withAlpha ? px : (px | 0xFF000000u));
      }
    }
    XDestroyImage(image);
    return out;
  }
  static void SavePng(const std::vector<uint32_t>& pixels, int w, int h, const char* name) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    auto* data = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(s));
    int stride = cairo_image_surface_get_stride(s) / 4;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) data[y * stride + x] = pixels[size_t(y * w + x)];
    }
    cairo_surface_mark_dirty(s);
    jftest::WriteSurfacePng(s, std::string(JF_TEST_BIN_DIR) + "/" + name + ".png");
    cairo_surface_destroy(s);
  }

};

// A skinned window's own tree: a white root and the controls the test adds.
struct Skinned {
  Skinned() {
    root = new CContainerUI;
    root->SetBkColor(0xFFFFFFFF);
  }
  void Attach() {
    host.manager.AttachDialog(root);
    host.manager.AddNotifier(&log);
  }
  template <class T>
  T* Add(T* control, const wchar_t* name, const wchar_t* pos) {
    control->SetName(name);
    control->SetFloat(true);
    control->SetAttribute(L"pos", pos);
    root->Add(control);
    return control;
  }
  ~Skinned() {
    host.manager.RemoveNotifier(&log);
    if (IsWindow(host.GetHWND())) DestroyWindow(host.GetHWND());
  }
  frametest::HostWnd host;
  CContainerUI* root = nullptr;
  Recorder log;
};

void XvfbControlsTest::OpenDatePicker(Skinned& w, CDateTimeUI** date) {
  ASSERT_NE(w.host.Open(100, 100, 300, 120), nullptr);
  *date = w.Add(new CDateTimeUI, L"date", L"10,10,210,40");
  SYSTEMTIME day{};
  day.wYear = 2024;
  day.wMonth = 12;
  day.wDay = 31;
  (*date)->SetTime(day);
  w.Attach();
  ASSERT_TRUE(PumpUntil([&] { return Viewable(w.host.GetHWND()); }));
  ClickAt(100 + 50, 100 + 25);
  ASSERT_TRUE(PumpUntil([&] {
    HWND native = (*date)->GetNativeWindow();
    return native != nullptr && GetFocus() == native;
  }));
}

}  // namespace

TEST_F(XvfbControlsTest, EditTypedByXTestTakesChineseFromTheXClipboard) {
  Skinned w;
  ASSERT_NE(w.host.Open(100, 100, 540, 434), nullptr);
  ASSERT_NE(jf::TestXWindow(w.host.GetHWND()), 0u);
  CEditUI* edit = w.Add(new CEditUI, L"edit_input", L"10,10,310,40");
  edit->SetAttribute(L"bkcolor", L"#FFEEF4FF");
  w.Attach();
  ASSERT_TRUE(PumpUntil([&] { return Viewable(w.host.GetHWND()); }));

  ClickAt(100 + 60, 100 + 25);
  ASSERT_TRUE(PumpUntil([&] { return edit->GetNativeWindow() != nullptr && GetFocus() == edit->GetNativeWindow(); }));
  XSetInputFocus(probe_, ::Window(jf::TestXWindow(w.host.GetHWND())), RevertToParent, CurrentTime);
  Key(XK_a);
  Key(XK_b);
  Key(XK_c);
  ASSERT_TRUE(PumpUntil([&] { return edit->GetText() == L"abc"; })) << Narrow(edit->GetText());

  // Another client holds the clipboard; Ctrl+V makes the edit ask it. The owner answers on a
  // connection of its own: Xlib connections are not shared between threads.
  Display* other = XOpenDisplay(x_.Name().c_str());
  ASSERT_NE(other, nullptr);
  Atom clipboard = XInternAtom(other, "CLIPBOARD", False);
  Atom utf8 = XInternAtom(other, "UTF8_STRING", False);
  ::Window mine = XCreateSimpleWindow(other, DefaultRootWindow(other), 0, 0, 1, 1, 0, 0, 0);
  XSetSelectionOwner(other, clipboard, mine, CurrentTime);
  XSync(other, False);
  ASSERT_EQ(XGetSelectionOwner(other, clipboard), mine);
  std::thread owner([&] {
    XEvent req;
    bool asked = false;
    for (int i = 0; i < 3000 && !asked; ++i) {
      while (!asked && XPending(other) > 0) {
        XNextEvent(other, &req);
        asked = req.type == SelectionRequest;
      }
      if (!asked) usleep(10000);
    }
    if (!asked) return;
    const char text[] = "安装路径";
    XChangeProperty(other, req.xselectionrequest.requestor, req.xselectionrequest.property, utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(text), int(sizeof(text) - 1));
    XSelectionEvent reply{};
    reply.type = SelectionNotify;
    reply.requestor = req.xselectionrequest.requestor;
    reply.selection = req.xselectionrequest.selection;
    reply.target = req.xselectionrequest.target;
    reply.property = req.xselectionrequest.property;
    reply.time = req.xselectionrequest.time;
    XSendEvent(other, reply.requestor, False, 0, reinterpret_cast<XEvent*>(&reply));
    XFlush(other);
  });
  XTestFakeKeyEvent(probe_, XKeysymToKeycode(probe_, XK_Control_L), True, CurrentTime);
  Key(XK_v);
  XTestFakeKeyEvent(probe_, XKeysymToKeycode(probe_, XK_Control_L), False, CurrentTime);
  XFlush(probe_);
  bool pasted = PumpUntil([&] { return edit->GetText() == L"abc安装路径"; });
  owner.join();
  XCloseDisplay(other);
  ASSERT_TRUE(pasted) << Narrow(edit->GetText());
  EXPECT_EQ(w.log.Of("textchanged").size(), 4u);  // a, b, c, the paste
  Key(XK_Return);
  ASSERT_TRUE(PumpUntil([&] { return w.log.Of("return").size() == 1; }));

  // The typed and pasted text on screen, as the server shows it.
  bool alpha = false;
  std::vector<uint32_t> shot;
  auto inked = [&] {
    shot = Read(w.host.GetHWND(), 540, 434, &alpha);
    int n = 0;
    for (int y = 14; y < 36 && !shot.empty(); ++y) {
      for (int x = 14; x < 300; ++x) n += (shot[size_t(y * 540 + x)] & 0xFFFFFF) < 0x808080;
    }
    return n;
  };
  EXPECT_TRUE(PumpUntil([&] { return inked() > 40; }));
  SavePng(shot, 540, 434, "xvfb_edit");
  XDestroyWindow(probe_, mine);
}

TEST_F(XvfbControlsTest, ShadowIsALayeredClickThroughWindowUnderItsOwner) {
  static const bool initialized = CWndShadow::Initialize(GetModuleHandleW(nullptr));
  (void)initialized;
  // A white desk under everything, listening for the clicks that pass through the shadow.
  ::Window desk = XCreateSimpleWindow(probe_, DefaultRootWindow(probe_), 0, 0, 1280, 720, 0, 0,
                                      WhitePixel(probe_, DefaultScreen(probe_)));
  XSetWindowAttributes attrs{};
  attrs.override_redirect = True;
  XChangeWindowAttributes(probe_, desk, CWOverrideRedirect, &attrs);
  XSelectInput(probe_, desk, ButtonPressMask | ExposureMask);
  XMapWindow(probe_, desk);
  XSync(probe_, False);

  Skinned w;
  ASSERT_NE(w.host.Create(nullptr, L"host", WS_POPUP, 0, 200, 150, 540, 434), nullptr);
  w.root->SetBkColor(0xFF3A6EA5);
  CLabelUI* title = w.Add(new CLabelUI, L"title", L"20,20,520,60");
  title->SetText(L"聚峰安装程序");
  title->SetAttribute(L"textcolor", L"#FFFFFFFF");
  w.Attach();
  CWndShadow shadow;
  HWND s = shadow.Create(w.host.GetHWND());
  ASSERT_NE(s, nullptr);
  ShowWindow(w.host.GetHWND(), SW_SHOW);
  ASSERT_TRUE(PumpUntil([&] { return Viewable(w.host.GetHWND()) && Viewable(s); }));
  ::Window sx = ::Window(jf::TestXWindow(s)), ox = ::Window(jf::TestXWindow(w.host.GetHWND()));

  // Under its owner, and the pointer passes through it to the desk.
  ::Window rootWin = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  ASSERT_TRUE(XQueryTree(probe_, DefaultRootWindow(probe_), &rootWin, &parent, &children, &count));
  int shadowAt = -1, ownerAt = -1;
  for (unsigned i = 0; i < count; ++i) {
    if (children[i] == sx) shadowAt = int(i);
    if (children[i] == ox) ownerAt = int(i);
  }
  XFree(children);
  EXPECT_GE(shadowAt, 0);
  EXPECT_LT(shadowAt, ownerAt);
  int rects = -1, ordering = 0;
  XRectangle* input = XShapeGetRectangles(probe_, sx, ShapeInput, &rects, &ordering);
  if (input != nullptr) XFree(input);
  EXPECT_EQ(rects, 0);
  ClickAt(200 - 5, 150 + 200);  // on the band left of the owner
  XEvent ev;
  ASSERT_TRUE(NextEvent(ButtonPress, &ev));
  EXPECT_EQ(ev.xbutton.window, desk);

  // What a compositor makes of it: the shadow's premultiplied pixels over the desk, the
  // owner on top.
  bool shadowAlpha = false, ownerAlpha = false;
  std::vector<uint32_t> band, face;
  auto painted = [&] {
    band = Read(s, 568, 462, &shadowAlpha);
    face = Read(w.host.GetHWND(), 540, 434, &ownerAlpha);
    return band.size() == 568u * 462u && face.size() == 540u * 434u && (band[231 * 568 + 13] >> 24) == 67 &&
           (face[200 * 540 + 270] & 0xFFFFFF) == 0x3A6EA5;
  };
  ASSERT_TRUE(PumpUntil(painted));
  EXPECT_TRUE(shadowAlpha);  // a visual with an alpha channel
  const int rings[14] = {0, 0, 1, 2, 5, 8, 12, 17, 23, 30, 38, 47, 57, 67};
  for (int k = 0; k < 14; ++k) EXPECT_EQ(int(band[231 * 568 + k] >> 24), rings[k]) << k;
  std::vector<uint32_t> composite(568 * 462);
  for (int y = 0; y < 462; ++y) {
    for (int x = 0; x < 568; ++x) {
      uint32_t px = band[size_t(y * 568 + x)];
      uint32_t a = px >> 24, out = 0xFF000000u;
      for (int shift : {16, 8, 0}) out |= std::min<uint32_t>(255, ((px >> shift) & 0xFF) + 255 * (255 - a) / 255) << shift;
      if (x >= 14 && x < 554 && y >= 14 && y < 448) out = face[size_t((y - 14) * 540 + (x - 14))];
      composite[size_t(y * 568 + x)] = out;
    }
  }
  SavePng(composite, 568, 462, "xvfb_shadow");
  EXPECT_EQ(composite[231 * 568 + 0] & 0xFFFFFF, 0xFFFFFFu);  // the faintest ring is clear
  EXPECT_LT(composite[231 * 568 + 13] & 0xFF, 0xE0u);        // next to the owner, darker
  EXPECT_EQ(composite[231 * 568 + 300] & 0xFFFFFF, 0x3A6EA5u);
  XDestroyWindow(probe_, desk);
}

TEST_F(XvfbControlsTest, DatePickerOnScreenTakesKeysAndWritesBack) {
  Skinned w;
  CDateTimeUI* date = nullptr;
  ASSERT_NO_FATAL_FAILURE(OpenDatePicker(w, &date));
  XSetInputFocus(probe_, ::Window(jf::TestXWindow(w.host.GetHWND())), RevertToParent, CurrentTime);
  Key(XK_Right);
  Key(XK_Up);  // December wraps to January
  HWND picker = date->GetNativeWindow();
  ASSERT_TRUE(PumpUntil([&] {
    SYSTEMTIME t{};
    return SendMessageW(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&t)) == GDT_VALID && t.wMonth == 1;
  }));
  bool alpha = false;
  std::vector<uint32_t> shot;
  COLORREF hl = GetSysColor(COLOR_HIGHLIGHT);
  uint32_t want = uint32_t(GetRValue(hl)) << 16 | uint32_t(GetGValue(hl)) << 8 | GetBValue(hl);
  ASSERT_TRUE(PumpUntil([&] {
    shot = Read(w.host.GetHWND(), 300, 120, &alpha);
    int n = 0;  // the chosen month, highlighted on screen
    for (size_t i = 0; i < shot.size(); ++i) n += (shot[i] & 0xFFFFFF) == want;
    return n > 20;
  }));
  SavePng(shot, 300, 120, "xvfb_datetime");
  ClickAt(100 + 250, 100 + 100);  // elsewhere: the date goes back into the text
  ASSERT_TRUE(PumpUntil([&] { return date->GetNativeWindow() == nullptr; }));
  EXPECT_EQ(date->GetText(), L"2024-01-31");
}

// The picker's button drops its month calendar below the field on the X screen; an X click on
// a day sets the date, which goes back into the text when the picker closes.
TEST_F(XvfbControlsTest, DatePickerCalendarDropsBelowAndTakesAnXClick) {
  Skinned w;
  CDateTimeUI* date = nullptr;
  ASSERT_NO_FATAL_FAILURE(OpenDatePicker(w, &date));
  HWND picker = date->GetNativeWindow();
  ClickAt(100 + 210 - 5, 100 + 25);  // the button at the field's right end
  HWND cal = nullptr;
  ASSERT_TRUE(PumpUntil([&] {
    cal = reinterpret_cast<HWND>(SendMessageW(picker, DTM_GETMONTHCAL, 0, 0));
    return cal != nullptr && Viewable(cal);
  }));
  // Below the field, where the X server shows it.
  int rootX = 0, rootY = 0;
  ::Window child = 0;
  XTranslateCoordinates(probe_, ::Window(jf::TestXWindow(cal)), DefaultRootWindow(probe_), 0, 0, &rootX, &rootY,
                        &child);
  RECT shown{};
  GetWindowRect(cal, &shown);
  EXPECT_EQ(rootX, 100 + 10);
  EXPECT_EQ(rootY, 100 + 40);
  const int width = shown.right - shown.left, height = shown.bottom - shown.top;
  bool alpha = false;
  std::vector<uint32_t> shot;
  COLORREF hl = GetSysColor(COLOR_HIGHLIGHT);
  uint32_t want = uint32_t(GetRValue(hl)) << 16 | uint32_t(GetGValue(hl)) << 8 | GetBValue(hl);
  ASSERT_TRUE(PumpUntil([&] {
    shot = Read(cal, width, height, &alpha);
    int n = 0;  // the 31st, selected; the day names in the same colour
    for (size_t i = 0; i < shot.size(); ++i) n += (shot[i] & 0xFFFFFF) == want;
    return n > 200;
  }));
  SavePng(shot, width, height, "xvfb_monthcalendar");

  // The 9th of December, found by the calendar's own hit test.
  POINT at{-1, -1};
  RECT client{};
  GetClientRect(cal, &client);
  for (int y = 0; y < client.bottom && at.x < 0; y += 2) {
    for (int x = 0; x < client.right; x += 2) {
      MCHITTESTINFO info{sizeof(info), POINT{x, y}, 0, {}};
      if (SendMessageW(cal, MCM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)) == MCHT_CALENDARDATE &&
          info.st.wDay == 9) {
        at = POINT{x + 4, y + 4};
        break;
      }
    }
  }
  ASSERT_GE(at.x, 0);
  ClientToScreen(cal, &at);
  ClickAt(at.x, at.y);
  ASSERT_TRUE(PumpUntil([&] {
    SYSTEMTIME t{};
    return SendMessageW(picker, DTM_GETMONTHCAL, 0, 0) == 0 &&
           SendMessageW(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&t)) == GDT_VALID && t.wDay == 9;
  }));
  EXPECT_FALSE(IsWindow(cal));
  ClickAt(100 + 250, 100 + 100);  // elsewhere: the date goes back into the text
  ASSERT_TRUE(PumpUntil([&] { return date->GetNativeWindow() == nullptr; }));
  EXPECT_EQ(date->GetText(), L"2024-12-09");
}
