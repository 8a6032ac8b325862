// The manager's message handling and painting.
#include <set>

#include "commonlib/logger/TraceLogger.h"
#include "ui/render/SkinRenderer.h"
#include "ui/base/WindowManagerUI.h"

namespace SkinUI {

namespace {

CControlUI* FindControlFromUpdate(CControlUI* control, LPVOID) {
  return control->IsUpdateNeeded() ? control : nullptr;
}

// Messages reflected to child windows are offset by this base.
const UINT kReflectBase = WM_USER + 0x1C00;

// The window went away inside a handler: the message counts as handled, so that no caller
// goes on to its default processing for a window that is gone.
bool Gone(LRESULT& result) {
  result = 0;
  return true;
}

POINT PointFromLParam(LPARAM lParam) {
  return POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

}  // namespace

void CWindowManagerUI::Invalidate(const RECT& rc) {
  if (m_hwnd) ::InvalidateRect(m_hwnd, &rc, FALSE);
}

bool CWindowManagerUI::IsPointerMessage(UINT msg) {
  switch (msg) {
    case WM_MOUSEHOVER:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_CONTEXTMENU:
    case WM_MOUSEWHEEL:
    case WM_SETCURSOR: return true;
    default: return false;
  }
}

CControlUI* CWindowManagerUI::ControlForMouse(POINT pt) const {
  CControlUI* control = FindControlAt(pt);
  return (control && control->GetManager() == this) ? control : nullptr;
}

void CWindowManagerUI::DeleteOffscreen() {
  if (m_hdcOffscreen) ::DeleteDC(m_hdcOffscreen);
  if (m_bmpOffscreen) ::DeleteObject(m_bmpOffscreen);
  m_hdcOffscreen = nullptr;
  m_bmpOffscreen = nullptr;
}

void CWindowManagerUI::DeleteBackground() {
  if (m_hdcBackground) ::DeleteDC(m_hdcBackground);
  if (m_bmpBackground) ::DeleteObject(m_bmpBackground);
  m_hdcBackground = nullptr;
  m_bmpBackground = nullptr;
}

bool CWindowManagerUI::DoLayout() {
  if (!m_updateNeeded || !m_root) return true;
  m_updateNeeded = false;
  RECT client;
  ::GetClientRect(m_hwnd, &client);
  if (IsRectEmpty(&client)) return true;
  // Placing a control may notify (an ActiveX object that shows itself), and a handler may
  // destroy the window.
  if (m_root->IsUpdateNeeded()) {
    if (!Survives([&] { m_root->SetPos(client); })) return false;
    if (m_layeredBackground) {
      DeleteBackground();
    } else {
      DeleteOffscreen();
    }
  } else {
    // A control whose placing marks itself again would loop for ever: each control is laid
    // out once per pass.
    std::set<CControlUI*> done;
    CControlUI* control;
    while ((control = m_root->FindControl(FindControlFromUpdate, nullptr, UIFIND_VISIBLE | UIFIND_ME_FIRST)) !=
           nullptr) {
      if (!done.insert(control).second) {
        TraceLogger::Instance().Log(1, L"layout stopped: %s marks itself for update again",
                                    control->GetClass());
        break;
      }
      if (!Survives([control] { control->SetPos(control->GetPos()); })) return false;
    }
  }
  if (m_firstLayout) {
    m_firstLayout = false;
    return SendNotify(m_root, L"windowinit");
  }
  return true;
}

// The first tab stop of a new root is focused only while no control holds the focus: a
// control focused before the first paint keeps it. A move that was asked for (a Tab during
// layout, SetFocusNeeded) runs.
bool CWindowManagerUI::RunPendingFocus() {
  if (!m_focusNeeded) return true;
  if (m_focus && !m_focusMoveAsked) {
    m_focusNeeded = false;
    return true;
  }
  return Survives([this] { SetNextTabControl(true); });
}

void CWindowManagerUI::PaintNormal(const RECT& client) {
  if (!DoLayout() || !m_root || !RunPendingFocus()) return;
  int width = client.right - client.left;
  int height = client.bottom - client.top;
  if (m_offscreenPaint && !m_bmpOffscreen && width > 0 && height > 0) {
    m_hdcOffscreen = ::CreateCompatibleDC(m_hdcPaint);
    m_bmpOffscreen = ::CreateCompatibleBitmap(m_hdcPaint, width, height);
  }
  PAINTSTRUCT ps;
  ::BeginPaint(m_hwnd, &ps);
  if (!m_offscreenPaint || !m_hdcOffscreen || !m_bmpOffscreen) {
    int saved = ::SaveDC(ps.hdc);
    m_root->DoPaint(ps.hdc, ps.rcPaint);
    ::RestoreDC(ps.hdc, saved);
  } else {
    HGDIOBJ oldBitmap = ::SelectObject(m_hdcOffscreen, m_bmpOffscreen);
    int saved = ::SaveDC(m_hdcOffscreen);
    m_root->DoPaint(m_hdcOffscreen, ps.rcPaint);
    CUIPtrArray postPaint(m_postPaintControls);
    for (int i = 0; i < postPaint.GetSize(); ++i)
      static_cast<CControlUI*>(postPaint[i])->DoPostPaint(m_hdcOffscreen, ps.rcPaint);
    ::RestoreDC(m_hdcOffscreen, saved);
    ::BitBlt(ps.hdc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
             ps.rcPaint.bottom - ps.rcPaint.top, m_hdcOffscreen, ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
    ::SelectObject(m_hdcOffscreen, oldBitmap);
    if (m_showDirty) {
      HGDIOBJ oldPen = ::SelectObject(ps.hdc, GetUpdateRectPen());
      HGDIOBJ oldBrush = ::SelectObject(ps.hdc, ::GetStockObject(HOLLOW_BRUSH));
      ::Rectangle(ps.hdc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom);
      ::SelectObject(ps.hdc, oldPen);
      ::SelectObject(ps.hdc, oldBrush);
    }
  }
  ::EndPaint(m_hwnd, &ps);
  m_paintedOnce = true;
  if (m_showAfterPaint) {
    HWND shown = *static_cast<HWND*>(m_showAfterPaint);
    if (shown) {
      ::ShowWindow(shown, SW_SHOW);
      ::InvalidateRect(shown, nullptr, FALSE);
    }
  }
  if (m_updateNeeded) ::InvalidateRect(m_hwnd, nullptr, FALSE);
}

void CWindowManagerUI::PaintSelfShadow(HDC hdc, RECT& rc) {
  CUIString image;
  image.Format(L"file='%s' corner='%u,%u,%u,%u' hole='true'", m_shadowImage.GetData(),
               static_cast<unsigned>(m_shadowBorder.left), static_cast<unsigned>(m_shadowBorder.top),
               static_cast<unsigned>(m_shadowBorder.right), static_cast<unsigned>(m_shadowBorder.bottom));
  CSkinRenderer::DrawImageString(hdc, this, rc, rc, image, nullptr);
  rc.left += m_shadowBorder.left;
  rc.top += m_shadowBorder.top;
  rc.right -= m_shadowBorder.right;
  rc.bottom -= m_shadowBorder.bottom;
}

void CWindowManagerUI::PaintLayered(const RECT& client) {
  LONG exStyle = ::GetWindowLongW(m_hwnd, GWL_EXSTYLE);
  if ((exStyle & WS_EX_LAYERED) == 0) ::SetWindowLongW(m_hwnd, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
  HWND hwnd = m_hwnd;
  PAINTSTRUCT ps;
  ::BeginPaint(hwnd, &ps);
  DeleteBackground();
  if (!DoLayout() || !m_root || !RunPendingFocus()) {
    ::EndPaint(hwnd, &ps);
    return;
  }
  int width = client.right - client.left;
  int height = client.bottom - client.top;
  // The layered road always paints into its own 32-bit background, off-screen paint or not:
  // painting into no DC would fail every image for good.
  if (!m_bmpBackground && width > 0 && height > 0) {
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = -height;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    m_hdcBackground = ::CreateCompatibleDC(m_hdcPaint);
    m_bmpBackground = ::CreateDIBSection(m_hdcPaint, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (m_hdcBackground && m_bmpBackground) ::SelectObject(m_hdcBackground, m_bmpBackground);
  }
  if (m_hdcBackground && m_bmpBackground) {
    RECT rc = client;
    if (m_selfShadow) PaintSelfShadow(m_hdcBackground, rc);
    m_root->DoPaint(m_hdcBackground, rc);
    if (!m_layeredPartner || m_layeredPartner->IsPaintedOnce()) {
      RECT rcWindow;
      ::GetWindowRect(m_hwnd, &rcWindow);
      POINT dst = {rcWindow.left, rcWindow.top};
      SIZE size = {width, height};
      POINT src = {0, 0};
      BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
      ::UpdateLayeredWindow(m_hwnd, nullptr, &dst, &size, m_hdcBackground, &src, 0, &blend, ULW_ALPHA);
    }
  }
  ::EndPaint(m_hwnd, &ps);
}

void CWindowManagerUI::ShowToolTip(CControlUI* control) {
  m_toolTipText = control->GetToolTip();
  if (m_toolTipText.IsEmpty()) return;
  m_toolTip = TOOLINFOW{};
  m_toolTip.cbSize = sizeof(TOOLINFOW);
  m_toolTip.uFlags = TTF_IDISHWND;
  m_toolTip.hwnd = m_hwnd;
  m_toolTip.uId = reinterpret_cast<UINT_PTR>(m_hwnd);
  m_toolTip.hinst = GetInstance();
  m_toolTip.lpszText = const_cast<LPWSTR>(m_toolTipText.GetData());
  m_toolTip.rect = control->GetPos();
  if (!m_hwndTooltip) {
    m_hwndTooltip = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hwnd, nullptr,
                                      GetInstance(), nullptr);
    ::SendMessageW(m_hwndTooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&m_toolTip));
  }
  ::SendMessageW(m_hwndTooltip, TTM_SETMAXTIPWIDTH, 0, control->GetToolTipWidth());
  ::SendMessageW(m_hwndTooltip, TTM_SETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&m_toolTip));
  ::SendMessageW(m_hwndTooltip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&m_toolTip));
}

// Every handler below answers whether it handled the message. A handler may destroy the
// window, and this manager with it: RaiseEvent and Survives report that, the handler then
// returns at once, and this one place turns it into "handled, result 0".
bool CWindowManagerUI::MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (!m_hwnd) return false;
  // The manager's message entry is a framework frame for hosts whose window procedure is
  // not the window base's.
  CWindowWnd::DispatchScope frame;
  std::shared_ptr<const bool> alive = m_alive;
  // A manager bound again to a new window still names the old one until WM_CREATE.
  const bool bound = !IsWindowGone();
  const auto gone = [&] { return !*alive || (bound && IsWindowGone()); };
  FlushAsyncNotify();
  bool handled = !gone() && (FilterMessage(msg, wParam, lParam, result) || RouteMessage(msg, wParam, lParam, result));
  if (gone()) return Gone(result);
  if (!handled) FlushAsyncNotify();
  return handled;
}

// A filter may add or remove filters, itself among them: the others still see the message.
bool CWindowManagerUI::FilterMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  return m_messageFilters.Walk([&](void* item) {
    auto* filter = static_cast<IMessageFilterUI*>(item);
    bool handled = false;
    LRESULT answer = 0;
    if (!Survives([&] { answer = filter->MessageHandler(msg, wParam, lParam, handled); })) return true;
    if (handled) result = answer;
    return handled;
  });
}

bool CWindowManagerUI::RouteMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  // Input comes before paint: a pointer message that reaches a window whose tree waits for its
  // layout (a window just shown under the pointer) would be hit-tested against no positions.
  if (m_updateNeeded && IsPointerMessage(msg) && !DoLayout()) return true;
  switch (msg) {
    case WM_APP + 1: return OnCleanup(wParam, lParam, result);
    case WM_CLOSE: return OnClose(wParam, lParam, result);
    case WM_ERASEBKGND: return OnEraseBackground(wParam, lParam, result);
    case WM_PAINT: return OnPaint(wParam, lParam, result);
    case WM_PRINTCLIENT: return OnPrintClient(wParam, lParam, result);
    case WM_GETMINMAXINFO: return OnGetMinMaxInfo(wParam, lParam, result);
    case WM_SIZE: return OnSize(wParam, lParam, result);
    case WM_TIMER: return OnTimer(wParam, lParam, result);
    case WM_MOUSEHOVER: return OnMouseHover(wParam, lParam, result);
    case WM_MOUSELEAVE: return OnMouseLeave(wParam, lParam, result);
    case WM_MOUSEMOVE: return OnMouseMove(wParam, lParam, result);
    case WM_LBUTTONDOWN: return OnButtonDown(wParam, lParam, result);
    case WM_LBUTTONDBLCLK: return OnDoubleClick(wParam, lParam, result);
    case WM_LBUTTONUP: return OnButtonUp(wParam, lParam, result);
    case WM_RBUTTONDOWN: return OnRightButtonDown(wParam, lParam, result);
    case WM_CONTEXTMENU: return OnContextMenu(wParam, lParam, result);
    case WM_MOUSEWHEEL: return OnMouseWheel(wParam, lParam, result);
    case WM_SETCURSOR: return OnSetCursor(wParam, lParam, result);
    case WM_KEYDOWN: return OnKeyDown(wParam, lParam, result);
    case WM_KEYUP: return OnKeyUp(wParam, lParam, result);
    case WM_CHAR: return OnChar(wParam, lParam, result);
    case WM_NOTIFY: return OnNotify(wParam, lParam, result);
    case WM_COMMAND: return OnReflect(msg, wParam, lParam, result);
    case WM_CTLCOLOREDIT: return OnReflect(msg, wParam, lParam, result);
    case WM_CTLCOLORSTATIC: return OnReflect(msg, wParam, lParam, result);
    default: return false;
  }
}

bool CWindowManagerUI::OnCleanup(WPARAM, LPARAM, LRESULT&) {
  CleanupDelayed();
  return false;
}

bool CWindowManagerUI::OnClose(WPARAM, LPARAM, LRESULT&) {
  if (m_hover && !RaiseEvent(m_hover, UIEVENT_MOUSELEAVE)) return true;
  if (m_click && !RaiseEvent(m_click, UIEVENT_BUTTONUP)) return true;
  if (!Survives([this] { SetFocus(nullptr); })) return true;
  HWND owner = ::GetWindow(m_hwnd, GW_OWNER);
  if (owner) ::SetFocus(owner);
  return false;
}

bool CWindowManagerUI::OnEraseBackground(WPARAM, LPARAM, LRESULT& result) {
  result = 1;
  return true;
}

bool CWindowManagerUI::OnPaint(WPARAM, LPARAM, LRESULT& result) {
  result = 0;
  RECT update;
  if (!::GetUpdateRect(m_hwnd, &update, FALSE)) return true;
  if (!m_root) {
    PAINTSTRUCT ps;
    ::BeginPaint(m_hwnd, &ps);
    ::EndPaint(m_hwnd, &ps);
    return true;
  }
  RECT client;
  ::GetClientRect(m_hwnd, &client);
  if (m_layeredBackground) {
    PaintLayered(client);
  } else {
    PaintNormal(client);
  }
  return true;
}

bool CWindowManagerUI::OnPrintClient(WPARAM wParam, LPARAM lParam, LRESULT&) {
  if (!m_root) return false;
  RECT client;
  ::GetClientRect(m_hwnd, &client);
  HDC hdc = reinterpret_cast<HDC>(wParam);
  int saved = ::SaveDC(hdc);
  m_root->DoPaint(hdc, client);
  ::RestoreDC(hdc, saved);
  if ((lParam & PRF_CHILDREN) == 0) return false;
  for (HWND child = ::GetWindow(m_hwnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    RECT rcChild;
    ::GetWindowRect(child, &rcChild);
    ::MapWindowPoints(nullptr, m_hwnd, reinterpret_cast<POINT*>(&rcChild), 2);
    POINT old;
    ::SetWindowOrgEx(hdc, -rcChild.left, -rcChild.top, &old);
    ::SendMessageW(child, WM_PRINT, wParam, lParam | PRF_CHECKVISIBLE);
    ::SetWindowOrgEx(hdc, old.x, old.y, nullptr);
  }
  return false;
}

bool CWindowManagerUI::OnGetMinMaxInfo(WPARAM, LPARAM lParam, LRESULT&) {
  auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
  if (!info) return false;
  if (m_minInfo.cx > 0) info->ptMinTrackSize.x = m_minInfo.cx;
  if (m_minInfo.cy > 0) info->ptMinTrackSize.y = m_minInfo.cy;
  if (m_maxInfo.cx > 0) info->ptMaxTrackSize.x = m_maxInfo.cx;
  if (m_maxInfo.cy > 0) info->ptMaxTrackSize.y = m_maxInfo.cy;
  return false;
}

bool CWindowManagerUI::OnSize(WPARAM, LPARAM, LRESULT& result) {
  if (m_focus && !RaiseEvent(m_focus, UIEVENT_WINDOWSIZE)) return true;
  if (m_root) m_root->NeedUpdate();
  result = 0;
  return true;
}

bool CWindowManagerUI::OnTimer(WPARAM wParam, LPARAM lParam, LRESULT&) {
  UINT localId = 0;
  CControlUI* control = TimerTarget(LOWORD(wParam), localId);
  if (control) RaiseEvent(control, UIEVENT_TIMER, localId, lParam);
  return false;
}

bool CWindowManagerUI::OnMouseHover(WPARAM, LPARAM lParam, LRESULT& result) {
  m_mouseTracking = false;
  POINT pt = PointFromLParam(lParam);
  CControlUI* control = FindControlAt(pt);
  if (!control) return false;
  if (m_hover) {
    // The hover event carries the hover point, not the last move's.
    UIEventRecord event;
    event.type = UIEVENT_MOUSEHOVER;
    event.sender = m_hover;
    event.timestamp = ::GetTickCount();
    event.mouse = pt;
    CControlUI* hover = m_hover;
    if (!Survives([&] { hover->Event(event); })) return true;
  }
  ShowToolTip(control);
  result = 0;
  return true;
}

bool CWindowManagerUI::OnMouseLeave(WPARAM, LPARAM, LRESULT&) {
  HideToolTip();
  // The leave comes even when a hover ended the tracking: the hover control must hear it.
  if (m_mouseTracking || m_hover) {
    m_mouseTracking = true;
    if (!Survives([this] { ::SendMessageW(m_hwnd, WM_MOUSEMOVE, 0, static_cast<LPARAM>(-1)); })) return true;
  }
  m_mouseTracking = false;
  return false;
}

void CWindowManagerUI::HideToolTip() {
  if (m_hwndTooltip) ::SendMessageW(m_hwndTooltip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&m_toolTip));
}

void CWindowManagerUI::TrackMouse() {
  if (m_mouseTracking) return;
  TRACKMOUSEEVENT tme = {};
  tme.cbSize = sizeof(tme);
  tme.dwFlags = TME_HOVER | TME_LEAVE;
  tme.hwndTrack = m_hwnd;
  tme.dwHoverTime =
      m_hwndTooltip ? static_cast<DWORD>(::SendMessageW(m_hwndTooltip, TTM_GETDELAYTIME, TTDT_INITIAL, 0)) : 400;
  ::TrackMouseEvent(&tme);
  m_mouseTracking = true;
}

bool CWindowManagerUI::OnMouseMove(WPARAM, LPARAM lParam, LRESULT&) {
  TrackMouse();
  POINT pt = PointFromLParam(lParam);
  m_lastMouse = pt;
  CControlUI* control = FindControlAt(pt);
  if (control && control->GetManager() != this) return false;
  if (m_hover && m_hover != control) {
    if (!RaiseEvent(m_hover, UIEVENT_MOUSELEAVE)) return true;
    m_hover = nullptr;
    HideToolTip();
  }
  if (control && control != m_hover) {
    // Recorded before the enter's handlers run: one that takes the control away clears it.
    m_hover = control;
    if (!RaiseEvent(control, UIEVENT_MOUSEENTER)) return true;
  }
  RaiseEvent(m_click ? m_click : control, UIEVENT_MOUSEMOVE);
  return false;
}

// The control under a mouse message's point, after the window takes the focus; remembers
// the point as the last mouse position.
CControlUI* CWindowManagerUI::ControlForClick(LPARAM lParam) {
  ::SetFocus(m_hwnd);
  POINT pt = PointFromLParam(lParam);
  m_lastMouse = pt;
  return ControlForMouse(pt);
}

bool CWindowManagerUI::OnButtonDown(WPARAM wParam, LPARAM lParam, LRESULT&) {
  CControlUI* control = ControlForClick(lParam);
  if (!control) return false;
  m_click = control;
  if (!Survives([control] { control->SetFocus(); })) return true;
  SetCapture();
  if (m_click) RaiseEvent(m_click, UIEVENT_BUTTONDOWN, wParam, lParam, 0, LOWORD(wParam));
  return false;
}

bool CWindowManagerUI::OnDoubleClick(WPARAM wParam, LPARAM lParam, LRESULT&) {
  CControlUI* control = ControlForClick(lParam);
  if (!control) return false;
  SetCapture();
  if (!RaiseEvent(control, UIEVENT_DBLCLICK, 0, 0, 0, LOWORD(wParam))) return true;
  m_click = control;
  return false;
}

bool CWindowManagerUI::OnButtonUp(WPARAM wParam, LPARAM lParam, LRESULT&) {
  m_lastMouse = PointFromLParam(lParam);
  if (!m_click) return false;
  ReleaseCapture();
  CControlUI* control = m_click;
  m_click = nullptr;
  RaiseEvent(control, UIEVENT_BUTTONUP, wParam, lParam, 0, LOWORD(wParam));
  return false;
}

bool CWindowManagerUI::OnRightButtonDown(WPARAM wParam, LPARAM lParam, LRESULT&) {
  CControlUI* control = ControlForClick(lParam);
  if (!control) return false;
  if (!Survives([control] { control->SetFocus(); })) return true;
  SetCapture();
  m_click = control;
  RaiseEvent(control, UIEVENT_RBUTTONDOWN, wParam, lParam);
  return false;
}

bool CWindowManagerUI::OnContextMenu(WPARAM wParam, LPARAM lParam, LRESULT&) {
  POINT pt = PointFromLParam(lParam);
  ::ScreenToClient(m_hwnd, &pt);
  m_lastMouse = pt;
  if (!m_click) return false;
  ReleaseCapture();
  CControlUI* control = m_click;
  m_click = nullptr;
  RaiseEvent(control, UIEVENT_CONTEXTMENU, 0, reinterpret_cast<LPARAM>(control), 0, LOWORD(wParam));
  return false;
}

bool CWindowManagerUI::OnMouseWheel(WPARAM wParam, LPARAM lParam, LRESULT&) {
  POINT pt = PointFromLParam(lParam);
  ::ScreenToClient(m_hwnd, &pt);
  m_lastMouse = pt;
  CControlUI* control = ControlForMouse(pt);
  if (!control) return false;
  int delta = static_cast<short>(HIWORD(wParam));
  if (!RaiseEvent(control, UIEVENT_SCROLLWHEEL, delta < 0 ? 1 : 0, lParam, 0, KeyState())) return true;
  ::SendMessageW(m_hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(m_lastMouse.x, m_lastMouse.y));
  return false;
}

bool CWindowManagerUI::OnSetCursor(WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (LOWORD(lParam) != HTCLIENT) return false;
  if (m_mouseCapture) {
    result = TRUE;
    return true;
  }
  POINT pt;
  ::GetCursorPos(&pt);
  ::ScreenToClient(m_hwnd, &pt);
  CControlUI* control = FindControlAt(pt);
  if (!control || (control->GetControlFlags() & UIFLAG_SETCURSOR) == 0) return false;
  RaiseEvent(control, UIEVENT_SETCURSOR, wParam, lParam, 0, KeyState());
  result = TRUE;
  return true;
}

bool CWindowManagerUI::OnKeyDown(WPARAM wParam, LPARAM, LRESULT&) {
  // The key-up goes where the key-down went: to nothing when nothing had the focus.
  m_keyTarget = nullptr;
  if (!m_focus) return false;
  if (!RaiseEvent(m_focus, UIEVENT_KEYDOWN, 0, 0, static_cast<wchar_t>(wParam), KeyState())) return true;
  m_keyTarget = m_focus;
  return false;
}

bool CWindowManagerUI::OnKeyUp(WPARAM wParam, LPARAM, LRESULT&) {
  if (!m_keyTarget) return false;
  if (!RaiseEvent(m_keyTarget, UIEVENT_KEYUP, 0, 0, static_cast<wchar_t>(wParam), KeyState())) return true;
  m_keyTarget = nullptr;
  return false;
}

bool CWindowManagerUI::OnChar(WPARAM wParam, LPARAM, LRESULT&) {
  if (m_focus) RaiseEvent(m_focus, UIEVENT_CHAR, 0, 0, static_cast<wchar_t>(wParam), KeyState());
  return false;
}

bool CWindowManagerUI::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT& result) {
  auto* header = reinterpret_cast<LPNMHDR>(lParam);
  result = header ? ::SendMessageW(header->hwndFrom, kReflectBase + WM_NOTIFY, wParam, lParam) : 0;
  return true;
}

// Commands and colour requests of child windows go back to the child that sent them.
bool CWindowManagerUI::OnReflect(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (lParam == 0) return false;
  result = ::SendMessageW(reinterpret_cast<HWND>(lParam), kReflectBase + msg, wParam, lParam);
  return true;
}

}  // namespace SkinUI
