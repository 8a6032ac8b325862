// The program's main window: the agreement and folder page, the progress page, and the
// window side of the install flow (its controls, timers, messages and message boxes).
#pragma once

#include <windows.h>

#include <string>

#include "app/install/IInstallView.h"
#include "app/install/InstallFlow.h"
#include "ui/window/WindowImplBase.h"

class CMsgBoxDlg;

namespace SkinUI {
class CControlUI;
class CEditUI;
class CLabelUI;
class COptionUI;
class CProgressUI;
class CTabLayoutUI;
}  // namespace SkinUI

class CMainDlg : public SkinUI::WindowImplBase, public IInstallView {
 public:
  CMainDlg();
  ~CMainDlg() override;

  LPCWSTR GetWindowClassName() const override { return L"InstallPackages"; }
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void OnFinalMessage(HWND hwnd) override;
  void InitWindow() override;
  SkinUI::CUIString GetSkinFolder() override { return SkinUI::CUIString(L"no use"); }
  SkinUI::CUIString GetSkinFile() override { return SkinUI::CUIString(L"InstallPackages.xml"); }
  UINT GetResourceType() const override { return SkinUI::UILIB_ZIPRESOURCE; }
  SkinUI::CUIString GetZIPFileName() const override { return SkinUI::CUIString(L""); }
  LRESULT OnSysCommand(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override;
  // A hidden run has nobody to answer a box: it logs the failure and ends with its code.
  void OnSkinLoadFailed() override;

  InstallFlow& GetFlow() { return m_flow; }

  // IInstallView
  HWND GetViewWindow() override { return m_hwnd; }
  bool HasOption(Option option) override;
  bool IsOptionSelected(Option option) override;
  void SelectOption(Option option, bool selected) override;
  void SetFolderText(const std::wstring& folder) override;
  void SetFolderTip(const InstallFolderChoice::TipText& tip) override;
  bool IsPanelVisible() override;
  void SetPanelVisible(bool visible) override;
  void ShowProgressPage(bool hasGameId) override;
  int GetBarWidth() override;
  int GetWindowHeight() override;
  void SetBar(const std::wstring& image, int value) override;
  void SetBubble(const InstallProgress::Bubble& bubble) override;
  void SetBubbleInstalling(bool installing) override;
  void SetPicture(const std::wstring& image) override;
  int RunBox(BoxSlot slot, const BoxRequest& request) override;
  bool IsBoxOpen(BoxSlot slot) override;
  void CloseBox(BoxSlot slot, UINT code) override;
  std::wstring BrowseForFolder(const std::wstring& start) override;

  // The window hears its controls by name, through its notify map; the names the map does
  // not list (btn_min) reach the window base's handlers.
  SKINUI_DECLARE_NOTIFY_MAP()

 private:
  void OnProgressTimer(SkinUI::UINotifyMsg& msg);
  void OnCloseClick(SkinUI::UINotifyMsg& msg);
  void OnInstallClick(SkinUI::UINotifyMsg& msg);
  void OnFreeClick(SkinUI::UINotifyMsg& msg);
  void OnSelectClick(SkinUI::UINotifyMsg& msg);
  void OnAgreementClick(SkinUI::UINotifyMsg& msg);
  void OnFolderTextChanged(SkinUI::UINotifyMsg& msg);

  SkinUI::COptionUI* OptionControl(Option option) const;
  void ResizeBy(int delta);

  InstallFlow m_flow;
  CMsgBoxDlg* m_exitBox = nullptr;
  CMsgBoxDlg* m_retryBox = nullptr;

  SkinUI::CTabLayoutUI* m_tabMain = nullptr;
  SkinUI::COptionUI* m_optAgree = nullptr;
  SkinUI::CControlUI* m_btnFree = nullptr;
  SkinUI::CControlUI* m_aboutFree = nullptr;
  SkinUI::CEditUI* m_editInput = nullptr;
  SkinUI::CLabelUI* m_lbTip = nullptr;
  SkinUI::COptionUI* m_optAuto = nullptr;
  SkinUI::CControlUI* m_hlayoutInstall = nullptr;
  SkinUI::CLabelUI* m_changeAd = nullptr;
  SkinUI::CProgressUI* m_progress = nullptr;
  SkinUI::CLabelUI* m_lbTip1 = nullptr;
  SkinUI::CLabelUI* m_lbTip2 = nullptr;
};
