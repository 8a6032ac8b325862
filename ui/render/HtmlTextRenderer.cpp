#include "ui/render/HtmlTextRenderer.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>

#include "ui/core/UIExtent.h"
#include "ui/core/UIValueParser.h"
#include "ui/render/SkinRenderer.h"
#include "ui/render/UIImageInfo.h"
#include "ui/render/IRenderResources.h"

namespace SkinUI {

namespace {

COLORREF ToColorRef(DWORD argb) { return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF); }
bool IsTagLetter(wchar_t c) { return c >= L'a' && c <= L'z'; }
bool IsOpenBracket(wchar_t c) { return c == L'<' || c == L'{'; }
bool IsCloseBracket(wchar_t c) { return c == L'>' || c == L'}'; }
bool IsSpecial(wchar_t c) { return c == L'<' || c == L'{' || c == L'\n' || c == L'\0'; }
bool IsAsciiLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// Finds a word inside args, letter case ignored.
bool HasWord(const CUIString& args, const wchar_t* word) {
  CUIString lower(args);
  for (int i = 0; i < lower.GetLength(); ++i) lower.SetAt(i, static_cast<wchar_t>(towlower(lower[i])));
  return lower.Find(word) >= 0;
}

// The closing tag of raw text: "</r>" or "{/r}".
const wchar_t* FindRawEnd(const wchar_t* p) {
  for (; *p; ++p) {
    if (IsOpenBracket(p[0]) && p[1] == L'/' && p[2] == L'r' && IsCloseBracket(p[3])) return p;
  }
  return p;
}

}  // namespace

CHtmlTextRenderer::CHtmlTextRenderer(HDC hdc, IRenderResources* manager, DWORD color, RECT* links,
                                     CUIString* linkTexts, int linkCapacity, UINT style)
    : m_hdc(hdc),
      m_manager(manager),
      m_color(color),
      m_links(links),
      m_linkTexts(linkTexts),
      m_linkCapacity(links && linkTexts && linkCapacity > 0 ? linkCapacity : 0),
      m_style(style),
      m_measureOnly((style & DT_CALCRECT) != 0) {}

const CHtmlTextRenderer::Metrics& CHtmlTextRenderer::MetricsOf(HFONT font) {
  // Every run asks for its font's metrics: keep them for the fonts of this call.
  for (const Metrics& m : m_metrics) {
    if (m.font == font) return m;
  }
  HGDIOBJ old = SelectObject(m_hdc, font);
  TEXTMETRICW tm = {};
  GetTextMetricsW(m_hdc, &tm);
  SIZE space = {0, 0};
  GetTextExtentPoint32W(m_hdc, L" ", 1, &space);
  SIZE dots = {0, 0};
  GetTextExtentPoint32W(m_hdc, L"...", 3, &dots);
  SelectObject(m_hdc, old);
  int average = tm.tmAveCharWidth > 0 ? tm.tmAveCharWidth : 1;
  int widest = tm.tmMaxCharWidth > average ? tm.tmMaxCharWidth : average;
  m_metrics.push_back({font, tm.tmHeight, tm.tmHeight + tm.tmExternalLeading, space.cx, average, widest, dots.cx});
  return m_metrics.back();
}

void CHtmlTextRenderer::FontMetrics(HFONT font, int& height, int& ascentBox, int& spaceTrail) {
  const Metrics& m = MetricsOf(font);
  height = m.height;
  ascentBox = m.box;
  spaceTrail = m.space;
}

int CHtmlTextRenderer::Extent(HFONT font, const wchar_t* text, int n) {
  SIZE size = {0, 0};
  HGDIOBJ old = SelectObject(m_hdc, font);
  GetTextExtentPoint32W(m_hdc, text, n, &size);
  SelectObject(m_hdc, old);
  return size.cx;
}

HFONT CHtmlTextRenderer::Variant(HFONT base, int bold, int underline, int italic) {
  UIFontInfo* info = m_manager->GetFontInfoByHandle(base);
  if (!info) return base;
  bool b = bold < 0 ? info->bold : (bold > 0 || info->bold);
  bool u = underline < 0 ? info->underline : (underline > 0 || info->underline);
  bool i = italic < 0 ? info->italic : (italic > 0 || info->italic);
  CUIString face = info->faceName;
  int size = info->size;
  HFONT font = m_manager->FindFont(face, size, b, u, i);
  if (!font) font = m_manager->AddFont(face, size, b, u, i);
  return font ? font : base;
}

HFONT CHtmlTextRenderer::FontFromArgs(const CUIString& args) {
  const wchar_t* p = args.GetData();
  while (*p == L' ') ++p;
  if (*p >= L'0' && *p <= L'9') return m_manager->GetFont(CUIValueParser::ReadInt(p));
  const wchar_t* faceStart = p;
  while (*p && *p != L' ') ++p;
  CUIString face(faceStart, static_cast<int>(p - faceStart));
  while (*p == L' ') ++p;
  int size = 10;
  if (*p >= L'0' && *p <= L'9') size = CUIValueParser::ReadInt(p);
  CUIString rest(p);
  bool bold = HasWord(rest, L"bold"), underline = HasWord(rest, L"underline"), italic = HasWord(rest, L"italic");
  HFONT font = m_manager->FindFont(face, size, bold, underline, italic);
  if (!font) font = m_manager->AddFont(face, size, bold, underline, italic);
  return font ? font : m_manager->GetFont(-1);
}

void CHtmlTextRenderer::DrawRun(const wchar_t* text, int n, int x, int top, int height, bool draw, State& st) {
  if (!draw || n <= 0) return;
  int fontHeight = 0, box = 0, trail = 0;
  FontMetrics(st.fonts.back(), fontHeight, box, trail);
  HGDIOBJ old = SelectObject(m_hdc, st.fonts.back());
  SetTextColor(m_hdc, ToColorRef(st.colors.back()));
  if (st.selected) {
    SetBkMode(m_hdc, OPAQUE);
  }
  TextOutW(m_hdc, x + m_lineShift, top + height - box, text, n);
  if (st.selected) SetBkMode(m_hdc, TRANSPARENT);
  SelectObject(m_hdc, old);
}

// ---- Tag scanning: what stands at a point of the text, apart from what it does to a line ----

CHtmlTextRenderer::Tag CHtmlTextRenderer::ScanTag(const wchar_t* p) {
  Tag tag;
  if (IsOpenBracket(p[0]) && p[1] == L'/' && IsTagLetter(p[2]) && IsCloseBracket(p[3])) {
    tag.kind = Tag::kClose;
    tag.letter = p[2];
    tag.end = p + 4;
  } else if (IsOpenBracket(p[0]) && IsTagLetter(p[1]) && (p[2] == L' ' || IsCloseBracket(p[2]))) {
    tag.kind = Tag::kOpen;
    tag.letter = p[1];
    const wchar_t* q = p + 2;
    if (*q == L' ') ++q;
    const wchar_t* argStart = q;
    while (*q && !IsCloseBracket(*q)) ++q;  // arguments stop at the end of the text
    tag.args = CUIString(argStart, static_cast<int>(q - argStart));
    tag.end = *q ? q + 1 : q;
  } else if (p[0] == L'<' && (p[1] == L'{' || p[1] == L'}') && p[2] == L'>') {
    // "<{>" and "<}>" draw a brace, "{<}" and "{>}" an angle bracket.
    tag.kind = Tag::kLiteral;
    tag.literal = p[1] == L'{' ? L"{" : L"}";
    tag.end = p + 3;
  } else if (p[0] == L'{' && (p[1] == L'<' || p[1] == L'>') && p[2] == L'}') {
    tag.kind = Tag::kLiteral;
    tag.literal = p[1] == L'<' ? L"<" : L">";
    tag.end = p + 3;
  }
  return tag;
}

// An image tag's arguments: "file='name'" or "res='id' restype='type'" or a bare name, then
// the frame count and the frame drawn.
void CHtmlTextRenderer::ParseImageArgs(const CUIString& args, CUIString& name, CUIString& type, int& frames,
                                       int& frame) {
  const wchar_t* a = args.GetData();
  int pos = args.Find(L"file='");
  int resPos = args.Find(L"res='");
  int at = pos >= 0 ? pos + 6 : (resPos >= 0 ? resPos + 5 : -1);
  const wchar_t* after = a;
  if (at >= 0) {
    int end = args.Find(L'\'', at);
    if (end < 0) end = args.GetLength();
    name = args.Mid(at, end - at);
    int typePos = args.Find(L"restype='");
    if (typePos >= 0) {
      int typeEnd = args.Find(L'\'', typePos + 9);
      if (typeEnd < 0) typeEnd = args.GetLength();
      type = args.Mid(typePos + 9, typeEnd - typePos - 9);
      if (typeEnd + 1 > end) end = typeEnd;
    }
    after = end < args.GetLength() ? a + end + 1 : a + args.GetLength();
  } else {
    while (*after && *after != L' ') ++after;
    name = CUIString(a, static_cast<int>(after - a));
  }
  while (*after == L' ') ++after;
  frames = 1;
  frame = 0;
  if (*after) {
    const wchar_t* stop = after;
    frames = CUIValueParser::ReadInt(after, &stop);
    after = stop;
    while (*after == L' ') ++after;
    if (*after) frame = CUIValueParser::ReadInt(after);
  }
  if (frames < 1) frames = 1;
  if (frame < 0 || frame >= frames) frame = 0;
}

// ---- Line breaking: one line laid out piece by piece; a piece that ends the line sets
// cursor.next ----

CHtmlTextRenderer::LineResult CHtmlTextRenderer::Line(const wchar_t* p, int top, int height, bool final,
                                                      State& st) {
  Cursor c;
  c.p = p;
  c.top = top;
  c.height = height;
  c.final = final;
  c.draw = final && !m_measureOnly;
  c.x = m_rc.left;
  int fh = 0, trail = 0;
  FontMetrics(st.fonts.back(), fh, c.lineHeight, trail);
  if (st.pendingLineMin > c.lineHeight) c.lineHeight = st.pendingLineMin;
  while (*c.p && !c.next) {
    Tag tag = st.raw ? Tag() : ScanTag(c.p);
    if (tag.kind == Tag::kNone && *c.p == L'\n') {
      ++c.p;
      if (!IsSingleLine()) c.next = c.p;
      continue;
    }
    const wchar_t* at = c.p;
    if (tag.kind != Tag::kNone) c.p = tag.end;
    switch (tag.kind) {
      case Tag::kClose: CloseTag(tag.letter, c, st); break;
      case Tag::kOpen: OpenTag(tag, at, c, st); break;
      case Tag::kLiteral: Literal(tag.literal, c, st); break;
      default: TextRun(c, st); break;
    }
  }
  LineResult result;
  result.next = c.next ? c.next : c.p;
  result.spacing = st.spacings.back();
  result.lead = c.lead;
  result.height = c.lead + c.lineHeight + result.spacing;
  result.width = c.x - m_rc.left;
  result.stop = c.stop;
  return result;
}

// Closers never pop the base entry of a stack: an unmatched closer changes nothing.
void CHtmlTextRenderer::CloseTag(wchar_t letter, Cursor& c, State& st) {
  switch (letter) {
    case L'a': CloseLink(c, st); break;
    case L'b':
    case L'f':
    case L'i':
    case L'u': CloseFont(c, st); break;
    case L'c':
      if (st.colors.size() > 1) st.colors.pop_back();
      break;
    case L'p':
      if (st.spacings.size() > 1) st.spacings.pop_back();
      if (!c.empty && !IsSingleLine()) c.next = c.p;
      break;
    case L's': st.selected = !st.selected; break;
    default: break;
  }
}

void CHtmlTextRenderer::CloseLink(Cursor& c, State& st) {
  if (st.linkIndexes.empty()) return;
  int index = st.linkIndexes.back();
  if (c.final && index >= 0 && index < m_linkCapacity) {
    int fh = 0, box = 0, trail = 0;
    FontMetrics(st.fonts.back(), fh, box, trail);
    m_links[index] = {st.linkStarts.back() + m_lineShift, c.top, c.x + m_lineShift, c.top + box};
  }
  st.linkIndexes.pop_back();
  st.linkStarts.pop_back();
  if (st.colors.size() > 1) st.colors.pop_back();
  if (st.fonts.size() > 1) st.fonts.pop_back();
}

void CHtmlTextRenderer::CloseFont(Cursor& c, State& st) {
  if (st.fonts.size() <= 1) return;
  HFONT leaving = st.fonts.back();
  st.fonts.pop_back();
  UIFontInfo* was = m_manager->GetFontInfoByHandle(leaving);
  UIFontInfo* now = m_manager->GetFontInfoByHandle(st.fonts.back());
  if (was && now && was->italic && !now->italic) {
    // Upright text after italic starts a little further on, past the slant.
    int fh = 0, box = 0, trail = 0;
    FontMetrics(leaving, fh, box, trail);
    c.x += trail / 2;
  }
}

void CHtmlTextRenderer::OpenTag(const Tag& tag, const wchar_t* tagStart, Cursor& c, State& st) {
  switch (tag.letter) {
    case L'a': OpenLink(tag.args, c, st); break;
    case L'b': st.fonts.push_back(Variant(st.fonts.back(), 1, -1, -1)); break;
    case L'u': st.fonts.push_back(Variant(st.fonts.back(), -1, 1, -1)); break;
    case L'c': st.colors.push_back(ColorFromArgs(tag.args)); break;
    case L'f': st.fonts.push_back(FontFromArgs(tag.args)); break;
    case L'i': PlaceImage(tag.args, tagStart, c, st); break;
    case L'n':
      if (!IsSingleLine()) c.next = c.p;
      break;
    case L'p': {
      const int spacing = CUIValueParser::ReadExtent(tag.args);
      st.spacings.push_back(spacing);
      if (IsSingleLine()) break;
      // Opened in a line, the paragraph ends it and the spacing goes below that line; opened
      // where a line begins, the same spacing goes above this one.
      if (c.empty) {
        c.lead = CUIExtent::Coordinate(static_cast<long long>(c.lead) + spacing);
      } else {
        c.next = c.p;
      }
      break;
    }
    case L'r': st.raw = true; break;
    case L's': st.selected = !st.selected; break;
    // The pen stays a coordinate however many moves the markup makes, so a run's width
    // added to it cannot overflow.
    case L'x': c.x = CUIExtent::Coordinate(static_cast<long long>(c.x) + CUIValueParser::ReadExtent(tag.args)); break;
    case L'y': c.lineHeight = (std::max)(c.lineHeight, CUIValueParser::ReadExtent(tag.args)); break;
    default: break;
  }
}

DWORD CHtmlTextRenderer::ColorFromArgs(const CUIString& args) {
  const wchar_t* c = args.GetData();
  while (*c == L' ') ++c;
  if (*c == L'#') ++c;
  // Unsigned, so a colour with a high alpha byte keeps its RGB.
  DWORD value = CUIValueParser::ReadHex(c);
  return 0xFF000000 | (value & 0x00FFFFFF);
}

void CHtmlTextRenderer::OpenLink(const CUIString& args, Cursor& c, State& st) {
  DWORD linkColor = m_manager->GetDefaultLinkFontColor();
  if (!m_hoverLink.IsEmpty() && m_hoverLink == args.GetData()) linkColor = m_manager->GetDefaultLinkHoverFontColor();
  st.colors.push_back(linkColor);
  st.fonts.push_back(Variant(st.fonts.back(), -1, 1, -1));
  int index = -1;
  if (m_linkCount < m_linkCapacity) {
    index = m_linkCount++;
    if (c.final) m_linkTexts[index] = args;
  }
  st.linkIndexes.push_back(index);
  st.linkStarts.push_back(c.x);
}

void CHtmlTextRenderer::PlaceImage(const CUIString& args, const wchar_t* tagStart, Cursor& c, State& st) {
  CUIString name, type;
  int frames = 1, frame = 0;
  ParseImageArgs(args, name, type, frames, frame);
  const UIImageInfo* image = m_manager->GetImageEx(name, type.IsEmpty() ? nullptr : type.GetData(), 0);
  if (image && !c.clipped) {
    int w = image->nX / frames;
    int h = image->nY;
    if (!c.empty && !IsSingleLine() && c.x + w > m_rc.right) {
      c.next = tagStart;  // the image opens the next line
      return;
    }
    if (h > c.lineHeight) c.lineHeight = h;
    if (c.draw) {
      int y = c.top + (c.height > h ? (c.height - h) / 2 : 0);
      RECT dest = {c.x + m_lineShift, y, c.x + m_lineShift + w, y + h};
      RECT source = {frame * w, 0, frame * w + w, h};
      RECT corner = {0, 0, 0, 0};
      CSkinRenderer::DrawImage(m_hdc, image->hBitmap, dest, m_rc, source, corner, image->alphaChannel);
    }
    c.x += w;
    c.empty = false;
  }
  st.fonts.push_back(st.fonts.back());  // closed by </i> like the other font tags
}

void CHtmlTextRenderer::Literal(const wchar_t* literal, Cursor& c, State& st) {
  if (c.clipped) return;
  DrawRun(literal, 1, c.x, c.top, c.height, c.draw, st);
  c.x += Extent(st.fonts.back(), literal, 1);
  c.empty = false;
}

// How much of a run of n characters fits in `avail` with the font selected: n when all of
// it does, -1 when the line must end before it; `width` is the width of what fits. Sets
// `ellipsis` when the run ends in "...". The width is estimated from the font's average
// character first: only a run that may reach the right edge is fitted character by character.
int CHtmlTextRenderer::FitRun(const wchar_t* p, int n, int avail, bool empty, const Metrics& metrics,
                              bool& ellipsis, int& width) {
  SIZE size = {0, 0};
  bool mayCut = !IsSingleLine() || (m_style & DT_END_ELLIPSIS);
  long long estimate = static_cast<long long>(n) * metrics.average;
  bool nearEdge = mayCut && estimate + (estimate >> 1) + metrics.widest > avail;
  if (!nearEdge) {
    GetTextExtentPoint32W(m_hdc, p, n, &size);
    width = size.cx;
    if (!mayCut || size.cx <= avail) return n;
  }
  // Near the edge: one measure finds what fits and where each of those characters ends.
  std::vector<int> ends(static_cast<size_t>(n));
  int fit = 0;
  GetTextExtentExPointW(m_hdc, p, n, avail < 0 ? 0 : avail, &fit, ends.data(), &size);
  width = size.cx;
  if (fit >= n && size.cx <= avail) return n;
  if (m_style & DT_END_ELLIPSIS) {
    int room = avail - metrics.dots, k = 0;
    while (k < fit && ends[k] <= room) ++k;
    fit = k;
    ellipsis = true;
  } else if (m_style & DT_WORDBREAK) {
    int at = -1;
    for (int i = fit; i > 0; --i) {
      if (p[i - 1] == L' ' || !IsAsciiLetter(p[i - 1])) {
        at = i;
        break;
      }
    }
    if (at > 0) {
      fit = at;
    } else if (!empty) {
      return -1;  // a word that starts after a tag goes to the next line whole
    }
  }
  if (fit <= 0) {
    if (ellipsis) {
      width = 0;
      return 0;
    }
    if (!empty) return -1;
    // A run that fits nowhere keeps its first part.
    GetTextExtentPoint32W(m_hdc, p, 1, &size);
    width = size.cx;
    return 1;
  }
  width = ends[fit - 1];
  return fit;
}

// A text run: up to the next tag, line break or end (raw text up to its closing tag).
void CHtmlTextRenderer::TextRun(Cursor& c, State& st) {
  const wchar_t* end;
  if (st.raw) {
    end = FindRawEnd(c.p);
    if (end == c.p) {
      st.raw = false;
      c.p += 4;
      return;
    }
  } else {
    end = c.p + 1;
    while (!IsSpecial(*end)) ++end;
  }
  if (c.clipped) {
    c.p = end;  // the line already ended in "..."
    return;
  }
  int n = static_cast<int>(end - c.p);
  HFONT font = st.fonts.back();
  const Metrics& metrics = MetricsOf(font);
  if (metrics.box > c.lineHeight) c.lineHeight = metrics.box;
  int avail = m_rc.right - c.x;
  bool ellipsis = false;
  int width = 0, fit = 0;
  // The drawing pass of a line lays out the same runs as its measuring pass.
  auto known = std::find_if(m_fitted.begin(), m_fitted.end(), [&](const FittedRun& r) {
    return r.p == c.p && r.font == font && r.avail == avail;
  });
  if (known != m_fitted.end()) {
    fit = known->fit;
    width = known->width;
    ellipsis = known->ellipsis;
  } else {
    HGDIOBJ old = SelectObject(m_hdc, font);
    fit = FitRun(c.p, n, avail, c.empty, metrics, ellipsis, width);
    SelectObject(m_hdc, old);
    m_fitted.push_back({c.p, font, avail, fit, width, ellipsis});
  }
  if (fit < 0) {
    c.next = c.p;
    return;
  }
  DrawRun(c.p, fit, c.x, c.top, c.height, c.draw, st);
  c.x += width;
  c.p += fit;
  c.empty = false;
  if (ellipsis) {
    // The ellipsis ends this line only: the rest of it is skipped up to its line break.
    DrawRun(L"...", 3, c.x, c.top, c.height, c.draw, st);
    c.x += metrics.dots;
    c.clipped = true;
    if (IsSingleLine()) c.stop = true;
  } else if (fit < n && !IsSingleLine()) {
    while (*c.p == L' ') ++c.p;
    c.next = c.p;
  }
}

// ---- The whole text ----

// Centred, right-aligned or bottom-aligned text: the rectangle shrinks to the text's size,
// measured first.
void CHtmlTextRenderer::AlignToText(LPCWSTR text) {
  RECT measure = {0, 0, 9999, 100};
  int none = 0;
  CHtmlTextRenderer probe(m_hdc, m_manager, m_color, nullptr, nullptr, none,
                          (m_style & ~(DT_CENTER | DT_RIGHT | DT_VCENTER | DT_BOTTOM)) | DT_CALCRECT);
  probe.Render(measure, text);
  int w = measure.right - measure.left, h = measure.bottom - measure.top;
  if (IsSingleLine()) {
    if (m_style & DT_CENTER) {
      m_rc.left = m_rc.left + (m_rc.right - m_rc.left - w) / 2;
      m_rc.right = m_rc.left + w;
    } else if (m_style & DT_RIGHT) {
      m_rc.left = m_rc.right - w;
    }
  }
  if (m_style & DT_VCENTER) {
    m_rc.top = m_rc.top + (m_rc.bottom - m_rc.top - h) / 2;
    m_rc.bottom = m_rc.top + h;
  } else if (m_style & DT_BOTTOM) {
    m_rc.top = m_rc.bottom - h;
  }
}

void CHtmlTextRenderer::Render(RECT& rc, LPCWSTR text) {
  m_rc = rc;
  // The hovered link: the first of the caller's rectangles that holds the pointer.
  POINT mouse = m_manager->GetMousePos();
  for (int i = 0; i < m_linkCapacity; ++i) {
    if (PtInRect(&m_links[i], mouse)) {
      m_hoverLink = m_linkTexts[i];
      break;
    }
  }
  if (!m_measureOnly && (m_style & (DT_CENTER | DT_RIGHT | DT_VCENTER | DT_BOTTOM))) AlignToText(text);
  CSkinClip clip;
  if (!m_measureOnly) {
    CSkinClip::ClipToRect(m_hdc, rc, clip);
    SetBkMode(m_hdc, TRANSPARENT);
    SetTextColor(m_hdc, ToColorRef(m_color));
    SetBkColor(m_hdc, ToColorRef(m_manager->GetDefaultSelectedBkColor()));
  }
  int widest = 0;
  int bottom = RenderLines(text, rc.bottom, widest);
  if (m_measureOnly) {
    rc.bottom = (std::max)(bottom, static_cast<int>(rc.top));  // lines drawn upwards measure nothing
    long right = rc.left + widest;
    rc.right = right < rc.right ? right : rc.right;
  }
}

// Lays out (and draws) the lines from the rectangle's top; answers where the last one ends.
int CHtmlTextRenderer::RenderLines(const wchar_t* p, int bottom, int& widest) {
  State st;
  UIFontInfo* base = m_manager->GetDefaultFontInfo();
  st.fonts.push_back(base ? base->hFont : m_manager->GetFont(-1));
  st.colors.push_back(m_color);
  st.spacings.push_back(0);
  // The running top is summed in 64 bits and kept a coordinate, as the pen's x is: thousands
  // of lines under a wide spacing neither wrap nor run away.
  long long top = m_rc.top;
  int lines = 0;
  while (*p && lines < 100000) {
    ++lines;
    if (!m_measureOnly && top >= bottom) break;  // stop at the first line below the rectangle
    State saved = st;
    int savedLinks = m_linkCount;
    m_fitted.clear();
    LineResult measure = Line(p, CUIExtent::Coordinate(top), 0, false, st);
    st = saved;
    m_linkCount = savedLinks;
    // Centred or right-aligned lines move as a whole, by what their measuring pass found;
    // moving each run by its own width would lay the runs of one line over each other.
    m_lineShift = 0;
    if (!IsSingleLine()) {
      int slack = (m_rc.right - m_rc.left) - measure.width;
      if (m_style & DT_CENTER) {
        m_lineShift = slack / 2;
      } else if (m_style & DT_RIGHT) {
        m_lineShift = slack;
      }
    }
    // The text stands below the spacing of a paragraph that begins with the line, and on the
    // spacing of the paragraph the line is in.
    LineResult drawn = Line(p, CUIExtent::Coordinate(top + measure.lead),
                            measure.height - measure.spacing - measure.lead, true, st);
    if (drawn.width > widest) widest = drawn.width;
    top = CUIExtent::Coordinate(top + measure.height);
    if (drawn.next == p) break;  // no progress: never loop
    p = drawn.next;
    if (drawn.stop) break;
  }
  return static_cast<int>(top);
}

}  // namespace SkinUI
