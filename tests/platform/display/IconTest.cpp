#include <gtest/gtest.h>
#include <windows.h>

#include <cairo.h>

#include <vector>

#include "platform/src/display/DisplayIcons.h"
#include "tests/platform/display/DisplayTestWindow.h"
#include <windows/resources.h>

using disptest::DisplayTest;

namespace {

void Put16(std::vector<unsigned char>& b, unsigned v) {
  b.push_back(static_cast<unsigned char>(v & 0xFF));
  b.push_back(static_cast<unsigned char>(v >> 8));
}
void Put32(std::vector<unsigned char>& b, unsigned v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

// An .ico file with one 32-bit image per size, each filled with one opaque colour (BGRA).
std::vector<unsigned char> MakeIco(const std::vector<std::pair<int, uint32_t>>& images) {
  std::vector<unsigned char> ico;
  Put16(ico, 0);
  Put16(ico, 1);
  Put16(ico, unsigned(images.size()));
  size_t offset = 6 + 16 * images.size();
  std::vector<unsigned char> bodies;
  for (auto& image : images) {
    int n = image.first;
    size_t bytes = 40 + size_t(n) * n * 4 + size_t(n) * 4;  // header, pixels, a 1-bit mask
    ico.push_back(static_cast<unsigned char>(n));
    ico.push_back(static_cast<unsigned char>(n));
    ico.push_back(0);
    ico.push_back(0);
    Put16(ico, 1);
    Put16(ico, 32);
    Put32(ico, unsigned(bytes));
    Put32(ico, unsigned(offset + bodies.size()));
    Put32(bodies, 40);
    Put32(bodies, unsigned(n));
    Put32(bodies, unsigned(2 * n));
    Put16(bodies, 1);
    Put16(bodies, 32);
    for (int i = 0; i < 6; ++i) Put32(bodies, 0);
    for (int i = 0; i < n * n; ++i) Put32(bodies, image.second);
    for (int i = 0; i < n; ++i) Put32(bodies, 0);
  }
  ico.insert(ico.end(), bodies.begin(), bodies.end());
  return ico;
}

uint32_t FirstPixel(HICON icon, int* width) {
  cairo_surface_t* s = jf::IconSurface(icon);
  if (s == nullptr) return 0;
  *width = cairo_image_surface_get_width(s);
  return *reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(s));
}

}  // namespace

TEST_F(DisplayTest, IconsComeFromResourcesInTheAskedSize) {
  static const std::vector<unsigned char> ico = MakeIco({{16, 0xFF0000FFu}, {32, 0xFFFF0000u}});
  static const jf::EmbeddedResource table[] = {{nullptr, 14, nullptr, 9101, ico.data(), ico.size()}};
  jf::RegisterEmbeddedResources(table, 1);
  HINSTANCE module = GetModuleHandleW(nullptr);
  int width = 0;
  HICON big = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(9101), IMAGE_ICON, 32, 32, 0));
  ASSERT_NE(big, nullptr);
  EXPECT_EQ(FirstPixel(big, &width), 0xFFFF0000u);
  EXPECT_EQ(width, 32);
  HICON small = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(9101), IMAGE_ICON, 16, 16, 0));
  EXPECT_EQ(FirstPixel(small, &width), 0xFF0000FFu);
  HICON scaled = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(9101), IMAGE_ICON, 48, 48, 0));
  EXPECT_EQ(FirstPixel(scaled, &width), 0xFFFF0000u);
  EXPECT_EQ(width, 48);
  EXPECT_EQ(LoadImageW(module, MAKEINTRESOURCEW(9102), IMAGE_ICON, 32, 32, 0), nullptr);
  EXPECT_EQ(GetLastError(), 1814u);

  HWND w = disptest::Make(nullptr, WS_POPUP, 0, 0, 10, 10);
  EXPECT_EQ(SendMessageW(w, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big)), 0);
  SendMessageW(w, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(w, WM_GETICON, ICON_BIG, 0)), big);
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(w, WM_SETICON, ICON_BIG, 0)), big);
  DestroyWindow(w);
  EXPECT_TRUE(DestroyIcon(big));
  EXPECT_FALSE(DestroyIcon(big));
  EXPECT_TRUE(DestroyIcon(small));
  EXPECT_TRUE(DestroyIcon(scaled));
  EXPECT_TRUE(DestroyIcon(LoadIconW(nullptr, IDI_APPLICATION)));
}
