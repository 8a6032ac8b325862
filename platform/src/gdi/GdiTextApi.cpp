// Text output and measurement through pango.
#include <algorithm>
#include <climits>
#include <cwchar>

#include "platform/src/gdi/FontLayout.h"
#include "platform/src/gdi/GdiHandleTable.h"
#include <errhandlingapi.h>
#include <winerror.h>
#include "platform/src/internal/errors.h"

using jf::DcState;
using jf::FontLayout;
using jf::GdiHandleTable;

namespace {

std::shared_ptr<DcState> Dc(HDC hdc) { return GdiHandleTable::Instance().LookupDc(hdc); }

// A 64-bit coordinate brought back into the range of a LONG.
LONG Saturated(long long v) {
  return static_cast<LONG>(std::max<long long>(INT_MIN, std::min<long long>(INT_MAX, v)));
}

// A coordinate cairo can hold (its fixed point numbers reach about eight million pixels);
// anything farther lies outside every surface anyway.
double Drawable(long long v) {
  const long long limit = 1 << 22;
  return static_cast<double>(std::max(-limit, std::min(limit, v)));
}

std::wstring Text(LPCWSTR text, int length) {
  if (!text) return std::wstring();
  return length < 0 ? std::wstring(text) : std::wstring(text, static_cast<size_t>(length));
}

// The text as drawn: "&&" is one '&', a single '&' (the mnemonic prefix) vanishes.
std::wstring WithoutPrefixes(const std::wstring& s) {
  std::wstring plain;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == L'&') {
      if (i + 1 < s.size() && s[i + 1] == L'&') plain += L'&';
      ++i;
      if (i < s.size() && s[i] != L'&') plain += s[i];
    } else {
      plain += s[i];
    }
  }
  return plain;
}

}  // namespace

BOOL WINAPI ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT length,
                        const INT* dx) {
  auto dc = Dc(hdc);
  if (!dc) return FALSE;
  cairo_t* cr = dc->Begin();
  if (!cr) return FALSE;
  if (rect && (options & ETO_OPAQUE)) {
    DcState::SetColor(cr, dc->attr.bkColor);
    dc->AppendVisibleRect(cr, std::min(rect->left, rect->right), std::min(rect->top, rect->bottom),
                          std::max(rect->left, rect->right), std::max(rect->top, rect->bottom));
    cairo_fill(cr);
  }
  if (rect && (options & ETO_CLIPPED)) {
    // An empty visible part adds nothing to the path, and clipping to no path hides all.
    dc->AppendVisibleRect(cr, std::min(rect->left, rect->right), std::min(rect->top, rect->bottom),
                          std::max(rect->left, rect->right), std::max(rect->top, rect->bottom));
    cairo_clip(cr);
  }
  if (text && length > 0) {
    FontLayout layout(dc->attr.font.get(), std::wstring(text, length));
    const PangoRectangle e = layout.Extents();
    const UINT align = dc->attr.textAlign;
    double left = x, top = y;
    if ((align & TA_CENTER) == TA_CENTER) left -= e.width / 2;
    else if (align & TA_RIGHT) left -= e.width;
    if ((align & TA_BASELINE) == TA_BASELINE) top -= layout.Baseline();
    else if (align & TA_BOTTOM) top -= e.height;
    if (dc->attr.bkMode == OPAQUE) {
      DcState::SetColor(cr, dc->attr.bkColor);
      cairo_rectangle(cr, left, top, e.width, e.height);
      cairo_fill(cr);
    }
    DcState::SetColor(cr, dc->attr.textColor);
    if (!dx) {
      layout.Show(cr, left, top);
    } else {
      // Caller-given advances: each character at its own place.
      double pen = left;
      for (UINT i = 0; i < length; ++i) {
        FontLayout one(dc->attr.font.get(), std::wstring(1, text[i]));
        one.Show(cr, pen, top);
        pen += dx[i];
      }
    }
  }
  DcState::End(cr);
  return TRUE;
}

BOOL WINAPI TextOutW(HDC hdc, int x, int y, LPCWSTR text, int length) {
  if (length < 0) {
    JF_SET_ERROR(Gdi, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return ExtTextOutW(hdc, x, y, 0, nullptr, text, static_cast<UINT>(length), nullptr);
}

BOOL WINAPI GetTextMetricsW(HDC hdc, LPTEXTMETRICW metrics) {
  auto dc = Dc(hdc);
  if (!dc || !metrics) return FALSE;
  *metrics = FontLayout::Metrics(dc->attr.font.get());
  return TRUE;
}

BOOL WINAPI GetTextExtentPoint32W(HDC hdc, LPCWSTR text, int length, LPSIZE size) {
  return GetTextExtentExPointW(hdc, text, length, 0, nullptr, nullptr, size);
}

BOOL WINAPI GetTextExtentExPointW(HDC hdc, LPCWSTR text, int length, int maxExtent, LPINT fit, LPINT dx,
                                  LPSIZE size) {
  auto dc = Dc(hdc);
  if (!dc || !size || length < 0 || (length > 0 && !text)) {
    JF_SET_ERROR(Gdi, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const std::wstring s = Text(text, length);
  FontLayout layout(dc->attr.font.get(), s);
  pango_layout_set_single_paragraph_mode(layout.Get(), TRUE);
  const PangoRectangle e = layout.Extents();
  *size = SIZE{e.width, FontLayout::Metrics(dc->attr.font.get()).tmHeight};
  if (fit || dx) {
    int count = 0;
    for (size_t i = 0; i < s.size(); ++i) {
      const int end = layout.XOfChar(i + 1);
      if (fit && end > maxExtent) break;
      if (dx) dx[i] = end;
      ++count;
    }
    if (fit) *fit = count;
  }
  return TRUE;
}

BOOL WINAPI GetCharWidth32W(HDC hdc, UINT first, UINT last, LPINT widths) {
  auto dc = Dc(hdc);
  if (!dc || !widths || last < first) return FALSE;
  for (UINT c = first; c <= last; ++c) {
    FontLayout layout(dc->attr.font.get(), std::wstring(1, static_cast<wchar_t>(c)));
    widths[c - first] = layout.Extents().width;
  }
  return TRUE;
}

BOOL WINAPI GetCharABCWidthsW(HDC hdc, UINT first, UINT last, LPABC widths) {
  auto dc = Dc(hdc);
  if (!dc || !widths || last < first) return FALSE;
  for (UINT c = first; c <= last; ++c) {
    int w = 0;
    GetCharWidth32W(hdc, c, c, &w);
    widths[c - first] = ABC{0, static_cast<UINT>(w), 0};
  }
  return TRUE;
}

int WINAPI GetTextFaceW(HDC hdc, int count, LPWSTR face) {
  auto dc = Dc(hdc);
  if (!dc || !dc->attr.font) return 0;
  const WCHAR* name = dc->attr.font->Log().lfFaceName;
  const int n = static_cast<int>(wcslen(name));
  if (!face) return n + 1;
  if (count <= 0) return 0;
  const int copied = std::min(n, count - 1);
  wmemcpy(face, name, static_cast<size_t>(copied));
  face[copied] = 0;
  return copied;
}

int WINAPI DrawTextW(HDC hdc, LPCWSTR text, int length, LPRECT rect, UINT format) {
  auto dc = Dc(hdc);
  if (!dc || !rect) {
    JF_SET_ERROR(Gdi, ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::wstring s = Text(text, length);
  if (!(format & DT_NOPREFIX)) s = WithoutPrefixes(s);
  const bool single = format & DT_SINGLELINE;
  // One line: line breaks in the text take no room, as on Windows.
  if (single) s.erase(std::remove_if(s.begin(), s.end(), [](wchar_t c) { return c == L'\r' || c == L'\n'; }), s.end());
  const bool calc = format & DT_CALCRECT;
  // A rectangle may span the whole coordinate range: sizes in 64 bits.
  const long long width = static_cast<long long>(rect->right) - rect->left;
  const long long height = static_cast<long long>(rect->bottom) - rect->top;
  // pango counts in 1/PANGO_SCALE pixels inside an int.
  const long long widest = INT_MAX / PANGO_SCALE;
  const int layoutWidth = static_cast<int>(std::min(width, widest));
  const int layoutHeight = static_cast<int>(std::max(1LL, std::min(height, widest)));
  const bool wrap = (format & DT_WORDBREAK) && !single && width > 0;
  const UINT ellipsisFlags = DT_END_ELLIPSIS | DT_WORD_ELLIPSIS | DT_PATH_ELLIPSIS;
  const bool ellipsis = (format & ellipsisFlags) && !calc && width > 0;

  FontLayout layout(dc->attr.font.get(), s);
  PangoLayout* pl = layout.Get();
  if (single) pango_layout_set_single_paragraph_mode(pl, TRUE);
  if (wrap || ellipsis) pango_layout_set_width(pl, layoutWidth * PANGO_SCALE);
  if (wrap) pango_layout_set_wrap(pl, PANGO_WRAP_WORD_CHAR);
  if (ellipsis) {
    pango_layout_set_ellipsize(pl, (format & DT_PATH_ELLIPSIS) ? PANGO_ELLIPSIZE_MIDDLE : PANGO_ELLIPSIZE_END);
    // Wrapped text keeps the lines that fit and ends the last one with the ellipsis.
    if (wrap) pango_layout_set_height(pl, layoutHeight * PANGO_SCALE);
  }
  if (format & DT_CENTER) pango_layout_set_alignment(pl, PANGO_ALIGN_CENTER);
  else if (format & DT_RIGHT) pango_layout_set_alignment(pl, PANGO_ALIGN_RIGHT);
  const PangoRectangle e = layout.Extents();

  if (calc) {
    rect->right = Saturated(static_cast<long long>(rect->left) + e.width);
    rect->bottom = Saturated(static_cast<long long>(rect->top) + e.height);
    return e.height;
  }
  // With a set layout width pango aligns the lines inside it; otherwise place the block.
  long long x = rect->left, y = rect->top;
  if (!(wrap || ellipsis)) {
    if (format & DT_CENTER) x = rect->left + (width - e.width) / 2;
    else if (format & DT_RIGHT) x = static_cast<long long>(rect->right) - e.width;
  }
  if (single) {
    if (format & DT_VCENTER) y = rect->top + (height - e.height) / 2;
    else if (format & DT_BOTTOM) y = static_cast<long long>(rect->bottom) - e.height;
  }
  cairo_t* cr = dc->Begin();
  if (!cr) return 0;
  if (!(format & DT_NOCLIP)) {
    const double l = Drawable(rect->left), t = Drawable(rect->top);
    cairo_rectangle(cr, l, t, std::max(0.0, Drawable(rect->right) - l), std::max(0.0, Drawable(rect->bottom) - t));
    cairo_clip(cr);
  }
  if (dc->attr.bkMode == OPAQUE) {
    DcState::SetColor(cr, dc->attr.bkColor);
    cairo_rectangle(cr, Drawable(x + e.x), Drawable(y + e.y), e.width, e.height);
    cairo_fill(cr);
  }
  DcState::SetColor(cr, dc->attr.textColor);
  layout.Show(cr, Drawable(x), Drawable(y));
  DcState::End(cr);
  return static_cast<int>(std::min<long long>(INT_MAX, y - rect->top + e.height));
}
