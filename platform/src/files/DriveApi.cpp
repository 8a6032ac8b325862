// Drives: the letters of the drive map, all fixed disks, and their free space.
#include <errno.h>
#include <sys/statvfs.h>

#include <map>
#include <mutex>
#include <string>

#include "platform/src/files/FilesArea.h"
#include <errhandlingapi.h>
#include "platform/src/internal/errors.h"
#include <windows/files.h>
#include "platform/src/internal/paths.h"
#include <winerror.h>
#include "platform/testing/hooks/teststate.h"

namespace {
std::mutex g_freeLock;
std::map<wchar_t, int64_t> g_freeOverride;

wchar_t Upper(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c; }
}  // namespace

namespace jf {
void SetDiskFreeSpaceForTests(wchar_t drive, int64_t freeBytes) {
  std::lock_guard<std::mutex> lock(g_freeLock);
  if (freeBytes < 0) {
    g_freeOverride.erase(Upper(drive));
  } else {
    g_freeOverride[Upper(drive)] = freeBytes;
  }
}
}  // namespace jf

DWORD GetLogicalDriveStringsW(DWORD nBufferLength, LPWSTR lpBuffer) {
  std::wstring all;
  for (const auto& d : jf::MappedDrives()) {
    all += d.first;
    all += L":\\";
    all += L'\0';
  }
  // The list ends with a second terminator, which the returned length leaves out.
  if (!lpBuffer || nBufferLength < all.size() + 1) return static_cast<DWORD>(all.size() + 1);
  all.copy(lpBuffer, all.size());
  lpBuffer[all.size()] = 0;
  return static_cast<DWORD>(all.size());
}

UINT GetDriveTypeW(LPCWSTR lpRootPathName) {
  std::wstring root = lpRootPathName ? lpRootPathName : jf::CurrentWinDirectory();
  if (root.size() < 2 || root[1] != L':') return DRIVE_NO_ROOT_DIR;
  std::string host;
  return jf::DriveHostRoot(root[0], host) ? DRIVE_FIXED : DRIVE_NO_ROOT_DIR;
}

BOOL GetDiskFreeSpaceExW(LPCWSTR lpDirectoryName, PULARGE_INTEGER lpFreeBytesAvailableToCaller,
                         PULARGE_INTEGER lpTotalNumberOfBytes, PULARGE_INTEGER lpTotalNumberOfFreeBytes) {
  std::wstring dir = lpDirectoryName ? lpDirectoryName : jf::CurrentWinDirectory();
  // "D:" alone names the drive here, not its current folder.
  if (dir.size() == 2 && dir[1] == L':') dir += L'\\';
  std::string host;
  if (!jf::HostPathFromWin(dir, host)) return FALSE;
  struct statvfs vfs;
  if (statvfs(host.c_str(), &vfs) != 0) {
    JF_SET_ERRNO(Files, errno, true);
    return FALSE;
  }
  uint64_t unit = vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize;
  if (lpFreeBytesAvailableToCaller) lpFreeBytesAvailableToCaller->QuadPart = unit * vfs.f_bavail;
  if (lpTotalNumberOfBytes) lpTotalNumberOfBytes->QuadPart = unit * vfs.f_blocks;
  if (lpTotalNumberOfFreeBytes) lpTotalNumberOfFreeBytes->QuadPart = unit * vfs.f_bfree;
  std::wstring full;
  if (jf::FullWinPath(dir, full)) {
    std::lock_guard<std::mutex> lock(g_freeLock);
    auto it = g_freeOverride.find(Upper(full[0]));
    if (it != g_freeOverride.end()) {
      auto bytes = static_cast<ULONGLONG>(it->second);
      if (lpFreeBytesAvailableToCaller) lpFreeBytesAvailableToCaller->QuadPart = bytes;
      if (lpTotalNumberOfFreeBytes) lpTotalNumberOfFreeBytes->QuadPart = bytes;
      if (lpTotalNumberOfBytes && lpTotalNumberOfBytes->QuadPart < bytes) lpTotalNumberOfBytes->QuadPart = bytes;
    }
  }
  return TRUE;
}
