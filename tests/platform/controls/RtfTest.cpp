// The text services' RTF reader and writer and their format store, without a host.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "platform/src/controls/RtfReader.h"
#include "platform/src/controls/RtfWriter.h"
#include "platform/src/controls/TextFormats.h"

namespace {

struct ReadCase {
  const char* name;
  std::string rtf;
  bool ok;
  std::wstring text;
};

class RtfReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(RtfReadTest, ReadsTheText) {
  const ReadCase& c = GetParam();
  const jf::TextFormats defaults;
  jf::RtfReader reader(defaults.DefaultChar(), defaults.DefaultPara(), 100);
  EXPECT_EQ(reader.Read(c.rtf), c.ok);
  if (c.ok) {
    EXPECT_EQ(reader.Text(), c.text);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RtfReadTest,
    ::testing::Values(
        ReadCase{"Plain", "{\\rtf1 hello}", true, L"hello"},
        ReadCase{"Escapes", "{\\rtf1 a\\\\b\\{c\\}\\~d\\_e\\-f}", true, L"a\\b{c}\u00A0d\u2011ef"},
        ReadCase{"Windows1252Bytes", "{\\rtf1\\ansi\\ansicpg1252 caf\\'e9 \\'80}", true, L"caf\u00E9 \u20AC"},
        ReadCase{"GbkBytes", "{\\rtf1\\ansi\\ansicpg936 \\'d6\\'d0\\'ce\\'c4}", true, L"中文"},
        ReadCase{"TrailBytesBelow80", "{\\rtf1\\ansicpg936 \\'81\\'40x\x81@}", true, L"\u4E02x\u4E02"},
        ReadCase{"FontCharsetDecides", "{\\rtf1\\ansicpg1252{\\fonttbl{\\f1\\fcharset134 X;}}\\f1\\'d6\\'d0}", true,
                 L"中"},
        ReadCase{"UnicodeWithFallback", "{\\rtf1 \\u20013?\\uc2\\u25991??x}", true, L"中文x"},
        ReadCase{"NegativeUnicodeAndPairs", "{\\rtf1 \\u-10179?\\u-8704?\\u-4?}", true, L"\U0001F600\uFFFC"},
        ReadCase{"FallbackAsByte", "{\\rtf1 \\u8364\\'80z}", true, L"\u20ACz"},
        // A fallback character may be any one control word or symbol, a byte or a binary run; a
        // group's end ends the fallback.
        ReadCase{"FallbackAsControlWord", "{\\rtf1\\uc1\\u8212\\emdash x\\u8220\\ldblquote Hi a\\u9\\tab b}", true,
                 L"\u2014x\u201CHi a\tb"},
        ReadCase{"FallbackAsSymbolsBytesAndBinary",
                 "{\\rtf1\\uc3\\u945\\{\\~\\'e1a\\u946\\*\\bin3 {}}\\'41b\\\\c\\u947\\par\\line\\'41d}", true,
                 L"\u03B1a\u03B2b\\c\u03B3d"},
        ReadCase{"FallbackEndsWithTheGroup", "{\\rtf1{\\uc2\\u8212-}x{\\u8211}y\\uc2{\\u8226}z}", true,
                 L"\u2014x\u2013y\u2022z"},
        ReadCase{"SkippedDestinations", "{\\rtf1{\\*\\unknown x}{\\info{\\title t}}{\\stylesheet s;}{\\pict 0a0b}ok}",
                 true, L"ok"},
        ReadCase{"ParagraphsAndLines", "{\\rtf1 a\\par b\\line c\\tab d\r\ne}", true, L"a\rb\vc\tde"},
        ReadCase{"MarksAndNulsAsBytes", "{\\rtf1 a\\'0db\\u0?\\'00c}", true, L"a\rbc"},
        ReadCase{"TableRows", "{\\rtf1\\trowd\\intbl a\\cell b\\cell\\row\\trowd\\intbl\\cell c\\cell\\row d}", true,
                 L"a\tb\r\tc\rd"},
        ReadCase{"NestedCells",
                 "{\\rtf1\\intbl a\\nestcell b\\nestcell{\\*\\nesttableprops\\nestrow}{\\nonesttables\\par}"
                 "c\\cell\\row}",
                 true, L"a\tb\rc\r"},
        ReadCase{"GroupsRestoreState", "{\\rtf1 {\\b x}y}", true, L"xy"},
        ReadCase{"FieldResultKept", "{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"u\"}{\\fldrslt link}}}", true, L"link"},
        ReadCase{"TruncatedAtTheCap", "{\\rtf1 " + std::string(300, 'a') + "}", true, std::wstring(100, L'a')},
        ReadCase{"NotADocument", "hello", false, L""},
        ReadCase{"Unclosed", "{\\rtf1 {abc}", false, L""},
        ReadCase{"TooDeep", "{\\rtf1" + std::string(jf::RtfReader::kMaxDepth + 1, '{') + "x" +
                                 std::string(jf::RtfReader::kMaxDepth + 2, '}'),
                 false, L""},
        ReadCase{"BackslashAtTheEnd", "{\\rtf1 x\\", false, L""},
        // Breaks of pages, sections and columns end the paragraph.
        ReadCase{"PageSectionColumnBreaks", "{\\rtf1 Text before\\page Text after\\sect x\\column y}", true,
                 L"Text before\rText after\rx\ry"},
        // The numbers and bullets written for readers without numbering are text; what the list
        // text's group sets (a \\pard among it) ends with the group.
        ReadCase{"ListTextAndPnText",
                 "{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset2 Symbol;}}\\pard\\li720\\fi-360 "
                 "{\\listtext\\pard\\plain\\f0 1.\\tab}One\\par{\\listtext\\pard\\plain\\f0 2.\\tab}Two\\par"
                 "{\\pntext\\f1\\'b7\\tab}Dot}",
                 true, L"1.\tOne\r2.\tTwo\r\uF0B7\tDot"},
        // Each font's character set, and the document's code page, decode its bytes; a trail
        // byte may be a plain letter.
        ReadCase{"ShiftJisFont",
                 "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fcharset128 MS Mincho;}}\\f0 \\'93\\'fa\\'96\\'7b\\'83A}",
                 true, L"日本ア"},
        ReadCase{"KoreanFont", "{\\rtf1{\\fonttbl{\\f0\\fcharset129 Gulim;}}\\f0 \\'c7\\'d1\\'b1\\'b9}", true, L"한국"},
        ReadCase{"Big5Font", "{\\rtf1{\\fonttbl{\\f0\\fcharset136 MingLiU;}}\\f0 \\'a4\\'a4\\'a4\\'e5}", true, L"中文"},
        ReadCase{"CyrillicPage", "{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2}", true, L"Привет"},
        ReadCase{"CyrillicFont", "{\\rtf1\\ansicpg1252{\\fonttbl{\\f3\\fcharset204 Arial;}}\\f3 \\'cf\\'f0}", true, L"Пр"},
        ReadCase{"WindowsCharsets",
                 "{\\rtf1{\\fonttbl{\\f0\\fcharset238 A;}{\\f1\\fcharset161 B;}{\\f2\\fcharset162 C;}{\\f3\\fcharset177 D;}"
                 "{\\f4\\fcharset178 E;}{\\f5\\fcharset186 F;}{\\f6\\fcharset163 G;}{\\f7\\fcharset222 H;}}"
                 "\\f0\\'b3\\f1\\'d9\\f2\\'f0\\f3\\'e0\\f4\\'c7\\f5\\'e0\\f6\\'f0\\f7\\'a1}",
                 true, L"łΩğאاąđก"},
        // A symbol font's bytes are the private-use letters its glyphs stand at; its name is not.
        ReadCase{"PagesNotConverted", "{\\rtf1\\ansicpg1234 \\'80\\ansicpg42 a\\'e9}", true, L"\u20ACa\u00E9"},
        // The Mac and DOS pages, by the document's set, its code page and a font's character set.
        ReadCase{"MacAndDosPages",
                 "{\\rtf1\\mac caf\\'8e\\pc  \\'82\\'c4\\pca  \\'d0\\ansi  \\'e9\\ansicpg10000  \\'a5\\ansicpg437  \\'e1"
                 "\\ansicpg850  \\'9b}",
                 true, L"caf\u00E9 \u00E9\u2500 \u00F0 \u00E9 \u2022 \u00DF \u00F8"},
        ReadCase{"MacAndOemFonts",
                 "{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset77 Geneva;}{\\f1\\fcharset255 Terminal;}}\\f0 caf\\'8e\\f1  \\'82\\'b3}",
                 true, L"caf\u00E9 \u00E9\u2502"},
        ReadCase{"SymbolFont", "{\\rtf1{\\fonttbl{\\f0\\fcharset2 Symbol;}}\\f0 a\\'b7\\tab\\plain a}", true,
                 L"\uF061\uF0B7\ta"},
        ReadCase{"LongWordAndNumber", "{\\rtf1\\" + std::string(1000, 'q') + std::string(1000, '9') + " y}", true,
                 L"y"}),
    [](const ::testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

TEST(RtfFormatsTest, GroupsAndPlainGoBackAndParagraphsKeepTheirOwn) {
  const jf::TextFormats defaults;
  jf::RtfReader reader(defaults.DefaultChar(), defaults.DefaultPara(), 100);
  ASSERT_TRUE(reader.Read("{\\rtf1{\\colortbl;\\red1\\green2\\blue3;}\\qc{\\b\\cf1 a}b\\i c\\plain d\\par\\pard e}"));
  const jf::TextFormats& f = reader.Formats();
  EXPECT_TRUE(f.CharAt(0).dwEffects & CFE_BOLD);
  EXPECT_EQ(f.CharAt(0).crTextColor, RGB(1, 2, 3));
  EXPECT_FALSE(f.CharAt(1).dwEffects & CFE_BOLD);
  EXPECT_TRUE(f.CharAt(1).dwEffects & CFE_AUTOCOLOR);
  EXPECT_TRUE(f.CharAt(2).dwEffects & CFE_ITALIC);
  EXPECT_FALSE(f.CharAt(3).dwEffects & CFE_ITALIC);
  EXPECT_EQ(f.ParaAt(4).wAlignment, PFA_CENTER);  // the break of the first paragraph
  EXPECT_EQ(f.ParaAt(6).wAlignment, PFA_LEFT);    // the end: the last paragraph
}

// A list as word processors write it: each item's list text resets the paragraph inside its
// group, and the item keeps the indents given before it.
TEST(RtfFormatsTest, ListTextLeavesTheItemsParagraphFormat) {
  const jf::TextFormats defaults;
  jf::RtfReader reader(defaults.DefaultChar(), defaults.DefaultPara(), 100);
  ASSERT_TRUE(reader.Read("{\\rtf1\\pard\\qc\\li720\\fi-360{\\listtext\\pard\\plain 1.\\tab}One\\par"
                          "{\\listtext\\pard\\plain 2.\\tab}Two\\par\\pard Three\\par}",
                          true));
  ASSERT_EQ(reader.Text(), L"1.\tOne\r2.\tTwo\rThree");
  const jf::TextFormats& f = reader.Formats();
  for (LONG brk : {6, 13}) {
    SCOPED_TRACE(brk);
    EXPECT_EQ(f.ParaAt(brk).wAlignment, PFA_CENTER);
    EXPECT_EQ(f.ParaAt(brk).dxStartIndent, 360);
    EXPECT_EQ(f.ParaAt(brk).dxOffset, 360);
  }
  EXPECT_EQ(f.ParaAt(19).wAlignment, PFA_LEFT);
  EXPECT_EQ(f.ParaAt(19).dxStartIndent, 0);
}

TEST(RtfFormatsTest, CommonClearsTheMaskBitsThatDiffer) {
  jf::TextFormats f;
  f.Reset(6);
  CHARFORMAT2W bold{};
  bold.cbSize = sizeof bold;
  bold.dwMask = CFM_BOLD | CFM_SIZE;
  bold.dwEffects = CFE_BOLD;
  bold.yHeight = 300;
  f.ApplyChar(0, 3, false, bold, true);
  EXPECT_EQ(f.RunEnd(0), 3);
  const CHARFORMAT2W all = f.Common(0, 6);
  EXPECT_EQ(all.dwMask & (CFM_BOLD | CFM_SIZE | CFM_WEIGHT), 0u);
  EXPECT_EQ(all.dwMask & (CFM_ITALIC | CFM_FACE | CFM_COLOR), DWORD(CFM_ITALIC | CFM_FACE | CFM_COLOR));
  const CHARFORMAT2W first = f.Common(0, 3);
  EXPECT_EQ(first.dwMask & (CFM_BOLD | CFM_SIZE), DWORD(CFM_BOLD | CFM_SIZE));
  // Replacing text keeps the formats beside it in step.
  f.Replace(1, 2, 4, f.CharAt(4));
  EXPECT_EQ(f.Size(), 9);
  EXPECT_TRUE(f.CharAt(0).dwEffects & CFE_BOLD);
  EXPECT_FALSE(f.CharAt(1).dwEffects & CFE_BOLD);
  EXPECT_TRUE(f.CharAt(5).dwEffects & CFE_BOLD);
}

// Read, written and read again: the same text, and the same format at every position.
TEST(RtfWriterTest, ReadWriteReadKeepsEveryFormat) {
  const char* const documents[] = {
      "{\\rtf1{\\colortbl;\\red1\\green2\\blue3;}\\cf1\\highlight1 a\\cf0\\highlight0 b\\cf7 c}",
      "{\\rtf1\\qc\\sl-300 a\\b\\par\\pard\\li-50\\fi100 b\\line\\par}",
      "{\\rtf1\\qr a\\'0d}",
      // Fonts of other character sets, and a symbol font whose letters are its bytes.
      "{\\rtf1{\\fonttbl{\\f0\\fcharset2 Symbol;}{\\f1\\fcharset128 M;}{\\f2\\fcharset204 C;}}\\f0 a\\'b7 \\{\\tab"
      "\\f1\\'93\\'fa\\'83A\\f2\\'cf\\page x}",
  };
  const jf::TextFormats base;
  for (const char* doc : documents) {
    SCOPED_TRACE(doc);
    jf::RtfReader first(base.DefaultChar(), base.DefaultPara(), 1000);
    ASSERT_TRUE(first.Read(doc, true));
    const std::string out = jf::RtfWriter::Write(first.Text(), first.Formats(), 0, first.Formats().Size(), true);
    jf::RtfReader second(base.DefaultChar(), base.DefaultPara(), 1000);
    ASSERT_TRUE(second.Read(out, true));
    ASSERT_EQ(second.Text(), first.Text()) << out;
    for (LONG cp = 0; cp <= first.Formats().Size(); ++cp) {
      EXPECT_TRUE(jf::TextFormats::Same(first.Formats().CharAt(cp), second.Formats().CharAt(cp))) << cp << out;
      EXPECT_TRUE(jf::TextFormats::Same(first.Formats().ParaAt(cp), second.Formats().ParaAt(cp))) << cp << out;
    }
  }
}

// Letters of a symbol font go as its bytes where they are its private-use letters, and as
// themselves otherwise: every one reads back as it was.
TEST(RtfWriterTest, SymbolFontLettersRoundTrip) {
  jf::TextFormats f;
  const std::wstring text = L"x\uF078\uF0B7{\u00E9\uF000\uF01F\t\uF100";
  f.Reset(LONG(text.size()));
  CHARFORMAT2W symbol = f.DefaultChar();
  symbol.bCharSet = SYMBOL_CHARSET;
  wcscpy(symbol.szFaceName, L"Symbol");
  f.SetChar(0, LONG(text.size()), symbol);
  const std::string out = jf::RtfWriter::Write(text, f, 0, LONG(text.size()));
  EXPECT_NE(out.find("\\'78\\'b7"), std::string::npos) << out;
  EXPECT_NE(out.find("Symbol;"), std::string::npos) << out;
  jf::RtfReader reader(f.DefaultChar(), f.DefaultPara(), 1000);
  ASSERT_TRUE(reader.Read(out));
  EXPECT_EQ(reader.Text(), text) << out;
}

// The fuzz target's seeds written as word processors write documents: a list, breaks, a
// Japanese, a Russian and a Mac and DOS document read as their writers meant, and read again
// once written.
TEST(RtfWriterTest, WordProcessorDocumentsReadAndRoundTrip) {
  const struct {
    const char* file;
    std::wstring text;
  } kSeeds[] = {
      {"numbered-list.rtf",
       L"Shopping:\r1.\tBread\r2.\tMilk\r3.\tTea\r\uF0B7\tBullet one\r\uF0B7\tBullet two\rAfter the list."},
      {"page-break.rtf", L"Text before\rText after\rSecond page ends here.\rLeft column\rRight column"},
      {"shift-jis.rtf", L"日本語テキスト。表\rASCII あア"},
      {"cyrillic.rtf", L"Привет, мир!\rcafé Спасибо"},
      {"mac-dos.rtf", L"café — “ quoted\ré── ðø\tx y"},
  };
  const jf::TextFormats base;
  for (const auto& seed : kSeeds) {
    SCOPED_TRACE(seed.file);
    std::ifstream in(std::string(JF_SOURCE_DIR) + "/tests/fuzz/seeds/rtf/" + seed.file, std::ios::binary);
    ASSERT_TRUE(in.good());
    const std::string doc((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    jf::RtfReader first(base.DefaultChar(), base.DefaultPara(), 1000);
    ASSERT_TRUE(first.Read(doc, true));
    EXPECT_EQ(first.Text(), seed.text);
    const std::string out = jf::RtfWriter::Write(first.Text(), first.Formats(), 0, first.Formats().Size(), true);
    jf::RtfReader second(base.DefaultChar(), base.DefaultPara(), 1000);
    ASSERT_TRUE(second.Read(out, true));
    EXPECT_EQ(second.Text(), seed.text) << out;
  }
}

TEST(RtfWriterTest, EscapesAndRoundTrips) {
  jf::TextFormats f;
  const std::wstring text = L"{a}\\b\t中\U0001F600€\rx";
  f.Reset(LONG(text.size()));
  CHARFORMAT2W chinese = f.DefaultChar();
  chinese.bCharSet = 134;  // GB2312: the document's code page
  f.SetChar(0, LONG(text.size()), chinese);
  const std::string out = jf::RtfWriter::Write(text, f, 0, LONG(text.size()));
  EXPECT_NE(out.find("\\{a\\}\\\\b\\tab \\'d6\\'d0\\u-10179?\\u-8704?\\'80"), std::string::npos) << out;
  // Characters of a font in another character set go as \u.
  CHARFORMAT2W western = f.DefaultChar();
  western.bCharSet = ANSI_CHARSET;
  f.SetChar(0, LONG(text.size()), western);
  const std::string other = jf::RtfWriter::Write(text, f, 0, LONG(text.size()));
  EXPECT_NE(other.find("\\u20013?"), std::string::npos) << other;
  jf::RtfReader western2(f.DefaultChar(), f.DefaultPara(), 1000);
  ASSERT_TRUE(western2.Read(other));
  EXPECT_EQ(western2.Text(), text);
  EXPECT_NE(out.find("\\par"), std::string::npos);
  jf::RtfReader reader(f.DefaultChar(), f.DefaultPara(), 1000);
  ASSERT_TRUE(reader.Read(out));
  EXPECT_EQ(reader.Text(), text);
  // A stretch from the middle of a paragraph.
  jf::RtfReader part(f.DefaultChar(), f.DefaultPara(), 1000);
  ASSERT_TRUE(part.Read(jf::RtfWriter::Write(text, f, 1, 3)));
  EXPECT_EQ(part.Text(), L"a}");
}

}  // namespace
