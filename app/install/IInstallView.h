// What the install flow needs of its window: the state of a few controls, the progress
// page, and modal message boxes. The skinned main window implements it.
#pragma once

#include <windows.h>

#include <string>

#include "app/install/InstallFolderChoice.h"
#include "app/install/InstallProgress.h"

class IInstallView {
 public:
  enum Option { kOptionAgree, kOptionAuto };
  // Boxes the flow may have to close from outside while they run.
  enum BoxSlot { kBoxPlain, kBoxExit, kBoxRetry };

  struct BoxRequest {
    std::wstring text;
    std::wstring title;
    std::wstring okCaption;      // "" keeps the skin's caption
    std::wstring cancelCaption;  // "" keeps the skin's caption
    std::wstring codeLine;
    bool showClose = true;
    bool showCancelRow = false;
  };

  virtual HWND GetViewWindow() = 0;
  virtual bool HasOption(Option option) = 0;
  virtual bool IsOptionSelected(Option option) = 0;
  virtual void SelectOption(Option option, bool selected) = 0;
  // Shows the folder in the folder field (which reports the change back to the flow).
  virtual void SetFolderText(const std::wstring& folder) = 0;
  virtual void SetFolderTip(const InstallFolderChoice::TipText& tip) = 0;
  virtual bool IsPanelVisible() = 0;
  // Shows or hides the custom-install panel, growing or shrinking the window with it.
  virtual void SetPanelVisible(bool visible) = 0;
  // Shrinks the window to the progress page and shows it.
  virtual void ShowProgressPage(bool hasGameId) = 0;
  virtual int GetBarWidth() = 0;
  virtual int GetWindowHeight() = 0;
  virtual void SetBar(const std::wstring& image, int value) = 0;
  virtual void SetBubble(const InstallProgress::Bubble& bubble) = 0;
  // The bubble's font while the installer runs ("安装中") or afterwards.
  virtual void SetBubbleInstalling(bool installing) = 0;
  virtual void SetPicture(const std::wstring& image) = 0;
  // Runs a modal box owned by the window: 1 for ok, 2 for cancel or close.
  virtual int RunBox(BoxSlot slot, const BoxRequest& request) = 0;
  virtual bool IsBoxOpen(BoxSlot slot) = 0;
  virtual void CloseBox(BoxSlot slot, UINT code) = 0;
  virtual std::wstring BrowseForFolder(const std::wstring& start) = 0;

 protected:
  ~IInstallView() = default;
};
