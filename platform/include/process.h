// The C runtime's thread functions.
#pragma once
#include <cstdint>

#include "windef.h"

// Starts a thread running `start(arg)`; returns its handle (close it with CloseHandle), or
// 0 with errno set. `initflag` may be CREATE_SUSPENDED; `thrdaddr` receives the thread id.
uintptr_t _beginthreadex(void* security, unsigned stackSize, unsigned(__stdcall* start)(void*), void* arg,
                         unsigned initflag, unsigned* thrdaddr);
// Ends the calling thread with an exit code, as if its start routine had returned it.
[[noreturn]] void _endthreadex(unsigned exitCode);
