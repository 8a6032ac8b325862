// A memory DC with a control's font selected (the default GUI font without one), for
// measuring text outside WM_PAINT.
#pragma once
#include <windows.h>

namespace jf {

class FontDc {
 public:
  explicit FontDc(HFONT font) : dc_(CreateCompatibleDC(nullptr)) {
    old_ = SelectObject(dc_, font != nullptr ? font : GetStockObject(DEFAULT_GUI_FONT));
  }
  ~FontDc() {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
  }
  FontDc(const FontDc&) = delete;
  FontDc& operator=(const FontDc&) = delete;
  HDC dc() const { return dc_; }
  int LineHeight() const {
    TEXTMETRICW tm{};
    GetTextMetricsW(dc_, &tm);
    return tm.tmHeight;
  }
  int Width(const wchar_t* text, int length) const {
    SIZE size{};
    GetTextExtentPoint32W(dc_, text, length, &size);
    return size.cx;
  }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace jf
