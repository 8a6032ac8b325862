#include "platform/src/files/FileTextStream.h"

#include <errno.h>
#include <unistd.h>

#include <string>

namespace jf {
namespace {

struct Cookie {
  int fd;
  char buf[4096];
  size_t pos = 0, len = 0;  // raw bytes read ahead of the caller
  bool ended = false;       // Ctrl-Z seen
};

bool WriteAll(int fd, const char* p, size_t n) {
  while (n) {
    ssize_t w = write(fd, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    p += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

// The next raw byte without taking it: -1 at the end, -2 on an error.
int Peek(Cookie* c) {
  while (c->pos == c->len) {
    ssize_t n = read(c->fd, c->buf, sizeof c->buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -2;
    if (n == 0) return -1;
    c->pos = 0;
    c->len = static_cast<size_t>(n);
  }
  return static_cast<unsigned char>(c->buf[c->pos]);
}

// Gives back the bytes read ahead, so the descriptor's position is the caller's.
bool DropReadAhead(Cookie* c) {
  if (c->len > c->pos && lseek64(c->fd, -static_cast<off64_t>(c->len - c->pos), SEEK_CUR) < 0) return false;
  c->pos = c->len = 0;
  return true;
}

}  // namespace

FILE* FileTextStream::Open(int fd, const char* mode) {
  auto* cookie = new Cookie{fd, {}, 0, 0, false};
  cookie_io_functions_t io = {Read, Write, Seek, Close};
  FILE* f = fopencookie(cookie, mode, io);
  if (!f) {
    int err = errno;
    close(fd);
    delete cookie;
    errno = err;
  }
  return f;
}

ssize_t FileTextStream::Read(void* cookie, char* buf, size_t size) {
  auto* c = static_cast<Cookie*>(cookie);
  size_t out = 0;
  while (out < size && !c->ended) {
    int b = Peek(c);
    if (b == -2) return out ? static_cast<ssize_t>(out) : -1;
    if (b < 0) break;
    ++c->pos;
    if (b == 0x1A) {
      c->ended = true;
      break;
    }
    if (b == '\r' && Peek(c) == '\n') {
      ++c->pos;
      b = '\n';
    }
    buf[out++] = static_cast<char>(b);
  }
  return static_cast<ssize_t>(out);
}

ssize_t FileTextStream::Write(void* cookie, const char* buf, size_t size) {
  auto* c = static_cast<Cookie*>(cookie);
  if (!DropReadAhead(c)) return -1;
  std::string out;
  out.reserve(size + size / 16);
  for (size_t i = 0; i < size; ++i) {
    if (buf[i] == '\n') out += '\r';
    out += buf[i];
  }
  return WriteAll(c->fd, out.data(), out.size()) ? static_cast<ssize_t>(size) : -1;
}

int FileTextStream::Seek(void* cookie, off64_t* offset, int whence) {
  auto* c = static_cast<Cookie*>(cookie);
  if (!DropReadAhead(c)) return -1;
  off64_t pos = lseek64(c->fd, *offset, whence);
  if (pos < 0) return -1;
  c->ended = false;
  *offset = pos;
  return 0;
}

int FileTextStream::Close(void* cookie) {
  auto* c = static_cast<Cookie*>(cookie);
  int rc = close(c->fd);
  delete c;
  return rc;
}

}  // namespace jf
