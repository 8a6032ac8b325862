// Reading a dropped file list: the names after the DROPFILES head, wide or in the ANSI code
// page, as the drop target received them (from this program or from another).
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

// The block's bytes, copied out: another program chose its layout, so nothing is read in place
// (an offset it gives need not be aligned) and nothing past its size.
std::string BlockBytes(HDROP drop) {
  auto* mem = reinterpret_cast<HGLOBAL>(drop);
  const auto* bytes = static_cast<const char*>(GlobalLock(mem));
  if (!bytes) return std::string();
  std::string copy(bytes, GlobalSize(mem));
  GlobalUnlock(mem);
  return copy;
}

bool HeadOf(const std::string& bytes, DROPFILES* head) {
  if (bytes.size() < sizeof(DROPFILES)) return false;
  std::memcpy(head, bytes.data(), sizeof(DROPFILES));
  return true;
}

// The names of a list: each ends with a NUL, an empty one ends the list (so does the block).
template <class Text>
std::vector<Text> Split(const Text& list) {
  std::vector<Text> names;
  for (size_t at = 0; at < list.size() && list[at] != 0;) {
    size_t end = list.find(typename Text::value_type(0), at);
    if (end == Text::npos) end = list.size();
    names.emplace_back(list, at, end - at);
    at = end + 1;
  }
  return names;
}

std::vector<std::wstring> Names(HDROP drop) {
  const std::string bytes = BlockBytes(drop);
  DROPFILES head{};
  if (!HeadOf(bytes, &head) || head.pFiles < sizeof(DROPFILES) || head.pFiles >= bytes.size()) return {};
  if (head.fWide) {
    // Whole characters only: a list may end inside one.
    std::wstring chars((bytes.size() - head.pFiles) / sizeof(wchar_t), L'\0');
    if (!chars.empty()) std::memcpy(&chars[0], bytes.data() + head.pFiles, chars.size() * sizeof(wchar_t));
    return Split(chars);
  }
  std::vector<std::wstring> names;
  for (const std::string& narrow : Split(bytes.substr(head.pFiles))) {
    const int n = MultiByteToWideChar(CP_ACP, 0, narrow.data(), int(narrow.size()), nullptr, 0);
    std::wstring wide(size_t(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, narrow.data(), int(narrow.size()), &wide[0], n);
    names.push_back(wide);
  }
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
  if (!ppt) return FALSE;
  DROPFILES head{};
  if (!HeadOf(BlockBytes(hDrop), &head)) {
    *ppt = POINT{0, 0};
    return FALSE;
  }
  *ppt = head.pt;
  return !head.fNC;
}

void DragFinish(HDROP hDrop) { GlobalFree(reinterpret_cast<HGLOBAL>(hDrop)); }
