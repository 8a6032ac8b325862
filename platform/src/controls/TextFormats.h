// The character and paragraph formats of a text: a table of distinct formats and, for every
// character and for the end of the text, the entry it uses. Entry 0 of each table is the
// default format, so a change of the default reaches every character still in it. A
// paragraph's format is the one of its break ('\r'), or of the end for the last paragraph.
#pragma once
#include <richedit.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace jf {

class TextFormats {
 public:
  TextFormats();

  LONG Size() const { return LONG(chars_.size()) - 1; }  // characters, without the end
  void Reset(LONG size);  // every character in the defaults

  // Entry 0: the default formats (complete, every mask bit that counts set).
  const CHARFORMAT2W& DefaultChar() const { return charTable_[0]; }
  const PARAFORMAT2& DefaultPara() const { return paraTable_[0]; }
  void SetDefaultChar(const CHARFORMAT2W& cf) { charTable_[0] = cf; }
  void SetDefaultPara(const PARAFORMAT2& pf) { paraTable_[0] = pf; }

  const CHARFORMAT2W& CharAt(LONG cp) const { return charTable_[chars_[Clamp(cp)]]; }
  const PARAFORMAT2& ParaAt(LONG cp) const { return paraTable_[paras_[Clamp(cp)]]; }
  // The first position after cp whose character format differs (Size() at most).
  LONG RunEnd(LONG cp) const;

  // Characters [from, to) give way to `count` characters in `cf`; the new ones keep the
  // paragraph format of `from`.
  void Replace(LONG from, LONG to, LONG count, const CHARFORMAT2W& cf);
  // Characters [from, to) give way to [pieceFrom, pieceTo) of another store, formats and all.
  void Splice(LONG from, LONG to, const TextFormats& piece, LONG pieceFrom, LONG pieceTo);
  // Changes the fields of `change` named by its mask, for [from, to) (`end` adds the end).
  void ApplyChar(LONG from, LONG to, bool end, const CHARFORMAT2W& change, bool two);
  void SetChar(LONG from, LONG to, const CHARFORMAT2W& cf);
  // Changes the paragraph format at each of `breaks` (positions of '\r' or Size()).
  void ApplyPara(const std::vector<LONG>& breaks, const PARAFORMAT2& change);
  void SetPara(LONG cp, const PARAFORMAT2& pf);

  // The format of [from, to) with the mask bits cleared where the characters differ.
  CHARFORMAT2W Common(LONG from, LONG to) const;

  // Field by field: the fields named by the mask of `change` are copied into `target`.
  static void Merge(CHARFORMAT2W& target, const CHARFORMAT2W& change, bool two);
  static void Merge(PARAFORMAT2& target, const PARAFORMAT2& change);
  static bool Same(const CHARFORMAT2W& a, const CHARFORMAT2W& b);
  static bool Same(const PARAFORMAT2& a, const PARAFORMAT2& b);

 private:
  size_t Clamp(LONG cp) const;
  uint32_t Intern(const CHARFORMAT2W& cf);
  uint32_t Intern(const PARAFORMAT2& pf);

  std::vector<CHARFORMAT2W> charTable_;
  std::vector<PARAFORMAT2> paraTable_;
  std::vector<uint32_t> chars_;  // one per character, then the end
  std::vector<uint32_t> paras_;
  std::unordered_map<std::string, uint32_t> charIndex_;  // raw bytes of an entry -> its place
  std::unordered_map<std::string, uint32_t> paraIndex_;
};

}  // namespace jf
