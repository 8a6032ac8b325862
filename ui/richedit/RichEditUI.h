// The editor for plain and formatted text: a container that runs windowless text services
// through its host, feeds them the window messages meant for it, draws them in its own
// rectangle and keeps its scroll bars in step with them.
#pragma once
#include <windows.h>
#include <richedit.h>
#include <textserv.h>

#include "ui/base/ContainerUI.h"
#include "ui/base/IMessageFilterUI.h"

namespace SkinUI {

class CTxtWinHost;

class CRichEditUI : public CContainerUI, public IMessageFilterUI {
 public:
  // The caret's blink timer, one of the control's manager timers; text-services timers use
  // their own ids, which are small numbers.
  enum { kCaretTimerId = 0x7FFF0000u, kCaretElapse = 500 };

  CRichEditUI();
  ~CRichEditUI() override;

  LPCWSTR GetClass() const override;
  LPVOID GetInterface(LPCWSTR name) override;
  UINT GetControlFlags() const override;
  CUIString GetText() const override;
  void SetText(LPCWSTR text) override;
  void SetPos(RECT rc) override;
  void DoInit() override;
  void DoEvent(UIEventRecord& event) override;
  void SetAttribute(LPCWSTR name, LPCWSTR value) override;
  void DoPaint(HDC hdc, const RECT& rcPaint) override;
  void SetScrollPos(SIZE pos) override;
  void LineUp() override;
  void LineDown() override;
  void PageUp() override;
  void PageDown() override;
  void HomeUp() override;
  void EndDown() override;
  void LineLeft() override;
  void LineRight() override;
  void PageLeft() override;
  void PageRight() override;
  void HomeLeft() override;
  void EndRight() override;

  virtual bool IsReadOnly() const;
  virtual void SetReadOnly(bool readOnly = true);
  virtual LONG GetTextLength(DWORD flags = GTL_DEFAULT) const;
  virtual void ReplaceSel(LPCWSTR text, bool canUndo);
  virtual CUIString GetSelText() const;
  virtual bool Redo();
  virtual bool Undo();
  virtual void Clear();
  virtual void Copy();
  virtual void Cut();
  virtual void Paste();
  virtual bool IsDropEnabled() const;
  virtual void SetDropEnabled(bool enabled = true);
  virtual HRESULT TxSendMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) const;
  virtual bool OnTxViewChanged();
  virtual void OnTxNotify(DWORD code, void* data);

  LRESULT MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override;

  LONG SetSel(LONG end);
  POINT PosFromChar(LONG index) const;
  LONG CharFromPos(int x, int y) const;
  void SetCaretPos(int x, int y);
  void ShowCaret(bool show);
  void SetHideSelection(bool hide);
  bool CreateHost(const CREATESTRUCTW* create, CTxtWinHost** host);

  CTxtWinHost* GetTxtWinHost() const { return m_host; }
  bool IsRich() const { return m_rich; }
  bool IsWantTab() const { return m_wantTab; }
  bool IsWantReturn() const { return m_wantReturn; }
  bool IsWantCtrlReturn() const { return m_wantCtrlReturn; }
  bool IsOwnDrawCaret() const { return m_ownDrawCaret; }
  bool IsHideCaret() const { return m_hideCaret; }
  bool IsCaretActive() const { return m_caretActive; }
  bool IsCaretShown() const { return m_caretShown; }
  RECT GetCaretRect() const { return m_caretRect; }
  DWORD GetTextColor() const { return m_textColor; }
  int GetFont() const { return m_font; }
  LONG GetLimitText() const { return m_maxChars; }
  DWORD GetTextHostStyle() const { return m_style; }
  RECT GetViewInset() const { return m_viewInset; }
  RECT GetHintPadding() const { return m_hintPadding; }
  // The hint colour, or the manager's disabled text colour while none was given.
  DWORD GetHintColor() const;
  const CUIString& GetHintText() const { return m_hintText; }
  // The text rectangle: the item less the inset, the visible bars and the view inset.
  RECT GetTextRect() const;

 private:
  void SetEditAttribute(LPCWSTR name, LPCWSTR value);
  bool SetTextAttribute(LPCWSTR name, LPCWSTR value);
  RECT ContentRect() const;
  LONG NaturalHeight(LONG width) const;

  CTxtWinHost* m_host = nullptr;
  bool m_vscrollFixing = false;
  bool m_wantTab = true;
  bool m_wantReturn = true;
  bool m_wantCtrlReturn = true;
  bool m_rich = false;
  bool m_readOnly = false;
  bool m_hideSelection = true;
  bool m_dropEnabled = false;
  HWND m_dropWindow = nullptr;  // the window whose drop registration this edit joined
  DWORD m_textColor = 0;
  int m_font = -1;
  LONG m_maxChars = 32767;
  DWORD m_style = ES_MULTILINE;
  RECT m_hintPadding = {0, 0, 0, 0};
  DWORD m_hintColor = 0;
  bool m_hintColorSet = false;
  CUIString m_hintText;
  bool m_hideCaret = false;
  POINT m_lastCaret = {-1, -1};
  RECT m_caretRect = {0, 0, 0, 0};
  bool m_caretActive = false;
  bool m_caretShown = false;
  bool m_ownDrawCaret = false;
  RECT m_viewInset = {0, 0, 0, 0};
};

}  // namespace SkinUI
