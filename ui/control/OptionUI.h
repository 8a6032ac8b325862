// A button with a selected state: alone it toggles, in a group of the same name only one
// member is selected; "selectchanged" reports the change.
#pragma once
#include <windows.h>

#include <memory>

#include "ui/control/ButtonUI.h"

namespace SkinUI {

class COptionUI : public CButtonUI {
 public:
  COptionUI();
  ~COptionUI() override;

  LPCWSTR GetClass() const override;
  LPVOID GetInterface(LPCWSTR name) override;
  bool Activate() override;
  void SetManager(CWindowManagerUI* manager, CControlUI* parent, bool init = true) override;
  void SetEnabled(bool enabled = true) override;
  void SetAttribute(LPCWSTR name, LPCWSTR value) override;
  void PaintStatusImage(HDC hdc) override;
  void PaintText(HDC hdc) override;
  virtual void SetSelected(bool selected);

  bool IsSelected() const { return m_selected; }
  const CUIString& GetGroup() const { return m_group; }
  void SetGroup(LPCWSTR name);
  const CUIString& GetSelectedImage() const { return m_selectedImage; }
  void SetSelectedImage(LPCWSTR image);
  const CUIString& GetSelectedHotImage() const { return m_selectedHotImage; }
  void SetSelectedHotImage(LPCWSTR image);
  void SetSelectedTextColor(DWORD color) { m_selectedTextColor = color; }
  DWORD GetSelectedTextColor() const { return m_selectedTextColor; }
  void SetSelectedBkColor(DWORD color) { m_selectedBkColor = color; }
  DWORD GetSelectedBkColor() const { return m_selectedBkColor; }

 protected:
  bool m_selected = false;
  CUIString m_group;
  // The manager whose group this option joined, kept apart from m_manager: the builder lends
  // a manager only while it sets attributes, and an option it drops must still leave.
  CWindowManagerUI* m_groupManager = nullptr;
  std::shared_ptr<const bool> m_groupManagerAlive;
  int m_selectedFont = -1;
  DWORD m_selectedBkColor = 0;
  DWORD m_selectedTextColor = 0;
  CUIString m_selectedImage;
  CUIString m_selectedHotImage;
  CUIString m_optionForeImage;

 private:
  void JoinGroup();
  void LeaveGroup();
};

}  // namespace SkinUI
