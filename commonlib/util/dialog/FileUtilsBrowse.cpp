// The shell's folder browser. A unit of its own, linked only by the programs that show the
// dialog: the download engine's programs show none and map no drawing or display library.
#include "commonlib/util/FileUtils.h"

#include <shlobj.h>

namespace FileUtils {

int CALLBACK BrowseFolderCallback(HWND hwnd, UINT msg, LPARAM lParam, LPARAM data) {
  if (msg == BFFM_INITIALIZED) {
    const wchar_t* start = reinterpret_cast<const wchar_t*>(data);
    wchar_t current[MAX_PATH] = {};
    if (start == nullptr || start[0] == L'\0') {
      DWORD n = GetCurrentDirectoryW(MAX_PATH, current);
      if (n == 0 || n >= MAX_PATH) current[0] = L'\0';
      start = current;
    }
    SendMessageW(hwnd, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(start));
  } else if (msg == BFFM_SELCHANGED) {
    wchar_t path[MAX_PATH] = {};
    if (SHGetPathFromIDListW(reinterpret_cast<PCIDLIST_ABSOLUTE>(lParam), path))
      SendMessageW(hwnd, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(path));
  }
  return 0;
}

std::wstring BrowseForFolder(HWND owner, const std::wstring& startFolder) {
  wchar_t displayName[MAX_PATH] = {};
  BROWSEINFOW bi{};
  bi.hwndOwner = owner;
  bi.pszDisplayName = displayName;
  bi.lpszTitle = L"选择文件夹";
  bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_NEWDIALOGSTYLE;
  bi.lpfn = BrowseFolderCallback;
  bi.lParam = reinterpret_cast<LPARAM>(startFolder.c_str());
  PIDLIST_ABSOLUTE pidl = SHBrowseForFolderW(&bi);
  if (pidl == nullptr) return std::wstring();
  wchar_t path[MAX_PATH] = {};
  BOOL ok = SHGetPathFromIDListW(pidl, path);
  CoTaskMemFree(pidl);
  if (!ok) return std::wstring();
  std::wstring chosen(path);
  if (chosen.size() > 3 && chosen.back() == L'\\') chosen.pop_back();
  return chosen;
}

}  // namespace FileUtils
