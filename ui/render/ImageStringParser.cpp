#include "ui/render/ImageStringParser.h"

#include "ui/core/UIExtent.h"
#include "ui/core/UIValueParser.h"

namespace SkinUI {

namespace {
bool IsBlank(wchar_t c) { return c > 0 && c <= 32; }
}  // namespace

void CImageStringParser::Parse(const RECT& rcItem, LPCWSTR image, LPCWSTR modify, DrawProc draw, void* context) {
  UIImageDrawSet set;
  set.name = image;
  set.dest = rcItem;
  ParsePass(rcItem, image, set, draw, context);
  ParsePass(rcItem, modify, set, draw, context);
  draw(set, context);
}

void CImageStringParser::ParsePass(const RECT& rcItem, LPCWSTR text, UIImageDrawSet& set, DrawProc draw,
                                   void* context) {
  if (!text) return;
  int count = 0;
  const wchar_t* p = text;
  while (*p != L'\0') {
    while (IsBlank(*p)) ++p;
    if (*p == L'\0') break;
    const wchar_t* keyStart = p;
    while (*p != L'\0' && *p != L'=' && !(*p > 0 && *p <= 32)) ++p;
    CUIString key(keyStart, static_cast<int>(p - keyStart));
    while (IsBlank(*p)) ++p;
    if (*p != L'=') return;
    ++p;
    while (IsBlank(*p)) ++p;
    if (*p != L'\'') return;
    ++p;
    const wchar_t* valueStart = p;
    while (*p != L'\0' && *p != L'\'') ++p;
    if (*p != L'\'') return;
    CUIString value(valueStart, static_cast<int>(p - valueStart));
    ++p;
    if (!value.IsEmpty()) Apply(rcItem, key, value, set, count, draw, context);
    if (*p != L' ') return;
    ++p;
  }
}

void CImageStringParser::Apply(const RECT& rcItem, const CUIString& key, const CUIString& value,
                               UIImageDrawSet& set, int& count, DrawProc draw, void* context) {
  if (key == L"file" || key == L"res") {
    if (count > 0) draw(set, context);
    set.name = value;
    if (key == L"file") ++count;
  } else if (key == L"restype") {
    if (count > 0) draw(set, context);
    set.type = value;
    ++count;
  } else if (key == L"dest" || key == L"rdest") {
    RECT r = CUIValueParser::ReadRect(value);
    bool fromEnd = key == L"rdest";
    LONG baseX = fromEnd ? rcItem.right : rcItem.left;
    LONG baseY = fromEnd ? rcItem.bottom : rcItem.top;
    // Bounded offsets from a coordinate, kept a coordinate.
    auto add = [](LONG base, LONG delta) { return CUIExtent::Coordinate(static_cast<long long>(base) + delta); };
    set.dest.left = add(baseX, r.left);
    set.dest.top = add(baseY, r.top);
    set.dest.right = add(baseX, r.right);
    set.dest.bottom = add(baseY, r.bottom);
    if (set.dest.right > rcItem.right) set.dest.right = rcItem.right;
    if (set.dest.bottom > rcItem.bottom) set.dest.bottom = rcItem.bottom;
  } else if (key == L"source") {
    set.source = CUIValueParser::ReadRect(value);
  } else if (key == L"corner") {
    set.corner = CUIValueParser::ReadRect(value);
  } else if (key == L"centerrect") {
    set.center = CUIValueParser::ReadRect(value);
  } else if (key == L"mask") {
    set.mask = CUIValueParser::ReadColor(value);
  } else if (key == L"fade") {
    set.fade = static_cast<BYTE>(CUIValueParser::ReadInt(value) & 0xFF);
  } else if (key == L"hole") {
    set.hole = CUIValueParser::ReadBool(value);
  } else if (key == L"xtiled") {
    set.xtiled = CUIValueParser::ReadBool(value);
  } else if (key == L"ytiled") {
    set.ytiled = CUIValueParser::ReadBool(value);
  } else if (key == L"stretch") {
    set.stretch = CUIValueParser::ReadBool(value);
  } else if (key == L"center") {
    set.centerImage = CUIValueParser::ReadBool(value);
  } else if (key == L"aligntop") {
    set.alignTop = CUIValueParser::ReadBool(value);
  } else if (key == L"alignleft") {
    set.alignLeft = CUIValueParser::ReadBool(value);
  } else if (key == L"roundcorner") {
    set.roundCorner = CUIValueParser::ReadSize(value);
  }
  // "gray", "angle" and unknown keys have no effect.
}

}  // namespace SkinUI
