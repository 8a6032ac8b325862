#include "platform/src/controls/TextFormats.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

namespace jf {

namespace {

// Effects whose mask bit is the effect bit itself.
constexpr DWORD kPlainEffects = CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE | CFE_STRIKEOUT | CFE_PROTECTED | CFE_LINK;

template <typename T>
std::string Key(const T& value) {
  return std::string(reinterpret_cast<const char*>(&value), sizeof(T));
}

}  // namespace

TextFormats::TextFormats() {
  CHARFORMAT2W cf{};
  cf.cbSize = sizeof(CHARFORMAT2W);
  cf.dwMask = CFM_ALL2;
  cf.dwEffects = CFE_AUTOCOLOR | CFE_AUTOBACKCOLOR;
  cf.yHeight = 180;
  cf.wWeight = FW_NORMAL;
  wcscpy(cf.szFaceName, L"Tahoma");
  charTable_.push_back(cf);
  PARAFORMAT2 pf{};
  pf.cbSize = sizeof(PARAFORMAT2);
  pf.dwMask = PFM_STARTINDENT | PFM_RIGHTINDENT | PFM_OFFSET | PFM_ALIGNMENT | PFM_SPACEBEFORE | PFM_SPACEAFTER |
              PFM_LINESPACING;
  pf.wAlignment = PFA_LEFT;
  paraTable_.push_back(pf);
  chars_.assign(1, 0);
  paras_.assign(1, 0);
}

void TextFormats::Reset(LONG size) {
  chars_.assign(size_t(std::max<LONG>(0, size)) + 1, 0);
  paras_.assign(chars_.size(), 0);
}

size_t TextFormats::Clamp(LONG cp) const { return size_t(std::clamp<LONG>(cp, 0, Size())); }

LONG TextFormats::RunEnd(LONG cp) const {
  size_t i = Clamp(cp);
  const uint32_t at = chars_[i];
  while (i < size_t(Size()) && chars_[i] == at) ++i;
  return LONG(i);
}

uint32_t TextFormats::Intern(const CHARFORMAT2W& cf) {
  if (Same(cf, charTable_[0])) return 0;
  CHARFORMAT2W clean{};
  Merge(clean, cf, true);
  clean.cbSize = sizeof(CHARFORMAT2W);
  clean.dwMask = CFM_ALL2;
  auto [it, added] = charIndex_.emplace(Key(clean), uint32_t(charTable_.size()));
  if (added) charTable_.push_back(clean);
  return it->second;
}

uint32_t TextFormats::Intern(const PARAFORMAT2& pf) {
  if (Same(pf, paraTable_[0])) return 0;
  PARAFORMAT2 clean{};
  clean.cbSize = sizeof(PARAFORMAT2);
  clean.dwMask = paraTable_[0].dwMask;
  clean.wAlignment = PFA_LEFT;
  PARAFORMAT2 change = pf;
  change.dwMask = paraTable_[0].dwMask;
  Merge(clean, change);
  auto [it, added] = paraIndex_.emplace(Key(clean), uint32_t(paraTable_.size()));
  if (added) paraTable_.push_back(clean);
  return it->second;
}

void TextFormats::Replace(LONG from, LONG to, LONG count, const CHARFORMAT2W& cf) {
  from = LONG(Clamp(from));
  to = std::max(from, LONG(Clamp(to)));
  const uint32_t c = Intern(cf);
  const uint32_t p = paras_[size_t(from)];
  chars_.erase(chars_.begin() + from, chars_.begin() + to);
  paras_.erase(paras_.begin() + from, paras_.begin() + to);
  chars_.insert(chars_.begin() + from, size_t(std::max<LONG>(0, count)), c);
  paras_.insert(paras_.begin() + from, size_t(std::max<LONG>(0, count)), p);
}

void TextFormats::Splice(LONG from, LONG to, const TextFormats& piece, LONG pieceFrom, LONG pieceTo) {
  from = LONG(Clamp(from));
  to = std::max(from, LONG(Clamp(to)));
  pieceFrom = std::clamp<LONG>(pieceFrom, 0, piece.Size());
  pieceTo = std::clamp<LONG>(pieceTo, pieceFrom, piece.Size());
  std::vector<uint32_t> c, p;
  c.reserve(size_t(pieceTo - pieceFrom));
  p.reserve(size_t(pieceTo - pieceFrom));
  for (LONG i = pieceFrom; i < pieceTo; ++i) {
    c.push_back(Intern(piece.CharAt(i)));
    p.push_back(Intern(piece.ParaAt(i)));
  }
  chars_.erase(chars_.begin() + from, chars_.begin() + to);
  paras_.erase(paras_.begin() + from, paras_.begin() + to);
  chars_.insert(chars_.begin() + from, c.begin(), c.end());
  paras_.insert(paras_.begin() + from, p.begin(), p.end());
}

void TextFormats::ApplyChar(LONG from, LONG to, bool end, const CHARFORMAT2W& change, bool two) {
  from = LONG(Clamp(from));
  to = std::max(from, LONG(Clamp(to)));
  std::unordered_map<uint32_t, uint32_t> changed;  // old entry -> new entry
  auto apply = [&](uint32_t& slot) {
    auto it = changed.find(slot);
    if (it == changed.end()) {
      CHARFORMAT2W cf = charTable_[slot];
      Merge(cf, change, two);
      it = changed.emplace(slot, Intern(cf)).first;
    }
    slot = it->second;
  };
  for (LONG i = from; i < to; ++i) apply(chars_[size_t(i)]);
  if (end) apply(chars_.back());
}

void TextFormats::SetChar(LONG from, LONG to, const CHARFORMAT2W& cf) {
  from = LONG(Clamp(from));
  to = std::max(from, LONG(Clamp(to)));
  const uint32_t c = Intern(cf);
  std::fill(chars_.begin() + from, chars_.begin() + to, c);
}

void TextFormats::ApplyPara(const std::vector<LONG>& breaks, const PARAFORMAT2& change) {
  for (LONG cp : breaks) {
    PARAFORMAT2 pf = ParaAt(cp);
    Merge(pf, change);
    paras_[Clamp(cp)] = Intern(pf);
  }
}

void TextFormats::SetPara(LONG cp, const PARAFORMAT2& pf) { paras_[Clamp(cp)] = Intern(pf); }

CHARFORMAT2W TextFormats::Common(LONG from, LONG to) const {
  from = LONG(Clamp(from));
  to = std::max(from, LONG(Clamp(to)));
  CHARFORMAT2W out = CharAt(from);
  out.dwMask = CFM_ALL2;
  for (LONG i = from; i < to; i = RunEnd(i)) {
    const CHARFORMAT2W& cf = CharAt(i);
    const DWORD differ = out.dwEffects ^ cf.dwEffects;
    out.dwMask &= ~(differ & (kPlainEffects | CFM_SUBSCRIPT));
    if ((differ & CFE_AUTOCOLOR) || (!(cf.dwEffects & CFE_AUTOCOLOR) && cf.crTextColor != out.crTextColor))
      out.dwMask &= ~DWORD(CFM_COLOR);
    if ((differ & CFE_AUTOBACKCOLOR) || (!(cf.dwEffects & CFE_AUTOBACKCOLOR) && cf.crBackColor != out.crBackColor))
      out.dwMask &= ~DWORD(CFM_BACKCOLOR);
    if (cf.yHeight != out.yHeight) out.dwMask &= ~DWORD(CFM_SIZE);
    if (cf.yOffset != out.yOffset) out.dwMask &= ~DWORD(CFM_OFFSET);
    if (cf.bCharSet != out.bCharSet) out.dwMask &= ~DWORD(CFM_CHARSET);
    if (wcscmp(cf.szFaceName, out.szFaceName) != 0) out.dwMask &= ~DWORD(CFM_FACE);
    if (cf.wWeight != out.wWeight) out.dwMask &= ~DWORD(CFM_WEIGHT);
  }
  return out;
}

void TextFormats::Merge(CHARFORMAT2W& target, const CHARFORMAT2W& change, bool two) {
  const DWORD mask = change.dwMask & (two ? DWORD(CFM_ALL2) : DWORD(CFM_ALL));
  const DWORD effects = (mask & (kPlainEffects | CFM_SUBSCRIPT)) | (mask & CFM_COLOR ? CFE_AUTOCOLOR : 0) |
                        (mask & CFM_BACKCOLOR ? CFE_AUTOBACKCOLOR : 0);
  target.dwEffects = (target.dwEffects & ~effects) | (change.dwEffects & effects);
  if (mask & CFM_BOLD) target.wWeight = (change.dwEffects & CFE_BOLD) ? FW_BOLD : FW_NORMAL;
  if (mask & CFM_WEIGHT) {
    // Weight and bold are one property seen two ways.
    target.wWeight = change.wWeight ? change.wWeight : WORD(FW_NORMAL);
    target.dwEffects = target.wWeight >= FW_BOLD ? (target.dwEffects | CFE_BOLD) : (target.dwEffects & ~DWORD(CFE_BOLD));
  }
  if (mask & CFM_COLOR) target.crTextColor = change.crTextColor;
  if (mask & CFM_BACKCOLOR) target.crBackColor = change.crBackColor;
  if (mask & CFM_SIZE) target.yHeight = std::clamp<LONG>(change.yHeight, 20, 1638 * 20);
  if (mask & CFM_OFFSET) target.yOffset = std::clamp<LONG>(change.yOffset, -1638 * 20, 1638 * 20);
  if (mask & CFM_CHARSET) target.bCharSet = change.bCharSet;
  if ((mask & CFM_FACE) && change.szFaceName[0]) {
    std::fill(std::begin(target.szFaceName), std::end(target.szFaceName), L'\0');
    wcsncpy(target.szFaceName, change.szFaceName, LF_FACESIZE - 1);
    target.bPitchAndFamily = change.bPitchAndFamily;
  }
}

void TextFormats::Merge(PARAFORMAT2& target, const PARAFORMAT2& change) {
  constexpr LONG kLimit = 1440 * 22;  // 22 inches in twips: as far as a page goes
  const DWORD mask = change.dwMask;
  if (mask & PFM_STARTINDENT) target.dxStartIndent = std::clamp<LONG>(change.dxStartIndent, 0, kLimit);
  if (mask & PFM_OFFSETINDENT)
    target.dxStartIndent = std::clamp<LONG>(target.dxStartIndent + change.dxStartIndent, 0, kLimit);
  if (mask & PFM_RIGHTINDENT) target.dxRightIndent = std::clamp<LONG>(change.dxRightIndent, 0, kLimit);
  if (mask & PFM_OFFSET) target.dxOffset = std::clamp<LONG>(change.dxOffset, -kLimit, kLimit);
  if ((mask & PFM_ALIGNMENT) && change.wAlignment >= PFA_LEFT && change.wAlignment <= PFA_JUSTIFY)
    target.wAlignment = change.wAlignment;
  if (mask & PFM_SPACEBEFORE) target.dySpaceBefore = std::clamp<LONG>(change.dySpaceBefore, 0, kLimit);
  if (mask & PFM_SPACEAFTER) target.dySpaceAfter = std::clamp<LONG>(change.dySpaceAfter, 0, kLimit);
  if ((mask & PFM_LINESPACING) && change.bLineSpacingRule <= 5) {
    target.bLineSpacingRule = change.bLineSpacingRule;
    target.dyLineSpacing = std::clamp<LONG>(change.dyLineSpacing, 0, kLimit);
  }
}

bool TextFormats::Same(const CHARFORMAT2W& a, const CHARFORMAT2W& b) {
  return a.dwEffects == b.dwEffects && a.yHeight == b.yHeight && a.yOffset == b.yOffset &&
         a.crTextColor == b.crTextColor && a.bCharSet == b.bCharSet && a.bPitchAndFamily == b.bPitchAndFamily &&
         wcscmp(a.szFaceName, b.szFaceName) == 0 && a.wWeight == b.wWeight && a.crBackColor == b.crBackColor;
}

bool TextFormats::Same(const PARAFORMAT2& a, const PARAFORMAT2& b) {
  return a.dxStartIndent == b.dxStartIndent && a.dxRightIndent == b.dxRightIndent && a.dxOffset == b.dxOffset &&
         a.wAlignment == b.wAlignment && a.dySpaceBefore == b.dySpaceBefore && a.dySpaceAfter == b.dySpaceAfter &&
         a.dyLineSpacing == b.dyLineSpacing && a.bLineSpacingRule == b.bLineSpacingRule;
}

}  // namespace jf
