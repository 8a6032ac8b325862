// One clip in force on a device context; the destructor restores the clip it found.
#pragma once

#include <windows.h>

namespace SkinUI {

class CSkinClip {
 public:
  CSkinClip() = default;
  ~CSkinClip();
  CSkinClip(const CSkinClip&) = delete;
  CSkinClip& operator=(const CSkinClip&) = delete;

  static void ClipToRect(HDC hdc, RECT rc, CSkinClip& clip);
  static void ClipToRoundRect(HDC hdc, RECT rc, RECT rcItem, int width, int height, CSkinClip& clip);
  // Paint a floating child with the clip that was in force before this one, then come back.
  static void UseOldClipBegin(HDC hdc, CSkinClip& clip);
  static void UseOldClipEnd(HDC hdc, CSkinClip& clip);

  RECT rcItem = {0, 0, 0, 0};
  HDC hDC = nullptr;
  HRGN hRgn = nullptr;
  HRGN hOldRgn = nullptr;
};

}  // namespace SkinUI
