// Text output and measurement through pango.
#include <algorithm>
#include <cwchar>

#include "FontLayout.h"
#include "GdiHandleTable.h"
#include "errhandlingapi.h"
#include "winerror.h"

using jf::DcState;
using jf::FontLayout;
using jf::GdiHandleTable;

namespace {

std::shared_ptr<DcState> Dc(HDC hdc) { return GdiHandleTable::Instance().LookupDc(hdc); }

std::wstring Text(LPCWSTR text, int length) {
  if (!text) return std::wstring();
  return length < 0 ? std::wstring(text) : std::wstring(text, static_cast<size_t>(length));
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
    cairo_rectangle(cr, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top);
    cairo_fill(cr);
  }
  if (rect && (options & ETO_CLIPPED)) {
    cairo_rectangle(cr, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top);
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
    SetLastError(ERROR_INVALID_PARAMETER);
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
    SetLastError(ERROR_INVALID_PARAMETER);
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
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::wstring s = Text(text, length);
  if (!(format & DT_NOPREFIX)) {
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
    s.swap(plain);
  }
  const bool single = format & DT_SINGLELINE;
  // One line: line breaks in the text take no room, as on Windows.
  if (single) s.erase(std::remove_if(s.begin(), s.end(), [](wchar_t c) { return c == L'\r' || c == L'\n'; }), s.end());
  const bool calc = format & DT_CALCRECT;
  const int width = rect->right - rect->left, height = rect->bottom - rect->top;
  const bool wrap = (format & DT_WORDBREAK) && !single && width > 0;
  const UINT ellipsisFlags = DT_END_ELLIPSIS | DT_WORD_ELLIPSIS | DT_PATH_ELLIPSIS;
  const bool ellipsis = (format & ellipsisFlags) && !calc && width > 0;

  FontLayout layout(dc->attr.font.get(), s);
  PangoLayout* pl = layout.Get();
  if (single) pango_layout_set_single_paragraph_mode(pl, TRUE);
  if (wrap || ellipsis) pango_layout_set_width(pl, width * PANGO_SCALE);
  if (wrap) pango_layout_set_wrap(pl, PANGO_WRAP_WORD_CHAR);
  if (ellipsis) {
    pango_layout_set_ellipsize(pl, (format & DT_PATH_ELLIPSIS) ? PANGO_ELLIPSIZE_MIDDLE : PANGO_ELLIPSIZE_END);
    // Wrapped text keeps the lines that fit and ends the last one with the ellipsis.
    if (wrap) pango_layout_set_height(pl, std::max(height, 1) * PANGO_SCALE);
  }
  if (format & DT_CENTER) pango_layout_set_alignment(pl, PANGO_ALIGN_CENTER);
  else if (format & DT_RIGHT) pango_layout_set_alignment(pl, PANGO_ALIGN_RIGHT);
  const PangoRectangle e = layout.Extents();

  if (calc) {
    rect->right = rect->left + e.width;
    rect->bottom = rect->top + e.height;
    return e.height;
  }
  // With a set layout width pango aligns the lines inside it; otherwise place the block.
  double x = rect->left, y = rect->top;
  if (!(wrap || ellipsis)) {
    if (format & DT_CENTER) x = rect->left + (width - e.width) / 2;
    else if (format & DT_RIGHT) x = rect->right - e.width;
  }
  if (single) {
    if (format & DT_VCENTER) y = rect->top + (height - e.height) / 2;
    else if (format & DT_BOTTOM) y = rect->bottom - e.height;
  }
  cairo_t* cr = dc->Begin();
  if (!cr) return 0;
  if (!(format & DT_NOCLIP)) {
    cairo_rectangle(cr, rect->left, rect->top, width, height);
    cairo_clip(cr);
  }
  if (dc->attr.bkMode == OPAQUE) {
    DcState::SetColor(cr, dc->attr.bkColor);
    cairo_rectangle(cr, x + e.x, y + e.y, e.width, e.height);
    cairo_fill(cr);
  }
  DcState::SetColor(cr, dc->attr.textColor);
  layout.Show(cr, x, y);
  DcState::End(cr);
  return static_cast<int>(y - rect->top) + e.height;
}
