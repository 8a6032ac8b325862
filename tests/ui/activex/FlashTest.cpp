#include <windows.h>
#include <ocidl.h>

#include "tests/ui/base/ControlTestHost.h"
#include "tests/ui/window/ClosingWnd.h"
#include "ui/activex/FlashUI.h"
#include "ui/skin/ControlFactory.h"

using namespace uictest;
using Strings = std::vector<std::string>;

namespace {

class RecordingHandler : public CFlashEventHandler {
 public:
  ULONG Release() override { return --refs; }
  ULONG AddRef() override { return ++refs; }
  HRESULT OnReadyStateChange(long state) override { return Add("ready " + std::to_string(state)); }
  HRESULT OnProgress(long percent) override { return Add("progress " + std::to_string(percent)); }
  HRESULT FSCommand(BSTR command, BSTR args) override {
    return Add("fscommand " + Narrow(command ? command : L"") + "|" + Narrow(args ? args : L""));
  }
  HRESULT FlashCall(BSTR request) override { return Add("call " + Narrow(request ? request : L"")); }
  HRESULT Add(const std::string& entry) {
    calls.push_back(entry);
    return S_FALSE;  // the handler's own answer is passed back
  }
  ULONG refs = 1;
  Strings calls;
};

VARIANT Long(LONG v) {
  VARIANT var;
  VariantInit(&var);
  var.vt = VT_I4;
  var.lVal = v;
  return var;
}

VARIANT Text(BSTR s) {
  VARIANT var;
  VariantInit(&var);
  var.vt = VT_BSTR;
  var.bstrVal = s;
  return var;
}

using FlashTest = ControlTest;

TEST_F(FlashTest, EventsWithGoodAndMalformedArguments) {
  RecordingHandler handler;  // outlives the control, which gives its reference back
  CFlashUI flash;
  BSTR cmd = SysAllocString(L"play"), args = SysAllocString(L"loop 1");
  LONG percent = 42;
  VARIANT progressRef;
  VariantInit(&progressRef);
  progressRef.vt = VT_I4 | VT_BYREF;
  progressRef.plVal = &percent;
  VARIANT nullRef = progressRef;
  nullRef.plVal = nullptr;
  VARIANT two[2] = {Text(args), Text(cmd)};  // rgvarg[0] is the last argument
  VARIANT mixed[2] = {Long(1), Text(cmd)};
  VARIANT one[1] = {Text(cmd)};
  VARIANT state[1] = {Long(4)};
  VARIANT progress[1] = {progressRef};
  VARIANT badProgress[1] = {nullRef};
  struct Row {
    DISPID id;
    VARIANT* args;
    UINT count;
    bool nullParams;
    HRESULT answer;
    const char* call;  // what the handler got, or nothing
  };
  const Row rows[] = {
      {-609, state, 1, false, S_FALSE, "ready 4"},
      {-609, nullptr, 0, false, DISP_E_BADPARAMCOUNT, nullptr},
      {-609, one, 1, false, DISP_E_TYPEMISMATCH, nullptr},
      {1958, progress, 1, false, S_FALSE, "progress 42"},
      {1958, badProgress, 1, false, DISP_E_TYPEMISMATCH, nullptr},
      {1958, nullptr, 0, true, DISP_E_BADPARAMCOUNT, nullptr},
      {150, two, 2, false, S_FALSE, "fscommand play|loop 1"},
      {150, two, 1, false, DISP_E_BADPARAMCOUNT, nullptr},  // one argument
      {150, nullptr, 0, true, DISP_E_BADPARAMCOUNT, nullptr},
      {150, mixed, 2, false, DISP_E_TYPEMISMATCH, nullptr},
      {197, one, 1, false, S_FALSE, "call play"},
      {197, two, 2, false, E_INVALIDARG, nullptr},
      {197, state, 1, false, E_INVALIDARG, nullptr},
      {197, nullptr, 0, true, E_INVALIDARG, nullptr},
      {12345, nullptr, 0, true, S_OK, nullptr},
  };
  for (bool withHandler : {false, true}) {
    flash.SetFlashEventHandler(withHandler ? &handler : nullptr);
    for (const Row& row : rows) {
      handler.calls.clear();
      DISPPARAMS params = {row.args, nullptr, row.count, 0};
      const HRESULT hr = flash.Invoke(row.id, IID_NULL, 0, DISPATCH_METHOD, row.nullParams ? nullptr : &params, nullptr,
                                      nullptr, nullptr);
      // Without a handler a well-formed event answers S_OK.
      const HRESULT expected = !withHandler && row.answer == S_FALSE ? S_OK : row.answer;
      EXPECT_EQ(hr, expected) << row.id << " " << row.count;
      EXPECT_EQ(handler.calls, row.call && withHandler ? Strings{row.call} : Strings{}) << row.id;
    }
  }
  EXPECT_EQ(handler.refs, 2u);  // held by the control
  SysFreeString(cmd);
  SysFreeString(args);
  void* face = nullptr;
  EXPECT_EQ(flash.QueryInterface(ShockwaveFlashObjects::DIID__IShockwaveFlashEvents, &face), S_OK);
  static_cast<IUnknown*>(face)->Release();
  EXPECT_EQ(flash.QueryInterface(IID_IOleObject, &face), E_NOINTERFACE);
  UINT n = 9;
  EXPECT_EQ(flash.GetTypeInfoCount(&n), E_NOTIMPL);
}

TEST_F(FlashTest, PresetClassIsAbsentAndTheControlStaysEmpty) {
  auto* flash = new CFlashUI;
  CLSID expected = GUID_NULL;
  CLSIDFromString(L"{D27CDB6E-AE6D-11CF-96B8-444553540000}", &expected);
  EXPECT_TRUE(IsEqualCLSID(flash->GetClsid(), expected));
  EXPECT_STREQ(flash->GetClass(), L"Flash");
  EXPECT_EQ(flash->GetInterface(L"Flash"), flash);
  EXPECT_EQ(flash->GetInterface(L"ActiveX"), flash);
  flash->SetAttribute(L"homepage", L"http://127.0.0.1/");
  flash->SetAttribute(L"autonavi", L"true");
  flash->SetBkColor(0xFF0000FF);
  Place(flash, L"flash", RECT{10, 10, 110, 60});
  EXPECT_TRUE(flash->IsCreated());
  EXPECT_EQ(flash->GetFlash(), nullptr);
  EXPECT_EQ(Pixel(50, 30), 0xFFFFFFu);  // nothing painted, not even the background
  MSG key = {host_.GetHWND(), WM_KEYDOWN, 'A', 0, 0, {0, 0}};
  EXPECT_EQ(flash->TranslateAccelerator(&key), E_NOTIMPL);
  key.message = WM_MOUSEMOVE;
  EXPECT_EQ(flash->TranslateAccelerator(&key), S_FALSE);
  CControlUI* made = CControlFactory::Create(L"Flash");
  ASSERT_NE(made, nullptr);
  EXPECT_STREQ(made->GetClass(), L"Flash");
  delete made;
}

// The object's events come from its own loop: a handler that closes its self-deleting window
// from any of them leaves the element alive until the call has returned, and the object's
// release of its sink after the call meets a living element.
TEST_F(FlashTest, AHandlerClosesItsWindowFromEveryEvent) {
  struct Closer : RecordingHandler {
    HRESULT Add(const std::string& entry) {
      calls.push_back(entry);
      wnd->Destroy();
      outlived = !closing->deleted;
      return S_OK;
    }
    HRESULT OnReadyStateChange(long) override { return Add("ready"); }
    HRESULT OnProgress(long) override { return Add("progress"); }
    HRESULT FSCommand(BSTR, BSTR) override { return Add("fscommand"); }
    HRESULT FlashCall(BSTR) override { return Add("call"); }
    frametest::ClosingWnd* wnd = nullptr;
    frametest::Closing* closing = nullptr;
    bool outlived = false;
  };
  BSTR text = SysAllocString(L"x");
  VARIANT two[2] = {Text(text), Text(text)};
  VARIANT one[1] = {Long(4)};
  VARIANT call[1] = {Text(text)};
  const std::pair<DISPID, DISPPARAMS> events[] = {
      {-609, {one, nullptr, 1, 0}}, {1958, {one, nullptr, 1, 0}}, {150, {two, nullptr, 2, 0}}, {197, {call, nullptr, 1, 0}}};
  for (auto [id, params] : events) {
    SCOPED_TRACE(id);
    Closer handler;  // outlives the window
    frametest::Closing closing;
    HWND hwnd = nullptr;
    handler.closing = &closing;
    handler.wnd = frametest::ClosingWnd::Open(L"<Window size=\"200,100\"><Flash name=\"f\"/></Window>", &closing, &hwnd);
    ASSERT_NE(handler.wnd, nullptr);
    auto* flash = static_cast<CFlashUI*>(handler.wnd->Find(L"f"));
    flash->SetFlashEventHandler(&handler);
    // As the object's connection point delivers: the sink held for the call.
    IDispatch* sink = flash;
    sink->AddRef();
    sink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    sink->Release();
    EXPECT_EQ(handler.calls.size(), 1u);
    EXPECT_TRUE(handler.outlived) << "the window object went inside the object's call";
    Pump();
    EXPECT_TRUE(closing.deleted);
    EXPECT_FALSE(IsWindow(hwnd));
  }
  SysFreeString(text);
}

}  // namespace
