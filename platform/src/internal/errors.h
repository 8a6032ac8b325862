// errno -> Win32 error number, because those numbers travel into error pairs, logs and reports.
#pragma once
#include <windef.h>

#include "platform/src/internal/trace.h"

namespace jf {

// `forPath`: ENOENT on a path whose folder is missing maps to ERROR_PATH_NOT_FOUND (3)
// instead of ERROR_FILE_NOT_FOUND (2); the caller knows which one it asked for.
DWORD Win32FromErrno(int err, bool folderMissing = false);
// A failing call: sets the last error (SetFailureFromErrno: Win32FromErrno(err)) and, when
// its area's channel is on, traces the code with the name of the function that failed.
// Both return the code. Use the macros below.
DWORD SetFailure(TraceChannel channel, const char* function, DWORD code);
DWORD SetFailureFromErrno(TraceChannel channel, const char* function, int err, bool folderMissing = false);

}  // namespace jf

// JF_SET_ERROR(Files, ERROR_FILE_NOT_FOUND): the call fails with that code.
#define JF_SET_ERROR(area, code) ::jf::SetFailure(::jf::kTrace##area, __func__, (code))
// JF_SET_ERRNO(Files, errno [, folderMissing]): the call fails with the error of a host call.
#define JF_SET_ERRNO(area, ...) ::jf::SetFailureFromErrno(::jf::kTrace##area, __func__, __VA_ARGS__)
