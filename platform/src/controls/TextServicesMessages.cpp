// The messages the host sends its text services (TxSendMessage), one handler each.
#include "platform/src/controls/TextServices.h"

#include <algorithm>

#include "platform/src/gdi/GdiArea.h"
#include "platform/src/internal/trace.h"

namespace jf {

namespace {

constexpr int kWheelLines = 3;
constexpr UINT kEditMessagesEnd = 0x00E0;  // EM_GETSEL (0x00B0) up to here are the edit's messages

}  // namespace

HRESULT TextServices::TxSendMessage(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT* plresult) {
  JF_TRACE_ENTRY(Controls, "services %p msg 0x%x wp 0x%lx lp 0x%lx", (void*)this, msg, (unsigned long)wparam,
                 (unsigned long)lparam);
  const Hold hold(this);
  HRESULT hr = S_OK;
  const LRESULT result = Dispatch(msg, wparam, lparam, &hr);
  if (plresult) *plresult = result;
  return hr;
}

LRESULT TextServices::Dispatch(UINT msg, WPARAM wparam, LPARAM lparam, HRESULT* hr) {
  switch (msg) {
    case WM_SETTEXT: return OnSetText(lparam);
    case WM_GETTEXT: return CopyOut(WithCrLf(text_), wparam, lparam);
    case WM_GETTEXTLENGTH: return LRESULT(WithCrLf(text_).size());
    case EM_GETTEXTEX: return OnGetTextEx(wparam, lparam);
    case EM_GETTEXTLENGTHEX: return OnGetTextLengthEx(wparam);
    case EM_REPLACESEL: return OnReplaceSel(wparam, lparam);
    case EM_EXGETSEL: return OnExGetSel(lparam);
    case EM_EXSETSEL: return OnExSetSel(lparam);
    case EM_GETSEL: return OnGetSel(wparam, lparam);
    case EM_SETSEL: return OnSetSel(wparam, lparam);
    case EM_GETSELTEXT: return OnGetSelText(lparam);
    case EM_UNDO: return Undo() ? 1 : 0;
    case WM_UNDO: return Undo() ? 1 : 0;
    case EM_REDO: return Redo() ? 1 : 0;
    case EM_CANUNDO: return canUndo_;
    case EM_CANREDO: return canRedo_;
    case EM_EMPTYUNDOBUFFER: return OnEmptyUndoBuffer();
    case WM_CLEAR: return OnClear();
    case WM_CUT: return OnCut();
    case WM_COPY: return OnCopy();
    case WM_PASTE: return OnPaste();
    case EM_CANPASTE: return !Has(TXTBIT_READONLY);
    case EM_POSFROMCHAR: return OnPosFromChar(wparam, lparam);
    case EM_CHARFROMPOS: return OnCharFromPos(lparam);
    case EM_EXLINEFROMCHAR: return LineOf(LONG(lparam));
    case EM_LINEFROMCHAR: return LineOf(LONG(wparam) < 0 ? caret_ : LONG(wparam));
    case EM_GETLINECOUNT: return LineCount();
    case EM_LINEINDEX: return OnLineIndex(wparam);
    case EM_LINELENGTH: return OnLineLength(wparam);
    case EM_GETFIRSTVISIBLELINE: return OnFirstVisibleLine();
    case EM_SETEVENTMASK: return OnSetEventMask(lparam);
    case EM_GETEVENTMASK: return eventMask_;
    case EM_EXLIMITTEXT: return OnLimitText(msg, wparam, lparam);
    case EM_LIMITTEXT: return OnLimitText(msg, wparam, lparam);
    case EM_SETREADONLY: return OnSetReadOnly(wparam);
    case EM_GETMODIFY: return modified_;
    case EM_SETMODIFY: return OnSetModify(wparam);
    case EM_SCROLLCARET: return OnScrollCaret();
    case EM_GETSCROLLPOS: return OnGetScrollPos(lparam);
    case EM_SETSCROLLPOS: return OnSetScrollPos(lparam);
    case WM_VSCROLL: return OnScroll(msg, wparam);
    case WM_HSCROLL: return OnScroll(msg, wparam);
    case WM_MOUSEWHEEL: return OnMouseWheel(wparam);
    case WM_KEYDOWN: return OnKeyDown(wparam);
    case WM_CHAR: return OnChar(wparam);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      return NotifyLink(msg, wparam, lparam) ? 0 : OnButtonDown(msg, wparam, lparam);
    case WM_MOUSEMOVE: return NotifyLink(msg, wparam, lparam) && !dragging_ ? 0 : OnMouseMove(lparam);
    case WM_LBUTTONUP:
      NotifyLink(msg, wparam, lparam);
      return OnButtonUp(lparam);
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
      if (NotifyLink(msg, wparam, lparam)) return 0;
      return Unhandled(msg, hr);
    case WM_SETFOCUS: return OnSetFocus();
    case WM_KILLFOCUS: return OnKillFocus();
    case WM_TIMER:
      if (wparam == kLayoutTimer) LayOutMore();
      return 0;
    case EM_SETCHARFORMAT: return OnSetCharFormat(wparam, lparam);
    case EM_GETCHARFORMAT: return OnGetCharFormat(wparam, lparam);
    case EM_SETPARAFORMAT: return OnSetParaFormat(lparam);
    case EM_GETPARAFORMAT: return OnGetParaFormat(lparam);
    case EM_SETBKGNDCOLOR: return OnSetBackgroundColor(wparam, lparam);
    case EM_AUTOURLDETECT: return OnAutoUrlDetect(wparam);
    case EM_STREAMIN: return OnStreamIn(wparam, lparam);
    case EM_STREAMOUT: return OnStreamOut(wparam, lparam);
    default: return Unhandled(msg, hr);
  }
}

// The host handles what the services leave (S_FALSE). Key releases and system keys are the
// host's by design; an edit message (EM_* below WM_USER, the rich edit's from WM_USER on) left
// here is a piece not done.
LRESULT TextServices::Unhandled(UINT msg, HRESULT* hr) {
  *hr = S_FALSE;
  const bool hostKey = msg == WM_KEYUP || msg == WM_SYSKEYDOWN || msg == WM_SYSKEYUP || msg == WM_SYSCHAR;
  const bool editMessage = (msg >= EM_GETSEL && msg < kEditMessagesEnd) || (msg >= WM_USER && msg < WM_USER + 0x100);
  if (!hostKey && editMessage) JF_FIXME(Controls, "message 0x%x", msg);
  return 0;
}

LRESULT TextServices::OnSetText(LPARAM lparam) {
  SetText(reinterpret_cast<const wchar_t*>(lparam));
  anchor_ = caret_ = 0;
  modified_ = false;
  scrollX_ = scrollY_ = 0;
  UpdateScrollBars();
  PlaceCaret();
  return TRUE;
}

LRESULT TextServices::OnGetTextEx(WPARAM wparam, LPARAM lparam) {
  const auto* gt = reinterpret_cast<const GETTEXTEX*>(wparam);
  if (!gt || !lparam) return 0;
  std::wstring text = (gt->flags & GT_SELECTION) ? text_.substr(size_t(SelMin()), size_t(SelMax() - SelMin())) : text_;
  if (gt->flags & GT_USECRLF) text = WithCrLf(text);
  if (gt->codepage == 1200) return CopyOut(text, gt->cb / sizeof(WCHAR), lparam);
  if (gt->cb == 0) return 0;
  auto* out = reinterpret_cast<char*>(lparam);
  int n = WideCharToMultiByte(gt->codepage, 0, text.c_str(), int(text.size()), out, int(gt->cb) - 1,
                              gt->lpDefaultChar, gt->lpUsedDefChar);
  out[std::max(0, n)] = 0;
  return std::max(0, n);
}

LRESULT TextServices::OnGetTextLengthEx(WPARAM wparam) {
  const auto* gl = reinterpret_cast<const GETTEXTLENGTHEX*>(wparam);
  if (!gl) return E_INVALIDARG;
  const std::wstring text = (gl->flags & GTL_USECRLF) ? WithCrLf(text_) : text_;
  if ((gl->flags & GTL_NUMBYTES) && gl->codepage != 1200) {
    return WideCharToMultiByte(gl->codepage, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr, nullptr);
  }
  return LRESULT(text.size()) * ((gl->flags & GTL_NUMBYTES) ? LRESULT(sizeof(WCHAR)) : 1);
}

LRESULT TextServices::OnReplaceSel(WPARAM wparam, LPARAM lparam) {
  ReplaceSelection(reinterpret_cast<const wchar_t*>(lparam), wparam != 0);
  ScrollCaretIntoView();
  PlaceCaret();
  return 0;
}

LRESULT TextServices::OnExGetSel(LPARAM lparam) {
  if (auto* cr = reinterpret_cast<CHARRANGE*>(lparam)) *cr = CHARRANGE{SelMin(), SelMax()};
  return 0;
}

LRESULT TextServices::OnExSetSel(LPARAM lparam) {
  if (const auto* cr = reinterpret_cast<const CHARRANGE*>(lparam)) {
    SetSel(cr->cpMin, cr->cpMax);
    ScrollCaretIntoView();
  }
  return SelMax();
}

LRESULT TextServices::OnGetSel(WPARAM wparam, LPARAM lparam) {
  if (wparam) *reinterpret_cast<DWORD*>(wparam) = DWORD(SelMin());
  if (lparam) *reinterpret_cast<DWORD*>(lparam) = DWORD(SelMax());
  return MAKELONG(std::min<LONG>(SelMin(), 0xFFFF), std::min<LONG>(SelMax(), 0xFFFF));
}

LRESULT TextServices::OnSetSel(WPARAM wparam, LPARAM lparam) {
  SetSel(LONG(wparam), LONG(lparam));
  ScrollCaretIntoView();
  return 0;
}

LRESULT TextServices::OnGetSelText(LPARAM lparam) {
  return CopyOut(text_.substr(size_t(SelMin()), size_t(SelMax() - SelMin())), SelMax() - SelMin() + 1, lparam);
}

LRESULT TextServices::OnEmptyUndoBuffer() {
  canUndo_ = canRedo_ = typing_ = false;
  return 0;
}

LRESULT TextServices::OnClear() {
  if (!Has(TXTBIT_READONLY) && SelMin() != SelMax()) Replace(L"", true);
  return 0;
}

LRESULT TextServices::OnCut() {
  if (!Has(TXTBIT_READONLY) && !Has(TXTBIT_USEPASSWORD) && SelMin() != SelMax()) {
    CopySelection();
    Replace(L"", true);
  }
  return 0;
}

LRESULT TextServices::OnCopy() {
  CopySelection();
  return 0;
}

LRESULT TextServices::OnPaste() {
  if (!Has(TXTBIT_READONLY)) Paste();
  return 0;
}

LRESULT TextServices::OnPosFromChar(WPARAM wparam, LPARAM lparam) {
  auto* pt = reinterpret_cast<POINTL*>(wparam);
  if (!pt) return 0;
  const POINT p = PosOf(LONG(lparam));
  *pt = POINTL{p.x, p.y};
  return 0;
}

LRESULT TextServices::OnCharFromPos(LPARAM lparam) {
  const auto* pt = reinterpret_cast<const POINTL*>(lparam);
  return pt ? CpAt(pt->x, pt->y) : 0;
}

LRESULT TextServices::OnLineIndex(WPARAM wparam) {
  const int line = LONG(wparam) < 0 ? LineOf(caret_) : int(wparam);
  return Layout().HasLine(line) ? LineStart(line) : -1;
}

LRESULT TextServices::OnLineLength(WPARAM wparam) {
  const int line = LineOf(LONG(wparam) < 0 ? caret_ : LONG(wparam));
  return LineEnd(line) - LineStart(line);
}

LRESULT TextServices::OnFirstVisibleLine() {
  const RECT rc = Client();
  return LineOf(CpAt(rc.left, rc.top));
}

LRESULT TextServices::OnSetEventMask(LPARAM lparam) {
  const LRESULT old = eventMask_;
  eventMask_ = DWORD(lparam);
  return old;
}

// EM_EXLIMITTEXT takes the limit in lparam, EM_LIMITTEXT in wparam; 0 is each one's default.
LRESULT TextServices::OnLimitText(UINT msg, WPARAM wparam, LPARAM lparam) {
  maxLength_ = DWORD(msg == EM_EXLIMITTEXT ? lparam : LPARAM(wparam));
  if (maxLength_ == 0) maxLength_ = msg == EM_EXLIMITTEXT ? 32767 : 0x7FFFFFFE;
  return 0;
}

LRESULT TextServices::OnSetReadOnly(WPARAM wparam) {
  bits_ = wparam ? (bits_ | TXTBIT_READONLY) : (bits_ & ~DWORD(TXTBIT_READONLY));
  return TRUE;
}

LRESULT TextServices::OnSetModify(WPARAM wparam) {
  modified_ = wparam != 0;
  return 0;
}

LRESULT TextServices::OnScrollCaret() {
  ScrollCaretIntoView();
  return 0;
}

LRESULT TextServices::OnGetScrollPos(LPARAM lparam) {
  if (auto* pt = reinterpret_cast<POINT*>(lparam)) *pt = POINT{scrollX_, scrollY_};
  return 1;
}

LRESULT TextServices::OnSetScrollPos(LPARAM lparam) {
  if (const auto* pt = reinterpret_cast<const POINT*>(lparam)) ScrollTo(pt->x, pt->y);
  return 1;
}

// WM_VSCROLL and WM_HSCROLL: a line is the font's height, a page the client's extent.
LRESULT TextServices::OnScroll(UINT msg, WPARAM wparam) {
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
    case SB_ENDSCROLL: break;
    default: JF_FIXME(Controls, "scroll code %u", unsigned(LOWORD(wparam))); break;
  }
  if (vertical) ScrollTo(scrollX_, pos);
  else ScrollTo(pos, scrollY_);
  return 0;
}

LRESULT TextServices::OnMouseWheel(WPARAM wparam) {
  const int delta = GET_WHEEL_DELTA_WPARAM(wparam);
  const int line = std::max(1, FontLayout::Metrics(font_.get()).tmHeight);
  ScrollTo(scrollX_, scrollY_ - delta * kWheelLines * line / WHEEL_DELTA);
  return 0;
}

LRESULT TextServices::OnKeyDown(WPARAM wparam) {
  KeyDown(wparam);
  return 0;
}

LRESULT TextServices::OnChar(WPARAM wparam) {
  Char(wchar_t(wparam));
  return 0;
}

// WM_LBUTTONDOWN places the caret (Shift extends) and starts a drag; WM_LBUTTONDBLCLK
// selects the word.
LRESULT TextServices::OnButtonDown(UINT msg, WPARAM wparam, LPARAM lparam) {
  const LONG cp = CpAt(GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam));
  if (!focused_) host_->TxSetFocus();
  if (msg == WM_LBUTTONDBLCLK) {
    SelectWordAt(cp);
  } else if (!(wparam & MK_SHIFT) && ArmDrag(cp, lparam)) {
    return 0;
  } else {
    SetSel((wparam & MK_SHIFT) ? anchor_ : cp, cp);
    dragging_ = true;
    host_->TxSetCapture(TRUE);
  }
  ScrollCaretIntoView();
  return 0;
}

LRESULT TextServices::OnMouseMove(LPARAM lparam) {
  if (DragMove(lparam)) return 0;
  if (dragging_) {
    SetSel(anchor_, CpAt(GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)));
    ScrollCaretIntoView();
  }
  return 0;
}

LRESULT TextServices::OnButtonUp(LPARAM lparam) {
  if (DragRelease(lparam)) return 0;
  if (dragging_) {
    dragging_ = false;
    host_->TxSetCapture(FALSE);
  }
  return 0;
}

LRESULT TextServices::OnSetFocus() {
  focused_ = true;
  host_->TxCreateCaret(nullptr, 1, CaretHeight(caret_));
  PlaceCaret();
  host_->TxShowCaret(TRUE);
  Invalidate();
  return 0;
}

LRESULT TextServices::OnKillFocus() {
  if (focused_) host_->TxShowCaret(FALSE);
  focused_ = false;
  dragging_ = false;
  Invalidate();
  return 0;
}

}  // namespace jf
