// The program's own modal message box: a title, a text, an optional grey code line and up to
// two buttons. It lives on the heap and deletes itself when its window is gone.
#pragma once

#include <windows.h>

#include <string>

#include "ui/window/WindowImplBase.h"

class CMsgBoxDlg : public SkinUI::WindowImplBase {
 public:
  CMsgBoxDlg(const std::wstring& text, const std::wstring& title, const std::wstring& codeLine);

  LPCWSTR GetWindowClassName() const override { return L"varnelim"; }
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void OnFinalMessage(HWND hwnd) override;
  void InitWindow() override;
  SkinUI::CUIString GetSkinFolder() override { return SkinUI::CUIString(L""); }
  SkinUI::CUIString GetSkinFile() override { return SkinUI::CUIString(L"MessageBox.xml"); }
  // Neither Escape nor Return closes the box.
  LRESULT HandleDefaultKey(WPARAM) override { return FALSE; }
  UINT GetResourceType() const override { return SkinUI::UILIB_ZIPRESOURCE; }
  SkinUI::CUIString GetZIPFileName() const override { return SkinUI::CUIString(L""); }

  // Runs the box modally and answers the code given to Close. The box deletes itself once
  // its window is gone; while the modal loop runs, that waits until the loop has returned.
  UINT ShowModal();

  // An empty caption keeps the skin's.
  void SetButtonTexts(const std::wstring& okCaption, const std::wstring& cancelCaption);
  void SetCloseVisible(bool visible);
  // The row that holds the cancel button.
  void SetRowVisible(bool visible);

  // The box hears its buttons by name, through its notify map.
  SKINUI_DECLARE_NOTIFY_MAP()

 private:
  ~CMsgBoxDlg() override = default;

  void OnOkClick(SkinUI::UINotifyMsg& msg);
  void OnCancelClick(SkinUI::UINotifyMsg& msg);

  bool m_inModalLoop = false;
  bool m_windowGone = false;
  std::wstring m_text;
  std::wstring m_title;
  std::wstring m_codeLine;
  SkinUI::CControlUI* m_close = nullptr;
  SkinUI::CControlUI* m_ok = nullptr;
  SkinUI::CControlUI* m_cancel = nullptr;
  SkinUI::CControlUI* m_textLabel = nullptr;
  SkinUI::CControlUI* m_titleLabel = nullptr;
  SkinUI::CControlUI* m_row = nullptr;
  SkinUI::CControlUI* m_codeLabel = nullptr;
};
