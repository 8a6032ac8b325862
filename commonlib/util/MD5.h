// MD5 message digest (RFC 1321) over a byte string or over an open file.
#pragma once

#include <cstdint>
#include <cstdio>

class MD5 {
 public:
  // Called after every 1,024-byte chunk of the file form with the bytes digested so far.
  typedef void (*ProgressHook)(int64_t bytesDone);

  MD5(const unsigned char* data, uint32_t length);
  // Reads the file from its current position to its end, then closes it with fclose.
  explicit MD5(FILE* file);

  void update(const unsigned char* input, uint32_t length);
  void finalize();
  // 32 lower-case hex digits; an empty text before finalize.
  const char* hex_digest();
  // The same digits and a NUL into out (room for 33); nothing before finalize.
  void hex_digest_wide(wchar_t* out) const;

  // The process-wide progress hook of the file form (null: none).
  static void SetProgressHook(ProgressHook hook);
  static ProgressHook GetProgressHook();

 private:
  void init();
  void transform(const unsigned char block[64]);

  int* abort_;
  uint32_t state_[4];
  uint32_t count_[2];
  unsigned char buffer_[64];
  unsigned char digest_[16];
  bool finalized_;
  char hex_[33];
};
