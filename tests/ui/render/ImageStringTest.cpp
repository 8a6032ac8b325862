// Image strings: the parser's working set, and the drawers' geometry checked in pixels.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/ui/UiTestSupport.h"
#include "tests/support/SurfacePng.h"
#include "ui/render/ImageStringParser.h"
#include "ui/render/SkinRenderer.h"
#include "ui/base/WindowManagerUI.h"

using namespace SkinUI;
using uitest::Canvas;

namespace {

struct Drawn {
  std::wstring name, type;
  RECT dest, source, corner;
  BYTE fade;
  bool hole, stretch;
  DWORD mask;
};

void Collect(const UIImageDrawSet& set, void* context) {
  static_cast<std::vector<Drawn>*>(context)->push_back(
      {set.name.GetData(), set.type.GetData(), set.dest, set.source, set.corner, set.fade, set.hole, set.stretch,
       set.mask});
}

std::vector<Drawn> ParseAll(LPCWSTR image, LPCWSTR modify = nullptr, RECT item = {10, 20, 110, 120}) {
  std::vector<Drawn> out;
  CImageStringParser::Parse(item, image, modify, Collect, &out);
  return out;
}

bool Eq(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// 9x9 image of 3x3 cells, each its own opaque colour.
const uint32_t kCells[9] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00, 0xFF00FFFF,
                            0xFFFF00FF, 0xFF800000, 0xFF008000, 0xFF000080};
std::string NineGridPng() {
  std::vector<uint32_t> px(81);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 9; ++x) px[y * 9 + x] = kCells[(y / 3) * 3 + x / 3];
  return uitest::MakePng(9, 9, px);
}

UIImageInfo* Load(const std::string& png, DWORD mask = 0) {
  return CSkinRenderer::LoadImageFromMemory(reinterpret_cast<const BYTE*>(png.data()),
                                            static_cast<DWORD>(png.size()), mask);
}

}  // namespace

TEST(ImageStringParser, PairsTable) {
  auto bare = ParseAll(L"a.png");
  ASSERT_EQ(1u, bare.size());
  EXPECT_EQ(L"a.png", bare[0].name);
  EXPECT_TRUE(Eq(bare[0].dest, RECT{10, 20, 110, 120}));
  EXPECT_EQ(L"a.png", ParseAll(L"file='a.png'")[0].name);

  auto two = ParseAll(L"file='a.png' corner='1,2,3,4' file='b.png' fade='100'");
  ASSERT_EQ(2u, two.size());
  EXPECT_EQ(L"a.png", two[0].name);
  EXPECT_EQ(255, two[0].fade);
  EXPECT_EQ(L"b.png", two[1].name);
  EXPECT_TRUE(Eq(two[1].corner, RECT{1, 2, 3, 4}));  // carried over
  EXPECT_EQ(100, two[1].fade);

  auto glued = ParseAll(L"file='a.png'dest='0,0,10,10'");
  ASSERT_EQ(1u, glued.size());
  EXPECT_TRUE(Eq(glued[0].dest, RECT{10, 20, 110, 120}));
  auto tab = ParseAll(L"file='a.png'\tdest='0,0,10,10'");
  EXPECT_TRUE(Eq(tab[0].dest, RECT{10, 20, 110, 120}));

  struct {
    const wchar_t* text;
    RECT dest;
  } dests[] = {
      {L"file='a' dest='0,0,500,500'", {10, 20, 110, 120}},
      {L"file='a' dest='5,6,20,30'", {15, 26, 30, 50}},
      {L"file='a' rdest='-20,-20,0,0'", {90, 100, 110, 120}},
      {L"file='a' dest='10'", {20, 20, 10, 20}},  // short list: the rest is 0
      {L"file='a' dest='99999999999,0,1,1'", {10 + 1000000, 20, 11, 21}},  // bounded offset
  };
  for (auto& d : dests) EXPECT_TRUE(Eq(ParseAll(d.text)[0].dest, d.dest)) << d.text;

  EXPECT_EQ(0, ParseAll(L"file='a' fade='256'")[0].fade);
  EXPECT_EQ(0xFFFF00FFu, ParseAll(L"file='a' mask='#FFFF00FF'")[0].mask);
  EXPECT_TRUE(ParseAll(L"file='a' hole='true'")[0].hole);
  EXPECT_FALSE(ParseAll(L"file='a' hole='TRUE'")[0].hole);
  EXPECT_FALSE(ParseAll(L"file='a' stretch='false'")[0].stretch);
  EXPECT_EQ(L"a", ParseAll(L"file='a' dest=''")[0].name);
  EXPECT_EQ(L"a", ParseAll(L"file='a' unknown='x' gray='true' angle='5'")[0].name);
  EXPECT_EQ(L"file='a", ParseAll(L"file='a")[0].name);  // unterminated: the pass ends

  // restype counts as a new image, res does not.
  EXPECT_EQ(2u, ParseAll(L"file='a' restype='PNG'").size());
  auto res = ParseAll(L"file='a' res='b'");
  ASSERT_EQ(2u, res.size());
  EXPECT_EQ(L"b", res[1].name);
  EXPECT_EQ(1u, ParseAll(L"res='a' res='b'").size());

  // The modifier applies on top.
  auto mod = ParseAll(L"file='a' dest='0,0,5,5'", L"dest='1,1,2,2'");
  ASSERT_EQ(1u, mod.size());
  EXPECT_TRUE(Eq(mod[0].dest, RECT{11, 21, 12, 22}));
  EXPECT_EQ(L"", ParseAll(nullptr, L"dest='1,1,2,2'")[0].name);
}

TEST(ImageDrawing, LoadingPremultipliesAndMasks) {
  std::string png = uitest::MakePng(2, 1, {0x80FF0000, 0xFFFF00FF});
  UIImageInfo* plain = Load(png);
  ASSERT_NE(nullptr, plain);
  EXPECT_EQ(2, plain->nX);
  EXPECT_TRUE(plain->alphaChannel);
  Canvas c(2, 1, 0);
  HDC mem = CreateCompatibleDC(c.dc());
  HGDIOBJ old = SelectObject(mem, plain->hBitmap);
  BitBlt(c.dc(), 0, 0, 2, 1, mem, 0, 0, SRCCOPY);
  EXPECT_EQ(0x80800000u, c.At(0, 0));  // 255*128/255 = 128
  EXPECT_EQ(0xFFFF00FFu, c.At(1, 0));
  SelectObject(mem, old);
  CSkinRenderer::FreeImage(plain);
  UIImageInfo* masked = Load(uitest::MakePng(2, 1, {0xFF00FF00, 0xFFFF00FF}), 0xFFFF00FF);
  ASSERT_NE(nullptr, masked);
  EXPECT_TRUE(masked->alphaChannel);
  old = SelectObject(mem, masked->hBitmap);
  BitBlt(c.dc(), 0, 0, 2, 1, mem, 0, 0, SRCCOPY);
  EXPECT_EQ(0xFF00FF00u, c.At(0, 0));
  EXPECT_EQ(0u, c.At(1, 0));
  SelectObject(mem, old);
  DeleteDC(mem);
  CSkinRenderer::FreeImage(masked);
  EXPECT_EQ(nullptr, Load("not a png"));
}

TEST(ImageDrawing, NineGridHoleAndSmallTargets) {
  UIImageInfo* img = Load(NineGridPng());
  ASSERT_NE(nullptr, img);
  RECT src = {0, 0, 9, 9}, corner = {3, 3, 3, 3};
  Canvas c(40, 40, 0xFF101010);
  RECT dest = {5, 5, 35, 35};
  CSkinRenderer::DrawImage(c.dc(), img->hBitmap, dest, c.Rect(), src, corner, false);
  jftest::WriteBitmapPng(c.bitmap(), JF_TEST_BIN_DIR "/uibase_ninegrid.png");
  struct {
    int x, y;
    uint32_t want;
  } points[] = {{5, 5, kCells[0]},   {7, 7, kCells[0]},   {20, 6, kCells[1]},  {34, 5, kCells[2]},
                {6, 20, kCells[3]},  {20, 20, kCells[4]}, {33, 20, kCells[5]}, {5, 34, kCells[6]},
                {20, 33, kCells[7]}, {34, 34, kCells[8]}, {4, 4, 0xFF101010},  {35, 35, 0xFF101010}};
  for (auto& p : points) EXPECT_EQ(p.want, c.At(p.x, p.y)) << p.x << "," << p.y;

  Canvas h(40, 40, 0xFF101010);
  CSkinRenderer::DrawImage(h.dc(), img->hBitmap, dest, h.Rect(), src, corner, false, 255, true);
  EXPECT_EQ(0xFF101010u, h.At(20, 20));  // the hole
  EXPECT_EQ(kCells[1], h.At(20, 6));

  // Smaller than both corners: four overlapping corners at full size, nothing else.
  Canvas s(20, 20, 0xFF101010);
  RECT tiny = {5, 5, 10, 10};
  CSkinRenderer::DrawImage(s.dc(), img->hBitmap, tiny, s.Rect(), src, corner, false);
  EXPECT_EQ(kCells[0], s.At(5, 5));
  EXPECT_EQ(kCells[8], s.At(9, 9));
  EXPECT_EQ(0xFF101010u, s.At(10, 10));

  // Only the part inside the paint rectangle is drawn by the block copy.
  Canvas p(20, 20, 0xFF101010);
  RECT same = {0, 0, 9, 9}, none = {0, 0, 0, 0}, paint = {0, 0, 4, 4};
  CSkinRenderer::DrawImage(p.dc(), img->hBitmap, same, paint, src, none, false);
  EXPECT_EQ(kCells[0], p.At(2, 2));
  EXPECT_EQ(kCells[4], p.At(3, 3));
  EXPECT_EQ(0xFF101010u, p.At(5, 5));
  CSkinRenderer::FreeImage(img);
}

TEST(ImageDrawing, TilingFadeAndClampedSources) {
  // A 4x2 image: left half red, right half blue, so a tile shows both.
  UIImageInfo* img = Load(uitest::MakePng(4, 2, {0xFFFF0000, 0xFFFF0000, 0xFF0000FF, 0xFF0000FF, 0xFFFF0000,
                                                 0xFFFF0000, 0xFF0000FF, 0xFF0000FF}));
  ASSERT_NE(nullptr, img);
  RECT src = {0, 0, 4, 2}, none = {0, 0, 0, 0};
  Canvas c(10, 4, 0xFF000000);
  RECT dest = {0, 0, 10, 4};
  CSkinRenderer::DrawImage(c.dc(), img->hBitmap, dest, c.Rect(), src, none, false, 255, false, true, true);
  // Columns of 4: red red blue blue | red red blue blue | red red (cut tile, cut source).
  const uint32_t row[10] = {0xFFFF0000, 0xFFFF0000, 0xFF0000FF, 0xFF0000FF, 0xFFFF0000,
                            0xFFFF0000, 0xFF0000FF, 0xFF0000FF, 0xFFFF0000, 0xFFFF0000};
  for (int x = 0; x < 10; ++x) {
    EXPECT_EQ(row[x], c.At(x, 0)) << x;
    EXPECT_EQ(row[x], c.At(x, 3)) << x;
  }
  Canvas f(4, 2, 0xFF000000);
  RECT d2 = {0, 0, 4, 2};
  CSkinRenderer::DrawImage(f.dc(), img->hBitmap, d2, f.Rect(), src, none, false, 128);
  EXPECT_NEAR(0x80, static_cast<int>((f.At(0, 0) >> 16) & 0xFF), 1);
  EXPECT_EQ(0xFFu, f.At(0, 0) >> 24);
  // Sources beyond the image on every side are clamped, never read outside.
  RECT wild = {-50, -50, 400, 400};
  Canvas w(8, 8, 0xFF000000);
  RECT d3 = {0, 0, 8, 8};
  CSkinRenderer::DrawImage(w.dc(), img->hBitmap, d3, w.Rect(), wild, none, true);
  CSkinRenderer::DrawImage(w.dc(), img->hBitmap, d3, w.Rect(), wild, RECT{-3, 500, -7, 9}, false, 200, false, true, true);
  CSkinRenderer::FreeImage(img);
}

TEST(ImageDrawing, CentreAnchored) {
  UIImageInfo* img = Load(NineGridPng());
  ASSERT_NE(nullptr, img);
  RECT src = {0, 0, 9, 9}, centre = {3, 3, 6, 6};
  Canvas c(30, 30, 0xFF101010);
  RECT dest = {0, 0, 30, 30};
  CSkinRenderer::DrawImageCenter(c.dc(), img->hBitmap, dest, c.Rect(), src, centre, false, false);
  // Equal margins: the 3x3 centre sits in the middle at its own size.
  EXPECT_EQ(kCells[4], c.At(13, 13));
  EXPECT_EQ(kCells[4], c.At(15, 15));
  EXPECT_EQ(kCells[0], c.At(0, 0));
  EXPECT_EQ(kCells[8], c.At(29, 29));
  Canvas n(30, 30, 0xFF101010);
  RECT flat = {0, 3, 9, 6};
  CSkinRenderer::DrawImageCenter(n.dc(), img->hBitmap, dest, n.Rect(), src, flat, false, false);
  EXPECT_EQ(0xFF101010u, n.At(15, 15));  // both margins 0 on one axis: nothing
  CSkinRenderer::FreeImage(img);
}

class ImageStringDraw : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string zip = uitest::BuildZip({{"images/grid.png", NineGridPng()},
                                        {"wide.png", uitest::MakePng(100, 50, std::vector<uint32_t>(5000, 0xFF00FF00))},
                                        {"small.png", uitest::MakePng(20, 20, std::vector<uint32_t>(400, 0xFF0000FF))},
                                        {"big.png", uitest::MakePng(200, 200, std::vector<uint32_t>(40000, 0xFFFF0000))}});
    BYTE* buffer = new BYTE[zip.size()];
    memcpy(buffer, zip.data(), zip.size());
    CWindowManagerUI::SetResourceZipBuffer(buffer, static_cast<DWORD>(zip.size()));
    CWindowManagerUI::SetResourceZipFromMemory();
  }
  void TearDown() override {
    CWindowManagerUI::CloseResourceZip();
    CWindowManagerUI::FreeResourceZipBuffer();
  }
  CWindowManagerUI manager;
};

TEST_F(ImageStringDraw, FromTheArchive) {
  Canvas c(100, 100, 0xFF101010);
  RECT item = {0, 0, 100, 100};
  EXPECT_FALSE(CSkinRenderer::DrawImageString(nullptr, &manager, item, item, L"wide.png"));
  EXPECT_FALSE(CSkinRenderer::DrawImageString(c.dc(), nullptr, item, item, L"wide.png"));
  EXPECT_TRUE(CSkinRenderer::DrawImageString(c.dc(), &manager, item, item, L"missing.png"));
  EXPECT_EQ(0xFF101010u, c.At(50, 50));

  EXPECT_TRUE(CSkinRenderer::DrawImageString(c.dc(), &manager, item, item, L"file='wide.png' stretch='false'"));
  EXPECT_EQ(0xFF101010u, c.At(50, 20));  // 100x50 fitted: centred vertically
  EXPECT_EQ(0xFF00FF00u, c.At(50, 30));
  EXPECT_EQ(0xFF00FF00u, c.At(50, 74));
  EXPECT_EQ(0xFF101010u, c.At(50, 76));

  Canvas s(100, 100, 0xFF101010);
  CSkinRenderer::DrawImageString(s.dc(), &manager, item, item, L"file='small.png' stretch='false' center='true'");
  EXPECT_EQ(0xFF0000FFu, s.At(40, 40));
  EXPECT_EQ(0xFF0000FFu, s.At(59, 59));
  EXPECT_EQ(0xFF101010u, s.At(39, 39));
  CSkinRenderer::DrawImageString(s.dc(), &manager, item, item, L"file='big.png' stretch='false' center='true'");
  EXPECT_EQ(0xFFFF0000u, s.At(0, 0));

  Canvas r(100, 100, 0xFF101010);
  CSkinRenderer::DrawImageString(r.dc(), &manager, item, item, L"file='images\\grid.png' corner='3,3,3,3'",
                                 L"rdest='-20,-20,0,0'");
  EXPECT_EQ(0xFF101010u, r.At(79, 79));
  EXPECT_EQ(kCells[0], r.At(80, 80));
  EXPECT_EQ(kCells[8], r.At(99, 99));

  Canvas rc(100, 100, 0xFF101010);
  CSkinRenderer::DrawImageString(rc.dc(), &manager, item, item, L"file='wide.png' roundcorner='8,8'");
  jftest::WriteBitmapPng(rc.bitmap(), JF_TEST_BIN_DIR "/uibase_roundcorner.png");
  EXPECT_EQ(0xFF101010u, rc.At(0, 0));
  EXPECT_EQ(0xFF101010u, rc.At(99, 99));
  EXPECT_EQ(0xFF00FF00u, rc.At(50, 50));
  EXPECT_EQ(0xFF00FF00u, rc.At(0, 50));
}

TEST_F(ImageStringDraw, ColoursAndGradients) {
  Canvas c(20, 20, 0xFF000000);
  RECT half = {0, 0, 10, 10};
  CSkinRenderer::DrawColor(c.dc(), half, 0x80FFFFFF);
  EXPECT_NEAR(0x80, static_cast<int>(c.At(5, 5) & 0xFF), 1);
  RECT all = c.Rect();
  CSkinRenderer::DrawColor(c.dc(), all, 0x00FFFFFF);
  EXPECT_EQ(0xFF000000u, c.At(15, 15));
  CSkinRenderer::DrawColor(c.dc(), RECT{10, 10, 20, 20}, 0xFFFF0000);
  EXPECT_EQ(0xFFFF0000u, c.At(15, 15));
  Canvas g(4, 100, 0xFF000000);
  CSkinRenderer::DrawGradient(g.dc(), g.Rect(), 0xFFFF0000, 0xFF0000FF, true, 16);
  EXPECT_GT((g.At(1, 1) >> 16) & 0xFF, 0xE0u);
  EXPECT_GT(g.At(1, 98) & 0xFF, 0xE0u);
  Canvas m(4, 100, 0xFF000000);
  CSkinRenderer::DrawGradient(m.dc(), m.Rect(), 0xFF000000, 0x00FFFFFF, true, 8);  // mean alpha 127
  EXPECT_NEAR(127, static_cast<int>(m.At(1, 99) & 0xFF), 3);
}

namespace {

// Writes `size` as the uncompressed size of every entry, in the local headers and in the
// central directory, as a forged archive would.
void ForgeUncompressedSizes(std::string& zip, uint32_t size) {
  auto put = [&zip, size](size_t at) {
    for (int i = 0; i < 4; ++i) zip[at + i] = static_cast<char>((size >> (8 * i)) & 0xFF);
  };
  for (size_t at = 0; at + 46 <= zip.size(); ++at) {
    if (zip.compare(at, 4, "PK\x03\x04") == 0) put(at + 22);
    if (zip.compare(at, 4, "PK\x01\x02") == 0) put(at + 24);
  }
}

long PeakKilobytes() {
  struct rusage usage = {};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

}  // namespace

TEST(ImageLoading, ArchiveEntryClaimingGigabytesIsRefusedBeforeAllocating) {
  // The directory claims 1 GiB for a small image; nothing of that size is allocated.
  std::string zip = uitest::BuildZip({{"forged.png", NineGridPng(), 0}, {"fine.png", NineGridPng(), 0}});
  std::string forged = zip;
  ForgeUncompressedSizes(forged, 0x40000000u);
  for (const std::string* archive : {&zip, &forged}) {
    BYTE* buffer = new BYTE[archive->size()];
    memcpy(buffer, archive->data(), archive->size());
    CWindowManagerUI::SetResourceZipBuffer(buffer, static_cast<DWORD>(archive->size()));
    CWindowManagerUI::SetResourceZipFromMemory();
    long before = PeakKilobytes();
    UIImageInfo* image = CSkinRenderer::LoadImage(L"forged.png");
    long grown = PeakKilobytes() - before;
    if (archive == &zip) {
      ASSERT_NE(nullptr, image) << "the same archive unforged loads";
    } else {
      EXPECT_EQ(nullptr, image);
      EXPECT_LT(grown, 64 * 1024) << "kilobytes more at the peak";
    }
    CSkinRenderer::FreeImage(image);
    CWindowManagerUI::CloseResourceZip();
    CWindowManagerUI::FreeResourceZipBuffer();
  }
  EXPECT_GT(CSkinRenderer::kMaxImageFileSize, 0x400000u) << "a real skin image fits";
}

TEST(ImageDrawing, TilesOnlyWhereThePaintRectangleIs) {
  // A 1x1 tile over a 65,535-pixel-square control, ten pixels painted: only their tiles.
  UIImageInfo* img = Load(uitest::MakePng(1, 1, {0xFF00FF00}));
  ASSERT_NE(nullptr, img);
  Canvas c(40, 40, 0xFF000000);
  RECT dest = {-30000, -30000, 35535, 35535}, src = {0, 0, 1, 1}, none = {0, 0, 0, 0};
  RECT paint = {5, 5, 15, 15};
  // Drawing every tile of the control would not end within the suite's limit.
  CSkinRenderer::DrawImage(c.dc(), img->hBitmap, dest, paint, src, none, false, 255, false, true, true);
  EXPECT_EQ(0xFF00FF00u, c.At(5, 5));
  EXPECT_EQ(0xFF00FF00u, c.At(14, 14));
  EXPECT_EQ(0xFF000000u, c.At(4, 4));
  EXPECT_EQ(0xFF000000u, c.At(15, 15));
  // A paint rectangle as large as the control on a small surface: the surface bounds it.
  CSkinRenderer::DrawImage(c.dc(), img->hBitmap, dest, dest, src, none, false, 255, false, true, true);
  EXPECT_EQ(0xFF00FF00u, c.At(39, 39));
  // Tiles of 3 starting left of the paint rectangle: the cut tile at its edge is drawn.
  UIImageInfo* grid = Load(NineGridPng());
  ASSERT_NE(nullptr, grid);
  Canvas g(40, 40, 0xFF000000);
  RECT gridDest = {1, 1, 39, 39}, cell = {0, 0, 3, 3};
  CSkinRenderer::DrawImage(g.dc(), grid->hBitmap, gridDest, RECT{9, 9, 20, 20}, cell, none, false, 255, false, true,
                           true);
  EXPECT_EQ(kCells[0], g.At(10, 10));
  EXPECT_EQ(kCells[0], g.At(19, 19));
  EXPECT_EQ(0xFF000000u, g.At(5, 5));
  CSkinRenderer::FreeImage(grid);
  CSkinRenderer::FreeImage(img);
}

TEST_F(ImageStringDraw, ExtremeSourceAndCornerStayInsideTheImage) {
  // Source and corner at the ends of the int range: brought inside the 9x9 image, the
  // corners fill the destination and no nine-grid rectangle overflows (checked by UBSan).
  struct {
    const wchar_t* image;
    int x, y;
    uint32_t want;
  } cases[] = {
      {L"file='images\\grid.png' source='-2147483648,-2147483648,2147483647,2147483647' "
       L"corner='2147483647,2147483647,2147483647,2147483647'",
       4, 4, kCells[4]},
      {L"file='images\\grid.png' source='0,0,9,9' corner='-2147483648,-2147483648,2147483647,2147483647'", 25,
       25, kCells[4]},
      {L"file='images\\grid.png' source='2147483647,2147483647,-2147483648,-2147483648'", 4, 4, 0xFF101010},
      {L"file='images\\grid.png' source='-9,-9,3,3' xtiled='true' ytiled='true'", 7, 7, kCells[0]},
  };
  for (const auto& k : cases) {
    Canvas c(30, 30, 0xFF101010);
    RECT item = {0, 0, 30, 30};
    EXPECT_TRUE(CSkinRenderer::DrawImageString(c.dc(), &manager, item, item, k.image));
    EXPECT_EQ(k.want, c.At(k.x, k.y)) << "case " << (&k - cases);
  }
}
