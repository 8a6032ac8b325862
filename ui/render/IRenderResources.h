// What drawing needs from the window it draws for: its fonts, images, link colours and the
// mouse position (a hovered link is drawn in its own colour). The window manager answers it.
#pragma once
#include <windows.h>

#include "ui/render/UIFontInfo.h"
#include "ui/render/UIImageInfo.h"

namespace SkinUI {

class IRenderResources {
 public:
  virtual HFONT GetFont(int index) = 0;
  virtual HFONT FindFont(LPCWSTR name, int size, bool bold, bool underline, bool italic) = 0;
  virtual HFONT AddFont(LPCWSTR name, int size, bool bold, bool underline, bool italic) = 0;
  virtual UIFontInfo* GetFontInfoByHandle(HFONT font) = 0;
  virtual UIFontInfo* GetDefaultFontInfo() = 0;
  virtual const UIImageInfo* GetImageEx(LPCWSTR name, LPCWSTR type = nullptr, DWORD mask = 0) = 0;
  virtual DWORD GetDefaultLinkFontColor() const = 0;
  virtual DWORD GetDefaultLinkHoverFontColor() const = 0;
  virtual DWORD GetDefaultSelectedBkColor() const = 0;
  virtual POINT GetMousePos() const = 0;
  virtual bool IsLayeredBackground() const = 0;

 protected:
  ~IRenderResources() = default;
};

}  // namespace SkinUI
