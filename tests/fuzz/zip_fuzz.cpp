// The skin archive reader over a memory block: open, list, find and inflate every entry.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ui/archive/ZipReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SkinUI::ZipHandle* zip = SkinUI::OpenZip(data, static_cast<DWORD>(size), SkinUI::ZIP_MEMORY);
  if (!zip) return 0;
  SkinUI::ZipEntryInfo summary = {};
  SkinUI::GetZipItem(zip, -1, &summary);
  int count = summary.index < 64 ? summary.index : 64;
  for (int i = 0; i < count; ++i) {
    SkinUI::ZipEntryInfo entry = {};
    if (SkinUI::GetZipItem(zip, i, &entry) != SkinUI::ZR_OK) continue;
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
  return 0;
}
