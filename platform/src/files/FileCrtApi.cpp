// The C runtime's wide file calls over the drive map. Failures set errno as the Windows
// runtime does, and the last error as well.
#include <errno.h>
#include <fcntl.h>
#include <locale.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <cwchar>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include <io.h>

#include "platform/src/files/FileObject.h"
#include "platform/src/files/FilesArea.h"
#include "platform/src/files/FileTextStream.h"
#include <errhandlingapi.h>
#include "platform/src/internal/errors.h"
#include <windows/files.h>
#include <windows/kernel.h>
#include "platform/src/internal/paths.h"
#include "platform/src/internal/utf.h"
#include <winerror.h>

namespace {

// Host path of a runtime call's argument; errno EINVAL (ENOENT for an unmapped drive) on failure.
bool MapCrtPath(const wchar_t* path, std::string& host) {
  if (!path) {
    errno = EINVAL;
    return false;
  }
  if (!jf::HostPathFromWin(path, host)) {
    errno = GetLastError() == ERROR_INVALID_NAME ? EINVAL : ENOENT;
    return false;
  }
  return true;
}

// A Windows fopen mode: "r", "w" or "a", then "+", "b"/"t", "x", "N" and others, then an
// optional ", ccs=ENCODING".
struct CrtMode {
  char kind = 0;
  bool plus = false, binary = false, exclusive = false;
  std::string ccs;  // "UTF-8" or empty
};

bool ParseMode(const wchar_t* mode, CrtMode& m) {
  if (!mode || (mode[0] != L'r' && mode[0] != L'w' && mode[0] != L'a')) return false;
  m.kind = static_cast<char>(mode[0]);
  const wchar_t* p = mode + 1;
  for (; *p && *p != L','; ++p) {
    if (*p == L'+') m.plus = true;
    if (*p == L'b') m.binary = true;
    if (*p == L'x') m.exclusive = true;
  }
  if (*p == L',') {
    std::wstring rest(p + 1);
    rest.erase(0, rest.find_first_not_of(L' '));
    if (rest.compare(0, 4, L"ccs=") != 0) return false;
    std::wstring enc = rest.substr(4);
    while (!enc.empty() && enc.back() == L' ') enc.pop_back();
    // Only UTF-8: a UTF-16 stream would need the host's converting streams, whose
    // converters are never freed.
    if (enc != L"UTF-8") return false;
    m.ccs = "UTF-8";
    m.binary = false;  // an encoding implies text mode
  }
  return true;
}

// Text-mode streams translate line ends. With UTF-8 the stream is a wide host stream that
// converts to UTF-8 (its line ends stay LF: the host cannot translate a wide stream); a new
// file starts with the mark and a read skips it. Files are never inherited by child
// processes.
FILE* OpenCrtStream(const std::string& host, const CrtMode& m) {
  std::string hostMode(1, m.kind);
  if (m.plus) hostMode += '+';
  if (m.binary) {
    hostMode += "be";
    if (m.exclusive) hostMode += 'x';
    return fopen(host.c_str(), hostMode.c_str());
  }
  int flags = O_CLOEXEC | (m.plus ? O_RDWR : (m.kind == 'r' ? O_RDONLY : O_WRONLY));
  if (m.kind == 'w') flags |= O_CREAT | O_TRUNC;
  if (m.kind == 'a') flags |= O_CREAT | O_APPEND;
  if (m.exclusive && m.kind != 'r') flags |= O_EXCL;
  int fd = open(host.c_str(), flags, 0666);
  if (fd < 0) return nullptr;
  if (m.ccs.empty()) return jf::FileTextStream::Open(fd, hostMode.c_str());

  // UTF-8: the mark is handled on the descriptor, then the stream turns wide while a UTF-8
  // locale is current on this thread, which fixes its conversion whatever the process's is.
  static const char kMark[] = "\xEF\xBB\xBF";
  struct stat st;
  bool empty = fstat(fd, &st) == 0 && st.st_size == 0;
  bool ok = true;
  if (m.kind == 'w' || (m.kind == 'a' && empty)) {
    ok = write(fd, kMark, 3) == 3;
  } else if (m.kind == 'r') {
    char head[3];
    if (read(fd, head, 3) != 3 || std::memcmp(head, kMark, 3) != 0) ok = lseek(fd, 0, SEEK_SET) == 0;
  }
  FILE* f = ok ? fdopen(fd, hostMode.c_str()) : nullptr;
  if (!f) {
    int err = errno;
    close(fd);
    errno = err;
    return nullptr;
  }
  static locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
  locale_t previous = utf8 ? uselocale(utf8) : static_cast<locale_t>(0);
  fwide(f, 1);
  if (utf8) uselocale(previous);
  return f;
}

}  // namespace

FILE* _wfopen(const wchar_t* filename, const wchar_t* mode) {
  std::string host;
  CrtMode m;
  if (!ParseMode(mode, m)) {
    errno = EINVAL;
    return nullptr;
  }
  if (!MapCrtPath(filename, host)) return nullptr;
  struct stat st;
  if (stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    // The host would open a folder for reading; Windows refuses it.
    JF_SET_ERROR(Files, ERROR_ACCESS_DENIED);
    errno = EACCES;
    return nullptr;
  }
  FILE* f = OpenCrtStream(host, m);
  if (!f) {
    int err = errno;
    JF_SET_PATH_ERROR(Files, err, host);
    if (err == EISDIR) err = EACCES;
    errno = err;
  }
  return f;
}

errno_t _wfopen_s(FILE** pFile, const wchar_t* filename, const wchar_t* mode) {
  if (!pFile) return EINVAL;
  *pFile = _wfopen(filename, mode);
  return *pFile ? 0 : errno;
}

int _fseeki64(FILE* stream, int64_t offset, int origin) {
  if (!stream) {
    errno = EINVAL;
    return -1;
  }
  return fseeko(stream, static_cast<off_t>(offset), origin);
}

int64_t _ftelli64(FILE* stream) {
  if (!stream) {
    errno = EINVAL;
    return -1;
  }
  return static_cast<int64_t>(ftello(stream));
}

int _fileno(FILE* stream) {
  if (!stream) {
    errno = EINVAL;
    return -1;
  }
  return fileno(stream);
}

intptr_t _get_osfhandle(int fd) {
  struct stat st;
  const int flags = fd < 0 ? -1 : fcntl(fd, F_GETFL);
  if (flags < 0 || fstat(fd, &st) != 0) {
    errno = EBADF;
    return -1;
  }
  const int mode = flags & O_ACCMODE;
  const DWORD access = mode == O_RDONLY ? GENERIC_READ : mode == O_WRONLY ? GENERIC_WRITE : GENERIC_READ | GENERIC_WRITE;
  // One handle per descriptor while it stays the same file; a descriptor closed and opened
  // again for another file gets a new one.
  static std::mutex lock;
  static auto* handles = new std::map<int, HANDLE>;
  std::lock_guard<std::mutex> guard(lock);
  HANDLE& handle = (*handles)[fd];
  const DWORD error = GetLastError();
  if (handle) {
    std::shared_ptr<jf::FileObject> file = jf::FileObject::FromHandle(handle);
    if (file && file->Borrowed() && file->fd() == fd) {
      if (file->Is(st.st_dev, st.st_ino, access)) {
        SetLastError(error);
        return reinterpret_cast<intptr_t>(handle);
      }
      CloseHandle(handle);
    }
  }
  handle = jf::RegisterHandle(jf::FileObject::Borrow(fd, access, st.st_dev, st.st_ino));
  SetLastError(error);
  return reinterpret_cast<intptr_t>(handle);
}

int _wremove(const wchar_t* path) {
  std::string host;
  if (!MapCrtPath(path, host)) return -1;
  if (unlink(host.c_str()) != 0) {
    int err = errno == EISDIR ? EACCES : errno;
    JF_SET_PATH_ERROR(Files, errno, host);
    errno = err;
    return -1;
  }
  return 0;
}

int _wrename(const wchar_t* oldName, const wchar_t* newName) {
  std::string from, to;
  if (!MapCrtPath(oldName, from) || !MapCrtPath(newName, to)) return -1;
  // The Windows runtime never replaces an existing target.
  int rc = renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
  if (rc != 0 && errno == EINVAL) {
    struct stat st;
    if (lstat(to.c_str(), &st) == 0) {
      errno = EEXIST;
    } else {
      rc = rename(from.c_str(), to.c_str());
    }
  }
  if (rc != 0) {
    int err = errno == EEXIST ? EACCES : errno;
    JF_SET_PATH_ERROR(Files, errno, from);
    errno = err;
    return -1;
  }
  return 0;
}

int _wmkdir(const wchar_t* path) {
  std::string host;
  if (!MapCrtPath(path, host)) return -1;
  if (mkdir(host.c_str(), 0777) != 0) {
    JF_SET_ERRNO(Files, errno, true);
    return -1;
  }
  return 0;
}

int _wrmdir(const wchar_t* path) {
  std::string host;
  if (!MapCrtPath(path, host)) return -1;
  if (rmdir(host.c_str()) != 0) {
    int err = errno == EEXIST ? ENOTEMPTY : errno;
    JF_SET_PATH_ERROR(Files, errno, host);
    errno = err;
    return -1;
  }
  return 0;
}

int _waccess(const wchar_t* path, int mode) {
  if (mode & ~6) {
    errno = EINVAL;
    return -1;
  }
  std::string host;
  if (!MapCrtPath(path, host)) return -1;
  struct stat st;
  if (stat(host.c_str(), &st) != 0) return -1;
  // Write access follows the read-only attribute, for root too.
  if ((mode & 2) && jf::IsReadOnlyFile(st)) {
    errno = EACCES;
    return -1;
  }
  return 0;
}

errno_t _wsplitpath_s(const wchar_t* path, wchar_t* drive, size_t driveSize, wchar_t* dir, size_t dirSize,
                      wchar_t* fname, size_t fnameSize, wchar_t* ext, size_t extSize) {
  struct Out {
    wchar_t* buf;
    size_t size;
  } outs[4] = {{drive, driveSize}, {dir, dirSize}, {fname, fnameSize}, {ext, extSize}};
  auto clearAll = [&]() {
    for (Out& o : outs) {
      if (o.buf && o.size) o.buf[0] = 0;
    }
  };
  bool badArgs = !path;
  for (Out& o : outs) {
    if ((o.buf == nullptr) != (o.size == 0)) badArgs = true;
  }
  if (badArgs) {
    clearAll();
    errno = EINVAL;
    return EINVAL;
  }
  std::wstring p(path), parts[4];
  size_t pos = 0;
  if (p.size() >= 2 && p[1] == L':') {
    parts[0] = p.substr(0, 2);
    pos = 2;
  }
  size_t lastSep = p.find_last_of(L"\\/");
  if (lastSep != std::wstring::npos && lastSep >= pos) {
    parts[1] = p.substr(pos, lastSep + 1 - pos);
    pos = lastSep + 1;
  }
  std::wstring name = p.substr(pos);
  size_t dot = name.rfind(L'.');
  parts[2] = dot == std::wstring::npos ? name : name.substr(0, dot);
  parts[3] = dot == std::wstring::npos ? L"" : name.substr(dot);
  for (int i = 0; i < 4; ++i) {
    if (outs[i].buf && parts[i].size() >= outs[i].size) {
      clearAll();
      errno = ERANGE;
      return ERANGE;
    }
  }
  for (int i = 0; i < 4; ++i) {
    if (!outs[i].buf) continue;
    std::memcpy(outs[i].buf, parts[i].c_str(), (parts[i].size() + 1) * sizeof(wchar_t));
  }
  return 0;
}

errno_t _wmakepath_s(wchar_t* path, size_t size, const wchar_t* drive, const wchar_t* dir, const wchar_t* fname,
                     const wchar_t* ext) {
  if (!path || size == 0) {
    errno = EINVAL;
    return EINVAL;
  }
  std::wstring out;
  if (drive && *drive) {
    out += drive[0];
    out += L':';
  }
  if (dir && *dir) {
    out += dir;
    if (out.back() != L'\\' && out.back() != L'/') out += L'\\';
  }
  if (fname) out += fname;
  if (ext && *ext) {
    if (ext[0] != L'.') out += L'.';
    out += ext;
  }
  if (out.size() >= size) {
    path[0] = 0;
    errno = ERANGE;
    return ERANGE;
  }
  std::memcpy(path, out.c_str(), (out.size() + 1) * sizeof(wchar_t));
  return 0;
}
