// The render engine: static drawing operations over GDI, used by every control's painting.
// Images by image string (nine-grid, tiling, hole, fade, fitting, centre-anchored and
// rounded modes), colours, gradients, lines, outlines, plain text and rich text.
#pragma once

#include <windows.h>

#include "ui/core/UIString.h"
#include "ui/render/SkinClip.h"
#include "ui/render/UIImageInfo.h"

namespace SkinUI {

class IRenderResources;

class CSkinRenderer {
 public:
  // The largest image file that is read (from a folder or the skin archive): an archive's
  // directory may claim any size, and the claim is checked before anything is allocated.
  enum : DWORD { kMaxImageFileSize = 0x2000000 };

  // ---- Images ----
  static UIImageInfo* LoadImage(LPCWSTR name, LPCWSTR type = nullptr, DWORD mask = 0);
  // Decodes image file bytes (PNG and the other formats the decoder knows).
  static UIImageInfo* LoadImageFromMemory(const BYTE* bytes, DWORD size, DWORD mask = 0);
  static void FreeImage(UIImageInfo* info);
  static bool DrawImageString(HDC hdc, IRenderResources* manager, const RECT& rcItem, const RECT& rcPaint,
                              LPCWSTR image, LPCWSTR modify = nullptr);
  static bool DrawImageByName(HDC hdc, IRenderResources* manager, const RECT& rcItem, const RECT& rcPaint,
                              LPCWSTR name, LPCWSTR type, RECT rcDest, RECT rcSource, RECT rcCorner,
                              RECT rcCenter, SIZE roundCorner, DWORD mask, BYTE fade, bool hole, bool xtiled,
                              bool ytiled, bool stretch, bool center, bool alignTop, bool alignLeft);
  static void DrawImage(HDC hdc, HBITMAP bitmap, const RECT& rcDest, const RECT& rcPaint, const RECT& rcSource,
                        const RECT& rcCorner, bool alpha, BYTE fade = 255, bool hole = false, bool xtiled = false,
                        bool ytiled = false);
  static void DrawImageCenter(HDC hdc, HBITMAP bitmap, const RECT& rcDest, const RECT& rcPaint,
                              const RECT& rcSource, const RECT& rcCenter, bool alignTop, bool alignLeft,
                              BYTE fade = 255);
  static bool AlphaBitBlt(HDC hdc, int x, int y, int cx, int cy, HDC src, int sx, int sy, int scx, int scy,
                          BLENDFUNCTION blend);

  // ---- Colours and primitives ----
  static DWORD AdjustColor(DWORD color, short hue = 180, short saturation = 100, short lightness = 100);
  static void DrawColor(HDC hdc, const RECT& rc, DWORD color);
  static void DrawGradient(HDC hdc, const RECT& rc, DWORD first, DWORD second, bool vertical, int steps);
  // What a gradient falls back to when the system cannot fill one: 8 stripes, 16 above 15 steps.
  static void DrawGradientStripes(HDC hdc, const RECT& rc, DWORD first, DWORD second, bool vertical, int steps);
  static void DrawLine(HDC hdc, const RECT& rc, int size, DWORD color, int style = PS_SOLID);
  static void DrawRect(HDC hdc, const RECT& rc, int size, DWORD color);
  static void DrawRoundRect(HDC hdc, const RECT& rc, int size, int width, int height, DWORD color);

  // ---- Clips (the clip record restores the previous clip when it goes) ----
  static void GenerateClip(HDC hdc, RECT rc, CSkinClip& clip);
  static void GenerateRoundClip(HDC hdc, RECT rc, RECT rcItem, int width, int height, CSkinClip& clip);

  // ---- Text ----
  static void DrawText(HDC hdc, IRenderResources* manager, RECT& rc, LPCWSTR text, DWORD color, int font,
                       UINT style);
  static void DrawHtmlText(HDC hdc, IRenderResources* manager, RECT& rc, LPCWSTR text, DWORD color,
                           RECT* links, CUIString* linkTexts, int& linkCount, UINT style);
  static HBITMAP GenerateTextBitmap(LPCWSTR text, HFONT font, DWORD color, SIZE* size);
  static void DrawAlphaText(HDC hdc, LPCWSTR text, HFONT font, DWORD color, UINT style, const RECT& rc);
};

}  // namespace SkinUI
