// The windowless text services behind riched20.dll's CreateTextServices: one document, in
// character formats per run and paragraph formats per paragraph when the host asks for rich
// text (else in one format for all), laid out by pango, edited by the host's messages and
// drawn into the DC the host gives.
#pragma once
#include <textserv.h>

#include <cairo.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/src/controls/RichTextLayout.h"
#include "platform/src/controls/TextFormats.h"

namespace jf {

class FontObject;
class TextDropTarget;

class TextServices : public ITextServices {
 public:
  explicit TextServices(ITextHost* host);
  virtual ~TextServices();
  TextServices(const TextServices&) = delete;
  TextServices& operator=(const TextServices&) = delete;

  // IUnknown
  HRESULT QueryInterface(REFIID riid, void** ppv) override;
  ULONG AddRef() override;
  ULONG Release() override;

  // ITextServices
  HRESULT TxSendMessage(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT* plresult) override;
  HRESULT TxDraw(DWORD dwDrawAspect, LONG lindex, void* pvAspect, DVTARGETDEVICE* ptd, HDC hdcDraw,
                 HDC hicTargetDev, LPCRECTL lprcBounds, LPCRECTL lprcWBounds, LPRECT lprcUpdate,
                 BOOL(CALLBACK* pfnContinue)(DWORD), DWORD dwContinue, LONG lViewId) override;
  HRESULT TxGetHScroll(LONG* plMin, LONG* plMax, LONG* plPos, LONG* plPage, BOOL* pfEnabled) override;
  HRESULT TxGetVScroll(LONG* plMin, LONG* plMax, LONG* plPos, LONG* plPage, BOOL* pfEnabled) override;
  HRESULT OnTxSetCursor(DWORD dwDrawAspect, LONG lindex, void* pvAspect, DVTARGETDEVICE* ptd, HDC hdcDraw,
                        HDC hicTargetDev, LPCRECT lprcClient, INT x, INT y) override;
  HRESULT TxQueryHitPoint(DWORD dwDrawAspect, LONG lindex, void* pvAspect, DVTARGETDEVICE* ptd, HDC hdcDraw,
                          HDC hicTargetDev, LPCRECT lprcClient, INT x, INT y, DWORD* pHitResult) override;
  HRESULT OnTxInPlaceActivate(LPCRECT prcClient) override;
  HRESULT OnTxInPlaceDeactivate() override;
  HRESULT OnTxUIActivate() override;
  HRESULT OnTxUIDeactivate() override;
  HRESULT TxGetText(BSTR* pbstrText) override;
  HRESULT TxSetText(LPCWSTR pszText) override;
  HRESULT TxGetCurTargetX(LONG* px) override;
  HRESULT TxGetBaseLinePos(LONG* pBaseLinePos) override;
  HRESULT TxGetNaturalSize(DWORD dwAspect, HDC hdcDraw, HDC hicTargetDev, DVTARGETDEVICE* ptd, DWORD dwMode,
                           const SIZEL* psizelExtent, LONG* pwidth, LONG* pheight) override;
  HRESULT TxGetDropTarget(IDropTarget** ppDropTarget) override;
  HRESULT OnTxPropertyBitsChange(DWORD dwMask, DWORD dwBits) override;
  HRESULT TxGetCachedSize(DWORD* pdwWidth, DWORD* pdwHeight) override;

 private:
  friend class TextDropTarget;

  // A counted hold on the services and their host for the length of a call from outside,
  // COM-style: a handler that the host calls out to (a notification, a drop) may let the
  // control go, and both stay until the call has returned.
  class Hold {
   public:
    explicit Hold(TextServices* services);
    ~Hold();
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

   private:
    TextServices* services_;
    ITextHost* host_;
  };

  struct Snapshot {
    std::wstring text;
    TextFormats formats;
    LONG anchor = 0;
    LONG caret = 0;
  };

  // Host state read at creation and on property changes.
  void ReadFormat();
  bool Has(DWORD bit) const { return (bits_ & bit) != 0; }
  RECT Client() const;

  // Layout of the shown text at the client width (rebuilt when dirty, from the paragraphs
  // of the last layout at that width that did not change).
  RichTextLayout& Layout();
  RichTextLayout& LayoutAt(int width);
  void Dirty();
  void Spare(std::unique_ptr<RichTextLayout> layout);
  int ContentHeight();
  int ContentWidth();
  POINT PosOf(LONG cp);  // client coordinates of the character's top-left
  int CaretHeight(LONG cp);
  LONG CpAt(int x, int y);
  LONG CharUnder(int x, int y);  // the character under a client point, or -1
  int LineOf(LONG cp);
  int LineCount();
  LONG LineStart(int line);
  LONG LineEnd(int line);  // before the line's paragraph break

  // Editing.
  LONG Length() const { return LONG(text_.size()); }
  LONG SelMin() const { return anchor_ < caret_ ? anchor_ : caret_; }
  LONG SelMax() const { return anchor_ < caret_ ? caret_ : anchor_; }
  void SetSel(LONG anchor, LONG caret);
  // `piece` holds the formats of `with` (else it takes the insertion format).
  void Replace(const std::wstring& with, bool undoable, bool typing = false, const TextFormats* piece = nullptr);
  CHARFORMAT2W InsertionFormat(LONG cp) const;
  void SaveUndo(bool typing);
  bool Undo();
  bool Redo();
  // Goes back to `back` (undo or redo) and keeps the present text in `keep` for the other way.
  bool Restore(const Snapshot& back, bool& canBack, Snapshot& keep, bool& canKeep);
  void CopySelection();
  void Paste();
  void KeyDown(WPARAM key);
  LONG VerticalTarget(WPARAM key);  // where up, down, page up and page down move the caret
  bool ControlKey(WPARAM key, bool editable);  // Ctrl+A, C, X, V, Z, Y; false for other keys
  void Char(wchar_t ch);
  void SetText(const wchar_t* text);
  void ReplaceSelection(const wchar_t* text, bool undoable);
  void SelectWordAt(LONG cp);
  void Move(LONG cp, bool extend);
  LONG WordStart(LONG cp) const;
  LONG WordEnd(LONG cp) const;

  // Copies text (GT_USECRLF turns each paragraph break into CR LF) into a caller's buffer.
  LRESULT CopyOut(const std::wstring& text, WPARAM capacity, LPARAM buffer) const;
  std::wstring WithCrLf(const std::wstring& text) const;

  // The messages of TxSendMessage; *hr becomes S_FALSE for those the host should handle.
  LRESULT Dispatch(UINT msg, WPARAM wparam, LPARAM lparam, HRESULT* hr);
  LRESULT Unhandled(UINT msg, HRESULT* hr);
  LRESULT OnSetText(LPARAM lparam);
  LRESULT OnGetTextEx(WPARAM wparam, LPARAM lparam);
  LRESULT OnGetTextLengthEx(WPARAM wparam);
  LRESULT OnReplaceSel(WPARAM wparam, LPARAM lparam);
  LRESULT OnExGetSel(LPARAM lparam);
  LRESULT OnExSetSel(LPARAM lparam);
  LRESULT OnGetSel(WPARAM wparam, LPARAM lparam);
  LRESULT OnSetSel(WPARAM wparam, LPARAM lparam);
  LRESULT OnGetSelText(LPARAM lparam);
  LRESULT OnEmptyUndoBuffer();
  LRESULT OnClear();
  LRESULT OnCut();
  LRESULT OnCopy();
  LRESULT OnPaste();
  LRESULT OnPosFromChar(WPARAM wparam, LPARAM lparam);
  LRESULT OnCharFromPos(LPARAM lparam);
  LRESULT OnLineIndex(WPARAM wparam);
  LRESULT OnLineLength(WPARAM wparam);
  LRESULT OnFirstVisibleLine();
  LRESULT OnSetEventMask(LPARAM lparam);
  LRESULT OnLimitText(UINT msg, WPARAM wparam, LPARAM lparam);
  LRESULT OnSetReadOnly(WPARAM wparam);
  LRESULT OnSetModify(WPARAM wparam);
  LRESULT OnScrollCaret();
  LRESULT OnGetScrollPos(LPARAM lparam);
  LRESULT OnSetScrollPos(LPARAM lparam);
  LRESULT OnScroll(UINT msg, WPARAM wparam);
  LRESULT OnMouseWheel(WPARAM wparam);
  LRESULT OnKeyDown(WPARAM wparam);
  LRESULT OnChar(WPARAM wparam);
  LRESULT OnButtonDown(UINT msg, WPARAM wparam, LPARAM lparam);
  LRESULT OnMouseMove(LPARAM lparam);
  LRESULT OnButtonUp(LPARAM lparam);
  LRESULT OnSetFocus();
  LRESULT OnKillFocus();

  // Formats (TextServicesFormat.cpp).
  LRESULT OnSetCharFormat(WPARAM wparam, LPARAM lparam);
  LRESULT OnGetCharFormat(WPARAM wparam, LPARAM lparam);
  LRESULT OnSetParaFormat(LPARAM lparam);
  LRESULT OnGetParaFormat(LPARAM lparam);
  LRESULT OnSetBackgroundColor(WPARAM wparam, LPARAM lparam);
  LRESULT OnAutoUrlDetect(WPARAM wparam);
  std::vector<LONG> SelectedBreaks() const;  // the paragraph breaks of the selected paragraphs
  void FormatChanged();
  // Links: runs in CFE_LINK and, when detection is on, the addresses found in the text.
  std::vector<CHARRANGE> DetectLinks() const;
  bool LinkAt(LONG cp, CHARRANGE* range);
  // EN_LINK for a mouse message over a link; true when the host took the message.
  bool NotifyLink(UINT msg, WPARAM wparam, LPARAM lparam);

  // Streams (TextServicesStream.cpp).
  LRESULT OnStreamIn(WPARAM wparam, LPARAM lparam);
  LRESULT OnStreamOut(WPARAM wparam, LPARAM lparam);

  // Drag and drop (TextServicesDrag.cpp): a press inside the selection arms a drag that
  // starts once the pointer has moved a few pixels; drops come through the drop target.
  bool ArmDrag(LONG cp, LPARAM lparam);
  bool DragMove(LPARAM lparam);
  bool DragRelease(LPARAM lparam);
  void StartDrag();
  DWORD DropEffect(IDataObject* data, LONG cp, DWORD keys, DWORD allowed) const;
  LONG DropPoint(POINTL screen);  // -1 outside the client rectangle
  void ShowDropPoint(LONG cp);
  DWORD Drop(IDataObject* data, LONG cp, DWORD effect);
  void DragDropDone();

  // Views and notifications.
  void Changed();
  void SelectionChanged();
  void ScrollTo(int x, int y);
  void ScrollCaretIntoView();
  void UpdateScrollBars();
  // A layout left open after an edit is laid out to its end in slices of this timer.
  static constexpr UINT kLayoutTimer = 0x4C41;
  void LayOutMore();
  void PlaceCaret();
  void Invalidate();

  ULONG refs_ = 1;
  ITextHost* host_;  // not counted: the host owns these services
  DWORD bits_ = 0;
  DWORD scrollBars_ = 0;
  DWORD maxLength_ = 32767;
  DWORD eventMask_ = 0;
  TXTBACKSTYLE backStyle_ = TXTBACK_OPAQUE;
  wchar_t passwordChar_ = 0;
  std::unique_ptr<FontObject> font_;
  COLORREF background_ = 0;
  bool autoBackground_ = true;  // the system's window colour until EM_SETBKGNDCOLOR
  bool detectUrls_ = false;
  std::vector<CHARRANGE> links_;  // of the last layout
  RECT client_ = {0, 0, 0, 0};
  bool active_ = false;
  bool focused_ = false;
  bool dragging_ = false;
  bool placing_ = false;  // the host may change the client rectangle while placing the caret
  RECT laidOut_ = {0, 0, 0, 0};  // the client rectangle of the last property change
  bool modified_ = false;
  wchar_t pendingHigh_ = 0;  // a UTF-16 high surrogate waiting for its low half

  std::wstring text_;  // paragraphs end with '\r'
  TextFormats formats_;
  std::optional<CHARFORMAT2W> pending_;  // the format set at an empty selection, for typing
  LONG anchor_ = 0;
  LONG caret_ = 0;
  int goalX_ = -1;
  int scrollX_ = 0;
  int scrollY_ = 0;

  bool canUndo_ = false;
  bool canRedo_ = false;
  bool typing_ = false;  // the undo record holds the state before a run of typed characters
  Snapshot undo_;
  Snapshot redo_;

  TextDropTarget* dropTarget_ = nullptr;  // counted; made on the first TxGetDropTarget
  bool dragArmed_ = false;
  POINT dragFrom_ = {0, 0};
  bool dragSource_ = false;  // a drag of our own selection is running
  LONG dragMin_ = 0;
  LONG dragMax_ = 0;
  bool droppedInside_ = false;  // that drag ended in this text: the move is already done

  std::unique_ptr<RichTextLayout> layout_;
  int layoutWidth_ = -2;
  std::vector<std::unique_ptr<RichTextLayout>> spares_;  // earlier layouts, one per width, two at most
};

}  // namespace jf
