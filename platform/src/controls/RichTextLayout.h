// The layout of a formatted text: one pango layout per paragraph, each with the attribute
// list of its character runs and the indents, alignment and spacing of its paragraph format,
// stacked from the top. Positions are character positions of the text and pixels from the
// layout's top-left corner.
#pragma once
#include <richedit.h>

#include <pango/pangocairo.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/src/controls/TextFormats.h"

namespace jf {

class FontLayout;
class FontObject;

class RichTextLayout {
 public:
  struct Options {
    int wrapWidth = -1;   // pixels, or -1 for lines as long as their paragraphs
    int alignWidth = 0;   // the width unwrapped lines are aligned in
    COLORREF text = 0;    // the colour of characters in CFE_AUTOCOLOR
    COLORREF link = RGB(0, 0, 255);
    std::vector<CHARRANGE> links;  // detected links, drawn as links whatever their format
  };

  // `shown` is the text as drawn (paragraphs end with '\r'); `font` the default font.
  RichTextLayout(const std::wstring& shown, const TextFormats& formats, const FontObject* font, Options options);
  ~RichTextLayout();
  RichTextLayout(const RichTextLayout&) = delete;
  RichTextLayout& operator=(const RichTextLayout&) = delete;

  int Width() const { return width_; }
  int Height() const { return height_; }
  int Baseline() const;
  // The caret's place before the character: left, top and bottom.
  RECT CaretAt(LONG cp) const;
  LONG CpAt(int x, int y) const;
  LONG CharAt(int x, int y) const;  // the character drawn at the point, or -1
  int LineCount() const { return int(lines_.size()); }
  int LineOf(LONG cp) const;
  LONG LineStart(int line) const;
  LONG LineEnd(int line) const;  // before the paragraph break
  // The text, then the selection's background and its text in the highlight colours.
  void Draw(cairo_t* cr, double x, double y, LONG selFrom, LONG selTo, COLORREF highlight,
            COLORREF highlightText) const;

 private:
  struct Paragraph {
    std::unique_ptr<FontLayout> layout;
    LONG start = 0;
    LONG length = 0;  // without the break
    int x = 0;
    int y = 0;
    int firstLine = 0;
    std::vector<int> bytes;  // byte offset of each character, and of the end
  };

  PangoAttrList* Attributes(const Paragraph& p, const COLORREF* override) const;
  size_t ParagraphOf(LONG cp) const;
  LONG CpIn(const Paragraph& p, int byte) const;

  std::wstring text_;
  TextFormats formats_;
  Options options_;
  std::vector<Paragraph> paragraphs_;
  std::vector<std::pair<size_t, int>> lines_;  // paragraph and line in it
  int width_ = 0;
  int height_ = 0;
};

}  // namespace jf
