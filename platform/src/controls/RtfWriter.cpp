#include "platform/src/controls/RtfWriter.h"

#include <algorithm>
#include <cstdio>

#include <windows.h>

namespace jf {

namespace {

constexpr wchar_t kSymbolBase = 0xF000;  // a symbol font's byte b is the letter U+F000 + b
constexpr wchar_t kSymbolFirst = kSymbolBase + 0x20, kSymbolLast = kSymbolBase + 0xFF;

void Number(std::string& out, const char* word, long value) {
  char buffer[48];
  snprintf(buffer, sizeof buffer, "\\%s%ld", word, value);
  out += buffer;
}

}  // namespace

RtfWriter::RtfWriter(const TextFormats& formats) : formats_(formats) {}

std::string RtfWriter::Write(const std::wstring& text, const TextFormats& formats, LONG from, LONG to,
                             bool document) {
  from = std::clamp<LONG>(from, 0, LONG(text.size()));
  to = std::clamp<LONG>(to, from, LONG(text.size()));
  RtfWriter w(formats);
  w.Tables(from, to);
  const LONG size = LONG(text.size());
  // A whole document ends in a paragraph mark of its own: the text's end, written as the others.
  const bool endMark = document && to == size;
  LONG cp = from;
  while (true) {
    // A paragraph's format is that of its break, beyond the stretch if need be.
    LONG brk = cp;
    while (brk < size && text[size_t(brk)] != L'\r') ++brk;
    w.Paragraph(formats.ParaAt(brk));
    const LONG end = std::min(brk, to);
    for (LONG r = cp; r < end;) {
      const LONG runEnd = std::min(formats.RunEnd(r), end);
      w.Run(formats.CharAt(r));
      w.Text(text.substr(size_t(r), size_t(runEnd - r)));
      r = runEnd;
    }
    if (brk >= to && !(endMark && brk == size)) break;
    // The break in its own format (an empty line is as high as its break).
    if (cp == end || !TextFormats::Same(formats.CharAt(end - 1), formats.CharAt(brk))) w.Run(formats.CharAt(brk));
    w.out_ += "\\par\r\n";
    cp = brk + 1;
    if (cp > to || (cp == to && !endMark)) break;
  }
  w.out_ += "}\r\n";
  return w.out_;
}

void RtfWriter::Tables(LONG from, LONG to) {
  FontIndex(formats_.DefaultChar());
  for (LONG cp = from; cp < to; cp = formats_.RunEnd(cp)) {
    const CHARFORMAT2W& cf = formats_.CharAt(cp);
    FontIndex(cf);
    if (!(cf.dwEffects & CFE_AUTOCOLOR)) ColourIndex(cf.crTextColor);
    if (!(cf.dwEffects & CFE_AUTOBACKCOLOR)) ColourIndex(cf.crBackColor);
  }
  out_ = "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl";
  for (size_t i = 0; i < fonts_.size(); ++i) {
    out_ += '{';
    Number(out_, "f", long(i));
    out_ += "\\fnil";
    Number(out_, "fcharset", charsets_[i]);
    out_ += ' ';
    charset_ = charsets_[i];
    names_ = true;
    Text(fonts_[i]);
    names_ = false;
    out_ += ";}";
  }
  out_ += "}\r\n{\\colortbl ;";
  for (COLORREF c : colours_) {
    Number(out_, "red", GetRValue(c));
    Number(out_, "green", GetGValue(c));
    Number(out_, "blue", GetBValue(c));
    out_ += ';';
  }
  out_ += "}\r\n\\viewkind4\\uc1";
}

int RtfWriter::FontIndex(const CHARFORMAT2W& cf) {
  const std::wstring face = cf.szFaceName;
  for (size_t i = 0; i < fonts_.size(); ++i)
    if (fonts_[i] == face && charsets_[i] == cf.bCharSet) return int(i);
  fonts_.push_back(face);
  charsets_.push_back(cf.bCharSet);
  return int(fonts_.size() - 1);
}

int RtfWriter::ColourIndex(COLORREF c) {
  c &= 0xFFFFFF;
  for (size_t i = 0; i < colours_.size(); ++i)
    if (colours_[i] == c) return int(i + 1);  // entry 0 is the automatic colour
  colours_.push_back(c);
  return int(colours_.size());
}

void RtfWriter::Paragraph(const PARAFORMAT2& pf) {
  out_ += "\\pard";
  out_ += pf.wAlignment == PFA_CENTER ? "\\qc" : pf.wAlignment == PFA_RIGHT ? "\\qr" : pf.wAlignment == PFA_JUSTIFY ? "\\qj" : "\\ql";
  // The start indent is the first line's; later lines are offset from it.
  const long left = pf.dxStartIndent + pf.dxOffset;
  if (left) Number(out_, "li", left);
  if (pf.dxOffset) Number(out_, "fi", -pf.dxOffset);
  if (pf.dxRightIndent) Number(out_, "ri", pf.dxRightIndent);
  if (pf.dySpaceBefore) Number(out_, "sb", pf.dySpaceBefore);
  if (pf.dySpaceAfter) Number(out_, "sa", pf.dySpaceAfter);
  switch (pf.bLineSpacingRule) {
    case 1: out_ += "\\sl360\\slmult1"; break;
    case 2: out_ += "\\sl480\\slmult1"; break;
    case 3: Number(out_, "sl", pf.dyLineSpacing); out_ += "\\slmult0"; break;
    case 4: Number(out_, "sl", -pf.dyLineSpacing); out_ += "\\slmult0"; break;
    case 5: Number(out_, "sl", pf.dyLineSpacing * 12); out_ += "\\slmult1"; break;
    default: break;
  }
  out_ += ' ';
}

void RtfWriter::Run(const CHARFORMAT2W& cf) {
  charset_ = cf.bCharSet;
  out_ += "\\plain";
  Number(out_, "f", FontIndex(cf));
  // Half points; a default size that they cannot hold is left to the reader's default.
  if (cf.yHeight % 10 == 0 || cf.yHeight != formats_.DefaultChar().yHeight)
    Number(out_, "fs", (cf.yHeight + 5) / 10);
  // Always a colour: \plain goes back to the reader's default, which need not be automatic.
  Number(out_, "cf", (cf.dwEffects & CFE_AUTOCOLOR) ? 0 : ColourIndex(cf.crTextColor));
  if (!(cf.dwEffects & CFE_AUTOBACKCOLOR)) Number(out_, "highlight", ColourIndex(cf.crBackColor));
  if (cf.dwEffects & CFE_BOLD) out_ += "\\b";
  if (cf.dwEffects & CFE_ITALIC) out_ += "\\i";
  if (cf.dwEffects & CFE_UNDERLINE) out_ += "\\ul";
  if (cf.dwEffects & CFE_STRIKEOUT) out_ += "\\strike";
  if (cf.dwEffects & CFE_PROTECTED) out_ += "\\protect";
  if (cf.dwEffects & CFE_SUPERSCRIPT) out_ += "\\super";
  if (cf.dwEffects & CFE_SUBSCRIPT) out_ += "\\sub";
  if (cf.yOffset > 0) Number(out_, "up", cf.yOffset / 10);
  if (cf.yOffset < 0) Number(out_, "dn", -cf.yOffset / 10);
  out_ += ' ';
}

void RtfWriter::Text(const std::wstring& part) {
  char buffer[32];
  // In a symbol font every byte reads as a private-use letter: other letters go as \u.
  const bool symbol = charset_ == SYMBOL_CHARSET && !names_;
  for (wchar_t c : part) {
    if (c == L'\\' || c == L'{' || c == L'}') {
      out_ += '\\';
      out_ += char(c);
    } else if ((c == L'\t' || c == L'\v') && !names_) {
      // The font table reads no control words in its names: there they go as bytes.
      out_ += c == L'\t' ? "\\tab " : "\\line ";
    } else if (symbol && c >= kSymbolFirst && c <= kSymbolLast) {
      // A symbol font's letter as the byte it reads back from.
      snprintf(buffer, sizeof buffer, "\\'%02x", unsigned(c - kSymbolBase));
      out_ += buffer;
    } else if (c >= 0x20 && c < 0x7F && !symbol) {
      out_ += char(c);
    } else {
      char bytes[4];
      BOOL lost = FALSE;
      const bool chinese = charset_ == GB2312_CHARSET || charset_ == DEFAULT_CHARSET;
      const int n = chinese && c < 0x10000 ? WideCharToMultiByte(936, 0, &c, 1, bytes, sizeof bytes, nullptr, &lost) : 0;
      // Only bytes that read back as the same character (the converter's tables differ in places).
      wchar_t back = 0;
      if (n > 0 && !lost && MultiByteToWideChar(936, 0, bytes, n, &back, 1) == 1 && back == c) {
        for (int k = 0; k < n; ++k) {
          snprintf(buffer, sizeof buffer, "\\'%02x", unsigned(static_cast<unsigned char>(bytes[k])));
          out_ += buffer;
        }
        continue;
      }
      // Signed 16-bit units, a surrogate pair for characters beyond the basic plane.
      auto unit = [&](unsigned u) {
        snprintf(buffer, sizeof buffer, "\\u%d?", int(short(u)));
        out_ += buffer;
      };
      const unsigned u = unsigned(c);
      if (u >= 0x10000) {
        unit(0xD800 + ((u - 0x10000) >> 10));
        unit(0xDC00 + ((u - 0x10000) & 0x3FF));
      } else {
        unit(u);
      }
    }
  }
}

}  // namespace jf
