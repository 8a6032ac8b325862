// GDI+ start-up and shutdown: counted, nothing to load.
#include <atomic>

#include <gdiplus.h>

namespace Gdiplus {

namespace {
std::atomic<ULONG_PTR> g_lastToken{0};
std::atomic<int> g_users{0};
}  // namespace

Status WINAPI GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input, GdiplusStartupOutput* output) {
  if (!token || !input) return InvalidParameter;
  if (input->GdiplusVersion != 1) return UnsupportedGdiplusVersion;
  if (output) *output = GdiplusStartupOutput{nullptr, nullptr};
  *token = ++g_lastToken;
  ++g_users;
  return Ok;
}

void WINAPI GdiplusShutdown(ULONG_PTR token) {
  if (token) --g_users;
}

const StringFormat* StringFormat::GenericDefault() {
  static const StringFormat format;
  return &format;
}

const StringFormat* StringFormat::GenericTypographic() {
  static const StringFormat format(StringFormatFlagsNoClip | StringFormatFlagsNoFitBlackBox);
  return &format;
}

}  // namespace Gdiplus
