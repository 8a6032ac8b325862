// The drive map: Windows paths of the program <-> folders of the host.
#include <errno.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/src/files/FilesArea.h"
#include "platform/src/kernel/KernelArea.h"
#include <errhandlingapi.h>
#include "platform/src/internal/errors.h"
#include <windows/files.h>
#include "platform/src/internal/paths.h"
#include "platform/src/internal/utf.h"
#include <winerror.h>
#include "platform/testing/hooks/teststate.h"

namespace {

struct DriveRoot {
  std::string root;       // as configured, without a trailing '/'; "" is the host root
  std::string canonical;  // the same folder with links resolved, for the reverse mapping
};

std::mutex g_mapLock;
bool g_loaded = false;
std::map<wchar_t, DriveRoot> g_drives;

std::string TrimSlashes(std::string s) {
  while (!s.empty() && s.back() == '/') s.pop_back();
  return s;
}

void MakeTree(const std::string& path) {
  std::string part;
  size_t pos = 0;
  while (pos != std::string::npos) {
    pos = path.find('/', pos + 1);
    part = path.substr(0, pos);
    if (!part.empty()) mkdir(part.c_str(), 0777);
  }
}

std::string DefaultDriveC() {
  const char* data = getenv("XDG_DATA_HOME");
  std::string base;
  if (data && *data == '/') {
    base = data;
  } else {
    const char* home = getenv("HOME");
    base = std::string(home && *home ? home : "/tmp") + "/.local/share";
  }
  return TrimSlashes(base) + "/jfinstall/drive_c";
}

void AddDrive(wchar_t letter, const std::string& folder) {
  DriveRoot d;
  d.root = TrimSlashes(folder);
  if (!d.root.empty()) MakeTree(d.root);
  char resolved[PATH_MAX];
  d.canonical = realpath(d.root.empty() ? "/" : d.root.c_str(), resolved) ? TrimSlashes(resolved) : d.root;
  g_drives[letter] = d;
}

// Called with g_mapLock held.
void LoadDrives() {
  if (g_loaded) return;
  g_drives.clear();
  AddDrive(L'Z', "");
  if (const char* spec = getenv("JF_DRIVES")) {
    std::string all(spec);
    size_t start = 0;
    while (start <= all.size()) {
      size_t end = all.find(';', start);
      if (end == std::string::npos) end = all.size();
      std::string item = all.substr(start, end - start);
      if (item.size() > 2 && item[1] == '=' && isalpha(static_cast<unsigned char>(item[0])) && item[2] == '/')
        AddDrive(static_cast<wchar_t>(toupper(static_cast<unsigned char>(item[0]))), item.substr(2));
      start = end + 1;
    }
  }
  if (!g_drives.count(L'C')) AddDrive(L'C', DefaultDriveC());
  g_loaded = true;
}

wchar_t AsciiUpper(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c; }

bool IsSep(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsDriveSpec(const std::wstring& p) {
  return p.size() >= 2 && p[1] == L':' && ((p[0] >= L'A' && p[0] <= L'Z') || (p[0] >= L'a' && p[0] <= L'z'));
}

bool HasForbiddenChar(const std::wstring& s) {
  for (wchar_t c : s) {
    if (c < 32 || c == L'<' || c == L'>' || c == L':' || c == L'"' || c == L'|' || c == L'?' || c == L'*')
      return true;
  }
  return false;
}

// Splits `rest` on both separators and folds "." and ".." into `parts`.
void AppendComponents(const std::wstring& rest, std::vector<std::wstring>& parts) {
  size_t i = 0;
  while (i < rest.size()) {
    size_t j = i;
    while (j < rest.size() && !IsSep(rest[j])) ++j;
    std::wstring c = rest.substr(i, j - i);
    if (c == L"..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!c.empty() && c != L".") {
      parts.push_back(c);
    }
    i = j + 1;
  }
}

}  // namespace

namespace jf {

std::wstring CurrentWinDirectory() {
  char buf[PATH_MAX];
  if (!getcwd(buf, sizeof buf)) return L"C:\\";
  return WinPathFromHost(buf);
}

bool FullWinPath(const std::wstring& winPathIn, std::wstring& fullPath) {
  std::wstring p = winPathIn;
  if (p.empty()) {
    JF_SET_ERROR(Files, ERROR_PATH_NOT_FOUND);
    return false;
  }
  if (p.size() >= 4 && IsSep(p[0]) && IsSep(p[1]) && (p[2] == L'?' || p[2] == L'.') && IsSep(p[3])) {
    p = p.substr(4);
    if (p.size() >= 4 && (p.compare(0, 3, L"UNC") == 0 || p.compare(0, 3, L"unc") == 0) && IsSep(p[3])) {
      JF_SET_ERROR(Files, ERROR_BAD_NETPATH);
      return false;
    }
  }
  if (p.size() >= 2 && IsSep(p[0]) && IsSep(p[1])) {
    JF_SET_ERROR(Files, ERROR_BAD_NETPATH);
    return false;
  }
  wchar_t drive;
  std::vector<std::wstring> parts;
  std::wstring rest;
  if (IsDriveSpec(p)) {
    drive = AsciiUpper((p[0]));
    rest = p.substr(2);
    if (rest.empty() || !IsSep(rest[0])) {
      // "C:name" is relative to the current directory when that is on C:, else to the root.
      std::wstring cur = CurrentWinDirectory();
      if (AsciiUpper((cur[0])) == drive) AppendComponents(cur.substr(2), parts);
    }
  } else {
    std::wstring cur = CurrentWinDirectory();
    drive = cur[0];
    rest = p;
    if (!IsSep(p[0])) AppendComponents(cur.substr(2), parts);
  }
  AppendComponents(rest, parts);
  fullPath.assign(1, drive);
  fullPath += L":";
  if (parts.empty()) fullPath += L"\\";
  for (const std::wstring& c : parts) fullPath += L"\\" + c;
  return true;
}

bool HostPathFromWin(const std::wstring& winPath, std::string& hostPath) {
  std::wstring full;
  if (!FullWinPath(winPath, full)) return false;
  if (HasForbiddenChar(full.substr(2))) {
    JF_SET_ERROR(Files, ERROR_INVALID_NAME);
    return false;
  }
  std::string root;
  if (!DriveHostRoot(full[0], root)) {
    JF_SET_ERROR(Files, ERROR_PATH_NOT_FOUND);
    return false;
  }
  std::string rest = ToUtf8(full.substr(2));
  for (char& c : rest) {
    if (c == '\\') c = '/';
  }
  if (rest == "/") {
    hostPath = root.empty() ? "/" : root;
  } else {
    hostPath = root + rest;
  }
  return true;
}

std::wstring WinPathFromHost(const std::string& hostPathIn) {
  std::string host = hostPathIn;
  if (host.empty() || host[0] != '/') {
    char buf[PATH_MAX];
    std::string cwd = getcwd(buf, sizeof buf) ? buf : "/";
    host = TrimSlashes(cwd) + "/" + host;
  }
  // Fold "." and ".." lexically, as the Windows side would.
  std::vector<std::wstring> parts;
  AppendComponents(FromUtf8(host), parts);
  std::string norm;
  for (const std::wstring& c : parts) norm += "/" + ToUtf8(c);

  wchar_t bestLetter = L'Z';
  size_t bestLen = 0;
  {
    std::lock_guard<std::mutex> lock(g_mapLock);
    LoadDrives();
    for (const auto& d : g_drives) {
      if (d.first == L'Z') continue;
      for (const std::string* r : {&d.second.root, &d.second.canonical}) {
        if (r->empty() || r->size() <= bestLen) continue;
        if (norm.compare(0, r->size(), *r) == 0 && (norm.size() == r->size() || norm[r->size()] == '/')) {
          bestLetter = d.first;
          bestLen = r->size();
        }
      }
    }
  }
  std::wstring rest = FromUtf8(norm.substr(bestLen));
  for (wchar_t& c : rest) {
    if (c == L'/') c = L'\\';
  }
  if (rest.empty()) rest = L"\\";
  return std::wstring(1, bestLetter) + L":" + rest;
}

std::vector<std::pair<wchar_t, std::string>> MappedDrives() {
  std::lock_guard<std::mutex> lock(g_mapLock);
  LoadDrives();
  std::vector<std::pair<wchar_t, std::string>> out;
  for (const auto& d : g_drives) out.emplace_back(d.first, d.second.root);
  return out;
}

bool DriveHostRoot(wchar_t letter, std::string& hostRoot) {
  std::lock_guard<std::mutex> lock(g_mapLock);
  LoadDrives();
  auto it = g_drives.find(AsciiUpper((letter)));
  if (it == g_drives.end()) return false;
  hostRoot = it->second.root;
  return true;
}

void ResetDriveMapForTests() {
  std::lock_guard<std::mutex> lock(g_mapLock);
  g_loaded = false;
  g_drives.clear();
}

}  // namespace jf

DWORD GetCurrentDirectoryW(DWORD nBufferLength, LPWSTR lpBuffer) {
  return jf::CopyOutOrNeeded(jf::CurrentWinDirectory(), lpBuffer, nBufferLength);
}

BOOL SetCurrentDirectoryW(LPCWSTR lpPathName) {
  std::string host;
  if (!lpPathName || !jf::HostPathFromWin(lpPathName, host)) {
    if (!lpPathName) JF_SET_ERROR(Files, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (chdir(host.c_str()) != 0) {
    int err = errno;
    JF_SET_PATH_ERROR(Files, err, host);
    if (err == ENOTDIR) JF_SET_ERROR(Files, ERROR_DIRECTORY);
    return FALSE;
  }
  return TRUE;
}

DWORD GetFullPathNameW(LPCWSTR lpFileName, DWORD nBufferLength, LPWSTR lpBuffer, LPWSTR* lpFilePart) {
  std::wstring full;
  if (!lpFileName) {
    JF_SET_ERROR(Files, ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (!jf::FullWinPath(lpFileName, full)) return 0;
  // A trailing separator in the input is kept, as Windows does.
  std::wstring in(lpFileName);
  if (!in.empty() && IsSep(in.back()) && full.back() != L'\\') full += L'\\';
  DWORD n = jf::CopyOutOrNeeded(full, lpBuffer, nBufferLength);
  if (n > full.size()) return n;
  if (lpFilePart) {
    size_t slash = full.rfind(L'\\');
    *lpFilePart = (slash + 1 < full.size()) ? lpBuffer + slash + 1 : nullptr;
  }
  return n;
}

wchar_t* _wfullpath(wchar_t* absPath, const wchar_t* relPath, size_t maxLength) {
  std::wstring full;
  if (!jf::FullWinPath(relPath && *relPath ? relPath : L".", full)) {
    errno = EINVAL;
    return nullptr;
  }
  if (!absPath) {
    absPath = static_cast<wchar_t*>(malloc((full.size() + 1) * sizeof(wchar_t)));
    if (!absPath) {
      errno = ENOMEM;
      return nullptr;
    }
  } else if (maxLength <= full.size()) {
    errno = ERANGE;
    return nullptr;
  }
  full.copy(absPath, full.size());
  absPath[full.size()] = 0;
  return absPath;
}
