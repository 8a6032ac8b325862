// The text services' view: scrolling, the caret, notifications and drawing.
#include "platform/src/controls/TextServices.h"

#include <algorithm>

#include "platform/src/gdi/GdiArea.h"
#include "platform/src/user/UserArea.h"

namespace jf {

namespace {

constexpr DWORD kEventChange = 0x00000001;
constexpr DWORD kEventSelChange = 0x00080000;

}  // namespace

void TextServices::Invalidate() {
  host_->TxInvalidateRect(nullptr, FALSE);
  host_->TxViewChange(TRUE);
}

void TextServices::Changed() {
  UpdateScrollBars();
  ScrollCaretIntoView();
  Invalidate();
  if (eventMask_ & kEventChange) host_->TxNotify(EN_CHANGE, nullptr);
  SelectionChanged();
}

void TextServices::SelectionChanged() {
  Invalidate();
  PlaceCaret();
  if (eventMask_ & kEventSelChange) {
    SELCHANGE sc = {};
    sc.nmhdr.code = EN_SELCHANGE;
    sc.chrg = CHARRANGE{SelMin(), SelMax()};
    sc.seltyp = SelMin() == SelMax() ? 0 : 1;
    host_->TxNotify(EN_SELCHANGE, &sc);
  }
}

void TextServices::UpdateScrollBars() {
  const RECT rc = Client();
  if (scrollBars_ & WS_VSCROLL) {
    host_->TxSetScrollRange(SB_VERT, 0, ContentHeight(), TRUE);
    host_->TxSetScrollPos(SB_VERT, scrollY_, TRUE);
  }
  if ((scrollBars_ & WS_HSCROLL) && layoutWidth_ < 0) {
    host_->TxSetScrollRange(SB_HORZ, 0, ContentWidth(), TRUE);
    host_->TxSetScrollPos(SB_HORZ, scrollX_, TRUE);
  }
  ScrollTo(scrollX_, scrollY_);
  (void)rc;
}

void TextServices::ScrollTo(int x, int y) {
  const RECT rc = Client();
  const int maxY = std::max(0, ContentHeight() - int(rc.bottom - rc.top));
  const int maxX = layoutWidth_ < 0 ? std::max(0, ContentWidth() + 1 - int(rc.right - rc.left)) : 0;
  x = std::clamp(x, 0, maxX);
  y = std::clamp(y, 0, maxY);
  if (x == scrollX_ && y == scrollY_) return;
  const bool vertical = y != scrollY_, horizontal = x != scrollX_;
  scrollX_ = x;
  scrollY_ = y;
  if (vertical && (scrollBars_ & WS_VSCROLL)) host_->TxSetScrollPos(SB_VERT, scrollY_, TRUE);
  if (horizontal && (scrollBars_ & WS_HSCROLL)) host_->TxSetScrollPos(SB_HORZ, scrollX_, TRUE);
  Invalidate();
  PlaceCaret();
}

void TextServices::ScrollCaretIntoView() {
  if (!active_) return;
  const RECT rc = Client();
  PangoRectangle pos;
  pango_layout_index_to_pos(Layout().Get(), ByteOf(caret_), &pos);
  const int top = PANGO_PIXELS(pos.y), bottom = PANGO_PIXELS(pos.y + pos.height);
  const int left = PANGO_PIXELS(pos.x);
  int x = scrollX_, y = scrollY_;
  const int h = rc.bottom - rc.top, w = rc.right - rc.left;
  if (top < y) y = top;
  else if (bottom > y + h) y = bottom - h;
  if (layoutWidth_ < 0) {
    if (left < x) x = left;
    else if (left + 1 > x + w) x = left + 1 - w;
  }
  ScrollTo(x, y);
}

void TextServices::PlaceCaret() {
  if (!focused_ || placing_) return;
  placing_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{placing_};
  if (SelMin() != SelMax()) {
    host_->TxSetCaretPos(-32000, -32000);
    return;
  }
  const POINT p = PosOf(caret_);
  host_->TxSetCaretPos(p.x, p.y);
}

HRESULT TextServices::TxDraw(DWORD /*dwDrawAspect*/, LONG /*lindex*/, void* /*pvAspect*/, DVTARGETDEVICE* /*ptd*/,
                             HDC hdcDraw, HDC /*hicTargetDev*/, LPCRECTL lprcBounds, LPCRECTL /*lprcWBounds*/,
                             LPRECT lprcUpdate, BOOL(CALLBACK* /*pfnContinue*/)(DWORD), DWORD /*dwContinue*/,
                             LONG /*lViewId*/) {
  if (!hdcDraw) return E_INVALIDARG;
  if (lprcBounds) client_ = RECT{lprcBounds->left, lprcBounds->top, lprcBounds->right, lprcBounds->bottom};
  auto dc = GdiHandleTable::Instance().LookupDc(hdcDraw);
  if (!dc) return E_INVALIDARG;
  cairo_t* cr = dc->Begin();
  if (!cr) return S_OK;
  const RECT rc = lprcBounds ? client_ : Client();
  RECT area = rc;
  if (lprcUpdate && !IntersectRect(&area, &rc, lprcUpdate)) {
    DcState::End(cr);
    return S_OK;
  }
  cairo_rectangle(cr, area.left, area.top, area.right - area.left, area.bottom - area.top);
  cairo_clip(cr);
  if (backStyle_ == TXTBACK_OPAQUE) {
    DcState::SetColor(cr, host_->TxGetSysColor(COLOR_WINDOW));
    cairo_paint(cr);
  }
  FontLayout& layout = Layout();
  const POINT origin = PosOf(0);
  PangoRectangle first;
  pango_layout_index_to_pos(layout.Get(), 0, &first);
  const double x0 = origin.x - PANGO_PIXELS(first.x), y0 = origin.y - PANGO_PIXELS(first.y);
  const COLORREF text = autoColor_ ? host_->TxGetSysColor(COLOR_WINDOWTEXT) : color_;
  DcState::SetColor(cr, text);
  layout.Show(cr, x0, y0);

  // The selection: its background, then the text again in the highlight colour inside it.
  if (SelMin() != SelMax() && (focused_ || !Has(TXTBIT_HIDESELECTION))) DrawSelection(cr, layout, x0, y0);

  // The system caret of the thread, when it is shown inside the text.
  RECT caret;
  if (focused_ && CaretShown(&caret)) {
    RECT visible;
    if (IntersectRect(&visible, &caret, &area)) {
      DcState::SetColor(cr, text);
      cairo_rectangle(cr, caret.left, caret.top, caret.right - caret.left, caret.bottom - caret.top);
      cairo_fill(cr);
    }
  }
  DcState::End(cr);
  return S_OK;
}

void TextServices::DrawSelection(cairo_t* cr, FontLayout& layout, double x0, double y0) {
  const int from = ByteOf(SelMin()), to = ByteOf(SelMax());
  PangoLayoutIter* it = pango_layout_get_iter(layout.Get());
  do {
    PangoLayoutLine* line = pango_layout_iter_get_line_readonly(it);
    int top = 0, bottom = 0;
    pango_layout_iter_get_line_yrange(it, &top, &bottom);
    int* ranges = nullptr;
    int count = 0;
    const int lineEnd = line->start_index + line->length;
    if (to > line->start_index && from <= lineEnd) {
      pango_layout_line_get_x_ranges(line, std::max(from, line->start_index), std::min(to, lineEnd), &ranges, &count);
      for (int i = 0; i < count; ++i) {
        const double l = x0 + ranges[2 * i] / double(PANGO_SCALE), r = x0 + ranges[2 * i + 1] / double(PANGO_SCALE);
        cairo_rectangle(cr, l, y0 + top / double(PANGO_SCALE), std::max(1.0, r - l), (bottom - top) / double(PANGO_SCALE));
      }
      g_free(ranges);
    }
  } while (pango_layout_iter_next_line(it));
  pango_layout_iter_free(it);
  cairo_save(cr);
  cairo_clip_preserve(cr);
  DcState::SetColor(cr, host_->TxGetSysColor(COLOR_HIGHLIGHT));
  cairo_fill(cr);
  DcState::SetColor(cr, host_->TxGetSysColor(COLOR_HIGHLIGHTTEXT));
  layout.Show(cr, x0, y0);
  cairo_restore(cr);
}

}  // namespace jf
