#include "util/MD5.h"

#include <atomic>
#include <cmath>
#include <cstring>

namespace {

std::atomic<MD5::ProgressHook> g_progressHook{nullptr};

// The 64 additive constants: the integer part of |sin(i + 1)| * 2^32.
struct SineTable {
  uint32_t k[64];
  SineTable() {
    for (int i = 0; i < 64; ++i) {
      k[i] = static_cast<uint32_t>(std::floor(std::fabs(std::sin(static_cast<double>(i + 1))) * 4294967296.0));
    }
  }
};
const SineTable& Sines() {
  static const SineTable table;
  return table;
}

const int kShift[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

inline uint32_t RotateLeft(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

void EncodeLE(unsigned char* out, const uint32_t* in, size_t words) {
  for (size_t i = 0; i < words; ++i) {
    out[i * 4] = static_cast<unsigned char>(in[i]);
    out[i * 4 + 1] = static_cast<unsigned char>(in[i] >> 8);
    out[i * 4 + 2] = static_cast<unsigned char>(in[i] >> 16);
    out[i * 4 + 3] = static_cast<unsigned char>(in[i] >> 24);
  }
}

}  // namespace

void MD5::SetProgressHook(ProgressHook hook) { g_progressHook.store(hook); }
MD5::ProgressHook MD5::GetProgressHook() { return g_progressHook.load(); }

MD5::MD5(const unsigned char* data, uint32_t length) {
  init();
  update(data, length);
  finalize();
}

MD5::MD5(FILE* file) {
  init();
  abort_ = nullptr;
  unsigned char chunk[1024];
  int64_t total = 0;
  size_t got;
  while ((abort_ == nullptr || *abort_ == 0) && (got = fread(chunk, 1, sizeof(chunk), file)) != 0) {
    update(chunk, static_cast<uint32_t>(got));
    total += static_cast<int64_t>(got);
    ProgressHook hook = g_progressHook.load();
    if (hook != nullptr) hook(total);
  }
  fclose(file);
  finalize();
}

void MD5::init() {
  abort_ = nullptr;
  finalized_ = false;
  count_[0] = count_[1] = 0;
  state_[0] = 0x67452301u;
  state_[1] = 0xEFCDAB89u;
  state_[2] = 0x98BADCFEu;
  state_[3] = 0x10325476u;
  std::memset(buffer_, 0, sizeof(buffer_));
  std::memset(digest_, 0, sizeof(digest_));
  std::memset(hex_, 0, sizeof(hex_));
}

void MD5::update(const unsigned char* input, uint32_t length) {
  if (finalized_) {
    fprintf(stderr, "MD5::update:  Can't update a finalized digest!\n");
    return;
  }
  uint32_t index = (count_[0] >> 3) & 0x3F;
  // The bit count is 64 bits wide, kept as two words.
  uint32_t addBits = length << 3;
  count_[0] += addBits;
  if (count_[0] < addBits) ++count_[1];
  count_[1] += length >> 29;

  uint32_t partLen = 64 - index;
  uint32_t i = 0;
  if (length >= partLen) {
    std::memcpy(buffer_ + index, input, partLen);
    transform(buffer_);
    for (i = partLen; i + 63 < length; i += 64) transform(input + i);
    index = 0;
  }
  if (length > i) std::memcpy(buffer_ + index, input + i, length - i);
}

void MD5::finalize() {
  if (finalized_) {
    fprintf(stderr, "MD5::finalize:  Already finalized this digest!\n");
    return;
  }
  unsigned char bits[8];
  EncodeLE(bits, count_, 2);
  static const unsigned char kPadding[64] = {0x80};
  uint32_t index = (count_[0] >> 3) & 0x3F;
  uint32_t padLen = index < 56 ? 56 - index : 120 - index;
  update(kPadding, padLen);
  update(bits, 8);
  EncodeLE(digest_, state_, 4);
  std::memset(buffer_, 0, sizeof(buffer_));
  finalized_ = true;
}

const char* MD5::hex_digest() {
  std::memset(hex_, 0, sizeof(hex_));
  if (!finalized_) {
    fprintf(stderr, "MD5::hex_digest:  Can't get digest if you haven't finalized the digest!\n");
    return hex_;
  }
  static const char kDigits[] = "0123456789abcdef";
  for (int i = 0; i < 16; ++i) {
    hex_[i * 2] = kDigits[digest_[i] >> 4];
    hex_[i * 2 + 1] = kDigits[digest_[i] & 0x0F];
  }
  return hex_;
}

void MD5::hex_digest_wide(wchar_t* out) const {
  if (!finalized_) return;
  static const wchar_t kDigits[] = L"0123456789abcdef";
  for (int i = 0; i < 16; ++i) {
    out[i * 2] = kDigits[digest_[i] >> 4];
    out[i * 2 + 1] = kDigits[digest_[i] & 0x0F];
  }
  out[32] = L'\0';
}

void MD5::transform(const unsigned char block[64]) {
  uint32_t x[16];
  for (int i = 0; i < 16; ++i) {
    x[i] = static_cast<uint32_t>(block[i * 4]) | (static_cast<uint32_t>(block[i * 4 + 1]) << 8) |
           (static_cast<uint32_t>(block[i * 4 + 2]) << 16) | (static_cast<uint32_t>(block[i * 4 + 3]) << 24);
  }
  const uint32_t* k = Sines().k;
  uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
  for (int i = 0; i < 64; ++i) {
    uint32_t f;
    int g;
    int round = i / 16;
    switch (round) {
      case 0: f = (b & c) | (~b & d); g = i; break;
      case 1: f = (b & d) | (c & ~d); g = (5 * i + 1) % 16; break;
      case 2: f = b ^ c ^ d; g = (3 * i + 5) % 16; break;
      default: f = c ^ (b | ~d); g = (7 * i) % 16; break;
    }
    uint32_t next = b + RotateLeft(a + f + k[i] + x[g], kShift[round][i % 4]);
    a = d;
    d = c;
    c = b;
    b = next;
  }
  state_[0] += a;
  state_[1] += b;
  state_[2] += c;
  state_[3] += d;
}
