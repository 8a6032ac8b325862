// An independent reader of the file log for the tests: its own TEA-8 decipher and UTF-16LE
// decoder, so the logger is not checked against itself.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace logtest {

inline void DecipherBlock(uint8_t* b) {
  const uint32_t k[4] = {0x69507654u, 0x654b6570u, 0x32303579u, 0x37343138u};
  auto rd = [](const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  };
  uint32_t y = rd(b), z = rd(b + 4), sum = 0x9E3779B9u * 8;
  for (int i = 0; i < 8; ++i) {
    z -= ((y << 4) + k[2]) ^ (y + sum) ^ ((y >> 5) + k[3]);
    y -= ((z << 4) + k[0]) ^ (z + sum) ^ ((z >> 5) + k[1]);
    sum -= 0x9E3779B9u;
  }
  for (int i = 0; i < 4; ++i) {
    b[i] = uint8_t(y >> (8 * i));
    b[4 + i] = uint8_t(z >> (8 * i));
  }
}

inline std::wstring DecodeUtf16Le(const uint8_t* p, size_t n) {
  std::wstring out;
  for (size_t i = 0; i + 1 < n; i += 2) {
    uint32_t u = p[i] | p[i + 1] << 8;
    if (u >= 0xD800 && u < 0xDC00 && i + 3 < n) {
      uint32_t l = p[i + 2] | p[i + 3] << 8;
      if (l >= 0xDC00 && l < 0xE000) {
        out += wchar_t(0x10000 + ((u - 0xD800) << 10) + (l - 0xDC00));
        i += 2;
        continue;
      }
    }
    out += wchar_t(u);
  }
  return out;
}

inline std::vector<uint8_t> ReadFileBytes(const std::string& hostPath) {
  std::vector<uint8_t> data;
  if (FILE* f = std::fopen(hostPath.c_str(), "rb")) {
    uint8_t buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data.insert(data.end(), buf, buf + n);
    std::fclose(f);
  }
  return data;
}

// Every whole record of the file, deciphered; a cut-off tail is ignored.
inline std::vector<std::wstring> ReadLog(const std::string& hostPath) {
  std::vector<uint8_t> data = ReadFileBytes(hostPath);
  std::vector<std::wstring> lines;
  size_t pos = 0;
  while (pos + 4 <= data.size()) {
    uint32_t n = data[pos] | data[pos + 1] << 8 | data[pos + 2] << 16 | uint32_t(data[pos + 3]) << 24;
    pos += 4;
    if (pos + n > data.size()) break;
    std::vector<uint8_t> rec(data.begin() + pos, data.begin() + pos + n);
    for (size_t i = 0; i + 8 <= n; i += 8) DecipherBlock(&rec[i]);
    lines.push_back(DecodeUtf16Le(rec.data(), rec.size()));
    pos += n;
  }
  return lines;
}

}  // namespace logtest
