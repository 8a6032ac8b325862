#include "ui/layout/LinearLayout.h"

#include <algorithm>

#include "ui/core/UIExtent.h"
#include "ui/base/ScrollBarUI.h"
#include "ui/base/ContainerUI.h"

namespace SkinUI {

namespace {

int Clamp(int v, int lo, int hi) {
  if (v < lo) v = lo;
  if (v > hi) v = hi;
  return v;
}

// One axis of the placement: "main" runs along the layout, "cross" across it.
struct Axis {
  bool vertical;
  LONG& Main(SIZE& s) const { return vertical ? s.cy : s.cx; }
  LONG& Cross(SIZE& s) const { return vertical ? s.cx : s.cy; }
  LONG MainStart(const RECT& r) const { return vertical ? r.top : r.left; }
  LONG MainEnd(const RECT& r) const { return vertical ? r.bottom : r.right; }
  LONG CrossStart(const RECT& r) const { return vertical ? r.left : r.top; }
  LONG CrossEnd(const RECT& r) const { return vertical ? r.right : r.bottom; }
  int MinMain(const CControlUI* c) const { return vertical ? c->GetMinHeight() : c->GetMinWidth(); }
  int MaxMain(const CControlUI* c) const { return vertical ? c->GetMaxHeight() : c->GetMaxWidth(); }
  int MinCross(const CControlUI* c) const { return vertical ? c->GetMinWidth() : c->GetMinHeight(); }
  int MaxCross(const CControlUI* c) const { return vertical ? c->GetMaxWidth() : c->GetMaxHeight(); }
  int FixedCross(const CControlUI* c) const { return vertical ? c->GetFixedWidth() : c->GetFixedHeight(); }
  RECT Make(LONG main0, LONG main1, LONG cross0, LONG cross1) const {
    return vertical ? RECT{cross0, main0, cross1, main1} : RECT{main0, cross0, main1, cross1};
  }
};

RECT InnerRect(const CContainerUI& layout) {
  RECT rc = layout.GetPos();
  RECT inset = layout.GetInset();
  return RECT{rc.left + inset.left, rc.top + inset.top, rc.right - inset.right, rc.bottom - inset.bottom};
}

// The first pass: how many children share the rest, and what the others take.
// Totals over any number of children are kept in 64 bits; each size in them is bounded.
struct Tally {
  int adjustable = 0;
  long long fixed = 0;
  int counted = 0;
};

Tally Measure(CContainerUI& layout, const Axis& axis, SIZE available, int childPadding) {
  Tally t;
  for (int i = 0; i < layout.ItemCount(); ++i) {
    CControlUI* child = layout.ItemAt(i);
    if (!child->IsVisible() || child->IsFloat()) continue;
    SIZE sz = child->EstimateSize(available);
    if (axis.Main(sz) == 0) {
      ++t.adjustable;
    } else {
      axis.Main(sz) = Clamp(axis.Main(sz), axis.MinMain(child), axis.MaxMain(child));
    }
    RECT pad = child->GetPadding();
    t.fixed += static_cast<long long>(axis.Main(sz)) + axis.MainStart(pad) + axis.MainEnd(pad);
    ++t.counted;
  }
  if (t.counted > 0) t.fixed += static_cast<long long>(t.counted - 1) * childPadding;
  return t;
}

LONG CrossSize(const Axis& axis, const CControlUI* child, const RECT& pad, LONG crossRoom) {
  LONG crossSize = axis.FixedCross(child);
  if (crossSize == 0) crossSize = crossRoom - axis.CrossStart(pad) - axis.CrossEnd(pad);
  if (crossSize < 0) crossSize = 0;
  return Clamp(crossSize, axis.MinCross(child), axis.MaxCross(child));
}

// How adjustable children share the room: an equal part each, and the last one what is left.
struct Share {
  int expand;
  int adjustable;
  int seen;
};

// The main size of one child: its estimate, or for an adjustable child (estimate 0) its share;
// the last adjustable child takes what is left, so rounding loses no pixel. `left` is the room
// after this child's paddings; a fixed size is taken from what later children need.
LONG MainSize(const Axis& axis, CControlUI* child, SIZE remaining, long long left, long long& fixedRemaining,
              Share& share) {
  SIZE sz = child->EstimateSize(remaining);
  if (axis.Main(sz) == 0) {
    ++share.seen;
    LONG size = share.expand;
    if (share.seen == share.adjustable) size = CUIExtent::Coordinate(std::max(0LL, left - fixedRemaining));
    return Clamp(size, axis.MinMain(child), axis.MaxMain(child));
  }
  const LONG size = Clamp(axis.Main(sz), axis.MinMain(child), axis.MaxMain(child));
  fixedRemaining -= size;
  return size;
}

}  // namespace

void CLinearLayout::Place(CContainerUI& layout, bool vertical) {
  const Axis axis{vertical};
  RECT rc = InnerRect(layout);
  CScrollBarUI* vbar = layout.OwnVerticalScrollBar();
  CScrollBarUI* hbar = layout.OwnHorizontalScrollBar();
  bool vbarShown = vbar && vbar->IsVisible();
  bool hbarShown = hbar && hbar->IsVisible();
  auto takeBars = [&] {
    if (vbarShown) rc.right -= vbar->GetFixedWidth();
    if (hbarShown) rc.bottom -= hbar->GetFixedHeight();
  };
  // The vertical layout gives its bars their room even without children.
  if (vertical) takeBars();
  if (layout.ItemCount() == 0) {
    layout.ProcessScrollBar(rc, 0, 0);
    return;
  }
  if (!vertical) takeBars();
  SIZE available = {rc.right - rc.left, rc.bottom - rc.top};
  if (hbarShown) available.cx = CUIExtent::Coordinate(static_cast<long long>(available.cx) + hbar->GetScrollRange());
  const int childPadding = layout.OwnChildPadding();
  const Tally tally = Measure(layout, axis, available, childPadding);
  const int adjustable = tally.adjustable, counted = tally.counted;
  const long long fixed = tally.fixed;

  int expand = 0;
  if (adjustable > 0) expand = CUIExtent::Coordinate(std::max(0LL, (axis.Main(available) - fixed) / adjustable));

  CScrollBarUI* mainBar = vertical ? vbar : hbar;
  bool mainBarShown = vertical ? vbarShown : hbarShown;
  long long pos = static_cast<long long>(axis.MainStart(rc)) - (mainBarShown ? mainBar->GetScrollPos() : 0);
  LONG cross = axis.CrossStart(rc) - ((vertical && hbarShown) ? hbar->GetScrollPos() : 0);
  // Across the layout: the horizontal layout's own height, the vertical one's available width.
  LONG crossRoom = vertical ? available.cx : rc.bottom - rc.top;
  SIZE remaining = available;
  long long mainRemaining = axis.Main(available);
  long long fixedRemaining = fixed;
  Share share{expand, adjustable, 0};
  long long needed = 0;
  // Placing a child may notify (an ActiveX object shows itself), and a handler may close the
  // window: the layout stays valid until the handler's callers have returned.
  for (int i = 0; i < layout.ItemCount(); ++i) {
    CControlUI* child = layout.ItemAt(i);
    if (!child->IsVisible()) continue;
    if (child->IsFloat()) {
      layout.SetFloatPos(i);
      continue;
    }
    RECT pad = child->GetPadding();
    LONG padStart = axis.MainStart(pad);
    LONG padEnd = axis.MainEnd(pad);
    mainRemaining -= padStart;
    // What the children after this one still need: their sizes, paddings and the gaps.
    fixedRemaining -= padStart + padEnd;
    axis.Main(remaining) = CUIExtent::Coordinate(mainRemaining);
    LONG size = MainSize(axis, child, remaining, mainRemaining - padEnd, fixedRemaining, share);
    LONG crossSize = CrossSize(axis, child, pad, crossRoom);
    LONG crossStart = cross + axis.CrossStart(pad);
    RECT place = axis.Make(CUIExtent::Coordinate(pos + padStart), CUIExtent::Coordinate(pos + padStart + size + padEnd),
                           crossStart, crossStart + crossSize);
    child->SetPos(place);
    pos += static_cast<long long>(size) + childPadding + padStart + padEnd;
    needed += static_cast<long long>(size) + padStart + padEnd;
    mainRemaining -= static_cast<long long>(size) + childPadding + padEnd;
    fixedRemaining -= childPadding;
  }
  if (counted > 0) needed += static_cast<long long>(counted - 1) * childPadding;
  const int total = CUIExtent::Coordinate(needed);
  layout.ProcessScrollBar(rc, vertical ? 0 : total, vertical ? total : 0);
}

}  // namespace SkinUI
