#include "ui/list/UIListInfo.h"

#include <cwchar>

#include "ui/core/UIValueParser.h"

namespace SkinUI {

namespace {

void SetAlign(UINT& style, LPCWSTR value) {
  if (wcsstr(value, L"left")) style = (style & ~UINT(DT_CENTER | DT_RIGHT)) | DT_LEFT;
  if (wcsstr(value, L"center")) style = (style & ~UINT(DT_LEFT | DT_RIGHT)) | DT_CENTER;
  if (wcsstr(value, L"right")) style = (style & ~UINT(DT_LEFT | DT_CENTER)) | DT_RIGHT;
}

}  // namespace

bool UIListInfo::SetItemAttribute(LPCWSTR name, LPCWSTR value, bool& relayout) {
  relayout = false;
  if (!name || !value || wcsncmp(name, L"item", 4) != 0) return false;
  const wchar_t* n = name + 4;
  struct ColorSlot {
    const wchar_t* name;
    DWORD UIListInfo::*field;
  };
  static const ColorSlot kColors[] = {
      {L"textcolor", &UIListInfo::textColor},
      {L"bkcolor", &UIListInfo::bkColor},
      {L"selectedtextcolor", &UIListInfo::selectedTextColor},
      {L"selectedbkcolor", &UIListInfo::selectedBkColor},
      {L"hottextcolor", &UIListInfo::hotTextColor},
      {L"hotbkcolor", &UIListInfo::hotBkColor},
      {L"disabledtextcolor", &UIListInfo::disabledTextColor},
      {L"disabledbkcolor", &UIListInfo::disabledBkColor},
      {L"linecolor", &UIListInfo::lineColor},
  };
  for (const ColorSlot& slot : kColors) {
    if (wcscmp(n, slot.name) == 0) {
      this->*slot.field = CUIValueParser::ReadColor(value);
      return true;
    }
  }
  struct ImageSlot {
    const wchar_t* name;
    CUIString UIListInfo::*field;
  };
  static const ImageSlot kImages[] = {
      {L"bkimage", &UIListInfo::bkImage},
      {L"selectedimage", &UIListInfo::selectedImage},
      {L"hotimage", &UIListInfo::hotImage},
      {L"disabledimage", &UIListInfo::disabledImage},
  };
  for (const ImageSlot& slot : kImages) {
    if (wcscmp(n, slot.name) == 0) {
      this->*slot.field = value;
      return true;
    }
  }
  if (wcscmp(n, L"font") == 0) {
    font = CUIValueParser::ReadInt(value);
  } else if (wcscmp(n, L"align") == 0) {
    SetAlign(textStyle, value);
  } else if (wcscmp(n, L"endellipsis") == 0) {
    if (wcscmp(value, L"true") == 0)
      textStyle |= DT_END_ELLIPSIS;
    else
      textStyle &= ~UINT(DT_END_ELLIPSIS);
  } else if (wcscmp(n, L"textpadding") == 0) {
    textPadding = CUIValueParser::ReadRect(value);
    relayout = true;
  } else if (wcscmp(n, L"altbk") == 0) {
    alternateBk = wcscmp(value, L"true") == 0;
  } else if (wcscmp(n, L"showhtml") == 0) {
    bool on = wcscmp(value, L"true") == 0;
    relayout = on != showHtml;
    showHtml = on;
  } else {
    return false;
  }
  return true;
}

}  // namespace SkinUI
