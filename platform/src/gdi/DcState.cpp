#include "platform/src/gdi/DcState.h"

#include <algorithm>

#include "platform/src/gdi/GdiHandleTable.h"

namespace jf {

DcState::DcState(bool memory, cairo_surface_t* surface, POINT origin, const RECT* limit)
    : memory_(memory), surface_(nullptr), origin_{0, 0} {
  if (!memory) Reset(surface, origin, limit);
}

DcState::~DcState() {
  if (surface_) cairo_surface_destroy(surface_);
}

void DcState::Reset(cairo_surface_t* surface, POINT origin, const RECT* limit) {
  if (surface) cairo_surface_reference(surface);
  if (surface_) cairo_surface_destroy(surface_);
  surface_ = surface;
  origin_ = origin;
  hasLimit_ = limit != nullptr;
  if (limit) limit_ = *limit;
}

cairo_surface_t* DcState::Surface() const {
  if (!memory_) return surface_;
  return attr.bitmap ? attr.bitmap->Surface() : nullptr;
}

cairo_rectangle_int_t DcState::DeviceBounds() const {
  cairo_surface_t* s = Surface();
  if (!s) return cairo_rectangle_int_t{0, 0, 0, 0};
  const int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
  cairo_region_t* r;
  const cairo_rectangle_int_t all{-origin_.x, -origin_.y, w, h};
  r = cairo_region_create_rectangle(&all);
  if (hasLimit_) {
    const cairo_rectangle_int_t lim{limit_.left, limit_.top, limit_.right - limit_.left, limit_.bottom - limit_.top};
    cairo_region_intersect_rectangle(r, &lim);
  }
  cairo_rectangle_int_t out;
  cairo_region_get_extents(r, &out);
  cairo_region_destroy(r);
  return out;
}

cairo_region_t* DcState::EffectiveClip() const {
  const cairo_rectangle_int_t bounds = DeviceBounds();
  cairo_region_t* r = cairo_region_create_rectangle(&bounds);
  if (attr.clip) cairo_region_intersect(r, attr.clip.get());
  return r;
}

RECT DcState::LogicalClipBox() const {
  cairo_region_t* clip = EffectiveClip();
  cairo_rectangle_int_t e;
  cairo_region_get_extents(clip, &e);
  cairo_region_destroy(clip);
  const POINT p = ToLogical(e.x, e.y);
  return RECT{p.x, p.y, p.x + e.width, p.y + e.height};
}

void DcState::AppendVisibleRect(cairo_t* cr, long long l, long long t, long long r, long long b) const {
  const RECT box = LogicalClipBox();
  l = std::max<long long>(l, box.left);
  t = std::max<long long>(t, box.top);
  r = std::min<long long>(r, box.right);
  b = std::min<long long>(b, box.bottom);
  if (l < r && t < b) cairo_rectangle(cr, l, t, r - l, b - t);
}

cairo_t* DcState::Begin() const {
  cairo_surface_t* s = Surface();
  if (!s) return nullptr;
  cairo_surface_mark_dirty(s);
  cairo_t* cr = cairo_create(s);
  cairo_translate(cr, origin_.x, origin_.y);
  cairo_region_t* clip = EffectiveClip();
  AppendRegion(cr, clip, 0, 0);
  cairo_region_destroy(clip);
  cairo_clip(cr);
  cairo_translate(cr, attr.viewportOrg.x - attr.windowOrg.x, attr.viewportOrg.y - attr.windowOrg.y);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  return cr;
}

bool DcState::SurfacePixel(int x, int y, POINT* pixel) const {
  cairo_surface_t* s = Surface();
  if (!s) return false;
  const POINT d = ToDevice(x, y);
  cairo_region_t* clip = EffectiveClip();
  const bool inside = cairo_region_contains_point(clip, d.x, d.y);
  cairo_region_destroy(clip);
  *pixel = POINT{d.x + origin_.x, d.y + origin_.y};
  return inside && pixel->x >= 0 && pixel->y >= 0 && pixel->x < cairo_image_surface_get_width(s) &&
         pixel->y < cairo_image_surface_get_height(s);
}

void DcState::AppendRegion(cairo_t* cr, const cairo_region_t* region, int dx, int dy) {
  const int n = cairo_region_num_rectangles(region);
  for (int i = 0; i < n; ++i) {
    cairo_rectangle_int_t r;
    cairo_region_get_rectangle(region, i, &r);
    cairo_rectangle(cr, r.x + dx, r.y + dy, r.width, r.height);
  }
}

void DcState::FillDeviceRegion(cairo_t* cr, const cairo_region_t* region) const {
  const POINT o = ToLogical(0, 0);
  AppendRegion(cr, region, o.x, o.y);
  cairo_fill(cr);
}

void DcState::End(cairo_t* cr) {
  if (!cr) return;
  cairo_surface_t* s = cairo_get_target(cr);
  cairo_destroy(cr);
  cairo_surface_flush(s);
}

void DcState::SetColor(cairo_t* cr, COLORREF c) {
  cairo_set_source_rgb(cr, GetRValue(c) / 255.0, GetGValue(c) / 255.0, GetBValue(c) / 255.0);
}

bool DcState::BrushColor(const GdiBrush* brush, COLORREF* color) const {
  if (!brush || brush->IsNull()) return false;
  *color = brush == GdiHandleTable::Instance().DcBrush() ? attr.dcBrushColor : brush->Log().lbColor;
  return true;
}

COLORREF DcState::PenColor() const {
  if (!attr.pen) return RGB(0, 0, 0);
  return attr.pen.get() == GdiHandleTable::Instance().DcPen() ? attr.dcPenColor : attr.pen->Log().lopnColor;
}

int DcState::Save() {
  saved_.push_back(attr);
  return static_cast<int>(saved_.size());
}

bool DcState::Restore(int level) {
  const int count = static_cast<int>(saved_.size());
  if (level < 0) level = count + 1 + level;
  if (level < 1 || level > count) return false;
  std::shared_ptr<BitmapObject> before = attr.bitmap;
  attr = saved_[level - 1];
  saved_.resize(level - 1);
  if (before != attr.bitmap) {
    if (before) before->owner = nullptr;
    if (attr.bitmap) attr.bitmap->owner = this;
  }
  return true;
}

}  // namespace jf
