// Handlers that close their window, from a fuzzed skin and fuzzed input. The input holds
// sections separated by "\n##\n": the window's skin (markup), its handlers (two bytes each: a
// notification type, and the action taken on the sender when it arrives: close the window,
// remove the sender from its parent, hide it, disable it, turn the scroll bars of its nearest
// container off; each handler acts once), and a script
// of three-byte input steps (point, click, keys, wheel, time, focus, resize, paint). The window
// deletes itself at its final message. The invariant: nothing reads or writes freed memory
// (the sanitizers), and the run ends cleanly with the window gone and its object deleted.
// fuzz-dict: skin.dict
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <windows.h>

#include "tests/fuzz/FuzzSections.h"
#include "platform/testing/hooks/testinput.h"
#include "platform/testing/hooks/tick.h"
#include "tests/ui/window/RemoveControl.h"
#include "ui/base/ContainerUI.h"
#include "ui/base/ControlUI.h"
#include "ui/window/WindowImplBase.h"

namespace {

using namespace SkinUI;

// The notification types the framework sends (the sweep takes the same list from the sources).
const wchar_t* const kTypes[] = {L"click",       L"dropdown",     L"headerclick", L"itemactivate", L"itemclick",
                                 L"itemdbclick", L"itemhover",    L"itemleave",   L"itemselect",   L"killfocus",
                                 L"link",        L"menu",         L"return",      L"richeditnotify", L"scroll",
                                 L"selectchanged", L"setfocus",   L"tabselect",   L"textchanged",  L"timer",
                                 L"valuechanged", L"windowinit"};
const size_t kTypeCount = sizeof(kTypes) / sizeof(kTypes[0]);

struct Handler {
  size_t type;
  unsigned action;
  bool used;
};

struct Outcome {
  bool deleted = false;
};

class FuzzWnd : public WindowImplBase {
 public:
  FuzzWnd(std::wstring skin, std::vector<Handler>* handlers, Outcome* outcome)
      : m_skin(std::move(skin)), m_handlers(handlers), m_outcome(outcome) {}
  ~FuzzWnd() override { m_outcome->deleted = true; }
  LPCWSTR GetWindowClassName() const override { return L"JfCloseFuzzWnd"; }
  CUIString GetSkinFolder() override { return L""; }
  CUIString GetSkinFile() override { return m_skin.c_str(); }
  UINT GetResourceType() const override { return UILIB_FILE; }
  void OnSkinLoadFailed() override {}
  void OnFinalMessage(HWND hwnd) override {
    WindowImplBase::OnFinalMessage(hwnd);
    delete this;
  }
  void Notify(UINotifyMsg& msg) override {
    for (Handler& h : *m_handlers) {
      if (h.used || msg.type != kTypes[h.type]) continue;
      h.used = true;
      switch (h.action % 5) {
        case 0: ::DestroyWindow(m_hwnd); return;
        case 1: frametest::RemoveControl(msg.sender); return;
        case 2: msg.sender->SetVisible(false); return;
        case 3: msg.sender->SetEnabled(false); return;
        default: TurnScrollBarsOff(msg.sender); return;
      }
    }
    WindowImplBase::Notify(msg);
  }
  CControlUI* Pick(unsigned index) {
    std::vector<CControlUI*> all;
    Collect(m_manager.GetRoot(), all);
    return all.empty() ? nullptr : all[index % all.size()];
  }

 private:
  static void TurnScrollBarsOff(CControlUI* control) {
    for (; control; control = control->GetParent()) {
      if (auto* box = static_cast<CContainerUI*>(control->GetInterface(L"Container"))) {
        box->EnableScrollBar(false, false);
        return;
      }
    }
  }
  static void Collect(CControlUI* control, std::vector<CControlUI*>& out) {
    if (!control || out.size() >= 128) return;
    out.push_back(control);
    auto* box = static_cast<IContainerUI*>(control->GetInterface(L"IContainer"));
    for (int i = 0; box && i < box->GetCount(); ++i) Collect(box->GetItemAt(i), out);
  }

  std::wstring m_skin;
  std::vector<Handler>* m_handlers;
  Outcome* m_outcome;
};

void Pump() {
  MSG msg;
  for (int i = 0; i < 400 && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

const UINT kKeys[] = {VK_RETURN, VK_ESCAPE, VK_DOWN, VK_UP, VK_TAB, VK_SPACE, VK_HOME, VK_END, VK_PRIOR, VK_NEXT};

// The window sits at the screen's origin: client and screen points agree.
void Play(FuzzWnd* wnd, HWND hwnd, const std::string& script) {
  for (size_t i = 0; i + 3 <= script.size() && i < 3 * 64 && IsWindow(hwnd); i += 3) {
    unsigned op = static_cast<unsigned char>(script[i]) % 9;
    unsigned a = static_cast<unsigned char>(script[i + 1]);
    unsigned b = static_cast<unsigned char>(script[i + 2]);
    CControlUI* target = wnd->Pick(a);
    RECT rc = target ? target->GetPos() : RECT{0, 0, 0, 0};
    POINT mid = {static_cast<LONG>((static_cast<long long>(rc.left) + rc.right) / 2),
                 static_cast<LONG>((static_cast<long long>(rc.top) + rc.bottom) / 2)};
    switch (op) {
      case 0:  // point at a control
      case 1:  // click it (double with an odd b)
        jf::TestMouseMove(mid.x, mid.y);
        if (op == 1) jf::TestMouseClick(b % 3 == 2 ? VK_RBUTTON : VK_LBUTTON);
        if (op == 1 && b % 2) jf::TestMouseClick(VK_LBUTTON);
        break;
      case 2:
        jf::TestKeyPress(kKeys[a % (sizeof(kKeys) / sizeof(kKeys[0]))]);
        break;
      case 3:
        jf::TestTypeText(std::wstring(1, static_cast<wchar_t>(L'a' + a % 26)));
        break;
      case 4:  // the clock moves: timers and animations step
        jf::TickAdvance((a + 1) * 10);
        break;
      case 5:
        jf::TestMouseWheel(a % 2 ? WHEEL_DELTA : -WHEEL_DELTA);
        break;
      case 6:  // the focus moves to a control, from outside any message
        if (target) wnd->GetManager().SetFocus(target);
        break;
      case 7:
        SetWindowPos(hwnd, nullptr, 0, 0, 1 + a * 2, 1 + b * 2, SWP_NOMOVE | SWP_NOZORDER);
        break;
      default:
        InvalidateRect(hwnd, nullptr, FALSE);
        UpdateWindow(hwnd);
        break;
    }
    Pump();
  }
}

std::wstring Widen(const std::string& text) {
  std::wstring out;
  for (unsigned char c : text) out += static_cast<wchar_t>(c);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  jf::TickOverride(1000000);
  jf::TestSetScreen(1920, 1080, 40);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 8192) return 0;
  std::vector<std::string> sections = fuzzsections::Cut(data, size, 3);
  std::vector<Handler> handlers;
  for (size_t i = 0; i + 2 <= sections[1].size() && handlers.size() < 8; i += 2) {
    handlers.push_back(Handler{static_cast<unsigned char>(sections[1][i]) % kTypeCount,
                               static_cast<unsigned char>(sections[1][i + 1]), false});
  }
  jf::TestResetInput();
  Outcome outcome;
  auto* wnd = new FuzzWnd(Widen(sections[0]), &handlers, &outcome);
  HWND hwnd = wnd->Create(nullptr, L"fuzz", WS_POPUP | WS_VISIBLE, 0, 0, 0, 0, 0);
  if (hwnd) {
    UpdateWindow(hwnd);
    Pump();
    Play(wnd, hwnd, sections[2]);
    Pump();
    if (IsWindow(hwnd)) DestroyWindow(hwnd);
  }
  Pump();
  // A clean end: the window is gone and its object with it.
  if (IsWindow(hwnd) || !outcome.deleted) abort();
  jf::TestResetInput();
  return 0;
}
