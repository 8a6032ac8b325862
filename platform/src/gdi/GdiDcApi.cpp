// Device contexts: creation, selection of objects, origins, save levels and capabilities.
#include "platform/src/gdi/GdiHandleTable.h"
#include "platform/src/gdi/RegionObject.h"
#include <errhandlingapi.h>
#include "platform/src/internal/gdisurface.h"
#include <winerror.h>
#include "platform/src/internal/errors.h"

using jf::DcState;
using jf::GdiHandleTable;

namespace {

std::shared_ptr<DcState> NewDc(bool memory, cairo_surface_t* surface, POINT origin, const RECT* limit) {
  GdiHandleTable& table = GdiHandleTable::Instance();
  auto dc = std::make_shared<DcState>(memory, surface, origin, limit);
  DcState::Attributes& a = dc->attr;
  a.penHandle = table.Stock(BLACK_PEN);
  a.pen = table.LookupAs<jf::GdiPen>(a.penHandle);
  a.brushHandle = table.Stock(WHITE_BRUSH);
  a.brush = table.LookupAs<jf::GdiBrush>(a.brushHandle);
  a.fontHandle = table.Stock(SYSTEM_FONT);
  a.font = table.LookupAs<jf::FontObject>(a.fontHandle);
  if (memory) {
    a.bitmapHandle = table.DefaultBitmap();
    a.bitmap = table.LookupAs<jf::BitmapObject>(a.bitmapHandle);
  }
  return dc;
}

std::shared_ptr<DcState> Dc(HDC hdc) { return GdiHandleTable::Instance().LookupDc(hdc); }

}  // namespace

HDC WINAPI CreateCompatibleDC(HDC hdc) {
  if (hdc && !Dc(hdc)) return nullptr;
  return GdiHandleTable::Instance().AddDc(NewDc(true, nullptr, POINT{0, 0}, nullptr));
}

BOOL WINAPI DeleteDC(HDC hdc) {
  auto dc = Dc(hdc);
  if (!dc) return FALSE;
  if (dc->attr.bitmap && dc->attr.bitmap->owner == dc.get()) dc->attr.bitmap->owner = nullptr;
  return GdiHandleTable::Instance().RemoveDc(hdc) ? TRUE : FALSE;
}

int WINAPI SaveDC(HDC hdc) {
  auto dc = Dc(hdc);
  return dc ? dc->Save() : 0;
}

BOOL WINAPI RestoreDC(HDC hdc, int level) {
  auto dc = Dc(hdc);
  if (!dc) return FALSE;
  if (!dc->Restore(level)) {
    JF_SET_ERROR(Gdi, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return TRUE;
}

int WINAPI GetDeviceCaps(HDC hdc, int index) {
  auto dc = Dc(hdc);
  if (!dc) return 0;
  cairo_surface_t* s = dc->Surface();
  switch (index) {
    case TECHNOLOGY: return DT_RASDISPLAY;
    case HORZRES: return s ? cairo_image_surface_get_width(s) : 0;
    case VERTRES: return s ? cairo_image_surface_get_height(s) : 0;
    case HORZSIZE: return s ? cairo_image_surface_get_width(s) * 254 / 960 : 0;
    case VERTSIZE: return s ? cairo_image_surface_get_height(s) * 254 / 960 : 0;
    case BITSPIXEL: return 32;
    case PLANES: return 1;
    case NUMCOLORS: return -1;
    case RASTERCAPS: return RC_BITBLT | RC_STRETCHBLT | RC_DI_BITMAP;
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    case SHADEBLENDCAPS: return SB_CONST_ALPHA | SB_PIXEL_ALPHA;
    default: return 0;
  }
}

namespace {

BOOL SetPoint(HDC hdc, POINT DcState::Attributes::*field, int x, int y, bool relative, LPPOINT old) {
  auto dc = Dc(hdc);
  if (!dc) return FALSE;
  POINT& p = dc->attr.*field;
  if (old) *old = p;
  if (relative) {
    p.x += x;
    p.y += y;
  } else {
    p = POINT{x, y};
  }
  return TRUE;
}

BOOL GetPoint(HDC hdc, POINT DcState::Attributes::*field, LPPOINT out) {
  auto dc = Dc(hdc);
  if (!dc || !out) return FALSE;
  *out = dc->attr.*field;
  return TRUE;
}

}  // namespace

BOOL WINAPI SetWindowOrgEx(HDC hdc, int x, int y, LPPOINT old) {
  return SetPoint(hdc, &DcState::Attributes::windowOrg, x, y, false, old);
}
BOOL WINAPI GetWindowOrgEx(HDC hdc, LPPOINT origin) {
  return GetPoint(hdc, &DcState::Attributes::windowOrg, origin);
}
BOOL WINAPI SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT old) {
  return SetPoint(hdc, &DcState::Attributes::viewportOrg, x, y, false, old);
}
BOOL WINAPI GetViewportOrgEx(HDC hdc, LPPOINT origin) {
  return GetPoint(hdc, &DcState::Attributes::viewportOrg, origin);
}
BOOL WINAPI OffsetViewportOrgEx(HDC hdc, int dx, int dy, LPPOINT old) {
  return SetPoint(hdc, &DcState::Attributes::viewportOrg, dx, dy, true, old);
}
BOOL WINAPI SetBrushOrgEx(HDC hdc, int, int, LPPOINT old) {
  if (!Dc(hdc)) return FALSE;
  if (old) *old = POINT{0, 0};
  return TRUE;
}

int WINAPI SetMapMode(HDC hdc, int mode) {
  if (!Dc(hdc)) return 0;
  if (mode != MM_TEXT) JF_SET_ERROR(Gdi, ERROR_NOT_SUPPORTED);
  return MM_TEXT;
}

BOOL WINAPI LPtoDP(HDC hdc, LPPOINT points, int count) {
  auto dc = Dc(hdc);
  if (!dc || (count > 0 && !points)) return FALSE;
  for (int i = 0; i < count; ++i) points[i] = dc->ToDevice(points[i].x, points[i].y);
  return TRUE;
}

BOOL WINAPI DPtoLP(HDC hdc, LPPOINT points, int count) {
  auto dc = Dc(hdc);
  if (!dc || (count > 0 && !points)) return FALSE;
  for (int i = 0; i < count; ++i) points[i] = dc->ToLogical(points[i].x, points[i].y);
  return TRUE;
}

HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ handle) {
  auto dc = Dc(hdc);
  if (!dc) return nullptr;
  GdiHandleTable& table = GdiHandleTable::Instance();
  auto object = table.Lookup(handle);
  if (!object) return nullptr;
  DcState::Attributes& a = dc->attr;
  HGDIOBJ old = nullptr;
  switch (object->Type()) {
    case OBJ_PEN:
      old = a.penHandle;
      a.penHandle = handle;
      a.pen = std::static_pointer_cast<jf::GdiPen>(object);
      return old;
    case OBJ_BRUSH:
      old = a.brushHandle;
      a.brushHandle = handle;
      a.brush = std::static_pointer_cast<jf::GdiBrush>(object);
      return old;
    case OBJ_FONT:
      old = a.fontHandle;
      a.fontHandle = handle;
      a.font = std::static_pointer_cast<jf::FontObject>(object);
      return old;
    case OBJ_BITMAP: {
      auto bitmap = std::static_pointer_cast<jf::BitmapObject>(object);
      if (!dc->IsMemory() || (!table.IsStock(handle) && bitmap->owner && bitmap->owner != dc.get())) {
        JF_SET_ERROR(Gdi, ERROR_INVALID_PARAMETER);
        return nullptr;
      }
      if (a.bitmap && a.bitmap->owner == dc.get()) a.bitmap->owner = nullptr;
      old = a.bitmapHandle;
      a.bitmapHandle = handle;
      a.bitmap = bitmap;
      if (!table.IsStock(handle)) bitmap->owner = dc.get();
      return old;
    }
    case OBJ_REGION:
      return reinterpret_cast<HGDIOBJ>(static_cast<intptr_t>(SelectClipRgn(hdc, handle)));
    default:
      return nullptr;
  }
}

HGDIOBJ WINAPI GetCurrentObject(HDC hdc, UINT type) {
  auto dc = Dc(hdc);
  if (!dc) return nullptr;
  switch (type) {
    case OBJ_PEN: return dc->attr.penHandle;
    case OBJ_BRUSH: return dc->attr.brushHandle;
    case OBJ_FONT: return dc->attr.fontHandle;
    case OBJ_BITMAP: return dc->attr.bitmapHandle;
    default: return nullptr;
  }
}

namespace {

// Stores a DC attribute and answers the previous value (`fail` for an unknown DC).
template <class T>
T Exchange(HDC hdc, T DcState::Attributes::*field, T value, T fail) {
  auto dc = Dc(hdc);
  if (!dc) return fail;
  T old = dc->attr.*field;
  dc->attr.*field = value;
  return old;
}

template <class T>
T Read(HDC hdc, T DcState::Attributes::*field, T fail) {
  auto dc = Dc(hdc);
  return dc ? dc->attr.*field : fail;
}

}  // namespace

COLORREF WINAPI SetTextColor(HDC hdc, COLORREF color) {
  return Exchange(hdc, &DcState::Attributes::textColor, color & 0xFFFFFF, CLR_INVALID);
}
COLORREF WINAPI GetTextColor(HDC hdc) { return Read(hdc, &DcState::Attributes::textColor, CLR_INVALID); }
COLORREF WINAPI SetBkColor(HDC hdc, COLORREF color) {
  return Exchange(hdc, &DcState::Attributes::bkColor, color & 0xFFFFFF, CLR_INVALID);
}
COLORREF WINAPI GetBkColor(HDC hdc) { return Read(hdc, &DcState::Attributes::bkColor, CLR_INVALID); }
COLORREF WINAPI SetDCBrushColor(HDC hdc, COLORREF color) {
  return Exchange(hdc, &DcState::Attributes::dcBrushColor, color & 0xFFFFFF, CLR_INVALID);
}
COLORREF WINAPI SetDCPenColor(HDC hdc, COLORREF color) {
  return Exchange(hdc, &DcState::Attributes::dcPenColor, color & 0xFFFFFF, CLR_INVALID);
}
int WINAPI SetBkMode(HDC hdc, int mode) {
  if (mode != TRANSPARENT && mode != OPAQUE) return 0;
  return Exchange(hdc, &DcState::Attributes::bkMode, mode, 0);
}
int WINAPI GetBkMode(HDC hdc) { return Read(hdc, &DcState::Attributes::bkMode, 0); }
UINT WINAPI SetTextAlign(HDC hdc, UINT align) {
  return Exchange(hdc, &DcState::Attributes::textAlign, align, static_cast<UINT>(GDI_ERROR));
}
UINT WINAPI GetTextAlign(HDC hdc) { return Read(hdc, &DcState::Attributes::textAlign, static_cast<UINT>(GDI_ERROR)); }
int WINAPI SetStretchBltMode(HDC hdc, int mode) {
  if (mode < BLACKONWHITE || mode > HALFTONE) return 0;
  return Exchange(hdc, &DcState::Attributes::stretchMode, mode, 0);
}
int WINAPI GetStretchBltMode(HDC hdc) { return Read(hdc, &DcState::Attributes::stretchMode, 0); }

namespace jf {

HDC CreateDcForSurface(cairo_surface_t* surface, POINT origin, const RECT* clip) {
  if (!surface || cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE) {
    JF_SET_ERROR(Gdi, ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return GdiHandleTable::Instance().AddDc(NewDc(false, surface, origin, clip));
}

BOOL ResetDcSurface(HDC hdc, cairo_surface_t* surface, POINT origin, const RECT* clip) {
  auto dc = Dc(hdc);
  if (!dc || dc->IsMemory()) return FALSE;
  dc->Reset(surface, origin, clip);
  return TRUE;
}

cairo_surface_t* GetDcSurface(HDC hdc) {
  auto dc = Dc(hdc);
  return dc ? dc->Surface() : nullptr;
}

}  // namespace jf
