// Helpers of the UI framework tests: a temporary folder, a canvas over a DIB section, ZIP archives
// and PNG images built at test time.
#pragma once

#include <gtest/gtest.h>
#include "platform/src/internal/paths.h"
#include "tests/support/TempFolder.h"
#include <minizip/zip.h>
#include <stb/stb_image_write.h>
#include <stdlib.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include <windows.h>

namespace uitest {

using TempFolder = ::TempFolder;

struct ZipItem {
  ZipItem(std::string n, std::string d, int m = Z_DEFLATED, std::string extra = "", uLong attr = 0)
      : name(std::move(n)), data(std::move(d)), method(m), localExtra(std::move(extra)), externalAttr(attr) {}
  std::string name;
  std::string data;
  int method;
  std::string localExtra;
  uLong externalAttr;
};

// Writes the items into a ZIP archive and answers its bytes.
inline std::string BuildZip(const std::vector<ZipItem>& items) {
  TempFolder folder;
  std::string path = folder.Host("a.zip");
  zipFile zf = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
  EXPECT_NE(nullptr, zf);
  for (const ZipItem& item : items) {
    zip_fileinfo info = {};
    info.tmz_date.tm_year = 2020;
    info.tmz_date.tm_mon = 4;  // May
    info.tmz_date.tm_mday = 6;
    info.tmz_date.tm_hour = 7;
    info.tmz_date.tm_min = 8;
    info.tmz_date.tm_sec = 10;
    info.external_fa = item.externalAttr;
    EXPECT_EQ(ZIP_OK, zipOpenNewFileInZip(zf, item.name.c_str(), &info,
                                          item.localExtra.empty() ? nullptr : item.localExtra.data(),
                                          static_cast<uInt>(item.localExtra.size()), nullptr, 0, nullptr,
                                          item.method, item.method ? Z_DEFAULT_COMPRESSION : 0));
    zipWriteInFileInZip(zf, item.data.data(), static_cast<unsigned>(item.data.size()));
    zipCloseFileInZip(zf);
  }
  zipClose(zf, nullptr);
  return folder.Read("a.zip");
}

inline void AppendLe(std::string& s, unsigned value, int bytes) {
  for (int i = 0; i < bytes; ++i) s.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A PNG of the given RGBA pixels (row-major, 0xAARRGGBB each).
inline std::string MakePng(int width, int height, const std::vector<uint32_t>& argb) {
  std::vector<unsigned char> rgba(static_cast<size_t>(width) * height * 4);
  for (size_t i = 0; i < argb.size(); ++i) {
    rgba[i * 4 + 0] = (argb[i] >> 16) & 0xFF;
    rgba[i * 4 + 1] = (argb[i] >> 8) & 0xFF;
    rgba[i * 4 + 2] = argb[i] & 0xFF;
    rgba[i * 4 + 3] = (argb[i] >> 24) & 0xFF;
  }
  std::string out;
  stbi_write_png_to_func(
      [](void* context, void* data, int size) {
        static_cast<std::string*>(context)->append(static_cast<const char*>(data), static_cast<size_t>(size));
      },
      &out, width, height, 4, rgba.data(), width * 4);
  return out;
}

inline LRESULT CALLBACK PlainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// A plain off-screen top-level window of 100 x 100.
inline HWND MakeWindow() {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = PlainProc;
  wc.lpszClassName = L"UiBasePlainWindow";
  RegisterClassExW(&wc);
  return CreateWindowExW(0, L"UiBasePlainWindow", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
}

// A memory DC with a top-down 32-bit section; pixels read as 0xAARRGGBB premultiplied.
class Canvas {
 public:
  Canvas(int width, int height, uint32_t fill = 0xFF000000) : m_width(width), m_height(height) {
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    m_dc = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    m_bitmap = CreateDIBSection(m_dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    m_bits = static_cast<uint32_t*>(bits);
    m_old = SelectObject(m_dc, m_bitmap);
    for (int i = 0; i < width * height; ++i) m_bits[i] = fill;
  }
  ~Canvas() {
    SelectObject(m_dc, m_old);
    DeleteObject(m_bitmap);
    DeleteDC(m_dc);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  HDC dc() const { return m_dc; }
  HBITMAP bitmap() const { return m_bitmap; }
  uint32_t At(int x, int y) const { return m_bits[y * m_width + x]; }
  RECT Rect() const { return RECT{0, 0, m_width, m_height}; }
  int Width() const { return m_width; }
  int Height() const { return m_height; }

 private:
  int m_width, m_height;
  HDC m_dc;
  HBITMAP m_bitmap;
  HGDIOBJ m_old;
  uint32_t* m_bits;
};

}  // namespace uitest
