// FindFirstFileW / FindNextFileW / FindClose.
#include <sys/stat.h>

#include <memory>

#include "platform/src/files/FileFindObject.h"
#include "platform/src/files/FilesArea.h"
#include <errhandlingapi.h>
#include <windows/files.h>
#include <windows/kernel.h>
#include "platform/src/internal/paths.h"
#include <winerror.h>
#include "platform/src/internal/errors.h"

HANDLE FindFirstFileW(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData) {
  if (!lpFileName || !lpFindFileData || !*lpFileName) {
    JF_SET_ERROR(Files, lpFileName && !*lpFileName ? ERROR_PATH_NOT_FOUND : ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  std::wstring full;
  if (!jf::FullWinPath(lpFileName, full)) return INVALID_HANDLE_VALUE;
  std::wstring given(lpFileName);
  if (given.back() == L'\\' || given.back() == L'/') {
    JF_SET_ERROR(Files, ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  size_t slash = full.rfind(L'\\');
  std::wstring folder = full.substr(0, slash == 2 ? 3 : slash);
  std::wstring pattern = full.substr(slash + 1);
  std::string hostDir;
  if (!jf::HostPathFromWin(folder, hostDir)) return INVALID_HANDLE_VALUE;
  struct stat st;
  if (stat(hostDir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    JF_SET_ERROR(Files, ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  if (pattern.find_first_of(L"<>:\"|") != std::wstring::npos) {
    JF_SET_ERROR(Files, ERROR_INVALID_NAME);
    return INVALID_HANDLE_VALUE;
  }
  bool atRoot = folder.size() == 3;
  auto entries = jf::FileFindObject::List(hostDir, pattern, !atRoot);
  if (entries.empty()) {
    JF_SET_ERROR(Files, ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  auto obj = std::make_shared<jf::FileFindObject>(std::move(entries));
  obj->Next(lpFindFileData);
  SetLastError(ERROR_SUCCESS);
  return jf::RegisterHandle(obj);
}

BOOL FindNextFileW(HANDLE hFindFile, LPWIN32_FIND_DATAW lpFindFileData) {
  auto obj = jf::LookupHandleAs<jf::FileFindObject>(hFindFile);
  if (!obj || !lpFindFileData) {
    JF_SET_ERROR(Files, obj ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!obj->Next(lpFindFileData)) {
    JF_SET_ERROR(Files, ERROR_NO_MORE_FILES);
    return FALSE;
  }
  return TRUE;
}

BOOL FindClose(HANDLE hFindFile) {
  if (!jf::LookupHandleAs<jf::FileFindObject>(hFindFile)) {
    JF_SET_ERROR(Files, ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return CloseHandle(hFindFile);
}
