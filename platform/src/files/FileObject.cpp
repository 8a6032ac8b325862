#include "platform/src/files/FileObject.h"

#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include <errhandlingapi.h>
#include <windows/files.h>
#include <winerror.h>
#include "platform/src/internal/errors.h"

namespace jf {
namespace {

struct OpenEntry {
  const FileObject* owner;
  DWORD access;
  DWORD share;
};

std::mutex g_shareLock;
std::map<std::pair<dev_t, ino_t>, std::vector<OpenEntry>>& ShareTable() {
  static auto* table = new std::map<std::pair<dev_t, ino_t>, std::vector<OpenEntry>>;
  return *table;
}

bool Reads(DWORD access) { return access & (GENERIC_READ | GENERIC_ALL | GENERIC_EXECUTE); }
bool Writes(DWORD access) { return access & (GENERIC_WRITE | GENERIC_ALL); }

bool Conflicts(DWORD accessA, DWORD shareA, DWORD accessB, DWORD shareB) {
  if (Reads(accessA) && !(shareB & FILE_SHARE_READ)) return true;
  if (Writes(accessA) && !(shareB & FILE_SHARE_WRITE)) return true;
  if (Reads(accessB) && !(shareA & FILE_SHARE_READ)) return true;
  if (Writes(accessB) && !(shareA & FILE_SHARE_WRITE)) return true;
  return false;
}

}  // namespace

FileObject::FileObject(int fd, DWORD access, DWORD share, dev_t dev, ino_t ino, std::string hostPath,
                       bool deleteOnClose)
    : fd_(fd), access_(access), share_(share), dev_(dev), ino_(ino), hostPath_(std::move(hostPath)),
      deleteOnClose_(deleteOnClose) {
  std::lock_guard<std::mutex> lock(g_shareLock);
  ShareTable()[{dev_, ino_}].push_back({this, access_, share_});
}

FileObject::FileObject(int fd, DWORD access, dev_t dev, ino_t ino)
    : fd_(fd), access_(access), share_(FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE), dev_(dev), ino_(ino),
      deleteOnClose_(false), borrowed_(true) {}

std::shared_ptr<FileObject> FileObject::Borrow(int fd, DWORD access, dev_t dev, ino_t ino) {
  return std::shared_ptr<FileObject>(new FileObject(fd, access, dev, ino));
}

FileObject::~FileObject() {
  if (borrowed_) return;
  {
    std::lock_guard<std::mutex> lock(g_shareLock);
    auto it = ShareTable().find({dev_, ino_});
    if (it != ShareTable().end()) {
      auto& v = it->second;
      for (size_t i = 0; i < v.size(); ++i) {
        if (v[i].owner == this) {
          v.erase(v.begin() + static_cast<std::ptrdiff_t>(i));
          break;
        }
      }
      if (v.empty()) ShareTable().erase(it);
    }
  }
  if (deleteOnClose_) {
    // Only the file this handle opened: once it was deleted or moved, another file may
    // carry its name now.
    struct stat st;
    if (lstat(hostPath_.c_str(), &st) == 0 && st.st_dev == dev_ && st.st_ino == ino_) unlink(hostPath_.c_str());
  }
  if (fd_ >= 0) close(fd_);
}

bool FileObject::CanRead() const { return Reads(access_); }
bool FileObject::CanWrite() const { return Writes(access_); }

bool FileObject::ShareAllows(dev_t dev, ino_t ino, DWORD access, DWORD share) {
  std::lock_guard<std::mutex> lock(g_shareLock);
  auto it = ShareTable().find({dev, ino});
  if (it == ShareTable().end()) return true;
  for (const OpenEntry& e : it->second) {
    if (Conflicts(access, share, e.access, e.share)) return false;
  }
  return true;
}

bool FileObject::DeleteAllowed(const std::string& hostPath, const struct stat& linkStat) {
  if (S_ISLNK(linkStat.st_mode)) return DeleteAllowed(hostPath);
  std::lock_guard<std::mutex> lock(g_shareLock);
  auto it = ShareTable().find({linkStat.st_dev, linkStat.st_ino});
  if (it == ShareTable().end()) return true;
  for (const OpenEntry& e : it->second) {
    if (!(e.share & FILE_SHARE_DELETE)) return false;
  }
  return true;
}

bool FileObject::DeleteAllowed(const std::string& hostPath) {
  struct stat st;
  if (stat(hostPath.c_str(), &st) != 0) return true;
  return DeleteAllowed(hostPath, st);
}

std::shared_ptr<FileObject> FileObject::FromHandle(HANDLE h) {
  std::shared_ptr<KernelObject> object = LookupHandle(h);
  auto file = std::dynamic_pointer_cast<FileObject>(object);
  if (!file) JF_SET_ERROR(Files, ERROR_INVALID_HANDLE);
  return file;
}

}  // namespace jf
