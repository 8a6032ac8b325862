// Image strings (first half of the input) with a modifier (second half).
#include <cstddef>
#include <cstdint>
#include <string>

#include "ui/render/ImageStringParser.h"

namespace {
void Draw(const SkinUI::UIImageDrawSet& set, void* context) {
  *static_cast<long long*>(context) += set.dest.left + set.source.right + set.corner.top + set.fade;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::wstring image, modify;
  for (size_t i = 0; i < size; ++i) (i < size / 2 ? image : modify).push_back(static_cast<wchar_t>(data[i]));
  RECT item = {10, 20, 300, 200};
  long long sum = 0;
  SkinUI::CImageStringParser::Parse(item, image.c_str(), modify.c_str(), Draw, &sum);
  return 0;
}
