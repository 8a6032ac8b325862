// Plain DES (FIPS 46-3) in ECB mode and the upper-case hex writer, as the statistics
// server reads its records.
#pragma once

#include <cstddef>
#include <cstdint>

struct DesKeySchedule {
  uint64_t roundKeys[16];  // 48 bits each, in the low bits
};

// The standard key schedule over the 8 key bytes (parity bits ignored).
void DesSetKey(const unsigned char key[8], DesKeySchedule& schedule);
// Enciphers each 8-byte block by itself; `length` must be a multiple of 8 (a trailing
// partial block is left out). input and output may be the same buffer.
void DesEncryptEcb(size_t length, const DesKeySchedule& schedule, const unsigned char* input,
                   unsigned char* output);
// Writes 2 * count digits and a terminating NUL; output needs 2 * count + 1 characters.
void BytesToHexUpper(char* output, const unsigned char* bytes, size_t count);
