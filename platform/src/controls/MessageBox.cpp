// The system message box: a plain modal box with its own message loop on screen. Without a
// screen it writes its caption and text to standard error and answers with its default
// button; tests answer it through their own function.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/src/controls/DialogButtonRow.h"
#include "platform/src/controls/ControlDefault.h"
#include "platform/src/display/DisplayArea.h"
#include "platform/testing/hooks/testinput.h"
#include "platform/src/internal/utf.h"

namespace {

using Answer = std::function<int(HWND, const std::wstring&, const std::wstring&, UINT)>;

std::mutex g_lock;
Answer& TestAnswer() {
  static Answer* answer = new Answer;
  return *answer;
}

// The buttons of each box type, left to right.
std::vector<int> Buttons(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
    default: return {IDOK};
  }
}

const wchar_t* Label(int id) {
  switch (id) {
    case IDOK: return L"确定";
    case IDCANCEL: return L"取消";
    case IDABORT: return L"中止";
    case IDRETRY: return L"重试";
    case IDIGNORE: return L"忽略";
    case IDYES: return L"是";
    case IDNO: return L"否";
    default: return L"";
  }
}

const wchar_t kBoxClass[] = L"JfMessageBox";
constexpr int kTextMargin = 20;
constexpr int kMaxTextWidth = 420;

struct Box {
  std::wstring text;
  jf::DialogButtonRow row;
  int result = 0;
  bool done = false;
  HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
};

void Finish(Box* box, int id) {
  if (id == 0 || box->done) return;
  box->result = id;
  box->done = true;
}

void PaintBox(HWND hwnd, Box* box) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT client{};
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  RECT top = client;
  top.bottom -= jf::DialogButtonRow::Height();
  FillRect(dc, &top, GetSysColorBrush(COLOR_WINDOW));
  HGDIOBJ old = SelectObject(dc, box->font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  RECT text{kTextMargin, kTextMargin, client.right - kTextMargin, top.bottom - kTextMargin};
  DrawTextW(dc, box->text.c_str(), int(box->text.size()), &text, DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
  SelectObject(dc, old);
  box->row.Paint(dc, box->font);
  EndPaint(hwnd, &ps);
}

void PressButton(HWND hwnd, Box* box, POINT pt) {
  box->row.SetPressed(box->row.HitTest(pt));
  InvalidateRect(hwnd, nullptr, FALSE);
}

void ReleaseButton(HWND hwnd, Box* box, POINT pt) {
  int id = box->row.HitTest(pt);
  box->row.SetPressed(0);
  InvalidateRect(hwnd, nullptr, FALSE);
  Finish(box, id);
}

LRESULT BoxMessage(HWND hwnd, Box* box, UINT msg, WPARAM wParam, LPARAM lParam) {
  POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  switch (msg) {
    case WM_PAINT: PaintBox(hwnd, box); return 0;
    case WM_LBUTTONDOWN: PressButton(hwnd, box, pt); return 0;
    case WM_LBUTTONUP: ReleaseButton(hwnd, box, pt); return 0;
    case WM_KEYDOWN: Finish(box, box->row.ForKey(UINT(wParam))); return 0;
    // The close box answers Cancel, or OK for a box with only that.
    case WM_CLOSE: Finish(box, box->row.CancelId()); return 0;
    default: return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

LRESULT CALLBACK BoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  JF_CONTROL_ENTRY(hwnd, msg, wParam, lParam);
  if (msg == WM_NCCREATE) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
  }
  auto box = reinterpret_cast<Box*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (box == nullptr) return DefWindowProcW(hwnd, msg, wParam, lParam);
  return BoxMessage(hwnd, box, msg, wParam, lParam);
}

// The box on screen: sized to its text, centred on its owner (or the work area).
int ShowBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type,
            const std::vector<int>& buttons, int fallback) {
  static const bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = BoxProc;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kBoxClass;
    return RegisterClassExW(&wc) != 0;
  }();
  (void)registered;
  std::vector<jf::DialogButtonRow::Button> row;
  bool hasCancel = false;
  for (int id : buttons) {
    row.push_back({id, Label(id)});
    hasCancel = hasCancel || id == IDCANCEL;
  }
  int cancel = hasCancel ? IDCANCEL : (buttons.size() == 1 ? buttons[0] : 0);
  Box box{text, jf::DialogButtonRow(row, fallback, cancel)};
  HDC measure = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(measure, box.font);
  RECT textRect{0, 0, kMaxTextWidth, 0};
  DrawTextW(measure, text.c_str(), int(text.size()), &textRect, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
  SelectObject(measure, old);
  DeleteDC(measure);
  int width = std::max<int>(textRect.right + 2 * kTextMargin, int(buttons.size()) * 90 + 30);
  int height = int(textRect.bottom) + 2 * kTextMargin + jf::DialogButtonRow::Height();
  DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  DWORD exStyle = WS_EX_DLGMODALFRAME | ((type & MB_TOPMOST) != 0 ? WS_EX_TOPMOST : 0);
  RECT frame{0, 0, std::max(width, 200), height};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  int w = frame.right - frame.left, h = frame.bottom - frame.top;
  POINT at = jf::CentreOn(owner, w, h);
  HWND hwnd = CreateWindowExW(exStyle, kBoxClass, caption.c_str(), style, at.x, at.y, w, h, owner, nullptr, nullptr, &box);
  if (hwnd == nullptr) return 0;
  RECT client{};
  GetClientRect(hwnd, &client);
  box.row.Layout(client);
  ShowWindow(hwnd, SW_SHOW);
  SetFocus(hwnd);
  jf::RunDialogLoop(hwnd, owner, &box.done);
  DestroyWindow(hwnd);
  return box.done ? box.result : fallback;
}

}  // namespace

namespace jf {

void TestSetMessageBoxAnswer(Answer answer) {
  std::lock_guard<std::mutex> guard(g_lock);
  TestAnswer() = std::move(answer);
}

}  // namespace jf

int WINAPI MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  std::wstring body = text != nullptr ? text : L"";
  std::wstring title = caption != nullptr ? caption : L"Error";
  std::vector<int> buttons = Buttons(type);
  size_t def = (type & MB_DEFMASK) >> 8;
  int fallback = buttons[def < buttons.size() ? def : 0];
  Answer answer;
  {
    std::lock_guard<std::mutex> guard(g_lock);
    answer = TestAnswer();
  }
  if (!answer && jf::X11Active()) return ShowBox(owner, body, title, type, buttons, fallback);
  // The box is modal for its owner.
  bool disabled = owner != nullptr && IsWindow(owner) && IsWindowEnabled(owner);
  if (disabled) EnableWindow(owner, FALSE);
  int result = fallback;
  if (answer) {
    result = answer(owner, body, title, type);
    // A box can only answer with one of its buttons (or Cancel when it has one).
    bool valid = std::find(buttons.begin(), buttons.end(), result) != buttons.end();
    if (!valid) result = fallback;
  } else {
    std::string line = jf::ToUtf8(title) + ": " + jf::ToUtf8(body) + "\n";
    fwrite(line.data(), 1, line.size(), stderr);
    fflush(stderr);
  }
  if (disabled && IsWindow(owner)) EnableWindow(owner, TRUE);
  return result;
}
