#include <gtest/gtest.h>
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include "platform/src/display/DragLoop.h"
#include "tests/platform/display/DisplayTestWindow.h"
#include "tests/platform/display/DragProbes.h"

using disptest::DisplayTest;
using disptest::Make;
using disptest::Pump;
using dndtest::LogTarget;
using dndtest::ScriptSource;
using Strings = std::vector<std::string>;

namespace {

// Two windows side by side: A (no target) at 100..300 and B (the logging target) at 400..600.
class DragLoopTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    a_ = Make(&plain_, WS_POPUP | WS_VISIBLE, 100, 100, 200, 200);
    b_ = Make(&plain_, WS_POPUP | WS_VISIBLE, 400, 100, 200, 200);
    child_ = Make(&plain_, WS_CHILD | WS_VISIBLE, 10, 10, 50, 50, b_);
    ASSERT_EQ(RegisterDragDrop(b_, &target_), S_OK);
    Pump();
  }
  void TearDown() override {
    RevokeDragDrop(b_);
    DestroyWindow(a_);
    DestroyWindow(b_);
    DisplayTest::TearDown();
  }
  // The drag starts with the left button down over A; the steps follow.
  HRESULT Drag(std::vector<std::function<void()>> steps, DWORD allowed, DWORD* effect) {
    jf::TestMouseMove(150, 150);
    jf::TestMouseButton(VK_LBUTTON, true);
    Pump();  // the press was handled; the drag starts from there
    jf::TestMouseMove(160, 150);
    source_.steps = std::move(steps);
    auto* data = new jf::DragData;
    data->SetText(L"拖动 text");
    const HRESULT hr = DoDragDrop(data, &source_, allowed, effect);
    data->Release();
    return hr;
  }
  static std::function<void()> To(int x, int y) {
    return [x, y] { jf::TestMouseMove(x, y); };
  }
  static std::function<void()> Key(UINT vk, bool down) {
    return [vk, down] { jf::TestKey(vk, down); };
  }
  static std::function<void()> Release() {
    return [] { jf::TestMouseButton(VK_LBUTTON, false); };
  }

  disptest::Handler plain_ = [](HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); };
  HWND a_ = nullptr, b_ = nullptr, child_ = nullptr;
  LogTarget target_;
  ScriptSource source_;
};

TEST_F(DragLoopTest, TheLoopFollowsThePointerAndEndsAsTheSourceAndTargetSay) {
  const DWORD both = DROPEFFECT_COPY | DROPEFFECT_MOVE;
  struct Row {
    const char* name;
    std::vector<std::function<void()>> steps;
    DWORD allowed;
    HRESULT result;
    DWORD effect;
    Strings log;
  };
  const std::vector<Row> rows = {
      {"move onto B", {To(450, 150), To(460, 160), Release()}, both, DRAGDROP_S_DROP, DROPEFFECT_MOVE,
       {"enter 2 text", "over 2", "drop 2"}},
      {"Ctrl copies", {Key(VK_CONTROL, true), To(450, 150), Release()}, both, DRAGDROP_S_DROP, DROPEFFECT_COPY,
       {"enter 1 text", "drop 1"}},
      {"Ctrl changes the effect over the target", {To(450, 150), Key(VK_CONTROL, true), Release()}, both,
       DRAGDROP_S_DROP, DROPEFFECT_COPY, {"enter 2 text", "over 1", "drop 1"}},
      {"copy only", {To(450, 150), Release()}, DROPEFFECT_COPY, DRAGDROP_S_DROP, DROPEFFECT_COPY,
       {"enter 1 text", "drop 1"}},
      {"a child of B finds B's target", {To(420, 120), Release()}, both, DRAGDROP_S_DROP, DROPEFFECT_MOVE,
       {"enter 2 text", "drop 2"}},
      {"Escape cancels over B", {To(450, 150), Key(VK_ESCAPE, true)}, both, DRAGDROP_S_CANCEL, DROPEFFECT_NONE,
       {"enter 2 text", "leave"}},
      {"out again and released over A", {To(450, 150), To(200, 150), Release()}, both, DRAGDROP_S_CANCEL,
       DROPEFFECT_NONE, {"enter 2 text", "leave"}},
      {"released over no window", {To(1000, 800), Release()}, both, DRAGDROP_S_CANCEL, DROPEFFECT_NONE, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    target_ = LogTarget();
    source_ = ScriptSource();
    DWORD effect = 0xFF;
    EXPECT_EQ(Drag(row.steps, row.allowed, &effect), row.result);
    EXPECT_EQ(effect, row.effect);
    EXPECT_EQ(target_.log, row.log);
    EXPECT_EQ(GetCapture(), nullptr);
    if (row.result == DRAGDROP_S_DROP) {
      EXPECT_EQ(target_.droppedText, L"拖动 text");
      POINT at{};
      GetCursorPos(&at);  // where the button rose
      EXPECT_EQ(target_.dropPoint.x, at.x);
      EXPECT_EQ(target_.dropPoint.y, at.y);
    }
    jf::TestResetInput();
    Pump();
  }
}

TEST_F(DragLoopTest, TheCursorShowsTheEffectWhileTheSourceLeavesItToTheSystem) {
  DWORD effect = 0;
  Drag({To(450, 150), Key(VK_CONTROL, true), To(460, 150), Key(VK_CONTROL, false), To(200, 150), Release()},
       DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
  // Asked after: the first move over A, onto B, Ctrl down, a move with Ctrl, Ctrl up, back
  // over A, and the release.
  ASSERT_EQ(source_.cursors.size(), 7u);
  const HCURSOR none = LoadCursorW(nullptr, IDC_NO);
  EXPECT_EQ(source_.cursors[0], none);
  EXPECT_EQ(source_.cursors[1], none);
  EXPECT_EQ(source_.cursors[2], jf::DragLoop::CursorFor(DROPEFFECT_MOVE));
  EXPECT_EQ(source_.cursors[3], jf::DragLoop::CursorFor(DROPEFFECT_COPY));
  EXPECT_EQ(source_.cursors[5], jf::DragLoop::CursorFor(DROPEFFECT_MOVE));
  EXPECT_EQ(source_.cursors[6], none);
  EXPECT_NE(jf::DragLoop::CursorFor(DROPEFFECT_COPY), jf::DragLoop::CursorFor(DROPEFFECT_MOVE));
  EXPECT_EQ(source_.feedback.front(), DWORD(DROPEFFECT_NONE));
}

TEST_F(DragLoopTest, FileListsTravelAsDropFilesBlocks) {
  auto* data = new jf::DragData;
  data->SetFiles({L"Z:\\tmp\\a.txt", L"Z:\\tmp\\目录\\b.bin"});
  jf::TestMouseMove(150, 150);
  jf::TestMouseButton(VK_LBUTTON, true);
  Pump();
  jf::TestMouseMove(450, 150);
  source_.steps = {Release()};
  DWORD effect = 0;
  EXPECT_EQ(DoDragDrop(data, &source_, DROPEFFECT_COPY, &effect), DRAGDROP_S_DROP);
  data->Release();
  EXPECT_EQ(target_.log, (Strings{"enter 1 files", "over 1", "drop 1"}));
  EXPECT_EQ(target_.droppedFiles, (std::vector<std::wstring>{L"Z:\\tmp\\a.txt", L"Z:\\tmp\\目录\\b.bin"}));
  // The block itself, as a drop target's host reads it.
  HGLOBAL block = jf::DragData::FileBlock({L"C:\\x", L"C:\\yy"}, POINT{3, 4});
  auto drop = reinterpret_cast<HDROP>(block);
  EXPECT_EQ(DragQueryFileW(drop, 0xFFFFFFFFu, nullptr, 0), 2u);
  EXPECT_EQ(DragQueryFileW(drop, 1, nullptr, 0), 5u);
  wchar_t name[4];
  EXPECT_EQ(DragQueryFileW(drop, 1, name, 4), 3u);  // cut to the buffer
  EXPECT_STREQ(name, L"C:\\");
  POINT pt{};
  EXPECT_TRUE(DragQueryPoint(drop, &pt));
  EXPECT_EQ(pt.x, 3);
  EXPECT_EQ(DragQueryFileW(drop, 2, name, 4), 0u);
  DragFinish(drop);
}

TEST_F(DragLoopTest, RegistrationsAreOnePerWindowAndArguments) {
  LogTarget other;
  EXPECT_EQ(RegisterDragDrop(b_, &other), DRAGDROP_E_ALREADYREGISTERED);
  EXPECT_EQ(RegisterDragDrop(a_, nullptr), E_INVALIDARG);
  EXPECT_EQ(RevokeDragDrop(a_), DRAGDROP_E_NOTREGISTERED);
  DWORD effect = 0;
  EXPECT_EQ(DoDragDrop(nullptr, &source_, DROPEFFECT_COPY, &effect), E_INVALIDARG);
  // A data object's formats, enumerated.
  auto* data = new jf::DragData;
  data->SetText(L"x");
  IEnumFORMATETC* formats = nullptr;
  ASSERT_EQ(data->EnumFormatEtc(DATADIR_GET, &formats), S_OK);
  FORMATETC fe[4];
  ULONG got = 0;
  EXPECT_EQ(formats->Next(4, fe, &got), S_FALSE);
  EXPECT_EQ(got, 2u);
  EXPECT_EQ(fe[0].cfFormat, CF_UNICODETEXT);
  formats->Release();
  std::wstring text;
  EXPECT_TRUE(jf::DragData::TextOf(data, &text));
  EXPECT_FALSE(jf::DragData::FilesOf(data, nullptr));
  data->Release();
}

}  // namespace
