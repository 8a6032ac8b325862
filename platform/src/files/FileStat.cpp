#include "platform/src/files/FilesArea.h"

#include <errno.h>

#include <errhandlingapi.h>
#include "platform/src/internal/errors.h"
#include <windows/files.h>
#include "platform/src/internal/paths.h"
#include <winerror.h>

namespace jf {

namespace {
// 100-ns intervals between 1601-01-01 and 1970-01-01.
constexpr uint64_t kEpochDelta = 116444736000000000ULL;
}  // namespace

bool IsReadOnlyFile(const struct stat& st) { return !S_ISDIR(st.st_mode) && !(st.st_mode & 0222); }

DWORD AttributesFromStat(const struct stat& st) {
  DWORD attrs = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
  if (IsReadOnlyFile(st)) attrs |= FILE_ATTRIBUTE_READONLY;
  return attrs;
}

FILETIME FileTimeFromTimespec(const struct timespec& ts) {
  uint64_t t = kEpochDelta;
  if (ts.tv_sec >= 0) t += static_cast<uint64_t>(ts.tv_sec) * 10000000ULL + static_cast<uint64_t>(ts.tv_nsec) / 100;
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(t);
  ft.dwHighDateTime = static_cast<DWORD>(t >> 32);
  return ft;
}

struct timespec TimespecFromFileTime(const FILETIME& ft) {
  uint64_t t = (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  struct timespec ts;
  if (t < kEpochDelta) t = kEpochDelta;
  t -= kEpochDelta;
  ts.tv_sec = static_cast<time_t>(t / 10000000ULL);
  ts.tv_nsec = static_cast<long>((t % 10000000ULL) * 100);
  return ts;
}

DWORD SetPathFailure(TraceChannel channel, const char* function, int err, const std::string& hostPath) {
  bool folderMissing = false;
  if (err == ENOENT) {
    std::string parent = hostPath;
    while (parent.size() > 1 && parent.back() == '/') parent.pop_back();
    size_t slash = parent.rfind('/');
    parent = slash == std::string::npos ? "." : (slash == 0 ? "/" : parent.substr(0, slash));
    struct stat st;
    folderMissing = stat(parent.c_str(), &st) != 0 || !S_ISDIR(st.st_mode);
  }
  return SetFailureFromErrno(channel, function, err, folderMissing);
}

bool MapPathArg(const wchar_t* winPath, std::string& hostPath) {
  if (!winPath) {
    JF_SET_ERROR(Files, ERROR_INVALID_PARAMETER);
    return false;
  }
  return HostPathFromWin(winPath, hostPath);
}

}  // namespace jf
