// The drag separator of a linear layout: a strip at one edge of the layout that resizes the
// layout itself. Horizontal layouts pull their left or right edge, vertical ones their top or
// bottom edge.
#pragma once
#include <windows.h>

#include "ui/base/ControlUI.h"

namespace SkinUI {

class CLayoutSeparator {
 public:
  explicit CLayoutSeparator(bool vertical) : m_vertical(vertical) {}

  int GetSize() const { return m_size; }
  void SetSize(int size) { m_size = size; }
  bool IsImmMode() const { return m_immMode; }
  void SetImmMode(CControlUI& layout, bool immediately);
  bool IsDragging() const { return (m_buttonState & UISTATE_CAPTURED) != 0; }
  UINT GetControlFlags(const CControlUI& layout) const;

  // The strip at `item`, or at the dragged position when useNew is set.
  RECT GetThumbRect(const RECT& item, bool useNew) const;
  // Takes the separator's events; `item` and `fixedLength` are the layout's own rectangle and
  // fixed width (or height). False: the event goes on to the container.
  bool DoEvent(CControlUI& layout, UIEventRecord& event, RECT& item, int& fixedLength);
  void DoPostPaint(HDC hdc, const RECT& item) const;

 private:
  bool m_vertical;
  int m_size = 0;
  UINT m_buttonState = 0;
  bool m_immMode = false;
  POINT m_lastMouse = {0, 0};
  RECT m_rcNewPos = {0, 0, 0, 0};
};

}  // namespace SkinUI
