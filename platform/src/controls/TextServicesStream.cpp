// EM_STREAMIN and EM_STREAMOUT: plain text in the ANSI code page or UTF-16LE, and documents
// in the rich text format, through the caller's EDITSTREAM callback. A stream that fails
// (the callback's own error, a document that does not read) changes nothing and leaves its
// error in dwError: the callback's value, or ERROR_INVALID_DATA for the document.
#include "platform/src/controls/TextServices.h"

#include <algorithm>

#include "platform/src/controls/RtfReader.h"
#include "platform/src/controls/RtfWriter.h"
#include "platform/src/internal/utf.h"

namespace jf {

namespace {

constexpr LONG kChunk = 4096;
constexpr size_t kLargestStream = 64u << 20;  // more than any text these services hold

// Plain text as the services hold it: one mark per paragraph, and no U+0000, which no text
// holds (a document's reader leaves it out too).
std::wstring Paragraphs(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\0') continue;
    if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
    out += text[i] == L'\n' ? L'\r' : text[i];
  }
  return out;
}

}  // namespace

LRESULT TextServices::OnStreamIn(WPARAM wparam, LPARAM lparam) {
  auto* es = reinterpret_cast<EDITSTREAM*>(lparam);
  if (!es || !es->pfnCallback) return 0;
  es->dwError = 0;
  std::string data;
  BYTE buffer[kChunk];
  while (true) {
    LONG got = 0;
    const DWORD error = es->pfnCallback(es->dwCookie, buffer, kChunk, &got);
    if (error != 0) {
      es->dwError = error;
      return 0;
    }
    if (got <= 0) break;
    data.append(reinterpret_cast<const char*>(buffer), size_t(std::min(got, kChunk)));
    if (data.size() > kLargestStream) {
      es->dwError = ERROR_INVALID_DATA;
      return 0;
    }
  }
  const bool selection = (wparam & SFF_SELECTION) != 0;
  std::wstring text;
  std::optional<TextFormats> piece;
  if ((wparam & SF_RTF) && RtfReader::IsRtf(data)) {
    RtfReader reader(formats_.DefaultChar(), formats_.DefaultPara(), size_t(maxLength_));
    if (!reader.Read(data, !selection)) {
      es->dwError = ERROR_INVALID_DATA;
      return 0;
    }
    text = reader.Text();
    if (Has(TXTBIT_RICHTEXT)) piece = reader.Formats();
  } else if (wparam & SF_UNICODE) {
    text = Paragraphs(FromUtf16LEBytes(data.data(), data.size() & ~size_t(1)));
  } else {
    const int n = MultiByteToWideChar(CP_ACP, 0, data.data(), int(data.size()), nullptr, 0);
    text.assign(size_t(std::max(0, n)), L'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, data.data(), int(data.size()), &text[0], n);
    text = Paragraphs(text);
  }
  if (selection) {
    Replace(text, true, false, piece ? &*piece : nullptr);
  } else {
    // A whole document: the reader took its last paragraph mark for the text's own end.
    const PARAFORMAT2 last = piece ? piece->ParaAt(LONG(text.size())) : formats_.DefaultPara();
    SetSel(0, Length());
    Replace(text, false, false, piece ? &*piece : nullptr);
    formats_.SetPara(Length(), last);
    if (piece) formats_.SetChar(Length(), Length() + 1, piece->CharAt(LONG(text.size())));
    anchor_ = caret_ = 0;
    scrollX_ = scrollY_ = 0;
    Dirty();
    UpdateScrollBars();
    PlaceCaret();
  }
  ScrollCaretIntoView();
  Invalidate();
  return LRESULT(text.size());
}

LRESULT TextServices::OnStreamOut(WPARAM wparam, LPARAM lparam) {
  auto* es = reinterpret_cast<EDITSTREAM*>(lparam);
  if (!es || !es->pfnCallback) return 0;
  es->dwError = 0;
  const bool selection = (wparam & SFF_SELECTION) != 0;
  const LONG from = selection ? SelMin() : 0, to = selection ? SelMax() : Length();
  std::string data;
  if (wparam & SF_RTF) {
    data = RtfWriter::Write(text_, formats_, from, to, !selection);
  } else {
    const std::wstring text = WithCrLf(text_.substr(size_t(from), size_t(to - from)));
    if (wparam & SF_UNICODE) {
      data = ToUtf16LEBytes(text);
    } else {
      const int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr, nullptr);
      data.assign(size_t(std::max(0, n)), '\0');
      if (n > 0) WideCharToMultiByte(CP_ACP, 0, text.c_str(), int(text.size()), &data[0], n, nullptr, nullptr);
    }
  }
  size_t sent = 0;
  while (sent < data.size()) {
    BYTE buffer[kChunk];
    const LONG cb = LONG(std::min<size_t>(kChunk, data.size() - sent));
    std::copy_n(data.data() + sent, size_t(cb), buffer);
    LONG written = 0;
    const DWORD error = es->pfnCallback(es->dwCookie, buffer, cb, &written);
    if (error != 0) {
      es->dwError = error;
      break;
    }
    if (written <= 0) break;  // the receiver takes no more
    sent += size_t(std::min(written, cb));
  }
  return LRESULT(sent);
}

}  // namespace jf
