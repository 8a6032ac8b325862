#include "platform/src/text/CodePageIconv.h"

#include <cerrno>
#include <cstring>

namespace jf {

namespace {
const char kWide[] = "WCHAR_T";
const char kGbk[] = "GBK";
}  // namespace

CodePageIconv::CodePageIconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}

CodePageIconv::~CodePageIconv() {
  if (cd_ != iconv_t(-1)) iconv_close(cd_);
}

bool CodePageIconv::Step(const char** in, size_t* inLeft, std::string& out) {
  if (cd_ == iconv_t(-1)) {
    errno = EBADF;
    return false;
  }
  iconv(cd_, nullptr, nullptr, nullptr, nullptr);
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

bool CodePageIconv::Encode(const wchar_t* s, size_t n, const std::string& defaultChar,
                           std::string& out, bool* usedDefault) {
  thread_local CodePageIconv conv(kGbk, kWide);
  const char* in = reinterpret_cast<const char*>(s);
  size_t inLeft = n * sizeof(wchar_t);
  while (!conv.Step(&in, &inLeft, out)) {
    if (errno != EILSEQ && errno != EINVAL) return false;
    out += defaultChar;
    if (usedDefault) *usedDefault = true;
    size_t skip = inLeft < sizeof(wchar_t) ? inLeft : sizeof(wchar_t);
    in += skip;
    inLeft -= skip;
  }
  return true;
}

bool CodePageIconv::Decode(const char* s, size_t n, bool failOnInvalid, std::wstring& out) {
  thread_local CodePageIconv conv(kWide, kGbk);
  std::string bytes;
  const char* in = s;
  size_t inLeft = n;
  bool ok = true;
  auto flush = [&] {
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
