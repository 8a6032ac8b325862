// Digests a file with the program's MD5 (the file form, as the installer checks a
// download) and prints the digest and the throughput. Exit code 0 when it could be read.
#include <chrono>
#include <cstdio>

#include "commonlib/util/MD5.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: md5_bench FILE\n");
    return 2;
  }
  FILE* f = std::fopen(argv[1], "rb");
  if (!f) return 1;
  std::fseek(f, 0, SEEK_END);
  double size = static_cast<double>(std::ftell(f));
  std::fseek(f, 0, SEEK_SET);
  auto start = std::chrono::steady_clock::now();
  MD5 md5(f);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%s %.3f s %.1f MiB/s\n", md5.hex_digest(), seconds, size / 1048576.0 / seconds);
  return 0;
}
