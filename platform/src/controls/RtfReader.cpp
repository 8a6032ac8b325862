#include "platform/src/controls/RtfReader.h"

#include <algorithm>
#include <cstring>

#include <windows.h>

namespace jf {

namespace {

constexpr long kLargest = 1L << 30;  // numbers are clamped to this, either sign
constexpr COLORREF kAuto = 0xFF000000;  // a colour-table entry without a colour
constexpr size_t kPending = 4096;       // text bytes decoded at once, from the next character's start

// Bytes 0x80 to 0x9F of Windows-1252; the other bytes are Latin-1.
constexpr wchar_t k1252[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                               0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                               0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                               0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};

bool Letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool Digit(char c) { return c >= '0' && c <= '9'; }

int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool SkippedDestination(const std::string& w) {
  static const char* const kNames[] = {
      "stylesheet", "info",      "pict",       "object",     "header",    "headerl",   "headerr",  "headerf",
      "footer",     "footerl",   "footerr",    "footerf",    "footnote",  "listtable", "listoverridetable",
      "rsidtbl",    "generator", "themedata",  "colorschememapping",     "latentstyles", "datastore",
      "xmlnsdecl",  "fldinst",   "filetbl",    "revtbl",     "pntxta",    "pntxtb",
      "nonshppict", "shppict",   "bkmkstart",  "bkmkend",    "annotation", "atnid",    "atnauthor", "comment",
      "template",   "docvar",    "userprops",  "operator",   "author",    "title",     "subject",  "keywords"};
  for (const char* name : kNames)
    if (w == name) return true;
  return false;
}

// The code page of a font's character set; the document's for the others.
UINT CharsetPage(BYTE charset, UINT document) {
  static const struct {
    BYTE charset;
    UINT page;
  } kPages[] = {{ANSI_CHARSET, 1252},       {SYMBOL_CHARSET, CP_SYMBOL}, {SHIFTJIS_CHARSET, 932},
                {HANGUL_CHARSET, 949},      {GB2312_CHARSET, 936},       {CHINESEBIG5_CHARSET, 950},
                {GREEK_CHARSET, 1253},      {TURKISH_CHARSET, 1254},     {VIETNAMESE_CHARSET, 1258},
                {HEBREW_CHARSET, 1255},     {ARABIC_CHARSET, 1256},      {BALTIC_CHARSET, 1257},
                {RUSSIAN_CHARSET, 1251},    {THAI_CHARSET, 874},         {EASTEUROPE_CHARSET, 1250},
                {MAC_CHARSET, 10000},       {OEM_CHARSET, 437}};
  for (const auto& p : kPages)
    if (p.charset == charset) return p.page;
  return document;
}

}  // namespace

RtfReader::RtfReader(const CHARFORMAT2W& baseChar, const PARAFORMAT2& basePara, size_t maxChars)
    : baseChar_(baseChar), basePara_(basePara), maxChars_(maxChars), para_(basePara), end_(baseChar) {
  state_.cf = baseChar_;
  formats_.SetDefaultChar(baseChar_);
  formats_.SetDefaultPara(basePara_);
}

bool RtfReader::IsRtf(const std::string& data) { return data.compare(0, 5, "{\\rtf") == 0; }

bool RtfReader::Read(const std::string& data, bool document) {
  if (!IsRtf(data)) return false;
  const size_t n = data.size();
  size_t i = 0;
  bool ended = false;
  while (i < n && !ended) {
    const char c = data[i++];
    if (c == '{') {
      Flush();
      if (stack_.size() >= size_t(kMaxDepth)) return false;
      stack_.push_back(state_);
      skip_ = 0;
    } else if (c == '}') {
      Flush();
      if (stack_.empty()) return false;
      if (state_.dest == Destination::FontTable && !entry_.name.empty()) EndFontEntry();
      if (state_.paraBefore) SetParagraph(*state_.paraBefore);
      state_ = stack_.back();
      stack_.pop_back();
      skip_ = 0;
      ended = stack_.empty();
    } else if (c == '\\') {
      if (i >= n) return false;
      if (Letter(data[i])) {
        ControlWord(data, i);
      } else {
        const char s = data[i++];
        if (s == '\'') {
          if (i + 1 < n && Hex(data[i]) >= 0 && Hex(data[i + 1]) >= 0) {
            Byte(static_cast<unsigned char>(Hex(data[i]) * 16 + Hex(data[i + 1])));
            i += 2;
          }
        } else if (!SkipFallback()) {
          Symbol(s);
        }
      }
    } else if (c != '\r' && c != '\n' && c != 0) {
      Byte(static_cast<unsigned char>(c));
    }
  }
  Flush();
  if (!ended) return false;  // the document's group never closed
  if (document) EndAtLastMark();
  StoreFormats();
  return true;
}

void RtfReader::ControlWord(const std::string& data, size_t& i) {
  const size_t n = data.size();
  std::string word;
  while (i < n && Letter(data[i])) {
    if (word.size() < 32) word += data[i];
    ++i;
  }
  bool negative = false, hasParam = false;
  long param = 0;
  if (i < n && data[i] == '-' && i + 1 < n && Digit(data[i + 1])) {
    negative = true;
    ++i;
  }
  while (i < n && Digit(data[i])) {
    hasParam = true;
    param = std::min(kLargest, param * 10 + (data[i] - '0'));
    ++i;
  }
  if (negative) param = -param;
  if (i < n && data[i] == ' ') ++i;
  if (word == "bin") {
    // Binary data of the given length: skipped whole.
    Flush();
    i += size_t(std::clamp<long>(param, 0, long(n - i)));
    SkipFallback();
  } else if (SkipFallback()) {
    // A fallback character, whatever it would have done.
  } else if (word == "u" && hasParam) {
    Unicode(param);
  } else {
    Word(word, hasParam, param);
  }
}

void RtfReader::Unicode(long param) {
  Flush();
  long code = param < 0 ? param + 65536 : param;
  if (code >= 0 && code <= 0xFFFF) {
    if (code >= 0xD800 && code <= 0xDBFF) {
      high_ = wchar_t(code);
    } else if (code >= 0xDC00 && code <= 0xDFFF) {
      if (high_) Append(wchar_t(0x10000 + ((unsigned(high_) - 0xD800) << 10) + (unsigned(code) - 0xDC00)));
      high_ = 0;
    } else {
      Append(wchar_t(code));
    }
  }
  skip_ = state_.skipCount;
}

// The last paragraph mark becomes the text's end, which takes its formats.
void RtfReader::EndAtLastMark() {
  if (paras_.empty() || paras_.back().first + 1 != LONG(text_.size())) return;
  text_.pop_back();
  para_ = paras_.back().second;
  paras_.pop_back();
  end_ = runs_.back().second;
  if (runs_.back().first == LONG(text_.size())) runs_.pop_back();
}

// The formats of what was read.
void RtfReader::StoreFormats() {
  const LONG count = LONG(text_.size());
  formats_.Reset(count);
  for (size_t r = 0; r < runs_.size(); ++r) {
    const LONG to = r + 1 < runs_.size() ? runs_[r + 1].first : count;
    formats_.SetChar(runs_[r].first, to, runs_[r].second);
  }
  formats_.SetChar(count, count + 1, end_);
  for (const auto& p : paras_) formats_.SetPara(p.first, p.second);
  formats_.SetPara(count, para_);
}

void RtfReader::Word(const std::string& w, bool hasParam, long param) {
  if (state_.dest == Destination::Skip) return;
  Flush();
  if (DestinationWord(w, param) || CharacterWord(w, hasParam, param) || ParagraphWord(w, param)) return;
  SpecialCharacter(w);
}

// Destinations, the words inside the font and colour tables, and the document's settings.
bool RtfReader::DestinationWord(const std::string& w, long param) {
  if (SkippedDestination(w)) {
    state_.dest = Destination::Skip;
  } else if (w == "listtext" || w == "pntext") {
    // An item's number or bullet, written for readers that do not number: kept as text. The
    // paragraph format set inside goes with the group, since the item's own stays in force.
    if (!state_.paraBefore) state_.paraBefore = CurrentParagraph();
  } else if (w == "fonttbl") {
    state_.dest = Destination::FontTable;
    entry_ = Font{};
  } else if (w == "colortbl") {
    state_.dest = Destination::ColorTable;
    colours_.clear();
    colourSet_ = false;
    colour_ = 0;
  } else if (state_.dest == Destination::ColorTable) {
    const BYTE v = BYTE(std::clamp<long>(param, 0, 255));
    if (w == "red") colour_ = (colour_ & 0xFFFF00) | v;
    else if (w == "green") colour_ = (colour_ & 0xFF00FF) | (COLORREF(v) << 8);
    else if (w == "blue") colour_ = (colour_ & 0x00FFFF) | (COLORREF(v) << 16);
    else return true;
    colourSet_ = true;
  } else if (state_.dest == Destination::FontTable) {
    if (w == "f") entry_.number = int(param);
    else if (w == "fcharset") entry_.charset = BYTE(std::clamp<long>(param, 0, 255));
  } else if (w == "ansi" || w == "mac" || w == "pc" || w == "pca") {
    // The document's character set: Windows, the Mac's, or the DOS pages of America and Europe.
    docPage_ = w == "ansi" ? 1252 : w == "mac" ? 10000 : w == "pc" ? 437 : 850;
  } else if (w == "ansicpg") {
    // A page the layer does not convert reads as the default's; symbols are a font's alone.
    const UINT page = UINT(std::clamp<long>(param, 0, 65535));
    docPage_ = IsValidCodePage(page) && page != CP_SYMBOL ? page : 1252;
  } else if (w == "uc") {
    state_.skipCount = int(std::clamp<long>(param, 0, 16));
  } else {
    return false;
  }
  return true;
}

bool RtfReader::CharacterWord(const std::string& w, bool hasParam, long param) {
  const bool on = !hasParam || param != 0;
  CHARFORMAT2W& cf = state_.cf;
  auto effect = [&](DWORD bit) { cf.dwEffects = on ? (cf.dwEffects | bit) : (cf.dwEffects & ~bit); };
  if (w == "plain") {
    cf = baseChar_;
    state_.font = -1;
  } else if (w == "b") {
    effect(CFE_BOLD);
    cf.wWeight = on ? FW_BOLD : FW_NORMAL;
  } else if (w == "i") {
    effect(CFE_ITALIC);
  } else if (w == "ul") {
    effect(CFE_UNDERLINE);
  } else if (w == "ulnone") {
    cf.dwEffects &= ~DWORD(CFE_UNDERLINE);
  } else if (w == "strike") {
    effect(CFE_STRIKEOUT);
  } else if (w == "protect") {
    effect(CFE_PROTECTED);
  } else if (w == "super" || w == "sub") {
    cf.dwEffects &= ~DWORD(CFE_SUPERSCRIPT | CFE_SUBSCRIPT);
    cf.dwEffects |= w == "super" ? CFE_SUPERSCRIPT : CFE_SUBSCRIPT;
  } else if (w == "nosupersub") {
    cf.dwEffects &= ~DWORD(CFE_SUPERSCRIPT | CFE_SUBSCRIPT);
  } else if (w == "fs") {
    if (hasParam && param > 0) cf.yHeight = LONG(std::clamp<long>(param, 2, 3276) * 10);
  } else if (w == "up" || w == "dn") {
    const long v = std::clamp<long>(hasParam ? param : 6, -3276, 3276) * 10;
    cf.yOffset = LONG(w == "up" ? v : -v);
  } else if (w == "cf") {
    bool valid = false;
    const COLORREF c = ColourAt(param, &valid);
    // An automatic colour keeps the default's value, as \plain would give it.
    cf.dwEffects = valid ? (cf.dwEffects & ~DWORD(CFE_AUTOCOLOR)) : (cf.dwEffects | CFE_AUTOCOLOR);
    cf.crTextColor = valid ? c : baseChar_.crTextColor;
  } else if (w == "highlight" || w == "cb") {
    bool valid = false;
    const COLORREF c = ColourAt(param, &valid);
    cf.dwEffects = valid ? (cf.dwEffects & ~DWORD(CFE_AUTOBACKCOLOR)) : (cf.dwEffects | CFE_AUTOBACKCOLOR);
    cf.crBackColor = valid ? c : baseChar_.crBackColor;
  } else if (w == "f") {
    for (size_t k = 0; k < fonts_.size(); ++k) {
      if (fonts_[k].number != param) continue;
      state_.font = int(k);
      std::fill(std::begin(cf.szFaceName), std::end(cf.szFaceName), L'\0');
      fonts_[k].name.copy(cf.szFaceName, LF_FACESIZE - 1);
      cf.bCharSet = fonts_[k].charset;
      break;
    }
  } else {
    return false;
  }
  return true;
}

bool RtfReader::ParagraphWord(const std::string& w, long param) {
  if (w == "par" || w == "page" || w == "sect" || w == "column") {
    // A break of a page, a section or a column ends the paragraph as well.
    Paragraph();
  } else if (w == "cell" || w == "nestcell") {
    // A tab between a row's cells: the one after the last goes with the row's end.
    if (cellTab_) {
      cellTab_ = false;
      Append(L'\t');
    }
    cellTab_ = state_.dest == Destination::Text;
  } else if (w == "row" || w == "nestrow") {
    // A row is a paragraph, and its paragraph formats end with it.
    Paragraph();
    DefaultParagraph();
  } else if (w == "pard") {
    DefaultParagraph();
  } else if (w == "ql" || w == "qc" || w == "qr" || w == "qj") {
    para_.wAlignment = w == "ql" ? PFA_LEFT : w == "qc" ? PFA_CENTER : w == "qr" ? PFA_RIGHT : PFA_JUSTIFY;
  } else if (w == "li" || w == "fi") {
    (w == "li" ? left_ : first_) = std::clamp<long>(param, -31680, 31680);
    para_.dxStartIndent = LONG(std::max(0L, left_ + first_));
    para_.dxOffset = LONG(left_ - std::max(0L, left_ + first_));
  } else if (w == "ri") {
    para_.dxRightIndent = LONG(std::clamp<long>(param, 0, 31680));
  } else if (w == "sb") {
    para_.dySpaceBefore = LONG(std::clamp<long>(param, 0, 31680));
  } else if (w == "sa") {
    para_.dySpaceAfter = LONG(std::clamp<long>(param, 0, 31680));
  } else if (w == "sl" || w == "slmult") {
    LineSpacing(w, param);
  } else {
    return false;
  }
  return true;
}

void RtfReader::DefaultParagraph() {
  para_ = basePara_;
  left_ = first_ = lineSpacing_ = 0;
  multiple_ = false;
}

RtfReader::ParagraphState RtfReader::CurrentParagraph() const {
  return ParagraphState{para_, left_, first_, lineSpacing_, multiple_};
}

void RtfReader::SetParagraph(const ParagraphState& p) {
  para_ = p.para;
  left_ = p.left;
  first_ = p.first;
  lineSpacing_ = p.lineSpacing;
  multiple_ = p.multiple;
}

void RtfReader::LineSpacing(const std::string& w, long param) {
  if (w == "sl") lineSpacing_ = std::clamp<long>(param, -31680, 31680);
  else multiple_ = param != 0;
  if (lineSpacing_ == 0) {
    para_.bLineSpacingRule = 0;
    para_.dyLineSpacing = 0;
  } else if (multiple_ && lineSpacing_ > 0) {
    para_.bLineSpacingRule = 5;  // in twentieths of a line; 240 twips are one line
    para_.dyLineSpacing = LONG(std::max(1L, (lineSpacing_ + 6) / 12));  // the nearest, never none
  } else {
    para_.bLineSpacingRule = lineSpacing_ > 0 ? 3 : 4;
    para_.dyLineSpacing = LONG(lineSpacing_ > 0 ? lineSpacing_ : -lineSpacing_);
  }
}

// Words that stand for one character.
void RtfReader::SpecialCharacter(const std::string& w) {
  static const struct {
    const char* word;
    wchar_t ch;
  } kWords[] = {{"tab", L'\t'},        {"line", L'\v'},      {"emdash", 0x2014},    {"endash", 0x2013},
                {"bullet", 0x2022},    {"lquote", 0x2018},    {"rquote", 0x2019},    {"ldblquote", 0x201C},
                {"rdblquote", 0x201D}, {"emspace", L' '},     {"enspace", L' '},     {"qmspace", L' '}};
  for (const auto& entry : kWords) {
    if (w == entry.word) {
      Append(entry.ch);
      return;
    }
  }
}

void RtfReader::Symbol(char c) {
  switch (c) {
    case '\\':
    case '{':
    case '}':
      Char(wchar_t(c));
      break;
    case '~': Char(0xA0); break;
    case '_': Char(0x2011); break;
    case '*':
      // An optional destination: the reader knows none of them.
      Flush();
      state_.dest = Destination::Skip;
      break;
    case '\r':
    case '\n':
      Flush();
      if (state_.dest == Destination::Text) Paragraph();
      break;
    default: break;  // \- (optional hyphen), \| and the like show nothing
  }
}

// A control word or symbol, a byte or a binary run after \u stands for one character of its
// fallback: the first \uc of them are skipped.
bool RtfReader::SkipFallback() {
  if (skip_ == 0) return false;
  Flush();
  --skip_;
  return true;
}

void RtfReader::Byte(unsigned char b) {
  if (SkipFallback()) return;
  const UINT page = CodePage();
  // In a double-byte code page a lead byte's trail byte may be below 0x80; a symbol font's
  // letters are all its bytes but the control ones.
  const bool trail = lead_;
  if (b < 0x80 && !trail && !(page == CP_SYMBOL && b >= 0x20)) {
    Char(wchar_t(b));
    return;
  }
  // A long run is decoded in pieces, each ending where a character ends.
  const bool inside = trail || (page == CP_UTF8 && (b & 0xC0) == 0x80 && bytes_.size() < kPending + 4);
  if (bytes_.size() >= kPending && !inside) Flush();
  lead_ = !trail && IsDBCSLeadByteEx(page, b);
  bytes_ += char(b);
}

// The code page of the text's bytes, one the layer converts: the font's, else the document's.
// The font table's names are text of their font's set, never symbols.
UINT RtfReader::CodePage() const {
  if (state_.dest == Destination::FontTable) {
    const UINT page = CharsetPage(entry_.charset, docPage_);
    return page == CP_SYMBOL ? docPage_ : page;
  }
  if (state_.font >= 0 && size_t(state_.font) < fonts_.size())
    return CharsetPage(fonts_[size_t(state_.font)].charset, docPage_);
  return docPage_;
}

void RtfReader::Flush() {
  lead_ = false;
  if (bytes_.empty()) return;
  std::string bytes;
  bytes.swap(bytes_);
  const UINT page = CodePage();
  if (page != 1252) {
    const int count = MultiByteToWideChar(page, 0, bytes.data(), int(bytes.size()), nullptr, 0);
    std::wstring wide(size_t(std::max(0, count)), L'\0');
    if (count > 0) MultiByteToWideChar(page, 0, bytes.data(), int(bytes.size()), &wide[0], count);
    for (wchar_t c : wide) Append(c);
    return;
  }
  // Windows-1252 as Windows reads it: its five unassigned bytes stand for themselves.
  for (unsigned char b : bytes) Append(b >= 0x80 && b < 0xA0 ? k1252[b - 0x80] : wchar_t(b));
}

void RtfReader::Char(wchar_t c) {
  Flush();
  Append(c);
}

void RtfReader::Append(wchar_t c) {
  switch (state_.dest) {
    case Destination::Skip: return;
    case Destination::FontTable:
      if (c == L';') EndFontEntry();
      else if (entry_.name.size() < LF_FACESIZE - 1) entry_.name += c;
      return;
    case Destination::ColorTable:
      if (c == L';' && colours_.size() < 4096) {
        colours_.push_back(colourSet_ ? colour_ : kAuto);
        colourSet_ = false;
        colour_ = 0;
      }
      return;
    case Destination::Text: break;
  }
  // A paragraph mark of the text, however written, ends a paragraph in its format.
  if (c == L'\r') {
    Paragraph();
  } else if (c != 0) {  // a text holds no NUL
    if (cellTab_) {
      cellTab_ = false;
      Put(L'\t');
    }
    Put(c);
  }
}

void RtfReader::Put(wchar_t c) {
  if (text_.size() >= maxChars_) {
    full_ = true;
    return;
  }
  if (runs_.empty() || !TextFormats::Same(runs_.back().second, state_.cf))
    runs_.emplace_back(LONG(text_.size()), state_.cf);
  text_ += c;
}

void RtfReader::Paragraph() {
  cellTab_ = false;
  if (state_.dest != Destination::Text || text_.size() >= maxChars_) return;
  paras_.emplace_back(LONG(text_.size()), para_);
  Put(L'\r');
}

void RtfReader::EndFontEntry() {
  while (!entry_.name.empty() && entry_.name.back() == L' ') entry_.name.pop_back();
  if (fonts_.size() < 4096) fonts_.push_back(entry_);
  entry_ = Font{};
}

COLORREF RtfReader::ColourAt(long index, bool* valid) const {
  *valid = index >= 0 && size_t(index) < colours_.size() && colours_[size_t(index)] != kAuto;
  return *valid ? colours_[size_t(index)] : 0;
}

}  // namespace jf
