// Item lists that carry a special folder: the shell's way of naming a folder.
#include <cstring>
#include <string>

#include "platform/src/files/FilesArea.h"
#include <shlobj.h>
#include <errhandlingapi.h>
#include <objbase.h>
#include <winerror.h>
#include "platform/src/internal/shellitems.h"

namespace {

// Item lists of the layer: one item holding this tag and the folder's wide path, then the
// zero terminator of the list.
const char kTag[4] = {'J', 'F', 'P', '1'};

}  // namespace

namespace jf {

PIDLIST_ABSOLUTE ItemListFromPath(const std::wstring& path) {
  if (path.size() >= MAX_PATH) return nullptr;
  size_t textBytes = (path.size() + 1) * sizeof(wchar_t);
  size_t itemBytes = sizeof(USHORT) + sizeof kTag + textBytes;
  auto* block = static_cast<BYTE*>(CoTaskMemAlloc(itemBytes + sizeof(USHORT)));
  if (!block) return nullptr;
  USHORT cb = static_cast<USHORT>(itemBytes);
  USHORT end = 0;
  std::memcpy(block, &cb, sizeof cb);
  std::memcpy(block + sizeof cb, kTag, sizeof kTag);
  std::memcpy(block + sizeof cb + sizeof kTag, path.c_str(), textBytes);
  std::memcpy(block + itemBytes, &end, sizeof end);
  return reinterpret_cast<PIDLIST_ABSOLUTE>(block);
}

}  // namespace jf

HRESULT SHGetSpecialFolderLocation(HWND /*hwnd*/, int csidl, LPITEMIDLIST* ppidl) {
  if (!ppidl) return E_INVALIDARG;
  *ppidl = nullptr;
  std::wstring path;
  if (!jf::SpecialFolderPath(csidl, path)) {
    return GetLastError() == ERROR_INVALID_PARAMETER ? E_INVALIDARG : HRESULT_FROM_WIN32(GetLastError());
  }
  *ppidl = jf::ItemListFromPath(path);
  return *ppidl ? S_OK : E_OUTOFMEMORY;
}

BOOL SHGetPathFromIDListW(LPCITEMIDLIST pidl, LPWSTR pszPath) {
  if (!pszPath) return FALSE;
  pszPath[0] = 0;
  if (!pidl) return FALSE;
  const auto* block = reinterpret_cast<const BYTE*>(pidl);
  USHORT cb;
  std::memcpy(&cb, block, sizeof cb);
  size_t head = sizeof cb + sizeof kTag;
  if (cb < head + sizeof(wchar_t) || std::memcmp(block + sizeof cb, kTag, sizeof kTag) != 0) return FALSE;
  size_t chars = (cb - head) / sizeof(wchar_t);
  if (chars > MAX_PATH) return FALSE;
  std::memcpy(pszPath, block + head, chars * sizeof(wchar_t));
  pszPath[chars - 1] = 0;
  return TRUE;
}

void ILFree(LPITEMIDLIST pidl) { CoTaskMemFree(pidl); }
