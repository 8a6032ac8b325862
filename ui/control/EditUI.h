// The single-line text field: paints itself while idle and lays a native edit window over its
// text area while it has the focus; every change is copied back and raised as "textchanged",
// Enter raises "return".
#pragma once
#include <windows.h>

#include "ui/control/LabelUI.h"

namespace SkinUI {

class CEditWnd;

class CEditUI : public CLabelUI {
 public:
  CEditUI();
  ~CEditUI() override;

  LPCWSTR GetClass() const override;
  LPVOID GetInterface(LPCWSTR name) override;
  UINT GetControlFlags() const override;
  void SetText(LPCWSTR text) override;
  void SetPos(RECT rc) override;
  void SetVisible(bool visible = true) override;
  void SetInternVisible(bool visible = true) override;
  void SetEnabled(bool enabled = true) override;
  void DoEvent(UIEventRecord& event) override;
  void SetAttribute(LPCWSTR name, LPCWSTR value) override;
  SIZE EstimateSize(SIZE available) override;
  void PaintStatusImage(HDC hdc) override;
  void PaintText(HDC hdc) override;

  void SetMaxChar(UINT max);
  UINT GetMaxChar() const { return m_maxChar; }
  void SetReadOnly(bool readOnly);
  bool IsReadOnly() const { return m_readOnly; }
  void SetPasswordMode(bool password);
  bool IsPasswordMode() const { return m_password; }
  void SetPasswordChar(wchar_t ch) { m_passwordChar = ch; }
  wchar_t GetPasswordChar() const { return m_passwordChar; }
  void SetNumberOnly(bool on);
  bool IsNumberOnly() const { return (m_windowStyles & ES_NUMBER) != 0; }
  DWORD GetWindowStyles() const { return m_windowStyles; }
  void SetHintText(LPCWSTR text);
  const CUIString& GetHintText() const { return m_hintText; }
  void SetHintColor(DWORD color);
  // The hint colour, or the manager's disabled text colour when none was given.
  DWORD GetHintColor() const;
  void SetNativeEditTextColor(DWORD color) { m_nativeTextColor = color; }
  DWORD GetNativeEditTextColor() const { return m_nativeTextColor; }
  void SetNativeEditBkColor(DWORD color) { m_nativeBkColor = color; }
  DWORD GetNativeEditBkColor() const { return m_nativeBkColor; }
  UINT GetButtonState() const { return m_buttonState; }
  // The open native window, or null.
  HWND GetNativeWindow() const;

 private:
  friend class CEditWnd;
  void OpenNativeWindow();
  void SelectAllInNative();

  CEditWnd* m_window = nullptr;
  UINT m_maxChar = 255;
  bool m_readOnly = false;
  bool m_password = false;
  wchar_t m_passwordChar = L'*';
  UINT m_buttonState = 0;
  CUIString m_normalImage;
  CUIString m_hotImage;
  CUIString m_focusedImage;
  CUIString m_disabledImage;
  DWORD m_nativeTextColor = 0;
  DWORD m_nativeBkColor = 0xFFFFFFFF;
  DWORD m_hintColor = 0;
  CUIString m_hintText;
  DWORD m_windowStyles = 0;
};

}  // namespace SkinUI
