#include "ui/window/WindowImplBase.h"

#include <cstring>
#include <cwchar>

#include "ui/base/ControlUI.h"
#include "ui/skin/SkinBuilder.h"
#include "ui/window/WndShadow.h"

namespace SkinUI {

SKINUI_BEGIN_NOTIFY_MAP(WindowImplBase, CNotifyPump)
SKINUI_ON_NOTIFY(L"click", OnClick)
SKINUI_END_NOTIFY_MAP()

WindowImplBase::WindowImplBase() = default;

// The window base owns its shadow and frees it with the window object.
WindowImplBase::~WindowImplBase() = default;

HWND WindowImplBase::Create(HWND parent, LPCWSTR name, DWORD style, DWORD exStyle, int x, int y, int cx, int cy,
                            HMENU menu) {
  m_manager.SetInitSize(x, y, cx, cy);
  HWND hwnd = CWindowWnd::Create(parent, name, style, exStyle, x, y, cx, cy, menu);
  if (hwnd && cx != 0 && cy != 0) ::SetWindowPos(hwnd, nullptr, x, y, cx, cy, SWP_FRAMECHANGED);
  return hwnd;
}

UINT WindowImplBase::GetClassStyle() const { return CS_DBLCLKS; }

LRESULT WindowImplBase::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  bool handled = true;
  LRESULT result = 0;
  switch (msg) {
    case WM_CREATE: result = OnCreate(msg, wParam, lParam, handled); break;
    case WM_CLOSE: result = OnClose(msg, wParam, lParam, handled); break;
    case WM_DESTROY: result = OnDestroy(msg, wParam, lParam, handled); break;
    case WM_NCACTIVATE: result = OnNcActivate(msg, wParam, lParam, handled); break;
    case WM_NCCALCSIZE: result = OnNcCalcSize(msg, wParam, lParam, handled); break;
    case WM_NCPAINT: result = OnNcPaint(msg, wParam, lParam, handled); break;
    case WM_NCHITTEST: result = OnNcHitTest(msg, wParam, lParam, handled); break;
    case WM_GETMINMAXINFO: result = OnGetMinMaxInfo(msg, wParam, lParam, handled); break;
    case WM_MOUSEWHEEL: result = OnMouseWheel(msg, wParam, lParam, handled); break;
    case WM_SIZE: result = OnSize(msg, wParam, lParam, handled); break;
    case WM_CHAR: result = OnChar(msg, wParam, lParam, handled); break;
    case WM_SYSCOMMAND: result = OnSysCommand(msg, wParam, lParam, handled); break;
    case WM_KEYDOWN: result = OnKeyDown(msg, wParam, lParam, handled); break;
    case WM_KILLFOCUS: result = OnKillFocus(msg, wParam, lParam, handled); break;
    case WM_SETFOCUS: result = OnSetFocus(msg, wParam, lParam, handled); break;
    case WM_LBUTTONUP: result = OnLButtonUp(msg, wParam, lParam, handled); break;
    case WM_LBUTTONDOWN: result = OnLButtonDown(msg, wParam, lParam, handled); break;
    case WM_MOUSEMOVE: result = OnMouseMove(msg, wParam, lParam, handled); break;
    case WM_MOUSEHOVER: result = OnMouseHover(msg, wParam, lParam, handled); break;
    case WM_MOVE: result = OnMove(msg, wParam, lParam, handled); break;
    case WM_SHOWWINDOW: result = OnShowWindow(msg, wParam, lParam, handled); break;
    case WM_NCLBUTTONDBLCLK: result = OnNcLButtonDblClk(msg, wParam, lParam, handled); break;
    default: handled = false; break;
  }
  if (handled) return result;
  result = HandleCustomMessage(msg, wParam, lParam, handled);
  if (handled) return result;
  if (m_manager.MessageHandler(msg, wParam, lParam, result)) return result;
  return CWindowWnd::HandleMessage(msg, wParam, lParam);
}

void WindowImplBase::OnFinalMessage(HWND) {
  m_manager.RemovePreMessageFilter(this);
  m_manager.RemoveNotifier(this);
  // A window created without its skin has no tree to forget.
  if (m_manager.GetRoot()) m_manager.ReapObjects(m_manager.GetRoot());
}

void WindowImplBase::InitWindow() {}

void WindowImplBase::OnClick(UINotifyMsg& msg) {
  if (!msg.sender) return;
  CUIString name = msg.sender->GetName();
  if (name == L"btn_close") {
    Close(1);
  } else if (name == L"btn_min") {
    ::SendMessageW(m_hwnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  } else if (name == L"btn_max") {
    ::SendMessageW(m_hwnd, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  } else if (name == L"btn_restore") {
    ::SendMessageW(m_hwnd, WM_SYSCOMMAND, SC_RESTORE, 0);
  }
}

LRESULT WindowImplBase::HandleDefaultKey(WPARAM key) {
  if (key == VK_ESCAPE) {
    Close(1);
    return 1;
  }
  return 0;
}

UINT WindowImplBase::GetResourceType() const { return UILIB_ZIPRESOURCE; }
CUIString WindowImplBase::GetZIPFileName() const { return CUIString(); }
LPCWSTR WindowImplBase::GetSkinResourceID() const { return MAKEINTRESOURCEW(150); }

#define JF_DEFAULT_HANDLER(name)                                          \
  LRESULT WindowImplBase::name(UINT, WPARAM, LPARAM, bool& handled) {     \
    handled = false;                                                      \
    return 0;                                                             \
  }
JF_DEFAULT_HANDLER(OnClose)
JF_DEFAULT_HANDLER(OnDestroy)
JF_DEFAULT_HANDLER(OnMouseWheel)
JF_DEFAULT_HANDLER(OnMouseHover)
JF_DEFAULT_HANDLER(OnMove)
JF_DEFAULT_HANDLER(OnChar)
JF_DEFAULT_HANDLER(OnKeyDown)
JF_DEFAULT_HANDLER(OnKillFocus)
JF_DEFAULT_HANDLER(OnSetFocus)
JF_DEFAULT_HANDLER(OnLButtonDown)
JF_DEFAULT_HANDLER(OnLButtonUp)
JF_DEFAULT_HANDLER(OnMouseMove)
JF_DEFAULT_HANDLER(HandleCustomMessage)
JF_DEFAULT_HANDLER(OnShowWindow)
#undef JF_DEFAULT_HANDLER

LRESULT WindowImplBase::OnNcActivate(UINT, WPARAM wParam, LPARAM, bool& handled) {
  if (::IsIconic(m_hwnd)) handled = false;
  return wParam == 0 ? TRUE : FALSE;
}

namespace {

// The work area of the monitor nearest to the window, relative to that monitor's origin.
RECT RelativeWorkArea(HWND hwnd) {
  MONITORINFO mi = {};
  mi.cbSize = sizeof(mi);
  ::GetMonitorInfoW(::MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &mi);
  RECT rc = mi.rcWork;
  OffsetRect(&rc, -mi.rcMonitor.left, -mi.rcMonitor.top);
  return rc;
}

}  // namespace

LRESULT WindowImplBase::OnNcCalcSize(UINT, WPARAM, LPARAM lParam, bool&) {
  if (!::IsZoomed(m_hwnd)) return 0;
  auto* params = reinterpret_cast<LPNCCALCSIZE_PARAMS>(lParam);
  if (!params) return 0;
  RECT work = RelativeWorkArea(m_hwnd);
  RECT& rc = params->rgrc[0];
  rc.right = rc.left + (work.right - work.left);
  rc.bottom = rc.top + (work.bottom - work.top);
  return WVR_HREDRAW | WVR_VREDRAW;
}

LRESULT WindowImplBase::OnNcPaint(UINT, WPARAM, LPARAM, bool&) { return 0; }

LRESULT WindowImplBase::OnNcLButtonDblClk(UINT, WPARAM, LPARAM, bool& handled) {
  m_manager.SetFocus(nullptr);
  handled = false;
  return 0;
}

bool WindowImplBase::IsCaptionControl(CControlUI* control) {
  static const wchar_t* const kCaptionClasses[] = {L"VerticalLayoutUI", L"HorizontalLayoutUI", L"TileLayoutUI",
                                                   L"TabLayoutUI",      L"ChildLayoutUI",      L"ControlUI",
                                                   L"ContainerUI",      L"ProgressUI",         L"LabelUI"};
  for (CControlUI* c = control; c; c = c->GetParent()) {
    bool caption = false;
    for (const wchar_t* name : kCaptionClasses) {
      if (_wcsicmp(c->GetClass(), name) == 0) {
        caption = true;
        break;
      }
    }
    if (!caption) return false;
  }
  return true;
}

LRESULT WindowImplBase::OnNcHitTest(UINT, WPARAM, LPARAM lParam, bool&) {
  POINT screen = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  POINT pt = screen;
  ::ScreenToClient(m_hwnd, &pt);
  RECT rc;
  ::GetClientRect(m_hwnd, &rc);
  if (!::IsZoomed(m_hwnd)) {
    SIZE grip = m_manager.GetGripSize();
    if (grip.cx >= 1 && grip.cy >= 1) {
      RECT rcWindow;
      ::GetWindowRect(m_hwnd, &rcWindow);
      if (screen.x > rcWindow.right - grip.cx && screen.y > rcWindow.bottom - grip.cy) return HTBOTTOMRIGHT;
    }
    RECT box = m_manager.GetSizeBox();
    if (pt.y < rc.top + box.top) {
      if (pt.x < rc.left + box.left) return HTTOPLEFT;
      if (pt.x > rc.right - box.right) return HTTOPRIGHT;
      return HTTOP;
    }
    if (pt.y > rc.bottom - box.bottom) {
      if (pt.x < rc.left + box.left) return HTBOTTOMLEFT;
      if (pt.x > rc.right - box.right) return HTBOTTOMRIGHT;
      return HTBOTTOM;
    }
    if (pt.x < rc.left + box.left) return HTLEFT;
    if (pt.x > rc.right - box.right) return HTRIGHT;
  }
  RECT caption = m_manager.GetCaptionRect();
  if (pt.x >= rc.left + caption.left && pt.x < rc.right - caption.right && pt.y >= caption.top &&
      pt.y < caption.bottom) {
    return IsCaptionControl(m_manager.FindControlAt(pt)) ? HTCAPTION : HTCLIENT;
  }
  return HTCLIENT;
}

LRESULT WindowImplBase::OnGetMinMaxInfo(UINT, WPARAM, LPARAM lParam, bool& handled) {
  auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
  if (info) {
    RECT work = RelativeWorkArea(m_hwnd);
    info->ptMaxPosition.x = work.left;
    info->ptMaxPosition.y = work.top;
    info->ptMaxTrackSize.x = work.right - work.left;
    info->ptMaxTrackSize.y = work.bottom - work.top;
    info->ptMinTrackSize.x = m_manager.GetMinInfo().cx;
    info->ptMinTrackSize.y = m_manager.GetMinInfo().cy;
  }
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnSize(UINT, WPARAM, LPARAM, bool& handled) {
  SIZE round = m_manager.GetRoundCorner();
  if (!::IsIconic(m_hwnd) && (round.cx != 0 || round.cy != 0)) {
    RECT rc;
    ::GetWindowRect(m_hwnd, &rc);
    OffsetRect(&rc, -rc.left, -rc.top);
    rc.right++;
    rc.bottom++;
    HRGN region = ::CreateRoundRectRgn(rc.left, rc.top, rc.right, rc.bottom, round.cx, round.cy);
    // The window owns the region once it is set; only a refused one is ours to delete.
    if (region && !::SetWindowRgn(m_hwnd, region, TRUE)) ::DeleteObject(region);
  }
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnSysCommand(UINT msg, WPARAM wParam, LPARAM lParam, bool&) {
  if ((wParam & 0xFFF0) == SC_CLOSE) {
    ::SendMessageW(m_hwnd, WM_CLOSE, 0, 0);
    return 0;
  }
  return CWindowWnd::HandleMessage(msg, wParam, lParam);
}

LRESULT WindowImplBase::OnCreate(UINT, WPARAM, LPARAM, bool&) {
  LONG style = ::GetWindowLongW(m_hwnd, GWL_STYLE);
  style &= ~WS_CAPTION;
  style |= WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  ::SetWindowLongW(m_hwnd, GWL_STYLE, style);
  m_manager.Init(m_hwnd);
  // Created again: the first window's tree goes (deleted once its messages are done) and the
  // skin builds this one's, at the skin's size.
  if (m_manager.GetRoot()) m_manager.AttachDialog(nullptr);
  m_manager.AddPreMessageFilter(this);
  if (CWindowManagerUI::GetResourcePath().IsEmpty()) {
    CUIString path = CWindowManagerUI::GetInstancePath();
    path += GetSkinFolder();
    CWindowManagerUI::SetResourcePath(path);
  }
  UINT type = GetResourceType();
  if (type == UILIB_ZIP) {
    CWindowManagerUI::SetResourceZip(GetZIPFileName());
  } else if (type == UILIB_ZIPRESOURCE) {
    if (!CWindowManagerUI::GetResourceZipBuffer() || CWindowManagerUI::GetResourceZipBufferSize() == 0) {
      HINSTANCE instance = CWindowManagerUI::GetResourceInstance();
      HRSRC resource = ::FindResourceW(instance, GetSkinResourceID(), L"ZIPRES");
      if (!resource) return 0;
      HGLOBAL global = ::LoadResource(instance, resource);
      if (!global) return 0;
      DWORD size = ::SizeofResource(instance, resource);
      if (size == 0) {
        ::FreeResource(global);
        return 0;
      }
      BYTE* buffer = new BYTE[size];
      std::memcpy(buffer, ::LockResource(global), size);
      ::FreeResource(global);
      CWindowManagerUI::SetResourceZipBuffer(buffer, size);
    }
    CWindowManagerUI::SetResourceZipFromMemory();
  }
  CSkinBuilder builder;
  CControlUI* root = nullptr;
  if (type == UILIB_RESOURCE) {
    UINT id = static_cast<UINT>(_wtoi(GetSkinFile())) & 0xFFFF;
    root = builder.Create(MAKEINTRESOURCEW(id), L"xml", this, &m_manager, nullptr);
  } else {
    CUIString file = GetSkinFile();
    root = builder.Create(file, nullptr, this, &m_manager, nullptr);
  }
  if (!root) {
    OnSkinLoadFailed();
    return -1;
  }
  m_manager.AttachDialog(root);
  m_manager.AddNotifier(this);
  if (m_manager.IsShadow() && !m_manager.IsSelfShadow()) {
    m_shadow.reset(new CWndShadow);
    m_shadow->Create(m_hwnd);
  }
  InitWindow();
  builder.GetMarkup()->Release();
  return 0;
}

void WindowImplBase::OnSkinLoadFailed() {
  ::MessageBoxW(nullptr, L"加载资源文件失败", L"SkinUI", MB_ICONERROR);
  ::ExitProcess(1);
}

LONG WindowImplBase::GetStyle() { return ::GetWindowLongW(m_hwnd, GWL_STYLE) & ~WS_CAPTION; }

void WindowImplBase::Notify(UINotifyMsg& msg) { NotifyPump(msg); }

LRESULT WindowImplBase::MessageHandler(UINT msg, WPARAM wParam, LPARAM, bool&) {
  if (msg == WM_KEYDOWN && (wParam == VK_RETURN || wParam == VK_ESCAPE)) return HandleDefaultKey(wParam);
  return 0;
}

CControlUI* WindowImplBase::CreateControl(LPCWSTR) { return nullptr; }

}  // namespace SkinUI
