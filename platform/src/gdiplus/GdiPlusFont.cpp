#include <GdiPlusFont.h>

#include <algorithm>

#include "platform/src/gdi/GdiArea.h"

namespace Gdiplus {

Font::Font(HDC, HFONT font) {
  LOGFONTW lf{};
  if (!font || GetObjectW(font, sizeof(lf), &lf) != sizeof(lf)) {
    status_ = InvalidParameter;
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
  }
  FromLogFont(lf);
}

Font::Font(HDC, const LOGFONTW* logfont) {
  LOGFONTW lf{};
  if (logfont) lf = *logfont;
  else status_ = InvalidParameter;
  FromLogFont(lf);
}

Font::Font(const WCHAR* familyName, REAL emSize, INT style, Unit unit) {
  switch (unit) {
    case UnitPoint: emPixels_ = emSize * 96.0f / 72.0f; break;
    case UnitInch: emPixels_ = emSize * 96.0f; break;
    case UnitDocument: emPixels_ = emSize * 96.0f / 300.0f; break;
    case UnitMillimeter: emPixels_ = emSize * 96.0f / 25.4f; break;
    default: emPixels_ = emSize; break;
  }
  if (!(emPixels_ > 0)) {
    status_ = InvalidParameter;
    emPixels_ = 12;
  }
  emPixels_ = std::min(emPixels_, static_cast<REAL>(jf::FontObject::kLargestEm));
  logfont_.lfHeight = -static_cast<LONG>(emPixels_ + 0.5f);
  logfont_.lfWeight = (style & FontStyleBold) ? FW_BOLD : FW_NORMAL;
  logfont_.lfItalic = static_cast<BYTE>((style & FontStyleItalic) != 0);
  logfont_.lfUnderline = static_cast<BYTE>((style & FontStyleUnderline) != 0);
  logfont_.lfStrikeOut = static_cast<BYTE>((style & FontStyleStrikeout) != 0);
  logfont_.lfCharSet = DEFAULT_CHARSET;
  for (int i = 0; familyName && familyName[i] && i < LF_FACESIZE - 1; ++i) logfont_.lfFaceName[i] = familyName[i];
}

void Font::FromLogFont(const LOGFONTW& logfont) {
  logfont_ = logfont;
  emPixels_ = static_cast<REAL>(jf::FontObject::EmPixels(logfont));
}

Status Font::GetLogFontW(void*, LOGFONTW* logfont) const {
  if (!logfont) return InvalidParameter;
  *logfont = logfont_;
  return Ok;
}

INT Font::GetStyle() const {
  INT style = FontStyleRegular;
  if (logfont_.lfWeight >= FW_SEMIBOLD) style |= FontStyleBold;
  if (logfont_.lfItalic) style |= FontStyleItalic;
  if (logfont_.lfUnderline) style |= FontStyleUnderline;
  if (logfont_.lfStrikeOut) style |= FontStyleStrikeout;
  return style;
}

}  // namespace Gdiplus
