// A font: its LOGFONTW and the pango description that draws it.
#pragma once
#include <string>

#include "platform/src/gdi/GdiObject.h"  // before pango: the Windows TRUE/FALSE come first

#include <pango/pango.h>

namespace jf {

class FontObject : public GdiObject {
 public:
  explicit FontObject(const LOGFONTW& font);
  ~FontObject() override;
  const LOGFONTW& Log() const { return font_; }
  const PangoFontDescription* Description() const { return desc_; }
  // Underline and strike-out as layout attributes (null when neither is set; caller unrefs).
  PangoAttrList* CreateAttributes() const;
  // The fontconfig family list for a Windows face name: the faces a Chinese Windows system
  // offers (微软雅黑, 宋体, Tahoma, ...) resolve to the installed CJK font.
  static std::string FamilyFor(const std::wstring& face);
  // The pixel size of the characters for an lfHeight (cell heights are converted).
  // The largest em size in pixels a font gets: pango sizes are ints in 1/1024 pixel, and the
  // font library fails (and its glyph images grow beyond reason) long before.
  static constexpr double kLargestEm = 4096.0;
  static double EmPixels(const LOGFONTW& font);

 private:
  LOGFONTW font_;
  PangoFontDescription* desc_;
};

}  // namespace jf
