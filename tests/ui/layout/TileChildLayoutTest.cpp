#include <filesystem>
#include <fstream>
#include <functional>

#include "tests/ui/base/ControlTestHost.h"
#include "ui/control/ButtonUI.h"
#include "platform/src/internal/paths.h"
#include "ui/skin/ChildLayoutUI.h"
#include "ui/skin/SkinBuilder.h"
#include "ui/layout/TileLayoutUI.h"

using namespace uictest;
using frametest::Str;

namespace {

class TileChildLayoutTest : public ControlTest {
 protected:
  CTileLayoutUI* MakeTile(int width, const wchar_t* attrs, int children, int fixedW = 0, int fixedH = 30) {
    auto* tile = new CTileLayoutUI;
    tile->ApplyAttributeList(attrs);
    for (int i = 0; i < children; ++i) {
      auto* c = new CControlUI;
      c->SetFixedWidth(fixedW);
      c->SetFixedHeight(fixedH);
      tile->Add(c);
    }
    return Place(tile, L"tile", RECT{0, 0, width, 300});
  }
  std::string At(CTileLayoutUI* tile, int i) { return Str(tile->GetItemAt(i)->GetPos()); }
  // A child layout of `file`, placed below the one placed before.
  CChildLayoutUI* PlaceChild(const wchar_t* file) {
    auto* child = new CChildLayoutUI;
    child->SetAttribute(L"xmlfile", file);
    Place(child, file, RECT{0, top_, 300, top_ + 100});
    top_ += 100;
    return child;
  }
  int top_ = 0;
};

}  // namespace

TEST_F(TileChildLayoutTest, TileColumnsFollowTheItemWidth) {
  CTileLayoutUI* tile = MakeTile(300, L"itemsize=\"100,40\"", 4);
  EXPECT_EQ(tile->GetColumns(), 3);
  EXPECT_EQ(At(tile, 0), "0,0,100,30");
  EXPECT_EQ(At(tile, 2), "200,0,300,30");
  EXPECT_EQ(At(tile, 3), "0,30,100,60");
  root_->Remove(tile);
  tile = MakeTile(299, L"itemsize=\"100,40\"", 3);
  EXPECT_EQ(tile->GetColumns(), 2);
  EXPECT_EQ(At(tile, 1), "149,0,298,30");
  EXPECT_EQ(At(tile, 2), "0,30,149,60");
  tile->SetAttribute(L"columns", L"0");  // refused
  EXPECT_EQ(tile->GetColumns(), 2);
}

TEST_F(TileChildLayoutTest, TileFixedColumnsPaddingAndCentring) {
  CTileLayoutUI* tile = MakeTile(200, L"columns=\"4\"", 5);
  EXPECT_EQ(At(tile, 3), "150,0,200,30");
  EXPECT_EQ(At(tile, 4), "0,30,50,60");  // alone at the left of the second row
  root_->Remove(tile);

  tile = MakeTile(300, L"columns=\"3\" childpadding=\"10\"", 3);
  EXPECT_EQ(At(tile, 0), "0,0,95,30");     // gives up 5 on the right only
  EXPECT_EQ(At(tile, 1), "105,0,195,30");  // 5 on each side
  EXPECT_EQ(At(tile, 2), "205,0,300,30");  // 5 on the left only
  root_->Remove(tile);

  tile = MakeTile(300, L"columns=\"3\"", 0);
  auto* small = new CControlUI;
  small->SetFixedWidth(30);
  small->SetFixedHeight(20);
  auto* tall = new CControlUI;
  tall->SetFixedHeight(40);
  tile->Add(small);
  tile->Add(tall);
  auto* next = new CControlUI;
  next->SetFixedHeight(10);
  tile->Add(next);
  tile->Add(new CControlUI);
  Layout();
  EXPECT_EQ(At(tile, 0), "35,10,65,30");  // centred in its 100 x 40 cell
  EXPECT_EQ(At(tile, 1), "100,0,200,40");
  EXPECT_EQ(At(tile, 3), "0,40,100,40");  // the next row starts below the tallest
}

TEST_F(TileChildLayoutTest, ChildLayoutBuildsFromItsFileOrStaysEmpty) {
  char pattern[] = "/tmp/jfuic_XXXXXX";
  std::string folder = mkdtemp(pattern);
  std::ofstream(folder + "/part.xml") << "<Window><HorizontalLayout name=\"inner\"><Button name=\"deep\" /></HorizontalLayout></Window>";
  CWindowManagerUI::SetResourcePath((jf::WinPathFromHost(folder) + L"\\").c_str());

  auto* child = new CChildLayoutUI;
  child->SetAttribute(L"xmlfile", L"part.xml");
  EXPECT_EQ(child->GetInterface(L"IContainer"), nullptr);
  EXPECT_NE(child->GetInterface(L"ChildLayout"), nullptr);
  Place(child, L"child", RECT{0, 0, 300, 100});
  ASSERT_EQ(child->GetCount(), 1);
  EXPECT_EQ(child->GetItemAt(0)->GetName(), L"inner");
  EXPECT_NE(host_.manager.FindControl(L"deep"), nullptr);

  auto* missing = new CChildLayoutUI;
  missing->SetAttribute(L"xmlfile", L"nothere.xml");
  Place(missing, L"missing", RECT{0, 100, 300, 200});
  EXPECT_EQ(missing->GetCount(), 0);
  CWindowManagerUI::SetResourcePath(L"");
  std::remove((folder + "/part.xml").c_str());
  rmdir(folder.c_str());
}

// A child layout whose file names itself, directly or through another file, is built once;
// the inner layout that would start the file over stays empty, and so does one nested deeper
// than includes may be.
TEST_F(TileChildLayoutTest, ChildLayoutNamingItselfIsBuiltOnce) {
  char pattern[] = "/tmp/jfuic_XXXXXX";
  std::string folder = mkdtemp(pattern);
  auto write = [&](const std::string& name, const std::string& next) {
    std::ofstream(folder + "/" + name) << "<Window><VerticalLayout name=\"in_" << name
                                       << "\"><ChildLayout xmlfile=\"" << next << "\" /></VerticalLayout></Window>";
  };
  write("self.xml", "self.xml");
  write("a.xml", "b.xml");
  write("b.xml", "a.xml");
  // A chain of distinct files deeper than the include bound.
  for (int i = 0; i < 40; ++i) write("c" + std::to_string(i) + ".xml", "c" + std::to_string(i + 1) + ".xml");
  CWindowManagerUI::SetResourcePath((jf::WinPathFromHost(folder) + L"\\").c_str());
  // The layouts along the first one's chain, outermost first.
  auto chain = [](CChildLayoutUI* layout) {
    std::vector<CChildLayoutUI*> out;
    while (layout) {
      out.push_back(layout);
      if (layout->GetCount() != 1) break;
      auto* inner = static_cast<CContainerUI*>(layout->GetItemAt(0)->GetInterface(L"Container"));
      layout = inner && inner->GetCount() == 1
                   ? static_cast<CChildLayoutUI*>(inner->GetItemAt(0)->GetInterface(L"ChildLayout"))
                   : nullptr;
    }
    return out;
  };
  struct Case {
    const wchar_t* file;
    size_t layouts;  // child layouts along the chain, the last one empty
  } cases[] = {{L"self.xml", 2}, {L"a.xml", 3}, {L"c0.xml", CSkinBuilder::kMaxIncludeDepth + 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.file));
    CChildLayoutUI* child = PlaceChild(c.file);
    std::vector<CChildLayoutUI*> layouts = chain(child);
    EXPECT_EQ(layouts.size(), c.layouts);
    EXPECT_EQ(layouts.back()->GetCount(), 0);
  }
  // Built again later, the same file builds as before: nothing stays marked as open.
  EXPECT_EQ(chain(PlaceChild(L"a.xml")).size(), 3u);
  CWindowManagerUI::SetResourcePath(L"");
  for (const char* name : {"self.xml", "a.xml", "b.xml"}) std::remove((folder + "/" + name).c_str());
  for (int i = 0; i < 40; ++i) std::remove((folder + "/c" + std::to_string(i) + ".xml").c_str());
  rmdir(folder.c_str());
}

// The child layouts that one tree's initialisation builds open at most as many documents in
// all as a build may include, counting the documents those include, however the files name
// one another; and another spelling of a file being built is the same file.
TEST_F(TileChildLayoutTest, ChildLayoutsOpenABoundedTotalOfDocuments) {
  char pattern[] = "/tmp/jfuic_XXXXXX";
  std::string folder = mkdtemp(pattern);
  auto write = [&](const std::string& name, const std::string& body) {
    std::ofstream(folder + "/" + name) << "<Window><VerticalLayout>" << body << "</VerticalLayout></Window>";
  };
  auto layout = [](const std::string& file) { return "<ChildLayout xmlfile=\"" + file + "\" />"; };
  // f0 .. f7 each name the next three times, and g0 .. g7 include three parts that each name
  // the next: 3280 documents each, unbounded.
  for (int i = 0; i < 8; ++i) {
    std::string next = std::to_string(i + 1);
    write("f" + std::to_string(i) + ".xml", i < 7 ? layout("f" + next + ".xml") + layout("f" + next + ".xml") +
                                                        layout("f" + next + ".xml")
                                                  : "");
    write("g" + std::to_string(i) + ".xml", i < 7 ? "<Include source=\"n" + std::to_string(i) + ".xml\" count=\"3\" />" : "");
    write("n" + std::to_string(i) + ".xml", layout("g" + next + ".xml"));
  }
  write("s.xml", layout("./s.xml") + layout("././s.xml") + layout(".\\\\s.xml") + layout("sub/../s.xml"));
  CWindowManagerUI::SetResourcePath((jf::WinPathFromHost(folder) + L"\\").c_str());
  // Documents opened: the child layouts that were built, and for the g files the included
  // parts, one for each child layout but the outermost.
  std::function<void(CControlUI*, int&, int&)> count = [&](CControlUI* control, int& built, int& layouts) {
    auto* child = static_cast<CChildLayoutUI*>(control->GetInterface(L"ChildLayout"));
    layouts += child != nullptr;
    built += child && child->GetCount() > 0;
    CContainerUI* box = child ? child : static_cast<CContainerUI*>(control->GetInterface(L"Container"));
    for (int i = 0; box && i < box->GetCount(); ++i) count(box->GetItemAt(i), built, layouts);
  };
  struct Case {
    const wchar_t* file;
    int documents;
  } cases[] = {{L"f0.xml", CSkinBuilder::kMaxIncludes}, {L"g0.xml", CSkinBuilder::kMaxIncludes}, {L"s.xml", 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.file));
    CChildLayoutUI* child = PlaceChild(c.file);
    int built = 0, layouts = 0;
    count(child, built, layouts);
    int included = c.file[0] == L'g' ? layouts - 1 : 0;
    EXPECT_EQ(built + included, c.documents);
  }
  // A layout initialised on its own after a tree that used up its count counts on its own.
  PlaceChild(L"f0.xml");
  CChildLayoutUI alone;
  alone.SetAttribute(L"xmlfile", L"s.xml");
  alone.SetManager(&host_.manager, root_, true);
  EXPECT_EQ(alone.GetCount(), 1);
  CWindowManagerUI::SetResourcePath(L"");
  std::filesystem::remove_all(folder);
}
