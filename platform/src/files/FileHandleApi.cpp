// CreateFileW and the calls on its handles.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "platform/src/files/FileObject.h"
#include "platform/src/files/FilesArea.h"
#include <errhandlingapi.h>
#include "platform/src/internal/errors.h"
#include <windows/files.h>
#include <winerror.h>

namespace {

int OpenFlagsFor(DWORD access) {
  bool r = access & (GENERIC_READ | GENERIC_ALL | GENERIC_EXECUTE);
  bool w = access & (GENERIC_WRITE | GENERIC_ALL);
  if (r && w) return O_RDWR;
  if (w) return O_WRONLY;
  return O_RDONLY;
}

HANDLE Fail(int fd, DWORD code) {
  if (fd >= 0) close(fd);
  JF_SET_ERROR(Files, code);
  return INVALID_HANDLE_VALUE;
}

// What the open's flags tell the kernel about the reads to come: a file read in order is read
// further ahead.
void AdviseReads(int fd, DWORD flags) {
  if (flags & FILE_FLAG_SEQUENTIAL_SCAN) posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
}

// The share check and the registration of an open are one step for the process.
std::mutex g_openLock;

}  // namespace

HANDLE CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                   LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                   DWORD dwFlagsAndAttributes, HANDLE /*hTemplateFile*/) {
  std::string host;
  if (!jf::MapPathArg(lpFileName, host)) return INVALID_HANDLE_VALUE;
  if (dwCreationDisposition < CREATE_NEW || dwCreationDisposition > TRUNCATE_EXISTING ||
      (dwCreationDisposition == TRUNCATE_EXISTING && !(dwDesiredAccess & (GENERIC_WRITE | GENERIC_ALL)))) {
    return Fail(-1, ERROR_INVALID_PARAMETER);
  }
  bool inherit = lpSecurityAttributes && lpSecurityAttributes->bInheritHandle;
  int base = OpenFlagsFor(dwDesiredAccess) | (inherit ? 0 : O_CLOEXEC);
  if (dwFlagsAndAttributes & FILE_FLAG_WRITE_THROUGH) base |= O_DSYNC;

  struct stat st;
  if (stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    // A folder opens only for its attributes and times, and only when asked for explicitly.
    if (!(dwFlagsAndAttributes & FILE_FLAG_BACKUP_SEMANTICS) || dwCreationDisposition == CREATE_NEW ||
        dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == TRUNCATE_EXISTING) {
      return Fail(-1, dwCreationDisposition == CREATE_NEW ? ERROR_FILE_EXISTS : ERROR_ACCESS_DENIED);
    }
    int fd = open(host.c_str(), O_RDONLY | O_DIRECTORY | (inherit ? 0 : O_CLOEXEC));
    if (fd < 0) return Fail(-1, JF_SET_PATH_ERROR(Files, errno, host));
    auto obj = std::make_shared<jf::FileObject>(fd, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                st.st_dev, st.st_ino, host, false);
    SetLastError(ERROR_SUCCESS);
    return jf::RegisterHandle(obj);
  }

  mode_t mode = (dwFlagsAndAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
  bool existed = false;
  int fd = -1;
  switch (dwCreationDisposition) {
    case CREATE_NEW:
      fd = open(host.c_str(), base | O_CREAT | O_EXCL, mode);
      if (fd < 0) return Fail(-1, errno == EEXIST ? ERROR_FILE_EXISTS : JF_SET_PATH_ERROR(Files, errno, host));
      break;
    case CREATE_ALWAYS:
    case OPEN_ALWAYS:
      fd = open(host.c_str(), base | O_CREAT | O_EXCL, mode);
      if (fd < 0 && errno == EEXIST) {
        existed = true;
        fd = open(host.c_str(), base);
      }
      if (fd < 0) return Fail(-1, JF_SET_PATH_ERROR(Files, errno, host));
      break;
    default:  // OPEN_EXISTING, TRUNCATE_EXISTING
      existed = true;
      fd = open(host.c_str(), base);
      if (fd < 0) return Fail(-1, JF_SET_PATH_ERROR(Files, errno, host));
      break;
  }
  if (fstat(fd, &st) != 0) return Fail(fd, jf::Win32FromErrno(errno));
  if (existed && jf::IsReadOnlyFile(st) &&
      ((dwDesiredAccess & (GENERIC_WRITE | GENERIC_ALL)) || dwCreationDisposition == CREATE_ALWAYS)) {
    return Fail(fd, ERROR_ACCESS_DENIED);
  }
  std::unique_lock<std::mutex> shareGuard(g_openLock);
  if (!jf::FileObject::ShareAllows(st.st_dev, st.st_ino, dwDesiredAccess, dwShareMode)) {
    return Fail(fd, ERROR_SHARING_VIOLATION);
  }
  if (existed && (dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == TRUNCATE_EXISTING)) {
    if (ftruncate(fd, 0) != 0) return Fail(fd, jf::Win32FromErrno(errno));
  }
  auto obj = std::make_shared<jf::FileObject>(fd, dwDesiredAccess, dwShareMode, st.st_dev, st.st_ino, host,
                                              (dwFlagsAndAttributes & FILE_FLAG_DELETE_ON_CLOSE) != 0);
  shareGuard.unlock();
  AdviseReads(fd, dwFlagsAndAttributes);
  HANDLE h = jf::RegisterHandle(obj);
  bool reportExisting =
      existed && (dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS);
  SetLastError(reportExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return h;
}

HANDLE ReOpenFile(HANDLE hOriginalFile, DWORD dwDesiredAccess, DWORD dwShareMode, DWORD dwFlagsAndAttributes) {
  auto original = jf::FileObject::FromHandle(hOriginalFile);
  if (!original) return INVALID_HANDLE_VALUE;
  struct stat st;
  if (fstat(original->fd(), &st) != 0) return Fail(-1, jf::Win32FromErrno(errno));
  // Only a file has a name to open again; a pipe or a folder has none.
  if (!S_ISREG(st.st_mode)) return Fail(-1, ERROR_INVALID_PARAMETER);
  int flags = OpenFlagsFor(dwDesiredAccess) | O_CLOEXEC;
  if (dwFlagsAndAttributes & FILE_FLAG_WRITE_THROUGH) flags |= O_DSYNC;
  // A new open of the file itself, with a position of its own, wherever its name went since.
  const std::string self = "/proc/self/fd/" + std::to_string(original->fd());
  int fd = open(self.c_str(), flags);
  if (fd < 0) return Fail(-1, jf::Win32FromErrno(errno));
  if (jf::IsReadOnlyFile(st) && (dwDesiredAccess & (GENERIC_WRITE | GENERIC_ALL))) return Fail(fd, ERROR_ACCESS_DENIED);
  std::unique_lock<std::mutex> shareGuard(g_openLock);
  if (!jf::FileObject::ShareAllows(st.st_dev, st.st_ino, dwDesiredAccess, dwShareMode)) {
    return Fail(fd, ERROR_SHARING_VIOLATION);
  }
  auto obj = std::make_shared<jf::FileObject>(fd, dwDesiredAccess, dwShareMode, st.st_dev, st.st_ino, self, false);
  shareGuard.unlock();
  AdviseReads(fd, dwFlagsAndAttributes);
  SetLastError(ERROR_SUCCESS);
  return jf::RegisterHandle(obj);
}

namespace {

// Moves bytes between a handle and a buffer until all are done, the end of the file is
// reached (reading) or an error occurs. With an OVERLAPPED the offset is its own and the
// file pointer stays where it is; the call still completes before returning.
BOOL Transfer(HANDLE hFile, char* buffer, DWORD count, LPDWORD done, LPOVERLAPPED overlapped, bool writing) {
  if (done) *done = 0;
  auto file = jf::FileObject::FromHandle(hFile);
  if (!file) return FALSE;
  if (writing ? !file->CanWrite() : !file->CanRead()) {
    JF_SET_ERROR(Files, ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (!buffer && count) {
    JF_SET_ERROR(Files, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  uint64_t given = overlapped ? (static_cast<uint64_t>(overlapped->OffsetHigh) << 32) | overlapped->Offset : 0;
  if (given > static_cast<uint64_t>(INT64_MAX) - count) {
    // Past any file: never fall back to the file pointer for it.
    JF_SET_ERROR(Files, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  off_t offset = overlapped ? static_cast<off_t>(given) : -1;
  DWORD moved = 0;
  BOOL ok = TRUE;
  while (moved < count) {
    size_t left = count - moved;
    ssize_t n;
    if (writing) {
      n = offset >= 0 ? pwrite(file->fd(), buffer + moved, left, offset + moved) : write(file->fd(), buffer + moved, left);
    } else {
      n = offset >= 0 ? pread(file->fd(), buffer + moved, left, offset + moved) : read(file->fd(), buffer + moved, left);
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      JF_SET_ERRNO(Files, errno);
      ok = FALSE;
      break;
    }
    if (n == 0) break;
    moved += static_cast<DWORD>(n);
  }
  if (done) *done = moved;
  if (overlapped) overlapped->InternalHigh = moved;
  if (ok && !writing && overlapped && moved == 0 && count) {
    // Reading at or past the end with an explicit offset is reported, as Windows does.
    JF_SET_ERROR(Files, ERROR_HANDLE_EOF);
    return FALSE;
  }
  return ok;
}

}  // namespace

BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
              LPOVERLAPPED lpOverlapped) {
  return Transfer(hFile, static_cast<char*>(lpBuffer), nNumberOfBytesToRead, lpNumberOfBytesRead, lpOverlapped, false);
}

BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
               LPOVERLAPPED lpOverlapped) {
  return Transfer(hFile, static_cast<char*>(const_cast<void*>(lpBuffer)), nNumberOfBytesToWrite,
                  lpNumberOfBytesWritten, lpOverlapped, true);
}

BOOL SetFilePointerEx(HANDLE hFile, LARGE_INTEGER liDistanceToMove, PLARGE_INTEGER lpNewFilePointer,
                      DWORD dwMoveMethod) {
  auto file = jf::FileObject::FromHandle(hFile);
  if (!file) return FALSE;
  int whence = dwMoveMethod == FILE_BEGIN ? SEEK_SET : dwMoveMethod == FILE_CURRENT ? SEEK_CUR
             : dwMoveMethod == FILE_END   ? SEEK_END : -1;
  if (whence < 0) {
    JF_SET_ERROR(Files, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  off_t base = whence == SEEK_SET ? 0 : lseek(file->fd(), 0, whence);
  if (base < 0) {
    JF_SET_ERRNO(Files, errno);
    return FALSE;
  }
  if (liDistanceToMove.QuadPart < 0 && -liDistanceToMove.QuadPart > base) {
    JF_SET_ERROR(Files, ERROR_NEGATIVE_SEEK);
    return FALSE;
  }
  if (liDistanceToMove.QuadPart > INT64_MAX - base) {
    JF_SET_ERROR(Files, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  off_t pos = lseek(file->fd(), base + liDistanceToMove.QuadPart, SEEK_SET);
  if (pos < 0) {
    JF_SET_ERRNO(Files, errno);
    return FALSE;
  }
  if (lpNewFilePointer) lpNewFilePointer->QuadPart = pos;
  return TRUE;
}

DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh, DWORD dwMoveMethod) {
  LARGE_INTEGER dist;
  if (lpDistanceToMoveHigh) {
    dist.QuadPart = static_cast<LONGLONG>((static_cast<uint64_t>(static_cast<uint32_t>(*lpDistanceToMoveHigh)) << 32) |
                                          static_cast<uint32_t>(lDistanceToMove));
  } else {
    dist.QuadPart = lDistanceToMove;
  }
  auto file = jf::FileObject::FromHandle(hFile);
  if (!file) return INVALID_SET_FILE_POINTER;
  off_t before = lseek(file->fd(), 0, SEEK_CUR);
  LARGE_INTEGER pos;
  if (!SetFilePointerEx(hFile, dist, &pos, dwMoveMethod)) return INVALID_SET_FILE_POINTER;
  if (!lpDistanceToMoveHigh && pos.QuadPart > 0xFFFFFFFELL) {
    // The position does not fit the 32-bit answer: leave the pointer where it was.
    lseek(file->fd(), before, SEEK_SET);
    JF_SET_ERROR(Files, ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  if (lpDistanceToMoveHigh) *lpDistanceToMoveHigh = static_cast<LONG>(pos.QuadPart >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(pos.QuadPart);
}

// The file behind a handle opened for writing; null with the last error otherwise.
static std::shared_ptr<jf::FileObject> WritableFile(HANDLE hFile) {
  auto file = jf::FileObject::FromHandle(hFile);
  if (file && !file->CanWrite()) {
    JF_SET_ERROR(Files, ERROR_ACCESS_DENIED);
    return nullptr;
  }
  return file;
}

BOOL SetEndOfFile(HANDLE hFile) {
  auto file = WritableFile(hFile);
  if (!file) return FALSE;
  off_t pos = lseek(file->fd(), 0, SEEK_CUR);
  if (pos < 0 || ftruncate(file->fd(), pos) != 0) {
    JF_SET_ERRNO(Files, errno);
    return FALSE;
  }
  return TRUE;
}

BOOL FlushFileBuffers(HANDLE hFile) {
  auto file = WritableFile(hFile);
  if (!file) return FALSE;
  if (fsync(file->fd()) != 0) {
    JF_SET_ERRNO(Files, errno);
    return FALSE;
  }
  return TRUE;
}

// The status of the file behind a handle; false with the last error set.
static bool StatHandle(HANDLE hFile, struct stat& st) {
  auto file = jf::FileObject::FromHandle(hFile);
  if (!file) return false;
  if (fstat(file->fd(), &st) != 0) {
    JF_SET_ERRNO(Files, errno);
    return false;
  }
  return true;
}

BOOL GetFileSizeEx(HANDLE hFile, PLARGE_INTEGER lpFileSize) {
  struct stat st;
  if (!StatHandle(hFile, st)) return FALSE;
  if (lpFileSize) lpFileSize->QuadPart = S_ISDIR(st.st_mode) ? 0 : st.st_size;
  return TRUE;
}

DWORD GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(hFile, &size)) return INVALID_FILE_SIZE;
  if (lpFileSizeHigh) *lpFileSizeHigh = static_cast<DWORD>(size.QuadPart >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(size.QuadPart);
}

BOOL GetFileTime(HANDLE hFile, LPFILETIME lpCreationTime, LPFILETIME lpLastAccessTime, LPFILETIME lpLastWriteTime) {
  struct stat st;
  if (!StatHandle(hFile, st)) return FALSE;
  // The host keeps no creation time everywhere; the last write stands in for it.
  if (lpCreationTime) *lpCreationTime = jf::FileTimeFromTimespec(st.st_mtim);
  if (lpLastAccessTime) *lpLastAccessTime = jf::FileTimeFromTimespec(st.st_atim);
  if (lpLastWriteTime) *lpLastWriteTime = jf::FileTimeFromTimespec(st.st_mtim);
  return TRUE;
}

BOOL GetFileInformationByHandle(HANDLE hFile, LPBY_HANDLE_FILE_INFORMATION lpFileInformation) {
  struct stat st;
  if (!StatHandle(hFile, st)) return FALSE;
  if (!lpFileInformation) {
    JF_SET_ERROR(Files, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  BY_HANDLE_FILE_INFORMATION& info = *lpFileInformation;
  info.dwFileAttributes = jf::AttributesFromStat(st);
  info.ftCreationTime = jf::FileTimeFromTimespec(st.st_mtim);
  info.ftLastAccessTime = jf::FileTimeFromTimespec(st.st_atim);
  info.ftLastWriteTime = jf::FileTimeFromTimespec(st.st_mtim);
  // The device number stands for the volume; folded to the serial's 32 bits.
  const uint64_t device = static_cast<uint64_t>(st.st_dev);
  info.dwVolumeSerialNumber = static_cast<DWORD>(device ^ (device >> 32));
  const uint64_t size = S_ISDIR(st.st_mode) ? 0 : static_cast<uint64_t>(st.st_size);
  info.nFileSizeHigh = static_cast<DWORD>(size >> 32);
  info.nFileSizeLow = static_cast<DWORD>(size);
  info.nNumberOfLinks = static_cast<DWORD>(st.st_nlink);
  const uint64_t index = static_cast<uint64_t>(st.st_ino);
  info.nFileIndexHigh = static_cast<DWORD>(index >> 32);
  info.nFileIndexLow = static_cast<DWORD>(index);
  return TRUE;
}

BOOL SetFileTime(HANDLE hFile, const FILETIME* /*lpCreationTime*/, const FILETIME* lpLastAccessTime,
                 const FILETIME* lpLastWriteTime) {
  auto file = jf::FileObject::FromHandle(hFile);
  if (!file) return FALSE;
  struct timespec times[2];
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_nsec = UTIME_OMIT;
  if (lpLastAccessTime) times[0] = jf::TimespecFromFileTime(*lpLastAccessTime);
  if (lpLastWriteTime) times[1] = jf::TimespecFromFileTime(*lpLastWriteTime);
  if (futimens(file->fd(), times) != 0) {
    JF_SET_ERRNO(Files, errno);
    return FALSE;
  }
  return TRUE;
}
