// Reading a dropped file list: the names after the DROPFILES head, wide or in the ANSI code
// page, as the drop target received them (from this program or from another).
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

// The block's head, copied out; false when the block is shorter than one.
bool HeadOf(const char* bytes, size_t size, DROPFILES* head) {
  if (!bytes || size < sizeof(DROPFILES)) return false;
  std::memcpy(head, bytes, sizeof(DROPFILES));
  return true;
}

// Walks the names of a block up to the one numbered `wanted` (which goes to `name`) or to the
// list's end, and gives how many names it passed. Another program chose the layout: the list
// is read from its own bytes only, whole characters copied one at a time (its offset need not
// be aligned); the block's end ends the list as a NUL would, and so does an empty name.
UINT Walk(HDROP drop, UINT wanted, std::wstring* name) {
  auto* mem = reinterpret_cast<HGLOBAL>(drop);
  const auto* bytes = static_cast<const char*>(GlobalLock(mem));
  const size_t size = bytes ? GlobalSize(mem) : 0;
  DROPFILES head{};
  UINT index = 0;
  if (HeadOf(bytes, size, &head) && head.pFiles >= sizeof(DROPFILES) && head.pFiles < size) {
    const size_t unit = head.fWide ? sizeof(wchar_t) : 1;
    std::string narrow;
    size_t length = 0;
    for (size_t at = head.pFiles;; at += unit) {
      wchar_t ch = 0;
      if (at <= size - unit) {
        if (head.fWide) std::memcpy(&ch, bytes + at, unit);
        else ch = wchar_t(static_cast<unsigned char>(bytes[at]));
      }
      if (ch != 0) {
        if (index == wanted && head.fWide) name->push_back(ch);
        if (index == wanted && !head.fWide) narrow.push_back(char(ch));
        ++length;
        continue;
      }
      if (length == 0 || index == wanted) break;
      ++index;
      length = 0;
    }
    if (index == wanted && !narrow.empty()) {
      const int n = MultiByteToWideChar(CP_ACP, 0, narrow.data(), int(narrow.size()), nullptr, 0);
      name->assign(size_t(n > 0 ? n : 0), L'\0');
      if (n > 0) MultiByteToWideChar(CP_ACP, 0, narrow.data(), int(narrow.size()), &(*name)[0], n);
    }
  }
  if (bytes) GlobalUnlock(mem);
  return index;
}

}  // namespace

UINT DragQueryFileW(HDROP hDrop, UINT iFile, LPWSTR lpszFile, UINT cch) {
  std::wstring name;
  if (iFile == 0xFFFFFFFFu) return Walk(hDrop, iFile, &name);
  if (Walk(hDrop, iFile, &name) != iFile || name.empty()) return 0;
  if (!lpszFile) return UINT(name.size());
  if (cch == 0) return 0;
  const size_t n = std::min<size_t>(name.size(), cch - 1);
  wmemcpy(lpszFile, name.data(), n);
  lpszFile[n] = 0;
  return UINT(n);
}

BOOL DragQueryPoint(HDROP hDrop, POINT* ppt) {
  if (!ppt) return FALSE;
  auto* mem = reinterpret_cast<HGLOBAL>(hDrop);
  const auto* bytes = static_cast<const char*>(GlobalLock(mem));
  DROPFILES head{};
  const bool whole = HeadOf(bytes, bytes ? GlobalSize(mem) : 0, &head);
  if (bytes) GlobalUnlock(mem);
  *ppt = whole ? head.pt : POINT{0, 0};
  return whole && !head.fNC;
}

void DragFinish(HDROP hDrop) { GlobalFree(reinterpret_cast<HGLOBAL>(hDrop)); }
