// Attribute lists applied to the base control, a container, both layouts and a scroll bar,
// which are then placed and painted into a memory DC: every number list, colour and flag
// the lists can set goes through layout and painting.
#include <cstddef>
#include <cstdint>
#include <string>

#include <windows.h>

#include "ui/base/ControlUI.h"
#include "ui/base/ScrollBarUI.h"
#include "ui/base/ContainerUI.h"
#include "ui/layout/HorizontalLayoutUI.h"
#include "ui/layout/VerticalLayoutUI.h"

namespace {

// Two bytes make one character, so the lists reach beyond ASCII.
std::wstring Decode(const uint8_t* data, size_t size) {
  std::wstring text;
  for (size_t i = 0; i + 1 < size; i += 2) {
    wchar_t ch = static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
    if (ch == 0) ch = L' ';
    text.push_back(ch);
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::wstring list = Decode(data, size);
  SkinUI::CVerticalLayoutUI root;
  root.ApplyAttributeList(list.c_str());
  auto* row = new SkinUI::CHorizontalLayoutUI;
  row->ApplyAttributeList(list.c_str());
  auto* box = new SkinUI::CContainerUI;
  box->ApplyAttributeList(list.c_str());
  auto* control = new SkinUI::CControlUI;
  control->ApplyAttributeList(list.c_str());
  auto* bar = new SkinUI::CScrollBarUI;
  bar->ApplyAttributeList(list.c_str());
  box->Add(control);
  row->Add(box);
  row->Add(bar);
  root.Add(row);
  root.Add(new SkinUI::CControlUI);
  root.SetPos(RECT{0, 0, 64, 48});
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, 64, 48);
  HGDIOBJ old = SelectObject(dc, bitmap);
  root.DoPaint(dc, RECT{0, 0, 64, 48});
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return 0;
}
