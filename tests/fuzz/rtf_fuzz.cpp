// Documents in the rich text format as the text services stream them in (breaks, list text,
// fonts of every character set and documents of every code page among them): read, written
// back and read again (the same text and the same formats must come back), and short ones
// laid out.
// fuzz-dict: rtf.dict
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/src/controls/RichTextLayout.h"
#include "platform/src/controls/RtfReader.h"
#include "platform/src/controls/RtfWriter.h"
#include "platform/src/controls/TextFormats.h"

namespace {

[[noreturn]] void Differs(const char* what, LONG cp, const std::string& written, const std::wstring& text,
                          const std::wstring& again) {
  fprintf(stderr, "%s differs at %ld\nwritten:\n%s\nread:", what, long(cp), written.c_str());
  for (wchar_t c : text) fprintf(stderr, " %x", unsigned(c));
  fprintf(stderr, "\nread again:");
  for (wchar_t c : again) fprintf(stderr, " %x", unsigned(c));
  fprintf(stderr, "\n");
  abort();
}

// Every character's format, the end's, and the format of every paragraph.
void Compare(const jf::RtfReader& first, const jf::RtfReader& second, const std::string& written) {
  const std::wstring& text = first.Text();
  if (second.Text() != text) Differs("text", 0, written, text, second.Text());
  const jf::TextFormats& a = first.Formats();
  const jf::TextFormats& b = second.Formats();
  for (LONG cp = 0; cp <= LONG(text.size()); ++cp) {
    const CHARFORMAT2W &x = a.CharAt(cp), &y = b.CharAt(cp);
    if (!jf::TextFormats::Same(x, y)) {
      fprintf(stderr, "effects %x %x, height %d %d, offset %d %d, colours %x/%x %x/%x, weight %d %d, set %d %d\n",
              x.dwEffects, y.dwEffects, x.yHeight, y.yHeight, x.yOffset, y.yOffset, x.crTextColor, x.crBackColor,
              y.crTextColor, y.crBackColor, x.wWeight, y.wWeight, x.bCharSet, y.bCharSet);
      Differs("character format", cp, written, text, text);
    }
    const PARAFORMAT2 &p = a.ParaAt(cp), &q = b.ParaAt(cp);
    if ((cp == LONG(text.size()) || text[size_t(cp)] == L'\r') && !jf::TextFormats::Same(p, q)) {
      fprintf(stderr, "indents %d/%d/%d %d/%d/%d, spacing %d:%d %d:%d\n", p.dxStartIndent, p.dxOffset,
              p.dxRightIndent, q.dxStartIndent, q.dxOffset, q.dxRightIndent, p.bLineSpacingRule, p.dyLineSpacing,
              q.bLineSpacingRule, q.dyLineSpacing);
      Differs("paragraph format", cp, written, text, text);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 65536) return 0;
  const std::string input(reinterpret_cast<const char*>(data), size);
  const jf::TextFormats defaults;
  jf::RtfReader reader(defaults.DefaultChar(), defaults.DefaultPara(), 32767);
  if (!reader.Read(input, true)) return 0;
  const std::wstring& text = reader.Text();
  const jf::TextFormats& formats = reader.Formats();
  // No input puts U+0000 into a text, whatever its code page.
  if (text.find(L'\0') != std::wstring::npos) Differs("a NUL in the text", LONG(text.find(L'\0')), input, text, L"");
  const std::string out = jf::RtfWriter::Write(text, formats, 0, formats.Size(), true);
  jf::RtfReader again(defaults.DefaultChar(), defaults.DefaultPara(), 32767);
  if (!again.Read(out, true)) Differs("reading", 0, out, text, L"");
  Compare(reader, again, out);
  if (text.size() <= 64) {
    jf::RichTextLayout::Options options;
    options.wrapWidth = 120;
    options.alignWidth = 120;
    jf::RichTextLayout layout(text, formats, nullptr, options);
    for (LONG cp = 0; cp <= LONG(text.size()); ++cp) {
      layout.CaretAt(cp);
      layout.LineOf(cp);
    }
    layout.CpAt(10, 10);
  }
  return 0;
}
