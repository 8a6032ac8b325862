// The render engine's image side: loading, image strings and the image drawers.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <stb/stb_image.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ui/core/UIExtent.h"
#include "ui/render/ImageStringParser.h"
#include "ui/render/SkinResourceLocation.h"
#include "ui/render/SkinRenderer.h"
#include "ui/archive/ZipReader.h"
#include "ui/render/IRenderResources.h"

namespace SkinUI {

namespace {

bool ReadWholeFile(LPCWSTR path, std::vector<BYTE>& bytes) {
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD high = 0;
  DWORD size = GetFileSize(file, &high);
  bool ok = false;
  if (high == 0 && size != INVALID_FILE_SIZE && size > 0 && size <= CSkinRenderer::kMaxImageFileSize) {
    bytes.resize(size);
    DWORD read = 0;
    ok = ReadFile(file, bytes.data(), size, &read, nullptr) && read == size;  // a short read fails
  }
  CloseHandle(file);
  if (!ok) bytes.clear();
  return ok;
}

bool ReadResource(LPCWSTR name, LPCWSTR type, std::vector<BYTE>& bytes) {
  if (!name || name[0] < L'0' || name[0] > L'9') return false;
  HINSTANCE module = CSkinResourceLocation::GetResourceInstance();
  WORD id = static_cast<WORD>(_wtoi(name));
  HRSRC res = FindResourceW(module, MAKEINTRESOURCEW(id), type);
  if (!res) return false;
  HGLOBAL global = LoadResource(module, res);
  if (!global) return false;
  DWORD size = SizeofResource(module, res);
  const void* data = LockResource(global);
  bool ok = data && size > 0;
  if (ok) bytes.assign(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + size);
  FreeResource(global);
  return ok;
}

bool ReadArchiveEntry(LPCWSTR name, std::vector<BYTE>& bytes) {
  ZipHandle* archive = static_cast<ZipHandle*>(CSkinResourceLocation::GetResourceZipHandle());
  if (!archive) return false;
  int index = -1;
  ZipEntryInfo entry = {};
  if (FindZipItem(archive, name, &index, &entry) != ZR_OK || entry.unc_size == 0) return false;
  if (entry.unc_size > CSkinRenderer::kMaxImageFileSize) return false;
  bytes.assign(entry.unc_size, 0);
  if (!ReadZipEntry(archive, index, bytes.data(), entry.unc_size)) {
    bytes.clear();
    return false;
  }
  return true;
}

HBITMAP CreateSection(int width, int height, BYTE** bits) {
  BITMAPINFO bmi = {};
  bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bmi.bmiHeader.biWidth = width;
  bmi.bmiHeader.biHeight = -height;
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  bmi.bmiHeader.biCompression = BI_RGB;
  bmi.bmiHeader.biSizeImage = static_cast<DWORD>(width) * static_cast<DWORD>(height) * 4;
  void* memory = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &memory, nullptr, 0);
  if (bits) *bits = static_cast<BYTE*>(memory);
  if (bitmap && !memory) {
    DeleteObject(bitmap);
    return nullptr;
  }
  return bitmap;
}

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }
bool Meets(const RECT& a, const RECT& b) {
  RECT t;
  return IntersectRect(&t, &a, &b) != FALSE;
}

// Draws one piece; the source is clamped to the bitmap on every side and empty pieces are
// skipped, so no blit reads outside the image.
struct PieceDrawer {
  HDC dest;
  HDC src;
  int imageWidth;
  int imageHeight;
  const RECT& paint;
  bool blend;
  BYTE fade;

  void Draw(RECT d, RECT s) const {
    if (d.right <= d.left || d.bottom <= d.top) return;
    if (!Meets(d, paint)) return;
    if (s.left < 0) s.left = 0;
    if (s.top < 0) s.top = 0;
    if (s.right > imageWidth) s.right = imageWidth;
    if (s.bottom > imageHeight) s.bottom = imageHeight;
    if (s.right <= s.left || s.bottom <= s.top) return;
    if (blend) {
      BLENDFUNCTION bf = {AC_SRC_OVER, 0, fade, AC_SRC_ALPHA};
      AlphaBlend(dest, d.left, d.top, Width(d), Height(d), src, s.left, s.top, Width(s), Height(s), bf);
    } else if (Width(d) == Width(s) && Height(d) == Height(s)) {
      BitBlt(dest, d.left, d.top, Width(d), Height(d), src, s.left, s.top, SRCCOPY);
    } else {
      StretchBlt(dest, d.left, d.top, Width(d), Height(d), src, s.left, s.top, Width(s), Height(s), SRCCOPY);
    }
  }
};

int BitmapSize(HBITMAP bitmap, int* height) {
  BITMAP bm = {};
  GetObjectW(bitmap, sizeof(bm), &bm);
  *height = bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight;
  return bm.bmWidth;
}

struct DrawContext {
  HDC hdc;
  IRenderResources* manager;
  const RECT* rcItem;
  const RECT* rcPaint;
};

void DrawSet(const UIImageDrawSet& set, void* context) {
  DrawContext* c = static_cast<DrawContext*>(context);
  CSkinRenderer::DrawImageByName(c->hdc, c->manager, *c->rcItem, *c->rcPaint, set.name,
                                 set.type.IsEmpty() ? nullptr : set.type.GetData(), set.dest, set.source,
                                 set.corner, set.center, set.roundCorner, set.mask, set.fade, set.hole, set.xtiled,
                                 set.ytiled, set.stretch, set.centerImage, set.alignTop, set.alignLeft);
}

// Without stretching, the destination keeps the source's proportions: shrunk to fit and
// centred, or (center) the source's own size, centred, when it fits.
void FitDest(RECT& rcDest, const RECT& rcSource, bool center) {
  if (Width(rcDest) <= 0 || Height(rcDest) <= 0 || Width(rcSource) <= 0 || Height(rcSource) <= 0) return;
  long long sw = Width(rcSource), sh = Height(rcSource), dw = Width(rcDest), dh = Height(rcDest);
  if (!center) {
    if (sh * dw > sw * dh) {
      int w = static_cast<int>(sw * dh / sh);
      rcDest.left = rcDest.left + (rcDest.right - w - rcDest.left) / 2;
      rcDest.right = rcDest.left + w;
    } else if (sh * dw < sw * dh) {
      int h = static_cast<int>(sh * dw / sw);
      rcDest.top = rcDest.top + (rcDest.bottom - h - rcDest.top) / 2;
      rcDest.bottom = rcDest.top + h;
    }
  } else if (sw <= dw && sh <= dh) {
    rcDest.left = rcDest.left + (rcDest.right - static_cast<int>(sw) - rcDest.left) / 2;
    rcDest.right = rcDest.left + static_cast<int>(sw);
    rcDest.top = rcDest.top + (rcDest.bottom - static_cast<int>(sh) - rcDest.top) / 2;
    rcDest.bottom = rcDest.top + static_cast<int>(sh);
  }
}

// Fills the rounded rectangle of w x h in `hdc` with the picture `bitmap`.
void FillRounded(HDC hdc, HBITMAP bitmap, int w, int h, SIZE roundCorner) {
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartupInput input;
  Gdiplus::GdiplusStartup(&token, &input, nullptr);
  {
    Gdiplus::Graphics graphics(hdc);
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHighQuality);
    int rx = roundCorner.cx, ry = roundCorner.cy;
    Gdiplus::GraphicsPath path;
    path.AddArc(0, 0, rx * 2, ry * 2, 180.0f, 90.0f);
    path.AddLine(rx, 0, w - rx, 0);
    path.AddArc(w - rx * 2, 0, rx * 2, ry * 2, 270.0f, 90.0f);
    path.AddLine(w, ry, w, h - ry);
    path.AddArc(w - rx * 2, h - ry * 2, rx * 2, ry * 2, 0.0f, 90.0f);
    path.AddLine(w - rx, h, rx, h);
    path.AddArc(0, h - ry * 2, rx * 2, ry * 2, 90.0f, 90.0f);
    path.AddLine(0, h - ry, 0, ry);
    path.CloseFigure();
    Gdiplus::Bitmap* picture = Gdiplus::Bitmap::FromHBITMAP(bitmap, nullptr);
    if (picture) {
      Gdiplus::TextureBrush brush(picture, Gdiplus::WrapModeTile);
      graphics.FillPath(&brush, &path);
      delete picture;
    }
  }
  Gdiplus::GdiplusShutdown(token);
}

// The tiles [first, last) of size `tile` laid from `start` up to `end` that meet [paintStart,
// paintEnd).
void TileSpan(int start, int end, int tile, int paintStart, int paintEnd, int& first, int& last) {
  long long count = (static_cast<long long>(end) - start + tile - 1) / tile;
  long long lo = paintStart > start ? (static_cast<long long>(paintStart) - start) / tile : 0;
  long long hi = paintEnd > start ? (static_cast<long long>(paintEnd) - start + tile - 1) / tile : 0;
  first = static_cast<int>(std::min(lo, count));
  last = static_cast<int>(std::min(hi, count));
}

// The middle of a nine-grid image, stretched or tiled.
void DrawMiddle(const PieceDrawer& piece, const RECT& D, const RECT& S, const RECT& C, bool xtiled, bool ytiled) {
  RECT mid = {D.left + C.left, D.top + C.top, D.right - C.right, D.bottom - C.bottom};
  RECT smid = {S.left + C.left, S.top + C.top, S.right - C.right, S.bottom - C.bottom};
  int tileW = Width(smid), tileH = Height(smid);
  if (!xtiled && !ytiled) {
    piece.Draw(mid, smid);
  } else if (tileW > 0 && tileH > 0 && Width(mid) > 0 && Height(mid) > 0) {
    // Only the tiles that meet the paint rectangle: a small tile over a large control would
    // otherwise take billions of steps.
    int firstCol = 0, lastCol = 1, firstRow = 0, lastRow = 1;
    if (xtiled) TileSpan(mid.left, mid.right, tileW, piece.paint.left, piece.paint.right, firstCol, lastCol);
    if (ytiled) TileSpan(mid.top, mid.bottom, tileH, piece.paint.top, piece.paint.bottom, firstRow, lastRow);
    for (int row = firstRow; row < lastRow; ++row) {
      RECT d = mid, s = smid;
      if (ytiled) {
        d.top = mid.top + row * tileH;
        d.bottom = d.top + tileH;
        if (d.bottom > mid.bottom) {
          s.bottom -= d.bottom - mid.bottom;
          d.bottom = mid.bottom;
        }
      }
      for (int col = firstCol; col < lastCol; ++col) {
        RECT dd = d, ss = s;
        if (xtiled) {
          dd.left = mid.left + col * tileW;
          dd.right = dd.left + tileW;
          if (dd.right > mid.right) {
            ss.right -= dd.right - mid.right;
            dd.right = mid.right;
          }
        }
        piece.Draw(dd, ss);
      }
    }
  }
}

// The corners and edges of a nine-grid image.
void DrawFrame(const PieceDrawer& piece, const RECT& D, const RECT& S, const RECT& C) {
  if (C.left > 0 && C.top > 0) {
    piece.Draw({D.left, D.top, D.left + C.left, D.top + C.top}, {S.left, S.top, S.left + C.left, S.top + C.top});
  }
  if (C.top > 0) {
    piece.Draw({D.left + C.left, D.top, D.right - C.right, D.top + C.top},
               {S.left + C.left, S.top, S.right - C.right, S.top + C.top});
  }
  if (C.right > 0 && C.top > 0) {
    piece.Draw({D.right - C.right, D.top, D.right, D.top + C.top},
               {S.right - C.right, S.top, S.right, S.top + C.top});
  }
  if (C.left > 0) {
    piece.Draw({D.left, D.top + C.top, D.left + C.left, D.bottom - C.bottom},
               {S.left, S.top + C.top, S.left + C.left, S.bottom - C.bottom});
  }
  if (C.right > 0) {
    piece.Draw({D.right - C.right, D.top + C.top, D.right, D.bottom - C.bottom},
               {S.right - C.right, S.top + C.top, S.right, S.bottom - C.bottom});
  }
  if (C.left > 0 && C.bottom > 0) {
    piece.Draw({D.left, D.bottom - C.bottom, D.left + C.left, D.bottom},
               {S.left, S.bottom - C.bottom, S.left + C.left, S.bottom});
  }
  if (C.bottom > 0) {
    piece.Draw({D.left + C.left, D.bottom - C.bottom, D.right - C.right, D.bottom},
               {S.left + C.left, S.bottom - C.bottom, S.right - C.right, S.bottom});
  }
  if (C.right > 0 && C.bottom > 0) {
    piece.Draw({D.right - C.right, D.bottom - C.bottom, D.right, D.bottom},
               {S.right - C.right, S.bottom - C.bottom, S.right, S.bottom});
  }
}

}  // namespace

UIImageInfo* CSkinRenderer::LoadImage(LPCWSTR name, LPCWSTR type, DWORD mask) {
  if (!name || !name[0]) return nullptr;
  std::vector<BYTE> bytes;
  bool found = false;
  if (type) {
    found = ReadResource(name, type, bytes);
  } else if (CSkinResourceLocation::GetResourceZip().IsEmpty()) {
    CUIString path = CSkinResourceLocation::GetResourcePath();
    path += name;
    found = ReadWholeFile(path, bytes);
  } else {
    found = ReadArchiveEntry(name, bytes);
  }
  if (!found) found = ReadWholeFile(name, bytes);
  if (!found) return nullptr;
  return LoadImageFromMemory(bytes.data(), static_cast<DWORD>(bytes.size()), mask);
}

UIImageInfo* CSkinRenderer::LoadImageFromMemory(const BYTE* bytes, DWORD size, DWORD mask) {
  if (!bytes || size == 0 || size > 0x7FFFFFFF) return nullptr;
  int width = 0, height = 0, channels = 0;
  stbi_uc* pixels = stbi_load_from_memory(bytes, static_cast<int>(size), &width, &height, &channels, 4);
  if (!pixels) return nullptr;
  if (width <= 0 || height <= 0 || static_cast<long long>(width) * height > 0x10000000LL) {
    stbi_image_free(pixels);
    return nullptr;
  }
  BYTE* bits = nullptr;
  HBITMAP bitmap = CreateSection(width, height, &bits);
  if (!bitmap) {
    stbi_image_free(pixels);
    return nullptr;
  }
  bool alpha = false;
  size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  for (size_t i = 0; i < count; ++i) {
    const stbi_uc* s = pixels + i * 4;
    BYTE* d = bits + i * 4;
    BYTE a = s[3];
    d[3] = a;
    if (a == 255) {
      d[0] = s[2];
      d[1] = s[1];
      d[2] = s[0];
    } else {
      d[0] = static_cast<BYTE>(s[2] * a / 255);
      d[1] = static_cast<BYTE>(s[1] * a / 255);
      d[2] = static_cast<BYTE>(s[0] * a / 255);
      alpha = true;
    }
    DWORD value = (static_cast<DWORD>(d[3]) << 24) | (static_cast<DWORD>(d[2]) << 16) |
                  (static_cast<DWORD>(d[1]) << 8) | d[0];
    if (value == mask) {
      d[0] = d[1] = d[2] = d[3] = 0;
      alpha = true;
    }
  }
  stbi_image_free(pixels);
  UIImageInfo* info = new UIImageInfo();
  info->hBitmap = bitmap;
  info->nX = width;
  info->nY = height;
  info->alphaChannel = alpha;
  return info;
}

void CSkinRenderer::FreeImage(UIImageInfo* info) {
  if (!info) return;
  if (info->hBitmap) DeleteObject(info->hBitmap);
  delete info;
}

bool CSkinRenderer::DrawImageString(HDC hdc, IRenderResources* manager, const RECT& rcItem, const RECT& rcPaint,
                                    LPCWSTR image, LPCWSTR modify) {
  if (!hdc || !manager) return false;
  // Within the coordinate range, as a control's rectangle is: sizes and offsets from the
  // image string are then added to them without overflowing.
  const RECT item = CUIExtent::Coordinate(rcItem);
  const RECT paint = CUIExtent::Coordinate(rcPaint);
  DrawContext context = {hdc, manager, &item, &paint};
  CImageStringParser::Parse(item, image, modify, DrawSet, &context);
  return true;
}

bool CSkinRenderer::DrawImageByName(HDC hdc, IRenderResources* manager, const RECT& rcItem, const RECT& rcPaint,
                                    LPCWSTR name, LPCWSTR type, RECT rcDest, RECT rcSource, RECT rcCorner,
                                    RECT rcCenter, SIZE roundCorner, DWORD mask, BYTE fade, bool hole, bool xtiled,
                                    bool ytiled, bool stretch, bool center, bool alignTop, bool alignLeft) {
  if (!name || !name[0] || !manager) return false;
  const UIImageInfo* image = manager->GetImageEx(name, type, mask);
  if (!image) return false;
  if (rcSource.left == 0 && rcSource.top == 0 && rcSource.right == 0 && rcSource.bottom == 0) {
    rcSource.right = image->nX;
    rcSource.bottom = image->nY;
  }
  // Source and corners from the skin are brought inside the image on every side, so the
  // nine-grid pieces computed from them stay small.
  auto clamp = [](LONG v, LONG lo, LONG hi) { return v < lo ? lo : v > hi ? hi : v; };
  rcSource.left = clamp(rcSource.left, 0, image->nX);
  rcSource.top = clamp(rcSource.top, 0, image->nY);
  rcSource.right = clamp(rcSource.right, rcSource.left, image->nX);
  rcSource.bottom = clamp(rcSource.bottom, rcSource.top, image->nY);
  rcCorner.left = clamp(rcCorner.left, 0, Width(rcSource));
  rcCorner.right = clamp(rcCorner.right, 0, Width(rcSource));
  rcCorner.top = clamp(rcCorner.top, 0, Height(rcSource));
  rcCorner.bottom = clamp(rcCorner.bottom, 0, Height(rcSource));
  if (!Meets(rcDest, rcItem) || !Meets(rcDest, rcPaint)) return true;

  if (!stretch) FitDest(rcDest, rcSource, center);

  bool centered = !(rcCenter.left == 0 && rcCenter.top == 0 && rcCenter.right == 0 && rcCenter.bottom == 0);
  // The rounding draws through two copies of the destination: one far larger than any
  // screen is drawn square rather than allocated.
  bool huge = static_cast<long long>(Width(rcDest)) * Height(rcDest) > 0x1000000LL;
  if ((roundCorner.cx == 0 && roundCorner.cy == 0) || huge) {
    if (!centered) {
      DrawImage(hdc, image->hBitmap, rcDest, rcPaint, rcSource, rcCorner, image->alphaChannel, fade, hole, xtiled,
                ytiled);
    } else {
      DrawImageCenter(hdc, image->hBitmap, rcDest, rcPaint, rcSource, rcCenter, alignTop, alignLeft, fade);
    }
    return true;
  }

  // Rounded corners: draw into a copy of the background, then fill the rounded shape with
  // that picture; pixels outside the shape keep the background.
  int w = Width(rcDest), h = Height(rcDest);
  if (w <= 0 || h <= 0) return true;
  HDC first = CreateCompatibleDC(hdc);
  HDC second = CreateCompatibleDC(hdc);
  HBITMAP firstBmp = CreateSection(w, h, nullptr);
  HBITMAP secondBmp = CreateSection(w, h, nullptr);
  if (first && second && firstBmp && secondBmp) {
    HGDIOBJ oldFirst = SelectObject(first, firstBmp);
    HGDIOBJ oldSecond = SelectObject(second, secondBmp);
    BitBlt(first, 0, 0, w, h, hdc, rcDest.left, rcDest.top, SRCCOPY);
    BitBlt(second, 0, 0, w, h, hdc, rcDest.left, rcDest.top, SRCCOPY);
    RECT local = {0, 0, w, h};
    // The copy only changes where the paint rectangle is; the rest is the background again.
    RECT paint = {rcPaint.left - rcDest.left, rcPaint.top - rcDest.top, rcPaint.right - rcDest.left,
                  rcPaint.bottom - rcDest.top};
    if (!centered) {
      DrawImage(first, image->hBitmap, local, paint, rcSource, rcCorner, image->alphaChannel, fade, hole, xtiled,
                ytiled);
    } else {
      DrawImageCenter(first, image->hBitmap, local, paint, rcSource, rcCenter, alignTop, alignLeft, fade);
    }
    SelectObject(first, oldFirst);
    FillRounded(second, firstBmp, w, h, roundCorner);
    BitBlt(hdc, rcDest.left, rcDest.top, w, h, second, 0, 0, SRCCOPY);
    SelectObject(second, oldSecond);
  }
  if (firstBmp) DeleteObject(firstBmp);
  if (secondBmp) DeleteObject(secondBmp);
  if (first) DeleteDC(first);
  if (second) DeleteDC(second);
  return true;
}

void CSkinRenderer::DrawImage(HDC hdc, HBITMAP bitmap, const RECT& rcDest, const RECT& rcPaint,
                              const RECT& rcSource, const RECT& rcCorner, bool alpha, BYTE fade, bool hole,
                              bool xtiled, bool ytiled) {
  if (!hdc || !bitmap) return;
  int imageHeight = 0;
  int imageWidth = BitmapSize(bitmap, &imageHeight);
  HDC src = CreateCompatibleDC(hdc);
  if (!src) return;
  HGDIOBJ old = SelectObject(src, bitmap);
  SetStretchBltMode(hdc, HALFTONE);
  const RECT& D = rcDest;
  const RECT& S = rcSource;
  const RECT& C = rcCorner;
  bool blend = alpha || fade < 255;
  // Only what can show: the paint rectangle within the device's clip box, which also bounds
  // the tiles visited.
  RECT visible = rcPaint, box;
  if (GetClipBox(hdc, &box) != ERROR) IntersectRect(&visible, &rcPaint, &box);
  PieceDrawer piece = {hdc, src, imageWidth, imageHeight, visible, blend, fade};

  if (!blend && Width(D) == Width(S) && Height(D) == Height(S) && C.left == 0 && C.top == 0 && C.right == 0 &&
      C.bottom == 0) {
    RECT part;
    if (IntersectRect(&part, &D, &visible)) {
      RECT s = {S.left + (part.left - D.left), S.top + (part.top - D.top), 0, 0};
      s.right = s.left + Width(part);
      s.bottom = s.top + Height(part);
      piece.Draw(part, s);
    }
  } else {
    if (!hole) DrawMiddle(piece, D, S, C, xtiled, ytiled);
    DrawFrame(piece, D, S, C);
  }
  SelectObject(src, old);
  DeleteDC(src);
}

void CSkinRenderer::DrawImageCenter(HDC hdc, HBITMAP bitmap, const RECT& rcDest, const RECT& rcPaint,
                                    const RECT& rcSource, const RECT& rcCenter, bool alignTop, bool alignLeft,
                                    BYTE fade) {
  const RECT& S = rcSource;
  const RECT& K = rcCenter;
  const RECT& D = rcDest;
  int mL = K.left - S.left, mT = K.top - S.top, mR = S.right - K.right, mB = S.bottom - K.bottom;
  if (mL < 0 || mT < 0 || mR < 0 || mB < 0 || (mL == 0 && mR == 0) || (mT == 0 && mB == 0)) return;
  if (!hdc || !bitmap) return;
  int imageHeight = 0;
  int imageWidth = BitmapSize(bitmap, &imageHeight);
  HDC src = CreateCompatibleDC(hdc);
  if (!src) return;
  HGDIOBJ old = SelectObject(src, bitmap);
  PieceDrawer piece = {hdc, src, imageWidth, imageHeight, rcPaint, true, fade};

  // The centre's destination and source on each axis.
  RECT cd, cs = K;
  bool fitsX = Width(K) < Width(D);
  bool fitsY = Height(K) < Height(D);
  if (fitsX) {
    cd.left = D.left + static_cast<int>(static_cast<double>(Width(D) - Width(K)) * mL / (mL + mR));
    cd.right = cd.left + Width(K);
  } else {
    cd.left = D.left;
    cd.right = D.right;
    cs.left = alignLeft ? K.left : K.left + (Width(K) - Width(D)) / 2;
    cs.right = cs.left + Width(D);
  }
  if (fitsY) {
    cd.top = D.top + static_cast<int>(static_cast<double>(Height(D) - Height(K)) * mT / (mT + mB));
    cd.bottom = cd.top + Height(K);
  } else {
    cd.top = D.top;
    cd.bottom = D.bottom;
    cs.top = alignTop ? K.top : K.top + (Height(K) - Height(D)) / 2;
    cs.bottom = cs.top + Height(D);
  }
  // A margin piece reaches outward from the centre's source edge as far as its destination
  // margin, but never beyond the source.
  auto lo = [](int centreEdge, int destMargin, int sourceEdge) {
    int v = centreEdge - destMargin;
    return v < sourceEdge ? sourceEdge : v;
  };
  auto hi = [](int centreEdge, int destMargin, int sourceEdge) {
    int v = centreEdge + destMargin;
    return v > sourceEdge ? sourceEdge : v;
  };
  int sl = lo(cs.left, cd.left - D.left, S.left), sr = hi(cs.right, D.right - cd.right, S.right);
  int st = lo(cs.top, cd.top - D.top, S.top), sb = hi(cs.bottom, D.bottom - cd.bottom, S.bottom);

  piece.Draw(cd, cs);
  if (fitsY) {
    piece.Draw({cd.left, D.top, cd.right, cd.top}, {cs.left, st, cs.right, cs.top});
    if (fitsX) {
      piece.Draw({D.left, D.top, cd.left, cd.top}, {sl, st, cs.left, cs.top});
      piece.Draw({cd.right, D.top, D.right, cd.top}, {cs.right, st, sr, cs.top});
    }
  }
  if (fitsX) {
    piece.Draw({D.left, cd.top, cd.left, cd.bottom}, {sl, cs.top, cs.left, cs.bottom});
    piece.Draw({cd.right, cd.top, D.right, cd.bottom}, {cs.right, cs.top, sr, cs.bottom});
  }
  if (fitsY) {
    piece.Draw({cd.left, cd.bottom, cd.right, D.bottom}, {cs.left, cs.bottom, cs.right, sb});
    if (fitsX) {
      piece.Draw({D.left, cd.bottom, cd.left, D.bottom}, {sl, cs.bottom, cs.left, sb});
      piece.Draw({cd.right, cd.bottom, D.right, D.bottom}, {cs.right, cs.bottom, sr, sb});
    }
  }
  SelectObject(src, old);
  DeleteDC(src);
}

bool CSkinRenderer::AlphaBitBlt(HDC hdc, int x, int y, int cx, int cy, HDC src, int sx, int sy, int scx, int scy,
                                BLENDFUNCTION blend) {
  if (!hdc || !src || cx <= 0 || cy <= 0 || scx <= 0 || scy <= 0) return false;
  HDC srcCopy = CreateCompatibleDC(hdc);
  HDC dstCopy = CreateCompatibleDC(hdc);
  BYTE* sBits = nullptr;
  BYTE* dBits = nullptr;
  HBITMAP sBmp = CreateSection(cx, cy, &sBits);
  HBITMAP dBmp = CreateSection(cx, cy, &dBits);
  bool ok = srcCopy && dstCopy && sBmp && dBmp;
  if (ok) {
    HGDIOBJ oldS = SelectObject(srcCopy, sBmp);
    HGDIOBJ oldD = SelectObject(dstCopy, dBmp);
    StretchBlt(srcCopy, 0, 0, cx, cy, src, sx, sy, scx, scy, SRCCOPY);
    BitBlt(dstCopy, 0, 0, cx, cy, hdc, x, y, SRCCOPY);
    size_t count = static_cast<size_t>(cx) * static_cast<size_t>(cy);
    for (size_t i = 0; i < count; ++i) {
      BYTE* s = sBits + i * 4;
      BYTE* d = dBits + i * 4;
      double a = static_cast<double>(s[3]) * blend.SourceConstantAlpha / 255.0 / 255.0;
      if (a < 0) a = 0;
      for (int c = 0; c < 3; ++c) d[c] = static_cast<BYTE>(s[c] * a + d[c] * (1.0 - a));
      d[3] = 0;
    }
    BitBlt(hdc, x, y, cx, cy, dstCopy, 0, 0, SRCCOPY);
    SelectObject(srcCopy, oldS);
    SelectObject(dstCopy, oldD);
  }
  if (sBmp) DeleteObject(sBmp);
  if (dBmp) DeleteObject(dBmp);
  if (srcCopy) DeleteDC(srcCopy);
  if (dstCopy) DeleteDC(dstCopy);
  return ok;
}

}  // namespace SkinUI
