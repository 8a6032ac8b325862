// The base of every element of a skinned window: name, text, geometry, flags, colours,
// images and border, the attributes that set them, and the placing, painting and event
// behaviour that the window manager drives.
#pragma once
#include <windows.h>

#include "ui/core/EventSourceUI.h"
#include "ui/core/UIString.h"

namespace SkinUI {

class CWindowManagerUI;
class CControlUI;

// Event kinds handed to CControlUI::Event. The numbers are fixed: controls compare them,
// and the mouse events are the range UIEVENT__MOUSEBEGIN..UIEVENT__MOUSEEND.
enum UIEventType {
  UIEVENT__FIRST = 1,
  UIEVENT__KEYBEGIN = 2,
  UIEVENT_KEYDOWN = 3,
  UIEVENT_KEYUP = 4,
  UIEVENT_CHAR = 5,
  UIEVENT_SYSKEY = 6,
  UIEVENT__KEYEND = 7,
  UIEVENT__MOUSEBEGIN = 8,
  UIEVENT_MOUSEMOVE = 9,
  UIEVENT_MOUSELEAVE = 10,
  UIEVENT_MOUSEENTER = 11,
  UIEVENT_MOUSEHOVER = 12,
  UIEVENT_BUTTONDOWN = 13,
  UIEVENT_BUTTONUP = 14,
  UIEVENT_RBUTTONDOWN = 15,
  UIEVENT_DBLCLICK = 16,
  UIEVENT_CONTEXTMENU = 17,
  UIEVENT_SCROLLWHEEL = 18,
  UIEVENT__MOUSEEND = 19,
  UIEVENT_KILLFOCUS = 20,
  UIEVENT_SETFOCUS = 21,
  UIEVENT_WINDOWSIZE = 22,
  UIEVENT_SETCURSOR = 23,
  UIEVENT_TIMER = 24,
  UIEVENT_NOTIFY = 25,
  UIEVENT_COMMAND = 26,
  UIEVENT__LAST = 27,
};

// Key-state bits of keyboard, wheel and cursor events.
enum : WORD {
  UISTATE_KEY_RBUTTON = 0x01,
  UISTATE_KEY_LBUTTON = 0x02,
  UISTATE_KEY_SHIFT = 0x04,
  UISTATE_KEY_CONTROL = 0x08,
  UISTATE_KEY_ALT = 0x20,
};

// What the manager hands to a control; every field not set for an event is zero.
struct UIEventRecord {
  int type = 0;
  CControlUI* sender = nullptr;
  DWORD timestamp = 0;
  POINT mouse = {0, 0};
  wchar_t key = 0;
  WORD keyState = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

// Flags of the tree walk FindControl.
enum : UINT {
  UIFIND_ALL = 0x00000000,
  UIFIND_VISIBLE = 0x00000001,
  UIFIND_ENABLED = 0x00000002,
  UIFIND_HITTEST = 0x00000004,
  UIFIND_TOP_FIRST = 0x00000008,
  UIFIND_ME_FIRST = 0x80000000,
};

// Control flags read by the manager.
enum : UINT {
  UIFLAG_TABSTOP = 0x00000001,
  UIFLAG_SETCURSOR = 0x00000002,
};

// State bits of the button family and the scroll bar.
enum : UINT {
  UISTATE_FOCUSED = 0x00000001,
  UISTATE_SELECTED = 0x00000002,
  UISTATE_DISABLED = 0x00000004,
  UISTATE_HOT = 0x00000008,
  UISTATE_PUSHED = 0x00000010,
  UISTATE_CAPTURED = 0x00000040,
};

typedef CControlUI* (*FINDCONTROLPROC)(CControlUI* control, LPVOID data);

// Relative positioning of a floating child: moves and zooms in percent of the parent's growth.
struct UIRelativePos {
  bool relative = false;
  SIZE parentSize = {0, 0};
  int moveX = 0;
  int moveY = 0;
  int zoomX = 0;
  int zoomY = 0;
};

class CControlUI {
 public:
  CControlUI();
  CControlUI(const CControlUI&) = delete;
  CControlUI& operator=(const CControlUI&) = delete;

  // Virtual operations, in slot order.
  virtual ~CControlUI();
  virtual CUIString GetName() const;
  virtual void SetName(LPCWSTR name);
  virtual LPCWSTR GetClass() const;
  virtual LPVOID GetInterface(LPCWSTR name);
  virtual UINT GetControlFlags() const;
  virtual bool Activate();
  virtual CWindowManagerUI* GetManager() const;
  virtual void SetManager(CWindowManagerUI* manager, CControlUI* parent, bool init = true);
  virtual CControlUI* GetParent() const;
  virtual CUIString GetText() const;
  virtual void SetText(LPCWSTR text);
  virtual const RECT& GetPos() const;
  virtual void SetPos(RECT rc);
  virtual int GetWidth() const;
  virtual int GetHeight() const;
  virtual int GetX() const;
  virtual int GetY() const;
  virtual RECT GetPadding() const;
  virtual void SetPadding(RECT padding);
  virtual SIZE GetFixedXY() const;
  virtual void SetFixedXY(SIZE xy);
  virtual int GetFixedWidth() const;
  virtual void SetFixedWidth(int cx);
  virtual int GetFixedHeight() const;
  virtual void SetFixedHeight(int cy);
  virtual int GetMinWidth() const;
  virtual void SetMinWidth(int cx);
  virtual int GetMaxWidth() const;
  virtual void SetMaxWidth(int cx);
  virtual int GetMinHeight() const;
  virtual void SetMinHeight(int cy);
  virtual int GetMaxHeight() const;
  virtual void SetMaxHeight(int cy);
  virtual void SetRelativePos(SIZE move, SIZE zoom);
  virtual void SetRelativeParentSize(SIZE size);
  virtual UIRelativePos GetRelativePos() const;
  virtual bool IsRelativePos() const;
  virtual CUIString GetToolTip() const;
  virtual void SetToolTip(LPCWSTR text);
  virtual void SetToolTipWidth(int width);
  virtual int GetToolTipWidth() const;
  virtual wchar_t GetShortcut() const;
  virtual void SetShortcut(wchar_t ch);
  virtual bool IsContextMenuUsed() const;
  virtual void SetContextMenuUsed(bool used);
  virtual const CUIString& GetUserData() const;
  virtual void SetUserData(LPCWSTR text);
  virtual UINT_PTR GetTag() const;
  virtual void SetTag(UINT_PTR tag);
  virtual bool IsVisible() const;
  virtual void SetVisible(bool visible = true);
  virtual void SetInternVisible(bool visible = true);
  virtual bool IsEnabled() const;
  virtual void SetEnabled(bool enabled = true);
  virtual bool IsMouseEnabled() const;
  virtual void SetMouseEnabled(bool enabled = true);
  virtual bool IsKeyboardEnabled() const;
  virtual void SetKeyboardEnabled(bool enabled = true);
  virtual bool IsFocused() const;
  virtual void SetFocus();
  virtual bool IsFloat() const;
  virtual void SetFloat(bool floating = true);
  virtual CControlUI* FindControl(FINDCONTROLPROC proc, LPVOID data, UINT flags);
  virtual void Invalidate();
  virtual void Init();
  virtual void DoInit();
  virtual void Event(UIEventRecord& event);
  virtual void DoEvent(UIEventRecord& event);
  virtual void SetAttribute(LPCWSTR name, LPCWSTR value);
  virtual SIZE EstimateSize(SIZE available);
  virtual void DoPaint(HDC hdc, const RECT& rcPaint);
  virtual void PaintBkColor(HDC hdc);
  virtual void PaintBkImage(HDC hdc);
  virtual void PaintStatusImage(HDC hdc);
  virtual void PaintText(HDC hdc);
  virtual void PaintBorder(HDC hdc);
  virtual void DoPostPaint(HDC hdc, const RECT& rcPaint);

  // The virtual-window name: the own one, else the parent's.
  CUIString GetVirtualWnd() const;
  void SetVirtualWnd(LPCWSTR name);

  // Re-layout requests; both are skipped (except the flag) without a manager.
  void NeedUpdate();
  void NeedParentUpdate();
  bool IsUpdateNeeded() const { return m_updateNeeded; }

  // Colours, images and border.
  DWORD GetBkColor() const { return m_bkColor; }
  void SetBkColor(DWORD color);
  DWORD GetBkColor2() const { return m_bkColor2; }
  void SetBkColor2(DWORD color);
  DWORD GetBkColor3() const { return m_bkColor3; }
  void SetBkColor3(DWORD color);
  const CUIString& GetBkImage() const { return m_bkImage; }
  void SetBkImage(LPCWSTR image);
  const CUIString& GetForeImage() const { return m_foreImage; }
  void SetForeImage(LPCWSTR image);
  DWORD GetBorderColor() const { return m_borderColor; }
  void SetBorderColor(DWORD color);
  DWORD GetFocusBorderColor() const { return m_focusBorderColor; }
  void SetFocusBorderColor(DWORD color);
  bool IsColorHSL() const { return m_colorHSL; }
  void SetColorHSL(bool on);
  int GetBorderSize() const { return m_borderSize; }
  void SetBorderSize(int size);
  RECT GetBorderSizes() const { return m_borderSizes; }
  void SetBorderSizes(RECT sizes);
  int GetBorderStyle() const { return m_borderStyle; }
  void SetBorderStyle(int style);
  SIZE GetBorderRound() const { return m_borderRound; }
  void SetBorderRound(SIZE round);
  const RECT& GetPaintRect() const { return m_rcPaint; }

  // Every painted colour passes through here.
  DWORD GetAdjustColor(DWORD color) const;
  // Draws an image string over this control; false when the renderer could not.
  bool DrawImage(HDC hdc, LPCWSTR image, LPCWSTR modify = nullptr);
  // name="value" pairs separated by one blank; returns this control.
  CControlUI* ApplyAttributeList(LPCWSTR list);

  // Event sources: fired by Init, the destructor, SetPos, Event, and every notification sent
  // from this control.
  CEventSourceUI OnInit;
  CEventSourceUI OnDestroy;
  CEventSourceUI OnSize;
  CEventSourceUI OnEvent;
  CEventSourceUI OnNotify;

 protected:
  static bool InvokeDelegates(CEventSourceUI& delegates, void* param);

  // The attribute groups SetAttribute tries in turn; each answers whether it knew the name.
  bool SetPlaceAttribute(LPCWSTR name, LPCWSTR value);
  bool SetLookAttribute(LPCWSTR name, LPCWSTR value);
  bool SetStateAttribute(LPCWSTR name, LPCWSTR value);
  CWindowManagerUI* m_manager = nullptr;
  CControlUI* m_parent = nullptr;
  CUIString m_virtualWnd;
  CUIString m_name;
  bool m_updateNeeded = true;
  bool m_menuUsed = false;
  RECT m_rcItem = {0, 0, 0, 0};
  RECT m_rcPadding = {0, 0, 0, 0};
  SIZE m_fixedXY = {0, 0};
  int m_fixedWidth = 0;
  int m_fixedHeight = 0;
  int m_minWidth = 0;
  int m_minHeight = 0;
  int m_maxWidth = 9999;
  int m_maxHeight = 9999;
  bool m_visible = true;
  bool m_internVisible = true;
  bool m_enabled = true;
  bool m_mouseEnabled = true;
  bool m_keyboardEnabled = true;
  bool m_focused = false;
  bool m_float = false;
  bool m_inSetPos = false;
  UIRelativePos m_relativePos;
  CUIString m_text;
  CUIString m_toolTip;
  wchar_t m_shortcut = 0;
  CUIString m_userData;
  UINT_PTR m_tag = 0;
  DWORD m_bkColor = 0;
  DWORD m_bkColor2 = 0;
  DWORD m_bkColor3 = 0;
  CUIString m_bkImage;
  CUIString m_foreImage;
  DWORD m_borderColor = 0;
  DWORD m_focusBorderColor = 0;
  bool m_colorHSL = false;
  int m_borderSize = 0;
  int m_borderStyle = 0;
  int m_toolTipWidth = 300;
  SIZE m_borderRound = {0, 0};
  RECT m_rcPaint = {0, 0, 0, 0};
  RECT m_borderSizes = {0, 0, 0, 0};
};

}  // namespace SkinUI
