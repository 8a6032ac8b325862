// A ZIP archive of stored entries built in memory, and a small valid PNG, for the fuzz
// targets that give the skin loader an archive.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <zlib.h>

namespace fuzzzip {

// 2x2 RGBA, one pixel half transparent, one transparent.
inline const unsigned char kTinyPng[] = {
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52, 0x00, 0x00, 0x00,
    0x02, 0x00, 0x00, 0x00, 0x02, 0x08, 0x06, 0x00, 0x00, 0x00, 0x72, 0xB6, 0x0D, 0x24, 0x00, 0x00, 0x00, 0x15, 0x49,
    0x44, 0x41, 0x54, 0x78, 0x9C, 0x63, 0xF8, 0xCF, 0xC0, 0xF0, 0x1F, 0x08, 0x1B, 0x18, 0x80, 0x34, 0x08, 0x30, 0x00,
    0x00, 0x43, 0xD3, 0x08, 0x79, 0xC9, 0x15, 0x1C, 0x0F, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42,
    0x60, 0x82};

inline void PutLe(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A ZIP archive of stored entries.
inline std::string StoredZip(const std::vector<std::pair<std::string, std::string>>& files) {
  std::string out, directory;
  for (const auto& file : files) {
    uint32_t crc = crc32(0, reinterpret_cast<const Bytef*>(file.second.data()), static_cast<uInt>(file.second.size()));
    uint32_t offset = static_cast<uint32_t>(out.size());
    auto header = [&](std::string& to, bool central) {
      PutLe(to, central ? 0x02014b50 : 0x04034b50, 4);
      if (central) PutLe(to, 20, 2);
      PutLe(to, 20, 2);  // version needed
      PutLe(to, 0, 2);   // flags
      PutLe(to, 0, 2);   // stored
      PutLe(to, 0, 4);   // time and date
      PutLe(to, crc, 4);
      PutLe(to, static_cast<uint32_t>(file.second.size()), 4);
      PutLe(to, static_cast<uint32_t>(file.second.size()), 4);
      PutLe(to, static_cast<uint32_t>(file.first.size()), 2);
      PutLe(to, 0, 2);  // extra
      if (central) {
        PutLe(to, 0, 2);  // comment
        PutLe(to, 0, 2);  // disk
        PutLe(to, 0, 2);  // internal attributes
        PutLe(to, 0, 4);  // external attributes
        PutLe(to, offset, 4);
      }
      to += file.first;
    };
    header(out, false);
    out += file.second;
    header(directory, true);
  }
  uint32_t start = static_cast<uint32_t>(out.size());
  out += directory;
  PutLe(out, 0x06054b50, 4);
  PutLe(out, 0, 4);
  PutLe(out, static_cast<uint32_t>(files.size()), 2);
  PutLe(out, static_cast<uint32_t>(files.size()), 2);
  PutLe(out, static_cast<uint32_t>(directory.size()), 4);
  PutLe(out, start, 4);
  PutLe(out, 0, 2);
  return out;
}

}  // namespace fuzzzip
