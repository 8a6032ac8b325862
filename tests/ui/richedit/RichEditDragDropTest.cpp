#include <richedit.h>
#include <shellapi.h>
#include <textserv.h>

#include "platform/src/user/UserArea.h"
#include "tests/platform/display/DragProbes.h"
#include "platform/testing/hooks/tick.h"
#include "tests/ui/base/ControlTestHost.h"
#include "ui/richedit/RichEditUI.h"
#include "ui/richedit/TxtWinHost.h"

using namespace uictest;
using Strings = std::vector<std::string>;

namespace {

class RichEditDragDropTest : public ControlTest {
 protected:
  CRichEditUI* Make(const wchar_t* text, DWORD mask = ENM_DRAGDROPDONE | ENM_DROPFILES,
                    RECT rc = RECT{10, 10, 310, 110}, const wchar_t* name = L"r") {
    auto* edit = Place(new CRichEditUI, name, rc);
    edit->SetText(text);
    Send(edit, EM_SETEVENTMASK, 0, LPARAM(mask));
    edit->SetDropEnabled(true);
    return edit;
  }
  LRESULT Send(CRichEditUI* edit, UINT msg, WPARAM w = 0, LPARAM l = 0) {
    LRESULT result = 0;
    edit->TxSendMessage(msg, w, l, &result);
    return result;
  }
  // Client point of a character (its middle, vertically).
  POINT At(CRichEditUI* edit, LONG cp) {
    POINT p = edit->PosFromChar(cp);
    return POINT{p.x + 2, p.y + 6};
  }
  // Selects [from, to), presses inside it and lets go at character `to` (Ctrl held when asked).
  void DragSelection(CRichEditUI* edit, LONG from, LONG to, LONG drop, bool ctrl) {
    edit->SetSel(0);
    CHARRANGE cr = {from, to};
    Send(edit, EM_EXSETSEL, 0, LPARAM(&cr));
    const POINT down = At(edit, from + 1), up = At(edit, drop);
    Down(down.x, down.y);
    // The move starts the drag; its loop then takes the release.
    jf::TestMouseMove(kX + up.x, kY + up.y);
    if (ctrl) jf::TestKey(VK_CONTROL, true);
    jf::TestMouseButton(VK_LBUTTON, false);
    if (ctrl) jf::TestKey(VK_CONTROL, false);
    Pump();
  }
  // Drags `data` from outside the control and drops it at character `cp`.
  HRESULT DropAt(CRichEditUI* edit, IDataObject* data, LONG cp, DWORD* effect) {
    return DropAtPoint(data, At(edit, cp), effect);
  }
  // The same at a client point.
  HRESULT DropAtPoint(IDataObject* data, POINT p, DWORD* effect) {
    jf::TestMouseMove(kX + 400, kY + 300);
    jf::TestMouseButton(VK_LBUTTON, true);
    Pump();
    jf::TestMouseMove(kX + p.x, kY + p.y);
    dndtest::ScriptSource source;
    source.steps = {[] { jf::TestMouseButton(VK_LBUTTON, false); }};
    const HRESULT hr = DoDragDrop(data, &source, DROPEFFECT_COPY | DROPEFFECT_MOVE, effect);
    Pump();
    return hr;
  }
  Strings Notices() {
    Strings out;
    for (const std::string& e : log_.entries) {
      if (e.find(":richeditnotify ") != std::string::npos) out.push_back(e.substr(e.find(' ') + 1, e.find(',') - e.find(' ') - 1));
    }
    return out;
  }
};

TEST_F(RichEditDragDropTest, TheSelectionMovesInsideTheControlAndCtrlCopiesIt) {
  struct Row {
    LONG from, to, drop;
    bool ctrl;
    const wchar_t* text;
    LONG selMin, selMax;
  };
  const Row rows[] = {
      {0, 5, 11, false, L" worldhello", 6, 11},
      {0, 5, 11, true, L"hello worldhello", 11, 16},
      {6, 11, 0, false, L"worldhello ", 0, 5},
      {6, 11, 0, true, L"worldhello world", 0, 5},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.from << ".." << row.to << " to " << row.drop << (row.ctrl ? " ctrl" : ""));
    root_->RemoveAll();
    log_.entries.clear();
    jf::TickAdvance(1000);  // the press is no double click with the last row's
    CRichEditUI* edit = Make(L"hello world");
    DragSelection(edit, row.from, row.to, row.drop, row.ctrl);
    EXPECT_EQ(edit->GetText(), row.text);
    CHARRANGE sel = {};
    Send(edit, EM_EXGETSEL, 0, LPARAM(&sel));
    EXPECT_EQ(sel.cpMin, row.selMin);
    EXPECT_EQ(sel.cpMax, row.selMax);
    EXPECT_EQ(Notices(), Strings{std::to_string(EN_DRAGDROPDONE)});
    // One undo step takes the whole drop back.
    Send(edit, EM_UNDO);
    EXPECT_EQ(edit->GetText(), L"hello world");
    EXPECT_EQ(GetCapture(), nullptr);
  }
}

TEST_F(RichEditDragDropTest, APressInTheSelectionWithoutAMovePlacesTheCaret) {
  CRichEditUI* edit = Make(L"hello world");
  CHARRANGE cr = {0, 5};
  Send(edit, EM_EXSETSEL, 0, LPARAM(&cr));
  const POINT p = At(edit, 2);
  Click(p.x, p.y);
  CHARRANGE sel = {};
  Send(edit, EM_EXGETSEL, 0, LPARAM(&sel));
  EXPECT_EQ(sel.cpMin, sel.cpMax);
  EXPECT_GE(sel.cpMin, 2);
  EXPECT_LE(sel.cpMin, 3);
  EXPECT_EQ(edit->GetText(), L"hello world");
}

TEST_F(RichEditDragDropTest, TextFromOutsideGoesInAtTheDropPoint) {
  CRichEditUI* edit = Make(L"hello world");
  auto* data = new jf::DragData;
  data->SetText(L"拖\r\n入");
  DWORD effect = 0;
  EXPECT_EQ(DropAt(edit, data, 6, &effect), DRAGDROP_S_DROP);
  EXPECT_EQ(effect, DWORD(DROPEFFECT_MOVE));
  EXPECT_EQ(std::wstring(edit->GetText().GetData()), L"hello 拖\r入world");
  EXPECT_EQ(Notices(), Strings{std::to_string(EN_DRAGDROPDONE)});
  // Read only: no drop, nothing changes.
  edit->SetReadOnly(true);
  EXPECT_EQ(DropAt(edit, data, 0, &effect), DRAGDROP_S_CANCEL);
  EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
  EXPECT_EQ(std::wstring(edit->GetText().GetData()), L"hello 拖\r入world");
  data->Release();
}

TEST_F(RichEditDragDropTest, DroppedFilesGoToTheHostAsDropFiles) {
  CRichEditUI* edit = Make(L"hello world");
  std::vector<std::wstring> names;
  LONG cp = -1;
  log_.hook = [&](UINotifyMsg& msg) {
    if (msg.type != L"richeditnotify" || msg.wParam != EN_DROPFILES) return;
    const auto* df = reinterpret_cast<const ENDROPFILES*>(msg.lParam);
    cp = df->cp;
    auto drop = reinterpret_cast<HDROP>(df->hDrop);
    for (UINT i = 0; i < DragQueryFileW(drop, 0xFFFFFFFFu, nullptr, 0); ++i) {
      wchar_t name[MAX_PATH];
      DragQueryFileW(drop, i, name, MAX_PATH);
      names.push_back(name);
    }
  };
  auto* data = new jf::DragData;
  data->SetFiles({L"Z:\\tmp\\一.txt", L"Z:\\tmp\\two.bin"});
  DWORD effect = 0;
  EXPECT_EQ(DropAt(edit, data, 6, &effect), DRAGDROP_S_DROP);
  EXPECT_EQ(effect, DWORD(DROPEFFECT_COPY));
  EXPECT_EQ(cp, 6);
  EXPECT_EQ(names, (std::vector<std::wstring>{L"Z:\\tmp\\一.txt", L"Z:\\tmp\\two.bin"}));
  EXPECT_EQ(edit->GetText(), L"hello world");
  EXPECT_EQ(Notices(), (Strings{std::to_string(EN_DROPFILES), std::to_string(EN_DRAGDROPDONE)}));
  // Without EN_DROPFILES in the event mask the control takes no files.
  log_.entries.clear();
  Send(edit, EM_SETEVENTMASK, 0, 0);
  EXPECT_EQ(DropAt(edit, data, 6, &effect), DRAGDROP_S_CANCEL);
  EXPECT_TRUE(Notices().empty());
  data->Release();
}

TEST_F(RichEditDragDropTest, TheTargetOutlivesItsControlAndRefusesDrops) {
  CRichEditUI* edit = Make(L"x");
  IDropTarget* target = nullptr;
  ASSERT_EQ(edit->GetTxtWinHost()->GetTextServices()->TxGetDropTarget(&target), S_OK);
  edit->SetDropEnabled(false);
  root_->RemoveAll();  // the control and its services go; our reference keeps the target
  Pump();
  auto* data = new jf::DragData;
  data->SetText(L"y");
  DWORD effect = DROPEFFECT_COPY;
  EXPECT_EQ(target->DragEnter(data, 0, POINTL{0, 0}, &effect), S_OK);
  EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
  effect = DROPEFFECT_COPY;
  EXPECT_EQ(target->Drop(data, 0, POINTL{0, 0}, &effect), S_OK);
  EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
  data->Release();
  EXPECT_EQ(target->Release(), 0u);
}

TEST_F(RichEditDragDropTest, EachEditTakesTheDropsAimedAtItAndEmptySpaceTakesNone) {
  CRichEditUI* a = Make(L"a", ENM_DRAGDROPDONE, RECT{10, 10, 310, 110}, L"a");
  CRichEditUI* b = Make(L"b", ENM_DRAGDROPDONE, RECT{10, 200, 310, 300}, L"b");
  auto* data = new jf::DragData;
  data->SetText(L"+");
  const auto texts = [&] { return Narrow(a->GetText()) + "|" + Narrow(b->GetText()); };
  DWORD effect = 0;
  EXPECT_EQ(DropAtPoint(data, POINT{400, 150}, &effect), DRAGDROP_S_CANCEL);
  EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
  EXPECT_EQ(DropAt(a, data, 0, &effect), DRAGDROP_S_DROP);
  EXPECT_EQ(texts(), "+a|b");
  EXPECT_EQ(DropAt(b, data, 1, &effect), DRAGDROP_S_DROP);
  EXPECT_EQ(texts(), "+a|b+");
  EXPECT_EQ(log_.Of("richeditnotify"), (Strings{"a", "b"}));
  // The text services' own target refuses a point outside its text as well.
  IDropTarget* target = nullptr;
  ASSERT_EQ(a->GetTxtWinHost()->GetTextServices()->TxGetDropTarget(&target), S_OK);
  for (const POINTL pt : {POINTL{kX + 400, kY + 150}, POINTL{kX + 100, kY + 250}}) {
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->DragEnter(data, 0, pt, &effect), S_OK);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->Drop(data, 0, pt, &effect), S_OK);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
  }
  target->Release();
  EXPECT_EQ(texts(), "+a|b+");
  // Either edit gone, the other still takes its drops.
  for (CRichEditUI* gone : {b, a}) {
    CRichEditUI* kept = gone == a ? b : a;
    root_->Remove(gone);
    Pump();
    const std::string before = Narrow(kept->GetText());
    EXPECT_EQ(DropAt(kept, data, 0, &effect), DRAGDROP_S_DROP);
    EXPECT_EQ(Narrow(kept->GetText()), "+" + before);
    if (gone == b) b = Make(L"b", ENM_DRAGDROPDONE, RECT{10, 200, 310, 300}, L"b");
  }
  // The last one gone, the window is free for another target.
  root_->RemoveAll();
  Pump();
  dndtest::LogTarget other;
  EXPECT_EQ(RegisterDragDrop(host_.GetHWND(), &other), S_OK);
  EXPECT_EQ(RevokeDragDrop(host_.GetHWND()), S_OK);
  data->Release();
}

TEST_F(RichEditDragDropTest, ARegistrationRevokedElsewhereLeavesTheEditsNothingToReach) {
  CRichEditUI* a = Make(L"a");
  const HWND hwnd = host_.GetHWND();
  ASSERT_EQ(RevokeDragDrop(hwnd), S_OK);
  auto* data = new jf::DragData;
  data->SetText(L"+");
  DWORD effect = 0;
  EXPECT_EQ(DropAt(a, data, 0, &effect), DRAGDROP_S_CANCEL);
  // Another target registered there stays when the edit lets go and goes.
  dndtest::LogTarget other;
  ASSERT_EQ(RegisterDragDrop(hwnd, &other), S_OK);
  a->SetDropEnabled(false);
  a->SetDropEnabled(true);
  EXPECT_EQ(DropAt(a, data, 0, &effect), DRAGDROP_S_DROP);
  EXPECT_EQ(other.droppedText, L"+");
  root_->RemoveAll();
  Pump();
  EXPECT_EQ(RevokeDragDrop(hwnd), S_OK);
  EXPECT_EQ(other.refs, 1u);
  // A new edit registers again.
  CRichEditUI* b = Make(L"b");
  EXPECT_EQ(DropAt(b, data, 1, &effect), DRAGDROP_S_DROP);
  EXPECT_EQ(Narrow(b->GetText()), "b+");
  data->Release();
}

}  // namespace
