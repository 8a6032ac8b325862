#include <errno.h>

#include <errhandlingapi.h>
#include "platform/src/internal/errors.h"
#include <winerror.h>

namespace {
thread_local DWORD t_lastError = 0;
}

DWORD GetLastError() { return t_lastError; }
void SetLastError(DWORD code) { t_lastError = code; }

namespace jf {

DWORD Win32FromErrno(int err, bool folderMissing) {
  switch (err) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return folderMissing ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENOSPC: return ERROR_DISK_FULL;
    case EDQUOT: return ERROR_DISK_QUOTA_EXCEEDED;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case EBADF: return ERROR_INVALID_HANDLE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case EXDEV: return ERROR_NOT_SAME_DEVICE;
    case EBUSY:
    case ETXTBSY: return ERROR_SHARING_VIOLATION;
    case EAGAIN: return ERROR_LOCK_VIOLATION;
    case EIO: return ERROR_GEN_FAILURE;
    case EFBIG: return ERROR_FILE_TOO_LARGE;
    case ESPIPE: return ERROR_SEEK;
    case EPIPE: return ERROR_BROKEN_PIPE;
    case ELOOP: return ERROR_CANT_RESOLVE_FILENAME;
    case ESRCH: return ERROR_INVALID_PARAMETER;
    case ETIMEDOUT: return ERROR_TIMEOUT;
    case ECANCELED: return ERROR_OPERATION_ABORTED;
    case ENOSYS:
    case ENOTSUP: return ERROR_NOT_SUPPORTED;
    default: return ERROR_GEN_FAILURE;
  }
}

DWORD SetFailure(TraceChannel channel, const char* function, DWORD code) {
  SetLastError(code);
  if (code != ERROR_SUCCESS && TraceOn(channel)) {
    TracePrintf(channel, "fail", function, "error %lu", static_cast<unsigned long>(code));
  }
  return code;
}

DWORD SetFailureFromErrno(TraceChannel channel, const char* function, int err, bool folderMissing) {
  return SetFailure(channel, function, Win32FromErrno(err, folderMissing));
}

}  // namespace jf
