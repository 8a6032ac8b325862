// A label that shows a date as "yyyy-mm-dd" and opens a native date picker over itself when
// it takes the focus or is clicked.
#pragma once
#include <windows.h>

#include "ui/control/LabelUI.h"

namespace SkinUI {

class CDateTimeWnd;

class CDateTimeUI : public CLabelUI {
 public:
  // What the next text update does.
  enum { kUpdateNone = 0, kUpdate = 1, kDelete = 2, kKeep = 3 };

  CDateTimeUI();
  ~CDateTimeUI() override;

  LPCWSTR GetClass() const override;
  LPVOID GetInterface(LPCWSTR name) override;
  void DoEvent(UIEventRecord& event) override;

  const SYSTEMTIME& GetTime() const { return m_sysTime; }
  void SetTime(const SYSTEMTIME& time);
  void UpdateText();
  // The open picker window, or null.
  HWND GetNativeWindow() const;

 private:
  friend class CDateTimeWnd;
  void OpenPicker();

  SYSTEMTIME m_sysTime = {};
  int m_updateFlag = kUpdateNone;
  CDateTimeWnd* m_window = nullptr;
};

}  // namespace SkinUI
