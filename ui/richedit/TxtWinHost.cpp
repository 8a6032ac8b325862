#include "ui/richedit/TxtWinHost.h"

#include "ui/base/ScrollBarUI.h"
#include "ui/richedit/RichEditUI.h"
#include "ui/base/WindowManagerUI.h"

namespace SkinUI {

namespace {

constexpr LONG kDefaultMaxLength = 32767;

int DeviceDpi(HDC hdc, int index) {
  const int dpi = hdc ? GetDeviceCaps(hdc, index) : 0;
  return dpi > 0 ? dpi : 96;
}

COLORREF ToColorRef(DWORD argb) { return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF); }

}  // namespace

CTxtWinHost::CTxtWinHost() = default;

void CTxtWinHost::Detach() { m_control = nullptr; }

CTxtWinHost::~CTxtWinHost() {
  if (m_services) {
    m_services->OnTxInPlaceDeactivate();
    m_services->Release();
  }
}

HWND CTxtWinHost::Window() const {
  CWindowManagerUI* manager = m_control ? m_control->GetManager() : nullptr;
  return manager ? manager->GetPaintWindow() : nullptr;
}

HDC CTxtWinHost::PaintDC() const {
  CWindowManagerUI* manager = m_control ? m_control->GetManager() : nullptr;
  return manager ? manager->GetPaintDC() : nullptr;
}

BOOL CTxtWinHost::Init(CRichEditUI* control, const CREATESTRUCTW* create) {
  m_control = control;
  m_refs = 1;
  InitDefaultCharFormat(control, &m_charFormat);
  m_paraFormat = PARAFORMAT2{};
  m_paraFormat.cbSize = sizeof(PARAFORMAT2);
  m_paraFormat.dwMask = PFM_ALIGNMENT | PFM_NUMBERING | PFM_STARTINDENT | PFM_RIGHTINDENT | PFM_TABSTOPS |
                        PFM_OFFSET | PFM_OFFSETINDENT | 0x00090000;
  m_paraFormat.wAlignment = PFA_LEFT;
  m_paraFormat.cTabCount = 0;
  m_paraFormat.rgxTabs[0] = 720;

  m_style = ES_MULTILINE;
  m_rich = control->IsRich();
  // The same mapping as the "maxchar" attribute after creation: 0 or less is the default.
  m_maxLength = control->GetLimitText() > 0 ? control->GetLimitText() : kDefaultMaxLength;
  if (create) {
    m_style = create->style;
    m_wordWrap = (m_style & (ES_AUTOHSCROLL | WS_HSCROLL)) == 0;
  }
  if (m_style & ES_CENTER) {
    m_paraFormat.wAlignment = PFA_CENTER;
  } else if (m_style & ES_RIGHT) {
    m_paraFormat.wAlignment = PFA_RIGHT;
  }
  m_inPlaceActive = true;

  HMODULE module = LoadLibraryW(L"riched20.dll");
  auto create_services =
      module ? reinterpret_cast<PCreateTextServices>(
                   reinterpret_cast<void*>(GetProcAddress(module, "CreateTextServices")))
             : nullptr;
  if (!create_services) return FALSE;
  IUnknown* unknown = nullptr;
  if (FAILED(create_services(nullptr, this, &unknown)) || !unknown) return FALSE;
  HRESULT hr = unknown->QueryInterface(IID_ITextServices, reinterpret_cast<void**>(&m_services));
  unknown->Release();
  if (FAILED(hr) || !m_services) {
    m_services = nullptr;
    return FALSE;
  }

  HWND hwnd = Window();
  if (hwnd && (m_style & ES_DISABLENOSCROLL) == 0) {
    SetScrollRange(hwnd, SB_VERT, 0, 0, TRUE);
    SetScrollRange(hwnd, SB_HORZ, 0, 0, TRUE);
    LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    SetWindowLongPtrW(hwnd, GWL_STYLE, style & ~LONG_PTR(WS_VSCROLL | WS_HSCROLL));
  }
  if (create && create->lpszName && FAILED(m_services->TxSetText(create->lpszName))) return FALSE;
  return TRUE;
}

HRESULT CTxtWinHost::InitDefaultCharFormat(CRichEditUI* control, CHARFORMAT2W* format) {
  *format = CHARFORMAT2W{};
  CWindowManagerUI* manager = control->GetManager();
  HFONT font = manager ? manager->GetFont(control->GetFont()) : nullptr;
  LOGFONTW lf = {};
  if (font) GetObjectW(font, sizeof(lf), &lf);
  format->cbSize = sizeof(CHARFORMAT2W);
  format->dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_CHARSET | CFM_OFFSET | CFM_FACE | CFM_COLOR | CFM_SIZE;
  if (lf.lfWeight >= FW_BOLD) format->dwEffects |= CFE_BOLD;
  if (lf.lfItalic) format->dwEffects |= CFE_ITALIC;
  if (lf.lfUnderline) format->dwEffects |= CFE_UNDERLINE;
  format->yHeight = lf.lfHeight * -1440 / DeviceDpi(manager ? manager->GetPaintDC() : nullptr, LOGPIXELSY);
  format->yOffset = 0;
  format->crTextColor = ToColorRef(control->GetTextColor());
  format->bCharSet = lf.lfCharSet;
  format->bPitchAndFamily = lf.lfPitchAndFamily;
  wcsncpy(format->szFaceName, lf.lfFaceName, LF_FACESIZE - 1);
  return S_OK;
}

void CTxtWinHost::CharFormatFromFont(HFONT font) {
  if (!font) return;
  LOGFONTW lf = {};
  GetObjectW(font, sizeof(lf), &lf);
  m_charFormat.yHeight = lf.lfHeight * -1440 / DeviceDpi(PaintDC(), LOGPIXELSY);
  if (lf.lfWeight >= FW_BOLD) m_charFormat.dwEffects |= CFE_BOLD;
  if (lf.lfItalic) m_charFormat.dwEffects |= CFE_ITALIC;
  if (lf.lfUnderline) m_charFormat.dwEffects |= CFE_UNDERLINE;
  m_charFormat.bCharSet = lf.lfCharSet;
  m_charFormat.bPitchAndFamily = lf.lfPitchAndFamily;
  wcsncpy(m_charFormat.szFaceName, lf.lfFaceName, LF_FACESIZE - 1);
  m_charFormat.szFaceName[LF_FACESIZE - 1] = 0;
  if (m_services) m_services->OnTxPropertyBitsChange(TXTBIT_CHARFORMATCHANGE, TXTBIT_CHARFORMATCHANGE);
}

void CTxtWinHost::SetClientRect(const RECT& rc) {
  m_client = rc;
  HDC hdc = PaintDC();
  m_extent.cx = MulDiv(rc.right - rc.left, 2540, DeviceDpi(hdc, LOGPIXELSX));
  m_extent.cy = MulDiv(rc.bottom - rc.top, 2540, DeviceDpi(hdc, LOGPIXELSY));
  if (m_services) m_services->OnTxPropertyBitsChange(TXTBIT_VIEWINSETCHANGE, TXTBIT_VIEWINSETCHANGE);
}

HRESULT CTxtWinHost::InPlaceActivate(const RECT& rc) {
  m_inPlaceActive = true;
  HRESULT hr = m_services ? m_services->OnTxInPlaceActivate(&rc) : E_UNEXPECTED;
  if (FAILED(hr)) m_inPlaceActive = false;
  return hr;
}

BOOL CTxtWinHost::DoSetCursor(POINT pt) {
  if (!PtInRect(&m_client, pt) || !m_services) return FALSE;
  const RECT* client = m_inPlaceActive ? nullptr : &m_client;
  m_services->OnTxSetCursor(DVASPECT_CONTENT, -1, nullptr, nullptr, PaintDC(), nullptr, client, pt.x, pt.y);
  return TRUE;
}

// ---- IUnknown ----

HRESULT CTxtWinHost::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_ITextHost) {
    *ppv = static_cast<ITextHost*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG CTxtWinHost::AddRef() { return ++m_refs; }

ULONG CTxtWinHost::Release() {
  const ULONG left = --m_refs;
  if (left == 0) delete this;
  return left;
}

// ---- ITextHost ----

HDC CTxtWinHost::TxGetDC() { return PaintDC(); }

INT CTxtWinHost::TxReleaseDC(HDC) { return TRUE; }

BOOL CTxtWinHost::TxShowScrollBar(INT fnBar, BOOL fShow) {
  if (!m_control) return TRUE;
  CScrollBarUI* vertical = m_control->GetVerticalScrollBar();
  CScrollBarUI* horizontal = m_control->GetHorizontalScrollBar();
  if ((fnBar == SB_VERT || fnBar == SB_BOTH) && vertical) vertical->SetVisible(fShow == TRUE);
  if ((fnBar == SB_HORZ || fnBar == SB_BOTH) && horizontal) horizontal->SetVisible(fShow == TRUE);
  return TRUE;
}

BOOL CTxtWinHost::TxEnableScrollBar(INT fuSBFlags, INT fuArrowflags) {
  if (!m_control) return TRUE;
  const bool visible = fuArrowflags != ESB_DISABLE_BOTH;
  if (fuSBFlags == SB_VERT) {
    m_control->EnableScrollBar(true, m_control->GetHorizontalScrollBar() != nullptr);
    m_control->GetVerticalScrollBar()->SetVisible(visible);
  } else if (fuSBFlags == SB_HORZ) {
    m_control->EnableScrollBar(m_control->GetVerticalScrollBar() != nullptr, true);
    m_control->GetHorizontalScrollBar()->SetVisible(visible);
  } else if (fuSBFlags == SB_BOTH) {
    m_control->EnableScrollBar(true, true);
    m_control->GetVerticalScrollBar()->SetVisible(visible);
    m_control->GetHorizontalScrollBar()->SetVisible(visible);
  }
  return TRUE;
}

BOOL CTxtWinHost::TxSetScrollRange(INT fnBar, LONG nMinPos, INT nMaxPos, BOOL) {
  if (!m_control) return TRUE;
  CScrollBarUI* vertical = m_control->GetVerticalScrollBar();
  CScrollBarUI* horizontal = m_control->GetHorizontalScrollBar();
  if (fnBar == SB_VERT && vertical) {
    const LONG range = LONG(nMaxPos) - nMinPos - (m_client.bottom - m_client.top);
    // A bar that appears or goes changes the text rectangle: the control lays out again.
    if ((range > 0) != vertical->IsVisible()) m_control->NeedUpdate();
    if (range <= 0) {
      vertical->SetVisible(false);
    } else {
      vertical->SetVisible(true);
      const int old = vertical->GetScrollPos();
      vertical->SetScrollRange(range);
      const int moved = old - vertical->GetScrollPos();
      if (moved != 0) {
        for (int i = 0; i < m_control->GetCount(); ++i) {
          CControlUI* child = m_control->GetItemAt(i);
          if (!child->IsVisible() || child->GetWidth() == 0) continue;
          RECT rc = child->GetPos();
          OffsetRect(&rc, 0, moved);
          child->SetPos(rc);
        }
      }
    }
  } else if (fnBar == SB_HORZ && horizontal) {
    const LONG range = LONG(nMaxPos) - nMinPos - (m_client.right - m_client.left);
    if ((range > 0) != horizontal->IsVisible()) m_control->NeedUpdate();
    if (range > 0) {
      horizontal->SetVisible(true);
      horizontal->SetScrollRange(range);
    } else {
      horizontal->SetVisible(false);
    }
  }
  return TRUE;
}

BOOL CTxtWinHost::TxSetScrollPos(INT fnBar, INT nPos, BOOL) {
  if (!m_control) return TRUE;
  CScrollBarUI* vertical = m_control->GetVerticalScrollBar();
  CScrollBarUI* horizontal = m_control->GetHorizontalScrollBar();
  if (fnBar == SB_HORZ && horizontal) {
    horizontal->SetScrollPos(nPos);
  } else if (fnBar == SB_VERT && vertical && vertical->GetScrollPos() != nPos) {
    // The bar takes the position the text services scrolled to (so typing past the bottom
    // scrolls bar and view together); the view then follows the bar's clamped position.
    vertical->SetScrollPos(nPos);
    if (vertical->GetScrollPos() != nPos) {
      POINT pos = {0, vertical->GetScrollPos()};
      if (m_services) m_services->TxSendMessage(EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&pos), nullptr);
      pos.y = vertical->GetScrollPos();
      LRESULT ignored = 0;
      m_control->TxSendMessage(EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&pos), &ignored);
    }
  }
  return TRUE;
}

void CTxtWinHost::TxInvalidateRect(LPCRECT prc, BOOL) {
  if (!m_control) return;
  CWindowManagerUI* manager = m_control->GetManager();
  if (manager) manager->Invalidate(prc ? *prc : m_client);
}

void CTxtWinHost::TxViewChange(BOOL) {
  if (!m_control) return;
  if (m_control->OnTxViewChanged()) m_control->Invalidate();
}

BOOL CTxtWinHost::TxCreateCaret(HBITMAP hbmp, INT xWidth, INT yHeight) {
  return CreateCaret(Window(), hbmp, xWidth, yHeight);
}

BOOL CTxtWinHost::TxShowCaret(BOOL fShow) {
  if (!m_control) return FALSE;
  m_control->ShowCaret(fShow != FALSE);
  return TRUE;
}

BOOL CTxtWinHost::TxSetCaretPos(INT x, INT y) {
  if (!m_control) return FALSE;
  m_control->SetCaretPos(x, y);
  return TRUE;
}

// Text-services timers are timers of the control in its manager, so the manager dispatches
// them to the control, which hands them on as WM_TIMER, and they end with the control.
BOOL CTxtWinHost::TxSetTimer(UINT idTimer, UINT uTimeout) {
  if (!m_control) return FALSE;
  CWindowManagerUI* manager = m_control->GetManager();
  return manager && manager->SetTimer(m_control, idTimer, uTimeout) ? TRUE : FALSE;
}

void CTxtWinHost::TxKillTimer(UINT idTimer) {
  if (!m_control) return;
  CWindowManagerUI* manager = m_control->GetManager();
  if (manager) manager->KillTimer(m_control, idTimer);
}

void CTxtWinHost::TxScrollWindowEx(INT, INT, LPCRECT, LPCRECT, HRGN, LPRECT, UINT) {}

void CTxtWinHost::TxSetCapture(BOOL fCapture) {
  if (!m_control) return;
  CWindowManagerUI* manager = m_control->GetManager();
  if (manager) {
    if (fCapture) manager->SetCapture();
    else manager->ReleaseCapture();
  }
  m_captured = fCapture != FALSE;
}

void CTxtWinHost::TxSetFocus() {
  if (m_control) m_control->SetFocus();
}

void CTxtWinHost::TxSetCursor(HCURSOR hcur, BOOL) {
  HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
  HCURSOR ibeam = LoadCursorW(nullptr, IDC_IBEAM);
  SetCursor(hcur == arrow || hcur == ibeam ? hcur : arrow);
}

BOOL CTxtWinHost::TxScreenToClient(LPPOINT lppt) { return ScreenToClient(Window(), lppt); }
BOOL CTxtWinHost::TxClientToScreen(LPPOINT lppt) { return ClientToScreen(Window(), lppt); }
HRESULT CTxtWinHost::TxActivate(LONG*) { return S_OK; }
HRESULT CTxtWinHost::TxDeactivate(LONG) { return S_OK; }

HRESULT CTxtWinHost::TxGetClientRect(LPRECT prc) {
  *prc = m_client;
  return S_OK;
}

HRESULT CTxtWinHost::TxGetViewInset(LPRECT prc) {
  *prc = RECT{0, 0, 0, 0};
  return S_OK;
}

HRESULT CTxtWinHost::TxGetCharFormat(const CHARFORMATW** ppCF) {
  *ppCF = reinterpret_cast<const CHARFORMATW*>(&m_charFormat);
  return S_OK;
}

HRESULT CTxtWinHost::TxGetParaFormat(const PARAFORMAT** ppPF) {
  *ppPF = reinterpret_cast<const PARAFORMAT*>(&m_paraFormat);
  return S_OK;
}

COLORREF CTxtWinHost::TxGetSysColor(int nIndex) { return GetSysColor(nIndex); }

HRESULT CTxtWinHost::TxGetBackStyle(TXTBACKSTYLE* pstyle) {
  *pstyle = m_transparent ? TXTBACK_TRANSPARENT : TXTBACK_OPAQUE;
  return S_OK;
}

HRESULT CTxtWinHost::TxGetMaxLength(DWORD* plength) {
  *plength = DWORD(m_maxLength);
  return S_OK;
}

HRESULT CTxtWinHost::TxGetScrollBars(DWORD* pdwScrollBar) {
  *pdwScrollBar = m_style & (WS_VSCROLL | WS_HSCROLL | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_DISABLENOSCROLL);
  return S_OK;
}

HRESULT CTxtWinHost::TxGetPasswordChar(TCHAR* pch) {
  *pch = m_passwordChar;
  return S_OK;
}

HRESULT CTxtWinHost::TxGetAcceleratorPos(LONG* pcp) {
  *pcp = m_acceleratorPos;
  return S_OK;
}

HRESULT CTxtWinHost::TxGetExtent(LPSIZEL lpExtent) {
  *lpExtent = m_extent;
  return S_OK;
}

HRESULT CTxtWinHost::OnTxCharFormatChange(const CHARFORMATW*) { return S_OK; }
HRESULT CTxtWinHost::OnTxParaFormatChange(const PARAFORMAT*) { return S_OK; }

HRESULT CTxtWinHost::TxGetPropertyBits(DWORD dwMask, DWORD* pdwBits) {
  DWORD bits = 0;
  if (m_rich) bits |= TXTBIT_RICHTEXT;
  if (m_style & ES_MULTILINE) bits |= TXTBIT_MULTILINE;
  if (m_style & ES_READONLY) bits |= TXTBIT_READONLY;
  if (m_style & ES_PASSWORD) bits |= TXTBIT_USEPASSWORD;
  if (!(m_style & ES_NOHIDESEL)) bits |= TXTBIT_HIDESELECTION;
  if (m_wordWrap) bits |= TXTBIT_WORDWRAP;
  *pdwBits = bits & dwMask;
  return S_OK;
}

HRESULT CTxtWinHost::TxNotify(DWORD iNotify, void* pv) {
  if (iNotify == EN_REQUESTRESIZE) {
    const auto* request = static_cast<const REQRESIZE*>(pv);
    if (request) {
      RECT rc = {m_client.left, m_client.top, m_client.left + request->rc.right, m_client.top + request->rc.bottom};
      SetClientRect(rc);
    }
    return S_OK;
  }
  // Held across the call out: a handler there may let the control, and this host, go. The
  // text services may call from a drag loop or a drop from another program, outside any
  // message of the framework: a frame holds the window until the call has returned.
  if (!m_control) return S_OK;
  CWindowWnd::DispatchScope frame;
  AddRef();
  m_control->OnTxNotify(iNotify, pv);
  Release();
  return S_OK;
}

HIMC CTxtWinHost::TxImmGetContext() { return nullptr; }
void CTxtWinHost::TxImmReleaseContext(HIMC) {}

HRESULT CTxtWinHost::TxGetSelectionBarWidth(LONG* lSelBarWidth) {
  *lSelBarWidth = m_selBarWidth;
  return S_OK;
}

}  // namespace SkinUI
