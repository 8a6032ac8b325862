// Text-mode streams of the Windows C runtime over a host descriptor: "\n" is written as
// "\r\n", "\r\n" reads as "\n", and Ctrl-Z ends the text. Positions are byte offsets.
#pragma once
#include <stdio.h>

namespace jf {

class FileTextStream {
 public:
  // Wraps `fd` (owned from now on) in a stream with the host's `mode` ("r", "w+", ...).
  // Null with errno set when the stream cannot be made (the descriptor is closed then).
  static FILE* Open(int fd, const char* mode);

 private:
  static ssize_t Read(void* cookie, char* buf, size_t size);
  static ssize_t Write(void* cookie, const char* buf, size_t size);
  static int Seek(void* cookie, off64_t* offset, int whence);
  static int Close(void* cookie);
};

}  // namespace jf
