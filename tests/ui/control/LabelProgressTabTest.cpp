#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "tests/ui/base/ControlTestHost.h"
#include "ui/control/LabelUI.h"
#include "ui/control/ProgressUI.h"
#include "ui/layout/TabLayoutUI.h"

using namespace uictest;
using Strings = std::vector<std::string>;

namespace {

std::string Str(const RECT& rc) { return frametest::Str(rc); }

class LabelTest : public ControlTest {};

}  // namespace

TEST_F(LabelTest, AlignKeywordsApplyEveryMatch) {
  struct Case {
    const wchar_t* align;
    UINT style;
  };
  const Case cases[] = {
      {L"center", DT_VCENTER | DT_CENTER},
      {L"right", DT_RIGHT},
      {L"left", 0},
      {L"top", DT_SINGLELINE},
      {L"bottom", DT_BOTTOM | DT_SINGLELINE},
      {L"vcenter", DT_CENTER | DT_VCENTER | DT_SINGLELINE},
      {L"vleft", DT_VCENTER},
      {L"right bottom", DT_RIGHT | DT_BOTTOM | DT_SINGLELINE},
  };
  for (const Case& c : cases) {
    CLabelUI label;
    label.SetAttribute(L"align", c.align);
    EXPECT_EQ(label.GetTextStyle(), c.style) << Narrow(c.align);
  }
  CLabelUI label;
  label.SetAttribute(L"valign", L"bottom");  // no such attribute
  label.SetAttribute(L"endellipsis", L"true");
  EXPECT_EQ(label.GetTextStyle(), UINT(DT_VCENTER | DT_END_ELLIPSIS));
  label.SetAttribute(L"rhaa", L"7");
  EXPECT_EQ(label.GetTextRenderingHintAntiAlias(), 0);
  label.SetAttribute(L"rhaa", L"4");
  EXPECT_EQ(label.GetTextRenderingHintAntiAlias(), 4);
}

TEST_F(LabelTest, ShadowOffsetStartsFromZeroWithCrossedAxes) {
  struct Case {
    int offset, angle;
    LONG x, y;
  };
  const Case cases[] = {{2, 45, -2, -2}, {2, 135, -2, 2}, {2, -45, 2, -2}, {2, -135, 2, 2},
                        {3, -90, 3, 0},  {3, -180, 0, 3}, {3, 0, -3, -3}};
  auto* label = Place(new CLabelUI, L"l", RECT{100, 50, 200, 80});
  for (const Case& c : cases) {
    label->SetShadowOffset(c.offset, c.angle);  // after layout: the position does not count
    EXPECT_EQ(label->GetShadowOffset().x, c.x) << c.angle;
    EXPECT_EQ(label->GetShadowOffset().y, c.y) << c.angle;
  }
  label->SetShadowOffset(9, 181);  // ignored
  EXPECT_EQ(label->GetShadowOffset().x, -3);
  label->SetAttribute(L"shadowoffset", L"4,90");
  EXPECT_EQ(label->GetShadowOffset().x, -4);
  EXPECT_EQ(label->GetShadowOffset().y, -4);
}

TEST_F(LabelTest, EstimateColoursAndEffectText) {
  auto* label = Place(new CLabelUI, L"l", RECT{10, 10, 210, 50});
  label->SetFixedHeight(0);
  EXPECT_EQ(label->EstimateSize(SIZE{100, 100}).cy, host_.manager.GetFontInfo(-1)->tm.tmHeight + 4);
  label->SetFixedHeight(33);
  EXPECT_EQ(label->EstimateSize(SIZE{100, 100}).cy, 33);
  label->SetText(L"plain");
  Layout();
  EXPECT_EQ(label->GetTextColor(), host_.manager.GetDefaultFontColor());  // taken and kept
  EXPECT_GT(Inked(RECT{10, 10, 210, 50}, 0xFFFFFF), 20);

  auto* effect = Place(new CLabelUI, L"e", RECT{10, 60, 210, 110});
  effect->SetAttribute(L"enabledeffect", L"true");
  effect->SetAttribute(L"textcolor", L"#FFFF0000");
  effect->SetAttribute(L"enabledshadow", L"true");
  effect->SetAttribute(L"enabledstroke", L"true");  // no stroke colour: no stroke
  effect->SetText(L"效果文字");
  EXPECT_EQ(effect->GetText(), L"效果文字");
  EXPECT_TRUE(effect->CControlUI::GetText().IsEmpty());
  RECT area{10, 60, 210, 110};
  EXPECT_EQ(Inked(area, 0xFFFFFF), 0);  // storing the text asks for no paint
  Layout();
  int inked = Inked(area, 0xFFFFFF);
  EXPECT_GT(inked, 50);
  int reddish = 0;
  for (int y = 60; y < 110; ++y) {
    for (int x = 10; x < 210; ++x) {
      DWORD p = Pixel(x, y);
      reddish += (p >> 16) > 0xC0 && ((p >> 8) & 0xFF) < 0xA0;
    }
  }
  EXPECT_GT(reddish, 10);
  EXPECT_EQ(Inked(RECT{220, 60, 300, 110}, 0xFFFFFF), 0);
  Png("label_effect");
}

TEST_F(LabelTest, ProgressFillsItsShareAndBuildsModifiers) {
  struct Case {
    const wchar_t* attrs;
    RECT pos;
    const char* filled;
    const wchar_t* modify;
  };
  const Case cases[] = {
      {L"value=\"50\"", {0, 0, 540, 6}, "0,0,270,6", L"dest='0,0,270,6'"},
      {L"hor=\"false\" value=\"25\"", {0, 0, 20, 100}, "0,75,20,100", L"dest='0,75,20,100'"},
      {L"isstretchfore=\"false\" value=\"10\"", {0, 0, 200, 10}, "0,0,20,10",
       L"dest='0,0,20,10' source='0,0,20,10'"},
      {L"roundcorner=\"true\" value=\"40\"", {0, 0, 100, 10}, "0,0,40,10",
       L"dest='0,0,40,10' source='60,0,100,10' roundcorner='3,3,3,3'"},
      {L"roundcorner=\"true\" max=\"2000000000\" value=\"1500000000\"", {0, 0, 300000, 10}, "0,0,225000,10",
       L"dest='0,0,225000,10' source='75000,0,300000,10' roundcorner='3,3,3,3'"},
      {L"min=\"0\" max=\"0\"", {0, 0, 100, 10}, "0,0,0,10", L"dest='0,0,0,10'"},
      {L"min=\"2147483647\" max=\"2147483647\" value=\"2147483647\"", {0, 0, 100, 10}, "0,0,100,10",
       L"dest='0,0,100,10'"},
      {L"min=\"-2147483648\" max=\"2147483647\" value=\"0\"", {0, 0, 100, 10}, "0,0,50,10", L"dest='0,0,50,10'"},
  };
  for (const Case& c : cases) {
    auto* bar = new CProgressUI;
    bar->SetAttribute(L"foreimage", L"file='fore.png'");
    bar->ApplyAttributeList(c.attrs);
    Place(bar, L"p", RECT{c.pos.left + 10, c.pos.top + 10, c.pos.right + 10, c.pos.bottom + 10});
    EXPECT_EQ(Str(bar->GetFilledRect()), c.filled) << Narrow(c.attrs);
    EXPECT_EQ(bar->GetImageModify(), c.modify) << Narrow(c.attrs);
    EXPECT_GT(bar->GetMaxValue(), bar->GetMinValue());
    root_->Remove(bar);
  }
  CProgressUI bar;
  EXPECT_EQ(bar.GetFixedHeight(), 12);
  bar.SetValue(50);
  bar.SetValue(150);  // out of range: ignored
  bar.SetAttribute(L"value", L"-5");
  EXPECT_EQ(bar.GetValue(), 50);
}

TEST_F(LabelTest, TabPagesShowOneAndReportSelection) {
  auto* tab = Place(new CTabLayoutUI, L"tab", RECT{0, 0, 540, 300});
  tab->SetAttribute(L"inset", L"5,5,5,5");
  CControlUI* pages[3];
  for (int i = 0; i < 3; ++i) {
    pages[i] = new CControlUI;
    pages[i]->SetName((L"p" + std::to_wstring(i)).c_str());
    tab->Add(pages[i]);
  }
  pages[1]->SetFixedHeight(100);
  RECT padding{2, 3, 4, 5};
  pages[1]->SetPadding(padding);
  Layout();
  EXPECT_EQ(tab->GetCurSel(), 0);
  EXPECT_TRUE(pages[0]->IsVisible());
  EXPECT_FALSE(pages[1]->IsVisible());
  EXPECT_FALSE(pages[2]->IsVisible());
  EXPECT_EQ(Str(pages[0]->GetPos()), "5,5,535,295");

  EXPECT_TRUE(tab->SelectItem(1));
  Layout();
  EXPECT_FALSE(pages[0]->IsVisible());
  EXPECT_TRUE(pages[1]->IsVisible());
  EXPECT_EQ(Str(pages[1]->GetPos()), "7,8,531,108");
  EXPECT_EQ(log_.entries.back(), "tab:tabselect 1,0");
  EXPECT_TRUE(tab->SelectItem(1));
  EXPECT_FALSE(tab->SelectItem(5));
  EXPECT_EQ(log_.Of("tabselect").size(), 1u);

  // Inserted before the current page: the current page moves up, the new one stays hidden.
  auto* inserted = new CControlUI;
  tab->AddAt(inserted, 0);
  EXPECT_EQ(tab->GetCurSel(), 2);
  EXPECT_FALSE(inserted->IsVisible());
  tab->SetAttribute(L"selectedid", L"-1");
  tab->SetAttribute(L"selectedid", L"9");
  EXPECT_EQ(tab->GetCurSel(), 2);
  tab->SetAttribute(L"selectedid", L"3");
  EXPECT_EQ(tab->GetCurSel(), 3);
  EXPECT_TRUE(pages[2]->IsVisible());

  tab->Remove(pages[2]);  // the current page goes: page 0 takes over
  EXPECT_EQ(tab->GetCurSel(), 0);
  EXPECT_TRUE(inserted->IsVisible());
  tab->SelectItem(2);  // pages[1]
  tab->Remove(inserted);
  EXPECT_EQ(tab->GetCurSel(), 1);
  EXPECT_EQ(tab->GetItemAt(1), pages[1]);
  tab->RemoveAll();
  EXPECT_EQ(tab->GetCurSel(), -1);
}

// Sets a text of 64 MB under an address-space limit that leaves no room for it, and exits
// with 3 when the label threw "CLabelUI::SetText" and kept its old text.
[[noreturn]] void StoreTextBeyondMemory(const wchar_t* effect) {
  CLabelUI label;
  label.SetAttribute(L"enabledeffect", effect);
  label.SetText(L"small");
  std::wstring big(static_cast<size_t>(16) << 20, L'x');
  long pages = 0;
  FILE* statm = fopen("/proc/self/statm", "r");
  if (!statm || fscanf(statm, "%ld", &pages) != 1) _exit(6);
  fclose(statm);
  rlimit limit;
  limit.rlim_cur = limit.rlim_max = static_cast<rlim_t>(pages) * sysconf(_SC_PAGESIZE) + (8 << 20);
  setrlimit(RLIMIT_AS, &limit);
  try {
    label.SetText(big.c_str());
  } catch (const wchar_t* what) {
    _exit(wcscmp(what, L"CLabelUI::SetText") == 0 && label.GetText() == L"small" ? 3 : 4);
  }
  _exit(5);
}

// The label's text goes into a string that cannot grow when memory runs out: the label throws
// "CLabelUI::SetText" then, in plain and in effect mode, instead of keeping the old text.
TEST(LabelTextTest, AFailureToStoreTheTextIsThrown) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "an address-space limit cannot hold beside the sanitizer's shadow memory";
#else
  // Each case in a fresh run of this program: the limit then counts the program's own start
  // only, never what the tests before it, or a tool that runs them, have grown to.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  for (const wchar_t* effect : {L"false", L"true"}) {
    EXPECT_EXIT(StoreTextBeyondMemory(effect), ::testing::ExitedWithCode(3), "") << "effect " << effect;
  }
#endif
}
