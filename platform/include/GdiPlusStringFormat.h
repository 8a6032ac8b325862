// GDI+ string format: alignment, line alignment, flags and trimming.
#pragma once
#include "GdiPlusTypes.h"

namespace Gdiplus {

class StringFormat {
 public:
  explicit StringFormat(INT flags = 0, WORD language = 0) : flags_(flags) { (void)language; }
  Status SetAlignment(StringAlignment align) { align_ = align; return Ok; }
  StringAlignment GetAlignment() const { return align_; }
  Status SetLineAlignment(StringAlignment align) { lineAlign_ = align; return Ok; }
  StringAlignment GetLineAlignment() const { return lineAlign_; }
  Status SetFormatFlags(INT flags) { flags_ = flags; return Ok; }
  INT GetFormatFlags() const { return flags_; }
  Status SetTrimming(StringTrimming trimming) { trimming_ = trimming; return Ok; }
  StringTrimming GetTrimming() const { return trimming_; }
  static const StringFormat* GenericDefault();
  static const StringFormat* GenericTypographic();

 private:
  INT flags_;
  StringAlignment align_ = StringAlignmentNear;
  StringAlignment lineAlign_ = StringAlignmentNear;
  StringTrimming trimming_ = StringTrimmingCharacter;
};

}  // namespace Gdiplus
