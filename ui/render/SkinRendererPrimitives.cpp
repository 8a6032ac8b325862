// The render engine's colours, gradients, lines, outlines and clips.
#include <windows.h>

#include "ui/render/SkinRenderer.h"

namespace SkinUI {

namespace {
COLORREF ToColorRef(DWORD argb) {
  return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}
int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }
}  // namespace

DWORD CSkinRenderer::AdjustColor(DWORD color, short, short, short) {
  // Hue, saturation and lightness are fixed at the neutral 180, 100, 100.
  return color;
}

void CSkinRenderer::DrawColor(HDC hdc, const RECT& rc, DWORD color) {
  if (!hdc || color <= 0x00FFFFFF) return;
  if (color >= 0xFF000000) {
    SetBkColor(hdc, ToColorRef(color));
    ExtTextOutW(hdc, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
    return;
  }
  BITMAPINFO bmi = {};
  bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bmi.bmiHeader.biWidth = 1;
  bmi.bmiHeader.biHeight = 1;
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  bmi.bmiHeader.biCompression = BI_RGB;
  bmi.bmiHeader.biSizeImage = 4;
  void* bits = nullptr;
  HBITMAP pixel = CreateDIBSection(hdc, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!pixel || !bits) {
    if (pixel) DeleteObject(pixel);
    return;
  }
  *static_cast<DWORD*>(bits) = color | 0xFF000000;
  RECT source = {0, 0, 1, 1};
  RECT corner = {0, 0, 0, 0};
  DrawImage(hdc, pixel, rc, rc, source, corner, true, static_cast<BYTE>(color >> 24));
  DeleteObject(pixel);
}

void CSkinRenderer::DrawGradient(HDC hdc, const RECT& rc, DWORD first, DWORD second, bool vertical, int steps) {
  if (!hdc) return;
  int alpha = (static_cast<int>(first >> 24) + static_cast<int>(second >> 24)) >> 1;
  if (alpha == 0) return;
  int w = Width(rc), h = Height(rc);
  if (w <= 0 || h <= 0) return;
  HDC target = hdc;
  RECT area = rc;
  HDC offscreen = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
  if (alpha < 255) {
    offscreen = CreateCompatibleDC(hdc);
    bitmap = CreateCompatibleBitmap(hdc, w, h);
    if (!offscreen || !bitmap) {
      if (bitmap) DeleteObject(bitmap);
      if (offscreen) DeleteDC(offscreen);
      return;
    }
    old = SelectObject(offscreen, bitmap);
    target = offscreen;
    area = {0, 0, w, h};
  }
  TRIVERTEX v[2] = {};
  v[0].x = area.left;
  v[0].y = area.top;
  v[0].Red = static_cast<COLOR16>(((first >> 16) & 0xFF) << 8);
  v[0].Green = static_cast<COLOR16>(((first >> 8) & 0xFF) << 8);
  v[0].Blue = static_cast<COLOR16>((first & 0xFF) << 8);
  v[0].Alpha = 0xFF00;
  v[1].x = area.right;
  v[1].y = area.bottom;
  v[1].Red = static_cast<COLOR16>(((second >> 16) & 0xFF) << 8);
  v[1].Green = static_cast<COLOR16>(((second >> 8) & 0xFF) << 8);
  v[1].Blue = static_cast<COLOR16>((second & 0xFF) << 8);
  v[1].Alpha = 0xFF00;
  GRADIENT_RECT mesh = {0, 1};
  if (!GradientFill(target, v, 2, &mesh, 1, vertical ? GRADIENT_FILL_RECT_V : GRADIENT_FILL_RECT_H)) {
    DrawGradientStripes(target, area, first, second, vertical, steps);
  }
  if (offscreen) {
    BLENDFUNCTION bf = {AC_SRC_OVER, 0, static_cast<BYTE>(alpha), AC_SRC_ALPHA};
    AlphaBlend(hdc, rc.left, rc.top, w, h, offscreen, 0, 0, w, h, bf);
    SelectObject(offscreen, old);
    DeleteObject(bitmap);
    DeleteDC(offscreen);
  }
}

// Without the system's gradient fill: 8 or 16 solid stripes, from the bottom (or the right) up.
void CSkinRenderer::DrawGradientStripes(HDC target, const RECT& area, DWORD first, DWORD second, bool vertical,
                                        int steps) {
  int shift = steps > 15 ? 4 : 3;
  int stripes = 1 << shift;
  int extent = vertical ? Height(area) : Width(area);
  for (int i = 0; i < stripes; ++i) {
    int a = static_cast<int>((static_cast<long long>(i + 1) * extent) >> shift);
    int b = static_cast<int>((static_cast<long long>(i) * extent) >> shift);
    if (a == b) continue;
    BYTE r = static_cast<BYTE>((((second >> 16) & 0xFF) * (stripes - i) + ((first >> 16) & 0xFF) * i) >> shift);
    BYTE g = static_cast<BYTE>((((second >> 8) & 0xFF) * (stripes - i) + ((first >> 8) & 0xFF) * i) >> shift);
    BYTE bl = static_cast<BYTE>(((second & 0xFF) * (stripes - i) + (first & 0xFF) * i) >> shift);
    RECT stripe = area;
    if (vertical) {
      stripe.top = area.bottom - a;
      stripe.bottom = area.bottom - b;
    } else {
      stripe.left = area.right - a;
      stripe.right = area.right - b;
    }
    HBRUSH brush = CreateSolidBrush(RGB(r, g, bl));
    if (brush) {
      FillRect(target, &stripe, brush);
      DeleteObject(brush);
    }
  }
}

void CSkinRenderer::DrawLine(HDC hdc, const RECT& rc, int size, DWORD color, int style) {
  if (!hdc) return;
  HPEN pen = CreatePen(style, size, ToColorRef(color));
  if (!pen) return;
  HGDIOBJ old = SelectObject(hdc, pen);
  POINT last;
  MoveToEx(hdc, rc.left, rc.top, &last);
  LineTo(hdc, rc.right, rc.bottom);
  SelectObject(hdc, old);
  DeleteObject(pen);
}

void CSkinRenderer::DrawRect(HDC hdc, const RECT& rc, int size, DWORD color) {
  if (!hdc) return;
  HPEN pen = CreatePen(PS_SOLID | PS_INSIDEFRAME, size, ToColorRef(color));
  if (!pen) return;
  HGDIOBJ oldPen = SelectObject(hdc, pen);
  HGDIOBJ oldBrush = SelectObject(hdc, GetStockObject(HOLLOW_BRUSH));
  Rectangle(hdc, rc.left, rc.top, rc.right, rc.bottom);
  SelectObject(hdc, oldBrush);
  SelectObject(hdc, oldPen);
  DeleteObject(pen);
}

void CSkinRenderer::DrawRoundRect(HDC hdc, const RECT& rc, int size, int width, int height, DWORD color) {
  if (!hdc) return;
  HPEN pen = CreatePen(PS_SOLID | PS_INSIDEFRAME, size, ToColorRef(color));
  if (!pen) return;
  HGDIOBJ oldPen = SelectObject(hdc, pen);
  HGDIOBJ oldBrush = SelectObject(hdc, GetStockObject(HOLLOW_BRUSH));
  RoundRect(hdc, rc.left, rc.top, rc.right, rc.bottom, width, height);
  SelectObject(hdc, oldBrush);
  SelectObject(hdc, oldPen);
  DeleteObject(pen);
}

void CSkinRenderer::GenerateClip(HDC hdc, RECT rc, CSkinClip& clip) { CSkinClip::ClipToRect(hdc, rc, clip); }

void CSkinRenderer::GenerateRoundClip(HDC hdc, RECT rc, RECT rcItem, int width, int height, CSkinClip& clip) {
  CSkinClip::ClipToRoundRect(hdc, rc, rcItem, width, height, clip);
}

}  // namespace SkinUI
