// A whole skinned window from fuzzed files in an in-memory skin archive, then driven.
// The input holds sections separated by "\n##\n": "main.xml" (built into the window),
// "part.xml" (for its includes), a script of three-byte steps, and "pic.png"; the archive
// also holds a small valid "tiny.png". The steps point at, click, hover and key the built
// controls (a combo opens its drop-down and its rows are clicked there), advance the
// clock for the animations, resize and repaint the window.
// fuzz-dict: skin.dict
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <windows.h>

#include "tests/fuzz/FuzzSections.h"
#include "tests/fuzz/StoredZip.h"
#include "tests/ui/base/HostWnd.h"
#include "platform/testing/hooks/testinput.h"
#include "platform/testing/hooks/tick.h"
#include "ui/base/ControlUI.h"
#include "ui/base/IContainerUI.h"
#include "ui/base/UIAnimationDriver.h"
#include "ui/base/WindowManagerUI.h"
#include "ui/render/SkinRenderer.h"
#include "ui/skin/SkinBuilder.h"

namespace {

using Host = frametest::HostWnd;

void Pump() {
  MSG msg;
  for (int i = 0; i < 200 && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void Collect(SkinUI::CControlUI* control, std::vector<SkinUI::CControlUI*>& out) {
  if (!control || out.size() >= 256) return;
  out.push_back(control);
  auto* box = static_cast<SkinUI::IContainerUI*>(control->GetInterface(L"IContainer"));
  for (int i = 0; box && i < box->GetCount(); ++i) Collect(box->GetItemAt(i), out);
}

// The screen point at the middle of a control, in whichever window it is drawn now (a
// combo's rows live in its drop-down while that is open).
bool Middle(SkinUI::CControlUI* control, POINT& pt) {
  SkinUI::CWindowManagerUI* manager = control->GetManager();
  HWND hwnd = manager ? manager->GetPaintWindow() : nullptr;
  if (!hwnd || !IsWindow(hwnd)) return false;
  RECT rc = control->GetPos();
  pt = POINT{static_cast<LONG>((static_cast<long long>(rc.left) + rc.right) / 2),
             static_cast<LONG>((static_cast<long long>(rc.top) + rc.bottom) / 2)};
  return ClientToScreen(hwnd, &pt) != FALSE;
}

const UINT kKeys[] = {VK_RETURN, VK_ESCAPE, VK_DOWN, VK_UP, VK_TAB, VK_SPACE, VK_HOME, VK_END, VK_PRIOR, VK_NEXT};

void Run(Host& host, const std::string& script) {
  for (size_t i = 0; i + 3 <= script.size() && i < 3 * 64; i += 3) {
    unsigned op = static_cast<unsigned char>(script[i]) % 8;
    unsigned a = static_cast<unsigned char>(script[i + 1]);
    unsigned b = static_cast<unsigned char>(script[i + 2]);
    std::vector<SkinUI::CControlUI*> controls;
    Collect(host.manager.GetRoot(), controls);
    POINT pt = {0, 0};
    switch (op) {
      case 0:  // point at a control
      case 1:  // click it
        if (controls.empty() || !Middle(controls[a % controls.size()], pt)) break;
        jf::TestMouseMove(pt.x, pt.y);
        if (op == 1) jf::TestMouseClick(b % 2 ? VK_LBUTTON : VK_RBUTTON);
        break;
      case 2:
        jf::TestKeyPress(kKeys[a % (sizeof(kKeys) / sizeof(kKeys[0]))]);
        break;
      case 3: {  // any point of the window, or a click there
        pt = POINT{static_cast<LONG>(a * 2), static_cast<LONG>(b * 2)};
        ClientToScreen(host.GetHWND(), &pt);
        jf::TestMouseMove(pt.x, pt.y);
        if (a % 3 == 0) jf::TestMouseClick(VK_LBUTTON);
        break;
      }
      case 4:  // the clock moves: animations and timers step
        jf::TickAdvance((a + 1) * 10);
        if (SkinUI::CUIAnimationDriver* driver = host.manager.GetAnimationDriver()) driver->OnTimer();
        break;
      case 5:
        jf::TestMouseWheel(a % 2 ? WHEEL_DELTA : -WHEEL_DELTA);
        break;
      case 6:
        SetWindowPos(host.GetHWND(), nullptr, 0, 0, 1 + a * 4, 1 + b * 4, SWP_NOMOVE | SWP_NOZORDER);
        break;
      default:
        InvalidateRect(host.GetHWND(), nullptr, FALSE);
        UpdateWindow(host.GetHWND());
        break;
    }
    Pump();
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  jf::TickOverride(1000000);
  // Fill the font library's caches before the inputs run, so they are not taken for leaks.
  SkinUI::CWindowManagerUI warm;
  HDC dc = CreateCompatibleDC(nullptr);
  RECT rc = {0, 0, 120, 60};
  int none = 0;
  SkinUI::CSkinRenderer::DrawHtmlText(dc, &warm, rc, L"<b>warm</b> <i>up</i> \u4E2D", 0xFF000000, nullptr, nullptr,
                                      none, DT_WORDBREAK);
  DeleteDC(dc);
  return 0;
}

namespace {

// A document's key is a fixed point: every spelling of a file comes to one key, and that key
// spells the file again; it keeps no empty or "." part.
void CheckDocumentKey(const std::string& text) {
  std::wstring name;
  for (unsigned char c : text) name += static_cast<wchar_t>(c);
  if (name.empty() || name[0] == L'<') return;
  SkinUI::CUIString key = SkinUI::CSkinBuilder::DocumentKey(name.c_str());
  std::wstring parts = L"\\" + std::wstring(key.GetData()) + L"\\";
  if (SkinUI::CSkinBuilder::DocumentKey(key.GetData()) != key || parts.find(L"\\.\\") != std::wstring::npos ||
      (!key.IsEmpty() && parts.find(L"\\\\") != std::wstring::npos) || parts.find(L'/') != std::wstring::npos)
    abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 16384) return 0;
  std::vector<std::string> sections = fuzzsections::Cut(data, size, 4);
  CheckDocumentKey(sections[2]);
  std::string zip = fuzzzip::StoredZip({{"main.xml", sections[0]},
                               {"part.xml", sections[1]},
                               {"pic.png", sections[3]},
                               {"tiny.png", std::string(reinterpret_cast<const char*>(fuzzzip::kTinyPng), sizeof(fuzzzip::kTinyPng))}});
  BYTE* buffer = new BYTE[zip.size()];
  memcpy(buffer, zip.data(), zip.size());
  SkinUI::CWindowManagerUI::SetResourceZipBuffer(buffer, static_cast<DWORD>(zip.size()));
  SkinUI::CWindowManagerUI::SetResourceZipFromMemory();
  jf::TestResetInput();
  {
    Host host;
    if (host.Open(10, 10, 320, 240)) {
      SkinUI::CSkinBuilder builder;
      SkinUI::CControlUI* root = builder.Create(L"main.xml", nullptr, nullptr, &host.manager);
      if (root) {
        host.manager.AttachDialog(root);
        UpdateWindow(host.GetHWND());
        Run(host, sections[2]);
      }
      jf::TestKeyPress(VK_ESCAPE);
      Pump();
      DestroyWindow(host.GetHWND());
      Pump();
    }
  }
  SkinUI::CWindowManagerUI::CloseResourceZip();
  SkinUI::CWindowManagerUI::FreeResourceZipBuffer();
  return 0;
}
