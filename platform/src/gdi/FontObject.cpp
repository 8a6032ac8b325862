#include "platform/src/gdi/FontObject.h"

#include <algorithm>
#include <cwctype>

#include "platform/src/internal/utf.h"

namespace jf {

namespace {

const char kCjkFamily[] = "WenQuanYi Micro Hei";

bool SameFace(const std::wstring& a, const wchar_t* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i)
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  return i == a.size() && !b[i];
}

}  // namespace

FontObject::FontObject(const LOGFONTW& font) : GdiObject(OBJ_FONT), font_(font) {
  font_.lfFaceName[LF_FACESIZE - 1] = 0;
  desc_ = pango_font_description_new();
  pango_font_description_set_family(desc_, FamilyFor(font_.lfFaceName).c_str());
  pango_font_description_set_absolute_size(desc_, EmPixels(font_) * PANGO_SCALE);
  int weight = font_.lfWeight <= 0 ? FW_NORMAL : std::min<LONG>(std::max<LONG>(font_.lfWeight, 100), 1000);
  pango_font_description_set_weight(desc_, static_cast<PangoWeight>(weight));
  pango_font_description_set_style(desc_, font_.lfItalic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
}

FontObject::~FontObject() { pango_font_description_free(desc_); }

PangoAttrList* FontObject::CreateAttributes() const {
  if (!font_.lfUnderline && !font_.lfStrikeOut) return nullptr;
  PangoAttrList* list = pango_attr_list_new();
  if (font_.lfUnderline) pango_attr_list_insert(list, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
  if (font_.lfStrikeOut) pango_attr_list_insert(list, pango_attr_strikethrough_new(TRUE));
  return list;
}

std::string FontObject::FamilyFor(const std::wstring& face) {
  static const wchar_t* const kWindowsFaces[] = {
      L"微软雅黑", L"Microsoft YaHei", L"Microsoft YaHei UI", L"宋体", L"SimSun", L"新宋体", L"NSimSun",
      L"黑体", L"SimHei", L"楷体", L"KaiTi", L"仿宋", L"FangSong", L"Tahoma", L"Arial", L"Segoe UI",
      L"MS Shell Dlg", L"MS Shell Dlg 2", L"Microsoft Sans Serif", L"Verdana", L"System", L""};
  for (const wchar_t* known : kWindowsFaces)
    if (SameFace(face, known)) return kCjkFamily;
  std::string name = ToUtf8(face);
  name.erase(std::remove(name.begin(), name.end(), ','), name.end());
  return name + "," + kCjkFamily + ",sans-serif";
}

double FontObject::EmPixels(const LOGFONTW& font) {
  const double largest = kLargestEm;
  if (font.lfHeight < 0) return std::min(largest, -static_cast<double>(font.lfHeight));
  if (font.lfHeight == 0) return 12.0;
  // A cell height holds the ascent and descent; the CJK face's cell is about 1.2 em.
  return std::min(largest, std::max(1.0, font.lfHeight / 1.2));
}

}  // namespace jf
