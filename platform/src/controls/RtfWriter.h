// Writes a stretch of formatted text as a document in the rich text format: font and colour
// tables, each paragraph's format after \pard and each run's after \plain; characters that the
// Chinese code page holds as \'hh where the run's character set reads them so, a symbol font's
// private-use letters as its bytes, the others as \u with a question mark to fall back on.
#pragma once
#include <richedit.h>

#include <string>
#include <vector>

#include "platform/src/controls/TextFormats.h"

namespace jf {

class RtfWriter {
 public:
  // [from, to) of `text` (paragraphs end with '\r', '\v' breaks a line) in `formats`; a whole
  // `document` closes its last paragraph too.
  static std::string Write(const std::wstring& text, const TextFormats& formats, LONG from, LONG to,
                           bool document = false);

 private:
  explicit RtfWriter(const TextFormats& formats);
  void Tables(LONG from, LONG to);
  int FontIndex(const CHARFORMAT2W& cf);
  int ColourIndex(COLORREF c);
  void Paragraph(const PARAFORMAT2& pf);
  void Run(const CHARFORMAT2W& cf);
  void Text(const std::wstring& part);

  const TextFormats& formats_;
  std::vector<std::wstring> fonts_;
  std::vector<BYTE> charsets_;
  std::vector<COLORREF> colours_;
  std::string out_;
  BYTE charset_ = DEFAULT_CHARSET;  // of the run being written: whether \'hh may be used
  bool names_ = false;              // writing the font table's names
};

}  // namespace jf
