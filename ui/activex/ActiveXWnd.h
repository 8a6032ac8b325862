// The child window a windowed OLE control is activated in.
#pragma once
#include <windows.h>

#include "ui/base/WindowWnd.h"

namespace SkinUI {

class CActiveXCtrl;

class CActiveXWnd : public CWindowWnd {
 public:
  explicit CActiveXWnd(CActiveXCtrl* site) : m_site(site) {}
  HWND Init(HWND parent);

  LPCWSTR GetWindowClassName() const override;
  UINT GetClassStyle() const override;
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void DoVerb(LONG verb);

  CActiveXCtrl* m_site;
};

}  // namespace SkinUI
