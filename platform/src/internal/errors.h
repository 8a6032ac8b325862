// errno -> Win32 error number, because those numbers travel into error pairs, logs and reports.
#pragma once
#include <windef.h>

namespace jf {

// `forPath`: ENOENT on a path whose folder is missing maps to ERROR_PATH_NOT_FOUND (3)
// instead of ERROR_FILE_NOT_FOUND (2); the caller knows which one it asked for.
DWORD Win32FromErrno(int err, bool folderMissing = false);
// SetLastError(Win32FromErrno(errno)) and returns the code.
DWORD SetLastErrorFromErrno(int err, bool folderMissing = false);

}  // namespace jf
