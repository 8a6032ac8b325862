// The native date picker that a date-time control lays over itself while it is being edited.
#pragma once
#include <windows.h>

#include "ui/base/WindowWnd.h"

namespace SkinUI {

class CDateTimeUI;

class CDateTimeWnd : public CWindowWnd {
 public:
  CDateTimeWnd();

  void Init(CDateTimeUI* owner);
  // The owner is going away: the window must not touch it any more.
  void Detach() { m_owner = nullptr; }

  LPCWSTR GetWindowClassName() const override;
  LPCWSTR GetSuperClassName() const override;
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void OnFinalMessage(HWND hwnd) override;

 private:
  CDateTimeUI* m_owner = nullptr;
  HBRUSH m_bkBrush = nullptr;
  bool m_init = false;
};

}  // namespace SkinUI
