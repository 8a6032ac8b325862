// A list of the running processes taken from /proc, behind a snapshot handle.
#pragma once
#include <sys/types.h>

#include <string>
#include <vector>

#include "platform/src/internal/handles.h"

namespace jf {

class ProcessSnapshot : public KernelObject {
 public:
  struct Entry {
    DWORD pid;
    DWORD parent;
    DWORD threads;
    std::wstring name;
  };

  // Reads /proc now; the idle process (id 0) comes first, then the processes by id.
  ProcessSnapshot();
  bool IsSignaled() override { return false; }

  // The next entry (the first after Rewind); false at the end.
  bool Next(Entry& entry);
  void Rewind() { next_ = 0; }

  // The host path of a process's image (/proc/<pid>/exe); false with errno set.
  static bool ImagePath(pid_t pid, std::string& path);
  // The state letter of /proc/<pid>/stat ('R', 'S', 'Z', ...), or 0 when it cannot be read.
  static char StateOf(pid_t pid);
  // Ids of the processes in /proc, ascending.
  static std::vector<pid_t> RunningIds();

 private:
  std::vector<Entry> entries_;
  size_t next_ = 0;
};

}  // namespace jf
