#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <windows.h>

#include <cstring>

#include "tests/platform/display/DisplayTestWindow.h"

using disptest::DisplayTest;
using disptest::Make;
using disptest::Pump;

namespace {

DWORD Pixel(HWND hwnd, int x, int y) {
  DWORD argb = 0;
  EXPECT_TRUE(jf::TestWindowPixel(hwnd, x, y, &argb));
  return argb;
}

// A class whose background brush erases, and a procedure that fills with a colour.
const wchar_t* BackgroundClass(HBRUSH brush) {
  static const bool registered = [brush] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = disptest::HandlerProc;
    wc.hbrBackground = brush;
    wc.lpszClassName = L"JfDisplayBackground";
    return RegisterClassExW(&wc) != 0;
  }();
  (void)registered;
  return L"JfDisplayBackground";
}

disptest::Handler Filler(COLORREF color, bool whole) {
  return [color, whole](HWND hwnd, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
    if (msg != WM_PAINT) return DefWindowProcW(hwnd, msg, w, l);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    HBRUSH brush = CreateSolidBrush(color);
    RECT r{-100, -100, 10000, 10000};  // far beyond the window: the DC keeps it inside
    FillRect(dc, whole ? &r : &ps.rcPaint, brush);
    DeleteObject(brush);
    EndPaint(hwnd, &ps);
    return 0;
  };
}

}  // namespace

TEST_F(DisplayTest, ChildrenPaintIntoTheirTopLevelStoreInsideTheirRectangles) {
  HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
  disptest::Handler plain = [](HWND hwnd, UINT msg, WPARAM w, LPARAM l) { return DefWindowProcW(hwnd, msg, w, l); };
  HWND top = CreateWindowExW(0, BackgroundClass(green), L"", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 50, 50, 100, 80,
                             nullptr, nullptr, nullptr, &plain);
  ASSERT_NE(top, nullptr);
  disptest::Handler red = Filler(RGB(255, 0, 0), true);
  HWND child = Make(&red, WS_CHILD | WS_VISIBLE, 10, 20, 30, 30, top);
  Pump();
  EXPECT_EQ(Pixel(top, 0, 0), 0xFF00FF00u);
  EXPECT_EQ(Pixel(top, 10, 20), 0xFFFF0000u);
  EXPECT_EQ(Pixel(top, 39, 49), 0xFFFF0000u);
  EXPECT_EQ(Pixel(top, 40, 50), 0xFF00FF00u);  // the child's fill stopped at its edge
  EXPECT_EQ(Pixel(child, 0, 0), 0xFFFF0000u);

  char dir[] = "/tmp/jfsurfaceXXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  std::string png = std::string(dir) + "/window.png";
  EXPECT_TRUE(jf::TestWriteWindowPng(child, png));
  struct stat st {};
  EXPECT_EQ(stat(png.c_str(), &st), 0);
  EXPECT_GT(st.st_size, 0);
  unlink(png.c_str());
  rmdir(dir);
  DestroyWindow(top);
  DeleteObject(green);
}

TEST_F(DisplayTest, PaintDcIsLimitedToTheUpdateRectAndKeptDcsFollowResizes) {
  disptest::Handler blue = Filler(RGB(0, 0, 255), true);
  HWND w = Make(&blue, WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  Pump();
  HDC kept = GetDC(w);
  ASSERT_NE(kept, nullptr);
  HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
  RECT all{0, 0, 100, 100};
  FillRect(kept, &all, white);
  RECT part{10, 10, 20, 20};
  InvalidateRect(w, &part, FALSE);
  Pump();
  EXPECT_EQ(Pixel(w, 15, 15), 0xFF0000FFu);
  EXPECT_EQ(Pixel(w, 25, 25), 0xFFFFFFFFu);

  SetWindowPos(w, nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW);
  RECT far{250, 150, 260, 160};
  FillRect(kept, &far, white);
  EXPECT_EQ(Pixel(w, 255, 155), 0xFFFFFFFFu);
  EXPECT_EQ(Pixel(w, 25, 25), 0xFFFFFFFFu);  // what fitted was kept
  EXPECT_EQ(ReleaseDC(w, kept), 1);
  EXPECT_EQ(ReleaseDC(w, kept), 0);
  DeleteObject(white);
  DestroyWindow(w);
}

TEST_F(DisplayTest, UpdateLayeredWindowTakesPerPixelAlpha) {
  HWND w = Make(nullptr, WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, false, WS_EX_LAYERED);
  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bmi.bmiHeader.biWidth = 4;
  bmi.bmiHeader.biHeight = -4;
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  bmi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC mem = CreateCompatibleDC(nullptr);
  HBITMAP dib = CreateDIBSection(mem, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(dib, nullptr);
  auto* px = static_cast<uint32_t*>(bits);
  for (int i = 0; i < 16; ++i) px[i] = 0x80400000u;  // half-transparent red, premultiplied
  px[5] = 0x00000000u;                                 // a hole
  HGDIOBJ old = SelectObject(mem, dib);
  POINT dst{200, 100}, src{0, 0};
  SIZE size{4, 4};
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  ASSERT_TRUE(UpdateLayeredWindow(w, nullptr, &dst, &size, mem, &src, 0, &blend, ULW_ALPHA));
  RECT rc{};
  GetWindowRect(w, &rc);
  EXPECT_EQ(rc.left, 200);
  EXPECT_EQ(rc.right - rc.left, 4);
  EXPECT_EQ(Pixel(w, 0, 0), 0x80400000u);
  EXPECT_EQ(Pixel(w, 1, 1), 0x00000000u);
  blend.SourceConstantAlpha = 128;
  ASSERT_TRUE(UpdateLayeredWindow(w, nullptr, nullptr, nullptr, mem, &src, 0, &blend, ULW_ALPHA));
  EXPECT_NEAR(double(Pixel(w, 0, 0) >> 24), 64.0, 1.0);
  SelectObject(mem, old);
  DeleteObject(dib);
  DeleteDC(mem);
  DestroyWindow(w);
}

TEST_F(DisplayTest, WindowRegionShapesHitTesting) {
  disptest::Recorder r;
  r.only = {WM_LBUTTONDOWN};
  HWND w = Make(&r.handler, WS_POPUP | WS_VISIBLE, 100, 100, 100, 100);
  EXPECT_EQ(SetWindowRgn(w, CreateRoundRectRgn(0, 0, 101, 101, 40, 40), TRUE), 1);
  EXPECT_EQ(WindowFromPoint(POINT{101, 101}), nullptr);  // the cut corner
  EXPECT_EQ(WindowFromPoint(POINT{150, 150}), w);
  HRGN copy = CreateRectRgn(0, 0, 0, 0);
  EXPECT_NE(GetWindowRgn(w, copy), ERROR);
  DeleteObject(copy);
  jf::TestMouseMove(101, 101);
  jf::TestMouseClick(VK_LBUTTON);
  jf::TestMouseMove(150, 150);
  jf::TestMouseClick(VK_LBUTTON);
  Pump();
  EXPECT_EQ(r.log.size(), 1u);
  EXPECT_EQ(SetWindowRgn(w, nullptr, TRUE), 1);  // the old region is freed with it
  EXPECT_EQ(WindowFromPoint(POINT{101, 101}), w);
  DestroyWindow(w);
}

TEST_F(DisplayTest, ClipChildrenKeepsTheParentOffItsChildren) {
  disptest::Handler red = Filler(RGB(255, 0, 0), true);
  disptest::Handler blue = Filler(RGB(0, 0, 255), true);
  disptest::Handler green = Filler(RGB(0, 255, 0), true);
  HWND top = Make(&red, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 100, 100);
  HWND a = Make(&blue, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 10, 10, 40, 40, top);
  HWND b = Make(&green, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 30, 30, 40, 40, top);
  Pump();
  EXPECT_EQ(Pixel(top, 20, 20), 0xFF0000FFu);
  EXPECT_EQ(Pixel(top, 60, 60), 0xFF00FF00u);
  EXPECT_EQ(Pixel(top, 40, 40), 0xFF0000FFu);  // b lies below a (created later) and keeps off it
  EXPECT_EQ(Pixel(top, 90, 90), 0xFFFF0000u);
  InvalidateRect(top, nullptr, FALSE);
  UpdateWindow(top);
  EXPECT_EQ(Pixel(top, 20, 20), 0xFF0000FFu);  // the parent's fill stopped at its children
  EXPECT_EQ(Pixel(top, 60, 60), 0xFF00FF00u);
  InvalidateRect(b, nullptr, FALSE);
  UpdateWindow(b);
  EXPECT_EQ(Pixel(top, 40, 40), 0xFF0000FFu);
  (void)a;
  DestroyWindow(top);
}
