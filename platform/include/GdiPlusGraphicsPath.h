// GDI+ path: figures of lines, arcs and rectangles, replayed on cairo when filled or drawn.
#pragma once
#include <cairo.h>

#include <vector>

#include "GdiPlusTypes.h"

namespace Gdiplus {

class GraphicsPath {
 public:
  explicit GraphicsPath(FillMode mode = FillModeAlternate) : fillMode_(mode) {}
  Status AddLine(REAL x1, REAL y1, REAL x2, REAL y2);
  Status AddLine(INT x1, INT y1, INT x2, INT y2);
  Status AddLine(const PointF& p1, const PointF& p2) { return AddLine(p1.X, p1.Y, p2.X, p2.Y); }
  // Angles in degrees, clockwise from the x axis (y grows downwards).
  Status AddArc(REAL x, REAL y, REAL width, REAL height, REAL startAngle, REAL sweepAngle);
  Status AddArc(INT x, INT y, INT width, INT height, REAL startAngle, REAL sweepAngle);
  Status AddArc(const RectF& rect, REAL startAngle, REAL sweepAngle);
  Status AddRectangle(const RectF& rect);
  Status AddRectangle(const Rect& rect);
  Status AddEllipse(REAL x, REAL y, REAL width, REAL height);
  Status StartFigure();
  Status CloseFigure();
  Status Reset();
  FillMode GetFillMode() const { return fillMode_; }
  Status SetFillMode(FillMode mode) { fillMode_ = mode; return Ok; }
  INT GetPointCount() const;
  Status GetBounds(RectF* bounds) const;
  Status GetLastStatus() const { return Ok; }
  // Appends the path to the current cairo path.
  void AppendTo(cairo_t* cr) const;

 private:
  struct Op {
    enum Kind { kLine, kArc, kClose, kNewFigure } kind;
    REAL a, b, c, d, e, f;
  };
  std::vector<Op> ops_;
  FillMode fillMode_;
};

}  // namespace Gdiplus
