#include "platform/src/text/CodePageIconv.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

namespace jf {

namespace {
const char kWide[] = "WCHAR_T";
}  // namespace

CodePageIconv::CodePageIconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}

CodePageIconv::~CodePageIconv() {
  if (cd_ != iconv_t(-1)) iconv_close(cd_);
}

CodePageIconv& CodePageIconv::For(const char* to, const char* from) {
  struct Entry {
    const char* to;
    const char* from;
    std::unique_ptr<CodePageIconv> conv;
  };
  // The names are the layer's own constants: one entry per pair.
  thread_local std::vector<Entry> converters;
  for (Entry& e : converters)
    if (strcmp(e.to, to) == 0 && strcmp(e.from, from) == 0) return *e.conv;
  converters.push_back(Entry{to, from, std::make_unique<CodePageIconv>(to, from)});
  return *converters.back().conv;
}

bool CodePageIconv::Step(const char** in, size_t* inLeft, std::string& out) {
  if (cd_ == iconv_t(-1)) {
    errno = EBADF;
    return false;
  }
  char chunk[256];
  while (*inLeft > 0) {
    char* o = chunk;
    size_t oLeft = sizeof(chunk);
    size_t r = iconv(cd_, const_cast<char**>(in), inLeft, &o, &oLeft);
    out.append(chunk, size_t(o - chunk));
    if (r == size_t(-1) && errno != E2BIG) return false;
  }
  return true;
}

void CodePageIconv::Finish(std::string& out) {
  if (cd_ == iconv_t(-1)) return;
  char chunk[64];
  char* o = chunk;
  size_t oLeft = sizeof(chunk);
  iconv(cd_, nullptr, nullptr, &o, &oLeft);
  out.append(chunk, size_t(o - chunk));
  iconv(cd_, nullptr, nullptr, nullptr, nullptr);
}

bool CodePageIconv::Encode(const char* charset, const wchar_t* s, size_t n, const std::string& defaultChar,
                           std::string& out, bool* usedDefault) {
  CodePageIconv& conv = For(charset, kWide);
  conv.Finish(out);  // nothing is held between calls
  const char* in = reinterpret_cast<const char*>(s);
  size_t inLeft = n * sizeof(wchar_t);
  while (!conv.Step(&in, &inLeft, out)) {
    if (errno != EILSEQ && errno != EINVAL) return false;
    conv.Finish(out);
    out += defaultChar;
    if (usedDefault) *usedDefault = true;
    size_t skip = inLeft < sizeof(wchar_t) ? inLeft : sizeof(wchar_t);
    in += skip;
    inLeft -= skip;
  }
  conv.Finish(out);
  return true;
}

bool CodePageIconv::Decode(const char* charset, const char* s, size_t n, bool failOnInvalid, std::wstring& out) {
  CodePageIconv& conv = For(kWide, charset);
  std::string bytes;
  conv.Finish(bytes);
  bytes.clear();
  const char* in = s;
  size_t inLeft = n;
  bool ok = true;
  auto flush = [&] {
    conv.Finish(bytes);
    size_t old = out.size(), count = bytes.size() / sizeof(wchar_t);
    out.resize(old + count);
    if (count) memcpy(&out[old], bytes.data(), count * sizeof(wchar_t));
    bytes.clear();
  };
  while (!conv.Step(&in, &inLeft, bytes)) {
    if (errno != EILSEQ && errno != EINVAL) {
      ok = false;
      break;
    }
    flush();
    if (failOnInvalid) return false;
    out += L'?';
    ++in;
    --inLeft;
  }
  flush();
  return ok;
}

}  // namespace jf
