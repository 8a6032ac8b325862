// The C runtime's low-level file calls.
#pragma once
#include <cstdint>

// The system handle behind a runtime file descriptor (as from _fileno), or -1 with errno
// EBADF. The descriptor owns it: never close it.
intptr_t _get_osfhandle(int fd);
