// The window manager's resources: the process-wide resource path and skin archive, and each
// manager's fonts, images, default colours and per-class default attribute lists.
#include "ui/base/WindowManagerUI.h"

#include <cwchar>

#include "ui/core/UIExtent.h"
#include "ui/render/SkinRenderer.h"
#include "ui/render/UIImageInfo.h"
#include "ui/archive/ZipReader.h"

namespace SkinUI {

namespace {

LOGFONTW DefaultLogFont() {
  LOGFONTW lf = {};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
  lf.lfCharSet = DEFAULT_CHARSET;
  return lf;
}

HFONT MakeFont(LPCWSTR name, int size, bool bold, bool underline, bool italic) {
  LOGFONTW lf = DefaultLogFont();
  if (name) {
    wcsncpy(lf.lfFaceName, name, LF_FACESIZE - 1);
    lf.lfFaceName[LF_FACESIZE - 1] = L'\0';
  }
  lf.lfHeight = -size;
  if (bold) lf.lfWeight += FW_BOLD;
  if (underline) lf.lfUnderline = TRUE;
  if (italic) lf.lfItalic = TRUE;
  return CreateFontIndirectW(&lf);
}

void FetchMetrics(HDC hdc, UIFontInfo* info) {
  if (!hdc || !info || !info->hFont) return;
  HGDIOBJ old = SelectObject(hdc, info->hFont);
  GetTextMetricsW(hdc, &info->tm);
  SelectObject(hdc, old);
}

}  // namespace

void CWindowManagerUI::InitResources() {
  LOGFONTW lf = DefaultLogFont();
  m_defaultFont.hFont = CreateFontIndirectW(&lf);
  m_defaultFont.faceName = lf.lfFaceName;
  m_defaultFont.size = -lf.lfHeight;
  m_defaultFont.bold = lf.lfWeight >= FW_BOLD;
  m_defaultFont.underline = lf.lfUnderline == 1;
  m_defaultFont.italic = lf.lfItalic == 1;
  m_defaultFont.tm = TEXTMETRICW{};
}

void CWindowManagerUI::FreeResources() {
  if (m_defaultFont.hFont) DeleteObject(m_defaultFont.hFont);
  m_defaultFont.hFont = nullptr;
  for (int i = 0; i < m_fonts.GetSize(); ++i) {
    UIFontInfo* info = static_cast<UIFontInfo*>(m_fonts.GetAt(i));
    if (info && info->hFont) DeleteObject(info->hFont);
    delete info;
  }
  m_fonts.Empty();
  for (int i = 0; i < m_images.GetSize(); ++i) {
    const wchar_t* key = m_images.GetAt(i);
    if (key) CSkinRenderer::FreeImage(static_cast<UIImageInfo*>(m_images.Find(key, false)));
  }
  m_images.RemoveAll();
  for (int i = 0; i < m_defaultAttributes.GetSize(); ++i) {
    const wchar_t* key = m_defaultAttributes.GetAt(i);
    if (key) delete static_cast<CUIString*>(m_defaultAttributes.Find(key, false));
  }
  m_defaultAttributes.RemoveAll();
}

// ---- Colours: the chain's root manager holds them ----

namespace {
const CWindowManagerUI* ChainRoot(const CWindowManagerUI* manager) {
  int guard = 0;
  while (manager->GetParentResource() && guard++ < 64) manager = manager->GetParentResource();
  return manager;
}
}  // namespace

DWORD CWindowManagerUI::GetDefaultDisabledColor() const { return ChainRoot(this)->m_defaultDisabledColor; }
void CWindowManagerUI::SetDefaultDisabledColor(DWORD color) { m_defaultDisabledColor = color; }
DWORD CWindowManagerUI::GetDefaultFontColor() const { return ChainRoot(this)->m_defaultFontColor; }
void CWindowManagerUI::SetDefaultFontColor(DWORD color) { m_defaultFontColor = color; }
DWORD CWindowManagerUI::GetDefaultLinkFontColor() const { return ChainRoot(this)->m_defaultLinkFontColor; }
void CWindowManagerUI::SetDefaultLinkFontColor(DWORD color) { m_defaultLinkFontColor = color; }
DWORD CWindowManagerUI::GetDefaultLinkHoverFontColor() const {
  return ChainRoot(this)->m_defaultLinkHoverFontColor;
}
void CWindowManagerUI::SetDefaultLinkHoverFontColor(DWORD color) { m_defaultLinkHoverFontColor = color; }
DWORD CWindowManagerUI::GetDefaultSelectedBkColor() const { return ChainRoot(this)->m_defaultSelectedBkColor; }
void CWindowManagerUI::SetDefaultSelectedBkColor(DWORD color) { m_defaultSelectedBkColor = color; }

// ---- Fonts ----

UIFontInfo* CWindowManagerUI::GetDefaultFontInfo() {
  CWindowManagerUI* root = const_cast<CWindowManagerUI*>(ChainRoot(this));
  UIFontInfo* info = &root->m_defaultFont;
  if (info->tm.tmHeight == 0) FetchMetrics(root->m_hdcPaint ? root->m_hdcPaint : m_hdcPaint, info);
  return info;
}

void CWindowManagerUI::SetDefaultFont(LPCWSTR name, int size, bool bold, bool underline, bool italic) {
  // The size comes from a skin: bounded, so its negation and the metrics stay in range.
  size = CUIExtent::FontSize(size);
  HFONT font = MakeFont(name, size, bold, underline, italic);
  if (!font) return;
  if (m_defaultFont.hFont) DeleteObject(m_defaultFont.hFont);
  m_defaultFont.hFont = font;
  m_defaultFont.faceName = name;
  m_defaultFont.size = size;
  m_defaultFont.bold = bold;
  m_defaultFont.underline = underline;
  m_defaultFont.italic = italic;
  // Fetched on first use, like every font's: a window that never measures text loads no font.
  m_defaultFont.tm = TEXTMETRICW{};
}

int CWindowManagerUI::GetCustomFontCount() const { return m_fonts.GetSize(); }

HFONT CWindowManagerUI::AddFont(LPCWSTR name, int size, bool bold, bool underline, bool italic) {
  size = CUIExtent::FontSize(size);
  HFONT font = MakeFont(name, size, bold, underline, italic);
  if (!font) return nullptr;
  UIFontInfo* info = new UIFontInfo();
  info->hFont = font;
  info->faceName = name;
  info->size = size;
  info->bold = bold;
  info->underline = underline;
  info->italic = italic;
  if (!m_fonts.Add(info)) {
    DeleteObject(font);
    delete info;
    return nullptr;
  }
  return font;
}

HFONT CWindowManagerUI::GetFont(int index) {
  UIFontInfo* info = static_cast<UIFontInfo*>(m_fonts.GetAt(index));
  if (info) return info->hFont;
  return GetDefaultFontInfo()->hFont;
}

HFONT CWindowManagerUI::FindFont(LPCWSTR name, int size, bool bold, bool underline, bool italic) {
  size = CUIExtent::FontSize(size);
  int guard = 0;
  for (CWindowManagerUI* m = this; m && guard++ < 64; m = m->m_parentResource) {
    for (int i = 0; i < m->m_fonts.GetSize(); ++i) {
      UIFontInfo* info = static_cast<UIFontInfo*>(m->m_fonts.GetAt(i));
      if (info && info->faceName == (name ? name : L"") && info->size == size && info->bold == bold &&
          info->underline == underline && info->italic == italic) {
        return info->hFont;
      }
    }
  }
  return nullptr;
}

UIFontInfo* CWindowManagerUI::GetFontInfo(int index) {
  UIFontInfo* info = static_cast<UIFontInfo*>(m_fonts.GetAt(index));
  if (!info) return GetDefaultFontInfo();
  if (info->tm.tmHeight == 0) FetchMetrics(m_hdcPaint, info);
  return info;
}

UIFontInfo* CWindowManagerUI::GetFontInfoByHandle(HFONT font) {
  int guard = 0;
  for (CWindowManagerUI* m = this; m && guard++ < 64; m = m->m_parentResource) {
    for (int i = 0; i < m->m_fonts.GetSize(); ++i) {
      UIFontInfo* info = static_cast<UIFontInfo*>(m->m_fonts.GetAt(i));
      if (info && info->hFont == font) {
        if (info->tm.tmHeight == 0) FetchMetrics(m->m_hdcPaint ? m->m_hdcPaint : m_hdcPaint, info);
        return info;
      }
    }
    if (m->m_defaultFont.hFont == font) {
      if (m->m_defaultFont.tm.tmHeight == 0) FetchMetrics(m->m_hdcPaint ? m->m_hdcPaint : m_hdcPaint, &m->m_defaultFont);
      return &m->m_defaultFont;
    }
  }
  return GetDefaultFontInfo();
}

// ---- Images ----

const UIImageInfo* CWindowManagerUI::GetImage(LPCWSTR name) {
  return static_cast<const UIImageInfo*>(m_images.Find(name));
}

const UIImageInfo* CWindowManagerUI::GetImageEx(LPCWSTR name, LPCWSTR type, DWORD mask) {
  const UIImageInfo* image = GetImage(name);
  if (image) return image;
  return AddImage(name, type, mask);
}

const UIImageInfo* CWindowManagerUI::AddImage(LPCWSTR name, LPCWSTR type, DWORD mask) {
  if (!name || !name[0]) return nullptr;
  if (type && (name[0] < L'0' || name[0] > L'9')) return nullptr;
  UIImageInfo* image = CSkinRenderer::LoadImage(name, type, mask);
  if (!image) return nullptr;
  image->sResType = type;
  image->dwMask = mask;
  if (!m_images.Insert(name, image)) {
    CSkinRenderer::FreeImage(image);
    return nullptr;
  }
  return image;
}

// ---- Default attribute lists: the first definition stays ----

void CWindowManagerUI::AddDefaultAttributeList(LPCWSTR className, LPCWSTR attributes) {
  if (!className || !className[0]) return;
  if (m_defaultAttributes.Find(className)) return;
  CUIString* copy = new CUIString(attributes ? attributes : L"");
  if (!m_defaultAttributes.Insert(className, copy)) delete copy;
}

LPCWSTR CWindowManagerUI::GetDefaultAttributeList(LPCWSTR className) const {
  int guard = 0;
  for (const CWindowManagerUI* m = this; m && guard++ < 64; m = m->m_parentResource) {
    CUIString* list = static_cast<CUIString*>(m->m_defaultAttributes.Find(className));
    if (list) return list->GetData();
  }
  return nullptr;
}

}  // namespace SkinUI
