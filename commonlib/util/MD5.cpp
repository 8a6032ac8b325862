#include "commonlib/util/MD5.h"

#include <io.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace {

std::atomic<MD5::ProgressHook> g_progressHook{nullptr};

// Round functions and one step of RFC 1321, written out so that the compiler keeps the
// whole block in registers; each step's chain waits on b for as few operations as it can.
inline uint32_t RotateLeft(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }
#define MD5_F(x, y, z) ((z) ^ ((x) & ((y) ^ (z))))
// G's two terms never share a bit, so they are added into the step apart: neither waits
// for the other.
#define MD5_G_STEP(a, b, c, d, x, k, s) \
  (a) = (b) + RotateLeft((a) + (x) + (k) + ((c) & ~(d)) + ((b) & (d)), (s))
#define MD5_H(x, y, z) ((x) ^ ((y) ^ (z)))
#define MD5_I(x, y, z) ((y) ^ ((x) | ~(z)))
// The word and the constant are added first, off the path that waits for b.
#define MD5_STEP(f, a, b, c, d, x, k, s) (a) = (b) + RotateLeft((a) + (x) + (k) + f((b), (c), (d)), (s))

// A little-endian word; one plain load where the machine is little-endian (the compiler
// turns the byte form into vector shuffles instead).
inline uint32_t LoadLE32(const unsigned char* p) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
#else
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
#endif
}

// Bytes handed to the progress hook's steps, and the size of one read of the file form: large
// enough for few calls, small enough that the blocks stay in the cache until they are digested.
const size_t kProgressStep = 1024;
const size_t kReadSize = 256 * 1024;
const uintptr_t kPage = 4096;

// Where the file form's bytes come from: the stream's file opened once more for reading in
// order, from the stream's own position; or, when it has no name to open again (a pipe), the
// stream itself, whose read-ahead then comes first.
class FileSource {
 public:
  explicit FileSource(FILE* stream) : stream_(stream) {
    const int64_t at = _ftelli64(stream);
    const HANDLE own = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    if (at < 0 || own == INVALID_HANDLE_VALUE) return;
    handle_ = ReOpenFile(own, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         FILE_FLAG_SEQUENTIAL_SCAN);
    LARGE_INTEGER to;
    to.QuadPart = at;
    if (handle_ != INVALID_HANDLE_VALUE && !SetFilePointerEx(handle_, to, nullptr, FILE_BEGIN)) {
      CloseHandle(handle_);
      handle_ = INVALID_HANDLE_VALUE;
    }
  }
  ~FileSource() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  // The next bytes, up to `size`; 0 at the end (or on an error, which ends the digest there as
  // the end of the file would).
  size_t Read(unsigned char* to, size_t size) {
    if (handle_ == INVALID_HANDLE_VALUE) return std::fread(to, 1, size, stream_);
    DWORD got = 0;
    return ReadFile(handle_, to, static_cast<DWORD>(size), &got, nullptr) ? got : 0;
  }

 private:
  FILE* stream_;
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// The file form's blocks: a reader thread copies the next blocks out of the file while the
// digest works through the previous ones, so that the copy and the digest run side by side.
struct BlockRing {
  static const int kSlots = 4;
  explicit BlockRing(FileSource& file) : source(file), room(kSlots * kReadSize + kPage) {
    unsigned char* first = room.data() + (kPage - reinterpret_cast<uintptr_t>(room.data()) % kPage) % kPage;
    for (int i = 0; i < kSlots; ++i) slot[i] = first + i * kReadSize;
  }

  // The reader: into page-aligned blocks, until the end.
  void Read() {
    for (int tail = 0;; tail = (tail + 1) % kSlots) {
      {
        std::unique_lock<std::mutex> guard(lock);
        changed.wait(guard, [&] { return filled < kSlots || stop; });
        if (stop) return;
      }
      const size_t got = source.Read(slot[tail], kReadSize);
      std::lock_guard<std::mutex> guard(lock);
      if (got == 0) {
        ended = true;
      } else {
        size[tail] = got;
        ++filled;
      }
      changed.notify_all();
      if (ended) return;
    }
  }

  // The next filled block for the digest (null at the end); Release hands it back.
  const unsigned char* Next(size_t& bytes) {
    std::unique_lock<std::mutex> guard(lock);
    changed.wait(guard, [&] { return filled > 0 || ended; });
    if (filled == 0) return nullptr;
    bytes = size[head];
    return slot[head];
  }
  void Release() {
    std::lock_guard<std::mutex> guard(lock);
    head = (head + 1) % kSlots;
    --filled;
    changed.notify_all();
  }
  void Stop() {
    std::lock_guard<std::mutex> guard(lock);
    stop = true;
    changed.notify_all();
  }

  FileSource& source;
  std::vector<unsigned char> room;
  unsigned char* slot[kSlots];
  size_t size[kSlots] = {};
  std::mutex lock;
  std::condition_variable changed;
  int filled = 0;
  int head = 0;
  bool ended = false;
  bool stop = false;
};

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
  FileSource source(file);
  BlockRing ring(source);
  std::thread reader;
  try {
    reader = std::thread([&ring] { ring.Read(); });
  } catch (const std::system_error&) {
    // No second thread (a process limit): the blocks are read and digested in turn here.
  }
  int64_t total = 0;
  auto digest = [&](const unsigned char* block, size_t got) {
    update(block, static_cast<uint32_t>(got));
    ProgressHook hook = g_progressHook.load(std::memory_order_relaxed);
    // Reported in 1,024-byte steps, as the checker's progress bar counts them.
    for (size_t at = 0; at < got; at += kProgressStep) {
      total += static_cast<int64_t>(std::min(got - at, kProgressStep));
      if (hook != nullptr) hook(total);
    }
  };
  if (reader.joinable()) {
    size_t got = 0;
    while (const unsigned char* block = ring.Next(got)) {
      digest(block, got);
      ring.Release();
    }
    ring.Stop();
    reader.join();
  } else {
    while (const size_t got = source.Read(ring.slot[0], kReadSize)) digest(ring.slot[0], got);
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
  for (int i = 0; i < 16; ++i) x[i] = LoadLE32(block + i * 4);
  uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];

  MD5_STEP(MD5_F, a, b, c, d, x[0], 0xd76aa478u, 7);
  MD5_STEP(MD5_F, d, a, b, c, x[1], 0xe8c7b756u, 12);
  MD5_STEP(MD5_F, c, d, a, b, x[2], 0x242070dbu, 17);
  MD5_STEP(MD5_F, b, c, d, a, x[3], 0xc1bdceeeu, 22);
  MD5_STEP(MD5_F, a, b, c, d, x[4], 0xf57c0fafu, 7);
  MD5_STEP(MD5_F, d, a, b, c, x[5], 0x4787c62au, 12);
  MD5_STEP(MD5_F, c, d, a, b, x[6], 0xa8304613u, 17);
  MD5_STEP(MD5_F, b, c, d, a, x[7], 0xfd469501u, 22);
  MD5_STEP(MD5_F, a, b, c, d, x[8], 0x698098d8u, 7);
  MD5_STEP(MD5_F, d, a, b, c, x[9], 0x8b44f7afu, 12);
  MD5_STEP(MD5_F, c, d, a, b, x[10], 0xffff5bb1u, 17);
  MD5_STEP(MD5_F, b, c, d, a, x[11], 0x895cd7beu, 22);
  MD5_STEP(MD5_F, a, b, c, d, x[12], 0x6b901122u, 7);
  MD5_STEP(MD5_F, d, a, b, c, x[13], 0xfd987193u, 12);
  MD5_STEP(MD5_F, c, d, a, b, x[14], 0xa679438eu, 17);
  MD5_STEP(MD5_F, b, c, d, a, x[15], 0x49b40821u, 22);

  MD5_G_STEP(a, b, c, d, x[1], 0xf61e2562u, 5);
  MD5_G_STEP(d, a, b, c, x[6], 0xc040b340u, 9);
  MD5_G_STEP(c, d, a, b, x[11], 0x265e5a51u, 14);
  MD5_G_STEP(b, c, d, a, x[0], 0xe9b6c7aau, 20);
  MD5_G_STEP(a, b, c, d, x[5], 0xd62f105du, 5);
  MD5_G_STEP(d, a, b, c, x[10], 0x02441453u, 9);
  MD5_G_STEP(c, d, a, b, x[15], 0xd8a1e681u, 14);
  MD5_G_STEP(b, c, d, a, x[4], 0xe7d3fbc8u, 20);
  MD5_G_STEP(a, b, c, d, x[9], 0x21e1cde6u, 5);
  MD5_G_STEP(d, a, b, c, x[14], 0xc33707d6u, 9);
  MD5_G_STEP(c, d, a, b, x[3], 0xf4d50d87u, 14);
  MD5_G_STEP(b, c, d, a, x[8], 0x455a14edu, 20);
  MD5_G_STEP(a, b, c, d, x[13], 0xa9e3e905u, 5);
  MD5_G_STEP(d, a, b, c, x[2], 0xfcefa3f8u, 9);
  MD5_G_STEP(c, d, a, b, x[7], 0x676f02d9u, 14);
  MD5_G_STEP(b, c, d, a, x[12], 0x8d2a4c8au, 20);

  MD5_STEP(MD5_H, a, b, c, d, x[5], 0xfffa3942u, 4);
  MD5_STEP(MD5_H, d, a, b, c, x[8], 0x8771f681u, 11);
  MD5_STEP(MD5_H, c, d, a, b, x[11], 0x6d9d6122u, 16);
  MD5_STEP(MD5_H, b, c, d, a, x[14], 0xfde5380cu, 23);
  MD5_STEP(MD5_H, a, b, c, d, x[1], 0xa4beea44u, 4);
  MD5_STEP(MD5_H, d, a, b, c, x[4], 0x4bdecfa9u, 11);
  MD5_STEP(MD5_H, c, d, a, b, x[7], 0xf6bb4b60u, 16);
  MD5_STEP(MD5_H, b, c, d, a, x[10], 0xbebfbc70u, 23);
  MD5_STEP(MD5_H, a, b, c, d, x[13], 0x289b7ec6u, 4);
  MD5_STEP(MD5_H, d, a, b, c, x[0], 0xeaa127fau, 11);
  MD5_STEP(MD5_H, c, d, a, b, x[3], 0xd4ef3085u, 16);
  MD5_STEP(MD5_H, b, c, d, a, x[6], 0x04881d05u, 23);
  MD5_STEP(MD5_H, a, b, c, d, x[9], 0xd9d4d039u, 4);
  MD5_STEP(MD5_H, d, a, b, c, x[12], 0xe6db99e5u, 11);
  MD5_STEP(MD5_H, c, d, a, b, x[15], 0x1fa27cf8u, 16);
  MD5_STEP(MD5_H, b, c, d, a, x[2], 0xc4ac5665u, 23);

  MD5_STEP(MD5_I, a, b, c, d, x[0], 0xf4292244u, 6);
  MD5_STEP(MD5_I, d, a, b, c, x[7], 0x432aff97u, 10);
  MD5_STEP(MD5_I, c, d, a, b, x[14], 0xab9423a7u, 15);
  MD5_STEP(MD5_I, b, c, d, a, x[5], 0xfc93a039u, 21);
  MD5_STEP(MD5_I, a, b, c, d, x[12], 0x655b59c3u, 6);
  MD5_STEP(MD5_I, d, a, b, c, x[3], 0x8f0ccc92u, 10);
  MD5_STEP(MD5_I, c, d, a, b, x[10], 0xffeff47du, 15);
  MD5_STEP(MD5_I, b, c, d, a, x[1], 0x85845dd1u, 21);
  MD5_STEP(MD5_I, a, b, c, d, x[8], 0x6fa87e4fu, 6);
  MD5_STEP(MD5_I, d, a, b, c, x[15], 0xfe2ce6e0u, 10);
  MD5_STEP(MD5_I, c, d, a, b, x[6], 0xa3014314u, 15);
  MD5_STEP(MD5_I, b, c, d, a, x[13], 0x4e0811a1u, 21);
  MD5_STEP(MD5_I, a, b, c, d, x[4], 0xf7537e82u, 6);
  MD5_STEP(MD5_I, d, a, b, c, x[11], 0xbd3af235u, 10);
  MD5_STEP(MD5_I, c, d, a, b, x[2], 0x2ad7d2bbu, 15);
  MD5_STEP(MD5_I, b, c, d, a, x[9], 0xeb86d391u, 21);

  state_[0] += a;
  state_[1] += b;
  state_[2] += c;
  state_[3] += d;
}
