#include "tests/ui/base/ControlTestHost.h"
#include "tests/support/ui/UiTestSupport.h"
#include "ui/control/ButtonUI.h"
#include "ui/control/CheckBoxUI.h"
#include "ui/control/OptionUI.h"
#include "ui/base/UIAnimationDriver.h"

using namespace uictest;
using Strings = std::vector<std::string>;

namespace {

class ButtonTest : public ControlTest {
 protected:
  CButtonUI* MakeButton() { return Place(new CButtonUI, L"b", RECT{10, 10, 110, 40}); }
  // A button with the fade effect whose fade-in the pointer has started.
  CButtonUI* FadingIn() {
    CButtonUI* b = MakeButton();
    b->SetAttribute(L"fadeeffect", L"true");
    Move(20, 20);
    EXPECT_TRUE(b->IsAnimationRunning());
    return b;
  }
};

}  // namespace

TEST_F(ButtonTest, ClickNeedsPressAndReleaseInside) {
  CButtonUI* b = MakeButton();
  Down(20, 20);
  EXPECT_EQ(b->GetButtonState() & (UISTATE_PUSHED | UISTATE_CAPTURED), UINT(UISTATE_PUSHED | UISTATE_CAPTURED));
  Move(200, 150);
  EXPECT_EQ(b->GetButtonState() & UISTATE_PUSHED, 0u);
  Up(200, 150);
  EXPECT_TRUE(log_.Of("click").empty());
  Down(20, 20);
  Move(200, 150);
  Move(30, 30);
  EXPECT_NE(b->GetButtonState() & UISTATE_PUSHED, 0u);
  Up(30, 30);
  EXPECT_EQ(log_.Of("click"), Strings{"b"});
  EXPECT_EQ(b->GetButtonState() & (UISTATE_PUSHED | UISTATE_CAPTURED), 0u);
}

TEST_F(ButtonTest, SpaceAndEnterActivateOtherKeysDoNot) {
  CButtonUI* b = MakeButton();
  b->SetFocus();
  Pump();
  Key(VK_SPACE);
  Key(VK_RETURN);
  Key('A');
  EXPECT_EQ(log_.Of("click"), (Strings{"b", "b"}));
  b->SetKeyboardEnabled(false);
  Key(VK_SPACE);
  EXPECT_EQ(log_.Of("click").size(), 2u);
}

TEST_F(ButtonTest, DisablingClearsStateAndIgnoresPresses) {
  CButtonUI* b = MakeButton();
  Move(20, 20);
  Down(20, 20);
  EXPECT_NE(b->GetButtonState(), 0u);
  b->SetEnabled(false);
  EXPECT_EQ(b->GetButtonState(), 0u);
  Up(20, 20);
  Click(20, 20);
  EXPECT_EQ(b->GetButtonState() & UINT(UISTATE_PUSHED | UISTATE_CAPTURED | UISTATE_HOT), 0u);
  EXPECT_TRUE(log_.Of("click").empty());
  EXPECT_FALSE(b->Activate());
  EXPECT_EQ(b->GetControlFlags(), UINT(UIFLAG_TABSTOP));
}

TEST_F(ButtonTest, ClickHandlerMayRemoveItsOwnButton) {
  MakeButton();
  log_.hook = [this](UINotifyMsg& msg) {
    if (msg.type == L"click") root_->Remove(msg.sender);
  };
  Click(20, 20);
  Move(25, 25);
  EXPECT_EQ(log_.Of("click"), Strings{"b"});
  EXPECT_EQ(root_->GetCount(), 0);
  Key(VK_SPACE);  // nothing focused is left
}

TEST_F(ButtonTest, FadeStepsToItsTargetAndStopsTheDriver) {
  CButtonUI* b = MakeButton();
  b->SetAttribute(L"normalimage", L"file='n.png'");
  b->SetAttribute(L"hotimage", L"file='h.png'");
  b->SetAttribute(L"fadeeffect", L"true");
  EXPECT_EQ(b->GetFrameCount(), 20);
  CUIAnimationDriver* driver = host_.manager.GetAnimationDriver();
  Move(20, 20);
  ASSERT_TRUE(b->IsAnimationRunning());
  EXPECT_EQ(b->GetFadeDirection(), CButtonUI::kFadeIn);
  EXPECT_NE(driver->GetTimerId(), 0u);
  EXPECT_EQ(b->GetButtonState() & UISTATE_HOT, 0u);  // the fade draws the hover
  std::vector<int> alphas;
  for (int i = 0; i < 30 && b->IsAnimationRunning(); ++i) {
    jf::TickAdvance(15);
    driver->OnTimer();
    alphas.push_back(b->GetFadeAlpha());
  }
  ASSERT_EQ(alphas.size(), 20u);
  EXPECT_EQ(alphas[0], 12);
  EXPECT_EQ(alphas[9], 127);
  EXPECT_TRUE(std::is_sorted(alphas.begin(), alphas.end()));
  EXPECT_FALSE(b->IsAnimationRunning());
  EXPECT_EQ(driver->GetTimerId(), 0u);
  EXPECT_EQ(driver->GetCount(), 0u);
  EXPECT_EQ(b->GetFadeImage(), L"file='h.png'");
  Layout();
  // Leaving fades back to the normal image, then the driver is idle again.
  Move(300, 300);
  EXPECT_EQ(b->GetFadeDirection(), CButtonUI::kFadeOut);
  for (int i = 0; i < 30 && b->IsAnimationRunning(); ++i) {
    jf::TickAdvance(15);
    driver->OnTimer();
  }
  EXPECT_EQ(b->GetFadeImage(), L"file='n.png'");
  EXPECT_EQ(driver->GetTimerId(), 0u);
  // "false" switches the effect off and still resets the frames.
  b->SetAttribute(L"fadeeffect", L"false");
  EXPECT_FALSE(b->IsFadeEffect());
  EXPECT_EQ(b->GetFrameCount(), 20);
}

TEST_F(ButtonTest, SetCurrentFrameStopsTheFadeOnlyBelowTheFrameCount) {
  CButtonUI* b = FadingIn();
  b->SetCurrentFrame(20);  // the frame count: nothing
  EXPECT_TRUE(b->IsAnimationRunning());
  b->SetCurrentFrame(7);
  EXPECT_FALSE(b->IsAnimationRunning());
  EXPECT_EQ(b->GetCurrentFrame(), 7);
  EXPECT_EQ(b->GetFadeDirection(), CButtonUI::kFadeNone);
  b->SetCurrentFrame(25);
  EXPECT_EQ(b->GetCurrentFrame(), 7);
  // Below zero: the fade stops on the frame it had reached.
  CButtonUI* n = Place(new CButtonUI, L"n", RECT{10, 50, 110, 80});
  n->SetAttribute(L"fadeeffect", L"true");
  Move(20, 60);
  ASSERT_TRUE(n->IsAnimationRunning());
  n->OnAnimationStep();
  n->OnAnimationStep();
  ASSERT_EQ(n->GetCurrentFrame(), 2);
  n->SetCurrentFrame(-1);
  EXPECT_FALSE(n->IsAnimationRunning());
  EXPECT_EQ(n->GetCurrentFrame(), 2);
  EXPECT_EQ(n->GetFadeDirection(), CButtonUI::kFadeNone);
}

TEST_F(ButtonTest, ASecondEnterDuringTheFadeInLeavesTheHotBit) {
  CButtonUI* b = FadingIn();
  UIEventRecord enter;
  enter.type = UIEVENT_MOUSEENTER;
  enter.mouse = POINT{20, 20};
  b->Event(enter);
  EXPECT_TRUE(b->IsAnimationRunning());
  EXPECT_EQ(b->GetButtonState() & UISTATE_HOT, 0u);
  // Without the effect the pointer makes the button hot.
  CButtonUI* plain = Place(new CButtonUI, L"p", RECT{10, 50, 110, 80});
  plain->Event(enter);
  EXPECT_NE(plain->GetButtonState() & UISTATE_HOT, 0u);
}

TEST_F(ButtonTest, FadeAttributeIsReplacedNotDoubled) {
  EXPECT_EQ(CButtonUI::WithFade(L"file='a.png' fade='100' dest='1,2,3,4'", 30),
            L"file='a.png'  dest='1,2,3,4' fade='30'");
  EXPECT_EQ(CButtonUI::WithFade(L"a.png", 255), L"a.png fade='255'");
}

TEST_F(ButtonTest, HotBackgroundColourFillsWithoutHotImage) {
  CButtonUI* b = MakeButton();
  b->SetAttribute(L"hotbkcolor", L"#FF00FF00");
  b->SetAttribute(L"foreimage", L"file='missing.png'");
  Move(60, 25);
  Layout();
  EXPECT_NE(b->GetButtonState() & UISTATE_HOT, 0u);
  EXPECT_EQ(Pixel(12, 12), 0x00FF00u);
  EXPECT_EQ(Pixel(108, 38), 0x00FF00u);
  Move(300, 300);
  Layout();
  EXPECT_NE(Pixel(12, 12), 0x00FF00u);
}

TEST_F(ButtonTest, OptionsInAGroupSelectOneAtATime) {
  auto* a = Place(new COptionUI, L"a", RECT{10, 10, 60, 30});
  auto* b = Place(new COptionUI, L"b", RECT{70, 10, 120, 30});
  auto* solo = Place(new COptionUI, L"s", RECT{130, 10, 180, 30});
  a->SetGroup(L"g");
  b->SetGroup(L"g");
  a->SetSelected(true);
  log_.entries.clear();
  Click(80, 20);
  EXPECT_TRUE(b->IsSelected());
  EXPECT_FALSE(a->IsSelected());
  EXPECT_EQ(log_.Of("selectchanged"), Strings{"b"});
  Click(80, 20);  // already selected: no change, no notification
  EXPECT_TRUE(b->IsSelected());
  EXPECT_EQ(log_.Of("selectchanged"), Strings{"b"});
  Click(140, 20);
  Click(140, 20);
  EXPECT_FALSE(solo->IsSelected());
  EXPECT_EQ(log_.Of("selectchanged"), (Strings{"b", "s", "s"}));
  EXPECT_EQ(log_.Of("click"), (Strings{"b", "b", "s", "s"}));

  COptionUI loose;  // no manager: only the state
  loose.SetGroup(L"g");
  loose.SetSelected(true);
  EXPECT_EQ(loose.GetButtonState(), UINT(UISTATE_SELECTED));
  EXPECT_TRUE(b->IsSelected());

  b->SetEnabled(false);
  EXPECT_EQ(b->GetButtonState(), UINT(UISTATE_SELECTED));
  a->SetGroup(L"h");
  b->SetEnabled(true);
  a->SetSelected(true);
  EXPECT_TRUE(b->IsSelected());  // another group now
}

TEST_F(ButtonTest, SelectedBackgroundAndCheckBoxDisabledImages) {
  // Solid images for every state that a disabled check box must not fall back to.
  auto solid = [](uint32_t argb) { return uitest::MakePng(4, 4, std::vector<uint32_t>(16, argb)); };
  std::string zip = uitest::BuildZip({{"normal.png", solid(0xFF00FF00)}, {"selected.png", solid(0xFFFFFF00)},
                                      {"disabled.png", solid(0xFF00FFFF)}, {"seldis.png", solid(0xFF808080)}});
  BYTE* buffer = new BYTE[zip.size()];
  memcpy(buffer, zip.data(), zip.size());
  CWindowManagerUI::SetResourceZipBuffer(buffer, static_cast<DWORD>(zip.size()));
  CWindowManagerUI::SetResourceZipFromMemory();
  auto* o = Place(new COptionUI, L"o", RECT{10, 10, 60, 30});
  o->SetAttribute(L"selectedbkcolor", L"FF0000FF");
  o->SetAttribute(L"selected", L"true");
  auto* c = Place(new CCheckBoxUI, L"c", RECT{70, 10, 120, 30});
  c->SetAttribute(L"bkcolor", L"#FFFF0000");
  c->SetAttribute(L"normalimage", L"file='normal.png'");
  c->SetAttribute(L"selectedimage", L"file='selected.png'");
  c->SetAttribute(L"disabledimage", L"file='disabled.png'");
  Layout();
  EXPECT_EQ(Pixel(30, 20), 0x0000FFu);
  EXPECT_EQ(Pixel(90, 20), 0x00FF00u);  // the images draw
  Down(90, 20);
  Layout();
  EXPECT_EQ(c->GetButtonState() & UISTATE_PUSHED, 0u);  // painting clears it
  EXPECT_NE(c->GetButtonState() & UISTATE_CAPTURED, 0u);
  Up(90, 20);
  EXPECT_TRUE(c->IsSelected());
  Layout();
  EXPECT_EQ(Pixel(90, 20), 0xFFFF00u);
  EXPECT_STREQ(c->GetClass(), L"CheckBoxUI");
  EXPECT_EQ(c->GetInterface(L"CheckBox"), nullptr);
  EXPECT_NE(c->GetInterface(L"Option"), nullptr);
  c->SetEnabled(false);
  Layout();
  // No selected disabled image: only the background, none of the other state images.
  EXPECT_EQ(Pixel(90, 20), 0xFF0000u);
  c->SetAttribute(L"selecteddisableimage", L"file='seldis.png'");
  c->Invalidate();
  Layout();
  EXPECT_EQ(Pixel(90, 20), 0x808080u);
  c->SetSelected(false);
  c->Invalidate();
  Layout();
  EXPECT_EQ(Pixel(90, 20), 0xFF0000u);  // no unselected disabled image either
  root_->RemoveAll();
  CWindowManagerUI::CloseResourceZip();
  CWindowManagerUI::FreeResourceZipBuffer();
}
