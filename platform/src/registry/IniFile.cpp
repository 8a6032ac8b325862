#include "platform/src/registry/IniFile.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cwctype>

#include "platform/src/files/FilesArea.h"
#include <errhandlingapi.h>
#include "platform/src/internal/errors.h"
#include <windows/text.h>
#include "platform/src/internal/utf.h"
#include <winerror.h>
#include "platform/src/internal/ansi.h"

namespace jf {
namespace {

std::wstring Trim(const std::wstring& s) {
  size_t a = 0, b = s.size();
  while (a < b && (s[a] == L' ' || s[a] == L'\t')) ++a;
  while (b > a && (s[b - 1] == L' ' || s[b - 1] == L'\t')) --b;
  return s.substr(a, b - a);
}

bool SameName(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i]))) return false;
  }
  return true;
}

bool IsHeader(const std::wstring& line, std::wstring* name) {
  std::wstring t = Trim(line);
  if (t.empty() || t[0] != L'[') return false;
  size_t close = t.find(L']');
  if (name) *name = Trim(t.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1));
  return true;
}

}  // namespace

bool IniFile::Load(const std::string& hostPath) {
  lines_.clear();
  raw_.clear();
  unicode_ = false;
  FILE* f = fopen(hostPath.c_str(), "rbe");
  if (!f) {
    JF_SET_PATH_ERROR(Registry, errno, hostPath);
    return false;
  }
  std::string bytes;
  char buf[8192];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
  bool failed = ferror(f);
  fclose(f);
  if (failed) {
    JF_SET_ERROR(Registry, ERROR_READ_FAULT);
    return false;
  }
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
    unicode_ = true;
    std::wstring text = FromUtf16LEBytes(bytes.data() + 2, bytes.size() - 2);
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find(L'\n', start);
      if (end == std::wstring::npos) end = text.size();
      std::wstring line = text.substr(start, end - start);
      if (!line.empty() && line.back() == L'\r') line.pop_back();
      lines_.push_back(line);
      start = end + 1;
    }
    raw_.assign(lines_.size(), std::string());
    return true;
  }
  // No byte of a double-byte character in the ANSI page is a line feed: the bytes split
  // into lines as the text does.
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines_.push_back(FromAnsi(line));
    raw_.push_back(line);
    start = end + 1;
  }
  return true;
}

bool IniFile::Save(const std::string& hostPath) const {
  std::string bytes;
  if (unicode_) {
    std::wstring text;
    for (const std::wstring& line : lines_) text += line + L"\r\n";
    bytes = std::string("\xFF\xFE") + ToUtf16LEBytes(text);
  } else {
    for (size_t i = 0; i < lines_.size(); ++i) bytes += (raw_[i].empty() ? ToAnsi(lines_[i]) : raw_[i]) + "\r\n";
  }
  struct stat st;
  mode_t mode = stat(hostPath.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0666;
  std::string tmp = hostPath + ".tmp" + std::to_string(getpid());
  int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    JF_SET_PATH_ERROR(Registry, errno, hostPath);
    return false;
  }
  bool ok = write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  int err = ok ? 0 : errno;
  if (ok) fchmod(fd, mode);
  if (close(fd) != 0 && ok) {
    ok = false;
    err = errno;
  }
  if (ok && rename(tmp.c_str(), hostPath.c_str()) != 0) {
    ok = false;
    err = errno;
  }
  if (!ok) {
    unlink(tmp.c_str());
    JF_SET_ERRNO(Registry, err ? err : EIO);
  }
  return ok;
}

bool IniFile::ParseKey(const std::wstring& line, std::wstring& key, std::wstring& value) {
  std::wstring t = Trim(line);
  if (t.empty() || t[0] == L';' || t[0] == L'[') return false;
  size_t eq = t.find(L'=');
  key = Trim(t.substr(0, eq));
  value = eq == std::wstring::npos ? std::wstring() : Trim(t.substr(eq + 1));
  return !key.empty();
}

size_t IniFile::FindSection(const std::wstring& section, size_t* end) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    std::wstring name;
    if (!IsHeader(lines_[i], &name) || !SameName(name, Trim(section))) continue;
    size_t j = i + 1;
    while (j < lines_.size() && !IsHeader(lines_[j], nullptr)) ++j;
    if (end) *end = j;
    return i;
  }
  return std::wstring::npos;
}

size_t IniFile::FindKey(size_t first, size_t end, const std::wstring& key) const {
  for (size_t i = first; i < end; ++i) {
    std::wstring k, v;
    if (ParseKey(lines_[i], k, v) && SameName(k, Trim(key))) return i;
  }
  return std::wstring::npos;
}

std::vector<std::wstring> IniFile::Sections() const {
  std::vector<std::wstring> out;
  for (const std::wstring& line : lines_) {
    std::wstring name;
    if (IsHeader(line, &name)) out.push_back(name);
  }
  return out;
}

std::vector<std::wstring> IniFile::Keys(const std::wstring& section) const {
  std::vector<std::wstring> out;
  size_t end;
  size_t head = FindSection(section, &end);
  if (head == std::wstring::npos) return out;
  for (size_t i = head + 1; i < end; ++i) {
    std::wstring k, v;
    if (ParseKey(lines_[i], k, v)) out.push_back(k);
  }
  return out;
}

bool IniFile::Get(const std::wstring& section, const std::wstring& key, std::wstring& value) const {
  size_t end;
  size_t head = FindSection(section, &end);
  if (head == std::wstring::npos) return false;
  size_t at = FindKey(head + 1, end, key);
  if (at == std::wstring::npos) return false;
  std::wstring k;
  ParseKey(lines_[at], k, value);
  if (value.size() >= 2 && (value[0] == L'"' || value[0] == L'\'') && value.back() == value[0])
    value = value.substr(1, value.size() - 2);
  return true;
}

void IniFile::Set(const std::wstring& section, const std::wstring& key, const std::wstring& value) {
  std::wstring line = Trim(key) + L"=" + value;
  size_t end;
  size_t head = FindSection(section, &end);
  if (head == std::wstring::npos) {
    lines_.push_back(L"[" + Trim(section) + L"]");
    lines_.push_back(line);
    raw_.resize(lines_.size());
    return;
  }
  size_t at = FindKey(head + 1, end, key);
  if (at != std::wstring::npos) {
    lines_[at] = line;
    raw_[at].clear();
    return;
  }
  // After the section's last non-blank line, before the blank lines that separate it.
  size_t insert = end;
  while (insert > head + 1 && Trim(lines_[insert - 1]).empty()) --insert;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insert), line);
  raw_.insert(raw_.begin() + static_cast<std::ptrdiff_t>(insert), std::string());
}

void IniFile::RemoveKey(const std::wstring& section, const std::wstring& key) {
  size_t end;
  size_t head = FindSection(section, &end);
  if (head == std::wstring::npos) return;
  size_t at = FindKey(head + 1, end, key);
  if (at == std::wstring::npos) return;
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(at));
  raw_.erase(raw_.begin() + static_cast<std::ptrdiff_t>(at));
}

void IniFile::RemoveSection(const std::wstring& section) {
  size_t end;
  size_t head = FindSection(section, &end);
  if (head == std::wstring::npos) return;
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(head), lines_.begin() + static_cast<std::ptrdiff_t>(end));
  raw_.erase(raw_.begin() + static_cast<std::ptrdiff_t>(head), raw_.begin() + static_cast<std::ptrdiff_t>(end));
}

}  // namespace jf
