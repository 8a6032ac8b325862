#include "platform/src/controls/TextServices.h"

#include <algorithm>
#include <cmath>
#include <cwctype>

#include "platform/src/gdi/GdiArea.h"
#include "platform/src/display/DisplayArea.h"
#include "platform/src/user/UserArea.h"

namespace jf {

namespace {

constexpr DWORD kEventChange = 0x00000001;
constexpr DWORD kEventSelChange = 0x00080000;
constexpr int kWheelLines = 3;

std::wstring& Clipboard() {
  static auto* text = new std::wstring;
  return *text;
}

bool IsWordChar(wchar_t c) { return std::iswalnum(c) || c == L'_' || c > 0x2E80; }

bool Control() { return (GetKeyState(VK_CONTROL) & 0x8000) != 0; }
bool Shift() { return (GetKeyState(VK_SHIFT) & 0x8000) != 0; }

// Paragraph breaks of given text become '\r': "\r\n", "\n" and "\r" all end a paragraph.
std::wstring Normalised(const wchar_t* text) {
  std::wstring out;
  if (!text) return out;
  for (const wchar_t* p = text; *p; ++p) {
    if (*p == L'\r' && p[1] == L'\n') ++p;
    out += *p == L'\n' ? L'\r' : *p;
  }
  return out;
}

}  // namespace

TextServices::TextServices(ITextHost* host) : host_(host) {
  host_->TxGetPropertyBits(0xFFFFFFFF, &bits_);
  host_->TxGetScrollBars(&scrollBars_);
  host_->TxGetMaxLength(&maxLength_);
  host_->TxGetBackStyle(&backStyle_);
  host_->TxGetPasswordChar(&passwordChar_);
  ReadFormat();
}

TextServices::~TextServices() = default;

HRESULT TextServices::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_ITextServices) {
    *ppv = static_cast<ITextServices*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG TextServices::AddRef() { return ++refs_; }

ULONG TextServices::Release() {
  const ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

void TextServices::ReadFormat() {
  const CHARFORMATW* cf = nullptr;
  LOGFONTW lf = {};
  lf.lfHeight = -12;
  lf.lfWeight = FW_NORMAL;
  wcscpy(lf.lfFaceName, L"Tahoma");
  if (SUCCEEDED(host_->TxGetCharFormat(&cf)) && cf) {
    // Twips to pixels at the layer's 96 dots per inch.
    if ((cf->dwMask & CFM_SIZE) && cf->yHeight > 0) lf.lfHeight = -MulDiv(cf->yHeight, 96, 1440);
    if (cf->dwMask & CFM_BOLD) lf.lfWeight = (cf->dwEffects & CFE_BOLD) ? FW_BOLD : FW_NORMAL;
    if (cf->dwMask & CFM_ITALIC) lf.lfItalic = (cf->dwEffects & CFE_ITALIC) ? 1 : 0;
    if (cf->dwMask & CFM_UNDERLINE) lf.lfUnderline = (cf->dwEffects & CFE_UNDERLINE) ? 1 : 0;
    if (cf->dwMask & CFM_CHARSET) lf.lfCharSet = cf->bCharSet;
    if ((cf->dwMask & CFM_FACE) && cf->szFaceName[0]) {
      wcsncpy(lf.lfFaceName, cf->szFaceName, LF_FACESIZE - 1);
      lf.lfFaceName[LF_FACESIZE - 1] = 0;
    }
    autoColor_ = !(cf->dwMask & CFM_COLOR) || (cf->dwEffects & CFE_AUTOCOLOR);
    color_ = cf->crTextColor;
  }
  font_ = std::make_unique<FontObject>(lf);
  const PARAFORMAT* pf = nullptr;
  if (SUCCEEDED(host_->TxGetParaFormat(&pf)) && pf && (pf->dwMask & PFM_ALIGNMENT)) alignment_ = pf->wAlignment;
  Dirty();
}

RECT TextServices::Client() const {
  RECT rc = client_;
  if (host_->TxGetClientRect(&rc) != S_OK) rc = client_;
  RECT inset = {0, 0, 0, 0};
  if (host_->TxGetViewInset(&inset) == S_OK) {
    rc.left += inset.left;
    rc.top += inset.top;
    rc.right -= inset.right;
    rc.bottom -= inset.bottom;
  }
  return rc;
}

// ---- Layout ----

void TextServices::Dirty() {
  layout_.reset();
  layoutWidth_ = -2;
}

FontLayout& TextServices::Layout() {
  const RECT rc = Client();
  return LayoutAt(Has(TXTBIT_WORDWRAP) && Has(TXTBIT_MULTILINE) ? std::max<int>(1, rc.right - rc.left) : -1);
}

FontLayout& TextServices::LayoutAt(int width) {
  if (layout_ && layoutWidth_ == width) return *layout_;
  std::wstring shown = text_;
  if (Has(TXTBIT_USEPASSWORD)) shown.assign(text_.size(), passwordChar_ ? passwordChar_ : L'*');
  layout_ = std::make_unique<FontLayout>(font_.get(), shown);
  layoutWidth_ = width;
  PangoLayout* pl = layout_->Get();
  if (width > 0) {
    pango_layout_set_width(pl, width * PANGO_SCALE);
    pango_layout_set_wrap(pl, PANGO_WRAP_WORD_CHAR);
  }
  pango_layout_set_alignment(pl, alignment_ == PFA_CENTER ? PANGO_ALIGN_CENTER
                                 : alignment_ == PFA_RIGHT ? PANGO_ALIGN_RIGHT
                                                           : PANGO_ALIGN_LEFT);
  // Without a width pango aligns within the widest line; a single line aligns in the client.
  bytes_.assign(1, 0);
  bytes_.reserve(shown.size() + 1);
  for (wchar_t c : shown) {
    const unsigned u = unsigned(c);
    bytes_.push_back(bytes_.back() + (u < 0x80 ? 1 : u < 0x800 ? 2 : u < 0x10000 ? 3 : 4));
  }
  return *layout_;
}

int TextServices::ByteOf(LONG cp) const {
  cp = std::clamp<LONG>(cp, 0, LONG(bytes_.size()) - 1);
  return bytes_[size_t(cp)];
}

LONG TextServices::CpOf(int byte) const {
  auto it = std::lower_bound(bytes_.begin(), bytes_.end(), byte);
  return LONG(it - bytes_.begin());
}

int TextServices::ContentHeight() { return Layout().Extents().height; }
int TextServices::ContentWidth() { return Layout().Extents().width; }

POINT TextServices::PosOf(LONG cp) {
  FontLayout& layout = Layout();
  PangoRectangle pos;
  pango_layout_index_to_pos(layout.Get(), ByteOf(cp), &pos);
  const RECT rc = Client();
  int x = PANGO_PIXELS(pos.x);
  if (layoutWidth_ < 0 && !Has(TXTBIT_MULTILINE)) {
    const int free = (rc.right - rc.left) - ContentWidth();
    if (free > 0 && alignment_ == PFA_CENTER) x += free / 2;
    if (free > 0 && alignment_ == PFA_RIGHT) x += free;
  }
  return POINT{rc.left + x - scrollX_, rc.top + PANGO_PIXELS(pos.y) - scrollY_};
}

LONG TextServices::CpAt(int x, int y) {
  FontLayout& layout = Layout();
  const RECT rc = Client();
  const POINT origin = PosOf(0);
  const POINT zero = {rc.left - scrollX_, rc.top - scrollY_};
  // The first character's shift from alignment of a lone line applies to every point.
  const int shift = (layoutWidth_ < 0 && !Has(TXTBIT_MULTILINE)) ? origin.x - zero.x - PANGO_PIXELS(0) : 0;
  int index = 0, trailing = 0;
  const int lx = (x - zero.x - shift) * PANGO_SCALE;
  int ly = (y - zero.y) * PANGO_SCALE;
  ly = std::clamp(ly, 0, std::max(0, layout.Extents().height * PANGO_SCALE - 1));
  pango_layout_xy_to_index(layout.Get(), lx, ly, &index, &trailing);
  LONG cp = CpOf(index) + trailing;
  return std::clamp<LONG>(cp, 0, Length());
}

int TextServices::LineOf(LONG cp) {
  int line = 0, x = 0;
  pango_layout_index_to_line_x(Layout().Get(), ByteOf(cp), FALSE, &line, &x);
  return line;
}

int TextServices::LineCount() { return pango_layout_get_line_count(Layout().Get()); }

LONG TextServices::LineStart(int line) {
  PangoLayoutLine* l = pango_layout_get_line_readonly(Layout().Get(), line);
  return l ? CpOf(l->start_index) : Length();
}

LONG TextServices::LineEnd(int line) {
  PangoLayoutLine* l = pango_layout_get_line_readonly(Layout().Get(), line);
  if (!l) return Length();
  LONG end = CpOf(l->start_index + l->length);
  // A wrapped line's trailing blank belongs before the next line's start.
  if (end > LineStart(line) && end <= Length() && end < Length() && line + 1 < LineCount() &&
      text_[size_t(end - 1)] == L' ')
    --end;
  return end;
}

// ---- Editing ----

void TextServices::SetSel(LONG anchor, LONG caret) {
  const LONG n = Length();
  if (anchor < 0 || caret < 0) {
    // (-1 anywhere) as the system: cpMin -1 removes the selection, cpMax -1 means the end.
    if (anchor < 0 && caret >= 0) anchor = caret;
    if (anchor >= 0 && caret < 0) caret = n;
    if (anchor < 0 && caret < 0) anchor = caret = caret_;
  }
  anchor = std::min(anchor, n);
  caret = std::min(caret, n);
  if (anchor == anchor_ && caret == caret_) return;
  anchor_ = anchor;
  caret_ = caret;
  typing_ = false;
  goalX_ = -1;
  SelectionChanged();
}

void TextServices::SaveUndo(bool typing) {
  if (typing && typing_ && canUndo_) return;  // a run of typed characters is one step
  undo_ = Snapshot{text_, anchor_, caret_};
  canUndo_ = true;
  canRedo_ = false;
  typing_ = typing;
}

void TextServices::Replace(const std::wstring& with, bool undoable, bool typing) {
  std::wstring insert = with;
  const LONG from = SelMin(), to = SelMax();
  const LONG room = LONG(maxLength_) - (Length() - (to - from));
  if (room <= 0) {
    insert.clear();
  } else if (LONG(insert.size()) > room) {
    insert.resize(size_t(room));
  }
  if (!Has(TXTBIT_MULTILINE)) {
    const size_t br = insert.find(L'\r');
    if (br != std::wstring::npos) insert.resize(br);
  }
  if (insert.empty() && from == to) {
    if (!with.empty()) host_->TxNotify(EN_MAXTEXT, nullptr);
    return;
  }
  if (undoable) {
    SaveUndo(typing);
  } else {
    canUndo_ = canRedo_ = typing_ = false;
  }
  text_.replace(size_t(from), size_t(to - from), insert);
  anchor_ = caret_ = from + LONG(insert.size());
  goalX_ = -1;
  modified_ = true;
  Dirty();
  Changed();
  if (LONG(insert.size()) < LONG(with.size())) host_->TxNotify(EN_MAXTEXT, nullptr);
}

bool TextServices::Undo() {
  if (!canUndo_) return false;
  redo_ = Snapshot{text_, anchor_, caret_};
  text_ = undo_.text;
  anchor_ = undo_.anchor;
  caret_ = undo_.caret;
  canUndo_ = false;
  canRedo_ = true;
  typing_ = false;
  Dirty();
  Changed();
  return true;
}

bool TextServices::Redo() {
  if (!canRedo_) return false;
  undo_ = Snapshot{text_, anchor_, caret_};
  text_ = redo_.text;
  anchor_ = redo_.anchor;
  caret_ = redo_.caret;
  canRedo_ = false;
  canUndo_ = true;
  typing_ = false;
  Dirty();
  Changed();
  return true;
}

void TextServices::CopySelection() {
  if (SelMin() == SelMax() || Has(TXTBIT_USEPASSWORD)) return;
  Clipboard() = WithCrLf(text_.substr(size_t(SelMin()), size_t(SelMax() - SelMin())));
  X11SetClipboard(Clipboard());
}

void TextServices::Paste() {
  std::wstring text;
  if (!X11GetClipboard(&text)) text = Clipboard();
  Replace(Normalised(text.c_str()), true);
}

LONG TextServices::WordStart(LONG cp) const {
  while (cp > 0 && !IsWordChar(text_[size_t(cp - 1)])) --cp;
  while (cp > 0 && IsWordChar(text_[size_t(cp - 1)])) --cp;
  return cp;
}

LONG TextServices::WordEnd(LONG cp) const {
  const LONG n = Length();
  while (cp < n && IsWordChar(text_[size_t(cp)])) ++cp;
  while (cp < n && !IsWordChar(text_[size_t(cp)]) && text_[size_t(cp)] != L'\r') ++cp;
  return cp;
}

void TextServices::Move(LONG cp, bool extend) {
  const int goal = goalX_;
  SetSel(extend ? anchor_ : cp, cp);
  goalX_ = goal;
}

void TextServices::KeyDown(WPARAM key) {
  const bool ctrl = Control(), shift = Shift();
  const bool editable = !Has(TXTBIT_READONLY);
  switch (key) {
    case VK_LEFT:
      if (!shift && SelMin() != SelMax()) Move(SelMin(), false);
      else Move(ctrl ? WordStart(caret_) : std::max<LONG>(0, caret_ - 1), shift);
      goalX_ = -1;
      break;
    case VK_RIGHT:
      if (!shift && SelMin() != SelMax()) Move(SelMax(), false);
      else Move(ctrl ? WordEnd(caret_) : std::min(Length(), caret_ + 1), shift);
      goalX_ = -1;
      break;
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT: {
      const POINT p = PosOf(caret_);
      if (goalX_ < 0) goalX_ = p.x;
      PangoRectangle pos;
      pango_layout_index_to_pos(Layout().Get(), ByteOf(caret_), &pos);
      const int lineHeight = std::max(1, PANGO_PIXELS(pos.height));
      const RECT rc = Client();
      const int page = std::max(lineHeight, int(rc.bottom - rc.top) - lineHeight);
      int dy = key == VK_UP ? -lineHeight : key == VK_DOWN ? lineHeight : key == VK_PRIOR ? -page : page;
      const int line = LineOf(caret_);
      LONG cp;
      if ((key == VK_UP || key == VK_PRIOR) && line == 0) cp = 0;
      else if ((key == VK_DOWN || key == VK_NEXT) && line + 1 >= LineCount()) cp = Length();
      else cp = CpAt(goalX_, p.y + dy + lineHeight / 2);
      Move(cp, shift);
      break;
    }
    case VK_HOME:
      Move(ctrl ? 0 : LineStart(LineOf(caret_)), shift);
      goalX_ = -1;
      break;
    case VK_END:
      Move(ctrl ? Length() : LineEnd(LineOf(caret_)), shift);
      goalX_ = -1;
      break;
    case VK_DELETE:
      if (!editable) break;
      if (SelMin() == SelMax()) {
        if (caret_ >= Length()) break;
        anchor_ = ctrl ? WordEnd(caret_) : caret_ + 1;
      }
      if (shift && !ctrl) CopySelection();
      Replace(L"", true);
      break;
    case VK_BACK:
      // Ctrl+Backspace deletes the word before the caret; the plain key arrives as WM_CHAR.
      if (!editable || !ctrl) break;
      if (SelMin() == SelMax()) anchor_ = WordStart(caret_);
      Replace(L"", true);
      break;
    case VK_RETURN:
      // The paragraph break is made here, so a host that keeps the key from us keeps it all.
      if (!editable || !Has(TXTBIT_MULTILINE)) return;
      Replace(L"\r", true, true);
      break;
    case VK_INSERT:
      if (ctrl) CopySelection();
      else if (shift && editable) Paste();
      break;
    default:
      if (!ctrl) return;
      switch (key) {
        case 'A': SetSel(0, Length()); break;
        case 'C': CopySelection(); break;
        case 'X': if (editable) { CopySelection(); if (!Has(TXTBIT_USEPASSWORD)) Replace(L"", true); } break;
        case 'V': if (editable) Paste(); break;
        case 'Z': if (editable) Undo(); break;
        case 'Y': if (editable) Redo(); break;
        default: return;
      }
  }
  ScrollCaretIntoView();
  PlaceCaret();
}

void TextServices::Char(wchar_t ch) {
  if (Has(TXTBIT_READONLY)) return;
  if (ch >= 0xD800 && ch <= 0xDBFF) {
    pendingHigh_ = ch;
    return;
  }
  if (ch >= 0xDC00 && ch <= 0xDFFF) {
    if (!pendingHigh_) return;
    ch = wchar_t(0x10000 + ((unsigned(pendingHigh_) - 0xD800) << 10) + (unsigned(ch) - 0xDC00));
  }
  pendingHigh_ = 0;
  if (ch == 8) {
    if (SelMin() == SelMax()) {
      if (caret_ == 0) return;
      anchor_ = caret_ - 1;
    }
    Replace(L"", true);
  } else if (ch == L'\r' || ch == L'\n') {
    return;  // made by the key itself
  } else if (ch == L'\t' || ch >= 0x20) {
    if (ch == 0x7F) return;
    Replace(std::wstring(1, ch), true, true);
  } else {
    return;
  }
  ScrollCaretIntoView();
  PlaceCaret();
}

std::wstring TextServices::WithCrLf(const std::wstring& text) const {
  std::wstring out;
  out.reserve(text.size());
  for (wchar_t c : text) {
    out += c;
    if (c == L'\r') out += L'\n';
  }
  return out;
}

LRESULT TextServices::CopyOut(const std::wstring& text, WPARAM capacity, LPARAM buffer) const {
  auto* out = reinterpret_cast<wchar_t*>(buffer);
  if (!out || capacity == 0) return 0;
  const size_t n = std::min<size_t>(text.size(), size_t(capacity) - 1);
  text.copy(out, n);
  out[n] = 0;
  return LRESULT(n);
}

// ---- Views and notifications ----

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

// ---- ITextServices ----

HRESULT TextServices::TxSendMessage(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT* plresult) {
  LRESULT result = 0;
  HRESULT hr = S_OK;
  switch (msg) {
    case WM_SETTEXT: {
      SetSel(0, Length());
      Replace(Normalised(reinterpret_cast<const wchar_t*>(lparam)), false);
      anchor_ = caret_ = 0;
      modified_ = false;
      scrollX_ = scrollY_ = 0;
      UpdateScrollBars();
      PlaceCaret();
      result = TRUE;
      break;
    }
    case WM_GETTEXT:
      result = CopyOut(WithCrLf(text_), wparam, lparam);
      break;
    case WM_GETTEXTLENGTH:
      result = LRESULT(WithCrLf(text_).size());
      break;
    case EM_GETTEXTEX: {
      const auto* gt = reinterpret_cast<const GETTEXTEX*>(wparam);
      if (!gt || !lparam) break;
      std::wstring text = (gt->flags & GT_SELECTION) ? text_.substr(size_t(SelMin()), size_t(SelMax() - SelMin())) : text_;
      if (gt->flags & GT_USECRLF) text = WithCrLf(text);
      if (gt->codepage == 1200) {
        result = CopyOut(text, gt->cb / sizeof(WCHAR), lparam);
      } else if (gt->cb > 0) {
        auto* out = reinterpret_cast<char*>(lparam);
        int n = WideCharToMultiByte(gt->codepage, 0, text.c_str(), int(text.size()), out, int(gt->cb) - 1,
                                    gt->lpDefaultChar, gt->lpUsedDefChar);
        out[std::max(0, n)] = 0;
        result = std::max(0, n);
      }
      break;
    }
    case EM_GETTEXTLENGTHEX: {
      const auto* gl = reinterpret_cast<const GETTEXTLENGTHEX*>(wparam);
      if (!gl) {
        result = E_INVALIDARG;
        break;
      }
      const std::wstring text = (gl->flags & GTL_USECRLF) ? WithCrLf(text_) : text_;
      if ((gl->flags & GTL_NUMBYTES) && gl->codepage != 1200) {
        result = WideCharToMultiByte(gl->codepage, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr, nullptr);
      } else {
        result = LRESULT(text.size()) * ((gl->flags & GTL_NUMBYTES) ? LRESULT(sizeof(WCHAR)) : 1);
      }
      break;
    }
    case EM_REPLACESEL:
      Replace(Normalised(reinterpret_cast<const wchar_t*>(lparam)), wparam != 0);
      ScrollCaretIntoView();
      PlaceCaret();
      break;
    case EM_EXGETSEL:
      if (auto* cr = reinterpret_cast<CHARRANGE*>(lparam)) *cr = CHARRANGE{SelMin(), SelMax()};
      break;
    case EM_EXSETSEL:
      if (const auto* cr = reinterpret_cast<const CHARRANGE*>(lparam)) {
        SetSel(cr->cpMin, cr->cpMax);
        ScrollCaretIntoView();
      }
      result = SelMax();
      break;
    case EM_GETSEL:
      if (wparam) *reinterpret_cast<DWORD*>(wparam) = DWORD(SelMin());
      if (lparam) *reinterpret_cast<DWORD*>(lparam) = DWORD(SelMax());
      result = MAKELONG(std::min<LONG>(SelMin(), 0xFFFF), std::min<LONG>(SelMax(), 0xFFFF));
      break;
    case EM_SETSEL:
      SetSel(LONG(wparam), LONG(lparam));
      ScrollCaretIntoView();
      break;
    case EM_GETSELTEXT:
      result = CopyOut(text_.substr(size_t(SelMin()), size_t(SelMax() - SelMin())), SelMax() - SelMin() + 1, lparam);
      break;
    case EM_UNDO:
    case WM_UNDO:
      result = Undo() ? 1 : 0;
      break;
    case EM_REDO:
      result = Redo() ? 1 : 0;
      break;
    case EM_CANUNDO:
      result = canUndo_;
      break;
    case EM_CANREDO:
      result = canRedo_;
      break;
    case EM_EMPTYUNDOBUFFER:
      canUndo_ = canRedo_ = typing_ = false;
      break;
    case WM_CLEAR:
      if (!Has(TXTBIT_READONLY) && SelMin() != SelMax()) Replace(L"", true);
      break;
    case WM_CUT:
      if (!Has(TXTBIT_READONLY) && !Has(TXTBIT_USEPASSWORD) && SelMin() != SelMax()) {
        CopySelection();
        Replace(L"", true);
      }
      break;
    case WM_COPY:
      CopySelection();
      break;
    case WM_PASTE:
      if (!Has(TXTBIT_READONLY)) Paste();
      break;
    case EM_CANPASTE:
      result = !Has(TXTBIT_READONLY);
      break;
    case EM_POSFROMCHAR: {
      auto* pt = reinterpret_cast<POINTL*>(wparam);
      if (!pt) break;
      const POINT p = PosOf(LONG(lparam));
      *pt = POINTL{p.x, p.y};
      break;
    }
    case EM_CHARFROMPOS:
      if (const auto* pt = reinterpret_cast<const POINTL*>(lparam)) result = CpAt(pt->x, pt->y);
      break;
    case EM_EXLINEFROMCHAR:
      result = LineOf(LONG(lparam));
      break;
    case EM_LINEFROMCHAR:
      result = LineOf(LONG(wparam) < 0 ? caret_ : LONG(wparam));
      break;
    case EM_GETLINECOUNT:
      result = LineCount();
      break;
    case EM_LINEINDEX: {
      const int line = LONG(wparam) < 0 ? LineOf(caret_) : int(wparam);
      result = line < LineCount() ? LineStart(line) : -1;
      break;
    }
    case EM_LINELENGTH: {
      const int line = LineOf(LONG(wparam) < 0 ? caret_ : LONG(wparam));
      result = LineEnd(line) - LineStart(line);
      break;
    }
    case EM_GETFIRSTVISIBLELINE: {
      const RECT rc = Client();
      result = LineOf(CpAt(rc.left, rc.top));
      break;
    }
    case EM_SETEVENTMASK:
      result = eventMask_;
      eventMask_ = DWORD(lparam);
      break;
    case EM_GETEVENTMASK:
      result = eventMask_;
      break;
    case EM_EXLIMITTEXT:
    case EM_LIMITTEXT:
      maxLength_ = DWORD(msg == EM_EXLIMITTEXT ? lparam : LPARAM(wparam));
      if (maxLength_ == 0) maxLength_ = msg == EM_EXLIMITTEXT ? 32767 : 0x7FFFFFFE;
      break;
    case EM_SETREADONLY:
      bits_ = wparam ? (bits_ | TXTBIT_READONLY) : (bits_ & ~DWORD(TXTBIT_READONLY));
      result = TRUE;
      break;
    case EM_GETMODIFY:
      result = modified_;
      break;
    case EM_SETMODIFY:
      modified_ = wparam != 0;
      break;
    case EM_SCROLLCARET:
      ScrollCaretIntoView();
      break;
    case EM_GETSCROLLPOS:
      if (auto* pt = reinterpret_cast<POINT*>(lparam)) *pt = POINT{scrollX_, scrollY_};
      result = 1;
      break;
    case EM_SETSCROLLPOS:
      if (const auto* pt = reinterpret_cast<const POINT*>(lparam)) ScrollTo(pt->x, pt->y);
      result = 1;
      break;
    case WM_VSCROLL:
    case WM_HSCROLL: {
      const bool vertical = msg == WM_VSCROLL;
      const RECT rc = Client();
      const int page = vertical ? rc.bottom - rc.top : rc.right - rc.left;
      const int line = std::max(1, FontLayout::Metrics(font_.get()).tmHeight);
      int pos = vertical ? scrollY_ : scrollX_;
      switch (LOWORD(wparam)) {
        case SB_LINEUP: pos -= line; break;
        case SB_LINEDOWN: pos += line; break;
        case SB_PAGEUP: pos -= page; break;
        case SB_PAGEDOWN: pos += page; break;
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK: pos = HIWORD(wparam); break;
        case SB_TOP: pos = 0; break;
        case SB_BOTTOM: pos = 0x7FFFFFFF; break;
        default: break;
      }
      if (vertical) ScrollTo(scrollX_, pos);
      else ScrollTo(pos, scrollY_);
      break;
    }
    case WM_MOUSEWHEEL: {
      const int delta = GET_WHEEL_DELTA_WPARAM(wparam);
      const int line = std::max(1, FontLayout::Metrics(font_.get()).tmHeight);
      ScrollTo(scrollX_, scrollY_ - delta * kWheelLines * line / WHEEL_DELTA);
      break;
    }
    case WM_KEYDOWN:
      KeyDown(wparam);
      break;
    case WM_CHAR:
      Char(wchar_t(wparam));
      break;
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_SYSCHAR:
      hr = S_FALSE;
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      const LONG cp = CpAt(GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam));
      if (!focused_) host_->TxSetFocus();
      if (msg == WM_LBUTTONDBLCLK) {
        LONG from = cp, to = cp;
        while (from > 0 && IsWordChar(text_[size_t(from - 1)])) --from;
        while (to < Length() && IsWordChar(text_[size_t(to)])) ++to;
        SetSel(from, to);
      } else {
        SetSel((wparam & MK_SHIFT) ? anchor_ : cp, cp);
        dragging_ = true;
        host_->TxSetCapture(TRUE);
      }
      ScrollCaretIntoView();
      break;
    }
    case WM_MOUSEMOVE:
      if (dragging_) {
        SetSel(anchor_, CpAt(GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)));
        ScrollCaretIntoView();
      }
      break;
    case WM_LBUTTONUP:
      if (dragging_) {
        dragging_ = false;
        host_->TxSetCapture(FALSE);
      }
      break;
    case WM_SETFOCUS: {
      focused_ = true;
      PangoRectangle pos;
      pango_layout_index_to_pos(Layout().Get(), ByteOf(caret_), &pos);
      host_->TxCreateCaret(nullptr, 1, std::max(1, PANGO_PIXELS(pos.height)));
      PlaceCaret();
      host_->TxShowCaret(TRUE);
      Invalidate();
      break;
    }
    case WM_KILLFOCUS:
      if (focused_) host_->TxShowCaret(FALSE);
      focused_ = false;
      dragging_ = false;
      Invalidate();
      break;
    case WM_TIMER:
      break;
    default:
      hr = S_FALSE;
      break;
  }
  if (plresult) *plresult = result;
  return hr;
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
  const bool showSelection = SelMin() != SelMax() && (focused_ || !Has(TXTBIT_HIDESELECTION));
  if (showSelection) {
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

HRESULT TextServices::TxGetHScroll(LONG* plMin, LONG* plMax, LONG* plPos, LONG* plPage, BOOL* pfEnabled) {
  const RECT rc = Client();
  if (plMin) *plMin = 0;
  if (plMax) *plMax = layoutWidth_ < 0 ? ContentWidth() : rc.right - rc.left;
  if (plPos) *plPos = scrollX_;
  if (plPage) *plPage = rc.right - rc.left;
  if (pfEnabled) *pfEnabled = layoutWidth_ < 0 && ContentWidth() > rc.right - rc.left;
  return S_OK;
}

HRESULT TextServices::TxGetVScroll(LONG* plMin, LONG* plMax, LONG* plPos, LONG* plPage, BOOL* pfEnabled) {
  const RECT rc = Client();
  if (plMin) *plMin = 0;
  if (plMax) *plMax = ContentHeight();
  if (plPos) *plPos = scrollY_;
  if (plPage) *plPage = rc.bottom - rc.top;
  if (pfEnabled) *pfEnabled = ContentHeight() > rc.bottom - rc.top;
  return S_OK;
}

HRESULT TextServices::OnTxSetCursor(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, HDC, LPCRECT lprcClient, INT x, INT y) {
  const RECT rc = lprcClient ? *lprcClient : Client();
  const POINT pt = {x, y};
  host_->TxSetCursor(LoadCursorW(nullptr, PtInRect(&rc, pt) ? IDC_IBEAM : IDC_ARROW), PtInRect(&rc, pt));
  return S_OK;
}

HRESULT TextServices::TxQueryHitPoint(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, HDC, LPCRECT lprcClient, INT x, INT y,
                                      DWORD* pHitResult) {
  if (!pHitResult) return E_INVALIDARG;
  const RECT rc = lprcClient ? *lprcClient : Client();
  *pHitResult = PtInRect(&rc, POINT{x, y}) ? TXTHITRESULT_HIT : TXTHITRESULT_NOHIT;
  return S_OK;
}

HRESULT TextServices::OnTxInPlaceActivate(LPCRECT prcClient) {
  active_ = true;
  if (prcClient && !IsRectEmpty(prcClient)) client_ = *prcClient;
  Dirty();
  Invalidate();
  return S_OK;
}

HRESULT TextServices::OnTxInPlaceDeactivate() {
  active_ = false;
  if (dragging_) host_->TxSetCapture(FALSE);
  dragging_ = false;
  return S_OK;
}

HRESULT TextServices::OnTxUIActivate() { return S_OK; }
HRESULT TextServices::OnTxUIDeactivate() { return S_OK; }

HRESULT TextServices::TxGetText(BSTR* pbstrText) {
  if (!pbstrText) return E_INVALIDARG;
  *pbstrText = SysAllocStringLen(text_.c_str(), UINT(text_.size()));
  return *pbstrText ? S_OK : E_OUTOFMEMORY;
}

HRESULT TextServices::TxSetText(LPCWSTR pszText) {
  LRESULT ignored = 0;
  return TxSendMessage(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(pszText ? pszText : L""), &ignored);
}

HRESULT TextServices::TxGetCurTargetX(LONG* px) {
  if (!px) return E_INVALIDARG;
  *px = PosOf(caret_).x;
  return S_OK;
}

HRESULT TextServices::TxGetBaseLinePos(LONG* pBaseLinePos) {
  if (!pBaseLinePos) return E_INVALIDARG;
  *pBaseLinePos = Layout().Baseline();
  return S_OK;
}

HRESULT TextServices::TxGetNaturalSize(DWORD, HDC, HDC, DVTARGETDEVICE*, DWORD /*dwMode*/, const SIZEL*, LONG* pwidth,
                                       LONG* pheight) {
  if (!pwidth || !pheight) return E_INVALIDARG;
  const bool wrap = Has(TXTBIT_WORDWRAP) && Has(TXTBIT_MULTILINE);
  const int width = wrap ? std::max<LONG>(1, *pwidth) : -1;
  FontLayout& layout = LayoutAt(width);
  const PangoRectangle e = layout.Extents();
  *pwidth = wrap ? std::min<LONG>(*pwidth, e.width) : e.width;
  *pheight = e.height;
  Dirty();  // the next use lays out at the client width again
  return S_OK;
}

HRESULT TextServices::TxGetDropTarget(IDropTarget** ppDropTarget) {
  if (ppDropTarget) *ppDropTarget = nullptr;
  return E_NOTIMPL;
}

HRESULT TextServices::OnTxPropertyBitsChange(DWORD dwMask, DWORD dwBits) {
  bits_ = (bits_ & ~dwMask) | (dwBits & dwMask);
  if (dwMask & (TXTBIT_CHARFORMATCHANGE | TXTBIT_PARAFORMATCHANGE)) ReadFormat();
  if (dwMask & TXTBIT_MAXLENGTHCHANGE) host_->TxGetMaxLength(&maxLength_);
  if (dwMask & TXTBIT_BACKSTYLECHANGE) host_->TxGetBackStyle(&backStyle_);
  if (dwMask & TXTBIT_SCROLLBARCHANGE) host_->TxGetScrollBars(&scrollBars_);
  if (dwMask & TXTBIT_USEPASSWORD) host_->TxGetPasswordChar(&passwordChar_);
  const RECT client = Client();
  const bool moved = !EqualRect(&client, &laidOut_);
  laidOut_ = client;
  const DWORD relayout = TXTBIT_CHARFORMATCHANGE | TXTBIT_PARAFORMATCHANGE | TXTBIT_WORDWRAP | TXTBIT_USEPASSWORD |
                         TXTBIT_MULTILINE;
  if (!moved && (dwMask & ~DWORD(TXTBIT_VIEWINSETCHANGE | TXTBIT_CLIENTRECTCHANGE | TXTBIT_EXTENTCHANGE)) == 0) {
    return S_OK;  // the same rectangle again: nothing to lay out
  }
  Dirty();
  if (active_ && (moved || (dwMask & relayout))) {
    UpdateScrollBars();
    PlaceCaret();
  }
  Invalidate();
  return S_OK;
}

HRESULT TextServices::TxGetCachedSize(DWORD* pdwWidth, DWORD* pdwHeight) {
  if (!pdwWidth || !pdwHeight) return E_INVALIDARG;
  *pdwWidth = DWORD(ContentWidth());
  *pdwHeight = DWORD(ContentHeight());
  return S_OK;
}

}  // namespace jf

HRESULT CreateTextServices(IUnknown* punkOuter, ITextHost* pITextHost, IUnknown** ppUnk) {
  if (!ppUnk) return E_INVALIDARG;
  *ppUnk = nullptr;
  if (punkOuter) return CLASS_E_NOAGGREGATION;
  if (!pITextHost) return E_INVALIDARG;
  *ppUnk = new jf::TextServices(pITextHost);
  return S_OK;
}
