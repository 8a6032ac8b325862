// The file log's record cipher: TEA reduced to 8 cycles over independent 8-byte blocks
// under the fixed key "TvPipeKey5028147"; a tail shorter than a block stays plain.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class LogRecordCipher {
 public:
  static void EncipherBlock(uint8_t block[8]);
  static void DecipherBlock(uint8_t block[8]);
  // Enciphers the whole blocks of `data` in place.
  static void Encipher(uint8_t* data, size_t size);
  static void Decipher(uint8_t* data, size_t size);
  // One record: 4-byte little-endian length, then the line as UTF-16LE, enciphered.
  static std::string MakeRecord(const std::wstring& line);
};
