#include <GdiPlusGraphicsPath.h>

#include <cmath>

namespace Gdiplus {

Status GraphicsPath::AddLine(REAL x1, REAL y1, REAL x2, REAL y2) {
  ops_.push_back(Op{Op::kLine, x1, y1, x2, y2, 0, 0});
  return Ok;
}

Status GraphicsPath::AddLine(INT x1, INT y1, INT x2, INT y2) {
  return AddLine(static_cast<REAL>(x1), static_cast<REAL>(y1), static_cast<REAL>(x2), static_cast<REAL>(y2));
}

Status GraphicsPath::AddArc(REAL x, REAL y, REAL width, REAL height, REAL startAngle, REAL sweepAngle) {
  if (!(width > 0) || !(height > 0)) return InvalidParameter;
  ops_.push_back(Op{Op::kArc, x, y, width, height, startAngle, sweepAngle});
  return Ok;
}

Status GraphicsPath::AddArc(INT x, INT y, INT width, INT height, REAL startAngle, REAL sweepAngle) {
  return AddArc(static_cast<REAL>(x), static_cast<REAL>(y), static_cast<REAL>(width), static_cast<REAL>(height),
                startAngle, sweepAngle);
}

Status GraphicsPath::AddArc(const RectF& r, REAL startAngle, REAL sweepAngle) {
  return AddArc(r.X, r.Y, r.Width, r.Height, startAngle, sweepAngle);
}

Status GraphicsPath::AddRectangle(const RectF& r) {
  StartFigure();
  AddLine(r.X, r.Y, r.X + r.Width, r.Y);
  AddLine(r.X + r.Width, r.Y + r.Height, r.X, r.Y + r.Height);
  return CloseFigure();
}

Status GraphicsPath::AddRectangle(const Rect& r) {
  return AddRectangle(RectF(static_cast<REAL>(r.X), static_cast<REAL>(r.Y), static_cast<REAL>(r.Width),
                            static_cast<REAL>(r.Height)));
}

Status GraphicsPath::AddEllipse(REAL x, REAL y, REAL width, REAL height) {
  StartFigure();
  const Status s = AddArc(x, y, width, height, 0, 360);
  CloseFigure();
  return s;
}

Status GraphicsPath::StartFigure() {
  ops_.push_back(Op{Op::kNewFigure, 0, 0, 0, 0, 0, 0});
  return Ok;
}

Status GraphicsPath::CloseFigure() {
  ops_.push_back(Op{Op::kClose, 0, 0, 0, 0, 0, 0});
  return Ok;
}

Status GraphicsPath::Reset() {
  ops_.clear();
  return Ok;
}

INT GraphicsPath::GetPointCount() const {
  INT n = 0;
  for (const Op& op : ops_) n += op.kind == Op::kLine ? 2 : op.kind == Op::kArc ? 4 : 0;
  return n;
}

Status GraphicsPath::GetBounds(RectF* bounds) const {
  if (!bounds) return InvalidParameter;
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
  cairo_t* cr = cairo_create(s);
  AppendTo(cr);
  double x1, y1, x2, y2;
  cairo_path_extents(cr, &x1, &y1, &x2, &y2);
  cairo_destroy(cr);
  cairo_surface_destroy(s);
  *bounds = RectF(static_cast<REAL>(x1), static_cast<REAL>(y1), static_cast<REAL>(x2 - x1), static_cast<REAL>(y2 - y1));
  return Ok;
}

void GraphicsPath::AppendTo(cairo_t* cr) const {
  const double kDegree = M_PI / 180.0;
  // Each figure's segments join: a new segment starts with a line from the previous end.
  bool open = false;
  for (const Op& op : ops_) {
    switch (op.kind) {
      case Op::kLine:
        if (open) cairo_line_to(cr, op.a, op.b);
        else cairo_move_to(cr, op.a, op.b);
        cairo_line_to(cr, op.c, op.d);
        open = true;
        break;
      case Op::kArc: {
        const double cx = op.a + op.c / 2, cy = op.b + op.d / 2;
        const double start = op.e * kDegree, end = (op.e + op.f) * kDegree;
        if (!open) cairo_new_sub_path(cr);
        cairo_save(cr);
        cairo_translate(cr, cx, cy);
        cairo_scale(cr, op.c / 2, op.d / 2);
        if (op.f >= 0) cairo_arc(cr, 0, 0, 1, start, end);
        else cairo_arc_negative(cr, 0, 0, 1, start, end);
        cairo_restore(cr);
        open = true;
        break;
      }
      case Op::kClose:
        if (open) cairo_close_path(cr);
        open = false;
        break;
      case Op::kNewFigure:
        open = false;
        break;
    }
  }
}

}  // namespace Gdiplus
