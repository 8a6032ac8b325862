// One font a window keeps for its text; the text metrics are fetched on first use.
#pragma once
#include <windows.h>

#include "ui/core/UIString.h"

namespace SkinUI {

struct UIFontInfo {
  HFONT hFont = nullptr;
  CUIString faceName;
  int size = 0;
  bool bold = false;
  bool underline = false;
  bool italic = false;
  TEXTMETRICW tm = {};
};

}  // namespace SkinUI
