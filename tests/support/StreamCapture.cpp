#include "tests/support/StreamCapture.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>

std::string CaptureStream(int fd, const std::function<void()>& write) {
  char path[] = "/tmp/jf-stream-XXXXXX";
  int file = mkstemp(path);
  if (file < 0) return "<no temp file>";
  fflush(nullptr);
  int saved = dup(fd);
  dup2(file, fd);
  write();
  fflush(nullptr);
  dup2(saved, fd);
  close(saved);
  std::string out;
  char bytes[4096];
  off_t at = 0;
  for (ssize_t n; (n = pread(file, bytes, sizeof bytes, at)) > 0; at += n) out.append(bytes, size_t(n));
  close(file);
  unlink(path);
  return out;
}
