// The render engine's plain text and the text of transparent-background windows.
#include <windows.h>

#include "ui/render/HtmlTextRenderer.h"
#include "ui/render/SkinRenderer.h"
#include "ui/render/IRenderResources.h"

namespace SkinUI {

namespace {
COLORREF ToColorRef(DWORD argb) { return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF); }
}  // namespace

void CSkinRenderer::DrawText(HDC hdc, IRenderResources* manager, RECT& rc, LPCWSTR text, DWORD color, int font,
                             UINT style) {
  if (!hdc || !manager || !text) return;
  SetBkMode(hdc, TRANSPARENT);
  SetTextColor(hdc, ToColorRef(color));
  HFONT hFont = manager->GetFont(font);
  HGDIOBJ old = SelectObject(hdc, hFont);
  if (manager->IsLayeredBackground() && !(style & DT_CALCRECT)) {
    DrawAlphaText(hdc, text, hFont, color, style | DT_NOPREFIX, rc);
  } else {
    ::DrawTextW(hdc, text, -1, &rc, style | DT_NOPREFIX);
  }
  SelectObject(hdc, old);
}

HBITMAP CSkinRenderer::GenerateTextBitmap(LPCWSTR text, HFONT font, DWORD color, SIZE* size) {
  if (!text || !text[0]) return nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) return nullptr;
  HGDIOBJ oldFont = SelectObject(dc, font);
  RECT measure = {0, 0, 0, 0};
  ::DrawTextW(dc, text, -1, &measure, DT_CALCRECT | DT_NOPREFIX);
  int w = measure.right - measure.left, h = measure.bottom - measure.top;
  HBITMAP bitmap = nullptr;
  if (w > 0 && h > 0) {
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = w;
    bmi.bmiHeader.biHeight = -h;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap = CreateDIBSection(dc, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits) {
      HGDIOBJ oldBmp = SelectObject(dc, bitmap);
      RECT all = {0, 0, w, h};
      SetBkColor(dc, RGB(0, 0, 0));
      ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &all, nullptr, 0, nullptr);
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, RGB(255, 255, 255));
      ::DrawTextW(dc, text, -1, &all, DT_NOPREFIX | DT_NOCLIP);
      SelectObject(dc, oldBmp);
      BYTE* p = static_cast<BYTE*>(bits);
      DWORD r = (color >> 16) & 0xFF, g = (color >> 8) & 0xFF, b = color & 0xFF;
      for (int i = 0; i < w * h; ++i, p += 4) {
        DWORD c = p[0];
        p[0] = static_cast<BYTE>(b * c >> 8);
        p[1] = static_cast<BYTE>(g * c >> 8);
        p[2] = static_cast<BYTE>(r * c >> 8);
        p[3] = static_cast<BYTE>(c);
      }
      if (size) *size = {w, h};
    } else if (bitmap) {
      DeleteObject(bitmap);
      bitmap = nullptr;
    }
  }
  SelectObject(dc, oldFont);
  DeleteDC(dc);
  return bitmap;
}

void CSkinRenderer::DrawAlphaText(HDC hdc, LPCWSTR text, HFONT font, DWORD color, UINT style, const RECT& rc) {
  SIZE size = {0, 0};
  HBITMAP bitmap = GenerateTextBitmap(text, font, color, &size);
  if (!bitmap) return;
  int x = rc.left, y = rc.top;
  if (style & DT_CENTER) {
    x = rc.left + (rc.right - size.cx - rc.left) / 2;
  } else if (style & DT_RIGHT) {
    x = rc.right - size.cx;
  }
  if (style & DT_VCENTER) {
    y = rc.top + (rc.bottom - size.cy - rc.top) / 2;
  } else if (style & DT_BOTTOM) {
    y = rc.bottom - size.cy;
  }
  HDC mem = CreateCompatibleDC(hdc);
  if (mem) {
    HGDIOBJ old = SelectObject(mem, bitmap);
    BLENDFUNCTION bf = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(hdc, x, y, size.cx, size.cy, mem, 0, 0, size.cx, size.cy, bf);
    SelectObject(mem, old);
    DeleteDC(mem);
  }
  DeleteObject(bitmap);
}

void CSkinRenderer::DrawHtmlText(HDC hdc, IRenderResources* manager, RECT& rc, LPCWSTR text, DWORD color,
                                 RECT* links, CUIString* linkTexts, int& linkCount, UINT style) {
  if (!hdc || !manager || !text || rc.right <= rc.left || rc.bottom <= rc.top) {
    linkCount = 0;  // nothing drawn, no link found
    return;
  }
  CHtmlTextRenderer renderer(hdc, manager, color, links, linkTexts, linkCount, style);
  renderer.Render(rc, text);
  linkCount = renderer.GetLinkCount();
}

}  // namespace SkinUI
