// The skin archive reader over a memory block: open, list, find and inflate every entry;
// then the same block as the skin archive of the process, its entries loaded as images
// (what an entry's directory claims is checked before anything is allocated).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "ui/archive/ZipReader.h"
#include "ui/base/WindowManagerUI.h"
#include "ui/render/SkinRenderer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SkinUI::ZipHandle* zip = SkinUI::OpenZip(data, static_cast<DWORD>(size), SkinUI::ZIP_MEMORY);
  if (!zip) return 0;
  SkinUI::ZipEntryInfo summary = {};
  SkinUI::GetZipItem(zip, -1, &summary);
  int count = summary.index < 64 ? summary.index : 64;
  std::vector<std::wstring> names;
  for (int i = 0; i < count; ++i) {
    SkinUI::ZipEntryInfo entry = {};
    if (SkinUI::GetZipItem(zip, i, &entry) != SkinUI::ZR_OK) continue;
    if (names.size() < 8) names.push_back(entry.name);
    int index = -1;
    SkinUI::ZipEntryInfo found = {};
    SkinUI::FindZipItem(zip, entry.name, &index, &found);
    if (entry.unc_size > 0 && entry.unc_size <= (1u << 20)) {
      std::vector<unsigned char> buffer(entry.unc_size);
      SkinUI::ReadZipEntry(zip, i, buffer.data(), entry.unc_size);
      SkinUI::UnzipItem(zip, i, buffer.data(), 7);
    }
  }
  SkinUI::CloseZip(zip);
  if (names.empty()) return 0;
  BYTE* copy = new BYTE[size];
  memcpy(copy, data, size);
  SkinUI::CWindowManagerUI::SetResourceZipBuffer(copy, static_cast<DWORD>(size));
  SkinUI::CWindowManagerUI::SetResourceZipFromMemory();
  for (const std::wstring& name : names) SkinUI::CSkinRenderer::FreeImage(SkinUI::CSkinRenderer::LoadImage(name.c_str()));
  SkinUI::CWindowManagerUI::CloseResourceZip();
  SkinUI::CWindowManagerUI::FreeResourceZipBuffer();
  return 0;
}
