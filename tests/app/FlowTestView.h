// A real (hidden) window standing in for the skinned main window in the flow tests: it hands
// its messages to the flow, records what the flow shows, and answers the flow's message boxes
// from a script. An answer of 0 runs a nested loop until the flow closes the box.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/install/IInstallView.h"
#include "app/install/InstallFlow.h"
#include "platform/testing/hooks/tick.h"
#include "platform/src/internal/ticksource.h"

class FlowTestView : public IInstallView {
 public:
  FlowTestView() {
    WNDCLASSW wc = WNDCLASSW();
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"FlowTestView";
    RegisterClassW(&wc);
    hwnd = CreateWindowExW(0, L"FlowTestView", L"", WS_POPUP, 0, 0, 540, 434, nullptr, nullptr, wc.hInstance,
                           nullptr);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~FlowTestView() {
    if (IsWindow(hwnd)) DestroyWindow(hwnd);
  }

  // One turn of a loop: what is queued, then paceMs of a manual clock (20 ms: about ten
  // times the real pace).
  static int& PaceMs() {
    static int pace = 20;
    return pace;
  }
  static void Turn() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (jf::TickIsManual()) jf::TickAdvance(PaceMs());
    Sleep(2);
  }

  HWND GetViewWindow() override { return hwnd; }
  bool HasOption(Option) override { return true; }
  bool IsOptionSelected(Option option) override { return option == kOptionAgree ? agree : autoStart; }
  void SelectOption(Option option, bool selected) override { (option == kOptionAgree ? agree : autoStart) = selected; }
  void SetFolderText(const std::wstring& folder) override {
    folderText = folder;
    if (flow) flow->OnFolderTextChanged(folder);
  }
  void SetFolderTip(const InstallFolderChoice::TipText& text) override { tip = text; }
  bool IsPanelVisible() override { return panel; }
  void SetPanelVisible(bool visible) override { panel = visible; }
  void ShowProgressPage(bool) override { progressPage = true; }
  int GetBarWidth() override { return 540; }
  int GetWindowHeight() override { return 348; }
  void SetBar(const std::wstring& image, int value) override {
    barImage = image;
    barValue = value;
  }
  void SetBubble(const InstallProgress::Bubble& b) override { bubble = b; }
  void SetBubbleInstalling(bool installing) override { bubbleInstalling = installing; }
  void SetPicture(const std::wstring& image) override { picture = image; }
  int RunBox(BoxSlot slot, const BoxRequest& request) override {
    boxes.push_back(request);
    if (onBox) onBox(request);
    int answer = answers.empty() ? 2 : answers.front();
    if (!answers.empty()) answers.pop_front();
    if (answer != 0) return answer;
    openSlot = slot;
    openResult = 0;
    // The box's own loop.
    while (openResult == 0) Turn();
    openSlot = -1;
    return openResult;
  }
  bool IsBoxOpen(BoxSlot slot) override { return openSlot == slot; }
  void CloseBox(BoxSlot slot, UINT code) override {
    if (openSlot == slot) openResult = static_cast<int>(code);
  }
  std::wstring BrowseForFolder(const std::wstring&) override { return browseAnswer; }

  InstallFlow* flow = nullptr;
  HWND hwnd = nullptr;
  bool agree = true, autoStart = true, panel = false, progressPage = false, bubbleInstalling = false;
  bool closed = false;
  UINT closeCode = 0;
  std::wstring folderText, barImage, picture, browseAnswer;
  int barValue = -1;
  InstallFolderChoice::TipText tip;
  InstallProgress::Bubble bubble;
  std::vector<BoxRequest> boxes;
  std::deque<int> answers;
  // Runs as each box opens, before its answer.
  std::function<void(const BoxRequest&)> onBox;
  int openSlot = -1, openResult = 0;

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<FlowTestView*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && self->flow) {
      bool handled = false;
      LRESULT result = self->flow->HandleMessage(message, wParam, lParam, handled);
      if (handled) return result;
    }
    if (message == WM_CLOSE && self) {
      self->closed = true;
      self->closeCode = static_cast<UINT>(wParam);
      DestroyWindow(hwnd);
      return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
};
