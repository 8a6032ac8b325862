// An INI file held as its lines: read in the file's own encoding (UTF-16LE after an FF FE
// mark, the ANSI page otherwise), changed line by line so that comments, blank lines and
// other sections stay as they were, and written back with CRLF line ends.
#pragma once
#include <string>
#include <vector>

namespace jf {

class IniFile {
 public:
  // False with the last error set when the file cannot be read.
  bool Load(const std::string& hostPath);
  // Writes a temporary file beside the target and renames it over; false with the last error.
  bool Save(const std::string& hostPath) const;

  std::vector<std::wstring> Sections() const;
  std::vector<std::wstring> Keys(const std::wstring& section) const;
  // The value of the first matching key of the first matching section (names compared
  // without regard to case), surrounding blanks and one pair of enclosing quotes removed.
  bool Get(const std::wstring& section, const std::wstring& key, std::wstring& value) const;
  void Set(const std::wstring& section, const std::wstring& key, const std::wstring& value);
  void RemoveKey(const std::wstring& section, const std::wstring& key);
  void RemoveSection(const std::wstring& section);

  bool unicode() const { return unicode_; }

 private:
  // The line of the section's header, or npos; `end` receives the line after its last one.
  size_t FindSection(const std::wstring& section, size_t* end) const;
  // The line of the key inside [first, end), or npos.
  size_t FindKey(size_t first, size_t end, const std::wstring& key) const;
  static bool ParseKey(const std::wstring& line, std::wstring& key, std::wstring& value);

  std::vector<std::wstring> lines_;
  // For a file in the ANSI page: each line's bytes as read, empty once the line changed or
  // when it is new. Untouched lines are written back byte for byte, so bytes the page
  // cannot hold (a UTF-8 line, say) survive a change elsewhere in the file.
  std::vector<std::string> raw_;
  bool unicode_ = false;
};

}  // namespace jf
