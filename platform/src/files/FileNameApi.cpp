// Calls on names in the file system: delete, move, copy, folders, attributes, temporary
// names and the program's own file name.
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <string>

#include "platform/src/files/FileObject.h"
#include "platform/src/files/FilesArea.h"
#include "platform/src/kernel/KernelArea.h"
#include <errhandlingapi.h>
#include "platform/src/internal/errors.h"
#include <windows/files.h>
#include <windows/kernel.h>
#include "platform/src/internal/paths.h"
#include "platform/src/internal/utf.h"
#include <winerror.h>

namespace {

BOOL FailWith(DWORD code) {
  JF_SET_ERROR(Files, code);
  return FALSE;
}

void SyncFolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    fsync(fd);
    close(fd);
  }
}

// Copies the bytes of `in` to `out`; false with the last error set.
bool CopyBytes(int in, int out) {
  char buf[65536];
  for (;;) {
    ssize_t n = read(in, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      JF_SET_ERRNO(Files, errno);
      return false;
    }
    if (n == 0) return true;
    for (ssize_t off = 0; off < n;) {
      ssize_t w = write(out, buf + off, static_cast<size_t>(n - off));
      if (w < 0 && errno == EINTR) continue;
      if (w < 0) {
        JF_SET_ERRNO(Files, errno);
        return false;
      }
      off += w;
    }
  }
}

// Copies a regular file's bytes, mode and times. The copy is made in a temporary file
// beside `dst` and put in its place only when complete, so a failed copy (a full disk)
// leaves `dst` as it was, whether it existed or not; the last error is set then.
bool CopyRegularFile(const std::string& src, const std::string& dst, bool failIfExists) {
  int in = open(src.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    JF_SET_PATH_ERROR(Files, errno, src);
    return false;
  }
  struct stat st;
  if (fstat(in, &st) != 0 || S_ISDIR(st.st_mode)) {
    close(in);
    JF_SET_ERROR(Files, ERROR_ACCESS_DENIED);
    return false;
  }
  struct stat dstSt;
  bool dstExisted = stat(dst.c_str(), &dstSt) == 0;
  if (dstExisted && (failIfExists || S_ISDIR(dstSt.st_mode) || jf::IsReadOnlyFile(dstSt))) {
    close(in);
    JF_SET_ERROR(Files, failIfExists ? ERROR_FILE_EXISTS : ERROR_ACCESS_DENIED);
    return false;
  }
  size_t slash = dst.rfind('/');
  std::string tmp = (slash == std::string::npos ? std::string() : dst.substr(0, slash + 1)) + ".jfcopy-XXXXXX";
  int out = mkostemp(&tmp[0], O_CLOEXEC);
  if (out < 0) {
    JF_SET_PATH_ERROR(Files, errno, dst);
    close(in);
    return false;
  }
  bool ok = CopyBytes(in, out);
  if (ok) {
    struct timespec times[2] = {st.st_atim, st.st_mtim};
    futimens(out, times);
    fchmod(out, st.st_mode & 07777);
  }
  if (close(out) != 0 && ok) {
    JF_SET_ERRNO(Files, errno);
    ok = false;
  }
  close(in);
  bool tmpLeft = true;
  if (ok) {
    int rc = failIfExists ? renameat2(AT_FDCWD, tmp.c_str(), AT_FDCWD, dst.c_str(), RENAME_NOREPLACE)
                          : rename(tmp.c_str(), dst.c_str());
    bool linked = false;
    if (rc != 0 && failIfExists && errno == EINVAL) {
      rc = link(tmp.c_str(), dst.c_str());  // file systems without RENAME_NOREPLACE
      linked = rc == 0;
    }
    if (rc != 0) {
      if (errno == EEXIST) {
        JF_SET_ERROR(Files, ERROR_FILE_EXISTS);
      } else {
        JF_SET_PATH_ERROR(Files, errno, dst);
      }
      ok = false;
    }
    tmpLeft = rc != 0 || linked;
  }
  if (tmpLeft) {
    DWORD err = GetLastError();
    unlink(tmp.c_str());
    JF_SET_ERROR(Files, err);
  }
  return ok;
}

// The status of a file named by the caller; false with the last error set.
bool StatArg(LPCWSTR name, std::string& host, struct stat& st) {
  if (!jf::MapPathArg(name, host)) return false;
  if (stat(host.c_str(), &st) != 0) {
    JF_SET_PATH_ERROR(Files, errno, host);
    return false;
  }
  return true;
}

}  // namespace

BOOL DeleteFileW(LPCWSTR lpFileName) {
  std::string host;
  if (!jf::MapPathArg(lpFileName, host)) return FALSE;
  struct stat st;
  if (lstat(host.c_str(), &st) != 0) {
    JF_SET_PATH_ERROR(Files, errno, host);
    return FALSE;
  }
  if (S_ISDIR(st.st_mode) || jf::IsReadOnlyFile(st)) return FailWith(ERROR_ACCESS_DENIED);
  if (!jf::FileObject::DeleteAllowed(host)) return FailWith(ERROR_SHARING_VIOLATION);
  if (unlink(host.c_str()) != 0) {
    JF_SET_PATH_ERROR(Files, errno, host);
    return FALSE;
  }
  return TRUE;
}

// Replaces an existing file as one step, by exchanging the two names and removing the
// old file. A plain rename over an existing file makes ext4 write the new file's data out
// first (milliseconds each time), which a replace on Windows does not; a file saved this
// way after every downloaded block would hold the download back. False (nothing changed)
// where the file system cannot exchange names, and for a program file (one with an execute
// bit): a program still running from it must keep its name, which a plain rename leaves it
// (the kernel names a replaced image by its own name), while an exchange would give it the
// new file's old name, so that it no longer reads as the program that was started.
static bool ReplaceByExchange(const std::string& src, const std::string& dst, const struct stat& dstSt) {
  if ((dstSt.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0) return false;
  if (renameat2(AT_FDCWD, src.c_str(), AT_FDCWD, dst.c_str(), RENAME_EXCHANGE) != 0) return false;
  if (unlink(src.c_str()) == 0) return true;
  // The old file could not go: put both back and let the caller rename.
  renameat2(AT_FDCWD, src.c_str(), AT_FDCWD, dst.c_str(), RENAME_EXCHANGE);
  return false;
}

BOOL MoveFileExW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, DWORD dwFlags) {
  std::string src, dst;
  if (!jf::MapPathArg(lpExistingFileName, src) || !jf::MapPathArg(lpNewFileName, dst)) return FALSE;
  if (dwFlags & MOVEFILE_DELAY_UNTIL_REBOOT) return FailWith(ERROR_NOT_SUPPORTED);
  struct stat srcSt, dstSt;
  if (lstat(src.c_str(), &srcSt) != 0) {
    JF_SET_PATH_ERROR(Files, errno, src);
    return FALSE;
  }
  if (!jf::FileObject::DeleteAllowed(src, srcSt)) return FailWith(ERROR_SHARING_VIOLATION);
  bool replace = dwFlags & MOVEFILE_REPLACE_EXISTING;
  bool same = false;
  if (lstat(dst.c_str(), &dstSt) == 0) {
    same = dstSt.st_dev == srcSt.st_dev && dstSt.st_ino == srcSt.st_ino;
    if (!same) {
      if (!replace) return FailWith(ERROR_ALREADY_EXISTS);
      if (S_ISDIR(dstSt.st_mode) || S_ISDIR(srcSt.st_mode) || jf::IsReadOnlyFile(dstSt))
        return FailWith(ERROR_ACCESS_DENIED);
      if (!jf::FileObject::DeleteAllowed(dst, dstSt)) return FailWith(ERROR_ACCESS_DENIED);
    }
  }
  int rc = -1;
  if (replace && !same && S_ISREG(dstSt.st_mode) && !(dwFlags & MOVEFILE_WRITE_THROUGH) &&
      ReplaceByExchange(src, dst, dstSt)) {
    rc = 0;
  } else {
    rc = (replace || same) ? rename(src.c_str(), dst.c_str())
                           : renameat2(AT_FDCWD, src.c_str(), AT_FDCWD, dst.c_str(), RENAME_NOREPLACE);
  }
  if (rc != 0 && !replace && errno == EINVAL) {
    // File systems without RENAME_NOREPLACE: the check above stands in for it.
    rc = rename(src.c_str(), dst.c_str());
  }
  if (rc != 0 && errno == EEXIST) return FailWith(ERROR_ALREADY_EXISTS);
  if (rc != 0 && errno == EXDEV) {
    if (!(dwFlags & MOVEFILE_COPY_ALLOWED)) return FailWith(ERROR_NOT_SAME_DEVICE);
    if (S_ISDIR(srcSt.st_mode)) return FailWith(ERROR_NOT_SAME_DEVICE);
    if (!CopyRegularFile(src, dst, !replace)) return FALSE;
    if (dwFlags & MOVEFILE_WRITE_THROUGH) {
      int fd = open(dst.c_str(), O_RDONLY | O_CLOEXEC);
      if (fd >= 0) {
        fsync(fd);
        close(fd);
      }
    }
    if (unlink(src.c_str()) != 0) {
      JF_SET_ERRNO(Files, errno);
      return FALSE;
    }
    rc = 0;
  }
  if (rc != 0) {
    JF_SET_PATH_ERROR(Files, errno, errno == ENOENT ? dst : src);
    return FALSE;
  }
  if (dwFlags & MOVEFILE_WRITE_THROUGH) SyncFolderOf(dst);
  return TRUE;
}

BOOL MoveFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName) {
  return MoveFileExW(lpExistingFileName, lpNewFileName, MOVEFILE_COPY_ALLOWED);
}

BOOL CopyFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, BOOL bFailIfExists) {
  std::string src, dst;
  if (!jf::MapPathArg(lpExistingFileName, src) || !jf::MapPathArg(lpNewFileName, dst)) return FALSE;
  struct stat a, b;
  if (stat(src.c_str(), &a) == 0 && stat(dst.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino)
    return FailWith(bFailIfExists ? ERROR_FILE_EXISTS : ERROR_SHARING_VIOLATION);
  return CopyRegularFile(src, dst, bFailIfExists) ? TRUE : FALSE;
}

BOOL CreateDirectoryW(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES /*lpSecurityAttributes*/) {
  std::string host;
  if (!jf::MapPathArg(lpPathName, host)) return FALSE;
  if (mkdir(host.c_str(), 0777) != 0) {
    if (errno == EEXIST) return FailWith(ERROR_ALREADY_EXISTS);
    // A missing parent is a missing path, never a missing file.
    JF_SET_ERRNO(Files, errno, true);
    return FALSE;
  }
  return TRUE;
}

BOOL RemoveDirectoryW(LPCWSTR lpPathName) {
  std::string host;
  if (!jf::MapPathArg(lpPathName, host)) return FALSE;
  if (rmdir(host.c_str()) != 0) {
    if (errno == ENOTDIR) return FailWith(ERROR_DIRECTORY);
    if (errno == ENOTEMPTY || errno == EEXIST) return FailWith(ERROR_DIR_NOT_EMPTY);
    JF_SET_PATH_ERROR(Files, errno, host);
    return FALSE;
  }
  return TRUE;
}

DWORD GetFileAttributesW(LPCWSTR lpFileName) {
  std::string host;
  struct stat st;
  return StatArg(lpFileName, host, st) ? jf::AttributesFromStat(st) : INVALID_FILE_ATTRIBUTES;
}

BOOL GetFileAttributesExW(LPCWSTR lpFileName, GET_FILEEX_INFO_LEVELS fInfoLevelId, LPVOID lpFileInformation) {
  if (fInfoLevelId != GetFileExInfoStandard || !lpFileInformation) return FailWith(ERROR_INVALID_PARAMETER);
  std::string host;
  struct stat st;
  if (!StatArg(lpFileName, host, st)) return FALSE;
  auto* data = static_cast<WIN32_FILE_ATTRIBUTE_DATA*>(lpFileInformation);
  data->dwFileAttributes = jf::AttributesFromStat(st);
  data->ftCreationTime = jf::FileTimeFromTimespec(st.st_mtim);
  data->ftLastAccessTime = jf::FileTimeFromTimespec(st.st_atim);
  data->ftLastWriteTime = jf::FileTimeFromTimespec(st.st_mtim);
  uint64_t size = S_ISDIR(st.st_mode) ? 0 : static_cast<uint64_t>(st.st_size);
  data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
  data->nFileSizeLow = static_cast<DWORD>(size);
  return TRUE;
}

BOOL SetFileAttributesW(LPCWSTR lpFileName, DWORD dwFileAttributes) {
  std::string host;
  struct stat st;
  if (!StatArg(lpFileName, host, st)) return FALSE;
  if (S_ISDIR(st.st_mode)) return TRUE;  // read-only means nothing for deleting a folder
  mode_t mode = st.st_mode & 07777;
  if (dwFileAttributes & FILE_ATTRIBUTE_READONLY) {
    mode &= ~static_cast<mode_t>(0222);
  } else if (!(mode & 0222)) {
    mode |= S_IWUSR;
  }
  if (mode != (st.st_mode & 07777) && chmod(host.c_str(), mode) != 0) {
    JF_SET_ERRNO(Files, errno);
    return FALSE;
  }
  return TRUE;
}

DWORD GetTempPathW(DWORD nBufferLength, LPWSTR lpBuffer) {
  std::wstring path;
  if (!jf::SpecialFolderPath(jf::kFolderTemp, path)) return 0;
  return jf::CopyOutOrNeeded(path + L'\\', lpBuffer, nBufferLength);
}

UINT GetTempFileNameW(LPCWSTR lpPathName, LPCWSTR lpPrefixString, UINT uUnique, LPWSTR lpTempFileName) {
  if (!lpPathName || !lpTempFileName) {
    JF_SET_ERROR(Files, ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string hostDir;
  if (!jf::HostPathFromWin(lpPathName, hostDir)) return 0;
  struct stat st;
  if (stat(hostDir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    JF_SET_ERROR(Files, ERROR_DIRECTORY);
    return 0;
  }
  std::wstring dir(lpPathName);
  if (!dir.empty() && dir.back() != L'\\' && dir.back() != L'/') dir += L'\\';
  std::wstring prefix(lpPrefixString ? lpPrefixString : L"");
  if (prefix.size() > 3) prefix.resize(3);
  auto nameFor = [&](UINT n) {
    wchar_t hex[8];
    static const wchar_t digits[] = L"0123456789ABCDEF";
    for (int i = 0; i < 4; ++i) hex[i] = digits[(n >> (12 - 4 * i)) & 0xF];
    hex[4] = 0;
    return dir + prefix + hex + L".tmp";
  };
  auto store = [&](const std::wstring& name) {
    if (name.size() >= MAX_PATH) return false;
    name.copy(lpTempFileName, name.size());
    lpTempFileName[name.size()] = 0;
    return true;
  };
  if (uUnique != 0) {
    uUnique &= 0xFFFF;
    if (!store(nameFor(uUnique))) {
      JF_SET_ERROR(Files, ERROR_BUFFER_OVERFLOW);
      return 0;
    }
    return uUnique;
  }
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  UINT start = static_cast<UINT>((static_cast<uint64_t>(getpid()) * 2654435761u + static_cast<uint64_t>(now.tv_nsec)) & 0xFFFF);
  for (UINT i = 0; i < 0x10000; ++i) {
    UINT n = (start + i) & 0xFFFF;
    if (n == 0) continue;
    std::wstring name = nameFor(n);
    std::string host;
    if (!jf::HostPathFromWin(name, host)) return 0;
    int fd = open(host.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      JF_SET_PATH_ERROR(Files, errno, host);
      return 0;
    }
    close(fd);
    if (!store(name)) {
      unlink(host.c_str());
      JF_SET_ERROR(Files, ERROR_BUFFER_OVERFLOW);
      return 0;
    }
    return n;
  }
  JF_SET_ERROR(Files, ERROR_FILE_EXISTS);
  return 0;
}

DWORD GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize) {
  if (hModule && !jf::IsProgramModule(hModule)) {
    JF_SET_ERROR(Files, ERROR_MOD_NOT_FOUND);
    return 0;
  }
  char buf[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n < 0) {
    JF_SET_ERRNO(Files, errno);
    return 0;
  }
  buf[n] = 0;
  std::wstring path = jf::WinPathFromHost(buf);
  if (!lpFilename || nSize == 0) {
    JF_SET_ERROR(Files, ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (path.size() >= nSize) {
    // Truncated to the buffer, still terminated; the caller learns it from the error.
    path.copy(lpFilename, nSize - 1);
    lpFilename[nSize - 1] = 0;
    JF_SET_ERROR(Files, ERROR_INSUFFICIENT_BUFFER);
    return nSize;
  }
  path.copy(lpFilename, path.size());
  lpFilename[path.size()] = 0;
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(path.size());
}
