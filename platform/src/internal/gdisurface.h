// The layer's own bridge between GDI and cairo: device contexts over any 32-bit cairo image
// surface (window backing stores), and access to the surfaces behind DCs, bitmaps and regions.
#pragma once
#include <cairo.h>

#include <windef.h>

namespace jf {

// A DC that draws into `surface` (an ARGB32 image surface; referenced while the DC lives).
// `origin` is where the DC's (0, 0) lies on the surface (a child window's client corner);
// `clip`, in DC coordinates, limits every drawing call (null: the whole surface). Delete it
// with DeleteDC. Its GetObjectType is OBJ_DC.
HDC CreateDcForSurface(cairo_surface_t* surface, POINT origin, const RECT* clip);
// Changes the surface, origin and limit of a DC made by CreateDcForSurface (a window was
// resized). FALSE for other DCs.
BOOL ResetDcSurface(HDC hdc, cairo_surface_t* surface, POINT origin, const RECT* clip);
// The surface a DC draws into (its selected bitmap's for memory DCs), not referenced; null
// for an unknown DC.
cairo_surface_t* GetDcSurface(HDC hdc);
// The surface of a bitmap, not referenced; null for another object.
cairo_surface_t* GetBitmapSurface(HBITMAP bitmap);
// A bitmap object over an existing surface (referenced); icons and images made elsewhere.
HBITMAP CreateBitmapForSurface(cairo_surface_t* surface);
// The rectangles of a region in its own coordinates, not referenced; null for another object.
cairo_region_t* GetRegionData(HRGN region);

}  // namespace jf
