// The layout of a formatted text: pango layouts per paragraph, each with the attribute list
// of its character runs and the indents, alignment and spacing of its paragraph format,
// stacked from the top. Positions are character positions of the text and pixels from the
// layout's top-left corner. A long paragraph is laid out in pieces of bounded length (pango's
// work grows faster than the text), each starting at a line of the one before, so its lines
// break as one layout would break them. A layout made with a previous one keeps the
// paragraphs that did not change and, in a changed one, the pieces before the change and
// those after it from where the lines meet the old ones again. U+000B breaks a line inside
// its paragraph. Where an edit's lines never meet the old ones (text that breaks between any
// two letters moves every line after it), a wrapped paragraph is laid out a few pieces past
// the change and left open: the rest is laid out as it is asked for, or in slices.
#pragma once
#include <richedit.h>

#include <pango/pangocairo.h>

#include <climits>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/src/controls/ScriptContext.h"
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
  // Paragraphs of `previous` that are the same in this text are taken over, not laid out again.
  RichTextLayout(const std::wstring& shown, const TextFormats& formats, const FontObject* font, Options options,
                 RichTextLayout* previous = nullptr);
  ~RichTextLayout();
  RichTextLayout(const RichTextLayout&) = delete;
  RichTextLayout& operator=(const RichTextLayout&) = delete;

  int WrapWidth() const { return options_.wrapWidth; }
  int Width() const {
    Finish();
    return width_;
  }
  int Height() const {
    Finish();
    return height_;
  }
  // Whether every paragraph is laid out; laying out the open one's rest: all of it, or up to
  // `pieces` more of its pieces; or until what is laid out reaches `y` pixels down. Reach
  // answers the height laid out so far (the whole once done).
  bool Done() const { return !open_; }
  void Finish() const { Resume(INT_MAX, INT_MAX); }
  void Advance(int pieces) const { Resume(pieces, INT_MAX); }
  int Reach(int y) const;
  int Baseline() const;
  // The caret's place before the character: left, top and bottom.
  RECT CaretAt(LONG cp) const;
  LONG CpAt(int x, int y) const;
  LONG CharAt(int x, int y) const;  // the character drawn at the point, or -1
  int LineCount() const {
    Finish();
    return int(lines_.size());
  }
  int LineOf(LONG cp) const;
  bool HasLine(int line) const;  // 0 <= line < LineCount(), from the lines laid out where it can
  LONG LineStart(int line) const;
  LONG LineEnd(int line) const;  // before the paragraph break
  // The text, then the selection's background and its text in the highlight colours.
  void Draw(cairo_t* cr, double x, double y, LONG selFrom, LONG selTo, COLORREF highlight,
            COLORREF highlightText) const;

 private:
  // One pango layout over a stretch of a paragraph and the lines of it that belong there.
  struct Piece {
    std::unique_ptr<FontLayout> layout;
    LONG textFrom = 0;  // the layout's text from here (in the paragraph), after `context`'s lead
    LONG from = 0;      // the characters of the lines that count
    LONG to = 0;
    LONG textTo = 0;    // the end of the layout's text
    LONG leadChars = 0;  // characters of the layout's text before textFrom
    int firstLine = 0;  // those lines of the layout
    int endLine = 0;
    int lineBase = 0;   // lines of the paragraph before them
    int64_t dy = 0;     // pango units from the paragraph's top to the layout's
    int64_t top = 0;    // pango units from the paragraph's top to where points start to hit its lines
    int64_t lowest = 0;  // and to the lowest bottom of the paragraph's lines up to its last
    int rise = 0;       // of the marks and separator before the text (pango units)
    int left = 0, right = 0;  // the logical extents across of the lines that count, pango units
    // Unwrapped right-to-left lines stand at the right of the widest line of their layout: the
    // layout's width, the widest of its lines that count, and the shift that puts them where
    // the paragraph's widest line puts them (pango units).
    int width = 0, widest = 0;
    int dx = 0;
    int64_t above = 0, below = 0;  // their top and bottom, pango units from the paragraph's top
    int baseline = 0, ascent = 0, descent = 0;  // of a piece across, its line's (pango units)
    std::wstring context;  // bidi marks before and after the text, so it resolves as the paragraph
    ScriptContext scripts;  // pango's script state before the text, as the paragraph leaves it
    wchar_t next = 0;       // the letter of the script to come it was given, if it needed one
    int samplesFrom = 0, samplesTo = 0;  // bytes of the script letters (small: they only set a state)
    std::vector<int> bytes;  // byte offset of each character from textFrom on, and of the end
  };
  struct Paragraph {
    std::vector<Piece> pieces;
    std::string key;   // what it shows, for reuse
    std::string look;  // its paragraph format's part of the key
    LONG start = 0;
    LONG length = 0;  // without the break
    int x = 0;
    int y = 0;
    int height = 0;  // of its lines, in pixels
    int total = 0;   // with line spacing rules and the space after, in pixels
    int right = 0;
    int firstLine = 0;
    int lines = 0;
    // An unwrapped line laid out in pieces across, each its own layout of one line (the last
    // of the layout), shifted by the widths before it and lowered to the line's baseline.
    bool across = false;
    int ascent = 0, descent = 0;  // the line's, pango units
  };
  struct Line {
    size_t paragraph;
    size_t piece;
    int line;  // of the piece's layout
  };

  // The pieces of a previous layout's paragraphs that a changed paragraph may take over: those
  // of `before` laid out from text before `same`, and those of `after` laid out from text
  // from `unchanged` on (its own positions), found at their position + `shift` here.
  struct Reuse {
    Paragraph* before = nullptr;
    LONG same = 0;
    Paragraph* after = nullptr;
    LONG unchanged = 0;
    LONG shift = 0;
  };
  class Bidi;
  struct Open;

  static std::string LookOf(const PARAFORMAT2& pf);
  std::string KeyOf(LONG start, LONG end, const std::string& look) const;
  void Compare(const RichTextLayout& previous, LONG* same, LONG* sameEnd) const;
  void LayOut(Paragraph& p, const PARAFORMAT2& pf, Reuse* reuse) const;
  void LayOutWhole(Paragraph& p, const PARAFORMAT2& pf) const;
  bool LayOutPieces(Paragraph& p, const PARAFORMAT2& pf, const Bidi& bidi, Reuse* reuse) const;
  struct Progress;
  struct Piecing;
  enum class Pieced { kDone, kOpen, kFailed };
  Pieced PieceOn(Piecing& s, int pieces) const;
  void Stash(Piecing& s) const;
  void Resume(int pieces, int y) const;
  void Stack() const;
  bool Before(LONG cp) const;
  bool Hits(int y) const;
  size_t LaidOut() const;
  static LONG NextLimit(const Piece& piece);
  ScriptContext ScriptsBefore(const Piecing& s, LONG cp) const;
  bool SameStart(const Piecing& s, const Piece& piece, LONG shift, bool continued, const ScriptContext& before) const;
  void TakeOverBefore(Piecing& s) const;
  static size_t FirstAfter(const Piecing& s, LONG at);
  LONG PieceEnd(const Piecing& s, bool first) const;
  bool KeepLines(const Piecing& s, Piece& piece, LONG to, bool first, bool last, std::vector<LONG>* starts) const;
  static bool OwnFont(wchar_t c);
  size_t Meet(const Piecing& s, Piece& piece, const std::vector<LONG>& starts) const;
  static bool SummedAlike(const Piece& piece, int k, const Piece& old);
  void TakeOverAfter(Piecing& s, size_t meet) const;
  static int64_t Lowest(const Piece& piece, int64_t before);
  static int64_t TopAfter(const Piece& before, const Piece& piece);
  void Lower(const Paragraph& p, Piece& piece, int64_t baseline, int* ascent) const;
  LONG Fit(const Paragraph& p, const PARAFORMAT2& pf, LONG from, LONG to) const;
  bool Across(const Paragraph& p, const PARAFORMAT2& pf, const Bidi& bidi) const;
  void LayOutAcross(Paragraph& p, const PARAFORMAT2& pf, Reuse* reuse) const;
  size_t TakeOverAcross(Paragraph& p, Reuse* reuse, LONG at, const ScriptContext& before, int64_t x) const;
  LONG AcrossEnd(const Paragraph& p, LONG from) const;
  static void SealAcross(Piece& piece);
  static size_t PieceAtX(const Paragraph& p, int64_t units);
  Piece MakePiece(const Paragraph& p, const PARAFORMAT2& pf, LONG from, LONG to, bool continued,
                  const Bidi& bidi, const ScriptContext& before) const;
  static bool Follows(const Paragraph& p, LONG to);
  wchar_t NextLetter(const Paragraph& p, LONG from, LONG to, bool continued, const ScriptContext& before) const;
  static void Seal(Piece& piece);
  void Measure(Paragraph& p, const PARAFORMAT2& pf) const;
  PangoAttrList* Attributes(const Paragraph& p, const Piece& piece, const COLORREF* override) const;
  size_t ParagraphOf(LONG cp) const;
  static size_t PieceOf(const Paragraph& p, LONG cp);
  static size_t PieceAtY(const Paragraph& p, int64_t units);
  struct Hit {
    LONG cp;       // the character hit
    int trailing;  // characters to add for the place hit: 0 on its leading half
    bool inside;   // whether the point is on it
  };
  Hit HitAt(const Paragraph& p, int64_t x, int64_t y) const;
  static int64_t HitBoundary(int64_t aboveBottom, int64_t top);
  LONG CpIn(const Paragraph& p, const Piece& piece, int byte) const;
  void DrawPiece(cairo_t* cr, double px, double py, const Piece& piece, double clipTop, double clipBottom) const;
  void DrawSelection(cairo_t* cr, double px, double py, const Paragraph& p, LONG selFrom, LONG selTo,
                     COLORREF highlight, COLORREF highlightText, double clipTop, double clipBottom) const;

  std::wstring text_;
  TextFormats formats_;
  const FontObject* font_;
  Options options_;
  // Laying out an open paragraph's rest moves what comes after it: asked for by queries.
  mutable std::vector<Paragraph> paragraphs_;
  mutable std::vector<Line> lines_;
  mutable int width_ = 0;
  mutable int height_ = 0;
  mutable std::unique_ptr<Open> open_;
};

}  // namespace jf
