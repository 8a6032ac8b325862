// The row of push buttons at the bottom of the layer's own dialogs (message box, folder
// chooser): layout, painting, hit testing and keys, drawn into the dialog's client area.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace jf {

class DialogButtonRow {
 public:
  struct Button {
    int id;
    std::wstring label;
  };

  DialogButtonRow(std::vector<Button> buttons, int defaultId, int cancelId);

  // Lays the buttons out right-aligned along the bottom of `client`.
  void Layout(const RECT& client);
  void Paint(HDC dc, HFONT font) const;
  // The button under a client point, or 0.
  int HitTest(POINT pt) const;
  // The answer for a key (Enter: the default, Escape: Cancel when there is one), or 0.
  int ForKey(UINT vk) const;
  int CancelId() const { return cancelId_; }
  void SetPressed(int id) { pressed_ = id; }
  // The height the row needs below the dialog's content.
  static int Height() { return kHeight + 2 * kGap; }

 private:
  static constexpr int kWidth = 80;
  static constexpr int kHeight = 26;
  static constexpr int kGap = 10;

  std::vector<Button> buttons_;
  std::vector<RECT> rects_;
  int defaultId_;
  int cancelId_;
  int pressed_ = 0;
};

// The top-left corner that centres a w x h window on its owner (or on the work area when
// there is no visible owner).
POINT CentreOn(HWND owner, int w, int h);

// Runs a nested message loop until `*done` (the dialog is modal for `owner`, which is
// disabled meanwhile). A WM_QUIT ends the loop and is posted again for the outer loop.
void RunDialogLoop(HWND dialog, HWND owner, const bool* done);

}  // namespace jf
