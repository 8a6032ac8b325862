// Reading a dropped file list: the names after the DROPFILES head, wide or in the ANSI code
// page, as the drop target received them.
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

namespace {

std::vector<std::wstring> Names(HDROP drop) {
  std::vector<std::wstring> names;
  auto* mem = reinterpret_cast<HGLOBAL>(drop);
  const SIZE_T size = GlobalSize(mem);
  auto* head = static_cast<const DROPFILES*>(GlobalLock(mem));
  if (!head) return names;
  if (size >= sizeof(DROPFILES) && head->pFiles >= sizeof(DROPFILES) && head->pFiles < size) {
    const char* bytes = reinterpret_cast<const char*>(head);
    if (head->fWide) {
      const auto* p = reinterpret_cast<const wchar_t*>(bytes + head->pFiles);
      const auto* end = reinterpret_cast<const wchar_t*>(bytes + size);
      while (p < end && *p) {
        const wchar_t* q = p;
        while (q < end && *q) ++q;
        names.emplace_back(p, q);
        p = q + 1;
      }
    } else {
      const char* p = bytes + head->pFiles;
      const char* end = bytes + size;
      while (p < end && *p) {
        const char* q = p;
        while (q < end && *q) ++q;
        const std::string narrow(p, q);
        const int n = MultiByteToWideChar(CP_ACP, 0, narrow.c_str(), int(narrow.size()), nullptr, 0);
        std::wstring wide(size_t(n > 0 ? n : 0), L'\0');
        if (n > 0) MultiByteToWideChar(CP_ACP, 0, narrow.c_str(), int(narrow.size()), &wide[0], n);
        names.push_back(wide);
        p = q + 1;
      }
    }
  }
  GlobalUnlock(mem);
  return names;
}

}  // namespace

UINT DragQueryFileW(HDROP hDrop, UINT iFile, LPWSTR lpszFile, UINT cch) {
  const std::vector<std::wstring> names = Names(hDrop);
  if (iFile == 0xFFFFFFFFu) return UINT(names.size());
  if (iFile >= names.size()) return 0;
  const std::wstring& name = names[iFile];
  if (!lpszFile) return UINT(name.size());
  if (cch == 0) return 0;
  const size_t n = std::min<size_t>(name.size(), cch - 1);
  wmemcpy(lpszFile, name.data(), n);
  lpszFile[n] = 0;
  return UINT(n);
}

BOOL DragQueryPoint(HDROP hDrop, POINT* ppt) {
  auto* mem = reinterpret_cast<HGLOBAL>(hDrop);
  auto* head = static_cast<const DROPFILES*>(GlobalLock(mem));
  if (!head || !ppt) return FALSE;
  *ppt = head->pt;
  const BOOL client = !head->fNC;
  GlobalUnlock(mem);
  return client;
}

void DragFinish(HDROP hDrop) { GlobalFree(reinterpret_cast<HGLOBAL>(hDrop)); }
