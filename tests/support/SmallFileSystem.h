// A small file system of a test's own (tmpfs) mounted on a host folder for the life of the
// object, so that writes below that folder run out of room while its drive has plenty. The
// mount lives in a private mount namespace, which nothing outside sees.
#pragma once

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <cstdint>
#include <string>

class SmallFileSystem {
 public:
  // The namespace is entered once, by the thread that first asks: that thread and the threads
  // it starts afterwards see the mounts, threads started before do not. A test program whose
  // threads write there asks from a static initializer, while it has one thread.
  static bool EnterOwnMountNamespace() {
    static const bool entered =
        unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    return entered;
  }

  SmallFileSystem(const std::string& folder, uint64_t bytes) : m_folder(folder) {
    if (!EnterOwnMountNamespace()) return;
    mkdir(folder.c_str(), 0755);
    const std::string size = "size=" + std::to_string(bytes);
    m_mounted = mount("tmpfs", folder.c_str(), "tmpfs", 0, size.c_str()) == 0;
  }
  ~SmallFileSystem() {
    if (m_mounted) umount2(m_folder.c_str(), MNT_DETACH);
  }
  SmallFileSystem(const SmallFileSystem&) = delete;
  SmallFileSystem& operator=(const SmallFileSystem&) = delete;

  // False where the test may not mount (no privilege): the test then has nothing to check.
  bool Mounted() const { return m_mounted; }
  // The bytes free to the caller, as the file system itself counts them.
  uint64_t FreeBytes() const {
    struct statvfs vfs;
    if (statvfs(m_folder.c_str(), &vfs) != 0) return 0;
    return static_cast<uint64_t>(vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize) * vfs.f_bavail;
  }

 private:
  std::string m_folder;
  bool m_mounted = false;
};
