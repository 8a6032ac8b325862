// A skinned window built from a small inline skin, for the window tests.
#pragma once
#include <string>
#include <vector>

#include "tests/ui/base/FrameTestSupport.h"
#include "ui/window/WindowImplBase.h"

namespace frametest {

using namespace SkinUI;

// 200 x 120: a grey caption (30 high) with a title and a close button, a panel drawn with a
// nine-grid image (red corners of 4 pixels, green middle) and a white line of text.
inline const wchar_t kSkin[] =
    L"<Window size=\"200,120\" caption=\"0,0,0,30\" sizebox=\"4,4,4,4\" roundcorner=\"12,12\">"
    L"<Font name=\"DejaVu Sans\" size=\"14\" default=\"true\"/>"
    L"<VerticalLayout name=\"root\" bkcolor=\"#FF204060\">"
    L"<HorizontalLayout name=\"caption\" height=\"30\" bkcolor=\"#FF808080\">"
    L"<Label name=\"title\" text=\"Title\" textcolor=\"#FFFFFFFF\"/>"
    L"<Button name=\"btn_close\" width=\"30\" bkcolor=\"#FFC00000\"/>"
    L"</HorizontalLayout>"
    L"<Control name=\"panel\" padding=\"10,10,10,10\" height=\"40\" bkimage=\"file='grid.png' corner='4,4,4,4'\"/>"
    L"<Label name=\"text\" height=\"24\" padding=\"10,0,10,0\" text=\"Hello\" textcolor=\"#FF000000\" "
    L"bkcolor=\"#FFFFFFFF\"/>"
    L"</VerticalLayout></Window>";

class SkinWnd : public WindowImplBase {
 public:
  explicit SkinWnd(std::wstring skin = kSkin, UINT type = UILIB_FILE) : m_skin(std::move(skin)), m_type(type) {}
  LPCWSTR GetWindowClassName() const override { return L"JfSkinWnd"; }
  CUIString GetSkinFolder() override { return L""; }
  CUIString GetSkinFile() override { return m_skin.c_str(); }
  UINT GetResourceType() const override { return m_type; }
  LPCWSTR GetSkinResourceID() const override { return MAKEINTRESOURCEW(4711); }
  void InitWindow() override { ++initialised; }
  void Notify(UINotifyMsg& msg) override {
    notes.push_back(frametest::Narrow(msg.sender->GetName()) + ":" + frametest::Narrow(msg.type));
    WindowImplBase::Notify(msg);
  }
  LRESULT OnClose(UINT, WPARAM, LPARAM, bool& handled) override {
    ++closes;
    handled = !allowClose;
    return 0;
  }
  void OnFinalMessage(HWND hwnd) override {
    WindowImplBase::OnFinalMessage(hwnd);
    ++finals;
  }
  std::wstring m_skin;
  UINT m_type;
  int initialised = 0;
  int closes = 0;
  int finals = 0;
  bool allowClose = true;
  std::vector<std::string> notes;
};

}  // namespace frametest
