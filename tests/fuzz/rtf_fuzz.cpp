// Documents in the rich text format as the text services stream them in: read, written back
// and read again (the same text and formats must come back), and short ones laid out.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/src/controls/RichTextLayout.h"
#include "platform/src/controls/RtfReader.h"
#include "platform/src/controls/RtfWriter.h"
#include "platform/src/controls/TextFormats.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 65536) return 0;
  const std::string input(reinterpret_cast<const char*>(data), size);
  const jf::TextFormats defaults;
  jf::RtfReader reader(defaults.DefaultChar(), defaults.DefaultPara(), 32767);
  if (!reader.Read(input)) return 0;
  const std::wstring& text = reader.Text();
  const jf::TextFormats& formats = reader.Formats();
  const std::string out = jf::RtfWriter::Write(text, formats, 0, formats.Size());
  jf::RtfReader again(defaults.DefaultChar(), defaults.DefaultPara(), 32767);
  if (!again.Read(out) || again.Text() != text) {
    fprintf(stderr, "written:\n%s\n", out.c_str());
    for (wchar_t c : text) fprintf(stderr, "%x ", unsigned(c));
    fprintf(stderr, "\nread again:\n");
    for (wchar_t c : again.Text()) fprintf(stderr, "%x ", unsigned(c));
    fprintf(stderr, "\n");
    abort();
  }
  for (LONG cp = 0; cp < formats.Size(); cp = formats.RunEnd(cp)) {
    const CHARFORMAT2W& a = formats.CharAt(cp);
    const CHARFORMAT2W& b = again.Formats().CharAt(cp);
    if ((a.dwEffects & ~DWORD(CFE_AUTOBACKCOLOR | CFE_LINK)) != (b.dwEffects & ~DWORD(CFE_AUTOBACKCOLOR | CFE_LINK)))
      abort();
  }
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
