// Pens, brushes, fonts and bitmaps: creation, description and deletion.
#include <climits>
#include <cstring>

#include "platform/src/gdi/GdiHandleTable.h"
#include "platform/src/gdi/RegionObject.h"
#include <errhandlingapi.h>
#include "platform/src/internal/gdisurface.h"
#include <winerror.h>
#include "platform/src/internal/errors.h"

using jf::GdiHandleTable;

namespace {

HGDIOBJ Add(std::shared_ptr<jf::GdiObject> object) {
  if (!object) {
    JF_SET_ERROR(Gdi, ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return GdiHandleTable::Instance().Add(std::move(object));
}

HGDIOBJ Invalid() {
  JF_SET_ERROR(Gdi, ERROR_INVALID_PARAMETER);
  return nullptr;
}

// Copies rows between a bitmap and caller memory laid out top-down or bottom-up. The
// memory holds just the `lines` rows of the band, whichever way round.
void CopyRows(jf::BitmapObject& bitmap, unsigned char* mem, bool memTopDown, UINT start, UINT lines, bool toMem) {
  cairo_surface_t* s = bitmap.Surface();
  cairo_surface_flush(s);
  const int w = bitmap.Width(), h = bitmap.Height();
  const int stride = cairo_image_surface_get_stride(s);
  unsigned char* data = cairo_image_surface_get_data(s);
  for (UINT i = 0; i < lines; ++i) {
    // Line numbers count from the bottom, as in a bottom-up DIB.
    const int y = h - 1 - static_cast<int>(start + i);
    if (y < 0) break;
    unsigned char* row = data + static_cast<ptrdiff_t>(stride) * y;
    unsigned char* m = mem + static_cast<size_t>(w) * 4 * (memTopDown ? static_cast<size_t>(lines - 1 - i) : i);
    if (toMem) std::memcpy(m, row, static_cast<size_t>(w) * 4);
    else std::memcpy(row, m, static_cast<size_t>(w) * 4);
  }
  if (!toMem) cairo_surface_mark_dirty(s);
}

}  // namespace

HPEN WINAPI CreatePen(int style, int width, COLORREF color) {
  const LOGPEN pen{static_cast<UINT>(style), POINT{width, 0}, color & 0xFFFFFF};
  return CreatePenIndirect(&pen);
}

HPEN WINAPI CreatePenIndirect(const LOGPEN* pen) {
  if (!pen || (pen->lopnStyle & PS_STYLE_MASK) > PS_INSIDEFRAME) return Invalid();
  return Add(std::make_shared<jf::GdiPen>(*pen));
}

HBRUSH WINAPI CreateSolidBrush(COLORREF color) {
  const LOGBRUSH brush{BS_SOLID, color & 0xFFFFFF, 0};
  return CreateBrushIndirect(&brush);
}

HBRUSH WINAPI CreateBrushIndirect(const LOGBRUSH* brush) {
  if (!brush || (brush->lbStyle != BS_SOLID && brush->lbStyle != BS_NULL)) return Invalid();
  return Add(std::make_shared<jf::GdiBrush>(*brush));
}

HFONT WINAPI CreateFontIndirectW(const LOGFONTW* font) {
  if (!font) return Invalid();
  return Add(std::make_shared<jf::FontObject>(*font));
}

HFONT WINAPI CreateFontW(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                         DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                         DWORD quality, DWORD pitchAndFamily, LPCWSTR faceName) {
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWidth = width;
  lf.lfEscapement = escapement;
  lf.lfOrientation = orientation;
  lf.lfWeight = weight;
  lf.lfItalic = static_cast<BYTE>(italic != 0);
  lf.lfUnderline = static_cast<BYTE>(underline != 0);
  lf.lfStrikeOut = static_cast<BYTE>(strikeOut != 0);
  lf.lfCharSet = static_cast<BYTE>(charSet);
  lf.lfOutPrecision = static_cast<BYTE>(outPrecision);
  lf.lfClipPrecision = static_cast<BYTE>(clipPrecision);
  lf.lfQuality = static_cast<BYTE>(quality);
  lf.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
  for (int i = 0; faceName && faceName[i] && i < LF_FACESIZE - 1; ++i) lf.lfFaceName[i] = faceName[i];
  return CreateFontIndirectW(&lf);
}

HBITMAP WINAPI CreateCompatibleBitmap(HDC hdc, int width, int height) {
  if (!GdiHandleTable::Instance().LookupDc(hdc)) return nullptr;
  if (width < 0 || height < 0) return Invalid();
  // Windows answers a zero size with a 1 x 1 bitmap.
  return Add(jf::BitmapObject::Create(width ? width : 1, height ? height : 1, false, false));
}

HBITMAP WINAPI CreateBitmap(int width, int height, UINT planes, UINT bitCount, const void* bits) {
  if (width <= 0 || height <= 0 || planes != 1) return Invalid();
  auto bitmap = jf::BitmapObject::Create(width, height, false, false);
  if (bitmap && bits && bitCount == 32) {
    CopyRows(*bitmap, static_cast<unsigned char*>(const_cast<void*>(bits)), true, 0, static_cast<UINT>(height),
             false);
  }
  return Add(bitmap);
}

HBITMAP WINAPI CreateDIBSection(HDC, const BITMAPINFO* info, UINT usage, void** bits, HANDLE, DWORD) {
  if (bits) *bits = nullptr;
  if (!info || usage != DIB_RGB_COLORS) return Invalid();
  const BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biBitCount != 32 || (h.biCompression != BI_RGB && h.biCompression != BI_BITFIELDS) || h.biWidth <= 0 ||
      h.biHeight == 0 || h.biHeight == INT_MIN)
    return Invalid();
  const bool bottomUp = h.biHeight > 0;
  auto bitmap = jf::BitmapObject::Create(h.biWidth, bottomUp ? h.biHeight : -h.biHeight, true, bottomUp);
  HGDIOBJ handle = Add(bitmap);
  if (handle && bits) *bits = bitmap->Bits();
  return handle;
}

int WINAPI GetDIBits(HDC hdc, HBITMAP handle, UINT start, UINT lines, LPVOID bits, LPBITMAPINFO info, UINT usage) {
  if (!GdiHandleTable::Instance().LookupDc(hdc)) return 0;
  auto bitmap = GdiHandleTable::Instance().LookupAs<jf::BitmapObject>(handle);
  if (!bitmap || !info || usage != DIB_RGB_COLORS) return 0;
  BITMAPINFOHEADER& h = info->bmiHeader;
  if (!bits) {
    h.biWidth = bitmap->Width();
    h.biHeight = bitmap->Height();
    h.biPlanes = 1;
    h.biBitCount = 32;
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<DWORD>(bitmap->Width()) * 4 * bitmap->Height();
    return bitmap->Height();
  }
  if (h.biBitCount != 32 || h.biWidth != bitmap->Width()) {
    JF_SET_ERROR(Gdi, ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (start >= static_cast<UINT>(bitmap->Height())) return 0;
  if (lines > static_cast<UINT>(bitmap->Height()) - start) lines = static_cast<UINT>(bitmap->Height()) - start;
  // The header's height tells how many rows the caller's memory holds.
  const UINT rows = h.biHeight < 0 ? 0u - static_cast<UINT>(h.biHeight) : static_cast<UINT>(h.biHeight);
  if (lines > rows) lines = rows;
  if (!lines) return 0;
  CopyRows(*bitmap, static_cast<unsigned char*>(bits), h.biHeight < 0, start, lines, true);
  return static_cast<int>(lines);
}

HGDIOBJ WINAPI GetStockObject(int index) { return GdiHandleTable::Instance().Stock(index); }

DWORD WINAPI GetObjectType(HGDIOBJ handle) {
  if (GdiHandleTable::Instance().LookupDc(reinterpret_cast<HDC>(handle))) {
    auto dc = GdiHandleTable::Instance().LookupDc(reinterpret_cast<HDC>(handle));
    return dc->IsMemory() ? OBJ_MEMDC : OBJ_DC;
  }
  auto object = GdiHandleTable::Instance().Lookup(handle);
  return object ? object->Type() : 0;
}

int WINAPI GetObjectW(HGDIOBJ handle, int size, LPVOID buffer) {
  auto object = GdiHandleTable::Instance().Lookup(handle);
  if (!object) return 0;
  auto copy = [&](const void* data, int n) {
    if (!buffer) return n;
    if (size < n) {
      JF_SET_ERROR(Gdi, ERROR_INSUFFICIENT_BUFFER);
      return 0;
    }
    std::memcpy(buffer, data, static_cast<size_t>(n));
    return n;
  };
  switch (object->Type()) {
    case OBJ_PEN:
      return copy(&static_cast<jf::GdiPen&>(*object).Log(), sizeof(LOGPEN));
    case OBJ_BRUSH:
      return copy(&static_cast<jf::GdiBrush&>(*object).Log(), sizeof(LOGBRUSH));
    case OBJ_FONT:
      return copy(&static_cast<jf::FontObject&>(*object).Log(), sizeof(LOGFONTW));
    case OBJ_BITMAP: {
      auto& b = static_cast<jf::BitmapObject&>(*object);
      BITMAP bm{0, b.Width(), b.Height(), b.Width() * 4, 1, 32, b.Bits()};
      return copy(&bm, sizeof(BITMAP));
    }
    default:
      JF_SET_ERROR(Gdi, ERROR_INVALID_PARAMETER);
      return 0;
  }
}

BOOL WINAPI DeleteObject(HGDIOBJ handle) {
  GdiHandleTable& table = GdiHandleTable::Instance();
  auto object = table.Lookup(handle);
  if (!object) return FALSE;
  if (table.IsStock(handle)) return TRUE;
  // As documented for Windows: an object selected into a DC is not deleted.
  if (table.IsSelected(object.get())) return FALSE;
  return table.Remove(handle) ? TRUE : FALSE;
}

namespace jf {

cairo_surface_t* GetBitmapSurface(HBITMAP handle) {
  auto bitmap = GdiHandleTable::Instance().LookupAs<BitmapObject>(handle);
  return bitmap ? bitmap->Surface() : nullptr;
}

HBITMAP CreateBitmapForSurface(cairo_surface_t* surface) {
  if (!surface || cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE ||
      cairo_image_surface_get_format(surface) != CAIRO_FORMAT_ARGB32)
    return Invalid();
  return Add(std::make_shared<BitmapObject>(cairo_surface_reference(surface), nullptr, false, false));
}

cairo_region_t* GetRegionData(HRGN handle) {
  auto region = GdiHandleTable::Instance().LookupAs<RegionObject>(handle);
  return region ? region->Data() : nullptr;
}

}  // namespace jf
