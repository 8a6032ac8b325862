#include "platform/src/controls/DialogButtonRow.h"

namespace jf {

DialogButtonRow::DialogButtonRow(std::vector<Button> buttons, int defaultId, int cancelId)
    : buttons_(std::move(buttons)), defaultId_(defaultId), cancelId_(cancelId) {}

void DialogButtonRow::Layout(const RECT& client) {
  rects_.clear();
  int right = client.right - kGap;
  int top = client.bottom - kGap - kHeight;
  int left = right - int(buttons_.size()) * (kWidth + kGap) + kGap;
  for (size_t i = 0; i < buttons_.size(); ++i) {
    int x = left + int(i) * (kWidth + kGap);
    rects_.push_back(RECT{x, top, x + kWidth, top + kHeight});
  }
}

void DialogButtonRow::Paint(HDC dc, HFONT font) const {
  HGDIOBJ oldFont = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  for (size_t i = 0; i < buttons_.size() && i < rects_.size(); ++i) {
    RECT r = rects_[i];
    bool pressed = buttons_[i].id == pressed_;
    FillRect(dc, &r, GetSysColorBrush(pressed ? COLOR_BTNSHADOW : COLOR_BTNFACE));
    FrameRect(dc, &r, GetSysColorBrush(buttons_[i].id == defaultId_ ? COLOR_HIGHLIGHT : COLOR_BTNSHADOW));
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    DrawTextW(dc, buttons_[i].label.c_str(), int(buttons_[i].label.size()), &r,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }
  SelectObject(dc, oldFont);
}

int DialogButtonRow::HitTest(POINT pt) const {
  for (size_t i = 0; i < buttons_.size() && i < rects_.size(); ++i) {
    const RECT& r = rects_[i];
    if (pt.x >= r.left && pt.x < r.right && pt.y >= r.top && pt.y < r.bottom) return buttons_[i].id;
  }
  return 0;
}

int DialogButtonRow::ForKey(UINT vk) const {
  if (vk == VK_RETURN) return defaultId_;
  if (vk == VK_ESCAPE) return cancelId_;
  return 0;
}

POINT CentreOn(HWND owner, int w, int h) {
  RECT around{};
  if (owner == nullptr || !IsWindowVisible(owner) || !GetWindowRect(owner, &around)) {
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &around, 0);
  }
  return POINT{around.left + (around.right - around.left - w) / 2, around.top + (around.bottom - around.top - h) / 2};
}

void RunDialogLoop(HWND dialog, HWND owner, const bool* done) {
  bool disabled = owner != nullptr && IsWindow(owner) && IsWindowEnabled(owner);
  if (disabled) EnableWindow(owner, FALSE);
  MSG msg;
  while (!*done && IsWindow(dialog)) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(int(msg.wParam));
      break;
    }
    if (got < 0) break;
    // Enter and Escape belong to the dialog whichever of its controls has the focus.
    bool dialogKey = msg.message == WM_KEYDOWN && (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE);
    if (dialogKey && msg.hwnd != dialog && IsChild(dialog, msg.hwnd)) msg.hwnd = dialog;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (disabled && IsWindow(owner)) EnableWindow(owner, TRUE);
}

}  // namespace jf
