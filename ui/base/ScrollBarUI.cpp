#include "ui/core/UIExtent.h"
#include "ui/base/ScrollBarUI.h"

#include <algorithm>
#include <climits>
#include <cwchar>

#include "ui/core/UIValueParser.h"
#include "ui/base/ContainerUI.h"
#include "ui/render/SkinRenderer.h"
#include "ui/base/WindowManagerUI.h"

namespace SkinUI {

namespace {

const DWORD kFrameColor = 0xFF85E4FF;

bool IsAllZero(const RECT& rc) { return rc.left == 0 && rc.top == 0 && rc.right == 0 && rc.bottom == 0; }

}  // namespace

CScrollBarUI::CScrollBarUI() {
  m_fixedWidth = 8;
  m_buttons[2].shown = false;
  m_buttons[3].shown = false;
}

LPCWSTR CScrollBarUI::GetClass() const { return L"ScrollBarUI"; }

LPVOID CScrollBarUI::GetInterface(LPCWSTR name) {
  if (name && wcscmp(name, L"ScrollBar") == 0) return this;
  return CControlUI::GetInterface(name);
}

void CScrollBarUI::SetPos(RECT rcPos) {
  CControlUI::SetPos(rcPos);
  const RECT rc = m_rcItem;
  const int t = Thickness();
  Piece& b1 = m_buttons[0];
  Piece& b2 = m_buttons[1];
  Piece& b3 = m_buttons[2];
  Piece& b4 = m_buttons[3];
  // Along the bar: a = coordinate on the bar's axis, c = the cross axis start.
  const bool hor = m_horizontal;
  const int start = hor ? rc.left : rc.top;
  const int end = hor ? rc.right : rc.bottom;
  const int cross = hor ? rc.top : rc.left;
  const int length = end - start;
  auto piece = [hor, cross](int a0, int a1, int thickness) {
    return hor ? RECT{a0, cross, a1, cross + thickness} : RECT{cross, a0, cross + thickness, a1};
  };
  const int avail = TrackLength();

  if (avail > t) {
    int a = start;
    b3.rc = b3.shown ? piece(a, a + t, t) : RECT{rc.left, rc.top, rc.left, rc.top};
    if (b3.shown) a += t;
    b1.rc = b1.shown ? piece(a, a + t, t) : piece(a, a, 0);
    if (b1.shown) a += t;
    int e = end;
    b4.rc = b4.shown ? piece(e - t, e, t) : (hor ? RECT{rc.right, rc.top, rc.right, rc.top}
                                                  : RECT{rc.left, rc.bottom, rc.left, rc.bottom});
    if (b4.shown) e -= t;
    b2.rc = b2.shown ? piece(e - t, e, t) : piece(e, e, 0);
    if (b2.shown) e -= t;
    const int trackStart = a;
    const int trackEnd = e;
    if (m_range > 0) {
      long long len = static_cast<long long>(length) * avail / (static_cast<long long>(m_range) + length);
      long long minLen = hor ? t : 3LL * t;
      if (len < minLen) len = minLen;
      // A track shorter than the least thumb is filled by it, and no further.
      if (len > avail) len = avail;
      long long s = trackStart + (avail - len) * m_scrollPos / m_range;
      long long f = s + len;
      if (f > trackEnd) {
        s = trackEnd - len;
        f = trackEnd;
      }
      m_thumb.rc = piece(static_cast<int>(s), static_cast<int>(f), t);
    } else {
      m_thumb.rc = piece(trackStart, trackEnd, t);
    }
  } else {
    int s = std::min(length / 2, t);
    b1.rc = b1.shown ? piece(start, start + s, t) : piece(start, start, 0);
    b2.rc = b2.shown ? piece(end - s, end, t) : piece(end, end, 0);
    // Without room for a thumb the home and end buttons sit empty at the two ends.
    b3.rc = piece(start, start, 0);
    b4.rc = piece(end, end, 0);
    m_thumb.rc = RECT{0, 0, 0, 0};
  }
}

int CScrollBarUI::TrackLength() const {
  const int t = Thickness();
  int avail = m_horizontal ? m_rcItem.right - m_rcItem.left : m_rcItem.bottom - m_rcItem.top;
  for (const Piece& b : m_buttons)
    if (b.shown) avail -= t;
  return avail;
}

void CScrollBarUI::ScrollBy(long long delta) {
  long long target = static_cast<long long>(m_scrollPos) + delta;
  SetScrollPos(static_cast<int>(std::max<long long>(INT_MIN, std::min<long long>(INT_MAX, target))));
}

void CScrollBarUI::SetVisible(bool visible) {
  if (m_visible == visible) return;
  m_visible = visible;
  m_focused = false;
}

void CScrollBarUI::SetEnabled(bool enabled) {
  CControlUI::SetEnabled(enabled);
  if (!IsEnabled()) {
    // A press under way ends: no repeat, no drag.
    StopRepeat();
    for (Piece& b : m_buttons) b.state = 0;
    m_thumb.state = 0;
  }
}

void CScrollBarUI::SetFocus() {
  if (m_owner) {
    m_owner->SetFocus();
  } else {
    CControlUI::SetFocus();
  }
}

void CScrollBarUI::SetHorizontal(bool horizontal) {
  if (m_horizontal == horizontal) return;
  m_horizontal = horizontal;
  if (horizontal) {
    if (m_fixedHeight == 0) {
      m_fixedWidth = 0;
      m_fixedHeight = 8;
    }
  } else if (m_fixedWidth == 0) {
    m_fixedHeight = 0;
    m_fixedWidth = 8;
  }
  if (m_owner) {
    m_owner->NeedUpdate();
  } else {
    NeedParentUpdate();
  }
}

void CScrollBarUI::SetScrollRange(int range) {
  // A coordinate at most, so the scrolled children's positions stay summable.
  range = CUIExtent::Coordinate(range);
  if (range == m_range) return;
  m_range = range < 0 ? 0 : range;
  if (m_scrollPos > m_range) m_scrollPos = m_range;
  SetPos(m_rcItem);
}

void CScrollBarUI::SetScrollPos(int pos) {
  if (pos == m_scrollPos) return;
  m_scrollPos = std::max(0, std::min(pos, m_range));
  SetPos(m_rcItem);
}

void CScrollBarUI::NotifyScroll() {
  if (m_manager && !m_owner) m_manager->SendNotify(this, L"scroll");
}

void CScrollBarUI::StepButton(int index) {
  // 0: line up/left, 1: line down/right, 2: home, 3: end.
  if (m_owner) {
    switch (index) {
      case 0: m_horizontal ? m_owner->LineLeft() : m_owner->LineUp(); break;
      case 1: m_horizontal ? m_owner->LineRight() : m_owner->LineDown(); break;
      case 2: m_horizontal ? m_owner->HomeLeft() : m_owner->HomeUp(); break;
      default: m_horizontal ? m_owner->EndRight() : m_owner->EndDown(); break;
    }
    return;
  }
  switch (index) {
    case 0: ScrollBy(-static_cast<long long>(m_lineSize)); break;
    case 1: ScrollBy(m_lineSize); break;
    case 2: SetScrollPos(0); break;
    default: SetScrollPos(m_range); break;
  }
}

void CScrollBarUI::StepRail(POINT pt) {
  // A bar too short for a thumb has no rail: the strip between its buttons cannot be hit.
  if (IsAllZero(m_thumb.rc)) return;
  if (m_horizontal) {
    if (pt.x < m_thumb.rc.left) {
      if (m_owner) m_owner->PageLeft();
      else ScrollBy(-static_cast<long long>(m_rcItem.right - m_rcItem.left));
    } else if (pt.x >= m_thumb.rc.right) {
      if (m_owner) m_owner->PageRight();
      else ScrollBy(m_rcItem.right - m_rcItem.left);
    }
  } else {
    if (pt.y < m_thumb.rc.top) {
      if (m_owner) m_owner->PageUp();
      else ScrollBy(-static_cast<long long>(m_rcItem.bottom - m_rcItem.top));
    } else if (pt.y >= m_thumb.rc.bottom) {
      if (m_owner) m_owner->PageDown();
      else ScrollBy(m_rcItem.bottom - m_rcItem.top);
    }
  }
}

void CScrollBarUI::DoEvent(UIEventRecord& event) {
  if (!IsMouseEnabled() && event.type > UIEVENT__MOUSEBEGIN && event.type < UIEVENT__MOUSEEND) return PassOn(event);
  switch (event.type) {
    case UIEVENT_SETFOCUS:
    case UIEVENT_KILLFOCUS:
    case UIEVENT_CONTEXTMENU: return;
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK: return OnButtonDown(event);
    case UIEVENT_BUTTONUP: return OnButtonUp();
    case UIEVENT_MOUSEMOVE: return OnMouseMove(event);
    case UIEVENT_TIMER:
      if (event.wParam == kRepeatTimerId) return OnRepeatTimer();
      break;
    case UIEVENT_MOUSEENTER: return SetHot(true, event.mouse);
    case UIEVENT_MOUSELEAVE: return SetHot(false, event.mouse);
    default: break;
  }
  PassOn(event);
}

// What the bar does not take goes to its owner, or to the control base when it has none.
void CScrollBarUI::PassOn(UIEventRecord& event) {
  if (m_owner) {
    m_owner->DoEvent(event);
  } else {
    CControlUI::DoEvent(event);
  }
}

void CScrollBarUI::OnButtonDown(const UIEventRecord& event) {
  if (!IsEnabled()) return;
  m_lastScrollOffset = 0;
  m_scrollRepeatDelay = 0;
  if (m_manager) m_manager->SetTimer(this, kRepeatTimerId, kRepeatElapse);
  int hit = -1;
  for (int i = 0; i < 4; ++i) {
    // Search order: button 1, 2, 3, 4.
    if (m_buttons[i].shown && PtInRect(&m_buttons[i].rc, event.mouse)) {
      hit = i;
      break;
    }
  }
  if (hit >= 0) {
    m_buttons[hit].state |= UISTATE_PUSHED;
    StepButton(hit);
  } else if (PtInRect(&m_thumb.rc, event.mouse)) {
    m_thumb.state |= UISTATE_CAPTURED | UISTATE_PUSHED;
    m_lastMouse = event.mouse;
    m_lastScrollPos = m_scrollPos;
  } else {
    StepRail(event.mouse);
  }
  NotifyScroll();
}

void CScrollBarUI::StopRepeat() {
  m_scrollRepeatDelay = 0;
  m_lastScrollOffset = 0;
  if (m_manager) m_manager->KillTimer(this, kRepeatTimerId);
}

void CScrollBarUI::OnButtonUp() {
  StopRepeat();
  if ((m_thumb.state & UISTATE_CAPTURED) != 0) {
    m_thumb.state &= ~(UISTATE_CAPTURED | UISTATE_PUSHED);
    Invalidate();
    return;
  }
  for (Piece& b : m_buttons) {
    if ((b.state & UISTATE_PUSHED) != 0) {
      b.state &= ~UISTATE_PUSHED;
      Invalidate();
      return;
    }
  }
}

void CScrollBarUI::OnMouseMove(const UIEventRecord& event) {
  if ((m_thumb.state & UISTATE_CAPTURED) != 0) {
    // A dragged thumb: the offset is applied by the repeat timer. The thumb's room on the
    // track maps onto the range; without room there is no drag.
    int thumbLength = m_horizontal ? m_thumb.rc.right - m_thumb.rc.left : m_thumb.rc.bottom - m_thumb.rc.top;
    long long divisor = static_cast<long long>(TrackLength()) - thumbLength;
    if (divisor <= 0) return;
    long long delta = m_horizontal ? event.mouse.x - m_lastMouse.x : event.mouse.y - m_lastMouse.y;
    long long offset = delta * m_range / divisor;
    m_lastScrollOffset = static_cast<int>(std::max<long long>(INT_MIN, std::min<long long>(INT_MAX, offset)));
  } else if ((m_thumb.state & UISTATE_HOT) != 0) {
    if (!PtInRect(&m_thumb.rc, event.mouse)) {
      m_thumb.state &= ~UISTATE_HOT;
      Invalidate();
    }
  } else if (IsEnabled() && PtInRect(&m_thumb.rc, event.mouse)) {
    m_thumb.state |= UISTATE_HOT;
    Invalidate();
  }
}

void CScrollBarUI::OnRepeatTimer() {
  if (!IsEnabled()) {
    StopRepeat();
    return;
  }
  ++m_scrollRepeatDelay;
  if ((m_thumb.state & UISTATE_CAPTURED) != 0) {
    long long target = static_cast<long long>(m_lastScrollPos) + m_lastScrollOffset;
    int pos = static_cast<int>(std::max<long long>(INT_MIN, std::min<long long>(INT_MAX, target)));
    if (m_owner) {
      SIZE sz = m_owner->GetScrollPos();
      if (m_horizontal) sz.cx = pos;
      else sz.cy = pos;
      m_owner->SetScrollPos(sz);
    } else {
      SetScrollPos(pos);
    }
    Invalidate();
  } else if (m_scrollRepeatDelay <= 5) {
    return;
  } else if ((m_buttons[0].state & UISTATE_PUSHED) != 0) {
    StepButton(0);
  } else if ((m_buttons[1].state & UISTATE_PUSHED) != 0) {
    StepButton(1);
  } else {
    POINT pt;
    ::GetCursorPos(&pt);
    if (m_manager) ::ScreenToClient(m_manager->GetPaintWindow(), &pt);
    StepRail(pt);
  }
  NotifyScroll();
}

void CScrollBarUI::SetHot(bool hot, POINT mouse) {
  if (!IsEnabled()) return;
  for (Piece& b : m_buttons) {
    if (hot) b.state |= UISTATE_HOT;
    else b.state &= ~UISTATE_HOT;
  }
  if (!hot) m_thumb.state &= ~UISTATE_HOT;
  else if (PtInRect(&m_thumb.rc, mouse)) m_thumb.state |= UISTATE_HOT;
  Invalidate();
}

void CScrollBarUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  if (!name) return;
  if (!value) value = L"";
  static const wchar_t* const kStates[4] = {L"normalimage", L"hotimage", L"pushedimage", L"disabledimage"};
  // "button1normalimage" ... "button4disabledimage".
  if (wcsncmp(name, L"button", 6) == 0 && name[6] >= L'1' && name[6] <= L'4') {
    for (int s = 0; s < 4; ++s) {
      if (wcscmp(name + 7, kStates[s]) == 0) {
        SetButtonImage(name[6] - L'0', s, value);
        return;
      }
    }
  }
  struct Group {
    const wchar_t* prefix;
    Piece* piece;
  };
  const Group groups[] = {{L"thumb", &m_thumb}, {L"rail", &m_rail}, {L"bk", &m_bk}};
  for (const Group& g : groups) {
    size_t n = wcslen(g.prefix);
    if (wcsncmp(name, g.prefix, n) != 0) continue;
    for (int s = 0; s < 4; ++s) {
      if (wcscmp(name + n, kStates[s]) == 0) {
        g.piece->images[s] = value;
        Invalidate();
        return;
      }
    }
  }
  if (wcscmp(name, L"hor") == 0) {
    SetHorizontal(CUIValueParser::ReadBool(value));
  } else if (wcscmp(name, L"linesize") == 0) {
    SetLineSize(CUIValueParser::ReadInt(value));
  } else if (wcscmp(name, L"range") == 0) {
    SetScrollRange(CUIValueParser::ReadInt(value));
  } else if (wcscmp(name, L"value") == 0) {
    SetScrollPos(CUIValueParser::ReadInt(value));
  } else if (wcsncmp(name, L"showbutton", 10) == 0 && name[10] >= L'1' && name[10] <= L'4' && name[11] == 0) {
    m_buttons[name[10] - L'1'].shown = CUIValueParser::ReadBool(value);
    SetPos(m_rcItem);
  } else {
    CControlUI::SetAttribute(name, value);
  }
}

void CScrollBarUI::SetButtonImage(int button, int state, LPCWSTR image) {
  if (button < 1 || button > 4 || state < 0 || state > 3) return;
  m_buttons[button - 1].images[state] = image;
  Invalidate();
}

LPCWSTR CScrollBarUI::GetButtonImage(int button, int state) const {
  if (button < 1 || button > 4 || state < 0 || state > 3) return L"";
  return m_buttons[button - 1].images[state];
}

void CScrollBarUI::SetThumbImage(int state, LPCWSTR image) {
  if (state < 0 || state > 3) return;
  m_thumb.images[state] = image;
  Invalidate();
}

void CScrollBarUI::SetRailImage(int state, LPCWSTR image) {
  if (state < 0 || state > 3) return;
  m_rail.images[state] = image;
  Invalidate();
}

void CScrollBarUI::SetBkImage(int state, LPCWSTR image) {
  if (state < 0 || state > 3) return;
  m_bk.images[state] = image;
  Invalidate();
}

bool CScrollBarUI::PaintPiece(HDC hdc, CUIString* images, UINT& state, const RECT& rc, bool useDest) {
  if (IsEnabled()) {
    state &= ~UISTATE_DISABLED;
  } else {
    state |= UISTATE_DISABLED;
  }
  LPCWSTR modify = nullptr;
  if (useDest) {
    m_imageModify.Format(L"dest='%d,%d,%d,%d'", rc.left - m_rcItem.left, rc.top - m_rcItem.top,
                              rc.right - m_rcItem.left, rc.bottom - m_rcItem.top);
    modify = m_imageModify;
  }
  CUIString* chosen = nullptr;
  if ((state & UISTATE_DISABLED) != 0) {
    chosen = &images[3];
  } else if ((state & UISTATE_PUSHED) != 0) {
    chosen = &images[2];
  } else if ((state & UISTATE_HOT) != 0) {
    chosen = &images[1];
  }
  if (chosen && !chosen->IsEmpty()) {
    if (DrawImage(hdc, *chosen, modify)) return true;
    chosen->Empty();
  }
  if (!images[0].IsEmpty()) {
    if (DrawImage(hdc, images[0], modify)) return true;
    images[0].Empty();
  }
  return false;
}

void CScrollBarUI::DoPaint(HDC hdc, const RECT& rcPaint) {
  if (!IntersectRect(&m_rcPaint, &rcPaint, &m_rcItem)) return;
  PaintPiece(hdc, m_bk.images, m_thumb.state, m_rcItem, false);
  for (int i = 0; i < 2; ++i) {
    Piece& b = m_buttons[i];
    if (!b.shown) continue;
    if (!PaintPiece(hdc, b.images, b.state, b.rc, true)) CSkinRenderer::DrawRect(hdc, b.rc, 2, kFrameColor);
  }
  if (IsAllZero(m_thumb.rc)) return;
  if (!PaintPiece(hdc, m_thumb.images, m_thumb.state, m_thumb.rc, true))
    CSkinRenderer::DrawRect(hdc, m_thumb.rc, 2, kFrameColor);
  const int t = Thickness();
  RECT rail = m_thumb.rc;
  if (m_horizontal) {
    int m = (m_thumb.rc.left + m_thumb.rc.right) / 2;
    rail.left = m - t / 2;
    rail.right = m - t / 2 + t;
  } else {
    int m = (m_thumb.rc.top + m_thumb.rc.bottom) / 2;
    rail.top = m - t / 2;
    rail.bottom = m - t / 2 + t;
  }
  PaintPiece(hdc, m_rail.images, m_thumb.state, rail, true);
}

}  // namespace SkinUI
