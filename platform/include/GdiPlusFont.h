// GDI+ font: a LOGFONTW with its size in pixels.
#pragma once
#include "GdiPlusTypes.h"
#include "wingdi.h"

namespace Gdiplus {

class Font {
 public:
  Font(HDC hdc, HFONT font);
  Font(HDC hdc, const LOGFONTW* logfont);
  Font(const WCHAR* familyName, REAL emSize, INT style = FontStyleRegular, Unit unit = UnitPoint);
  Status GetLastStatus() const { return status_; }
  Status GetLogFontW(void* graphics, LOGFONTW* logfont) const;
  REAL GetSize() const { return emPixels_; }
  INT GetStyle() const;
  const LOGFONTW& GetLogFont() const { return logfont_; }
  // The character height in pixels.
  REAL GetEmPixels() const { return emPixels_; }

 private:
  void FromLogFont(const LOGFONTW& logfont);
  LOGFONTW logfont_{};
  REAL emPixels_ = 12;
  Status status_ = Ok;
};

}  // namespace Gdiplus
