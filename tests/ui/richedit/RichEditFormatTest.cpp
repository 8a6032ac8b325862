// Formatted text in the rich edit: character and paragraph formats, streams, links, undo and
// a picture of a document loaded from RTF.
#include <richedit.h>
#include <textserv.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "tests/ui/base/ControlTestHost.h"
#include "ui/control/ButtonUI.h"
#include "ui/richedit/RichEditUI.h"
#include "ui/richedit/TxtWinHost.h"
#include "platform/testing/hooks/textlayout.h"

using namespace uictest;
using Strings = std::vector<std::string>;

namespace {

struct Sink {
  std::string data;
  size_t read = 0;
  DWORD fail = 0;  // the callback's error, when not 0
};

DWORD CALLBACK ReadSink(DWORD_PTR cookie, LPBYTE buffer, LONG cb, LONG* done) {
  auto* s = reinterpret_cast<Sink*>(cookie);
  if (s->fail) return s->fail;
  // Small pieces, so documents cross the callback's boundaries.
  const LONG n = LONG(std::min<size_t>(size_t(std::min<LONG>(cb, 7)), s->data.size() - s->read));
  std::memcpy(buffer, s->data.data() + s->read, size_t(n));
  s->read += size_t(n);
  *done = n;
  return 0;
}

DWORD CALLBACK WriteSink(DWORD_PTR cookie, LPBYTE buffer, LONG cb, LONG* done) {
  auto* s = reinterpret_cast<Sink*>(cookie);
  if (s->fail) return s->fail;
  s->data.append(reinterpret_cast<const char*>(buffer), size_t(cb));
  *done = cb;
  return 0;
}

std::wstring Text(CRichEditUI* edit) { return std::wstring(edit->GetText().GetData()); }

CHARFORMAT2W Format2(DWORD mask, DWORD effects = 0) {
  CHARFORMAT2W cf{};
  cf.cbSize = sizeof(CHARFORMAT2W);
  cf.dwMask = mask;
  cf.dwEffects = effects;
  return cf;
}

class RichEditFormatTest : public ControlTest {
 protected:
  CRichEditUI* Make(bool rich = true, RECT rc = RECT{10, 10, 410, 210}) {
    auto* edit = new CRichEditUI;
    edit->SetAttribute(L"rich", rich ? L"true" : L"false");
    return Place(edit, L"r", rc);
  }
  LRESULT Send(CRichEditUI* edit, UINT msg, WPARAM w = 0, LPARAM l = 0) {
    LRESULT result = 0;
    edit->TxSendMessage(msg, w, l, &result);
    return result;
  }
  void Select(CRichEditUI* edit, LONG from, LONG to) {
    CHARRANGE cr = {from, to};
    Send(edit, EM_EXSETSEL, 0, LPARAM(&cr));
  }
  CHARFORMAT2W Get(CRichEditUI* edit, LONG from, LONG to) {
    Select(edit, from, to);
    CHARFORMAT2W cf = Format2(0);
    Send(edit, EM_GETCHARFORMAT, SCF_SELECTION, LPARAM(&cf));
    return cf;
  }
  void SetSelection(CRichEditUI* edit, LONG from, LONG to, CHARFORMAT2W cf) {
    Select(edit, from, to);
    EXPECT_EQ(Send(edit, EM_SETCHARFORMAT, SCF_SELECTION, LPARAM(&cf)), 1);
  }
  PARAFORMAT2 Para(CRichEditUI* edit, LONG from, LONG to) {
    Select(edit, from, to);
    PARAFORMAT2 pf{};
    pf.cbSize = sizeof(PARAFORMAT2);
    Send(edit, EM_GETPARAFORMAT, 0, LPARAM(&pf));
    return pf;
  }
  POINTL Pos(CRichEditUI* edit, LONG cp) {
    POINTL pt = {};
    Send(edit, EM_POSFROMCHAR, WPARAM(&pt), cp);
    return pt;
  }
  LRESULT StreamIn(CRichEditUI* edit, WPARAM format, const std::string& data, DWORD* error = nullptr,
                   DWORD fail = 0) {
    Sink sink{data, 0, fail};
    EDITSTREAM es = {DWORD_PTR(&sink), 0, ReadSink};
    const LRESULT n = Send(edit, EM_STREAMIN, format, LPARAM(&es));
    if (error) *error = es.dwError;
    return n;
  }
  std::string StreamOut(CRichEditUI* edit, WPARAM format) {
    Sink sink;
    EDITSTREAM es = {DWORD_PTR(&sink), 0, WriteSink};
    Send(edit, EM_STREAMOUT, format, LPARAM(&es));
    return sink.data;
  }
};

TEST_F(RichEditFormatTest, CharacterFormatsHoldPerRangeAndMixedSelectionsClearTheirMaskBits) {
  CRichEditUI* edit = Make();
  edit->SetText(L"abcdef");
  CHARFORMAT2W bold = Format2(CFM_BOLD, CFE_BOLD);
  SetSelection(edit, 0, 3, bold);
  CHARFORMAT2W red = Format2(CFM_COLOR | CFM_SIZE | CFM_FACE | CFM_BACKCOLOR | CFM_OFFSET | CFM_LINK | CFM_STRIKEOUT);
  red.crTextColor = RGB(200, 0, 0);
  red.crBackColor = RGB(0, 255, 0);
  red.yHeight = 400;
  red.yOffset = 60;
  red.dwEffects = CFE_LINK | CFE_STRIKEOUT;
  wcscpy(red.szFaceName, L"Arial");
  SetSelection(edit, 4, 6, red);

  CHARFORMAT2W cf = Get(edit, 0, 3);
  EXPECT_TRUE(cf.dwMask & CFM_BOLD);
  EXPECT_TRUE(cf.dwEffects & CFE_BOLD);
  EXPECT_EQ(cf.wWeight, FW_BOLD);  // bold and weight are one property
  EXPECT_TRUE((cf.dwMask & (CFM_SIZE | CFM_FACE | CFM_COLOR)) == (CFM_SIZE | CFM_FACE | CFM_COLOR));

  cf = Get(edit, 2, 5);  // bold, plain, red: bold, colour, size and face differ
  EXPECT_FALSE(cf.dwMask & CFM_BOLD);
  EXPECT_FALSE(cf.dwMask & CFM_WEIGHT);
  EXPECT_FALSE(cf.dwMask & CFM_COLOR);
  EXPECT_FALSE(cf.dwMask & CFM_SIZE);
  EXPECT_FALSE(cf.dwMask & CFM_FACE);
  EXPECT_FALSE(cf.dwMask & CFM_LINK);
  EXPECT_TRUE(cf.dwMask & CFM_ITALIC);  // the same everywhere
  EXPECT_TRUE(cf.dwMask & CFM_UNDERLINE);

  cf = Get(edit, 4, 6);
  EXPECT_EQ(cf.crTextColor, RGB(200, 0, 0));
  EXPECT_EQ(cf.crBackColor, RGB(0, 255, 0));
  EXPECT_EQ(cf.yHeight, 400);
  EXPECT_EQ(cf.yOffset, 60);
  EXPECT_STREQ(cf.szFaceName, L"Arial");
  EXPECT_EQ(cf.dwEffects & (CFE_LINK | CFE_STRIKEOUT | CFE_AUTOCOLOR | CFE_AUTOBACKCOLOR),
            DWORD(CFE_LINK | CFE_STRIKEOUT));

  // The older, smaller structure: only its own fields and mask bits.
  Select(edit, 4, 6);
  CHARFORMATW one{};
  one.cbSize = sizeof(CHARFORMATW);
  const LRESULT mask = Send(edit, EM_GETCHARFORMAT, SCF_SELECTION, LPARAM(&one));
  EXPECT_EQ(DWORD(mask), one.dwMask);
  EXPECT_FALSE(one.dwMask & (CFM_BACKCOLOR | CFM_WEIGHT));
  EXPECT_EQ(one.crTextColor, RGB(200, 0, 0));
  // Any other size is refused.
  CHARFORMAT2W bad = Format2(CFM_BOLD, CFE_BOLD);
  bad.cbSize = 12;
  EXPECT_EQ(Send(edit, EM_SETCHARFORMAT, SCF_SELECTION, LPARAM(&bad)), 0);
  EXPECT_EQ(Send(edit, EM_GETCHARFORMAT, SCF_SELECTION, LPARAM(&bad)), 0);
}

TEST_F(RichEditFormatTest, WordAllDefaultAndTheInsertionPoint) {
  CRichEditUI* edit = Make();
  edit->SetText(L"one two three");
  Select(edit, 5, 5);
  CHARFORMAT2W italic = Format2(CFM_ITALIC, CFE_ITALIC);
  EXPECT_EQ(Send(edit, EM_SETCHARFORMAT, SCF_SELECTION | SCF_WORD, LPARAM(&italic)), 1);
  EXPECT_TRUE(Get(edit, 4, 7).dwEffects & CFE_ITALIC);  // "two"
  EXPECT_FALSE(Get(edit, 3, 4).dwEffects & CFE_ITALIC);
  EXPECT_FALSE(Get(edit, 8, 13).dwEffects & CFE_ITALIC);

  // A format set at an empty selection is for the characters typed there.
  Click(20, 20);
  Select(edit, 13, 13);
  CHARFORMAT2W underline = Format2(CFM_UNDERLINE, CFE_UNDERLINE);
  Send(edit, EM_SETCHARFORMAT, SCF_SELECTION, LPARAM(&underline));
  Type(L"xy");
  EXPECT_EQ(Text(edit), L"one two threexy");
  EXPECT_TRUE(Get(edit, 13, 15).dwEffects & CFE_UNDERLINE);
  EXPECT_FALSE(Get(edit, 12, 13).dwEffects & CFE_UNDERLINE);
  // Typing goes on in the format of the character before.
  Select(edit, 6, 6);
  Type(L"w");
  EXPECT_TRUE(Get(edit, 6, 7).dwEffects & CFE_ITALIC);

  CHARFORMAT2W big = Format2(CFM_SIZE);
  big.yHeight = 360;
  EXPECT_EQ(Send(edit, EM_SETCHARFORMAT, SCF_ALL, LPARAM(&big)), 1);
  EXPECT_EQ(Get(edit, 0, 16).yHeight, 360);
  EXPECT_TRUE(Get(edit, 0, 16).dwMask & CFM_SIZE);

  CHARFORMAT2W face = Format2(CFM_FACE);
  wcscpy(face.szFaceName, L"Verdana");
  Send(edit, EM_SETCHARFORMAT, SCF_DEFAULT, LPARAM(&face));
  CHARFORMAT2W def = Format2(0);
  Send(edit, EM_GETCHARFORMAT, SCF_DEFAULT, LPARAM(&def));
  EXPECT_STREQ(def.szFaceName, L"Verdana");
}

TEST_F(RichEditFormatTest, PlainTextKeepsOneFormatForAll) {
  CRichEditUI* edit = Make(false);
  edit->SetText(L"abc\r\ndef");
  CHARFORMAT2W bold = Format2(CFM_BOLD | CFM_COLOR, CFE_BOLD);
  bold.crTextColor = RGB(1, 2, 3);
  SetSelection(edit, 0, 1, bold);
  const CHARFORMAT2W cf = Get(edit, 2, 6);
  EXPECT_TRUE(cf.dwMask & CFM_BOLD);
  EXPECT_TRUE(cf.dwEffects & CFE_BOLD);
  EXPECT_EQ(cf.crTextColor, RGB(1, 2, 3));
  PARAFORMAT2 pf{};
  pf.cbSize = sizeof(PARAFORMAT2);
  pf.dwMask = PFM_ALIGNMENT;
  pf.wAlignment = PFA_RIGHT;
  Select(edit, 0, 0);
  EXPECT_EQ(Send(edit, EM_SETPARAFORMAT, 0, LPARAM(&pf)), 1);
  EXPECT_EQ(Para(edit, 5, 5).wAlignment, PFA_RIGHT);  // the other paragraph as well
}

TEST_F(RichEditFormatTest, ParagraphFormatsMoveTheirLines) {
  CRichEditUI* edit = Make();
  edit->SetText(L"first\rsecond\rthird");
  const POINTL plain1 = Pos(edit, 0), plain2 = Pos(edit, 6), plain3 = Pos(edit, 13);
  struct Case {
    DWORD mask;
    LONG start, right, offset, before, after;
    WORD align;
  };
  PARAFORMAT2 pf{};
  pf.cbSize = sizeof(PARAFORMAT2);
  pf.dwMask = PFM_STARTINDENT | PFM_SPACEBEFORE;
  pf.dxStartIndent = 1440;  // an inch: 96 pixels
  pf.dySpaceBefore = 300;   // 20 pixels
  Select(edit, 7, 8);
  EXPECT_EQ(Send(edit, EM_SETPARAFORMAT, 0, LPARAM(&pf)), 1);
  EXPECT_EQ(Pos(edit, 0).x, plain1.x);
  EXPECT_EQ(Pos(edit, 6).x, plain2.x + 96);
  EXPECT_EQ(Pos(edit, 6).y, plain2.y + 20);
  EXPECT_EQ(Pos(edit, 13).y, plain3.y + 20);

  pf = PARAFORMAT2{};
  pf.cbSize = sizeof(PARAFORMAT2);
  pf.dwMask = PFM_ALIGNMENT;
  pf.wAlignment = PFA_CENTER;
  Select(edit, 13, 14);
  Send(edit, EM_SETPARAFORMAT, 0, LPARAM(&pf));
  const LONG centred = Pos(edit, 13).x;
  EXPECT_GT(centred, plain3.x + 150);  // "third" in the middle of a 400-pixel line
  pf.wAlignment = PFA_RIGHT;
  Send(edit, EM_SETPARAFORMAT, 0, LPARAM(&pf));
  EXPECT_GT(Pos(edit, 13).x, centred + 100);

  // Reading across paragraphs clears what differs.
  PARAFORMAT2 got = Para(edit, 0, 14);
  EXPECT_FALSE(got.dwMask & PFM_ALIGNMENT);
  EXPECT_FALSE(got.dwMask & PFM_STARTINDENT);
  EXPECT_TRUE(got.dwMask & PFM_RIGHTINDENT);
  got = Para(edit, 7, 9);
  EXPECT_EQ(got.dxStartIndent, 1440);
  EXPECT_EQ(got.dySpaceBefore, 300);
  EXPECT_EQ(got.wAlignment, PFA_LEFT);

  // Line spacing: double lines take twice the height.
  edit->SetText(L"a\rb");
  const LONG single = Pos(edit, 2).y - Pos(edit, 0).y;
  pf = PARAFORMAT2{};
  pf.cbSize = sizeof(PARAFORMAT2);
  pf.dwMask = PFM_LINESPACING | PFM_SPACEAFTER;
  pf.bLineSpacingRule = 4;  // exactly
  pf.dyLineSpacing = 600;   // 40 pixels
  pf.dySpaceAfter = 150;    // 10 pixels
  Select(edit, 0, 0);
  Send(edit, EM_SETPARAFORMAT, 0, LPARAM(&pf));
  EXPECT_EQ(Pos(edit, 2).y - Pos(edit, 0).y, 50);
  EXPECT_NE(single, 50);
}

TEST_F(RichEditFormatTest, UndoAndRedoCoverFormatChanges) {
  CRichEditUI* edit = Make();
  edit->SetText(L"abc");
  SetSelection(edit, 0, 3, Format2(CFM_BOLD, CFE_BOLD));
  EXPECT_TRUE(Get(edit, 0, 3).dwEffects & CFE_BOLD);
  EXPECT_TRUE(edit->Undo());
  EXPECT_FALSE(Get(edit, 0, 3).dwEffects & CFE_BOLD);
  EXPECT_TRUE(edit->Redo());
  EXPECT_TRUE(Get(edit, 0, 3).dwEffects & CFE_BOLD);
  PARAFORMAT2 pf{};
  pf.cbSize = sizeof(PARAFORMAT2);
  pf.dwMask = PFM_ALIGNMENT;
  pf.wAlignment = PFA_CENTER;
  Send(edit, EM_SETPARAFORMAT, 0, LPARAM(&pf));
  EXPECT_EQ(Para(edit, 0, 0).wAlignment, PFA_CENTER);
  EXPECT_TRUE(edit->Undo());
  EXPECT_EQ(Para(edit, 0, 0).wAlignment, PFA_LEFT);
  // Text and formats go back together.
  Select(edit, 1, 2);
  edit->ReplaceSel(L"XYZ", true);
  EXPECT_EQ(Text(edit), L"aXYZc");
  EXPECT_TRUE(edit->Undo());
  EXPECT_EQ(Text(edit), L"abc");
  EXPECT_TRUE(Get(edit, 0, 3).dwEffects & CFE_BOLD);
}

TEST_F(RichEditFormatTest, PlainTextStreamsInBothCodings) {
  CRichEditUI* edit = Make();
  struct Case {
    WPARAM format;
    std::string bytes;
    std::wstring text;
  };
  const Case cases[] = {
      {SF_TEXT, "ab\r\n\xD6\xD0\xCE\xC4", L"ab\r中文"},  // the ANSI code page is GBK
      {SF_TEXT | SF_UNICODE, std::string("a\0\r\0\n\0=\xD8\x00\xDE", 10), L"a\r\U0001F600"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    EXPECT_EQ(StreamIn(edit, c.format, c.bytes), LRESULT(c.text.size()));
    EXPECT_EQ(Text(edit), c.text);
    EXPECT_EQ(StreamOut(edit, c.format), c.bytes);
  }
  // Into the selection only.
  Select(edit, 1, 2);
  StreamIn(edit, SF_TEXT | SFF_SELECTION, "xy");
  EXPECT_EQ(Text(edit), L"axy\U0001F600");
  Select(edit, 1, 3);
  EXPECT_EQ(StreamOut(edit, SF_TEXT | SFF_SELECTION), "xy");
  // The callback's error ends the stream and changes nothing.
  DWORD error = 0;
  EXPECT_EQ(StreamIn(edit, SF_TEXT, "zzz", &error, 42), 0);
  EXPECT_EQ(error, 42u);
  EXPECT_EQ(Text(edit), L"axy\U0001F600");
  // U+0000 is no letter of a text: a plain stream, or data that is no document, leaves it
  // out as a document does, whole or into the selection.
  const struct {
    WPARAM format;
    std::string bytes;
  } kNuls[] = {{SF_TEXT, std::string("a\0b\0", 4)},
               {SF_TEXT | SF_UNICODE, std::string("a\0\0\0b\0", 6)},
               {SF_RTF, std::string("\0a\0b", 4)}};
  for (const auto& c : kNuls) {
    SCOPED_TRACE(c.format);
    EXPECT_EQ(StreamIn(edit, c.format, c.bytes), 2);
    EXPECT_EQ(Text(edit), L"ab");
    Select(edit, 1, 1);
    EXPECT_EQ(StreamIn(edit, c.format | SFF_SELECTION, c.bytes), 2);
    EXPECT_EQ(Text(edit), L"aabb");
    EXPECT_EQ(StreamOut(edit, SF_RTF).find('\0'), std::string::npos);
  }
}

TEST_F(RichEditFormatTest, RtfStreamsInAndOutWithTheirFormats) {
  CRichEditUI* edit = Make();
  const std::string doc =
      "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}{\\f1\\fswiss Arial;}}"
      "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
      "{\\*\\generator Something 1.0;}{\\info{\\title skipped}}"
      "\\pard\\qc\\sb120\\f1\\fs32\\b Big\\b0  \\cf1 red\\cf0  \\i it\\i0\\par"
      "\\pard\\li720\\fi-360\\ri240\\sa60\\f0\\fs20\\ul\\'d6\\'d0\\ulnone\\u8364?\\strike s\\strike0"
      "\\highlight2 h\\highlight0\\par"
      "\\pard\\qr tail \\{x\\}\\par}";
  DWORD error = 1;
  EXPECT_GT(StreamIn(edit, SF_RTF, doc, &error), 0);
  EXPECT_EQ(error, 0u);
  EXPECT_EQ(Text(edit), L"Big red it\r中€sh\rtail {x}");
  CHARFORMAT2W cf = Get(edit, 0, 3);
  EXPECT_TRUE(cf.dwEffects & CFE_BOLD);
  EXPECT_EQ(cf.yHeight, 320);
  EXPECT_STREQ(cf.szFaceName, L"Arial");
  cf = Get(edit, 4, 7);
  EXPECT_FALSE(cf.dwEffects & CFE_AUTOCOLOR);
  EXPECT_EQ(cf.crTextColor, RGB(255, 0, 0));
  EXPECT_TRUE(Get(edit, 8, 10).dwEffects & CFE_ITALIC);
  cf = Get(edit, 11, 12);
  EXPECT_STREQ(cf.szFaceName, L"宋体");
  EXPECT_EQ(cf.bCharSet, 134);
  EXPECT_TRUE(cf.dwEffects & CFE_UNDERLINE);
  EXPECT_EQ(cf.yHeight, 200);
  EXPECT_TRUE(Get(edit, 13, 14).dwEffects & CFE_STRIKEOUT);
  cf = Get(edit, 14, 15);
  EXPECT_EQ(cf.crBackColor, RGB(0, 0, 255));
  EXPECT_FALSE(cf.dwEffects & CFE_AUTOBACKCOLOR);
  PARAFORMAT2 pf = Para(edit, 0, 0);
  EXPECT_EQ(pf.wAlignment, PFA_CENTER);
  EXPECT_EQ(pf.dySpaceBefore, 120);
  pf = Para(edit, 12, 12);
  EXPECT_EQ(pf.dxStartIndent, 360);  // first line: 720 - 360
  EXPECT_EQ(pf.dxOffset, 360);       // later lines at 720
  EXPECT_EQ(pf.dxRightIndent, 240);
  EXPECT_EQ(pf.dySpaceAfter, 60);
  EXPECT_EQ(Para(edit, 18, 18).wAlignment, PFA_RIGHT);

  // Out and in again: the same text and formats.
  const std::string out = StreamOut(edit, SF_RTF);
  EXPECT_EQ(out.compare(0, 6, "{\\rtf1"), 0);
  CRichEditUI* copy = Place(new CRichEditUI, L"copy", RECT{10, 220, 410, 420});
  copy->SetAttribute(L"rich", L"true");
  StreamIn(copy, SF_RTF, out);
  EXPECT_EQ(Text(copy), Text(edit));
  for (LONG cp = 0; cp < LONG(Text(edit).size()); ++cp) {
    const CHARFORMAT2W a = Get(edit, cp, cp + 1), b = Get(copy, cp, cp + 1);
    EXPECT_EQ(a.dwEffects & ~DWORD(CFE_AUTOBACKCOLOR), b.dwEffects & ~DWORD(CFE_AUTOBACKCOLOR)) << cp;
    EXPECT_EQ(a.yHeight, b.yHeight) << cp;
    EXPECT_STREQ(a.szFaceName, b.szFaceName) << cp;
    if (!(a.dwEffects & CFE_AUTOCOLOR)) {
      EXPECT_EQ(a.crTextColor, b.crTextColor) << cp;
    }
    const PARAFORMAT2 p = Para(edit, cp, cp), q = Para(copy, cp, cp);
    EXPECT_EQ(p.wAlignment, q.wAlignment) << cp;
    EXPECT_EQ(p.dxStartIndent, q.dxStartIndent) << cp;
    EXPECT_EQ(p.dxOffset, q.dxOffset) << cp;
  }

  // A selection out, and into another selection, formats and all.
  Select(edit, 0, 3);
  const std::string big = StreamOut(edit, SF_RTF | SFF_SELECTION);
  Select(copy, 0, 0);
  StreamIn(copy, SF_RTF | SFF_SELECTION, big);
  EXPECT_EQ(Text(copy).substr(0, 6), L"BigBig");
  EXPECT_TRUE(Get(copy, 0, 3).dwEffects & CFE_BOLD);
  EXPECT_TRUE(copy->Undo());  // a stream into the selection can be undone
  EXPECT_EQ(Text(copy), Text(edit));
}

TEST_F(RichEditFormatTest, MalformedDocumentsStopWithAnErrorAndChangeNothing) {
  CRichEditUI* edit = Make();
  edit->SetText(L"keep");
  const std::string cases[] = {
      std::string(10000, '{'),                    // not a document at all: read as text
      "{\\rtf1 " + std::string(5000, '{') + "x",  // too deep
      "{\\rtf1 {\\b unclosed",                    // truncated
      "{\\rtf1 text}}}}",                         // closes more than it opens: the rest is after the end
      "{\\rtf1\\fs99999999999999999999 \\u99999999999?\\li-9999999999 \\sl-99999999999 x}",
      "{\\rtf1 \\bin999999999999 x}",             // binary data beyond the end: truncated
  };
  DWORD error = 0;
  StreamIn(edit, SF_RTF, cases[1], &error);
  EXPECT_EQ(error, DWORD(ERROR_INVALID_DATA));
  EXPECT_EQ(Text(edit), L"keep");
  StreamIn(edit, SF_RTF, cases[2], &error);
  EXPECT_EQ(error, DWORD(ERROR_INVALID_DATA));
  EXPECT_EQ(Text(edit), L"keep");
  StreamIn(edit, SF_RTF, cases[3], &error);
  EXPECT_EQ(error, 0u);
  EXPECT_EQ(Text(edit), L"text");
  StreamIn(edit, SF_RTF, cases[4], &error);
  EXPECT_EQ(error, 0u);  // huge numbers are clamped
  EXPECT_EQ(Text(edit), L"x");
  StreamIn(edit, SF_RTF, cases[5], &error);
  EXPECT_EQ(error, DWORD(ERROR_INVALID_DATA));
  StreamIn(edit, SF_RTF, cases[0], &error);
  EXPECT_EQ(error, 0u);
  EXPECT_EQ(Text(edit).size(), 10000u);
}

// Documents that must come back as they went in: read, written, read again.
TEST_F(RichEditFormatTest, RtfReadWriteReadKeepsTextAndFormats) {
  std::string chinese, lettered;
  for (int i = 0; i < 3000; ++i) chinese += "\\'d6\\'d0", lettered += "\x81@";
  struct Case {
    const char* name;
    std::string rtf;
    std::wstring text;
    const char* written;  // a piece of the document written out, or nullptr
    int lines;             // the lines laid out, or 0
    LONG paraAt;           // where the paragraph of `align` and `spacing` is
    WORD align;
    BYTE rule;
    LONG spacing;
    const wchar_t* face;  // the first character's face, or nullptr
  };
  const Case cases[] = {
      {"Table", "{\\rtf1\\trowd\\cellx900\\cellx1800\\intbl\\qc A1\\cell B1\\cell\\row after\\par}", L"A1\tB1\rafter",
       "A1\\tab B1\\par", 2, 7, PFA_LEFT, 0, 0, nullptr},
      {"TableFirstRow", "{\\rtf1\\trowd\\intbl\\qc A1\\cell\\cell C1\\cell\\row x}", L"A1\t\tC1\rx", nullptr, 2, 0,
       PFA_CENTER, 0, 0, nullptr},
      {"LineBreak", "{\\rtf1 a\\line b\\par c}", L"a\vb\rc", "a\\line b\\par", 3, 2, PFA_LEFT, 0, 0, nullptr},
      {"LongChineseRun", "{\\rtf1\\ansicpg936 " + chinese + "}", std::wstring(3000, L'\u4E2D'), nullptr, 0, 0,
       PFA_LEFT, 0, 0, nullptr},
      {"LeadBytesAndLetters", "{\\rtf1\\ansicpg936 " + lettered + "}", std::wstring(3000, L'\u4E02'), nullptr, 0, 0,
       PFA_LEFT, 0, 0, nullptr},
      {"EmptyLastParagraph", "{\\rtf1 a\\par\\par}", L"a\r", "a\\par", 2, 0, PFA_LEFT, 0, 0, nullptr},
      {"SmallMultipleSpacing", "{\\rtf1\\sl11\\slmult1 a\\par b}", L"a\rb", nullptr, 0, 0, PFA_LEFT, 5, 1, nullptr},
      {"TabInFontName", "{\\rtf1{\\fonttbl{\\f0\\fnil A\\'09B;}}\\f0 x}", L"x", nullptr, 0, 0, PFA_LEFT, 0, 0,
       L"A\tB"},
  };
  CRichEditUI* edit = Make();
  CRichEditUI* copy = Place(new CRichEditUI, L"copy", RECT{10, 220, 410, 420});
  copy->SetAttribute(L"rich", L"true");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DWORD error = 1;
    StreamIn(edit, SF_RTF, c.rtf, &error);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(Text(edit), c.text);
    if (c.lines) {
      EXPECT_EQ(Send(edit, EM_GETLINECOUNT), c.lines);
    }
    const PARAFORMAT2 pf = Para(edit, c.paraAt, c.paraAt);
    EXPECT_EQ(pf.wAlignment, c.align);
    EXPECT_EQ(pf.bLineSpacingRule, c.rule);
    EXPECT_EQ(pf.dyLineSpacing, c.spacing);
    if (c.face) {
      EXPECT_STREQ(Get(edit, 0, 1).szFaceName, c.face);
    }
    const std::string out = StreamOut(edit, SF_RTF);
    if (c.written) {
      EXPECT_NE(out.find(c.written), std::string::npos) << out;
    }
    // Read again: the same text, and the same document written from it.
    StreamIn(copy, SF_RTF, out);
    EXPECT_EQ(Text(copy), c.text);
    EXPECT_EQ(StreamOut(copy, SF_RTF), out);
  }
  // A default size that half points cannot hold (a 13-pixel font) comes back as it was.
  CHARFORMAT2W size = Format2(CFM_SIZE);
  size.yHeight = 195;
  for (CRichEditUI* e : {edit, copy}) Send(e, EM_SETCHARFORMAT, SCF_DEFAULT, LPARAM(&size));
  StreamIn(edit, SF_RTF, "{\\rtf1 x}");
  StreamIn(copy, SF_RTF, StreamOut(edit, SF_RTF));
  EXPECT_EQ(Get(copy, 0, 1).yHeight, 195);
}

TEST_F(RichEditFormatTest, LinksRaiseEnLinkThroughTheHost) {
  CRichEditUI* edit = Make();
  Send(edit, EM_SETEVENTMASK, 0, ENM_LINK);
  edit->SetText(L"see http://example.test/a, or here");
  EXPECT_EQ(Send(edit, EM_AUTOURLDETECT, TRUE), 0);
  std::vector<std::pair<UINT, CHARRANGE>> links;
  log_.hook = [&](UINotifyMsg& msg) {
    if (wcscmp(msg.type.GetData(), L"richeditnotify") == 0 && msg.wParam == EN_LINK) {
      auto* link = reinterpret_cast<ENLINK*>(msg.lParam);
      EXPECT_EQ(link->nmhdr.code, UINT(EN_LINK));
      // Button messages only: the cursor and moves come wherever the pointer passes.
      if (link->msg == WM_LBUTTONDOWN || link->msg == WM_LBUTTONUP) links.emplace_back(link->msg, link->chrg);
    }
  };
  const POINTL inUrl = Pos(edit, 10);
  Click(inUrl.x + 2, inUrl.y + 5);
  ASSERT_FALSE(links.empty());
  EXPECT_EQ(links.front().first, UINT(WM_LBUTTONDOWN));
  EXPECT_EQ(links.front().second.cpMin, 4);
  EXPECT_EQ(links.front().second.cpMax, 25);  // the comma is the sentence's
  bool up = false;
  for (auto& l : links) up = up || l.first == WM_LBUTTONUP;
  EXPECT_TRUE(up);

  // A run in CFE_LINK is a link as well; plain text is not.
  links.clear();
  SetSelection(edit, 30, 34, Format2(CFM_LINK, CFE_LINK));
  const POINTL here = Pos(edit, 31);
  Click(here.x + 2, here.y + 5);
  ASSERT_FALSE(links.empty());
  EXPECT_EQ(links.front().second.cpMin, 30);
  EXPECT_EQ(links.front().second.cpMax, 34);
  links.clear();
  const POINTL see = Pos(edit, 1);
  Click(see.x + 2, see.y + 5);
  EXPECT_TRUE(links.empty());
  // Without detection the address is plain text.
  Send(edit, EM_AUTOURLDETECT, FALSE);
  Click(inUrl.x + 2, inUrl.y + 5);
  EXPECT_TRUE(links.empty());
  log_.hook = nullptr;
}

TEST_F(RichEditFormatTest, BackgroundColourAnswersThePreviousOne) {
  CRichEditUI* edit = Make();
  const COLORREF window = GetSysColor(COLOR_WINDOW);
  EXPECT_EQ(COLORREF(Send(edit, EM_SETBKGNDCOLOR, 0, RGB(10, 20, 30))), window);
  EXPECT_EQ(COLORREF(Send(edit, EM_SETBKGNDCOLOR, 1, 0)), RGB(10, 20, 30));
  EXPECT_EQ(COLORREF(Send(edit, EM_SETBKGNDCOLOR, 0, RGB(250, 240, 200))), window);
  // An opaque back style paints it.
  edit->GetTxtWinHost()->SetTransparent(false);
  edit->GetTxtWinHost()->GetTextServices()->OnTxPropertyBitsChange(TXTBIT_BACKSTYLECHANGE, 0);
  Layout();
  EXPECT_EQ(Pixel(400, 200), 0xFAF0C8u);  // red, green, blue from the top byte down
}

// Long paragraphs (many runs, hanging indent, justified, one and a half lines apart; an
// unbroken centred word) lay out, place the caret and hit-test as they always have: pinned by
// the line count and a digest of every line start, caret place and hit.
TEST_F(RichEditFormatTest, LongParagraphsKeepTheirLinesCaretsAndHits) {
  CRichEditUI* edit = Make(true, RECT{10, 10, 410, 210});
  Send(edit, EM_EXLIMITTEXT, 0, 1 << 20);
  std::string doc = "{\\rtf1\\ansi{\\colortbl ;\\red200\\green0\\blue0;}\\pard\\qj\\li720\\fi-360\\sl360\\slmult1 ";
  static const char* const kRuns[] = {"\\b ", "\\b0\\cf1 ", "\\cf0\\i ", "\\i0\\fs32 ", "\\fs20 ", "\\ul ", "\\ulnone "};
  for (int i = 0; i < 1500; ++i) doc += kRuns[i % 7] + std::string(i % 11 == 0 ? "x" : "word") + std::to_string(i) + " ";
  doc += "\\par\\pard\\qc " + std::string(1500, 'm') + "\\par\\pard tail\\par}";
  DWORD error = 1;
  ASSERT_GT(StreamIn(edit, SF_RTF, doc, &error), 0);
  ASSERT_EQ(error, 0u);
  uint64_t digest = 1469598103934665603ull;
  auto mix = [&](long v) { digest = (digest ^ uint64_t(v)) * 1099511628211ull; };
  const LONG lines = LONG(Send(edit, EM_GETLINECOUNT)), length = LONG(Send(edit, WM_GETTEXTLENGTH));
  for (LONG line = 0; line < lines; ++line) mix(LONG(Send(edit, EM_LINEINDEX, WPARAM(line))));
  for (LONG cp = 0; cp <= length; cp += 3) {
    const POINTL p = Pos(edit, cp);
    mix(p.x);
    mix(p.y);
    mix(LONG(Send(edit, EM_LINEFROMCHAR, WPARAM(cp))));
  }
  for (int y = -5; y < 4000; y += 7) {
    for (int x = 0; x < 420; x += 13) {
      POINTL at = {x, y};
      mix(LONG(Send(edit, EM_CHARFROMPOS, 0, LPARAM(&at))));
    }
  }
  EXPECT_EQ(lines, 320);
  EXPECT_EQ(digest, 14685237808657586522ull);  // the long word broken with no hyphen
}

// A control with no size yet lays out nothing (a text one pixel wide would break every
// letter onto a line of its own); once placed, it lays out at its width, as one placed from the start.
TEST_F(RichEditFormatTest, NoLayoutBeforeTheControlHasASize) {
  std::string doc = "{\\rtf1\\ansi\\pard\\qj ";
  for (int i = 0; i < 300; ++i) doc += "\\u19979?\\u-28803?";
  doc += "\\par\\pard second\\par}";
  CRichEditUI* placed = Make(true, RECT{10, 10, 210, 210});
  placed->SetAttribute(L"multiline", L"true");
  ASSERT_GT(StreamIn(placed, SF_RTF, doc), 0);
  Layout();
  CRichEditUI* later = Make(true, RECT{0, 0, 0, 0});
  later->SetAttribute(L"multiline", L"true");
  const unsigned long before = jf::TestTextLayoutParagraphs();
  ASSERT_GT(StreamIn(later, SF_RTF, doc), 0);
  Layout();
  Send(later, EM_GETLINECOUNT);
  EXPECT_EQ(jf::TestTextLayoutParagraphs() - before, 0u);
  later->SetAttribute(L"pos", L"220,10,420,210");
  later->SetPos(RECT{220, 10, 420, 210});
  Layout();
  const LRESULT lines = Send(placed, EM_GETLINECOUNT);
  EXPECT_GT(lines, 4);
  EXPECT_EQ(Send(later, EM_GETLINECOUNT), lines);
  for (WPARAM line : {1, 5, 30}) EXPECT_EQ(Send(later, EM_LINEINDEX, line), Send(placed, EM_LINEINDEX, line));
  EXPECT_EQ(jf::TestTextLayoutParagraphs() - before, 2u);
}

// An edit lays out again only the paragraph it changed; the others are kept.
TEST_F(RichEditFormatTest, AnEditRelaysOnlyItsParagraph) {
  CRichEditUI* edit = Make();
  edit->SetText(L"first paragraph\r\nsecond paragraph\r\nthird paragraph");
  Layout();
  const unsigned long before = jf::TestTextLayoutParagraphs();
  Select(edit, 20, 20);
  Send(edit, EM_REPLACESEL, TRUE, LPARAM(L"typed "));
  Layout();
  Pos(edit, 40);
  EXPECT_EQ(jf::TestTextLayoutParagraphs() - before, 1u);
  EXPECT_EQ(Text(edit), L"first paragraph\rsecotyped nd paragraph\rthird paragraph");
}

TEST_F(RichEditFormatTest, ScreenshotOfADocumentLoadedFromRtf) {
  CRichEditUI* edit = Make(true, RECT{20, 20, 520, 300});
  const std::string doc =
      "{\\rtf1\\ansi\\ansicpg936{\\fonttbl{\\f0\\fnil\\fcharset134 \\'ce\\'a2\\'c8\\'ed\\'d1\\'c5\\'ba\\'da;}}"
      "{\\colortbl ;\\red220\\green30\\blue30;\\red30\\green120\\blue220;\\red255\\green230\\blue120;}"
      "\\pard\\qc\\sa120\\f0\\fs44\\b\\cf2 Centred title\\par"
      "\\pard\\ql\\fs24\\b0\\cf0 Plain, \\b bold\\b0 , \\i italic\\i0 , \\cf1 red\\cf0 , \\fs36 larger\\fs24 , "
      "\\ul underlined\\ulnone , \\strike struck\\strike0  and \\highlight3 marked\\highlight0 .\\par"
      "\\pard\\qr\\i\\cf2 \\'d3\\'d2\\'b6\\'d4\\'c6\\'eb\\line right\\par"
      "\\pard\\li720\\fi-360 A paragraph indented half an inch whose later lines hang a quarter inch further "
      "in than its first, long enough to wrap.\\par}";
  DWORD error = 1;
  ASSERT_GT(StreamIn(edit, SF_RTF, doc, &error), 0);
  ASSERT_EQ(error, 0u);
  Layout();
  Png("richedit_formatted");
  // The title is centred and blue, "red" is red, the marked word sits on yellow.
  const POINTL title = Pos(edit, 0), plain = Pos(edit, 14);
  EXPECT_GT(title.x, plain.x + 100);
  auto count = [&](RECT rc, auto match) {
    int n = 0;
    for (int y = rc.top; y < rc.bottom; ++y)
      for (int x = rc.left; x < rc.right; ++x) n += match(Pixel(x, y));
    return n;
  };
  auto reddish = [](DWORD p) { return ((p >> 16) & 0xFF) > 150 && ((p >> 8) & 0xFF) < 100 && (p & 0xFF) < 100; };
  auto bluish = [](DWORD p) { return (p & 0xFF) > 150 && ((p >> 16) & 0xFF) < 100; };
  auto yellow = [](DWORD p) { return p == 0xFFE678u; };
  EXPECT_GT(count(RECT{20, title.y, 520, title.y + 30}, bluish), 50);
  EXPECT_EQ(count(RECT{20, title.y, 520, title.y + 30}, reddish), 0);
  EXPECT_GT(count(RECT{20, plain.y, 520, plain.y + 60}, reddish), 10);
  EXPECT_GT(count(RECT{20, plain.y, 520, plain.y + 60}, yellow), 50);
}

}  // namespace
