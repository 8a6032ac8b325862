// An open file (or, with FILE_FLAG_BACKUP_SEMANTICS, folder) behind a HANDLE of CreateFileW.
// It also keeps the share modes of the process's open files, so a second open that the
// first one does not share fails with ERROR_SHARING_VIOLATION as on Windows.
#pragma once
#include <sys/stat.h>
#include <sys/types.h>

#include <memory>
#include <string>

#include "platform/src/internal/handles.h"
#include <windef.h>

namespace jf {

class FileObject : public KernelObject {
 public:
  FileObject(int fd, DWORD access, DWORD share, dev_t dev, ino_t ino, std::string hostPath, bool deleteOnClose);
  ~FileObject() override;
  // The descriptor of a C runtime stream as a handle (_get_osfhandle): the stream keeps the
  // descriptor, which the object never closes, and opened it without share modes, so the
  // object takes no part in the share checks either.
  static std::shared_ptr<FileObject> Borrow(int fd, DWORD access, dev_t dev, ino_t ino);
  FileObject(const FileObject&) = delete;
  FileObject& operator=(const FileObject&) = delete;

  // Files are always signalled.
  bool IsSignaled() override { return true; }

  int fd() const { return fd_; }
  bool Borrowed() const { return borrowed_; }
  bool Is(dev_t dev, ino_t ino, DWORD access) const { return dev == dev_ && ino == ino_ && access == access_; }
  bool CanRead() const;
  bool CanWrite() const;

  // Registers the open in the share table; false when an open handle of the same file
  // conflicts with `access`/`share` (or this one conflicts with it).
  static bool ShareAllows(dev_t dev, ino_t ino, DWORD access, DWORD share);
  // True when every open handle of the file shares deletion (DeleteFileW, MoveFileExW).
  static bool DeleteAllowed(const std::string& hostPath);
  // The same for a name already looked up with lstat: no second look-up unless it is a link.
  static bool DeleteAllowed(const std::string& hostPath, const struct stat& linkStat);

  // The file object behind a handle; null with ERROR_INVALID_HANDLE for anything else.
  static std::shared_ptr<FileObject> FromHandle(HANDLE h);

 private:
  FileObject(int fd, DWORD access, dev_t dev, ino_t ino);

  int fd_;
  DWORD access_;
  DWORD share_;
  dev_t dev_;
  ino_t ino_;
  std::string hostPath_;
  bool deleteOnClose_;
  bool borrowed_ = false;
};

}  // namespace jf
