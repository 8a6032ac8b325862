// Special folders laid out as on Windows 10 inside drive C:.
#include "platform/src/files/FilesArea.h"

#include <pwd.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>

#include <errhandlingapi.h>
#include <windows/files.h>
#include "platform/src/internal/paths.h"
#include "platform/src/internal/utf.h"
#include <shlwapi.h>
#include <winerror.h>
#include "platform/src/internal/errors.h"

namespace {

std::wstring UserName() {
  const char* name = getenv("USER");
  if (!name || !*name) {
    struct passwd* pw = getpwuid(geteuid());
    name = pw ? pw->pw_name : nullptr;
  }
  std::wstring w = jf::FromUtf8(name && *name ? name : "User");
  for (wchar_t& c : w) {
    if (c == L'\\' || c == L'/' || c == L':' || c < 32) c = L'_';
  }
  return w;
}

bool RelativeFolder(int csidl, std::wstring& rel) {
  const std::wstring user = L"Users\\" + UserName();
  const std::wstring roaming = user + L"\\AppData\\Roaming";
  switch (csidl) {
    case CSIDL_DESKTOP:
    case CSIDL_DESKTOPDIRECTORY: rel = user + L"\\Desktop"; return true;
    case CSIDL_PERSONAL: rel = user + L"\\Documents"; return true;
    case CSIDL_APPDATA: rel = roaming; return true;
    case CSIDL_LOCAL_APPDATA: rel = user + L"\\AppData\\Local"; return true;
    case jf::kFolderTemp: rel = user + L"\\AppData\\Local\\Temp"; return true;
    case CSIDL_STARTMENU: rel = roaming + L"\\Microsoft\\Windows\\Start Menu"; return true;
    case CSIDL_PROGRAMS: rel = roaming + L"\\Microsoft\\Windows\\Start Menu\\Programs"; return true;
    case CSIDL_COMMON_STARTMENU: rel = L"ProgramData\\Microsoft\\Windows\\Start Menu"; return true;
    case CSIDL_COMMON_PROGRAMS: rel = L"ProgramData\\Microsoft\\Windows\\Start Menu\\Programs"; return true;
    case CSIDL_COMMON_DESKTOPDIRECTORY: rel = L"Users\\Public\\Desktop"; return true;
    case CSIDL_COMMON_DOCUMENTS: rel = L"Users\\Public\\Documents"; return true;
    case CSIDL_COMMON_APPDATA: rel = L"ProgramData"; return true;
    case CSIDL_WINDOWS: rel = L"Windows"; return true;
    case CSIDL_SYSTEM: rel = L"Windows\\System32"; return true;
    case CSIDL_PROGRAM_FILES: rel = L"Program Files"; return true;
    case CSIDL_PROGRAM_FILESX86: rel = L"Program Files (x86)"; return true;
    default: return false;
  }
}

// Creates every missing level of a full Windows path. ERROR_SUCCESS when the last level was
// created here, ERROR_ALREADY_EXISTS when it was there, else the error of the failing level.
DWORD CreateTree(const std::wstring& full) {
  size_t pos = 3;  // after "X:\"
  DWORD last = ERROR_SUCCESS;
  while (pos <= full.size()) {
    size_t next = full.find(L'\\', pos);
    if (next == std::wstring::npos) next = full.size();
    std::wstring level = full.substr(0, next);
    if (CreateDirectoryW(level.c_str(), nullptr)) {
      last = ERROR_SUCCESS;
    } else {
      last = GetLastError();
      if (last != ERROR_ALREADY_EXISTS) return last;
    }
    pos = next + 1;
  }
  return last;
}

}  // namespace

namespace jf {

bool SpecialFolderPath(int csidl, std::wstring& path) {
  std::wstring rel;
  if (!RelativeFolder(csidl & ~CSIDL_FLAG_MASK, rel)) {
    JF_SET_ERROR(Files, ERROR_INVALID_PARAMETER);
    return false;
  }
  path = L"C:\\" + rel;
  DWORD err = CreateTree(path);
  if (err != ERROR_SUCCESS && err != ERROR_ALREADY_EXISTS) {
    JF_SET_ERROR(Files, err);
    return false;
  }
  DWORD attrs = GetFileAttributesW(path.c_str());
  if (attrs == INVALID_FILE_ATTRIBUTES || !(attrs & FILE_ATTRIBUTE_DIRECTORY)) {
    JF_SET_ERROR(Files, ERROR_PATH_NOT_FOUND);
    return false;
  }
  return true;
}

}  // namespace jf

BOOL SHGetSpecialFolderPathW(HWND /*hwnd*/, LPWSTR pszPath, int csidl, BOOL /*fCreate*/) {
  std::wstring path;
  if (!pszPath || !jf::SpecialFolderPath(csidl, path) || path.size() >= MAX_PATH) return FALSE;
  path.copy(pszPath, path.size());
  pszPath[path.size()] = 0;
  return TRUE;
}

HRESULT SHGetFolderPathW(HWND /*hwnd*/, int csidl, HANDLE /*hToken*/, DWORD /*dwFlags*/, LPWSTR pszPath) {
  if (!pszPath) return E_INVALIDARG;
  pszPath[0] = 0;
  std::wstring path;
  if (!jf::SpecialFolderPath(csidl, path)) {
    return GetLastError() == ERROR_INVALID_PARAMETER ? E_INVALIDARG : HRESULT_FROM_WIN32(GetLastError());
  }
  if (path.size() >= MAX_PATH) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
  path.copy(pszPath, path.size());
  pszPath[path.size()] = 0;
  return S_OK;
}

int SHCreateDirectoryExW(HWND /*hwnd*/, LPCWSTR pszPath, const SECURITY_ATTRIBUTES* /*psa*/) {
  if (!pszPath || PathIsRelativeW(pszPath)) return ERROR_BAD_PATHNAME;
  std::wstring full;
  if (!jf::FullWinPath(pszPath, full)) return static_cast<int>(GetLastError());
  DWORD attrs = GetFileAttributesW(full.c_str());
  if (attrs != INVALID_FILE_ATTRIBUTES) {
    return (attrs & FILE_ATTRIBUTE_DIRECTORY) ? ERROR_ALREADY_EXISTS : ERROR_FILE_EXISTS;
  }
  DWORD err = CreateTree(full);
  JF_SET_ERROR(Files, err);
  return static_cast<int>(err);
}
