// SHBrowseForFolderW: a small modal folder chooser (title, an edit box with the folder, the
// list of its subfolders, OK and Cancel). Its dialog window talks to the caller's callback
// (BFFM_INITIALIZED, BFFM_SELCHANGED, BFFM_SETSELECTIONW); without a screen nobody can pick a
// folder, so it is cancelled unless a test drives it.
#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/src/internal/errors.h"
#include "platform/src/controls/ControlDefault.h"
#include "platform/src/controls/DialogButtonRow.h"
#include "platform/src/display/DisplayArea.h"
#include "platform/testing/hooks/testinput.h"

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

constexpr int kEditId = 100;
constexpr int kLine = 20;
constexpr int kMargin = 10;

struct Dialog {
  BROWSEINFOW* info = nullptr;
  std::wstring selection;
  bool okEnabled = true;
  // On screen only.
  bool onScreen = false;
  HWND edit = nullptr;
  std::wstring folder;                // the folder whose subfolders are listed
  std::vector<std::wstring> entries;  // ".." first unless at a drive root
  int selected = -1;
  int scroll = 0;
  RECT list{};
  jf::DialogButtonRow row{{{IDOK, L"确定"}, {IDCANCEL, L"取消"}}, IDOK, IDCANCEL};
  bool done = false;
  bool accepted = false;
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

std::wstring Parent(const std::wstring& path) {
  size_t cut = path.find_last_of(L'\\');
  if (cut == std::wstring::npos) return path;
  return cut <= 2 ? path.substr(0, 3) : path.substr(0, cut);  // "C:\" keeps its backslash
}

std::wstring Join(const std::wstring& folder, const std::wstring& name) {
  if (name == L"..") return Parent(folder);
  return (!folder.empty() && folder.back() == L'\\') ? folder + name : folder + L"\\" + name;
}

void List(Dialog* d, const std::wstring& folder) {
  d->folder = folder;
  d->entries.clear();
  d->selected = -1;
  d->scroll = 0;
  if (folder.size() > 3) d->entries.push_back(L"..");
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(Join(folder, L"*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = data.cFileName;
      if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  std::sort(names.begin(), names.end());
  d->entries.insert(d->entries.end(), names.begin(), names.end());
}

// A new selection; `relist` shows its subfolders (a selection set from outside).
void Select(HWND hwnd, Dialog* d, const std::wstring& path, bool relist) {
  d->selection = path;
  if (d->onScreen) {
    if (relist && IsFolder(path)) List(d, path);
    if (d->edit != nullptr) SetWindowTextW(d->edit, path.c_str());
    d->selection = path;  // the edit box's EN_CHANGE said the same
    InvalidateRect(hwnd, nullptr, FALSE);
  }
  PIDLIST_ABSOLUTE pidl = MakeIdList(path);
  Notify(hwnd, d, BFFM_SELCHANGED, reinterpret_cast<LPARAM>(pidl));
  CoTaskMemFree(pidl);
}

int EntryAt(const Dialog* d, POINT pt) {
  if (pt.x < d->list.left || pt.x >= d->list.right || pt.y < d->list.top || pt.y >= d->list.bottom) return -1;
  int index = d->scroll + (pt.y - d->list.top) / kLine;
  return index < int(d->entries.size()) ? index : -1;
}

void PaintDialog(HWND hwnd, Dialog* d) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT client{};
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  HGDIOBJ old = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  if (d->info->lpszTitle != nullptr) {
    RECT title{kMargin, kMargin, client.right - kMargin, kMargin + 24};
    DrawTextW(dc, d->info->lpszTitle, -1, &title, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  }
  FillRect(dc, &d->list, GetSysColorBrush(COLOR_WINDOW));
  FrameRect(dc, &d->list, GetSysColorBrush(COLOR_BTNSHADOW));
  int rows = (d->list.bottom - d->list.top) / kLine;
  for (int i = 0; i < rows && d->scroll + i < int(d->entries.size()); ++i) {
    int index = d->scroll + i;
    RECT line{d->list.left + 1, d->list.top + i * kLine, d->list.right - 1, d->list.top + (i + 1) * kLine};
    bool chosen = index == d->selected;
    if (chosen) FillRect(dc, &line, GetSysColorBrush(COLOR_HIGHLIGHT));
    SetTextColor(dc, GetSysColor(chosen ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    line.left += 6;
    const std::wstring& name = d->entries[size_t(index)];
    DrawTextW(dc, name.c_str(), int(name.size()), &line, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  }
  SelectObject(dc, old);
  d->row.Paint(dc, font);
  EndPaint(hwnd, &ps);
}

void PressEntry(HWND hwnd, Dialog* d, POINT pt) {
  int index = EntryAt(d, pt);
  if (index >= 0) {
    d->selected = index;
    Select(hwnd, d, Join(d->folder, d->entries[size_t(index)]), false);
  }
  d->row.SetPressed(d->row.HitTest(pt));
  InvalidateRect(hwnd, nullptr, FALSE);
}

void OpenEntry(HWND hwnd, Dialog* d, POINT pt) {
  int index = EntryAt(d, pt);
  if (index >= 0) Select(hwnd, d, Join(d->folder, d->entries[size_t(index)]), true);
}

// A button (0 for none) ends the dialog: OK accepts, Cancel does not.
void Answer(Dialog* d, int id) {
  if (id == 0) return;
  d->accepted = id == IDOK;
  d->done = true;
}

void ReleaseButton(HWND hwnd, Dialog* d, POINT pt) {
  int id = d->row.HitTest(pt);
  d->row.SetPressed(0);
  InvalidateRect(hwnd, nullptr, FALSE);
  Answer(d, id);
}

void Wheel(HWND hwnd, Dialog* d, WPARAM wParam) {
  int rows = std::max<int>(1, (d->list.bottom - d->list.top) / kLine);
  int most = std::max<int>(0, int(d->entries.size()) - rows);
  d->scroll = std::clamp(d->scroll - GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA * 3, 0, most);
  InvalidateRect(hwnd, nullptr, FALSE);
}

// The edit box's text is the selection the caller gets.
void EditCommand(Dialog* d, WPARAM wParam) {
  if (LOWORD(wParam) != kEditId || HIWORD(wParam) != EN_CHANGE) return;
  wchar_t text[MAX_PATH] = {};
  GetWindowTextW(d->edit, text, MAX_PATH);
  d->selection = text;
}

// Clicks, keys and the edit box of the chooser on screen; false for anything else.
bool ScreenMessage(HWND hwnd, Dialog* d, UINT msg, WPARAM wParam, LPARAM lParam) {
  POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  switch (msg) {
    case WM_PAINT: PaintDialog(hwnd, d); return true;
    case WM_LBUTTONDOWN: PressEntry(hwnd, d, pt); return true;
    case WM_LBUTTONDBLCLK: OpenEntry(hwnd, d, pt); return true;
    case WM_LBUTTONUP: ReleaseButton(hwnd, d, pt); return true;
    case WM_MOUSEWHEEL: Wheel(hwnd, d, wParam); return true;
    case WM_KEYDOWN: Answer(d, d->row.ForKey(UINT(wParam))); return true;
    case WM_CLOSE: d->done = true; return true;
    case WM_COMMAND: EditCommand(d, wParam); return true;
    default: return false;
  }
}

// wParam TRUE: lParam is a path; FALSE: an item-id list.
void SetSelection(HWND hwnd, Dialog* d, WPARAM wParam, LPARAM lParam) {
  std::wstring path;
  if (wParam) {
    if (lParam != 0) path = reinterpret_cast<LPCWSTR>(lParam);
  } else {
    wchar_t buffer[MAX_PATH];
    if (SHGetPathFromIDListW(reinterpret_cast<LPCITEMIDLIST>(lParam), buffer)) path = buffer;
  }
  if (!path.empty()) Select(hwnd, d, path, true);
}

LRESULT NotDone(UINT msg) {
  JF_FIXME(Controls, "message 0x%x", msg);
  return 0;
}

LRESULT CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  JF_CONTROL_ENTRY(hwnd, msg, wParam, lParam);
  if (msg == WM_NCCREATE) {
    auto cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  auto d = reinterpret_cast<Dialog*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (d == nullptr) return DefWindowProcW(hwnd, msg, wParam, lParam);
  switch (msg) {
    case BFFM_SETSELECTIONW: SetSelection(hwnd, d, wParam, lParam); return 0;
    case BFFM_ENABLEOK: d->okEnabled = lParam != 0; return 0;
    case BFFM_SETSTATUSTEXTW: return NotDone(msg);
    case BFFM_SETOKTEXT: return NotDone(msg);
    case BFFM_SETEXPANDED: return NotDone(msg);
    default: break;
  }
  if (d->onScreen && ScreenMessage(hwnd, d, msg, wParam, lParam)) return 0;
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

void RegisterOnce() {
  static const bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = DialogProc;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
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
    JF_SET_ERROR(Controls, ERROR_INVALID_PARAMETER);
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
  d.onScreen = !driver && jf::X11Active();
  wchar_t start[MAX_PATH] = {};
  if (bi->pidlRoot != nullptr && SHGetPathFromIDListW(bi->pidlRoot, start)) d.selection = start;
  HWND owner = bi->hwndOwner != nullptr && IsWindow(bi->hwndOwner) ? bi->hwndOwner : nullptr;
  const int w = 420, h = 360;
  POINT at = jf::CentreOn(owner, w, h);
  HWND dialog = CreateWindowExW(WS_EX_DLGMODALFRAME, kClass, L"浏览文件夹", WS_POPUP | WS_CAPTION | WS_SYSMENU, at.x,
                                at.y, w, h, owner, nullptr, nullptr, &d);
  if (dialog == nullptr) return nullptr;
  if (d.onScreen) {
    RECT client{};
    GetClientRect(dialog, &client);
    d.edit = CreateWindowExW(WS_EX_CLIENTEDGE, L"Edit", d.selection.c_str(), WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL,
                             kMargin, kMargin + 28, client.right - 2 * kMargin, 24, dialog,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditId)), nullptr, nullptr);
    d.list = RECT{kMargin, kMargin + 60, client.right - kMargin, client.bottom - jf::DialogButtonRow::Height()};
    d.row.Layout(client);
    List(&d, d.selection.empty() ? std::wstring(L"C:\\") : d.selection);
  }
  bool disabled = owner != nullptr && IsWindowEnabled(owner);
  if (disabled) EnableWindow(owner, FALSE);
  Notify(dialog, &d, BFFM_INITIALIZED, 0);
  std::wstring chosen;
  if (driver) chosen = driver(dialog, d.selection);
  if (d.onScreen) {
    ShowWindow(dialog, SW_SHOW);
    SetFocus(d.edit);
    jf::RunDialogLoop(dialog, nullptr, &d.done);
    if (d.accepted) chosen = d.selection;
  }
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
