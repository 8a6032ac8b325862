// The text services' formats: character and paragraph formats, the background and links.
#include "platform/src/controls/TextServices.h"

#include <algorithm>
#include <cstring>
#include <cwctype>

#include "platform/src/gdi/GdiArea.h"

namespace jf {

namespace {

// A caller's CHARFORMATW or CHARFORMAT2W as a CHARFORMAT2W; false for any other size.
bool ReadCharFormat(LPARAM lparam, CHARFORMAT2W* out, bool* two) {
  const auto* cf = reinterpret_cast<const CHARFORMATW*>(lparam);
  if (!cf || (cf->cbSize != sizeof(CHARFORMATW) && cf->cbSize != sizeof(CHARFORMAT2W))) return false;
  *two = cf->cbSize == sizeof(CHARFORMAT2W);
  *out = CHARFORMAT2W{};
  std::memcpy(out, cf, cf->cbSize);
  return true;
}

bool ReadParaFormat(LPARAM lparam, PARAFORMAT2* out) {
  const auto* pf = reinterpret_cast<const PARAFORMAT*>(lparam);
  if (!pf || (pf->cbSize != sizeof(PARAFORMAT) && pf->cbSize != sizeof(PARAFORMAT2))) return false;
  *out = PARAFORMAT2{};
  std::memcpy(out, pf, pf->cbSize);
  if (pf->cbSize == sizeof(PARAFORMAT)) out->dwMask &= ~DWORD(PFM_SPACEBEFORE | PFM_SPACEAFTER | PFM_LINESPACING);
  return true;
}

constexpr DWORD kParaMask = PFM_STARTINDENT | PFM_RIGHTINDENT | PFM_OFFSET | PFM_ALIGNMENT | PFM_SPACEBEFORE |
                            PFM_SPACEAFTER | PFM_LINESPACING;

bool UrlChar(wchar_t c) { return c > L' ' && c != L'<' && c != L'>' && c != L'"' && c != L'\r' && c != 0x3000; }

}  // namespace

void TextServices::FormatChanged() {
  Dirty();
  UpdateScrollBars();
  ScrollCaretIntoView();
  PlaceCaret();
  Invalidate();
}

// wParam SCF_*: the selection (or the word at an empty one with SCF_WORD), the whole text or
// the default format. Without rich text every kind changes the one format of the text.
LRESULT TextServices::OnSetCharFormat(WPARAM wparam, LPARAM lparam) {
  CHARFORMAT2W change;
  bool two = false;
  if (!ReadCharFormat(lparam, &change, &two)) return 0;
  if (!Has(TXTBIT_RICHTEXT) || wparam == SCF_DEFAULT) {
    CHARFORMAT2W def = formats_.DefaultChar();
    TextFormats::Merge(def, change, two);
    formats_.SetDefaultChar(def);
    if (!Has(TXTBIT_RICHTEXT)) formats_.Reset(Length());
    FormatChanged();
    return 1;
  }
  LONG from = SelMin(), to = SelMax();
  if (wparam & SCF_ALL) {
    from = 0;
    to = Length();
  } else if ((wparam & SCF_WORD) && from == to) {
    auto word = [](wchar_t c) { return std::iswalnum(c) || c == L'_' || c > 0x2E80; };
    while (from > 0 && word(text_[size_t(from - 1)])) --from;
    while (to < Length() && word(text_[size_t(to)])) ++to;
  }
  if (from == to && !(wparam & SCF_ALL)) {
    // An empty selection keeps the format for what is typed next.
    CHARFORMAT2W next = InsertionFormat(caret_);
    TextFormats::Merge(next, change, two);
    pending_ = next;
    return 1;
  }
  SaveUndo(false);
  formats_.ApplyChar(from, to, (wparam & SCF_ALL) != 0 || to == Length(), change, two);
  modified_ = true;
  FormatChanged();
  return 1;
}

LRESULT TextServices::OnGetCharFormat(WPARAM wparam, LPARAM lparam) {
  auto* cf = reinterpret_cast<CHARFORMATW*>(lparam);
  CHARFORMAT2W ignored;
  bool two = false;
  if (!ReadCharFormat(lparam, &ignored, &two)) return 0;
  CHARFORMAT2W out;
  if (wparam == SCF_DEFAULT || !Has(TXTBIT_RICHTEXT)) {
    out = formats_.DefaultChar();
  } else if (SelMin() == SelMax()) {
    out = InsertionFormat(caret_);
  } else {
    out = formats_.Common(SelMin(), SelMax());
  }
  out.dwMask &= two ? DWORD(CFM_ALL2) : DWORD(CFM_ALL);
  out.cbSize = cf->cbSize;
  std::memcpy(cf, &out, cf->cbSize);
  return LRESULT(out.dwMask);
}

std::vector<LONG> TextServices::SelectedBreaks() const {
  std::vector<LONG> breaks;
  LONG cp = SelMin();
  while (true) {
    while (cp < Length() && text_[size_t(cp)] != L'\r') ++cp;
    breaks.push_back(cp);
    if (cp >= SelMax() || cp >= Length()) break;
    ++cp;
  }
  return breaks;
}

LRESULT TextServices::OnSetParaFormat(LPARAM lparam) {
  PARAFORMAT2 change;
  if (!ReadParaFormat(lparam, &change)) return 0;
  if (!Has(TXTBIT_RICHTEXT)) {
    PARAFORMAT2 def = formats_.DefaultPara();
    TextFormats::Merge(def, change);
    formats_.SetDefaultPara(def);
    FormatChanged();
    return 1;
  }
  SaveUndo(false);
  formats_.ApplyPara(SelectedBreaks(), change);
  modified_ = true;
  FormatChanged();
  return 1;
}

LRESULT TextServices::OnGetParaFormat(LPARAM lparam) {
  auto* pf = reinterpret_cast<PARAFORMAT*>(lparam);
  PARAFORMAT2 out;
  if (!ReadParaFormat(lparam, &out)) return 0;
  const std::vector<LONG> breaks = Has(TXTBIT_RICHTEXT) ? SelectedBreaks() : std::vector<LONG>{Length()};
  out = formats_.ParaAt(breaks.front());
  out.dwMask = kParaMask;
  if (!Has(TXTBIT_RICHTEXT)) out = formats_.DefaultPara();
  for (LONG b : breaks) {
    const PARAFORMAT2& p = formats_.ParaAt(b);
    if (p.dxStartIndent != out.dxStartIndent) out.dwMask &= ~DWORD(PFM_STARTINDENT);
    if (p.dxRightIndent != out.dxRightIndent) out.dwMask &= ~DWORD(PFM_RIGHTINDENT);
    if (p.dxOffset != out.dxOffset) out.dwMask &= ~DWORD(PFM_OFFSET);
    if (p.wAlignment != out.wAlignment) out.dwMask &= ~DWORD(PFM_ALIGNMENT);
    if (p.dySpaceBefore != out.dySpaceBefore) out.dwMask &= ~DWORD(PFM_SPACEBEFORE);
    if (p.dySpaceAfter != out.dySpaceAfter) out.dwMask &= ~DWORD(PFM_SPACEAFTER);
    if (p.dyLineSpacing != out.dyLineSpacing || p.bLineSpacingRule != out.bLineSpacingRule)
      out.dwMask &= ~DWORD(PFM_LINESPACING);
  }
  if (pf->cbSize == sizeof(PARAFORMAT)) out.dwMask &= ~DWORD(PFM_SPACEBEFORE | PFM_SPACEAFTER | PFM_LINESPACING);
  out.cbSize = pf->cbSize;
  std::memcpy(pf, &out, pf->cbSize);
  return LRESULT(out.dwMask);
}

// wParam non-zero: the system's window colour again; else lParam. The previous colour back.
LRESULT TextServices::OnSetBackgroundColor(WPARAM wparam, LPARAM lparam) {
  const COLORREF old = autoBackground_ ? host_->TxGetSysColor(COLOR_WINDOW) : background_;
  autoBackground_ = wparam != 0;
  background_ = COLORREF(lparam);
  Invalidate();
  return LRESULT(old);
}

LRESULT TextServices::OnAutoUrlDetect(WPARAM wparam) {
  detectUrls_ = wparam != 0;
  Dirty();
  Invalidate();
  return 0;
}

std::vector<CHARRANGE> TextServices::DetectLinks() const {
  std::vector<CHARRANGE> links;
  if (!detectUrls_) return links;
  static const wchar_t* const kStarts[] = {L"http://", L"https://", L"ftp://", L"file://", L"mailto:", L"www."};
  const LONG n = Length();
  for (LONG i = 0; i < n; ++i) {
    if (i > 0 && UrlChar(text_[size_t(i - 1)])) continue;  // addresses start after a blank
    for (const wchar_t* start : kStarts) {
      const LONG len = LONG(wcslen(start));
      if (i + len > n) continue;
      bool match = true;
      for (LONG k = 0; k < len && match; ++k) match = wchar_t(std::towlower(text_[size_t(i + k)])) == start[k];
      if (!match) continue;
      LONG end = i + len;
      while (end < n && UrlChar(text_[size_t(end)])) ++end;
      // Closing punctuation after an address belongs to the sentence.
      while (end > i + len && wcschr(L".,;:!?)]'", text_[size_t(end - 1)])) --end;
      if (end > i + len) links.push_back(CHARRANGE{i, end});
      i = end;
      break;
    }
  }
  return links;
}

bool TextServices::LinkAt(LONG cp, CHARRANGE* range) {
  if (cp < 0 || cp >= Length()) return false;
  Layout();  // detected links are those of the current layout
  for (const CHARRANGE& link : links_) {
    if (cp >= link.cpMin && cp < link.cpMax) {
      *range = link;
      return true;
    }
  }
  if (!(formats_.CharAt(cp).dwEffects & CFE_LINK)) return false;
  LONG from = cp, to = cp;
  while (from > 0 && (formats_.CharAt(from - 1).dwEffects & CFE_LINK)) --from;
  while (to < Length() && (formats_.CharAt(to).dwEffects & CFE_LINK)) ++to;
  *range = CHARRANGE{from, to};
  return true;
}

bool TextServices::NotifyLink(UINT msg, WPARAM wparam, LPARAM lparam) {
  if (!(eventMask_ & ENM_LINK)) return false;
  const LONG cp = CharUnder(GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam));
  CHARRANGE range;
  if (cp < 0 || !LinkAt(cp, &range)) return false;
  ENLINK link = {};
  link.nmhdr.code = EN_LINK;
  link.msg = msg;
  link.wParam = wparam;
  link.lParam = lparam;
  link.chrg = range;
  // A host that answers other than S_OK has handled the message itself.
  return host_->TxNotify(EN_LINK, &link) != S_OK;
}

}  // namespace jf
