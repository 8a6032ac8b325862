// The native edit window that an edit control lays over its text area while it has the focus.
#pragma once
#include <windows.h>

#include "ui/base/WindowWnd.h"

namespace SkinUI {

class CEditUI;

class CEditWnd : public CWindowWnd {
 public:
  CEditWnd();

  void Init(CEditUI* owner);
  // The text area: the owner's rectangle less its text padding, cut to one line of its font.
  RECT CalPos() const;
  // The owner is going away: the window must not touch it any more.
  void Detach() { m_owner = nullptr; }
  CEditUI* GetOwner() const { return m_owner; }

  LPCWSTR GetWindowClassName() const override;
  LPCWSTR GetSuperClassName() const override;
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void OnFinalMessage(HWND hwnd) override;

 private:
  CEditUI* m_owner = nullptr;
  HBRUSH m_bkBrush = nullptr;
  bool m_init = false;
};

}  // namespace SkinUI
