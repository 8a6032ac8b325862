#include "platform/src/shell/ShellLink.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "platform/src/files/FilesArea.h"
#include <errhandlingapi.h>
#include <windows/kernel.h>
#include "platform/src/internal/paths.h"
#include <windows/text.h>
#include "platform/src/internal/utf.h"
#include <shlobj.h>
#include <winerror.h>
#include "platform/src/internal/ansi.h"

namespace jf {
namespace {

// Link flags and sizes of the shell-link format.
constexpr uint32_t kHasLinkInfo = 0x02;
constexpr uint32_t kHasName = 0x04;
constexpr uint32_t kHasRelativePath = 0x08;
constexpr uint32_t kHasWorkingDir = 0x10;
constexpr uint32_t kHasArguments = 0x20;
constexpr uint32_t kHasIconLocation = 0x40;
constexpr uint32_t kIsUnicode = 0x80;
constexpr uint32_t kHeaderSize = 0x4C;
constexpr uint32_t kLinkInfoHeaderSize = 0x24;
constexpr uint32_t kVolumeIdSize = 0x11;
constexpr uint32_t kVolumeIdAndLocalBasePath = 0x01;

void Put16(std::string& out, uint16_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>(v >> 8);
}

void Put32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

void PutFileTime(std::string& out, const FILETIME& ft) {
  Put32(out, ft.dwLowDateTime);
  Put32(out, ft.dwHighDateTime);
}

void PutGuid(std::string& out, const GUID& g) {
  Put32(out, g.Data1);
  Put16(out, g.Data2);
  Put16(out, g.Data3);
  out.append(reinterpret_cast<const char*>(g.Data4), sizeof g.Data4);
}

// One StringData entry: a count of UTF-16 units, then the units, no terminator.
void PutCountedString(std::string& out, const std::wstring& s) {
  std::string bytes = ToUtf16LEBytes(s);
  size_t units = bytes.size() / 2;
  if (units > 0xFFFF) {
    units = 0xFFFF;
    bytes.resize(units * 2);
  }
  Put16(out, static_cast<uint16_t>(units));
  out += bytes;
}

HRESULT CopyOut(const std::wstring& s, LPWSTR buf, int cch) {
  if (!buf || cch <= 0) return E_INVALIDARG;
  size_t n = std::min(s.size(), static_cast<size_t>(cch - 1));
  s.copy(buf, n);
  buf[n] = 0;
  return S_OK;
}

std::wstring Given(LPCWSTR s) { return s ? std::wstring(s) : std::wstring(); }

}  // namespace

HRESULT ShellLink::QueryInterface(REFIID riid, void** ppvObject) {
  if (!ppvObject) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IShellLinkW)) {
    *ppvObject = static_cast<IShellLinkW*>(this);
  } else if (IsEqualIID(riid, IID_IPersistFile) || IsEqualIID(riid, IID_IPersist)) {
    *ppvObject = static_cast<IPersistFile*>(this);
  } else {
    *ppvObject = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG ShellLink::AddRef() { return ++refs_; }

ULONG ShellLink::Release() {
  ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

HRESULT ShellLink::GetPath(LPWSTR pszFile, int cch, WIN32_FIND_DATAW* pfd, DWORD /*fFlags*/) {
  if (pfd) std::memset(pfd, 0, sizeof *pfd);
  HRESULT hr = CopyOut(path_, pszFile, cch);
  if (FAILED(hr)) return hr;
  return path_.empty() ? S_FALSE : S_OK;
}

HRESULT ShellLink::GetIDList(LPITEMIDLIST* ppidl) {
  if (ppidl) *ppidl = nullptr;
  return E_NOTIMPL;
}

HRESULT ShellLink::SetIDList(LPCITEMIDLIST pidl) {
  wchar_t path[MAX_PATH];
  if (!SHGetPathFromIDListW(pidl, path)) return E_INVALIDARG;
  return SetPath(path);
}

HRESULT ShellLink::GetDescription(LPWSTR pszName, int cch) { return CopyOut(description_, pszName, cch); }
HRESULT ShellLink::SetDescription(LPCWSTR pszName) {
  description_ = Given(pszName);
  dirty_ = true;
  return S_OK;
}
HRESULT ShellLink::GetWorkingDirectory(LPWSTR pszDir, int cch) { return CopyOut(workingDir_, pszDir, cch); }
HRESULT ShellLink::SetWorkingDirectory(LPCWSTR pszDir) {
  workingDir_ = Given(pszDir);
  dirty_ = true;
  return S_OK;
}
HRESULT ShellLink::GetArguments(LPWSTR pszArgs, int cch) { return CopyOut(arguments_, pszArgs, cch); }
HRESULT ShellLink::SetArguments(LPCWSTR pszArgs) {
  arguments_ = Given(pszArgs);
  dirty_ = true;
  return S_OK;
}
HRESULT ShellLink::GetHotkey(WORD* pwHotkey) {
  if (!pwHotkey) return E_POINTER;
  *pwHotkey = hotkey_;
  return S_OK;
}
HRESULT ShellLink::SetHotkey(WORD wHotkey) {
  hotkey_ = wHotkey;
  dirty_ = true;
  return S_OK;
}
HRESULT ShellLink::GetShowCmd(int* piShowCmd) {
  if (!piShowCmd) return E_POINTER;
  *piShowCmd = showCmd_;
  return S_OK;
}
HRESULT ShellLink::SetShowCmd(int iShowCmd) {
  showCmd_ = iShowCmd;
  dirty_ = true;
  return S_OK;
}
HRESULT ShellLink::GetIconLocation(LPWSTR pszIconPath, int cch, int* piIcon) {
  if (piIcon) *piIcon = iconIndex_;
  return CopyOut(iconPath_, pszIconPath, cch);
}
HRESULT ShellLink::SetIconLocation(LPCWSTR pszIconPath, int iIcon) {
  iconPath_ = Given(pszIconPath);
  iconIndex_ = iIcon;
  dirty_ = true;
  return S_OK;
}
HRESULT ShellLink::SetRelativePath(LPCWSTR pszPathRel, DWORD /*dwReserved*/) {
  relativePath_ = Given(pszPathRel);
  dirty_ = true;
  return S_OK;
}
HRESULT ShellLink::Resolve(HWND /*hwnd*/, DWORD /*fFlags*/) { return S_OK; }

HRESULT ShellLink::SetPath(LPCWSTR pszFile) {
  if (!pszFile) return E_INVALIDARG;
  std::wstring full;
  if (*pszFile && FullWinPath(pszFile, full)) {
    path_ = full;
  } else {
    path_ = pszFile;
  }
  dirty_ = true;
  return S_OK;
}

HRESULT ShellLink::GetClassID(CLSID* pClassID) {
  if (!pClassID) return E_POINTER;
  *pClassID = CLSID_ShellLink;
  return S_OK;
}

HRESULT ShellLink::IsDirty() { return dirty_ ? S_OK : S_FALSE; }
HRESULT ShellLink::Load(LPCOLESTR pszFileName, DWORD /*dwMode*/) {
  if (!pszFileName) return E_INVALIDARG;
  HANDLE h = CreateFileW(pszFileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return HRESULT_FROM_WIN32(GetLastError());
  std::string bytes;
  char buf[4096];
  DWORD n = 0;
  while (ReadFile(h, buf, sizeof buf, &n, nullptr) && n) bytes.append(buf, n);
  CloseHandle(h);
  if (!Parse(bytes)) return HRESULT_FROM_WIN32(ERROR_BAD_FORMAT);
  FullWinPath(pszFileName, curFile_);
  dirty_ = false;
  return S_OK;
}

bool ShellLink::Parse(const std::string& b) {
  auto u16 = [&](size_t at, uint32_t& v) {
    if (at + 2 > b.size()) return false;
    v = static_cast<unsigned char>(b[at]) | static_cast<uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8;
    return true;
  };
  auto u32 = [&](size_t at, uint32_t& v) {
    uint32_t lo, hi;
    if (!u16(at, lo) || !u16(at + 2, hi)) return false;
    v = lo | hi << 16;
    return true;
  };
  std::string clsid;
  PutGuid(clsid, CLSID_ShellLink);
  uint32_t headerSize = 0, flags = 0, icon = 0, show = 1, hotkey = 0;
  if (!u32(0, headerSize) || headerSize != kHeaderSize || b.size() < kHeaderSize || b.compare(4, 16, clsid) != 0)
    return false;
  u32(20, flags);
  u32(56, icon);
  u32(60, show);
  u16(64, hotkey);
  size_t at = kHeaderSize;
  if (flags & 0x01) {  // an item list of the target: not used here
    uint32_t idSize = 0;
    if (!u16(at, idSize)) return false;
    at += 2 + idSize;
  }
  std::wstring path;
  if (flags & kHasLinkInfo) {
    uint32_t infoSize = 0, infoHeader = 0, infoFlags = 0, ansiOffset = 0, wideOffset = 0;
    if (!u32(at, infoSize) || !u32(at + 4, infoHeader) || !u32(at + 8, infoFlags) || !u32(at + 16, ansiOffset) ||
        at + infoSize > b.size())
      return false;
    if (infoHeader >= kLinkInfoHeaderSize && !u32(at + 28, wideOffset)) return false;
    if (infoFlags & kVolumeIdAndLocalBasePath) {
      if (wideOffset) {
        size_t start = at + wideOffset, end = start;
        while (end + 1 < at + infoSize && (b[end] || b[end + 1])) end += 2;
        path = FromUtf16LEBytes(b.data() + start, end - start);
      } else if (ansiOffset < infoSize) {
        path = FromAnsi(std::string(b.c_str() + at + ansiOffset));
      }
    }
    at += infoSize;
  }
  std::wstring strings[5];
  const uint32_t stringFlags[] = {kHasName, kHasRelativePath, kHasWorkingDir, kHasArguments, kHasIconLocation};
  for (int i = 0; i < 5; ++i) {
    if (!(flags & stringFlags[i])) continue;
    uint32_t count = 0;
    if (!u16(at, count)) return false;
    size_t bytes = (flags & kIsUnicode) ? count * 2u : count;
    if (at + 2 + bytes > b.size()) return false;
    strings[i] = (flags & kIsUnicode) ? FromUtf16LEBytes(b.data() + at + 2, bytes)
                                       : FromAnsi(std::string(b.data() + at + 2, bytes));
    at += 2 + bytes;
  }
  path_ = path;
  description_ = strings[0];
  relativePath_ = strings[1];
  workingDir_ = strings[2];
  arguments_ = strings[3];
  iconPath_ = strings[4];
  iconIndex_ = static_cast<int>(icon);
  showCmd_ = static_cast<int>(show);
  hotkey_ = static_cast<WORD>(hotkey);
  return true;
}
HRESULT ShellLink::SaveCompleted(LPCOLESTR /*pszFileName*/) { return S_OK; }

HRESULT ShellLink::GetCurFile(LPOLESTR* ppszFileName) {
  if (!ppszFileName) return E_POINTER;
  *ppszFileName = nullptr;
  if (curFile_.empty()) return S_FALSE;
  auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc((curFile_.size() + 1) * sizeof(wchar_t)));
  if (!copy) return E_OUTOFMEMORY;
  std::memcpy(copy, curFile_.c_str(), (curFile_.size() + 1) * sizeof(wchar_t));
  *ppszFileName = copy;
  return S_OK;
}

std::string ShellLink::Serialize() const {
  // The target's attributes, times and size, when it is there.
  DWORD attrs = 0;
  FILETIME zero = {0, 0}, created = zero, accessed = zero, written = zero;
  uint32_t size = 0;
  std::string host;
  struct stat st;
  if (!path_.empty() && HostPathFromWin(path_, host) && stat(host.c_str(), &st) == 0) {
    attrs = AttributesFromStat(st);
    created = written = FileTimeFromTimespec(st.st_mtim);
    accessed = FileTimeFromTimespec(st.st_atim);
    size = S_ISDIR(st.st_mode) ? 0 : static_cast<uint32_t>(st.st_size);
  }
  bool localTarget = path_.size() >= 3 && path_[1] == L':' && path_[2] == L'\\';
  uint32_t flags = kIsUnicode;
  if (localTarget) flags |= kHasLinkInfo;
  if (!description_.empty()) flags |= kHasName;
  if (!relativePath_.empty()) flags |= kHasRelativePath;
  if (!workingDir_.empty()) flags |= kHasWorkingDir;
  if (!arguments_.empty()) flags |= kHasArguments;
  if (!iconPath_.empty()) flags |= kHasIconLocation;

  std::string out;
  Put32(out, kHeaderSize);
  PutGuid(out, CLSID_ShellLink);
  Put32(out, flags);
  Put32(out, attrs);
  PutFileTime(out, created);
  PutFileTime(out, accessed);
  PutFileTime(out, written);
  Put32(out, size);
  Put32(out, static_cast<uint32_t>(iconIndex_));
  // Only normal, maximised and minimised (no activation) are valid in the file.
  Put32(out, (showCmd_ == 3 || showCmd_ == 7) ? static_cast<uint32_t>(showCmd_) : 1u);
  Put16(out, hotkey_);
  Put16(out, 0);
  Put32(out, 0);
  Put32(out, 0);

  if (localTarget) {
    std::string ansiPath = ToAnsi(path_);
    std::string widePath = ToUtf16LEBytes(path_);
    uint32_t volumeOffset = kLinkInfoHeaderSize;
    uint32_t basePathOffset = volumeOffset + kVolumeIdSize;
    uint32_t suffixOffset = basePathOffset + static_cast<uint32_t>(ansiPath.size()) + 1;
    uint32_t basePathUnicodeOffset = suffixOffset + 1;
    uint32_t suffixUnicodeOffset = basePathUnicodeOffset + static_cast<uint32_t>(widePath.size()) + 2;
    uint32_t total = suffixUnicodeOffset + 2;
    Put32(out, total);
    Put32(out, kLinkInfoHeaderSize);
    Put32(out, kVolumeIdAndLocalBasePath);
    Put32(out, volumeOffset);
    Put32(out, basePathOffset);
    Put32(out, 0);  // no network location
    Put32(out, suffixOffset);
    Put32(out, basePathUnicodeOffset);
    Put32(out, suffixUnicodeOffset);
    // VolumeID: a fixed disk without serial number and with an empty label.
    Put32(out, kVolumeIdSize);
    Put32(out, DRIVE_FIXED);
    Put32(out, 0);
    Put32(out, 0x10);
    out += '\0';
    out += ansiPath;
    out += '\0';
    out += '\0';  // empty common path suffix
    out += widePath;
    Put16(out, 0);
    Put16(out, 0);  // empty common path suffix, wide
  }
  if (flags & kHasName) PutCountedString(out, description_);
  if (flags & kHasRelativePath) PutCountedString(out, relativePath_);
  if (flags & kHasWorkingDir) PutCountedString(out, workingDir_);
  if (flags & kHasArguments) PutCountedString(out, arguments_);
  if (flags & kHasIconLocation) PutCountedString(out, iconPath_);
  Put32(out, 0);  // terminal block of the extra data
  return out;
}

HRESULT ShellLink::Save(LPCOLESTR pszFileName, BOOL fRemember) {
  std::wstring target = pszFileName ? std::wstring(pszFileName) : curFile_;
  if (target.empty()) return E_INVALIDARG;
  std::string bytes = Serialize();
  HANDLE h = CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return HRESULT_FROM_WIN32(GetLastError());
  DWORD written = 0;
  BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  DWORD err = ok ? ERROR_SUCCESS : GetLastError();
  CloseHandle(h);
  if (!ok) return HRESULT_FROM_WIN32(err);
  if (fRemember || !pszFileName) {
    FullWinPath(target, curFile_);
    dirty_ = false;
  }
  return S_OK;
}

}  // namespace jf
