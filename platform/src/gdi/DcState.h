// A device context: the surface it draws into, its selected objects, colours, modes, origins
// and clip, and the stack SaveDC keeps.
#pragma once
#include <cairo.h>

#include <memory>
#include <vector>

#include "platform/src/gdi/BitmapObject.h"
#include "platform/src/gdi/FontObject.h"
#include "platform/src/gdi/GdiBrush.h"
#include "platform/src/gdi/GdiPen.h"

namespace jf {

class DcState {
 public:
  struct Attributes {
    HGDIOBJ penHandle = nullptr, brushHandle = nullptr, fontHandle = nullptr, bitmapHandle = nullptr;
    std::shared_ptr<GdiPen> pen;
    std::shared_ptr<GdiBrush> brush;
    std::shared_ptr<FontObject> font;
    std::shared_ptr<BitmapObject> bitmap;  // memory DCs only
    COLORREF textColor = RGB(0, 0, 0);
    COLORREF bkColor = RGB(255, 255, 255);
    COLORREF dcBrushColor = RGB(255, 255, 255);
    COLORREF dcPenColor = RGB(0, 0, 0);
    int bkMode = OPAQUE;
    UINT textAlign = TA_LEFT | TA_TOP;
    int stretchMode = BLACKONWHITE;
    POINT position{0, 0};
    POINT windowOrg{0, 0};
    POINT viewportOrg{0, 0};
    // Device coordinates; null = no clip region. Shared between saved copies, never changed
    // in place.
    std::shared_ptr<cairo_region_t> clip;
  };

  // A memory DC (draws into its selected bitmap) or a DC over a surface.
  DcState(bool memory, cairo_surface_t* surface, POINT origin, const RECT* limit);
  ~DcState();
  DcState(const DcState&) = delete;
  DcState& operator=(const DcState&) = delete;

  bool IsMemory() const { return memory_; }
  void Reset(cairo_surface_t* surface, POINT origin, const RECT* limit);
  cairo_surface_t* Surface() const;
  // The device-coordinate rectangle the DC may draw in (surface bounds, window limit).
  cairo_rectangle_int_t DeviceBounds() const;
  // The effective clip in device coordinates (owned by the caller).
  cairo_region_t* EffectiveClip() const;
  // The extents of the effective clip in logical coordinates: nothing outside them can show,
  // so loops over a caller's huge shapes need not go past them.
  RECT LogicalClipBox() const;
  // Adds the part of the logical rectangle [l, r) x [t, b) inside LogicalClipBox() to the
  // path. Callers' rectangles may span the whole int range; cairo's fixed point numbers
  // would wrap such coordinates back onto the surface.
  void AppendVisibleRect(cairo_t* cr, long long l, long long t, long long r, long long b) const;

  POINT ToDevice(int x, int y) const {
    return POINT{x - attr.windowOrg.x + attr.viewportOrg.x, y - attr.windowOrg.y + attr.viewportOrg.y};
  }
  POINT ToLogical(int x, int y) const {
    return POINT{x + attr.windowOrg.x - attr.viewportOrg.x, y + attr.windowOrg.y - attr.viewportOrg.y};
  }

  POINT ToSurface(int x, int y) const {
    const POINT d = ToDevice(x, y);
    return POINT{d.x + origin_.x, d.y + origin_.y};
  }
  // The surface pixel of a logical point; false when it lies outside the clip or surface.
  bool SurfacePixel(int x, int y, POINT* pixel) const;
  // Adds the region's rectangles, moved by (dx, dy), to the current path.
  static void AppendRegion(cairo_t* cr, const cairo_region_t* region, int dx, int dy);
  // Fills a region given in device coordinates (cr from Begin()).
  void FillDeviceRegion(cairo_t* cr, const cairo_region_t* region) const;

  // A cairo context in logical coordinates, clipped, aliased (GDI shapes have hard edges);
  // null when there is nothing to draw on. End() flushes and destroys it.
  cairo_t* Begin() const;
  static void End(cairo_t* cr);
  // Sets the source to a COLORREF, opaque.
  static void SetColor(cairo_t* cr, COLORREF color);
  // The brush's colour; false for a null brush.
  bool BrushColor(const GdiBrush* brush, COLORREF* color) const;
  COLORREF PenColor() const;

  int Save();
  bool Restore(int level);
  int SaveLevel() const { return static_cast<int>(saved_.size()); }

  Attributes attr;

 private:
  bool memory_;
  cairo_surface_t* surface_;  // DCs over a surface: referenced
  POINT origin_;
  bool hasLimit_ = false;
  RECT limit_{};
  std::vector<Attributes> saved_;
};

}  // namespace jf
