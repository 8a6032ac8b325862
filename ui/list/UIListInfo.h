// The drawing record a list shares with its rows: columns, font, text style, colours and
// images of the normal, selected, hot and disabled rows.
#pragma once
#include <windows.h>

#include "ui/core/UIString.h"

namespace SkinUI {

struct UIListInfo {
  enum { kMaxColumns = 32 };
  int columns = 0;
  RECT column[kMaxColumns] = {};
  int font = -1;
  UINT textStyle = DT_VCENTER;
  RECT textPadding = {0, 0, 0, 0};
  DWORD textColor = 0xFF000000;
  DWORD bkColor = 0;
  CUIString bkImage;
  bool alternateBk = false;
  DWORD selectedTextColor = 0xFF000000;
  DWORD selectedBkColor = 0xFFC1E3FF;
  CUIString selectedImage;
  DWORD hotTextColor = 0xFF000000;
  DWORD hotBkColor = 0xFFE9F5FF;
  CUIString hotImage;
  DWORD disabledTextColor = 0xFFCCCCCC;
  DWORD disabledBkColor = 0xFFFFFFFF;
  CUIString disabledImage;
  DWORD lineColor = 0;
  bool showHtml = false;
  bool multiExpandable = false;

  // The "item..." attributes shared by lists and combos; false for any other name.
  // `changed` tells whether the row layout must be redone.
  bool SetItemAttribute(LPCWSTR name, LPCWSTR value, bool& relayout);
};

}  // namespace SkinUI
