// The text services' RTF reader and writer and their format store, without a host.
#include <gtest/gtest.h>

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
