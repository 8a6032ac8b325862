// Start-up of the layer's text: case mapping and character classes for all of Unicode.
#include <clocale>
#include <mutex>

#include <windows/text.h>
#include "platform/src/internal/ansi.h"

namespace jf {

void EnsureTextLocale() {
  static std::once_flag once;
  std::call_once(once, [] {
    // Only the character type: the decimal point of number formatting and parsing stays '.'.
    if (!setlocale(LC_CTYPE, "C.UTF-8")) setlocale(LC_CTYPE, "C.utf8");
  });
}

namespace {
struct TextLocaleInit {
  TextLocaleInit() { EnsureTextLocale(); }
};
TextLocaleInit textLocaleInit;
}  // namespace

extern const int kTextLocaleAnchor = 1;

}  // namespace jf
