// Reads image strings: a bare file name, or blank-separated key='value' pairs. The working
// set carries from one image of the string to the next; each finished image is handed to a
// draw callback.
#pragma once

#include <windows.h>

#include "ui/core/UIString.h"

namespace SkinUI {

struct UIImageDrawSet {
  CUIString name;
  CUIString type;
  RECT dest = {0, 0, 0, 0};
  RECT source = {0, 0, 0, 0};
  RECT corner = {0, 0, 0, 0};
  RECT center = {0, 0, 0, 0};
  SIZE roundCorner = {0, 0};
  DWORD mask = 0;
  BYTE fade = 255;
  bool hole = false;
  bool xtiled = false;
  bool ytiled = false;
  bool stretch = true;
  bool centerImage = false;
  bool alignTop = false;
  bool alignLeft = false;
};

class CImageStringParser {
 public:
  typedef void (*DrawProc)(const UIImageDrawSet& set, void* context);

  // Two passes (the image string, then the modifier), then one more draw of the working set.
  static void Parse(const RECT& rcItem, LPCWSTR image, LPCWSTR modify, DrawProc draw, void* context);

 private:
  static void ParsePass(const RECT& rcItem, LPCWSTR text, UIImageDrawSet& set, DrawProc draw, void* context);
  static void Apply(const RECT& rcItem, const CUIString& key, const CUIString& value, UIImageDrawSet& set,
                    int& count, DrawProc draw, void* context);
};

}  // namespace SkinUI
