#include <windows.h>
#include <ocidl.h>

#include "tests/ui/base/ControlTestHost.h"
#include "ui/activex/ActiveXCtrl.h"
#include "ui/activex/ActiveXUI.h"
#include "tests/ui/activex/RecordingControl.h"
#include "ui/skin/ControlFactory.h"

using namespace uictest;
using namespace axtest;

namespace {

class ActiveXTest : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    ASSERT_EQ(CoRegisterClassObject(kTestControl, &factory_, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_), S_OK);
  }
  void TearDown() override {
    root_->RemoveAll();
    Pump();
    CoRevokeClassObject(cookie_);
    ControlTest::TearDown();
  }
  CActiveXUI* Make(RecordingControl::Options options, RECT rc = RECT{20, 20, 120, 80}) {
    factory_.options = options;
    auto* ax = new CActiveXUI;
    ax->SetAttribute(L"clsid", kTestControlText);
    return Place(ax, L"ax", rc);
  }
  RecordingFactory factory_;
  DWORD cookie_ = 0;
};

TEST_F(ActiveXTest, CreationStepsAndTheirBranches) {
  struct Row {
    DWORD status;
    HRESULT initNew;
    Strings steps;
    bool created;
  };
  const Row rows[] = {
      {0, S_OK,
       {"GetMiscStatus", "InitNew", "SetClientSite", "SetHostNames UIActiveX", "DoVerb -5", "SetSite"}, true},
      {OLEMISC_SETCLIENTSITEFIRST, S_OK,
       {"GetMiscStatus", "SetClientSite", "InitNew", "SetHostNames UIActiveX", "DoVerb -5", "SetSite"}, true},
      {OLEMISC_INVISIBLEATRUNTIME, S_OK, {"GetMiscStatus", "InitNew", "SetClientSite", "SetHostNames UIActiveX", "SetSite"},
       true},
      {0, E_FAIL, {"GetMiscStatus", "InitNew"}, false},
  };
  for (const Row& row : rows) {
    root_->RemoveAll();
    Pump();
    factory_.log.clear();
    log_.entries.clear();
    CActiveXUI* ax = Make({row.status, true, row.initNew});
    EXPECT_TRUE(ax->IsCreated());  // created at the first layout, failed or not
    EXPECT_EQ(factory_.log, row.steps);
    EXPECT_EQ(log_.Of("showactivex").size(), row.created ? 1u : 0u);
    IOleObject* object = nullptr;
    EXPECT_EQ(ax->GetControl(IID_IOleObject, reinterpret_cast<void**>(&object)), S_OK);
    if (object) object->Release();
  }
}

TEST_F(ActiveXTest, WindowlessObjectIsSizedPaintedAndFedMessages) {
  CActiveXUI* ax = Make({});
  RecordingControl* control = factory_.last;
  ASSERT_TRUE(ax->GetSite()->IsWindowless());
  EXPECT_EQ(ax->GetHostWindow(), host_.GetHWND());
  // 100 x 60 pixels at 96 dpi.
  EXPECT_EQ(control->extent.cx, 2646);
  EXPECT_EQ(control->extent.cy, 1588);
  EXPECT_EQ(control->rects.left, 20);
  EXPECT_EQ(control->rects.top, 20);
  Layout();
  EXPECT_GT(control->draws, 0);
  EXPECT_EQ(Pixel(30, 30), 0xFF0000u);  // BGR order of the pixel read does not matter for pure red/blue
  Png("activex_windowless");

  struct Row {
    UINT msg;
    LPARAM at;
    POINT cursor;  // client coordinates
    bool handled;
    bool passed;
  };
  // WM_SETCURSOR carries a hit-test code: the object is asked about the cursor's position.
  const LPARAM cursorCode = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
  const Row rows[] = {
      {WM_MOUSEMOVE, MAKELPARAM(40, 40), {100, 40}, true, true},    // left half: a hit
      {WM_MOUSEMOVE, MAKELPARAM(100, 40), {40, 40}, false, false},  // right half: not for the object
      {WM_SETCURSOR, cursorCode, {40, 40}, false, true},            // passed on, left unhandled
      {WM_SETCURSOR, cursorCode, {100, 40}, false, false},          // the cursor is off the object
      {WM_KEYDOWN, 0, {40, 40}, false, false},                      // not focused
      {WM_CONTEXTMENU, 0, {40, 40}, false, true},
      {WM_TIMER, 0, {40, 40}, false, false},
  };
  for (const Row& row : rows) {
    POINT screen = row.cursor;
    ClientToScreen(host_.GetHWND(), &screen);
    jf::TestMouseMove(screen.x, screen.y);
    control->messages.clear();
    bool handled = false;
    const LRESULT result = ax->MessageHandler(row.msg, 0, row.at, handled);
    EXPECT_EQ(handled, row.handled) << std::hex << row.msg;
    EXPECT_EQ(!control->messages.empty(), row.passed) << std::hex << row.msg;
    EXPECT_EQ(result, row.passed ? 5 : 0);
  }
  // Holding the capture, the object gets the pointer everywhere.
  ax->GetSite()->SetCapture(TRUE);
  bool handled = false;
  ax->MessageHandler(WM_MOUSEMOVE, 0, MAKELPARAM(100, 40), handled);
  EXPECT_TRUE(handled);
  ax->GetSite()->SetCapture(FALSE);
}

TEST_F(ActiveXTest, WindowedObjectGetsAChildWindowThatFollowsTheControl) {
  CActiveXUI* ax = Make({0, false, S_OK});
  RecordingControl* control = factory_.last;
  ASSERT_FALSE(ax->GetSite()->IsWindowless());
  HWND child = ax->GetHostWindow();
  ASSERT_TRUE(IsWindow(child));
  wchar_t cls[32] = {};
  GetClassNameW(child, cls, 32);
  EXPECT_STREQ(cls, L"ActiveXWnd");
  EXPECT_EQ(GetParent(child), host_.GetHWND());
  EXPECT_EQ(control->rects.left, 0);  // at (0,0) of its window
  ax->SetPos(RECT{30, 40, 90, 70});
  RECT rc = {};
  GetWindowRect(child, &rc);
  EXPECT_EQ(rc.left, kX + 30);
  EXPECT_EQ(rc.bottom - rc.top, 30);
  ax->SetVisible(false);
  EXPECT_FALSE(IsWindowVisible(child));
  bool handled = false;
  ax->MessageHandler(WM_MOUSEMOVE, 0, MAKELPARAM(40, 50), handled);
  EXPECT_FALSE(handled);  // no filter for a windowed object
}

TEST_F(ActiveXTest, ReleaseOrderLateCallsAndOneAcceleratorTable) {
  CActiveXUI* ax = Make({});
  IOleClientSite* site = factory_.last->site_;
  site->AddRef();  // an object that keeps its site past the release
  IOleInPlaceSite* inPlace = nullptr;
  ASSERT_EQ(site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&inPlace)), S_OK);
  IOleInPlaceFrame* frame = nullptr;
  IOleInPlaceUIWindow* doc = nullptr;
  RECT pos, clip;
  OLEINPLACEFRAMEINFO info[2] = {};
  for (auto& i : info) {
    ASSERT_EQ(inPlace->GetWindowContext(&frame, &doc, &pos, &clip, &i), S_OK);
    EXPECT_EQ(doc, nullptr);
    frame->Release();
  }
  EXPECT_NE(info[0].haccel, nullptr);
  EXPECT_EQ(info[0].haccel, info[1].haccel);  // one table per control
  EXPECT_EQ(info[0].hwndFrame, host_.GetHWND());
  EXPECT_EQ(inPlace->GetWindowContext(nullptr, &doc, &pos, &clip, &info[0]), E_POINTER);

  factory_.log.clear();
  ax->ReleaseControl();
  EXPECT_EQ(factory_.log, (Strings{"SetSite(null)", "Close 1", "SetClientSite(null)"}));
  EXPECT_FALSE(DestroyAcceleratorTable(info[0].haccel));  // destroyed with the release
  HWND hwnd = nullptr;
  IOleInPlaceSiteWindowless* windowless = nullptr;
  ASSERT_EQ(site->QueryInterface(IID_IOleInPlaceSiteWindowless, reinterpret_cast<void**>(&windowless)), S_OK);
  EXPECT_EQ(inPlace->GetWindow(&hwnd), E_UNEXPECTED);
  EXPECT_EQ(site->ShowObject(), E_UNEXPECTED);
  EXPECT_EQ(windowless->SetFocus(TRUE), E_UNEXPECTED);
  EXPECT_EQ(windowless->OnInPlaceActivateEx(nullptr, ACTIVATE_WINDOWLESS), E_UNEXPECTED);
  windowless->Release();
  inPlace->Release();
  // The site keeps the object's view and in-place faces until its own last reference goes.
  EXPECT_NE(factory_.log.back(), "deleted");
  site->Release();
  EXPECT_EQ(factory_.log.back(), "deleted");
}

// An object that deactivates and activates again is one message filter of the window, and
// none once the control is gone.
TEST_F(ActiveXTest, ReactivationKeepsOneMessageFilter) {
  CActiveXUI* ax = Make({});
  RecordingControl* control = factory_.last;
  CActiveXCtrl* site = ax->GetSite();
  for (int round = 0; round < 3; ++round) {
    ASSERT_EQ(site->OnInPlaceDeactivateEx(TRUE), S_OK);
    ASSERT_EQ(site->OnInPlaceActivateEx(nullptr, ACTIVATE_WINDOWLESS), S_OK);
  }
  control->messages.clear();
  ::SendMessageW(host_.GetHWND(), WM_CONTEXTMENU, 0, 0);
  EXPECT_EQ(control->messages.size(), 1u) << "each filter entry passes the message on once";
  root_->SetDelayedDestroy(false);
  root_->Remove(ax);
  ::SendMessageW(host_.GetHWND(), WM_CONTEXTMENU, 0, 0);  // no filter left behind (checked under ASan)
  ::SendMessageW(host_.GetHWND(), WM_MOUSEMOVE, 0, MAKELPARAM(30, 30));
  Pump();
}

TEST_F(ActiveXTest, ClassNamesProgIdsAndUnknownClasses) {
  auto* ax = new CActiveXUI;
  EXPECT_FALSE(ax->CreateControl(GUID_NULL));
  EXPECT_TRUE(ax->CreateControl(kTestControl));
  EXPECT_FALSE(ax->CreateControl(L"{not a class}"));  // refused: the previous class stays
  EXPECT_TRUE(IsEqualCLSID(ax->GetClsid(), kTestControl));
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, L"JfTest.Recording\\CLSID", 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(kTestControlText), sizeof(kTestControlText));
  RegCloseKey(key);
  ax->SetAttribute(L"delaycreate", L"false");
  EXPECT_TRUE(ax->IsCreated());  // at the attribute, without a layout
  std::wstring longName = L"JfTest.Recording" + std::wstring(120, L'x');
  EXPECT_FALSE(ax->CreateControl(longName.c_str()));
  EXPECT_TRUE(ax->CreateControl(L"JfTest.Recording"));  // the ProgID of the same class
  EXPECT_TRUE(ax->IsCreated());
  delete ax;
  RegDeleteKeyW(HKEY_CLASSES_ROOT, L"JfTest.Recording\\CLSID");
  RegDeleteKeyW(HKEY_CLASSES_ROOT, L"JfTest.Recording");

  // No such class on this system: the control stays empty and draws nothing.
  auto* empty = new CActiveXUI;
  empty->SetAttribute(L"clsid", L"{6A1C0E52-77B3-4D1E-9F0A-3C5D2B8E4F71}");
  empty->SetBkColor(0xFF0000FF);
  Place(empty, L"empty", RECT{200, 20, 260, 60});
  EXPECT_TRUE(empty->IsCreated());
  IOleObject* object = nullptr;
  EXPECT_EQ(empty->GetControl(IID_IOleObject, reinterpret_cast<void**>(&object)), OLE_E_BLANK);
  EXPECT_EQ(Pixel(230, 40), 0xFFFFFFu);
  CControlUI* made = CControlFactory::Create(L"ActiveX");
  ASSERT_NE(made, nullptr);
  EXPECT_STREQ(made->GetClass(), L"ActiveXUI");
  EXPECT_EQ(made->GetInterface(L"ActiveX"), made);
  delete made;
}

}  // namespace

// ---- A windowed object that goes away while its host window handles the message that asked
// for it: the host window object outlives its own message ----

// Deactivates itself when asked to become UI-active or active in place, or asks for the
// focus when asked to become UI-active.
class LeavingControl : public RecordingControl {
 public:
  enum Mode { kDeactivateOnUIActivate, kFocusOnUIActivate, kDeactivateOnActivate };
  LeavingControl(Options o, Strings* log, Mode mode) : RecordingControl(o, log), m_mode(mode) {}
  HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent, LPCRECT) override {
    log_->push_back("DoVerb " + std::to_string(verb));
    parent_ = parent;
    AddRef();  // the host may release this object inside the call
    IOleInPlaceSiteWindowless* inPlace = nullptr;
    site->QueryInterface(IID_IOleInPlaceSiteWindowless, reinterpret_cast<void**>(&inPlace));
    if (verb == OLEIVERB_INPLACEACTIVATE && !m_asked) {
      HWND window = nullptr;
      inPlace->GetWindow(&window);  // the host window, without activation yet
      m_asked = true;
    } else if (verb == OLEIVERB_INPLACEACTIVATE) {
      inPlace->OnInPlaceActivate();
      if (m_mode == kDeactivateOnActivate) inPlace->OnInPlaceDeactivate();
    } else if (verb == OLEIVERB_UIACTIVATE) {
      inPlace->OnUIActivate();
      if (m_mode == kDeactivateOnUIActivate) inPlace->OnInPlaceDeactivate();
      if (m_mode == kFocusOnUIActivate) inPlace->SetFocus(TRUE);
    }
    inPlace->Release();
    Release();
    return S_OK;
  }

 private:
  Mode m_mode;
  bool m_asked = false;
};

TEST_F(ActiveXTest, AnObjectLeavingInsideItsHostWindowsMessage) {
  struct Row {
    const char* road;
    LeavingControl::Mode mode;
    UINT msg;
  };
  const Row rows[] = {{"deactivated when asked to be UI-active", LeavingControl::kDeactivateOnUIActivate, WM_SETFOCUS},
                      {"released by a setfocus handler", LeavingControl::kFocusOnUIActivate, WM_SETFOCUS},
                      {"deactivated when activated by a click", LeavingControl::kDeactivateOnActivate,
                       WM_MOUSEACTIVATE}};
  struct Releaser : INotifyUI {
    void Notify(UINotifyMsg& msg) override {
      if (msg.type == L"setfocus" && msg.sender == ax) ax->ReleaseControl();
    }
    CActiveXUI* ax = nullptr;
  } releaser;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.road);
    root_->RemoveAll();
    Pump();
    factory_.make = [&](RecordingControl::Options o, Strings* log) { return new LeavingControl(o, log, row.mode); };
    CActiveXUI* ax = Make({0, false, S_OK});
    HWND child = ax->GetHostWindow();
    ASSERT_TRUE(IsWindow(child));
    // Shown, as a laid-out windowed object is.
    ::SetWindowPos(child, nullptr, 20, 20, 100, 60, SWP_NOZORDER | SWP_SHOWWINDOW);
    if (row.mode == LeavingControl::kFocusOnUIActivate) {
      releaser.ax = ax;
      host_.manager.AddNotifier(&releaser);
    }
    if (row.msg == WM_SETFOCUS) {
      ::SetFocus(child);
    } else {
      ::SendMessageW(child, WM_MOUSEACTIVATE, WPARAM(host_.GetHWND()), MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN));
    }
    host_.manager.RemoveNotifier(&releaser);
    Pump();
    EXPECT_FALSE(IsWindow(child));
    EXPECT_EQ(ax->GetHostWindow(), nullptr);
  }
  factory_.make = nullptr;
}
