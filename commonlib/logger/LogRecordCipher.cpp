#include "commonlib/logger/LogRecordCipher.h"

#include "commonlib/util/StringUtils.h"

namespace {

const uint32_t kDelta = 0x9E3779B9u;
const int kCycles = 8;
// "TvPipeKey5028147" read as four little-endian words.
const uint32_t kKey[4] = {0x69507654u, 0x654b6570u, 0x32303579u, 0x37343138u};

uint32_t ReadLe(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void WriteLe(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

}  // namespace

void LogRecordCipher::EncipherBlock(uint8_t block[8]) {
  uint32_t y = ReadLe(block), z = ReadLe(block + 4), sum = 0;
  for (int i = 0; i < kCycles; ++i) {
    sum += kDelta;
    y += ((z << 4) + kKey[0]) ^ (z + sum) ^ ((z >> 5) + kKey[1]);
    z += ((y << 4) + kKey[2]) ^ (y + sum) ^ ((y >> 5) + kKey[3]);
  }
  WriteLe(block, y);
  WriteLe(block + 4, z);
}

void LogRecordCipher::DecipherBlock(uint8_t block[8]) {
  uint32_t y = ReadLe(block), z = ReadLe(block + 4), sum = kDelta * kCycles;
  for (int i = 0; i < kCycles; ++i) {
    z -= ((y << 4) + kKey[2]) ^ (y + sum) ^ ((y >> 5) + kKey[3]);
    y -= ((z << 4) + kKey[0]) ^ (z + sum) ^ ((z >> 5) + kKey[1]);
    sum -= kDelta;
  }
  WriteLe(block, y);
  WriteLe(block + 4, z);
}

void LogRecordCipher::Encipher(uint8_t* data, size_t size) {
  for (size_t i = 0; i + 8 <= size; i += 8) EncipherBlock(data + i);
}

void LogRecordCipher::Decipher(uint8_t* data, size_t size) {
  for (size_t i = 0; i + 8 <= size; i += 8) DecipherBlock(data + i);
}

std::string LogRecordCipher::MakeRecord(const std::wstring& line) {
  std::string record(4, '\0');
  record += StringUtils::ToUtf16LE(line);
  uint32_t n = static_cast<uint32_t>(record.size() - 4);
  WriteLe(reinterpret_cast<uint8_t*>(&record[0]), n);
  Encipher(reinterpret_cast<uint8_t*>(&record[4]), n);
  return record;
}
