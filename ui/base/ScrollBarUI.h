// A skinned scroll bar: two line buttons, two hidden home/end buttons, a thumb with a rail
// grip and a background. With an owner container every action scrolls the owner;
// without one the bar moves itself and reports "scroll".
#pragma once
#include "ui/base/ControlUI.h"

namespace SkinUI {

class CContainerUI;

class CScrollBarUI : public CControlUI {
 public:
  enum { kRepeatTimerId = 10, kRepeatElapse = 50 };

  CScrollBarUI();

  LPCWSTR GetClass() const override;
  LPVOID GetInterface(LPCWSTR name) override;
  void SetPos(RECT rc) override;
  void SetVisible(bool visible = true) override;
  void SetEnabled(bool enabled = true) override;
  void SetFocus() override;
  void DoEvent(UIEventRecord& event) override;
  void SetAttribute(LPCWSTR name, LPCWSTR value) override;
  void DoPaint(HDC hdc, const RECT& rcPaint) override;

  CContainerUI* GetOwner() const { return m_owner; }
  void SetOwner(CContainerUI* owner) { m_owner = owner; }
  bool IsHorizontal() const { return m_horizontal; }
  void SetHorizontal(bool horizontal = true);
  int GetScrollRange() const { return m_range; }
  void SetScrollRange(int range);
  int GetScrollPos() const { return m_scrollPos; }
  void SetScrollPos(int pos);
  int GetLineSize() const { return m_lineSize; }
  void SetLineSize(int size) { m_lineSize = size; }

  // The pieces as laid out by SetPos (tests and owners read them).
  RECT GetButton1Rect() const { return m_buttons[0].rc; }
  RECT GetButton2Rect() const { return m_buttons[1].rc; }
  RECT GetButton3Rect() const { return m_buttons[2].rc; }
  RECT GetButton4Rect() const { return m_buttons[3].rc; }
  RECT GetThumbRect() const { return m_thumb.rc; }
  UINT GetThumbState() const { return m_thumb.state; }
  UINT GetButton1State() const { return m_buttons[0].state; }
  UINT GetButton2State() const { return m_buttons[1].state; }
  bool IsButtonShown(int index) const { return index >= 1 && index <= 4 && m_buttons[index - 1].shown; }

  // Image setters: index 0 normal, 1 hot, 2 pushed, 3 disabled.
  void SetButtonImage(int button, int state, LPCWSTR image);
  void SetThumbImage(int state, LPCWSTR image);
  void SetRailImage(int state, LPCWSTR image);
  void SetBkImage(int state, LPCWSTR image);
  LPCWSTR GetButtonImage(int button, int state) const;

 protected:
  struct Piece {
    bool shown = true;
    RECT rc = {0, 0, 0, 0};
    UINT state = 0;
    CUIString images[4];
  };

  int Thickness() const { return m_horizontal ? m_fixedHeight : m_fixedWidth; }
  // The bar's length less its shown buttons: the track that the thumb runs on.
  int TrackLength() const;
  // Moves the own position by a step, saturating instead of wrapping.
  void ScrollBy(long long delta);
  // Ends a press: the repeat timer and the drag state.
  void StopRepeat();
  void StepButton(int index);
  void StepRail(POINT pt);
  void NotifyScroll();
  void PassOn(UIEventRecord& event);
  void OnButtonDown(const UIEventRecord& event);
  void OnButtonUp();
  void OnMouseMove(const UIEventRecord& event);
  void OnRepeatTimer();
  void SetHot(bool hot, POINT mouse);
  // Draws the image of a piece chosen by `state`; false when nothing could be drawn.
  bool PaintPiece(HDC hdc, CUIString* images, UINT& state, const RECT& rc, bool useDest);

  bool m_horizontal = false;
  int m_range = 100;
  int m_scrollPos = 0;
  int m_lineSize = 8;
  CContainerUI* m_owner = nullptr;
  POINT m_lastMouse = {0, 0};
  int m_lastScrollPos = 0;
  int m_lastScrollOffset = 0;
  int m_scrollRepeatDelay = 0;
  Piece m_bk;
  Piece m_buttons[4];
  Piece m_thumb;
  Piece m_rail;
  CUIString m_imageModify;
};

}  // namespace SkinUI
