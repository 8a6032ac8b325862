// The skin builder: declarations, window options, defaults before own attributes, includes,
// unknown elements and controls that nothing can hold.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/ui/UiTestSupport.h"
#include "tests/ui/base/FrameTestSupport.h"
#include "ui/base/ContainerUI.h"
#include "ui/base/ControlUI.h"
#include "ui/control/OptionUI.h"
#include "ui/core/UIExtent.h"
#include "ui/render/SkinRenderer.h"
#include "ui/render/UIImageInfo.h"
#include "ui/skin/SkinBuilder.h"
#include "ui/skin/IDialogBuilderCallback.h"
#include "ui/base/WindowManagerUI.h"
#include "ui/control/LabelUI.h"
#include "ui/layout/HorizontalLayoutUI.h"
#include "ui/list/TreeNodeUI.h"
#include "ui/list/TreeViewUI.h"

using namespace SkinUI;

namespace {

class Callback : public IDialogBuilderCallback {
 public:
  int asked = 0;
  CControlUI* CreateControl(LPCWSTR name) override {
    ++asked;
    if (wcscmp(name, L"Custom") == 0) return new CControlUI();
    return nullptr;
  }
};

int CountAll(CControlUI* control) {
  if (!control) return 0;
  int n = 1;
  IContainerUI* c = static_cast<IContainerUI*>(control->GetInterface(L"IContainer"));
  for (int i = 0; c && i < c->GetCount(); ++i) n += CountAll(c->GetItemAt(i));
  return n;
}

}  // namespace

TEST(SkinBuilder, WindowOptionsOnlyWithAWindow) {
  const wchar_t* skin =
      L"<Window size=\"540,434\" caption=\"0,0,0,9999\" shadowborder=\"5,4,5,6\" roundcorner=\"2,2\" "
      L"mininfo=\"10\" bktrans=\"true\" defaultfontcolor=\"#FF123456\">"
      L"<Font name=\"A\" size=\"13\"/><Control/></Window>";
  CWindowManagerUI windowless;
  CSkinBuilder b1;
  CControlUI* root = b1.Create(skin, nullptr, nullptr, &windowless);
  ASSERT_NE(nullptr, root);
  delete root;
  EXPECT_EQ(0, windowless.GetInitSize().cx);
  EXPECT_EQ(0, windowless.GetCaptionRect().bottom);
  EXPECT_EQ(1, windowless.GetCustomFontCount());
  EXPECT_EQ(0xFF000000u, windowless.GetDefaultFontColor());

  HWND hwnd = uitest::MakeWindow();
  ASSERT_NE(nullptr, hwnd);
  {
    CWindowManagerUI m;
    m.Init(hwnd);
    CSkinBuilder b2;
    root = b2.Create(skin, nullptr, nullptr, &m);
    ASSERT_NE(nullptr, root);
    delete root;
    EXPECT_EQ(540, m.GetInitSize().cx);
    EXPECT_EQ(434, m.GetInitSize().cy);
    EXPECT_EQ(9999, m.GetCaptionRect().bottom);
    RECT border = m.GetShadowBorder();
    EXPECT_EQ(5, border.left);
    EXPECT_EQ(6, border.bottom);
    EXPECT_EQ(2, m.GetRoundCorner().cx);
    EXPECT_EQ(10, m.GetMinInfo().cx);
    EXPECT_EQ(0, m.GetMinInfo().cy);  // the short list stops at its end
    EXPECT_TRUE(m.IsLayeredBackground());
    EXPECT_EQ(0xFF123456u, m.GetDefaultFontColor());
    RECT client = {};
    GetClientRect(hwnd, &client);
    EXPECT_EQ(540, client.right);
  }
  DestroyWindow(hwnd);
}

TEST(SkinBuilder, FontsDefaultsAndOwnAttributes) {
  CWindowManagerUI m;
  CSkinBuilder b;
  CControlUI* root = b.Create(
      L"<Window><Font name=\"F0\" size=\"10\"/><Font name=\"F1\" bold=\"True\"/><Font name=\"F2\" bold=\"true\" "
      L"default=\"true\" size=\"20\"/><Font name=\"F3\"/><Font name=\"F4\" italic=\"true\"/><Font size=\"9\"/>"
      L"<Default name=\"Control\" value=\"bkcolor=&quot;#FFFF0000&quot; name=&quot;dflt&quot;\"/>"
      L"<Default name=\"Control\" value=\"bkcolor=&quot;#FF00FF00&quot;\"/>"
      L"<Container><Control/><Control bkcolor=\"#FF0000FF\"/></Container></Window>",
      nullptr, nullptr, &m);
  ASSERT_NE(nullptr, root);
  EXPECT_EQ(5, m.GetCustomFontCount());
  EXPECT_TRUE(m.GetFontInfo(2)->faceName == L"F2");
  EXPECT_TRUE(m.GetFontInfo(2)->bold);
  EXPECT_FALSE(m.GetFontInfo(1)->bold);
  EXPECT_EQ(12, m.GetFontInfo(1)->size);
  EXPECT_TRUE(m.GetFontInfo(4)->italic);
  EXPECT_TRUE(m.GetDefaultFontInfo()->faceName == L"F2");
  EXPECT_EQ(20, m.GetDefaultFontInfo()->size);
  EXPECT_EQ(m.GetDefaultFontInfo()->hFont, m.GetFont(-1));
  EXPECT_EQ(m.GetDefaultFontInfo()->hFont, m.GetFont(5));
  IContainerUI* c = static_cast<IContainerUI*>(root->GetInterface(L"IContainer"));
  ASSERT_NE(nullptr, c);
  ASSERT_EQ(2, c->GetCount());
  EXPECT_EQ(0xFFFF0000u, c->GetItemAt(0)->GetBkColor());  // the first Default stays
  EXPECT_TRUE(c->GetItemAt(0)->GetName() == L"dflt");
  EXPECT_EQ(0xFF0000FFu, c->GetItemAt(1)->GetBkColor());  // own attributes come last
  EXPECT_EQ(nullptr, c->GetItemAt(0)->GetManager());
  delete root;
}

// Options join their group while they are built; those that the builder drops (only the
// first top-level control is kept) leave it as they go.
TEST(SkinBuilder, DroppedOptionsLeaveTheirGroup) {
  const wchar_t* skin =
      L"<Window><HorizontalLayout><Option name=\"kept\" group=\"g\"/></HorizontalLayout>"
      L"<HorizontalLayout><Option name=\"dropped\" group=\"g\"/><Option group=\"g\"/></HorizontalLayout>"
      L"<Option group=\"g\"/></Window>";
  HWND hwnd = uitest::MakeWindow();
  ASSERT_NE(nullptr, hwnd);
  {
    CWindowManagerUI m;
    m.Init(hwnd);
    CSkinBuilder b;
    CControlUI* root = b.Create(skin, nullptr, nullptr, &m);
    ASSERT_NE(nullptr, root);
    ASSERT_NE(nullptr, m.GetOptionGroup(L"g"));
    EXPECT_EQ(1, m.GetOptionGroup(L"g")->GetSize());
    m.AttachDialog(root);
    auto* kept = static_cast<COptionUI*>(m.FindControl(L"kept"));
    ASSERT_NE(nullptr, kept);
    kept->SetSelected(true);  // walks the group
    EXPECT_TRUE(kept->IsSelected());
    ASSERT_NE(nullptr, m.GetOptionGroup(L"g"));
    EXPECT_EQ(1, m.GetOptionGroup(L"g")->GetSize());
  }
  // A manager that goes first leaves its options nothing to leave.
  CControlUI* loose = nullptr;
  {
    CWindowManagerUI m;
    CSkinBuilder b;
    loose = b.Create(skin, nullptr, nullptr, &m);
    ASSERT_NE(nullptr, loose);
  }
  delete loose;
  DestroyWindow(hwnd);
}

TEST(SkinBuilder, UnknownElementsCallbacksAndUnheldControls) {
  Callback callback;
  CSkinBuilder b;
  CControlUI* root = b.Create(
      L"<Window><Container>"
      L"<Widget><Control/><Control/></Widget><button/><Custom/>"
      L"<Control><Control/><Control/></Control>"
      L"</Container><Control/><Container/></Window>",
      nullptr, &callback);
  ASSERT_NE(nullptr, root);
  // Widget and button skipped with their subtrees; the Control inside a Control has no owner.
  EXPECT_EQ(3, CountAll(root));
  EXPECT_EQ(3, callback.asked);  // Widget, button, Custom
  delete root;
  CSkinBuilder empty;
  EXPECT_EQ(nullptr, empty.Create(L"<Window></Window>"));
  CSkinBuilder broken;
  EXPECT_EQ(nullptr, broken.Create(L"<Window><a></b></Window>"));
  EXPECT_STREQ(L"Unmatched closing tag", broken.GetLastErrorMessage());
  CSkinBuilder none;
  EXPECT_EQ(nullptr, none.Create(L""));
}

TEST(SkinBuilder, IncludesCountsAndSelfInclusion) {
  uitest::TempFolder folder;
  folder.Write("part.xml", "<Window><Font name=\"P\"/><Control/><Control/></Window>");
  folder.Write("self.xml", "<Window><Control/><Include source=\"self.xml\"/></Window>");
  CWindowManagerUI::CloseResourceZip();
  CWindowManagerUI::SetResourcePath(folder.Win().c_str());
  struct {
    const wchar_t* include;
    int children;
  } rows[] = {
      {L"<Include source=\"part.xml\" count=\"3\"/>", 6},
      {L"<Include source=\"part.xml\"/>", 2},
      {L"<Include source=\"part.xml\" count=\"0\"/>", 0},
      {L"<Include count=\"2\"/>", 0},
      {L"<Include/>", 0},
      {L"<Include source=\"missing.xml\"/>", 0},
      {L"<Include source=\"self.xml\"/>", 1},  // not again inside itself
  };
  for (auto& r : rows) {
    CWindowManagerUI m;
    std::wstring skin = std::wstring(L"<Window><Container>") + r.include + L"</Container></Window>";
    CSkinBuilder b;
    CControlUI* root = b.Create(skin.c_str(), nullptr, nullptr, &m);
    ASSERT_NE(nullptr, root) << r.include;
    EXPECT_EQ(r.children, static_cast<IContainerUI*>(root->GetInterface(L"IContainer"))->GetCount()) << r.include;
    delete root;
  }
  // Top-level includes and extra top-level controls are held by nothing and freed.
  CSkinBuilder top;
  CControlUI* first = top.Create(L"<Window><Include source=\"part.xml\"/><Control/><Control/></Window>");
  ASSERT_NE(nullptr, first);
  delete first;
  CWindowManagerUI::SetResourcePath(L"");
}

TEST(SkinBuilder, ImagesFromTheArchiveAndResources) {
  std::string png = uitest::MakePng(3, 2, std::vector<uint32_t>(6, 0xFF00FF00));
  std::string zip = uitest::BuildZip({{"img/a.png", png}, {"skin.xml", "<Window><Image name=\"img\\a.png\" mask=\"#FF00FF00\"/><Control/></Window>"}});
  BYTE* buffer = new BYTE[zip.size()];
  memcpy(buffer, zip.data(), zip.size());
  CWindowManagerUI::SetResourceZipBuffer(buffer, static_cast<DWORD>(zip.size()));
  CWindowManagerUI::SetResourceZipFromMemory();
  {
    CWindowManagerUI m;
    CSkinBuilder b;
    CControlUI* root = b.Create(L"skin.xml", nullptr, nullptr, &m);
    ASSERT_NE(nullptr, root);
    const UIImageInfo* image = m.GetImage(L"img\\a.png");
    ASSERT_NE(nullptr, image);
    EXPECT_EQ(3, image->nX);
    EXPECT_EQ(0xFF00FF00u, image->dwMask);
    EXPECT_TRUE(image->alphaChannel);
    EXPECT_EQ(nullptr, m.AddImage(L"img\\a.png"));  // already present
    EXPECT_EQ(nullptr, m.AddImage(L"abc", L"PNG"));  // a typed name must be a number
    EXPECT_EQ(image, m.GetImageEx(L"img\\a.png"));
    delete root;
  }
  CWindowManagerUI::CloseResourceZip();
  CWindowManagerUI::FreeResourceZipBuffer();
}

TEST(WindowManagerResources, PathsAndArchives) {
  struct {
    const wchar_t* in;
    const wchar_t* out;
  } rows[] = {{L"C:\\skin", L"C:\\skin\\"}, {L"C:\\skin\\", L"C:\\skin\\"}, {L"C:/skin/", L"C:/skin/"}, {L"", L""}};
  for (auto& r : rows) {
    CWindowManagerUI::SetResourcePath(r.in);
    EXPECT_STREQ(r.out, CWindowManagerUI::GetResourcePath().GetData());
  }
  uitest::TempFolder folder;
  folder.Write("a.zip", uitest::BuildZip({{"x", "1"}}));
  CWindowManagerUI::SetResourcePath(folder.Win().c_str());
  CWindowManagerUI::SetResourceZip(L"a.zip");
  void* handle = CWindowManagerUI::GetResourceZipHandle();
  ASSERT_NE(nullptr, handle);
  CWindowManagerUI::SetResourceZip(L"a.zip");
  EXPECT_EQ(handle, CWindowManagerUI::GetResourceZipHandle());  // opened once
  EXPECT_TRUE(CWindowManagerUI::IsCachedResourceZip());
  CWindowManagerUI::CloseResourceZip();
  EXPECT_TRUE(CWindowManagerUI::GetResourceZip().IsEmpty());
  CWindowManagerUI::SetResourcePath(L"");
}

TEST(SkinBuilder, IncludesAreBounded) {
  // A file that includes itself twice (2^16 builds before), a count at the int maximum
  // (endless before), more includes than one build may make, and a chain deeper than the cap.
  uitest::TempFolder folder;
  folder.Write("part.xml", "<Window><Control/><Control/></Window>");
  folder.Write("twice.xml", "<Window><Control/><Include source=\"twice.xml\"/><Include source=\"twice.xml\"/></Window>");
  folder.Write("ping.xml", "<Window><Control/><Include source=\"pong.xml\"/></Window>");
  folder.Write("pong.xml", "<Window><Control/><Include source=\"ping.xml\"/></Window>");
  for (int i = 0; i < 20; ++i) {
    folder.Write("d" + std::to_string(i) + ".xml",
                 "<Window><Control/><Include source=\"d" + std::to_string(i + 1) + ".xml\"/></Window>");
  }
  CWindowManagerUI::CloseResourceZip();
  CWindowManagerUI::SetResourcePath(folder.Win().c_str());
  std::wstring five;
  for (int i = 0; i < 5; ++i) five += L"<Include source=\"part.xml\" count=\"64\"/>";
  struct {
    std::wstring include;
    int children;
  } rows[] = {
      {L"<Include source=\"twice.xml\"/>", 1},
      {L"<Include source=\"ping.xml\"/>", 2},  // ping, pong, and ping again is refused
      {L"<Include source=\"part.xml\" count=\"2147483647\"/>", 2 * CSkinBuilder::kMaxIncludeCount},
      {five, 2 * CSkinBuilder::kMaxIncludes},
      {L"<Include source=\"d0.xml\"/>", CSkinBuilder::kMaxIncludeDepth},
  };
  for (auto& r : rows) {
    CWindowManagerUI m;
    std::wstring skin = L"<Window><Container>" + r.include + L"</Container></Window>";
    CSkinBuilder b;
    CControlUI* root = b.Create(skin.c_str(), nullptr, nullptr, &m);
    ASSERT_NE(nullptr, root);
    EXPECT_EQ(r.children, CountAll(root) - 1) << frametest::Narrow(r.include.c_str());
    delete root;
  }
  // The count is per build: a second build of the same skin includes as much again.
  CWindowManagerUI m;
  CSkinBuilder b;
  CControlUI* root = b.Create(L"twice.xml", nullptr, nullptr, &m);
  ASSERT_NE(nullptr, root);
  delete root;
  CWindowManagerUI::SetResourcePath(L"");
}

TEST(SkinBuilder, FontSizesAreBounded) {
  // A font size at the int minimum was negated for the font's height (checked by UBSan).
  CWindowManagerUI m;
  CSkinBuilder b;
  CControlUI* root = b.Create(
      L"<Window><Font name=\"A\" size=\"-2147483648\"/><Font name=\"B\" size=\"2147483647\" default=\"true\"/>"
      L"<Control/></Window>",
      nullptr, nullptr, &m);
  ASSERT_NE(nullptr, root);
  ASSERT_EQ(2, m.GetCustomFontCount());
  EXPECT_EQ(-CUIExtent::kMaxFontSize, m.GetFontInfo(0)->size);
  EXPECT_EQ(CUIExtent::kMaxFontSize, m.GetFontInfo(1)->size);
  EXPECT_EQ(CUIExtent::kMaxFontSize, m.GetDefaultFontInfo()->size);
  EXPECT_EQ(m.GetFontInfo(0)->hFont, m.FindFont(L"A", -2147483647 - 1, false, false, false));
  delete root;
}

TEST(SkinBuilder, FromResourcesWithResourceIncludes) {
  CWindowManagerUI m;
  CSkinBuilder b;
  CControlUI* root = b.Create(MAKEINTRESOURCEW(7), L"xml", nullptr, &m);
  ASSERT_NE(nullptr, root);
  IContainerUI* c = static_cast<IContainerUI*>(root->GetInterface(L"IContainer"));
  ASSERT_NE(nullptr, c);
  ASSERT_EQ(2, c->GetCount());
  EXPECT_TRUE(c->GetItemAt(0)->GetName() == L"leaf");
  const UIImageInfo* image = m.GetImage(L"150");
  ASSERT_NE(nullptr, image);
  EXPECT_EQ(2, image->nX);
  EXPECT_TRUE(image->sResType == L"PNG");
  delete root;
  CSkinBuilder missing;
  EXPECT_EQ(nullptr, missing.Create(MAKEINTRESOURCEW(99), L"xml", nullptr, &m));
  UIImageInfo* direct = CSkinRenderer::LoadImage(L"150", L"PNG");
  ASSERT_NE(nullptr, direct);
  EXPECT_EQ(2, direct->nY);
  CSkinRenderer::FreeImage(direct);
  EXPECT_EQ(nullptr, CSkinRenderer::LoadImage(L"151", L"PNG"));
}

TEST(SkinBuilder, TreeNodesFromMarkup) {
  CWindowManagerUI m;
  CSkinBuilder b;
  CControlUI* root = b.Create(
      L"<Window><Default name=\"TreeNode\" value=\"itemtextcolor=&quot;#FF00FF00&quot;\"/>"
      L"<TreeView><TreeNode name=\"p\" text=\"p\"><TreeNode name=\"a\"><TreeNode name=\"a1\">"
      L"<TreeNode name=\"a11\"/></TreeNode></TreeNode><Label name=\"tag\" text=\"x\"/></TreeNode>"
      L"<TreeNode name=\"q\" itemtextcolor=\"#FF0000FF\"/></TreeView></Window>",
      nullptr, nullptr, &m);
  ASSERT_NE(nullptr, root);
  CTreeViewUI* view = static_cast<CTreeViewUI*>(root->GetInterface(L"TreeView"));
  ASSERT_NE(nullptr, view);
  const wchar_t* rows[] = {L"p", L"a", L"a1", L"a11", L"q"};
  const int indent[] = {2, 18, 34, 50, 2};  // as when the same tree is made in code
  ASSERT_EQ(5, view->GetCount());
  for (int i = 0; i < 5; ++i) {
    CTreeNodeUI* node = static_cast<CTreeNodeUI*>(view->GetItemAt(i)->GetInterface(L"TreeNode"));
    ASSERT_NE(nullptr, node);
    EXPECT_TRUE(node->GetName() == rows[i]) << i;
    EXPECT_EQ(indent[i], node->GetDottedLine()->GetFixedWidth()) << i;
    EXPECT_EQ(view, node->GetTreeView()) << i;
  }
  CTreeNodeUI* p = static_cast<CTreeNodeUI*>(view->GetItemAt(0)->GetInterface(L"TreeNode"));
  EXPECT_EQ(1, p->GetCountChild());
  EXPECT_EQ(0xFF00FF00u, p->GetItemTextColor());  // the class defaults
  EXPECT_EQ(0xFF0000FFu, static_cast<CTreeNodeUI*>(view->GetItemAt(4))->GetItemTextColor());
  // A control inside a node goes into the node's row, after its buttons; the row is the
  // node's only item.
  EXPECT_EQ(1, p->GetCount());
  CHorizontalLayoutUI* row = p->GetTreeNodeHoriznotal();
  ASSERT_EQ(5, row->GetCount());
  EXPECT_TRUE(row->GetItemAt(4)->GetName() == L"tag");
  EXPECT_EQ(row, row->GetItemAt(4)->GetParent());
  delete root;

  // A node that nothing can hold: the level answers null there (later siblings are not
  // built, earlier ones stay), and at the top level the node goes and is never the result.
  CSkinBuilder inBox;
  root = inBox.Create(L"<Window><VerticalLayout><Label name=\"l1\"/><TreeNode/><Label name=\"l2\"/>"
                      L"</VerticalLayout></Window>");
  ASSERT_NE(nullptr, root);
  IContainerUI* box = static_cast<IContainerUI*>(root->GetInterface(L"IContainer"));
  ASSERT_EQ(1, box->GetCount());
  EXPECT_TRUE(box->GetItemAt(0)->GetName() == L"l1");
  delete root;
  CSkinBuilder top;
  root = top.Create(L"<Window><TreeNode name=\"n\"><TreeNode/></TreeNode><Label name=\"l\"/></Window>");
  ASSERT_NE(nullptr, root);
  EXPECT_TRUE(root->GetName() == L"l");
  delete root;
}
