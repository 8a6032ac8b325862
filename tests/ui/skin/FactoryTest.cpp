#include "tests/ui/base/ControlTestHost.h"
#include "ui/skin/SkinBuilder.h"

using namespace uictest;

// Every class of these controls is made by its element name, with its attributes applied.
TEST_F(ControlTest, SkinElementsMakeTheirClasses) {
  const wchar_t* skin =
      L"<Window><VerticalLayout>"
      L"<Label name=\"Label\" text=\"a\" /><Button name=\"Button\" /><Option name=\"Option\" selected=\"true\" />"
      L"<Progress name=\"Progress\" value=\"30\" /><TabLayout name=\"TabLayout\" /><Edit name=\"Edit\" />"
      L"<Text name=\"Text\" /><CheckBox name=\"CheckBox\" /><TileLayout name=\"TileLayout\" />"
      L"<ChildLayout name=\"ChildLayout\" /><Slider name=\"Slider\" /><DateTime name=\"DateTime\" />"
      L"</VerticalLayout></Window>";
  CSkinBuilder builder;
  CControlUI* tree = builder.Create(skin, nullptr, nullptr, &host_.manager);
  ASSERT_NE(tree, nullptr);
  root_->Add(tree);
  struct Case {
    const wchar_t* name;
    const wchar_t* cls;
  };
  const Case cases[] = {{L"Label", L"LabelUI"},           {L"Button", L"ButtonUI"},     {L"Option", L"OptionUI"},
                        {L"Progress", L"ProgressUI"},     {L"TabLayout", L"TabLayoutUI"}, {L"Edit", L"EditUI"},
                        {L"Text", L"TextUI"},             {L"CheckBox", L"CheckBoxUI"}, {L"TileLayout", L"TileLayoutUI"},
                        {L"ChildLayout", L"ChildLayoutUI"}, {L"Slider", L"SliderUI"},   {L"DateTime", L"DateTimeUI"}};
  for (const Case& c : cases) {
    CControlUI* control = host_.manager.FindControl(c.name);
    ASSERT_NE(control, nullptr) << Narrow(c.name);
    EXPECT_STREQ(control->GetClass(), c.cls);
    EXPECT_NE(control->GetInterface(c.name == std::wstring(L"CheckBox") ? L"Option" : c.name), nullptr);
  }
  EXPECT_EQ(host_.manager.FindControl(L"Label")->GetText(), L"a");
  Layout();
}
