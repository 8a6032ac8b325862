// The host through which a rich edit control runs the windowless text services: it answers
// their calls from the control and its manager and holds the default formats, the style and
// the client rectangle of the text.
#pragma once
#include <windows.h>
#include <richedit.h>
#include <textserv.h>

namespace SkinUI {

class CRichEditUI;

class CTxtWinHost : public ITextHost {
 public:
  CTxtWinHost();
  CTxtWinHost(const CTxtWinHost&) = delete;
  CTxtWinHost& operator=(const CTxtWinHost&) = delete;

  BOOL Init(CRichEditUI* control, const CREATESTRUCTW* create);
  // The control is going: the text services may still hold this host for the call they are
  // in, and find a host that does nothing more.
  void Detach();
  HRESULT InitDefaultCharFormat(CRichEditUI* control, CHARFORMAT2W* format);
  void CharFormatFromFont(HFONT font);
  void SetClientRect(const RECT& rc);
  HRESULT InPlaceActivate(const RECT& rc);
  BOOL DoSetCursor(POINT pt);

  ITextServices* GetTextServices() const { return m_services; }
  const RECT& GetClientRect() const { return m_client; }
  SIZEL GetExtentSize() const { return m_extent; }
  CHARFORMAT2W& GetCharFormat() { return m_charFormat; }
  PARAFORMAT2& GetParaFormat() { return m_paraFormat; }
  DWORD GetStyle() const { return m_style; }
  void SetStyle(DWORD style) { m_style = style; }
  LONG GetMaxLength() const { return m_maxLength; }
  void SetMaxLength(LONG length) { m_maxLength = length; }
  bool IsWordWrap() const { return m_wordWrap; }
  bool IsRich() const { return m_rich; }
  void SetRich(bool rich) { m_rich = rich; }
  bool IsInPlaceActive() const { return m_inPlaceActive; }
  bool IsTransparent() const { return m_transparent; }
  void SetTransparent(bool transparent) { m_transparent = transparent; }
  bool IsCaptured() const { return m_captured; }

  // IUnknown
  HRESULT QueryInterface(REFIID riid, void** ppv) override;
  ULONG AddRef() override;
  ULONG Release() override;

  // ITextHost
  HDC TxGetDC() override;
  INT TxReleaseDC(HDC hdc) override;
  BOOL TxShowScrollBar(INT fnBar, BOOL fShow) override;
  BOOL TxEnableScrollBar(INT fuSBFlags, INT fuArrowflags) override;
  BOOL TxSetScrollRange(INT fnBar, LONG nMinPos, INT nMaxPos, BOOL fRedraw) override;
  BOOL TxSetScrollPos(INT fnBar, INT nPos, BOOL fRedraw) override;
  void TxInvalidateRect(LPCRECT prc, BOOL fMode) override;
  void TxViewChange(BOOL fUpdate) override;
  BOOL TxCreateCaret(HBITMAP hbmp, INT xWidth, INT yHeight) override;
  BOOL TxShowCaret(BOOL fShow) override;
  BOOL TxSetCaretPos(INT x, INT y) override;
  BOOL TxSetTimer(UINT idTimer, UINT uTimeout) override;
  void TxKillTimer(UINT idTimer) override;
  void TxScrollWindowEx(INT dx, INT dy, LPCRECT lprcScroll, LPCRECT lprcClip, HRGN hrgnUpdate, LPRECT lprcUpdate,
                        UINT fuScroll) override;
  void TxSetCapture(BOOL fCapture) override;
  void TxSetFocus() override;
  void TxSetCursor(HCURSOR hcur, BOOL fText) override;
  BOOL TxScreenToClient(LPPOINT lppt) override;
  BOOL TxClientToScreen(LPPOINT lppt) override;
  HRESULT TxActivate(LONG* plOldState) override;
  HRESULT TxDeactivate(LONG lNewState) override;
  HRESULT TxGetClientRect(LPRECT prc) override;
  HRESULT TxGetViewInset(LPRECT prc) override;
  HRESULT TxGetCharFormat(const CHARFORMATW** ppCF) override;
  HRESULT TxGetParaFormat(const PARAFORMAT** ppPF) override;
  COLORREF TxGetSysColor(int nIndex) override;
  HRESULT TxGetBackStyle(TXTBACKSTYLE* pstyle) override;
  HRESULT TxGetMaxLength(DWORD* plength) override;
  HRESULT TxGetScrollBars(DWORD* pdwScrollBar) override;
  HRESULT TxGetPasswordChar(TCHAR* pch) override;
  HRESULT TxGetAcceleratorPos(LONG* pcp) override;
  HRESULT TxGetExtent(LPSIZEL lpExtent) override;
  HRESULT OnTxCharFormatChange(const CHARFORMATW* pCF) override;
  HRESULT OnTxParaFormatChange(const PARAFORMAT* pPF) override;
  HRESULT TxGetPropertyBits(DWORD dwMask, DWORD* pdwBits) override;
  HRESULT TxNotify(DWORD iNotify, void* pv) override;
  HIMC TxImmGetContext() override;
  void TxImmReleaseContext(HIMC himc) override;
  HRESULT TxGetSelectionBarWidth(LONG* lSelBarWidth) override;

  virtual ~CTxtWinHost();

 private:
  HWND Window() const;
  HDC PaintDC() const;

  CRichEditUI* m_control = nullptr;
  ULONG m_refs = 0;
  ITextServices* m_services = nullptr;
  DWORD m_style = ES_MULTILINE;
  bool m_wordWrap = false;
  bool m_rich = false;
  bool m_inPlaceActive = false;
  bool m_transparent = false;
  bool m_captured = false;
  LONG m_selBarWidth = 0;
  LONG m_maxLength = 32767;
  RECT m_client = {0, 0, 0, 0};
  SIZEL m_extent = {0, 0};
  CHARFORMAT2W m_charFormat = {};
  PARAFORMAT2 m_paraFormat = {};
  LONG m_acceleratorPos = -1;
  WCHAR m_passwordChar = 0;
};

}  // namespace SkinUI
