// The system message box. Without a screen it writes its caption and text to standard error
// and answers with its default button; tests answer it through their own function.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <mutex>
#include <vector>

#include "jf/testinput.h"
#include "jf/utf.h"

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
