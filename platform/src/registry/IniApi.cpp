// GetPrivateProfileStringW / GetPrivateProfileIntW / WritePrivateProfileStringW.
#include <mutex>
#include <string>
#include <vector>

#include "platform/src/registry/IniFile.h"
#include "platform/src/files/FilesArea.h"
#include <errhandlingapi.h>
#include <windows/files.h>
#include "platform/src/internal/paths.h"
#include <winerror.h>
#include "platform/src/internal/errors.h"

namespace {

// One lock for every INI file of the process: a write is a read, a change and a rename.
std::mutex g_iniLock;

// A bare file name lives in the Windows folder, as on Windows.
bool IniHostPath(LPCWSTR fileName, std::string& host) {
  if (!fileName || !*fileName) {
    JF_SET_ERROR(Registry, ERROR_INVALID_PARAMETER);
    return false;
  }
  std::wstring name(fileName);
  if (name.find_first_of(L"\\/:") == std::wstring::npos) {
    std::wstring windows;
    if (!jf::SpecialFolderPath(CSIDL_WINDOWS, windows)) return false;
    name = windows + L"\\" + name;
  }
  return jf::HostPathFromWin(name, host);
}

// Copies a list of names, each terminated, with a final terminator; when it does not fit,
// the list is cut and ends with two terminators, and the result is nSize - 2.
DWORD CopyList(const std::vector<std::wstring>& names, LPWSTR out, DWORD nSize) {
  std::wstring all;
  for (const std::wstring& n : names) {
    all += n;
    all += L'\0';
  }
  if (all.size() + 1 <= nSize) {
    all.copy(out, all.size());
    out[all.size()] = 0;
    return static_cast<DWORD>(all.size());
  }
  if (nSize < 2) {
    out[0] = 0;
    return 0;
  }
  all.copy(out, nSize - 2);
  out[nSize - 2] = 0;
  out[nSize - 1] = 0;
  JF_SET_ERROR(Registry, ERROR_MORE_DATA);
  return nSize - 2;
}

DWORD CopyValue(const std::wstring& value, LPWSTR out, DWORD nSize) {
  size_t n = value.size();
  if (n >= nSize) {
    n = nSize - 1;
    JF_SET_ERROR(Registry, ERROR_MORE_DATA);
  }
  value.copy(out, n);
  out[n] = 0;
  return static_cast<DWORD>(n);
}

}  // namespace

DWORD GetPrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpDefault, LPWSTR lpReturnedString,
                               DWORD nSize, LPCWSTR lpFileName) {
  if (!lpReturnedString || nSize == 0) return 0;
  std::wstring def(lpDefault ? lpDefault : L"");
  while (!def.empty() && def.back() == L' ') def.pop_back();
  std::string host;
  jf::IniFile ini;
  bool loaded;
  {
    std::lock_guard<std::mutex> lock(g_iniLock);
    loaded = IniHostPath(lpFileName, host) && ini.Load(host);
  }
  DWORD err = loaded ? ERROR_SUCCESS : GetLastError();
  JF_SET_ERROR(Registry, err);
  if (!lpAppName) return CopyList(loaded ? ini.Sections() : std::vector<std::wstring>(), lpReturnedString, nSize);
  if (!lpKeyName) return CopyList(loaded ? ini.Keys(lpAppName) : std::vector<std::wstring>(), lpReturnedString, nSize);
  std::wstring value;
  if (!loaded || !ini.Get(lpAppName, lpKeyName, value)) value = def;
  return CopyValue(value, lpReturnedString, nSize);
}

UINT GetPrivateProfileIntW(LPCWSTR lpAppName, LPCWSTR lpKeyName, INT nDefault, LPCWSTR lpFileName) {
  wchar_t buf[64];
  if (!lpAppName || !lpKeyName) return static_cast<UINT>(nDefault);
  DWORD n = GetPrivateProfileStringW(lpAppName, lpKeyName, L"", buf, 64, lpFileName);
  if (n == 0) return static_cast<UINT>(nDefault);
  // Leading decimal digits; a negative value reads as zero.
  if (buf[0] == L'-') return 0;
  UINT value = 0;
  for (DWORD i = (buf[0] == L'+') ? 1 : 0; i < n && buf[i] >= L'0' && buf[i] <= L'9'; ++i) {
    value = value * 10 + static_cast<UINT>(buf[i] - L'0');
  }
  return value;
}

BOOL WritePrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpString, LPCWSTR lpFileName) {
  if (!lpAppName) {
    // All null asks to flush the cache; there is none.
    if (!lpKeyName && !lpString) return TRUE;
    JF_SET_ERROR(Registry, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string host;
  if (!IniHostPath(lpFileName, host)) return FALSE;
  std::lock_guard<std::mutex> lock(g_iniLock);
  jf::IniFile ini;
  if (!ini.Load(host)) {
    // A missing file is created (in the ANSI page, without a mark); anything else fails.
    if (GetLastError() != ERROR_FILE_NOT_FOUND) return FALSE;
    if (!lpKeyName || !lpString) return TRUE;
  }
  if (!lpKeyName) {
    ini.RemoveSection(lpAppName);
  } else if (!lpString) {
    ini.RemoveKey(lpAppName, lpKeyName);
  } else {
    ini.Set(lpAppName, lpKeyName, lpString);
  }
  if (!ini.Save(host)) return FALSE;
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}
