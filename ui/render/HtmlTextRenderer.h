// Draws (or measures) text with the engine's inline markup: one-letter tags in <...> or
// {...} for links, bold, colour, fonts, images, line breaks, paragraphs, raw text, selection,
// underline and spacing. Each line is laid out twice: once to find its height, once to draw.
#pragma once

#include <windows.h>

#include <vector>

#include "ui/core/UIString.h"

namespace SkinUI {

class IRenderResources;

class CHtmlTextRenderer {
 public:
  CHtmlTextRenderer(HDC hdc, IRenderResources* manager, DWORD color, RECT* links, CUIString* linkTexts,
                    int linkCapacity, UINT style);
  void Render(RECT& rc, LPCWSTR text);
  int GetLinkCount() const { return m_linkCount; }

 private:
  struct State {
    std::vector<HFONT> fonts;
    std::vector<DWORD> colors;
    std::vector<int> spacings;
    std::vector<int> linkStarts;  // x where each open link began, -1 when not recorded
    std::vector<int> linkIndexes;
    bool raw = false;
    bool selected = false;
    int pendingLineMin = 0;
  };
  struct LineResult {
    const wchar_t* next;
    int height;   // the text's height plus the paragraph spacing above and below it
    int lead;     // the spacing above: paragraphs that begin with the line
    int spacing;  // the paragraph spacing in force where the line ended
    int width;
    bool stop;
  };

  // What stands at a point of the text: a closing tag, an opening tag with its arguments, an
  // escaped bracket, or nothing (text).
  struct Tag {
    enum Kind { kNone, kClose, kOpen, kLiteral } kind = kNone;
    wchar_t letter = 0;
    CUIString args;
    const wchar_t* literal = nullptr;
    const wchar_t* end = nullptr;
  };
  // The line being laid out: where it stands and what it holds so far. `next` is set by the
  // piece that ends the line (where the next line starts); `stop` ends the text.
  struct Cursor {
    const wchar_t* p = nullptr;
    int top = 0;
    int height = 0;
    bool final = false;
    bool draw = false;
    int x = 0;
    int lineHeight = 0;
    bool empty = true;
    const wchar_t* next = nullptr;
    bool stop = false;
    bool clipped = false;  // an end ellipsis closed the line: the rest of it is not laid out
    int lead = 0;          // the spacing of paragraphs that began with the line, above it
  };
  struct Metrics {
    HFONT font;
    int height;
    int box;
    int space;
    int average;  // the font's average and widest character, for estimating a run's width
    int widest;
    int dots;     // the width of "..."
  };
  // A run as the measuring pass of a line fitted it, for the drawing pass of the same line.
  struct FittedRun {
    const wchar_t* p;
    HFONT font;
    int avail;
    int fit;
    int width;
    bool ellipsis;
  };

  static Tag ScanTag(const wchar_t* p);
  static void ParseImageArgs(const CUIString& args, CUIString& name, CUIString& type, int& frames, int& frame);
  static DWORD ColorFromArgs(const CUIString& args);
  LineResult Line(const wchar_t* p, int top, int height, bool final, State& st);
  void CloseTag(wchar_t letter, Cursor& c, State& st);
  void CloseLink(Cursor& c, State& st);
  void CloseFont(Cursor& c, State& st);
  void OpenTag(const Tag& tag, const wchar_t* tagStart, Cursor& c, State& st);
  void OpenLink(const CUIString& args, Cursor& c, State& st);
  void PlaceImage(const CUIString& args, const wchar_t* tagStart, Cursor& c, State& st);
  void Literal(const wchar_t* literal, Cursor& c, State& st);
  int FitRun(const wchar_t* p, int n, int avail, bool empty, const Metrics& metrics, bool& ellipsis,
             int& width);
  void TextRun(Cursor& c, State& st);
  void AlignToText(LPCWSTR text);
  int RenderLines(const wchar_t* p, int bottom, int& widest);
  void FontMetrics(HFONT font, int& height, int& ascentBox, int& spaceTrail);
  const Metrics& MetricsOf(HFONT font);
  int Extent(HFONT font, const wchar_t* text, int n);
  HFONT Variant(HFONT base, int bold, int underline, int italic);
  HFONT FontFromArgs(const CUIString& args);
  bool IsSingleLine() const { return (m_style & DT_SINGLELINE) != 0; }
  void DrawRun(const wchar_t* text, int n, int x, int top, int height, bool draw, State& st);

  HDC m_hdc;
  IRenderResources* m_manager;
  DWORD m_color;
  RECT* m_links;
  CUIString* m_linkTexts;
  int m_linkCapacity;
  int m_linkCount = 0;
  UINT m_style;
  RECT m_rc = {0, 0, 0, 0};
  CUIString m_hoverLink;
  bool m_measureOnly;
  std::vector<Metrics> m_metrics;
  std::vector<FittedRun> m_fitted;
  int m_lineShift = 0;  // where the line being drawn starts, from the rectangle's left
};

}  // namespace SkinUI
