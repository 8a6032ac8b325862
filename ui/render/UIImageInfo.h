// One loaded image: a 32-bit top-down section, premultiplied, kept by a window manager.
#pragma once

#include <windows.h>

#include "ui/core/UIString.h"

namespace SkinUI {

struct UIImageInfo {
  HBITMAP hBitmap = nullptr;
  int nX = 0;  // width
  int nY = 0;  // height
  bool alphaChannel = false;
  CUIString sResType;
  DWORD dwMask = 0;
};

}  // namespace SkinUI
