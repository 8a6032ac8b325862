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
  // The height of a layout left open is known once its rest is laid out, a slice a tick (at
  // once where the host has no timers).
  bool known = Layout().Done();
  if (!known && !host_->TxSetTimer(kLayoutTimer, 1)) {
    Layout().Finish();
    known = true;
  }
  if ((scrollBars_ & WS_VSCROLL) && known) {
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
  // Only as much of an open layout as the view reaches is needed to place it.
  const int maxY = std::max(0, Layout().Reach(y + int(rc.bottom - rc.top)) - int(rc.bottom - rc.top));
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

void TextServices::LayOutMore() {
  constexpr int kSlice = 4;  // pieces of about forty lines: a few milliseconds
  RichTextLayout& layout = Layout();
  layout.Advance(kSlice);
  if (!layout.Done()) return;
  host_->TxKillTimer(kLayoutTimer);
  UpdateScrollBars();
}

void TextServices::ScrollCaretIntoView() {
  if (!active_) return;
  const RECT rc = Client();
  const RECT at = Layout().CaretAt(caret_);
  const int top = at.top, bottom = at.bottom;
  const int left = at.left;
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
    DcState::SetColor(cr, autoBackground_ ? host_->TxGetSysColor(COLOR_WINDOW) : background_);
    cairo_paint(cr);
  }
  RichTextLayout& layout = Layout();
  const double x0 = rc.left - scrollX_, y0 = rc.top - scrollY_;
  const COLORREF text = host_->TxGetSysColor(COLOR_WINDOWTEXT);
  const bool selection = SelMin() != SelMax() && (focused_ || !Has(TXTBIT_HIDESELECTION));
  layout.Draw(cr, x0, y0, selection ? SelMin() : 0, selection ? SelMax() : 0, host_->TxGetSysColor(COLOR_HIGHLIGHT),
              host_->TxGetSysColor(COLOR_HIGHLIGHTTEXT));

  // The system caret of the thread, when it is shown inside the text.
  RECT caret;
  if (focused_ && CaretShown(&caret)) {
    RECT visible;
    if (IntersectRect(&visible, &caret, &area)) {
      const CHARFORMAT2W& at = formats_.CharAt(caret_ > 0 ? caret_ - 1 : 0);
      DcState::SetColor(cr, (at.dwEffects & CFE_AUTOCOLOR) ? text : at.crTextColor);
      cairo_rectangle(cr, caret.left, caret.top, caret.right - caret.left, caret.bottom - caret.top);
      cairo_fill(cr);
    }
  }
  DcState::End(cr);
  return S_OK;
}

}  // namespace jf
