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

// The window and its manager went away inside a handler: the message counts as handled, so
// that no caller touches the dead window object for its default processing.
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

void CWindowManagerUI::DoLayout() {
  if (!m_updateNeeded || !m_root) return;
  m_updateNeeded = false;
  RECT client;
  ::GetClientRect(m_hwnd, &client);
  if (IsRectEmpty(&client)) return;
  if (m_root->IsUpdateNeeded()) {
    m_root->SetPos(client);
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
      control->SetPos(control->GetPos());
    }
  }
  if (m_firstLayout) {
    m_firstLayout = false;
    SendNotify(m_root, L"windowinit");
  }
}

void CWindowManagerUI::PaintNormal(const RECT& client) {
  DoLayout();
  if (!m_root) return;
  // A pending focus move (a Tab during layout, a first tab stop, SetFocusNeeded) runs now.
  if (m_focusNeeded) SetNextTabControl(true);
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
      HGDIOBJ oldPen = ::SelectObject(ps.hdc, ::CreatePen(PS_SOLID, 1, RGB(220, 0, 0)));
      HGDIOBJ oldBrush = ::SelectObject(ps.hdc, ::GetStockObject(HOLLOW_BRUSH));
      ::Rectangle(ps.hdc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom);
      ::DeleteObject(::SelectObject(ps.hdc, oldPen));
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
  PAINTSTRUCT ps;
  ::BeginPaint(m_hwnd, &ps);
  DeleteBackground();
  DoLayout();
  if (!m_root) {
    ::EndPaint(m_hwnd, &ps);
    return;
  }
  if (m_focusNeeded) SetNextTabControl(true);
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

bool CWindowManagerUI::MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (!m_hwnd) return false;
  AliveScope scope(this);
#define JF_GONE() (scope.Gone())

  FlushAsyncNotify();
  if (JF_GONE()) return Gone(result);
  for (int i = 0; i < m_messageFilters.GetSize(); ++i) {
    bool handled = false;
    LRESULT answer = static_cast<IMessageFilterUI*>(m_messageFilters[i])->MessageHandler(msg, wParam, lParam, handled);
    if (JF_GONE()) return Gone(result);
    if (handled) {
      result = answer;
      return true;
    }
  }

  switch (msg) {
    case WM_APP + 1:
      CleanupDelayed();
      break;
    case WM_CLOSE: {
      if (m_hover) RaiseEvent(m_hover, UIEVENT_MOUSELEAVE);
      if (JF_GONE()) return Gone(result);
      if (m_click) RaiseEvent(m_click, UIEVENT_BUTTONUP);
      if (JF_GONE()) return Gone(result);
      SetFocus(nullptr);
      if (JF_GONE()) return Gone(result);
      HWND owner = ::GetWindow(m_hwnd, GW_OWNER);
      if (owner) ::SetFocus(owner);
      break;
    }
    case WM_ERASEBKGND:
      result = 1;
      return true;
    case WM_PAINT: {
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
    case WM_PRINTCLIENT: {
      if (!m_root) break;
      RECT client;
      ::GetClientRect(m_hwnd, &client);
      HDC hdc = reinterpret_cast<HDC>(wParam);
      int saved = ::SaveDC(hdc);
      m_root->DoPaint(hdc, client);
      ::RestoreDC(hdc, saved);
      if ((lParam & PRF_CHILDREN) != 0) {
        for (HWND child = ::GetWindow(m_hwnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
          RECT rcChild;
          ::GetWindowRect(child, &rcChild);
          ::MapWindowPoints(nullptr, m_hwnd, reinterpret_cast<POINT*>(&rcChild), 2);
          POINT old;
          ::SetWindowOrgEx(hdc, -rcChild.left, -rcChild.top, &old);
          ::SendMessageW(child, WM_PRINT, wParam, lParam | PRF_CHECKVISIBLE);
          ::SetWindowOrgEx(hdc, old.x, old.y, nullptr);
        }
      }
      break;
    }
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      if (!info) break;
      if (m_minInfo.cx > 0) info->ptMinTrackSize.x = m_minInfo.cx;
      if (m_minInfo.cy > 0) info->ptMinTrackSize.y = m_minInfo.cy;
      if (m_maxInfo.cx > 0) info->ptMaxTrackSize.x = m_maxInfo.cx;
      if (m_maxInfo.cy > 0) info->ptMaxTrackSize.y = m_maxInfo.cy;
      break;
    }
    case WM_SIZE:
      if (m_focus) RaiseEvent(m_focus, UIEVENT_WINDOWSIZE);
      if (JF_GONE()) return Gone(result);
      if (m_root) m_root->NeedUpdate();
      result = 0;
      return true;
    case WM_TIMER: {
      UINT localId = 0;
      CControlUI* control = TimerTarget(LOWORD(wParam), localId);
      if (control) RaiseEvent(control, UIEVENT_TIMER, localId, lParam);
      break;
    }
    case WM_MOUSEHOVER: {
      m_mouseTracking = false;
      POINT pt = PointFromLParam(lParam);
      CControlUI* control = FindControlAt(pt);
      if (!control) break;
      if (m_hover) {
        UIEventRecord event;
        event.type = UIEVENT_MOUSEHOVER;
        event.sender = m_hover;
        event.timestamp = ::GetTickCount();
        event.mouse = pt;
        m_hover->Event(event);
        if (JF_GONE()) return Gone(result);
      }
      ShowToolTip(control);
      result = 0;
      return true;
    }
    case WM_MOUSELEAVE: {
      if (m_hwndTooltip) ::SendMessageW(m_hwndTooltip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&m_toolTip));
      // The leave comes even when a hover ended the tracking: the hover control must hear it.
      if (m_mouseTracking || m_hover) {
        m_mouseTracking = true;
        ::SendMessageW(m_hwnd, WM_MOUSEMOVE, 0, static_cast<LPARAM>(-1));
        if (JF_GONE()) return Gone(result);
      }
      m_mouseTracking = false;
      break;
    }
    case WM_MOUSEMOVE: {
      if (!m_mouseTracking) {
        TRACKMOUSEEVENT tme = {};
        tme.cbSize = sizeof(tme);
        tme.dwFlags = TME_HOVER | TME_LEAVE;
        tme.hwndTrack = m_hwnd;
        tme.dwHoverTime = m_hwndTooltip
                              ? static_cast<DWORD>(::SendMessageW(m_hwndTooltip, TTM_GETDELAYTIME, TTDT_INITIAL, 0))
                              : 400;
        ::TrackMouseEvent(&tme);
        m_mouseTracking = true;
      }
      POINT pt = PointFromLParam(lParam);
      m_lastMouse = pt;
      CControlUI* control = FindControlAt(pt);
      if (control && control->GetManager() != this) break;
      if (m_hover && m_hover != control) {
        CControlUI* old = m_hover;
        RaiseEvent(old, UIEVENT_MOUSELEAVE);
        if (JF_GONE()) return Gone(result);
        m_hover = nullptr;
        if (m_hwndTooltip) ::SendMessageW(m_hwndTooltip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&m_toolTip));
      }
      if (control && control != m_hover) {
        RaiseEvent(control, UIEVENT_MOUSEENTER);
        if (JF_GONE()) return Gone(result);
        m_hover = control;
      }
      if (m_click) {
        RaiseEvent(m_click, UIEVENT_MOUSEMOVE);
      } else if (control) {
        RaiseEvent(control, UIEVENT_MOUSEMOVE);
      }
      if (JF_GONE()) return Gone(result);
      break;
    }
    case WM_LBUTTONDOWN: {
      ::SetFocus(m_hwnd);
      POINT pt = PointFromLParam(lParam);
      m_lastMouse = pt;
      CControlUI* control = ControlForMouse(pt);
      if (!control) break;
      m_click = control;
      control->SetFocus();
      if (JF_GONE()) return Gone(result);
      SetCapture();
      if (m_click) RaiseEvent(m_click, UIEVENT_BUTTONDOWN, wParam, lParam, 0, LOWORD(wParam));
      if (JF_GONE()) return Gone(result);
      break;
    }
    case WM_LBUTTONDBLCLK: {
      ::SetFocus(m_hwnd);
      POINT pt = PointFromLParam(lParam);
      m_lastMouse = pt;
      CControlUI* control = ControlForMouse(pt);
      if (!control) break;
      SetCapture();
      RaiseEvent(control, UIEVENT_DBLCLICK, 0, 0, 0, LOWORD(wParam));
      if (JF_GONE()) return Gone(result);
      m_click = control;
      break;
    }
    case WM_LBUTTONUP: {
      m_lastMouse = PointFromLParam(lParam);
      if (!m_click) break;
      ReleaseCapture();
      CControlUI* control = m_click;
      m_click = nullptr;
      RaiseEvent(control, UIEVENT_BUTTONUP, wParam, lParam, 0, LOWORD(wParam));
      if (JF_GONE()) return Gone(result);
      break;
    }
    case WM_RBUTTONDOWN: {
      ::SetFocus(m_hwnd);
      POINT pt = PointFromLParam(lParam);
      m_lastMouse = pt;
      CControlUI* control = ControlForMouse(pt);
      if (!control) break;
      control->SetFocus();
      if (JF_GONE()) return Gone(result);
      SetCapture();
      m_click = control;
      RaiseEvent(control, UIEVENT_RBUTTONDOWN, wParam, lParam);
      if (JF_GONE()) return Gone(result);
      break;
    }
    case WM_CONTEXTMENU: {
      POINT pt = PointFromLParam(lParam);
      ::ScreenToClient(m_hwnd, &pt);
      m_lastMouse = pt;
      if (!m_click) break;
      ReleaseCapture();
      CControlUI* control = m_click;
      m_click = nullptr;
      RaiseEvent(control, UIEVENT_CONTEXTMENU, 0, reinterpret_cast<LPARAM>(control), 0, LOWORD(wParam));
      if (JF_GONE()) return Gone(result);
      break;
    }
    case WM_MOUSEWHEEL: {
      POINT pt = PointFromLParam(lParam);
      ::ScreenToClient(m_hwnd, &pt);
      m_lastMouse = pt;
      CControlUI* control = ControlForMouse(pt);
      if (!control) break;
      int delta = static_cast<short>(HIWORD(wParam));
      RaiseEvent(control, UIEVENT_SCROLLWHEEL, delta < 0 ? 1 : 0, lParam, 0, KeyState());
      if (JF_GONE()) return Gone(result);
      ::SendMessageW(m_hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(m_lastMouse.x, m_lastMouse.y));
      if (JF_GONE()) return Gone(result);
      break;
    }
    case WM_SETCURSOR: {
      if (LOWORD(lParam) != HTCLIENT) break;
      if (m_mouseCapture) {
        result = TRUE;
        return true;
      }
      POINT pt;
      ::GetCursorPos(&pt);
      ::ScreenToClient(m_hwnd, &pt);
      CControlUI* control = FindControlAt(pt);
      if (!control || (control->GetControlFlags() & UIFLAG_SETCURSOR) == 0) break;
      RaiseEvent(control, UIEVENT_SETCURSOR, wParam, lParam, 0, KeyState());
      result = TRUE;
      return true;
    }
    case WM_KEYDOWN:
      if (!m_focus) break;
      RaiseEvent(m_focus, UIEVENT_KEYDOWN, 0, 0, static_cast<wchar_t>(wParam), KeyState());
      if (JF_GONE()) return Gone(result);
      m_keyTarget = m_focus;
      break;
    case WM_KEYUP: {
      if (!m_keyTarget) break;
      CControlUI* target = m_keyTarget;
      RaiseEvent(target, UIEVENT_KEYUP, 0, 0, static_cast<wchar_t>(wParam), KeyState());
      if (JF_GONE()) return Gone(result);
      m_keyTarget = nullptr;
      break;
    }
    case WM_CHAR:
      if (!m_focus) break;
      RaiseEvent(m_focus, UIEVENT_CHAR, 0, 0, static_cast<wchar_t>(wParam), KeyState());
      if (JF_GONE()) return Gone(result);
      break;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<LPNMHDR>(lParam);
      result = header ? ::SendMessageW(header->hwndFrom, kReflectBase + WM_NOTIFY, wParam, lParam) : 0;
      return true;
    }
    case WM_COMMAND:
      if (lParam == 0) break;
      result = ::SendMessageW(reinterpret_cast<HWND>(lParam), kReflectBase + WM_COMMAND, wParam, lParam);
      return true;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
      if (lParam == 0) break;
      result = ::SendMessageW(reinterpret_cast<HWND>(lParam), kReflectBase + msg, wParam, lParam);
      return true;
    default:
      break;
  }
  FlushAsyncNotify();
#undef JF_GONE
  return false;
}

}  // namespace SkinUI
