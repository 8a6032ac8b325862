// SHBrowseForFolderW: a small modal folder chooser. Its dialog window talks to the caller's
// callback (BFFM_INITIALIZED, BFFM_SELCHANGED, BFFM_SETSELECTIONW); without a screen nobody
// can pick a folder, so it is cancelled unless a test drives it.
#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include <cstring>
#include <mutex>

namespace {

const wchar_t kClass[] = L"JfBrowseFolderDialog";
// The shell's item-id layout: one item (size, tag "JFP1", the path with its terminator)
// followed by an empty item.
const char kTag[4] = {'J', 'F', 'P', '1'};

std::mutex g_lock;
jf::BrowseFolderDriver& Driver() {
  static auto* driver = new jf::BrowseFolderDriver;
  return *driver;
}

struct Dialog {
  BROWSEINFOW* info = nullptr;
  std::wstring selection;
  bool okEnabled = true;
};

PIDLIST_ABSOLUTE MakeIdList(const std::wstring& path) {
  size_t textBytes = (path.size() + 1) * sizeof(wchar_t);
  size_t itemBytes = sizeof(USHORT) + sizeof kTag + textBytes;
  if (itemBytes > 0xFFFF) return nullptr;
  auto* block = static_cast<BYTE*>(CoTaskMemAlloc(itemBytes + sizeof(USHORT)));
  if (block == nullptr) return nullptr;
  USHORT cb = USHORT(itemBytes);
  USHORT end = 0;
  memcpy(block, &cb, sizeof cb);
  memcpy(block + sizeof cb, kTag, sizeof kTag);
  memcpy(block + sizeof cb + sizeof kTag, path.c_str(), textBytes);
  memcpy(block + itemBytes, &end, sizeof end);
  return reinterpret_cast<PIDLIST_ABSOLUTE>(block);
}

bool IsFolder(const std::wstring& path) {
  DWORD attrs = GetFileAttributesW(path.c_str());
  return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void Notify(HWND hwnd, Dialog* d, UINT msg, LPARAM lParam) {
  if (d->info->lpfn != nullptr) d->info->lpfn(hwnd, msg, lParam, d->info->lParam);
}

void Select(HWND hwnd, Dialog* d, const std::wstring& path) {
  d->selection = path;
  PIDLIST_ABSOLUTE pidl = MakeIdList(path);
  Notify(hwnd, d, BFFM_SELCHANGED, reinterpret_cast<LPARAM>(pidl));
  CoTaskMemFree(pidl);
}

LRESULT CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  auto d = reinterpret_cast<Dialog*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (d == nullptr) return DefWindowProcW(hwnd, msg, wParam, lParam);
  switch (msg) {
    case BFFM_SETSELECTIONW: {
      // wParam TRUE: lParam is a path; FALSE: an item-id list.
      std::wstring path;
      if (wParam) {
        if (lParam != 0) path = reinterpret_cast<LPCWSTR>(lParam);
      } else {
        wchar_t buffer[MAX_PATH];
        if (SHGetPathFromIDListW(reinterpret_cast<LPCITEMIDLIST>(lParam), buffer)) path = buffer;
      }
      if (!path.empty()) Select(hwnd, d, path);
      return 0;
    }
    case BFFM_ENABLEOK:
      d->okEnabled = lParam != 0;
      return 0;
    case BFFM_SETSTATUSTEXTW:
    case BFFM_SETOKTEXT:
    case BFFM_SETEXPANDED:
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

void RegisterOnce() {
  static const bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = DialogProc;
    wc.lpszClassName = kClass;
    return RegisterClassExW(&wc) != 0;
  }();
  (void)registered;
}

}  // namespace

namespace jf {

void TestSetBrowseFolderDriver(BrowseFolderDriver driver) {
  std::lock_guard<std::mutex> guard(g_lock);
  Driver() = std::move(driver);
}

}  // namespace jf

PIDLIST_ABSOLUTE WINAPI SHBrowseForFolderW(LPBROWSEINFOW bi) {
  if (bi == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  RegisterOnce();
  jf::BrowseFolderDriver driver;
  {
    std::lock_guard<std::mutex> guard(g_lock);
    driver = Driver();
  }
  Dialog d;
  d.info = bi;
  wchar_t start[MAX_PATH] = {};
  if (bi->pidlRoot != nullptr && SHGetPathFromIDListW(bi->pidlRoot, start)) d.selection = start;
  HWND owner = bi->hwndOwner != nullptr && IsWindow(bi->hwndOwner) ? bi->hwndOwner : nullptr;
  HWND dialog = CreateWindowExW(WS_EX_DLGMODALFRAME, kClass, bi->lpszTitle, WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0,
                                420, 360, owner, nullptr, nullptr, &d);
  if (dialog == nullptr) return nullptr;
  bool disabled = owner != nullptr && IsWindowEnabled(owner);
  if (disabled) EnableWindow(owner, FALSE);
  Notify(dialog, &d, BFFM_INITIALIZED, 0);
  std::wstring chosen;
  if (driver) chosen = driver(dialog, d.selection);
  if (!chosen.empty() && (bi->ulFlags & BIF_RETURNONLYFSDIRS) != 0 && !IsFolder(chosen)) {
    if ((bi->ulFlags & BIF_VALIDATE) != 0) Notify(dialog, &d, BFFM_VALIDATEFAILEDW, reinterpret_cast<LPARAM>(chosen.c_str()));
    chosen.clear();
  }
  if (!d.okEnabled) chosen.clear();
  if (disabled && IsWindow(owner)) EnableWindow(owner, TRUE);
  DestroyWindow(dialog);
  if (chosen.empty()) return nullptr;
  if (bi->pszDisplayName != nullptr) {
    size_t cut = chosen.find_last_of(L"\\/");
    std::wstring name = cut == std::wstring::npos || cut + 1 == chosen.size() ? chosen : chosen.substr(cut + 1);
    wcsncpy(bi->pszDisplayName, name.c_str(), MAX_PATH - 1);
    bi->pszDisplayName[MAX_PATH - 1] = 0;
  }
  return MakeIdList(chosen);
}
