// Path helpers on Windows path strings in MAX_PATH buffers.
#include <cstring>
#include <string>
#include <vector>

#include <errhandlingapi.h>
#include <windows/files.h>
#include <shlwapi.h>
#include <winerror.h>

namespace {

bool IsSep(wchar_t c) { return c == L'\\' || c == L'/'; }

bool HasDrive(const std::wstring& s) {
  return s.size() >= 2 && s[1] == L':' && ((s[0] >= L'A' && s[0] <= L'Z') || (s[0] >= L'a' && s[0] <= L'z'));
}

bool IsUnc(const std::wstring& s) { return s.size() >= 2 && s[0] == L'\\' && s[1] == L'\\'; }

// The root part of a path: "X:\", "X:", "\\" (UNC start), "\" or "".
size_t RootLength(const std::wstring& s) {
  if (HasDrive(s)) return (s.size() >= 3 && IsSep(s[2])) ? 3 : 2;
  if (IsUnc(s)) return 2;
  if (!s.empty() && IsSep(s[0])) return 1;
  return 0;
}

// Folds "." and ".." lexically, keeping the root and a trailing backslash.
std::wstring Canonicalize(const std::wstring& in) {
  size_t rootLen = RootLength(in);
  std::wstring root = in.substr(0, rootLen);
  std::vector<std::wstring> parts;
  size_t i = rootLen;
  while (i <= in.size()) {
    size_t j = in.find(L'\\', i);
    if (j == std::wstring::npos) j = in.size();
    std::wstring c = in.substr(i, j - i);
    if (c == L"..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!c.empty() && c != L".") {
      parts.push_back(c);
    }
    i = j + 1;
  }
  std::wstring out = root;
  for (size_t k = 0; k < parts.size(); ++k) {
    if (k) out += L'\\';
    out += parts[k];
  }
  if (!parts.empty() && !in.empty() && in.back() == L'\\') out += L'\\';
  if (out.empty()) out = L"\\";
  return out;
}

bool Store(LPWSTR dest, const std::wstring& s) {
  if (s.size() >= MAX_PATH) {
    dest[0] = 0;
    return false;
  }
  std::memcpy(dest, s.c_str(), (s.size() + 1) * sizeof(wchar_t));
  return true;
}

}  // namespace

BOOL PathFileExistsW(LPCWSTR pszPath) {
  if (!pszPath) return FALSE;
  return GetFileAttributesW(pszPath) != INVALID_FILE_ATTRIBUTES;
}

BOOL PathIsDirectoryW(LPCWSTR pszPath) {
  if (!pszPath) return FALSE;
  DWORD attrs = GetFileAttributesW(pszPath);
  return (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY)) ? FILE_ATTRIBUTE_DIRECTORY : FALSE;
}

LPWSTR PathCombineW(LPWSTR pszDest, LPCWSTR pszDir, LPCWSTR pszFile) {
  if (!pszDest) return nullptr;
  if (!pszDir && !pszFile) {
    pszDest[0] = 0;
    return nullptr;
  }
  std::wstring dir(pszDir ? pszDir : L""), file(pszFile ? pszFile : L""), r;
  if (file.empty()) {
    r = dir;
  } else if (dir.empty() || HasDrive(file) || IsUnc(file)) {
    r = file;
  } else if (file[0] == L'\\') {
    r = (HasDrive(dir) ? dir.substr(0, 2) : std::wstring()) + file;
  } else {
    r = dir + (dir.back() == L'\\' ? L"" : L"\\") + file;
  }
  return Store(pszDest, Canonicalize(r)) ? pszDest : nullptr;
}

BOOL PathAppendW(LPWSTR pszPath, LPCWSTR pszMore) {
  if (!pszPath || !pszMore) return FALSE;
  std::wstring more(pszMore);
  if (!IsUnc(more)) {
    size_t skip = 0;
    while (skip < more.size() && more[skip] == L'\\') ++skip;
    more = more.substr(skip);
  }
  wchar_t buf[MAX_PATH];
  if (!PathCombineW(buf, pszPath, more.c_str())) return FALSE;
  std::memcpy(pszPath, buf, (wcslen(buf) + 1) * sizeof(wchar_t));
  return TRUE;
}

BOOL PathRemoveFileSpecW(LPWSTR pszPath) {
  if (!pszPath) return FALSE;
  std::wstring s(pszPath);
  size_t slash = std::wstring::npos;
  for (size_t i = 0; i < s.size(); ++i) {
    if (IsSep(s[i])) slash = i;
  }
  std::wstring r;
  if (slash == std::wstring::npos) {
    r = HasDrive(s) ? s.substr(0, 2) : std::wstring();
  } else if (slash == 2 && HasDrive(s)) {
    r = s.substr(0, 3);
  } else if (slash == 0) {
    r = s.substr(0, 1);
  } else if (slash == 1 && IsUnc(s)) {
    r = s;
  } else {
    r = s.substr(0, slash);
  }
  if (r == s) return FALSE;
  Store(pszPath, r);
  return TRUE;
}

LPWSTR PathFindFileNameW(LPCWSTR pszPath) {
  if (!pszPath) return nullptr;
  const wchar_t* name = pszPath;
  for (const wchar_t* p = pszPath; *p; ++p) {
    if ((IsSep(*p) || *p == L':') && p[1] && !IsSep(p[1])) name = p + 1;
  }
  return const_cast<LPWSTR>(name);
}

LPWSTR PathFindExtensionW(LPCWSTR pszPath) {
  if (!pszPath) return nullptr;
  const wchar_t* dot = nullptr;
  const wchar_t* p = pszPath;
  for (; *p; ++p) {
    if (IsSep(*p) || *p == L' ') {
      dot = nullptr;
    } else if (*p == L'.') {
      dot = p;
    }
  }
  return const_cast<LPWSTR>(dot ? dot : p);
}

BOOL PathIsRelativeW(LPCWSTR pszPath) {
  if (!pszPath || !*pszPath) return TRUE;
  std::wstring s(pszPath);
  return (IsSep(s[0]) || HasDrive(s)) ? FALSE : TRUE;
}

LPWSTR PathAddBackslashW(LPWSTR pszPath) {
  if (!pszPath) return nullptr;
  size_t len = wcslen(pszPath);
  if (len && pszPath[len - 1] != L'\\') {
    if (len + 1 >= MAX_PATH) return nullptr;
    pszPath[len++] = L'\\';
    pszPath[len] = 0;
  }
  return pszPath + len;
}

LPWSTR PathRemoveBackslashW(LPWSTR pszPath) {
  if (!pszPath) return nullptr;
  size_t len = wcslen(pszPath);
  if (!len) return pszPath;
  std::wstring s(pszPath);
  bool root = (len == 3 && HasDrive(s)) || len == 1;
  if (pszPath[len - 1] == L'\\' && !root) {
    pszPath[len - 1] = 0;
  }
  return pszPath + len - 1;
}

void PathStripPathW(LPWSTR pszPath) {
  if (!pszPath) return;
  LPWSTR name = PathFindFileNameW(pszPath);
  if (name != pszPath) std::memmove(pszPath, name, (wcslen(name) + 1) * sizeof(wchar_t));
}

void PathRemoveExtensionW(LPWSTR pszPath) {
  if (pszPath) *PathFindExtensionW(pszPath) = 0;
}

BOOL PathRenameExtensionW(LPWSTR pszPath, LPCWSTR pszExt) {
  if (!pszPath || !pszExt) return FALSE;
  LPWSTR ext = PathFindExtensionW(pszPath);
  size_t keep = static_cast<size_t>(ext - pszPath);
  size_t extLen = wcslen(pszExt);
  if (keep + extLen >= MAX_PATH) return FALSE;
  std::memcpy(ext, pszExt, (extLen + 1) * sizeof(wchar_t));
  return TRUE;
}
