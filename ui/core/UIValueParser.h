// Readers of skin attribute values: decimal number lists, hexadecimal colours, booleans.
// Lists stop at the end of the text (missing numbers are 0) and values beyond 32 bits
// saturate, whatever width the C library's conversions have. Lists are rectangles and
// sizes, so their numbers are bounded as extents (CUIExtent).
#pragma once

#include <windows.h>

namespace SkinUI {

class CUIValueParser {
 public:
  // Reads one decimal number at text; end receives where it stopped.
  static int ReadInt(const wchar_t* text, const wchar_t** end = nullptr);
  // One number read as a size, padding or offset: bounded as an extent.
  static int ReadExtent(const wchar_t* text);
  // Numbers each followed by exactly one separator character; returns how many were read.
  static int ReadIntList(const wchar_t* text, int* values, int count);
  static RECT ReadRect(const wchar_t* text);
  static SIZE ReadSize(const wchar_t* text);
  // Optional "#", then hexadecimal (a "0x" prefix is accepted), as an unsigned 32-bit value.
  static DWORD ReadColor(const wchar_t* text);
  static DWORD ReadHex(const wchar_t* text, const wchar_t** end = nullptr);
  static bool ReadBool(const wchar_t* text);
};

}  // namespace SkinUI
