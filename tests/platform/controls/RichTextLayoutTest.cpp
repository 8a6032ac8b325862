// The formatted text's layout of long paragraphs: cut into many small pieces, it breaks,
// places, hits and draws every line as one pango layout of the whole paragraph does.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/src/controls/RichTextLayout.h"
#include "platform/src/gdi/GdiArea.h"
#include "platform/testing/hooks/textlayout.h"

namespace {

using jf::RichTextLayout;

struct Case {
  const char* name;
  WORD align;
  LONG indent, offset;  // twips
  BYTE spacingRule;
  int width;
};

// Three paragraphs of mixed runs and sizes, a long unbroken word, links and a soft break.
void Fill(std::wstring& text, jf::TextFormats& formats, const Case& c) {
  for (int i = 0; i < 260; ++i) text += (i % 9 == 0 ? L"mmmmmmmmmmmm" : L"word") + std::to_wstring(i) + L" ";
  text += L"\r" + std::wstring(700, L'x') + L"\x000B" + L"after a soft break\r";
  for (int i = 0; i < 120; ++i) text += L"\u4E0B\u8F7D " + std::to_wstring(i) + L" ";
  formats.Reset(LONG(text.size()));
  for (LONG cp = 0; cp < LONG(text.size()); cp += 23) {
    CHARFORMAT2W cf = formats.DefaultChar();
    cf.dwEffects = (cp % 3 ? CFE_BOLD : CFE_ITALIC | CFE_UNDERLINE);
    cf.wWeight = cp % 3 ? FW_BOLD : FW_NORMAL;
    cf.yHeight = cp % 5 ? 200 : 320;
    cf.crTextColor = RGB(cp % 200, 20, 90);
    formats.SetChar(cp, cp + 11, cf);
  }
  PARAFORMAT2 pf = formats.DefaultPara();
  pf.wAlignment = c.align;
  pf.dxStartIndent = c.indent;
  pf.dxOffset = c.offset;
  pf.bLineSpacingRule = c.spacingRule;
  pf.dyLineSpacing = c.spacingRule == 5 ? 30 : 0;
  for (LONG cp = 0; cp <= LONG(text.size()); ++cp)
    if (cp == LONG(text.size()) || text[size_t(cp)] == L'\r') formats.SetPara(cp, pf);
}

std::vector<long> Observe(const RichTextLayout& layout, LONG length, std::vector<unsigned char>* pixels,
                          const std::string& png = "") {
  std::vector<long> seen = {layout.Width(), layout.Height(), layout.LineCount(), layout.Baseline()};
  for (int line = 0; line < layout.LineCount(); ++line) {
    seen.push_back(layout.LineStart(line));
    seen.push_back(layout.LineEnd(line));
  }
  for (LONG cp = 0; cp <= length; ++cp) {
    const RECT r = layout.CaretAt(cp);
    seen.insert(seen.end(), {long(r.left), long(r.top), long(r.bottom), long(layout.LineOf(cp))});
  }
  for (int y = -3; y < layout.Height() + 3; y += 2) {
    for (int x = -3; x < layout.Width() + 3; x += 9) seen.insert(seen.end(), {layout.CpAt(x, y), layout.CharAt(x, y)});
  }
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, layout.Width() + 20, layout.Height() + 20);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  layout.Draw(cr, 10, 10, 300, 2200, RGB(0, 0, 200), RGB(255, 255, 255));
  cairo_surface_flush(surface);
  if (!png.empty()) cairo_surface_write_to_png(surface, png.c_str());
  const unsigned char* data = cairo_image_surface_get_data(surface);
  pixels->assign(data, data + cairo_image_surface_get_stride(surface) * cairo_image_surface_get_height(surface));
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  return seen;
}

class RichTextLayoutTest : public ::testing::TestWithParam<Case> {
 protected:
  void TearDown() override { jf::TestSetTextLayoutPiece(0); }
};

TEST_P(RichTextLayoutTest, PiecesLayOutAsOneLayout) {
  std::wstring text;
  jf::TextFormats formats;
  Fill(text, formats, GetParam());
  LOGFONTW lf = {};
  lf.lfHeight = -13;
  wcscpy(lf.lfFaceName, L"Tahoma");
  jf::FontObject font(lf);
  RichTextLayout::Options options;
  options.wrapWidth = GetParam().width;
  options.links = {CHARRANGE{40, 90}, CHARRANGE{1500, 1530}};
  std::vector<unsigned char> wholePixels, piecePixels;
  jf::TestSetTextLayoutPiece(1 << 28);
  const unsigned long before = jf::TestTextLayoutParagraphs();
  const RichTextLayout whole(text, formats, &font, options);
  EXPECT_EQ(jf::TestTextLayoutParagraphs() - before, 3u);
  const std::vector<long> expected = Observe(whole, LONG(text.size()), &wholePixels);
  jf::TestSetTextLayoutPiece(40);
  const RichTextLayout pieces(text, formats, &font, options);
  const std::vector<long> seen = Observe(pieces, LONG(text.size()), &piecePixels,
                                         std::string(JF_TEST_BIN_DIR) + "/richtext_pieces_" + GetParam().name + ".png");
  EXPECT_EQ(seen, expected);
  // Lines of a piece are drawn one by one: a glyph edge may round the other way, no more.
  ASSERT_EQ(piecePixels.size(), wholePixels.size());
  size_t differ = 0;
  for (size_t i = 0; i < piecePixels.size(); ++i) differ += piecePixels[i] != wholePixels[i];
  EXPECT_LT(differ, wholePixels.size() / 4000);
  // The soft break ends a line inside the paragraph: the text after it starts the next.
  const LONG soft = LONG(text.find(L'\x000B'));
  EXPECT_EQ(pieces.LineStart(pieces.LineOf(soft + 1)), soft + 1);
  EXPECT_EQ(pieces.LineEnd(pieces.LineOf(soft)), soft);
}

INSTANTIATE_TEST_SUITE_P(Formats, RichTextLayoutTest,
                         ::testing::Values(Case{"left", PFA_LEFT, 0, 0, 0, 300},
                                           Case{"hanging", PFA_LEFT, 720, -360, 0, 260},
                                           Case{"firstLineIn", PFA_RIGHT, 0, 0, 0, 240},
                                           Case{"centred", PFA_CENTER, 720, -360, 1, 310},
                                           Case{"justified", PFA_JUSTIFY, 300, 500, 0, 280},
                                           Case{"narrow", PFA_LEFT, 0, 0, 0, 40}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
