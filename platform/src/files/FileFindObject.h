// The listing behind a FindFirstFileW handle: the matching entries, read at once and sorted
// ("." and ".." first), handed out one by one.
#pragma once
#include <string>
#include <vector>

#include <windows/files.h>
#include "platform/src/internal/handles.h"

namespace jf {

class FileFindObject : public KernelObject {
 public:
  explicit FileFindObject(std::vector<WIN32_FIND_DATAW> entries) : entries_(std::move(entries)) {}
  bool IsSignaled() override { return false; }
  // False when every entry was handed out.
  bool Next(WIN32_FIND_DATAW* out);

  // Lists `hostDir`, keeping names that match `pattern` ('*' and '?'; "*.*" matches all).
  // `withDots`: add "." and ".." (not at a drive root).
  static std::vector<WIN32_FIND_DATAW> List(const std::string& hostDir, const std::wstring& pattern, bool withDots);
  static bool Matches(const std::wstring& pattern, const std::wstring& name);

 private:
  std::vector<WIN32_FIND_DATAW> entries_;
  size_t next_ = 0;
};

}  // namespace jf
