#include "ui/richedit/RichEditUI.h"

#include <windowsx.h>

#include <cwchar>

#include "ui/base/ScrollBarUI.h"
#include "ui/core/UIValueParser.h"
#include "ui/render/SkinClip.h"
#include "ui/render/SkinRenderer.h"
#include "ui/richedit/RichEditDropTarget.h"
#include "ui/richedit/TxtWinHost.h"
#include "ui/base/WindowManagerUI.h"

namespace SkinUI {

namespace {

constexpr LONG kDefaultMaxChars = 32767;
constexpr int kCaretHeight = 15;

bool Meets(const RECT& a, const RECT& b) {
  RECT tmp;
  return IntersectRect(&tmp, &a, &b) != FALSE;
}

bool IsTrue(LPCWSTR value) { return value && wcscmp(value, L"true") == 0; }

void SetBit(DWORD& style, DWORD bit, bool on) { style = on ? (style | bit) : (style & ~bit); }

COLORREF ToColorRef(DWORD argb) { return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF); }

POINT PointOf(LPARAM lParam) { return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

}  // namespace

CRichEditUI::CRichEditUI() = default;

CRichEditUI::~CRichEditUI() {
  if (m_manager) {
    // The blink timer and every text-services timer are this control's manager timers.
    m_manager->KillAllTimers(this);
  }
  // A window must not keep dropping into text services that are gone.
  if (m_dropWindow) CRichEditDropTarget::Leave(m_dropWindow, this);
  if (m_host) {
    m_host->Detach();
    m_host->Release();
    m_host = nullptr;
    if (m_manager) m_manager->RemoveMessageFilter(this);
  }
}

LPCWSTR CRichEditUI::GetClass() const { return L"RichEditUI"; }

LPVOID CRichEditUI::GetInterface(LPCWSTR name) {
  if (name && wcscmp(name, L"RichEdit") == 0) return static_cast<CRichEditUI*>(this);
  // The manager asks a focused rich edit whether Tab is for it.
  if (name && wcscmp(name, L"WantTab") == 0) return m_wantTab ? static_cast<CRichEditUI*>(this) : nullptr;
  return CContainerUI::GetInterface(name);
}

UINT CRichEditUI::GetControlFlags() const { return IsEnabled() ? UIFLAG_TABSTOP | UIFLAG_SETCURSOR : 0; }

// ---- Text ----

CUIString CRichEditUI::GetText() const {
  if (!m_host) return CUIString();
  const LONG length = GetTextLength(GTL_DEFAULT);
  if (length <= 0) return CUIString();
  // Buffer sizes are characters of this platform's WCHAR, whatever its width.
  wchar_t* buffer = new wchar_t[size_t(length) + 1]();
  GETTEXTEX gt = {};
  gt.cb = DWORD((size_t(length) + 1) * sizeof(wchar_t));
  gt.flags = GT_DEFAULT;
  gt.codepage = 1200;
  LRESULT ignored = 0;
  TxSendMessage(EM_GETTEXTEX, reinterpret_cast<WPARAM>(&gt), reinterpret_cast<LPARAM>(buffer), &ignored);
  CUIString text(buffer);
  delete[] buffer;
  return text;
}

void CRichEditUI::SetText(LPCWSTR text) {
  m_text = text;
  if (!m_host) return;
  SetSel(-1);
  ReplaceSel(text, false);
}

bool CRichEditUI::IsReadOnly() const { return m_readOnly; }

void CRichEditUI::SetReadOnly(bool readOnly) {
  m_readOnly = readOnly;
  SetBit(m_style, ES_READONLY, readOnly);
  if (!m_host) return;
  DWORD style = m_host->GetStyle();
  SetBit(style, ES_READONLY, readOnly);
  m_host->SetStyle(style);
  m_host->GetTextServices()->OnTxPropertyBitsChange(TXTBIT_READONLY, readOnly ? TXTBIT_READONLY : 0);
}

LONG CRichEditUI::GetTextLength(DWORD flags) const {
  GETTEXTLENGTHEX gl = {flags, 1200};
  LRESULT result = 0;
  TxSendMessage(EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&gl), 0, &result);
  return LONG(result);
}

void CRichEditUI::ReplaceSel(LPCWSTR text, bool canUndo) {
  LRESULT ignored = 0;
  TxSendMessage(EM_REPLACESEL, canUndo ? 1 : 0, reinterpret_cast<LPARAM>(text ? text : L""), &ignored);
}

CUIString CRichEditUI::GetSelText() const {
  if (!m_host) return CUIString();
  CHARRANGE cr = {0, 0};
  LRESULT ignored = 0;
  TxSendMessage(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&cr), &ignored);
  if (cr.cpMax < cr.cpMin) return CUIString();
  wchar_t* buffer = new wchar_t[size_t(cr.cpMax - cr.cpMin) + 1]();
  TxSendMessage(EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(buffer), &ignored);
  CUIString text(buffer);
  delete[] buffer;
  return text;
}

bool CRichEditUI::Redo() {
  if (!m_host) return false;
  LRESULT result = 0;
  TxSendMessage(EM_REDO, 0, 0, &result);
  return result == 1;
}

bool CRichEditUI::Undo() {
  if (!m_host) return false;
  LRESULT result = 0;
  TxSendMessage(EM_UNDO, 0, 0, &result);
  return result == 1;
}

void CRichEditUI::Clear() {
  LRESULT ignored = 0;
  TxSendMessage(WM_CLEAR, 0, 0, &ignored);
  SetSel(GetTextLength(GTL_DEFAULT));
  ReplaceSel(L"", true);
}

void CRichEditUI::Copy() {
  LRESULT ignored = 0;
  TxSendMessage(WM_COPY, 0, 0, &ignored);
}

void CRichEditUI::Cut() {
  LRESULT ignored = 0;
  TxSendMessage(WM_CUT, 0, 0, &ignored);
}

void CRichEditUI::Paste() {
  LRESULT ignored = 0;
  TxSendMessage(WM_PASTE, 0, 0, &ignored);
}

bool CRichEditUI::IsDropEnabled() const { return m_dropEnabled; }

void CRichEditUI::SetDropEnabled(bool enabled) {
  m_dropEnabled = enabled;
  if (!enabled) {
    if (m_dropWindow) CRichEditDropTarget::Leave(m_dropWindow, this);
    m_dropWindow = nullptr;
    return;
  }
  // Before the host exists there is no drop target to hand drops to; the flag alone is kept.
  // The window's one registration serves every rich edit in it, each by its rectangle.
  if (!m_host || !m_manager || m_dropWindow) return;
  const HWND hwnd = m_manager->GetPaintWindow();
  if (CRichEditDropTarget::Join(hwnd, this)) m_dropWindow = hwnd;
}

HRESULT CRichEditUI::TxSendMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) const {
  if (!m_host) return S_FALSE;
  if (msg == WM_KEYDOWN && wParam == VK_RETURN) {
    const bool ctrl = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
    if (!m_wantReturn || (ctrl && !m_wantCtrlReturn)) {
      if (m_manager) m_manager->SendNotify(const_cast<CRichEditUI*>(this), L"return");
      return S_OK;
    }
  }
  return m_host->GetTextServices()->TxSendMessage(msg, wParam, lParam, result);
}

bool CRichEditUI::OnTxViewChanged() { return m_rcItem.right - m_rcItem.left != 0; }

void CRichEditUI::OnTxNotify(DWORD code, void* data) {
  switch (code) {
    case EN_CHANGE:
    case EN_MSGFILTER:
    case EN_SELCHANGE:
    case EN_DROPFILES:
    case EN_PROTECTED:
    case EN_STOPNOUNDO:
    case EN_SAVECLIPBOARD:
    case EN_OLEOPFAILED:
    case EN_OBJECTPOSITIONS:
    case EN_LINK:
    case EN_DRAGDROPDONE:
      if (data && m_manager) {
        auto* head = static_cast<NMHDR*>(data);
        head->hwndFrom = m_manager->GetPaintWindow();
        head->idFrom = UINT_PTR(GetWindowLongPtrW(m_manager->GetPaintWindow(), GWL_ID));
        head->code = code;
      }
      if (m_manager) m_manager->SendNotify(this, L"richeditnotify", code, reinterpret_cast<LPARAM>(data));
      break;
    default:
      break;
  }
}

// ---- Selection, positions and the caret ----

LONG CRichEditUI::SetSel(LONG end) {
  CHARRANGE cr = {0, end};
  LRESULT result = 0;
  TxSendMessage(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&cr), &result);
  return LONG(result);
}

POINT CRichEditUI::PosFromChar(LONG index) const {
  POINTL pt = {0, 0};
  LRESULT ignored = 0;
  TxSendMessage(EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&pt), index, &ignored);
  return POINT{pt.x, pt.y};
}

LONG CRichEditUI::CharFromPos(int x, int y) const {
  if (!m_host) return 0;
  POINTL pt = {x, y};
  LRESULT result = 0;
  TxSendMessage(EM_CHARFROMPOS, 0, reinterpret_cast<LPARAM>(&pt), &result);
  return LONG(result);
}

void CRichEditUI::SetCaretPos(int x, int y) {
  ::SetCaretPos(x, y);
  const RECT old = m_caretRect;
  if (x < 0 || y < 0) {
    m_caretActive = false;
    return;
  }
  m_caretRect.left = m_caretRect.right = x;
  m_lastCaret = POINT{x, y};
  const LONG n = CharFromPos(x, y);
  const POINT p = PosFromChar(n);
  if (p.x - x > 3 || x - p.x > 3) {
    m_caretRect.bottom = p.y;
    m_caretRect.top = p.y - kCaretHeight;
  } else {
    LRESULT line = 0, start = -1;
    TxSendMessage(EM_EXLINEFROMCHAR, 0, n, &line);
    // The next line's start, or -1 when there is none (the lines of a long paragraph after
    // an edit are counted only once they are all laid out).
    TxSendMessage(EM_LINEINDEX, WPARAM(line + 1), 0, &start);
    if (start >= 0) {
      const POINT q = PosFromChar(LONG(start));
      m_caretRect.bottom = q.y;
      m_caretRect.top = q.y - kCaretHeight;
    } else {
      const RECT text = GetTextRect();
      if (m_host) m_host->SetClientRect(text);
      const LONG height = NaturalHeight(text.right - text.left);
      m_caretRect.bottom = m_rcItem.top + m_rcInset.top + m_viewInset.top + height;
      if (height > 0) {
        m_caretRect.top = m_caretRect.bottom - kCaretHeight;
      } else {
        m_caretRect.top = m_caretRect.bottom;
        m_caretRect.bottom = m_caretRect.top + kCaretHeight;
      }
    }
  }
  m_caretRect.right += 1;
  m_caretActive = true;
  m_caretShown = true;
  if (m_manager) {
    m_manager->Invalidate(m_caretRect);
    m_manager->Invalidate(old);
    m_manager->KillTimer(this, kCaretTimerId);
    m_manager->SetTimer(this, kCaretTimerId, kCaretElapse);
  }
}

void CRichEditUI::ShowCaret(bool show) {
  HWND hwnd = m_manager ? m_manager->GetPaintWindow() : nullptr;
  if (!m_ownDrawCaret && show && !m_hideCaret) {
    ::ShowCaret(hwnd);
  } else {
    ::HideCaret(hwnd);
  }
}

void CRichEditUI::SetHideSelection(bool hide) {
  m_hideSelection = hide;
  SetBit(m_style, ES_NOHIDESEL, !hide);
  if (!m_host) return;
  DWORD style = m_host->GetStyle();
  SetBit(style, ES_NOHIDESEL, !hide);
  m_host->SetStyle(style);
  m_host->GetTextServices()->OnTxPropertyBitsChange(TXTBIT_HIDESELECTION, hide ? TXTBIT_HIDESELECTION : 0);
}

bool CRichEditUI::CreateHost(const CREATESTRUCTW* create, CTxtWinHost** host) {
  *host = nullptr;
  auto* made = new CTxtWinHost();
  if (!made->Init(this, create)) {
    made->Release();
    return false;
  }
  *host = made;
  return true;
}

// ---- Creation ----

void CRichEditUI::DoInit() {
  if (m_host) return;
  CREATESTRUCTW cs = {};
  cs.style = LONG(m_style);
  cs.lpszName = m_text.GetData();
  CreateHost(&cs, &m_host);
  if (!m_host) return;
  m_host->SetTransparent(true);
  m_host->GetTextServices()->OnTxPropertyBitsChange(TXTBIT_BACKSTYLECHANGE, 0);
  m_host->InPlaceActivate(RECT{0, 0, 0, 0});
  if (m_manager) m_manager->AddMessageFilter(this);
}

// ---- Layout and scrolling ----

RECT CRichEditUI::ContentRect() const {
  RECT rc = m_rcItem;
  rc.left += m_rcInset.left;
  rc.top += m_rcInset.top;
  rc.right -= m_rcInset.right;
  rc.bottom -= m_rcInset.bottom;
  if (m_verticalScrollBar && m_verticalScrollBar->IsVisible()) rc.right -= m_verticalScrollBar->GetFixedWidth();
  if (m_horizontalScrollBar && m_horizontalScrollBar->IsVisible()) rc.bottom -= m_horizontalScrollBar->GetFixedHeight();
  return rc;
}

RECT CRichEditUI::GetTextRect() const {
  RECT rc = ContentRect();
  rc.left += m_viewInset.left;
  rc.top += m_viewInset.top;
  rc.right -= m_viewInset.right;
  rc.bottom -= m_viewInset.bottom;
  return rc;
}

LONG CRichEditUI::NaturalHeight(LONG width) const {
  if (!m_host) return 0;
  SIZEL extent = {-1, -1};
  LONG w = width, h = 0;
  m_host->GetTextServices()->TxGetNaturalSize(DVASPECT_CONTENT, m_manager ? m_manager->GetPaintDC() : nullptr, nullptr,
                                              nullptr, TXTNS_FITTOCONTENT, &extent, &w, &h);
  return h;
}

void CRichEditUI::SetPos(RECT rc) {
  CControlUI::SetPos(rc);
  const bool verticalWasVisible = m_verticalScrollBar && m_verticalScrollBar->IsVisible();
  if (m_host) {
    RECT text = GetTextRect();
    m_host->SetClientRect(text);
    if (m_verticalScrollBar && ((verticalWasVisible && !m_verticalScrollBar->IsVisible()) || m_vscrollFixing)) {
      const LONG height = NaturalHeight(text.right - text.left + m_verticalScrollBar->GetFixedWidth());
      if (height > text.bottom - text.top) {
        m_verticalScrollBar->SetVisible(true);
        m_verticalScrollBar->SetScrollPos(0);
        m_vscrollFixing = true;
      } else if (m_vscrollFixing) {
        m_verticalScrollBar->SetVisible(false);
        m_vscrollFixing = false;
      }
      m_host->SetClientRect(GetTextRect());
    }
  }
  const RECT content = ContentRect();
  if (m_verticalScrollBar && m_verticalScrollBar->IsVisible()) {
    m_verticalScrollBar->SetPos(
        RECT{content.right, content.top, content.right + m_verticalScrollBar->GetFixedWidth(), content.bottom});
  }
  if (m_horizontalScrollBar && m_horizontalScrollBar->IsVisible()) {
    m_horizontalScrollBar->SetPos(
        RECT{content.left, content.bottom, content.right, content.bottom + m_horizontalScrollBar->GetFixedHeight()});
  }
  for (int i = 0; i < m_items.GetSize(); ++i) {
    CControlUI* child = GetItemAt(i);
    if (!child->IsVisible()) continue;
    if (child->IsFloat()) {
      SetFloatPos(i);
    } else {
      child->SetPos(content);
    }
  }
}

void CRichEditUI::SetScrollPos(SIZE pos) {
  int dy = 0, dx = 0;
  if (m_verticalScrollBar && m_verticalScrollBar->IsVisible()) {
    const int old = m_verticalScrollBar->GetScrollPos();
    m_verticalScrollBar->SetScrollPos(pos.cy);
    dy = m_verticalScrollBar->GetScrollPos() - old;
  }
  if (m_horizontalScrollBar && m_horizontalScrollBar->IsVisible()) {
    const int old = m_horizontalScrollBar->GetScrollPos();
    m_horizontalScrollBar->SetScrollPos(pos.cx);
    dx = m_horizontalScrollBar->GetScrollPos() - old;
  }
  // Positions go over as whole pixels in a POINT, never cut to the 16 bits of WM_VSCROLL.
  POINT view = {0, 0};
  LRESULT ignored = 0;
  TxSendMessage(EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&view), &ignored);
  if (dy != 0) {
    const bool plain = m_host && !m_rich && m_verticalScrollBar && m_verticalScrollBar->IsVisible();
    const int p = plain ? m_verticalScrollBar->GetScrollPos() : 0;
    view.y = m_verticalScrollBar->GetScrollPos();
    TxSendMessage(EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&view), &ignored);
    if (plain && dy > 0 && m_verticalScrollBar->GetScrollPos() <= p) m_verticalScrollBar->SetScrollPos(p);
  }
  if (dx != 0) {
    view.x = m_horizontalScrollBar->GetScrollPos();
    TxSendMessage(EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&view), &ignored);
  }
  if (dx == 0 && dy == 0) return;
  for (int i = 0; i < m_items.GetSize(); ++i) {
    CControlUI* child = GetItemAt(i);
    if (child->GetWidth() == 0) continue;
    RECT rc = child->GetPos();
    OffsetRect(&rc, -dx, -dy);
    child->SetPos(rc);
  }
  Invalidate();
}

void CRichEditUI::LineUp() { CContainerUI::LineUp(); }
void CRichEditUI::LineDown() { CContainerUI::LineDown(); }
void CRichEditUI::PageUp() { CContainerUI::PageUp(); }
void CRichEditUI::PageDown() { CContainerUI::PageDown(); }
void CRichEditUI::HomeUp() { CContainerUI::HomeUp(); }
void CRichEditUI::EndDown() { CContainerUI::EndDown(); }

void CRichEditUI::LineLeft() {
  LRESULT ignored = 0;
  TxSendMessage(WM_HSCROLL, SB_LINELEFT, 0, &ignored);
}
void CRichEditUI::LineRight() {
  LRESULT ignored = 0;
  TxSendMessage(WM_HSCROLL, SB_LINERIGHT, 0, &ignored);
}
void CRichEditUI::PageLeft() {
  LRESULT ignored = 0;
  TxSendMessage(WM_HSCROLL, SB_PAGELEFT, 0, &ignored);
}
void CRichEditUI::PageRight() {
  LRESULT ignored = 0;
  TxSendMessage(WM_HSCROLL, SB_PAGERIGHT, 0, &ignored);
}
void CRichEditUI::HomeLeft() {
  LRESULT ignored = 0;
  TxSendMessage(WM_HSCROLL, SB_LEFT, 0, &ignored);
}
void CRichEditUI::EndRight() {
  LRESULT ignored = 0;
  TxSendMessage(WM_HSCROLL, SB_RIGHT, 0, &ignored);
}

// ---- Events and messages ----

void CRichEditUI::DoEvent(UIEventRecord& event) {
  if (!IsMouseEnabled() && event.type > UIEVENT__MOUSEBEGIN && event.type < UIEVENT__MOUSEEND) {
    if (m_parent) {
      m_parent->DoEvent(event);
    } else {
      CControlUI::DoEvent(event);
    }
    return;
  }
  LRESULT ignored = 0;
  switch (event.type) {
    case UIEVENT_SETCURSOR:
      if (IsEnabled() && m_host && m_host->DoSetCursor(event.mouse)) return;
      break;
    case UIEVENT_SETFOCUS:
      if (m_host) {
        m_host->InPlaceActivate(m_host->GetClientRect());
        TxSendMessage(WM_SETFOCUS, 0, 0, &ignored);
      }
      m_caretActive = true;
      m_focused = true;
      Invalidate();
      return;
    case UIEVENT_KILLFOCUS:
      if (m_host) {
        m_host->InPlaceActivate(m_host->GetClientRect());
        TxSendMessage(WM_KILLFOCUS, 0, 0, &ignored);
      }
      m_caretActive = false;
      m_focused = false;
      Invalidate();
      return;
    case UIEVENT_TIMER:
      if (event.wParam == kCaretTimerId) {
        m_caretShown = !m_caretShown;
        if (m_manager) m_manager->Invalidate(m_caretRect);
        return;
      }
      if (m_host) TxSendMessage(WM_TIMER, event.wParam, event.lParam, &ignored);
      break;
    default:
      break;
  }
  CContainerUI::DoEvent(event);
}

LRESULT CRichEditUI::MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) {
  if (!IsVisible() || !IsEnabled() || !m_manager) return 0;
  const bool mouse = msg >= WM_MOUSEFIRST && msg <= 0x020D;
  if (mouse && !IsMouseEnabled()) return 0;
  if (msg == WM_MOUSEWHEEL && (LOWORD(wParam) & MK_CONTROL) == 0) return 0;
  bool decided = true;
  if (mouse || msg == WM_SETCURSOR) {
    const bool captured = m_host && m_host->IsCaptured();
    POINT pt = PointOf(lParam);
    if (msg == WM_MOUSEWHEEL || msg == WM_SETCURSOR) {
      if (msg == WM_SETCURSOR) GetCursorPos(&pt);
      ::ScreenToClient(m_manager->GetPaintWindow(), &pt);
    }
    if (msg >= WM_LBUTTONDOWN && msg <= WM_RBUTTONUP) {
      if (!captured && m_manager->FindControlAt(pt) != this) return 0;
      decided = false;
    }
    if (!captured) {
      if (!m_host || !PtInRect(&m_host->GetClientRect(), pt) || m_manager->IsCaptured()) return 0;
    }
    if (msg == WM_SETCURSOR) decided = false;
    if (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK || msg == WM_RBUTTONDOWN) SetFocus();
  } else if (msg >= WM_KEYFIRST && msg <= 0x0109) {
    if (!IsFocused()) return 0;
  } else if (msg == WM_CONTEXTMENU) {
    POINT pt = PointOf(lParam);
    ::ScreenToClient(m_manager->GetPaintWindow(), &pt);
    if (m_manager->FindControlAt(pt) != this) return 0;
    decided = false;
  } else if (msg == WM_HELP) {
    decided = false;
  } else {
    return 0;
  }
  LRESULT result = 0;
  if (TxSendMessage(msg, wParam, lParam, &result) == S_OK) handled = decided;
  return result;
}

// ---- Painting ----

DWORD CRichEditUI::GetHintColor() const {
  if (m_hintColorSet || !m_manager) return m_hintColor;
  return m_manager->GetDefaultDisabledColor();
}

void CRichEditUI::DoPaint(HDC hdc, const RECT& rcPaint) {
  RECT area;
  if (!IntersectRect(&area, &rcPaint, &m_rcItem)) return;
  CSkinClip clip;
  CSkinRenderer::GenerateClip(hdc, area, clip);
  CControlUI::DoPaint(hdc, rcPaint);
  if (m_host) {
    const RECT& client = m_host->GetClientRect();
    RECTL bounds = {client.left, client.top, client.right, client.bottom};
    RECT update = rcPaint;
    m_host->GetTextServices()->TxDraw(DVASPECT_CONTENT, 0, nullptr, nullptr, hdc, nullptr, &bounds, nullptr, &update,
                                      nullptr, 0, TXTVIEW_ACTIVE);
    if (m_vscrollFixing && m_verticalScrollBar) {
      const LONG height = NaturalHeight(client.right - client.left + m_verticalScrollBar->GetFixedWidth());
      if (height <= client.bottom - client.top) NeedUpdate();
    }
  }
  if (!m_items.IsEmpty()) {
    const RECT content = ContentRect();
    RECT inner;
    const bool meets = IntersectRect(&inner, &rcPaint, &content) != FALSE;
    CSkinClip childClip;
    if (meets) CSkinRenderer::GenerateClip(hdc, inner, childClip);
    for (int i = 0; i < m_items.GetSize(); ++i) {
      CControlUI* child = GetItemAt(i);
      if (!child->IsVisible() || !Meets(rcPaint, child->GetPos())) continue;
      if (child->IsFloat()) {
        if (!Meets(m_rcItem, child->GetPos())) continue;
        if (meets) CSkinClip::UseOldClipBegin(hdc, childClip);
        child->DoPaint(hdc, rcPaint);
        if (meets) CSkinClip::UseOldClipEnd(hdc, childClip);
      } else if (meets && Meets(content, child->GetPos())) {
        child->DoPaint(hdc, rcPaint);
      }
    }
  }
  if (m_verticalScrollBar && m_verticalScrollBar->IsVisible() && Meets(rcPaint, m_verticalScrollBar->GetPos()))
    m_verticalScrollBar->DoPaint(hdc, rcPaint);
  if (m_horizontalScrollBar && m_horizontalScrollBar->IsVisible() && Meets(rcPaint, m_horizontalScrollBar->GetPos()))
    m_horizontalScrollBar->DoPaint(hdc, rcPaint);
  if (m_host && !m_hintText.IsEmpty() && !IsFocused() && GetTextLength(GTL_DEFAULT) == 0) {
    RECT rc = m_host->GetClientRect();
    rc.left += m_hintPadding.left;
    rc.top += m_hintPadding.top;
    rc.right -= m_hintPadding.right;
    rc.bottom -= m_hintPadding.bottom;
    CSkinRenderer::DrawText(hdc, m_manager, rc, m_hintText.GetData(), GetHintColor(), m_font, DT_SINGLELINE);
  }
  if (m_ownDrawCaret && m_caretActive && m_caretShown) InvertRect(hdc, &m_caretRect);
}

// ---- Attributes ----

void CRichEditUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  // The edit's switches go on to the container as well; its text attributes stop here.
  SetEditAttribute(name, value);
  if (!SetTextAttribute(name, value)) CContainerUI::SetAttribute(name, value);
}

// Styles, limits, keys and the hint.
void CRichEditUI::SetEditAttribute(LPCWSTR name, LPCWSTR value) {
  if (wcscmp(name, L"vscrollbar") == 0) {
    if (IsTrue(value)) m_style |= ES_DISABLENOSCROLL | WS_VSCROLL;
  } else if (wcscmp(name, L"autovscroll") == 0) {
    if (IsTrue(value)) m_style |= ES_AUTOVSCROLL;
  } else if (wcscmp(name, L"hscrollbar") == 0) {
    if (IsTrue(value)) m_style |= ES_DISABLENOSCROLL | WS_HSCROLL;
  } else if (wcscmp(name, L"autohscroll") == 0) {
    if (IsTrue(value)) m_style |= ES_AUTOHSCROLL;
  } else if (wcscmp(name, L"maxchar") == 0) {
    m_maxChars = CUIValueParser::ReadInt(value);
    if (m_host) {
      m_host->SetMaxLength(m_maxChars > 0 ? m_maxChars : kDefaultMaxChars);
      m_host->GetTextServices()->OnTxPropertyBitsChange(TXTBIT_MAXLENGTHCHANGE, TXTBIT_MAXLENGTHCHANGE);
    }
  } else if (wcscmp(name, L"wanttab") == 0) {
    m_wantTab = IsTrue(value);
  } else if (wcscmp(name, L"wantreturn") == 0) {
    m_wantReturn = IsTrue(value);
  } else if (wcscmp(name, L"wantctrlreturn") == 0) {
    m_wantCtrlReturn = IsTrue(value);
  } else if (wcscmp(name, L"rich") == 0) {
    m_rich = IsTrue(value);
    if (m_host) {
      m_host->SetRich(m_rich);
      m_host->GetTextServices()->OnTxPropertyBitsChange(TXTBIT_RICHTEXT, m_rich ? TXTBIT_RICHTEXT : 0);
    }
  } else if (wcscmp(name, L"multiline") == 0) {
    if (value && wcscmp(value, L"false") == 0) m_style &= ~DWORD(ES_MULTILINE);
  } else if (wcscmp(name, L"readonly") == 0) {
    if (IsTrue(value)) {
      m_style |= ES_READONLY;
      m_readOnly = true;
    }
  } else if (wcscmp(name, L"owndrawcaret") == 0) {
    m_ownDrawCaret = IsTrue(value);
  } else if (wcscmp(name, L"hidecaret") == 0) {
    m_hideCaret = IsTrue(value);
  } else if (wcscmp(name, L"hideselection") == 0) {
    SetHideSelection(IsTrue(value));
  } else if (wcscmp(name, L"numberonly") == 0) {
    if (IsTrue(value)) m_style |= ES_NUMBER;
  } else if (wcscmp(name, L"password") == 0) {
    if (IsTrue(value)) m_style |= ES_PASSWORD;
  } else if (wcscmp(name, L"hinttext") == 0) {
    m_hintText = value;
    Invalidate();
  } else if (wcscmp(name, L"viewinset") == 0) {
    m_viewInset = CUIValueParser::ReadRect(value);
  } else if (wcscmp(name, L"hintcolor") == 0) {
    m_hintColor = CUIValueParser::ReadColor(value);
    m_hintColorSet = true;
    Invalidate();
  }
}

// The hint's padding, alignment, font and colour of the text.
bool CRichEditUI::SetTextAttribute(LPCWSTR name, LPCWSTR value) {
  if (wcscmp(name, L"hinttextpadding") == 0) {
    m_hintPadding = CUIValueParser::ReadRect(value);
    Invalidate();
  } else if (wcscmp(name, L"align") == 0) {
    if (wcsstr(value, L"left")) m_style &= ~DWORD(ES_CENTER | ES_RIGHT);
    if (wcsstr(value, L"center")) {
      m_style &= ~DWORD(ES_RIGHT);
      m_style |= ES_CENTER;
    }
    if (wcsstr(value, L"right")) {
      m_style &= ~DWORD(ES_CENTER);
      m_style |= ES_RIGHT;
    }
  } else if (wcscmp(name, L"font") == 0) {
    m_font = CUIValueParser::ReadInt(value);
    if (m_host && m_manager) m_host->CharFormatFromFont(m_manager->GetFont(m_font));
  } else if (wcscmp(name, L"textcolor") == 0) {
    while (*value && *value <= L' ') ++value;
    m_textColor = CUIValueParser::ReadColor(value);
    if (m_host) {
      m_host->GetCharFormat().crTextColor = ToColorRef(m_textColor);
      m_host->GetTextServices()->OnTxPropertyBitsChange(TXTBIT_CHARFORMATCHANGE, TXTBIT_CHARFORMATCHANGE);
    }
  } else {
    return false;
  }
  return true;
}

}  // namespace SkinUI
