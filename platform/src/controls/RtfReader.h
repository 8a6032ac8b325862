// Reads a document in the rich text format into text and formats: the font and colour
// tables, character formatting (\b \i \ul \strike \fs \cf \highlight \f \up \dn \plain),
// paragraphs (\par \pard \ql \qc \qr \qj \li \ri \fi \sb \sa \sl; \page, \sect and \column end
// one too), line breaks (\line, kept as '\v'), table rows (a tab between cells, a paragraph
// per row), list text (\listtext, \pntext), \u with its fallback (\uc characters, a control
// word or symbol counting as one) and bytes in the code page of the font's character set or
// the document's (\ansicpg, \ansi, \mac, \pc, \pca); a symbol font's bytes are the
// private-use letters U+F020 to U+F0FF. Other destinations are skipped. A stream
// that nests too deep, ends inside a group or does not start as a document fails; numbers
// are clamped, so nothing in the input can make the reader loop or grow without bound.
#pragma once
#include <richedit.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/src/controls/TextFormats.h"

namespace jf {

class RtfReader {
 public:
  static constexpr int kMaxDepth = 64;

  // `base` formats are where \plain and \pard go back to; at most `maxChars` characters.
  RtfReader(const CHARFORMAT2W& baseChar, const PARAFORMAT2& basePara, size_t maxChars);

  // A whole `document` ends in a paragraph mark of its own: the last one read is the text's end.
  bool Read(const std::string& data, bool document = false);
  const std::wstring& Text() const { return text_; }
  const TextFormats& Formats() const { return formats_; }
  // Whether the data starts as a document ("{\rtf").
  static bool IsRtf(const std::string& data);

 private:
  enum class Destination { Text, FontTable, ColorTable, Skip };
  struct ParagraphState {
    PARAFORMAT2 para;
    long left, first, lineSpacing;
    bool multiple;
  };
  struct State {
    CHARFORMAT2W cf;
    Destination dest = Destination::Text;
    int font = -1;  // index in the font table
    int skipCount = 1;  // \uc: fallback characters after each \u
    std::optional<ParagraphState> paraBefore;  // list text: the paragraph format it leaves
  };
  struct Font {
    int number = 0;
    std::wstring name;
    BYTE charset = DEFAULT_CHARSET;
  };

  void ControlWord(const std::string& data, size_t& i);  // after the backslash, at a letter
  void Unicode(long param);
  bool SkipFallback();  // whether what comes is a fallback character, which it then skips
  void EndAtLastMark();
  void StoreFormats();
  void Word(const std::string& word, bool hasParam, long param);
  // The groups of control words; each answers whether it took the word.
  bool DestinationWord(const std::string& w, long param);
  bool CharacterWord(const std::string& w, bool hasParam, long param);
  bool ParagraphWord(const std::string& w, long param);
  void DefaultParagraph();
  ParagraphState CurrentParagraph() const;
  void SetParagraph(const ParagraphState& p);
  void LineSpacing(const std::string& w, long param);
  void SpecialCharacter(const std::string& w);
  void Symbol(char c);
  void Char(wchar_t c);  // after the pending bytes
  void Append(wchar_t c);  // into the destination
  void Put(wchar_t c);     // into the text
  void Byte(unsigned char b);  // a byte of text in the code page
  void Flush();                // decodes the pending bytes
  void Paragraph();
  void EndFontEntry();
  UINT CodePage() const;
  COLORREF ColourAt(long index, bool* valid) const;

  CHARFORMAT2W baseChar_;
  PARAFORMAT2 basePara_;
  size_t maxChars_;
  State state_;
  std::vector<State> stack_;
  PARAFORMAT2 para_;
  CHARFORMAT2W end_;  // the text end's format
  std::wstring text_;
  TextFormats formats_;
  std::vector<std::pair<LONG, CHARFORMAT2W>> runs_;  // where each run of one format starts
  std::vector<std::pair<LONG, PARAFORMAT2>> paras_;  // each paragraph's break and format
  std::string bytes_;  // text bytes waiting to be decoded
  bool lead_ = false;  // the last of them is a lead byte of the Chinese code page
  bool cellTab_ = false;  // a table cell ended: a tab goes before what follows in its row
  int skip_ = 0;       // fallback characters still to skip
  UINT docPage_ = 1252;
  std::vector<Font> fonts_;
  Font entry_;
  std::vector<COLORREF> colours_;
  bool colourSet_ = false;
  COLORREF colour_ = 0;
  wchar_t high_ = 0;  // a \u high surrogate waiting for its low half
  bool full_ = false;
  long left_ = 0;   // \li and \fi in twips, which make the start indent and the offset
  long first_ = 0;
  long lineSpacing_ = 0;  // \sl, and \slmult's multiple-line flag
  bool multiple_ = false;
};

}  // namespace jf
