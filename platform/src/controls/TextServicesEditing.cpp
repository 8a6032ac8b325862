// The text services' editing: selection, replacement with undo, the clipboard and keys.
#include "platform/src/controls/TextServices.h"

#include <algorithm>
#include <cwctype>

#include "platform/src/gdi/GdiArea.h"
#include "platform/src/display/DisplayArea.h"

namespace jf {

namespace {

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
  pending_.reset();
  goalX_ = -1;
  SelectionChanged();
}

void TextServices::SaveUndo(bool typing) {
  if (typing && typing_ && canUndo_) return;  // a run of typed characters is one step
  undo_ = Snapshot{text_, formats_, anchor_, caret_};
  canUndo_ = true;
  canRedo_ = false;
  typing_ = typing;
}

CHARFORMAT2W TextServices::InsertionFormat(LONG cp) const {
  if (pending_) return *pending_;
  // Typing goes on in the format of the character before, but a paragraph starts in its own.
  if (cp > 0 && cp <= Length() && text_[size_t(cp - 1)] != L'\r') return formats_.CharAt(cp - 1);
  return formats_.CharAt(cp);
}

void TextServices::Replace(const std::wstring& with, bool undoable, bool typing, const TextFormats* piece) {
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
  if (piece) {
    formats_.Splice(from, to, *piece, 0, LONG(insert.size()));
  } else {
    formats_.Replace(from, to, LONG(insert.size()), InsertionFormat(from));
  }
  text_.replace(size_t(from), size_t(to - from), insert);
  pending_.reset();
  anchor_ = caret_ = from + LONG(insert.size());
  goalX_ = -1;
  modified_ = true;
  Dirty();
  Changed();
  if (LONG(insert.size()) < LONG(with.size())) host_->TxNotify(EN_MAXTEXT, nullptr);
}

bool TextServices::Undo() { return Restore(undo_, canUndo_, redo_, canRedo_); }

bool TextServices::Redo() { return Restore(redo_, canRedo_, undo_, canUndo_); }

bool TextServices::Restore(const Snapshot& back, bool& canBack, Snapshot& keep, bool& canKeep) {
  if (!canBack) return false;
  keep = Snapshot{text_, formats_, anchor_, caret_};
  text_ = back.text;
  formats_ = back.formats;
  pending_.reset();
  anchor_ = back.anchor;
  caret_ = back.caret;
  canBack = false;
  canKeep = true;
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
    case VK_NEXT:
      Move(VerticalTarget(key), shift);
      break;
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
      if (!ctrl || !ControlKey(key, editable)) return;
  }
  ScrollCaretIntoView();
  PlaceCaret();
}

// Keeps the caret's x (the goal) across lines of different lengths.
LONG TextServices::VerticalTarget(WPARAM key) {
  const POINT p = PosOf(caret_);
  if (goalX_ < 0) goalX_ = p.x;
  const int lineHeight = CaretHeight(caret_);
  const RECT rc = Client();
  const int page = std::max(lineHeight, int(rc.bottom - rc.top) - lineHeight);
  int dy = key == VK_UP ? -lineHeight : key == VK_DOWN ? lineHeight : key == VK_PRIOR ? -page : page;
  const int line = LineOf(caret_);
  if ((key == VK_UP || key == VK_PRIOR) && line == 0) return 0;
  if ((key == VK_DOWN || key == VK_NEXT) && line + 1 >= LineCount()) return Length();
  return CpAt(goalX_, p.y + dy + lineHeight / 2);
}

bool TextServices::ControlKey(WPARAM key, bool editable) {
  switch (key) {
    case 'A': SetSel(0, Length()); break;
    case 'C': CopySelection(); break;
    case 'X': if (editable) { CopySelection(); if (!Has(TXTBIT_USEPASSWORD)) Replace(L"", true); } break;
    case 'V': if (editable) Paste(); break;
    case 'Z': if (editable) Undo(); break;
    case 'Y': if (editable) Redo(); break;
    default: return false;
  }
  return true;
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

void TextServices::SetText(const wchar_t* text) {
  SetSel(0, Length());
  Replace(Normalised(text), false);
}

void TextServices::ReplaceSelection(const wchar_t* text, bool undoable) { Replace(Normalised(text), undoable); }

void TextServices::SelectWordAt(LONG cp) {
  LONG from = cp, to = cp;
  while (from > 0 && IsWordChar(text_[size_t(from - 1)])) --from;
  while (to < Length() && IsWordChar(text_[size_t(to)])) ++to;
  SetSel(from, to);
}

}  // namespace jf
