#include "platform/src/files/FileFindObject.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "platform/src/files/FilesArea.h"
#include "platform/src/internal/utf.h"

namespace jf {

bool FileFindObject::Next(WIN32_FIND_DATAW* out) {
  if (next_ >= entries_.size()) return false;
  *out = entries_[next_++];
  return true;
}

bool FileFindObject::Matches(const std::wstring& patternIn, const std::wstring& name) {
  std::wstring pattern = patternIn == L"*.*" ? L"*" : patternIn;
  // Iterative wildcard match with back-tracking to the last '*'.
  size_t p = 0, n = 0, star = std::wstring::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == L'?' || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == L'*') {
      star = p++;
      mark = n;
    } else if (star != std::wstring::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && (pattern[p] == L'*' || pattern[p] == L'?' || pattern[p] == L'.')) {
    // A trailing ".*" or "." also matches names without an extension, as on Windows.
    if (pattern[p] == L'.' && !(p + 1 == pattern.size() || pattern[p + 1] == L'*')) return false;
    ++p;
  }
  return p == pattern.size();
}

namespace {

// The entry of one name of the folder; false when it cannot be looked at.
bool EntryOf(const std::string& full, const std::wstring& name, WIN32_FIND_DATAW& d) {
  struct stat st;
  if (stat(full.c_str(), &st) != 0 && lstat(full.c_str(), &st) != 0) return false;
  std::memset(&d, 0, sizeof d);
  d.dwFileAttributes = AttributesFromStat(st);
  d.ftCreationTime = FileTimeFromTimespec(st.st_mtim);
  d.ftLastAccessTime = FileTimeFromTimespec(st.st_atim);
  d.ftLastWriteTime = FileTimeFromTimespec(st.st_mtim);
  uint64_t size = S_ISDIR(st.st_mode) ? 0 : static_cast<uint64_t>(st.st_size);
  d.nFileSizeHigh = static_cast<DWORD>(size >> 32);
  d.nFileSizeLow = static_cast<DWORD>(size);
  std::memcpy(d.cFileName, name.c_str(), (name.size() + 1) * sizeof(wchar_t));
  return true;
}

}  // namespace

std::vector<WIN32_FIND_DATAW> FileFindObject::List(const std::string& hostDir, const std::wstring& pattern,
                                                   bool withDots) {
  std::vector<WIN32_FIND_DATAW> out;
  std::string base = hostDir == "/" ? "" : hostDir;
  // A pattern without wildcards names one entry (names are not folded): looked at alone, with
  // no listing of its folder. A trailing dot also matches the name without it, so it lists.
  if (pattern.find_first_of(L"*?") == std::wstring::npos && !pattern.empty() && pattern.back() != L'.') {
    WIN32_FIND_DATAW d;
    if (pattern.size() < MAX_PATH && EntryOf(base + "/" + ToUtf8(pattern), pattern, d)) out.push_back(d);
    return out;
  }
  DIR* dir = opendir(hostDir.c_str());
  if (!dir) return out;
  std::vector<std::string> names;
  while (struct dirent* e = readdir(dir)) {
    std::string n = e->d_name;
    if (n == "." || n == "..") continue;
    names.push_back(n);
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  if (withDots) names.insert(names.begin(), {".", ".."});
  for (const std::string& n : names) {
    std::wstring wide = FromUtf8(n);
    WIN32_FIND_DATAW d;
    if (wide.size() >= MAX_PATH || !Matches(pattern, wide) || !EntryOf(base + "/" + n, wide, d)) continue;
    out.push_back(d);
  }
  return out;
}

}  // namespace jf
