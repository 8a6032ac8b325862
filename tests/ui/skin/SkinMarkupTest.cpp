// The skin markup parser: syntax, every error text, entities, attributes, files and archives.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/ui/UiTestSupport.h"
#include "ui/skin/SkinMarkup.h"
#include "ui/base/WindowManagerUI.h"

using namespace SkinUI;

TEST(SkinMarkup, SyntaxTable) {
  struct {
    const wchar_t* text;
    bool ok;
    const wchar_t* error;
  } rows[] = {
      {L"", true, L""},
      {L"  \r\n\t ", true, L""},
      {L"<Window size=\"1,2\">", true, L""},
      {L"<Window><a>", true, L""},
      {L"<Window><a><b>", false, L"Expected end-tag start"},
      {L"<Window><a><b></b>", false, L"Expected start tag"},
      {L"<a x='1'/>", false, L"Expected attribute value"},
      {L"<a x=1/>", false, L"Expected attribute value"},
      {L"<a b-c=\"1\"/>", false, L"Error while parsing attributes"},
      {L"<a></b>", false, L"Unmatched closing tag"},
      {L"<a></a  >", true, L""},
      {L"<a></ab>", false, L"Unmatched closing tag"},
      {L"<a></a x>", false, L"Unmatched closing tag"},
      {L"<a", false, L"Error parsing element name"},
      {L"<a x=\"1", false, L"Error while parsing attribute string"},
      {L"<a x=\"1\" ?>", false, L"Error while parsing attributes"},
      {L"<a x=\"1\" /x>", false, L"Expected start-tag closing"},
      {L"text", false, L"Expected start tag"},
      {L"<?xml version=\"1.0\"?><!--c > d--><a/>", true, L""},
      {L"<!--HorizontalLayout > ... </HorizontalLayout--><a/>", true, L""},
      {L"<a/>", true, L""},
      {L"<a x=\"1\"/><b/>", true, L""},
  };
  for (auto& r : rows) {
    CSkinMarkup markup;
    EXPECT_EQ(r.ok, markup.Load(r.text)) << r.text;
    EXPECT_STREQ(r.error, markup.GetLastErrorMessage()) << r.text;
    if (!r.ok) {
      EXPECT_FALSE(markup.GetRoot().IsValid());
    }
  }
}

TEST(SkinMarkup, TreeEntitiesAndAttributes) {
  CSkinMarkup markup;
  ASSERT_TRUE(markup.Load(
      L"<Window a=\"&amp;&lt;&gt;&quot;&apos;\" b=\"&#65;&x\" c = \"sp  ace\">"
      L"<Label text=\"one\"/><!-- skipped --><Button name=\"two\">inner</Button></Window>"));
  CSkinMarkupNode root = markup.GetRoot();
  ASSERT_TRUE(root.IsValid());
  EXPECT_STREQ(L"Window", root.GetName());
  EXPECT_EQ(3, root.GetAttributeCount());
  EXPECT_STREQ(L"&<>\"'", root.GetAttributeValue(L"a"));
  EXPECT_STREQ(L"&#65;&x", root.GetAttributeValue(L"b"));
  EXPECT_STREQ(L"sp  ace", root.GetAttributeValue(L"c"));
  EXPECT_STREQ(L"c", root.GetAttributeName(2));
  EXPECT_STREQ(L"", root.GetAttributeName(3));
  EXPECT_STREQ(L"", root.GetAttributeValue(-1));
  wchar_t buffer[500] = {};
  EXPECT_TRUE(root.GetAttributeValue(L"c", buffer));
  EXPECT_STREQ(L"sp  ace", buffer);
  EXPECT_FALSE(root.GetAttributeValue(L"C", buffer));
  CSkinMarkupNode label = root.GetChild();
  EXPECT_STREQ(L"Label", label.GetName());
  EXPECT_STREQ(L"one", label.GetAttributeValue(L"text"));
  CSkinMarkupNode button = label.GetSibling();
  EXPECT_STREQ(L"Button", button.GetName());
  EXPECT_STREQ(L"inner", button.GetValue());
  EXPECT_FALSE(button.GetSibling().IsValid());
  EXPECT_FALSE(button.HasChildren());
  EXPECT_TRUE(root.HasChildren());
  CSkinMarkupNode invalid;
  EXPECT_EQ(nullptr, invalid.GetName());
  EXPECT_EQ(0, invalid.GetAttributeCount());
}

TEST(SkinMarkup, SeventyAttributesShowSixtyFour) {
  std::wstring text = L"<a";
  for (int i = 0; i < 70; ++i) text += L" k" + std::to_wstring(i) + L"=\"v" + std::to_wstring(i) + L"\"";
  text += L"/>";
  CSkinMarkup markup;
  ASSERT_TRUE(markup.Load(text.c_str()));
  CSkinMarkupNode node = markup.GetRoot();
  EXPECT_EQ(64, node.GetAttributeCount());
  EXPECT_STREQ(L"v63", node.GetAttributeValue(L"k63"));
  EXPECT_EQ(nullptr, node.GetAttributeValue(L"k64"));
}

TEST(SkinMarkup, DepthIsCapped) {
  std::wstring deep;
  for (int i = 0; i < 300; ++i) deep += L"<a>";
  for (int i = 0; i < 300; ++i) deep += L"</a>";
  CSkinMarkup markup;
  EXPECT_FALSE(markup.Load(deep.c_str()));
  std::wstring fine;
  for (int i = 0; i < 200; ++i) fine += L"<a>";
  for (int i = 0; i < 200; ++i) fine += L"</a>";
  EXPECT_TRUE(markup.Load(fine.c_str()));
}

TEST(SkinMarkup, Utf8WithAndWithoutMark) {
  std::string body = "<Window><Label text=\"\xE4\xB8\xAD\xE6\x96\x87\"/></Window>";
  for (const std::string& bytes : {body, "\xEF\xBB\xBF" + body}) {
    CSkinMarkup markup;
    ASSERT_TRUE(markup.LoadFromMem(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size())));
    EXPECT_STREQ(L"\u4E2D\u6587", markup.GetRoot().GetChild().GetAttributeValue(L"text"));
  }
}

namespace {
std::string DocumentOfSize(size_t size) {
  std::string head = "<Window>", tail = "</Window>";
  return head + std::string(size - head.size() - tail.size(), ' ') + tail;
}
}  // namespace

TEST(SkinMarkup, FilesAndTheFourMegabyteBoundary) {
  uitest::TempFolder folder;
  folder.Write("exact.xml", DocumentOfSize(0x400000));
  folder.Write("over.xml", DocumentOfSize(0x400001));
  folder.Write("empty.xml", "");
  CWindowManagerUI::CloseResourceZip();
  CWindowManagerUI::SetResourcePath(folder.Win().c_str());
  struct {
    const wchar_t* name;
    bool ok;
    const wchar_t* error;
  } rows[] = {{L"exact.xml", true, L""},
              {L"over.xml", false, L"File too large"},
              {L"empty.xml", false, L"File is empty"},
              {L"missing.xml", false, L"Error opening file"}};
  for (auto& r : rows) {
    CSkinMarkup markup;
    EXPECT_EQ(r.ok, markup.LoadFromFile(r.name)) << r.name;
    EXPECT_STREQ(r.error, markup.GetLastErrorMessage()) << r.name;
  }

  std::string stored = uitest::BuildZip({{"exact.xml", DocumentOfSize(0x400000)},
                                         {"over.xml", DocumentOfSize(0x400001)},
                                         {"empty.xml", ""},
                                         {"broken.xml", "<Window>" + std::string(3000, 'x') + "</Window>", 0}});
  size_t at = stored.find("xxxx");
  stored[at + 10] = 'y';  // the stored entry's CRC fails
  folder.Write("skin.zip", stored);
  CWindowManagerUI::SetResourceZip(L"skin.zip");
  struct {
    const wchar_t* name;
    bool ok;
    const wchar_t* error;
  } zipRows[] = {{L"EXACT.xml", true, L""},
                 {L"over.xml", false, L"File too large"},
                 {L"empty.xml", false, L"File is empty"},
                 {L"missing.xml", false, L"Could not find ziped file"},
                 {L"broken.xml", false, L"Could not unzip file"}};
  for (auto& r : zipRows) {
    CSkinMarkup markup;
    EXPECT_EQ(r.ok, markup.LoadFromFile(r.name)) << r.name;
    EXPECT_STREQ(r.error, markup.GetLastErrorMessage()) << r.name;
  }
  CWindowManagerUI::CloseResourceZip();
  CWindowManagerUI::SetResourceZip(L"nothere.zip");
  CSkinMarkup markup;
  EXPECT_FALSE(markup.LoadFromFile(L"exact.xml"));
  EXPECT_STREQ(L"Error opening zip file", markup.GetLastErrorMessage());
  CWindowManagerUI::CloseResourceZip();
  CWindowManagerUI::SetResourcePath(L"");
}
