#include "platform/src/kernel/SyncNamedLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include <errhandlingapi.h>
#include "platform/src/internal/errors.h"
#include "platform/src/internal/utf.h"
#include <winerror.h>

namespace jf {
namespace {

std::string RuntimeFolder() {
  const char* dir = std::getenv("XDG_RUNTIME_DIR");
  struct stat st;
  if (dir && *dir && stat(dir, &st) == 0 && S_ISDIR(st.st_mode) && access(dir, W_OK) == 0) return dir;
  return "/tmp";
}

// Keeps letters, digits, '.', '_' and '-'; every other byte of the UTF-8 name becomes %XX.
std::string EscapeName(const std::string& utf8) {
  std::string out;
  for (unsigned char c : utf8) {
    bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                 c == '_' || c == '-';
    if (plain) {
      out += static_cast<char>(c);
    } else {
      char buf[4];
      std::snprintf(buf, sizeof buf, "%%%02X", c);
      out += buf;
    }
  }
  if (out.size() > 200) {  // stay well inside the host's limit of 255 bytes per name
    uint64_t hash = 1469598103934665603ull;
    for (unsigned char c : utf8) hash = (hash ^ c) * 1099511628211ull;
    char buf[24];
    std::snprintf(buf, sizeof buf, "-%016llx", static_cast<unsigned long long>(hash));
    out = out.substr(0, 180) + buf;
  }
  return out;
}

}  // namespace

std::wstring SyncNamedLock::Key(const std::wstring& name) {
  for (const wchar_t* prefix : {L"Global\\", L"Local\\"}) {
    std::wstring p(prefix);
    if (name.compare(0, p.size(), p) == 0) return name.substr(p.size());
  }
  return name;
}

std::string SyncNamedLock::FilePath(const std::wstring& name) {
  return RuntimeFolder() + "/jf-mutex-" + EscapeName(ToUtf8(Key(name)));
}

SyncNamedLock::Result SyncNamedLock::TryAcquire(const std::wstring& name, std::unique_ptr<SyncNamedLock>& lock) {
  std::string path = FilePath(name);
  // A holder unlinks the file before it lets go of the lock, so a lock taken on a file that
  // is no longer the one at `path` is stale: open again.
  for (int attempt = 0; attempt < 100; ++attempt) {
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
      JF_SET_ERRNO(Kernel, errno);
      return Result::kFailed;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
      int err = errno;
      close(fd);
      if (err == EWOULDBLOCK) return Result::kHeldElsewhere;
      JF_SET_ERRNO(Kernel, err);
      return Result::kFailed;
    }
    struct stat byFd, byPath;
    if (fstat(fd, &byFd) == 0 && stat(path.c_str(), &byPath) == 0 && byFd.st_ino == byPath.st_ino &&
        byFd.st_dev == byPath.st_dev) {
      lock.reset(new SyncNamedLock(fd, path));
      return Result::kAcquired;
    }
    close(fd);
  }
  JF_SET_ERROR(Kernel, ERROR_BUSY);
  return Result::kFailed;
}

SyncNamedLock::~SyncNamedLock() {
  unlink(path_.c_str());
  close(fd_);
}

}  // namespace jf
