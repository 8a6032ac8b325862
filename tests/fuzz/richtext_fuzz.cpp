// Rich-text markup drawn and measured into a small off-screen bitmap.
// fuzz-dict: skin.dict
#include <cstddef>
#include <cstdint>
#include <string>

#include <windows.h>

#include "ui/render/SkinRenderer.h"
#include "ui/base/WindowManagerUI.h"

namespace {
SkinUI::CWindowManagerUI* manager = nullptr;
HDC dc = nullptr;
}  // namespace

// The font library keeps caches of its own from the first text on: fill them before the
// inputs run, so they are not taken for leaks of an input.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  manager = new SkinUI::CWindowManagerUI();
  dc = CreateCompatibleDC(nullptr);
  SelectObject(dc, CreateCompatibleBitmap(dc, 120, 60));
  RECT rc = {0, 0, 120, 60};
  int none = 0;
  SkinUI::CSkinRenderer::DrawHtmlText(dc, manager, rc, L"<b>warm</b> <i>up</i> <u>x</u> \u4E2D", 0xFF000000,
                                      nullptr, nullptr, none, DT_WORDBREAK);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 2048) return 0;
  UINT styles[] = {0, DT_SINGLELINE, DT_WORDBREAK, DT_SINGLELINE | DT_END_ELLIPSIS | DT_CENTER | DT_VCENTER,
                   DT_WORDBREAK | DT_RIGHT | DT_BOTTOM};
  UINT style = styles[data[0] % 5];
  std::wstring text;
  for (size_t i = 1; i < size; ++i) text.push_back(static_cast<wchar_t>(data[i]));
  RECT links[4];
  SkinUI::CUIString names[4];
  int count = 4;
  RECT rc = {0, 0, 120, 60};
  SkinUI::CSkinRenderer::DrawHtmlText(dc, manager, rc, text.c_str(), 0xFF000000, links, names, count, style);
  RECT measure = {0, 0, 120, 60};
  int none = 0;
  SkinUI::CSkinRenderer::DrawHtmlText(dc, manager, measure, text.c_str(), 0xFF000000, nullptr, nullptr, none,
                                      style | DT_CALCRECT);
  return 0;
}
