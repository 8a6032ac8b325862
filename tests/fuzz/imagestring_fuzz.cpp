// Image strings (first half of the input) with a modifier (second half), parsed and then
// drawn with an item and a paint rectangle taken from the input's first 32 bytes (any int
// values), from an in-memory archive with a small image "a.png": tiling, nine-grids, sources and
// corners meet extreme rectangles.
// fuzz-dict: skin.dict
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include <windows.h>

#include "tests/fuzz/StoredZip.h"
#include "ui/base/WindowManagerUI.h"
#include "ui/render/ImageStringParser.h"
#include "ui/render/SkinRenderer.h"

namespace {

SkinUI::CWindowManagerUI* manager = nullptr;
HDC dc = nullptr;

void Draw(const SkinUI::UIImageDrawSet& set, void* context) {
  *static_cast<long long*>(context) += set.dest.left + set.source.right + set.corner.top + set.fade;
}

int ReadInt(const uint8_t* p) {
  uint32_t v = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
               (static_cast<uint32_t>(p[3]) << 24);
  int out;
  memcpy(&out, &v, sizeof(out));
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string zip = fuzzzip::StoredZip(
      {{"a.png", std::string(reinterpret_cast<const char*>(fuzzzip::kTinyPng), sizeof(fuzzzip::kTinyPng))}});
  BYTE* buffer = new BYTE[zip.size()];
  memcpy(buffer, zip.data(), zip.size());
  SkinUI::CWindowManagerUI::SetResourceZipBuffer(buffer, static_cast<DWORD>(zip.size()));
  SkinUI::CWindowManagerUI::SetResourceZipFromMemory();
  manager = new SkinUI::CWindowManagerUI();
  dc = CreateCompatibleDC(nullptr);
  SelectObject(dc, CreateCompatibleBitmap(dc, 64, 48));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  std::wstring image, modify;
  for (size_t i = 0; i < size; ++i) (i < size / 2 ? image : modify).push_back(static_cast<wchar_t>(data[i]));
  RECT item = {10, 20, 300, 200};
  long long sum = 0;
  SkinUI::CImageStringParser::Parse(item, image.c_str(), modify.c_str(), Draw, &sum);
  if (size < 32) return 0;
  RECT paint;
  item = RECT{ReadInt(data), ReadInt(data + 4), ReadInt(data + 8), ReadInt(data + 12)};
  paint = RECT{ReadInt(data + 16), ReadInt(data + 20), ReadInt(data + 24), ReadInt(data + 28)};
  image.clear();
  modify.clear();
  for (size_t i = 32; i < size; ++i) (i < 32 + (size - 32) / 2 ? image : modify).push_back(static_cast<wchar_t>(data[i]));
  SkinUI::CSkinRenderer::DrawImageString(dc, manager, item, paint, image.c_str(), modify.c_str());
  return 0;
}
