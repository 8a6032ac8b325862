#include "commonlib/util/CommonUtils.h"

#include <psapi.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <tlhelp32.h>
#include <winsock2.h>

#include <algorithm>
#include <ctime>
#include <functional>
#include <mutex>

#include "commonlib/core/MacAddress.h"
#include "commonlib/logger/FileLogger.h"
#include "commonlib/logger/TraceLogger.h"
#include "commonlib/util/StringUtils.h"

namespace {

const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kSourceFile[] = L".\\util\\CommonUtils";

typedef LONG(WINAPI* RtlGetVersionFn)(PRTL_OSVERSIONINFOEXW);

// Visits every process of a snapshot except the first entry (the system's idle process).
// The visitor returns false to stop. False when no snapshot could be taken.
bool ForEachProcess(const std::function<bool(const PROCESSENTRY32W&)>& visit) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return false;
  PROCESSENTRY32W entry;
  entry.dwSize = sizeof(entry);
  if (Process32FirstW(snapshot, &entry)) {
    while (Process32NextW(snapshot, &entry)) {
      if (!visit(entry)) break;
    }
  }
  CloseHandle(snapshot);
  return true;
}

bool ReadVersion(OSVERSIONINFOEXW& info) {
  info = OSVERSIONINFOEXW();
  info.dwOSVersionInfoSize = sizeof(info);
  return GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&info)) != FALSE;
}

bool AboveWindows7(const OSVERSIONINFOEXW& info) {
  return info.dwMajorVersion > 6 || (info.dwMajorVersion == 6 && info.dwMinorVersion >= 2);
}

// Windows always has the Run key; a fresh profile here may not, so it is created on demand
// (for an existing key this is the same as opening it).
HKEY OpenRunKey() {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) == ERROR_SUCCESS) {
    return key;
  }
  return nullptr;
}

}  // namespace

namespace CommonUtils {

bool RtlGetVersion(DWORD& major, DWORD& minor, DWORD* servicePackMajor) {
  static RtlGetVersionFn fn = [] {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr ? reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "RtlGetVersion"))) : nullptr;
  }();
  if (fn == nullptr) return false;
  RTL_OSVERSIONINFOEXW info = RTL_OSVERSIONINFOEXW();
  info.dwOSVersionInfoSize = sizeof(info);
  if (fn(&info) != 0) return false;
  major = info.dwMajorVersion;
  minor = info.dwMinorVersion;
  if (servicePackMajor != nullptr) *servicePackMajor = info.wServicePackMajor;
  return true;
}

bool IsWindowsServer() {
  OSVERSIONINFOEXW info = OSVERSIONINFOEXW();
  info.dwOSVersionInfoSize = sizeof(info);
  info.wProductType = VER_NT_WORKSTATION;
  DWORDLONG mask = VerSetConditionMask(0, VER_PRODUCT_TYPE, VER_EQUAL);
  return !VerifyVersionInfoW(&info, VER_PRODUCT_TYPE, mask);
}

DWORD GetOSMajorVersion() {
  OSVERSIONINFOEXW info;
  if (!ReadVersion(info)) return 6;
  DWORD major = 0, minor = 0;
  if (AboveWindows7(info) && RtlGetVersion(major, minor, nullptr)) return major;
  return info.dwMajorVersion;
}

DWORD GetOSMinorVersion() {
  OSVERSIONINFOEXW info;
  if (!ReadVersion(info)) return 6;
  DWORD major = 0, minor = 0;
  if (AboveWindows7(info) && RtlGetVersion(major, minor, nullptr)) return minor;
  return info.dwMinorVersion;
}

std::wstring GetOSVersionName() {
  OSVERSIONINFOEXW info;
  if (!ReadVersion(info)) return std::wstring();
  SYSTEM_INFO system = SYSTEM_INFO();
  GetSystemInfo(&system);

  if (AboveWindows7(info)) {
    bool server = IsWindowsServer();
    DWORD major = 0, minor = 0, servicePack = 0;
    if (RtlGetVersion(major, minor, &servicePack)) {
      const wchar_t* format = nullptr;
      if (major == 6 && minor == 2) {
        format = server ? L"Microsoft Windows Server 2012 SP%d" : L"Microsoft Windows 8 SP%d";
      } else if (major == 6 && minor == 3) {
        format = server ? L"Microsoft Windows Server 2012 R2 SP%d" : L"Microsoft Windows 8.1 SP%d";
      } else if (major == 10 && minor == 0) {
        format = server ? L"Microsoft Windows Server Technical Preview SP%d" : L"Microsoft Windows 10 SP%d";
      }
      if (format != nullptr) return StringUtils::Format(format, static_cast<int>(servicePack));
    }
  }

  return GetLegacyOSVersionName(info, system.wProcessorArchitecture, GetSystemMetrics(SM_SERVERR2));
}

std::wstring GetLegacyOSVersionName(const OSVERSIONINFOEXW& info, WORD processorArchitecture, int serverR2) {
  bool workstation = info.wProductType == VER_NT_WORKSTATION;
  DWORD major = info.dwMajorVersion;
  DWORD minor = info.dwMinorVersion;
  if (major == 4) {
    if (minor == 0) {
      if (info.dwPlatformId == VER_PLATFORM_WIN32_NT) return L"Microsoft Windows NT 4.0";
      if (info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) return L"Microsoft Windows 95";
    }
    if (minor == 10) return L"Microsoft Windows 98";
    if (minor == 90) return L"Microsoft Windows Me";
    return std::wstring();
  }
  if (major == 5) {
    if (minor == 0) return L"Microsoft Windows 2000";
    if (minor == 1) return L"Microsoft Windows XP";
    if (minor == 2) {
      if (workstation && processorArchitecture == PROCESSOR_ARCHITECTURE_AMD64) {
        return L"Microsoft Windows XP Professional x64 Edition";
      }
      return serverR2 != 0 ? L"Microsoft Windows Server 2003 R2" : L"Microsoft Windows Server 2003";
    }
    return std::wstring();
  }
  if (major == 6) {
    switch (minor) {
      case 0: return workstation ? L"Microsoft Windows Vista" : L"Microsoft Windows Server 2008";
      case 1: return workstation ? L"Microsoft Windows 7" : L"Microsoft Windows Server 2008 R2";
      case 2: return workstation ? L"Microsoft Windows 8" : L"Microsoft Windows Server 2012";
      case 3: return workstation ? L"Microsoft Windows 8.1" : L"Microsoft Windows Server 2012 R2";
      default: return std::wstring();
    }
  }
  return L"未知操作系统";
}

std::wstring GetModuleDir() {
  static std::mutex lock;
  static std::wstring dir;
  std::lock_guard<std::mutex> guard(lock);
  if (!dir.empty()) return dir;
  wchar_t path[512] = {0};
  DWORD n = GetModuleFileNameW(nullptr, path, 512);
  if (n == 0 || n >= 512) return std::wstring();
  PathRemoveFileSpecW(path);
  dir = path;
  return dir;
}

std::wstring GetSpecialFolderPath(int csidl) {
  std::wstring result;
  HRESULT init = CoInitialize(nullptr);
  LPITEMIDLIST items = nullptr;
  if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, csidl, &items)) && items != nullptr) {
    wchar_t path[MAX_PATH] = {0};
    if (SHGetPathFromIDListW(items, path)) result = path;
    CoTaskMemFree(items);
  }
  if (SUCCEEDED(init)) CoUninitialize();
  return result;
}

bool SetAutoRun(const std::wstring& valueName, const std::wstring& command) {
  HKEY key = OpenRunKey();
  if (key == nullptr) return false;
  // The text without a terminating NUL, as the Windows program stores it.
  LSTATUS status = RegSetValueExW(key, valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                                  static_cast<DWORD>(command.size() * sizeof(wchar_t)));
  RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

std::wstring GetAutoRun(const std::wstring& valueName) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return std::wstring();
  // Room for 256 characters, as the 512 bytes of the Windows program hold.
  wchar_t data[256];
  DWORD size = sizeof(data);
  DWORD type = REG_NONE;
  LSTATUS status = RegQueryValueExW(key, valueName.c_str(), nullptr, &type, reinterpret_cast<LPBYTE>(data), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || type != REG_SZ) return std::wstring();
  // The stored text has no terminating NUL: it ends where the returned size says.
  size_t chars = std::min<size_t>(size / sizeof(wchar_t), 256);
  std::wstring text(data, chars);
  size_t nul = text.find(L'\0');
  if (nul != std::wstring::npos) text.resize(nul);
  return GetCommandExePath(text);
}

std::wstring GetCommandExePath(const std::wstring& command) {
  std::wstring text = command;
  StringUtils::Trim(text);
  if (!text.empty() && text[0] == L'"') {
    // A quoted program may contain blanks: it ends at its closing quote.
    size_t close = text.find(L'"', 1);
    if (close != std::wstring::npos) return text.substr(1, close - 1);
  }
  size_t blank = text.rfind(L' ');
  if (blank != std::wstring::npos) text.resize(blank);
  StringUtils::TrimQuotes(text);
  return text;
}

bool IsProcessRunning(const std::wstring& exeName) {
  if (exeName.empty()) return false;
  bool found = false;
  ForEachProcess([&](const PROCESSENTRY32W& entry) {
    found = exeName == entry.szExeFile;
    return !found;
  });
  return found;
}

int KillProcessesByName(const std::wstring& exeName) {
  if (exeName.empty()) return 0;
  int count = 0;
  ForEachProcess([&](const PROCESSENTRY32W& entry) {
    if (exeName != entry.szExeFile) return true;
    ++count;
    HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, entry.th32ProcessID);
    if (process == nullptr) {
      FileLogger::Instance().LogAt(kLogError, __LINE__, kSourceFile, L"OpenProcess Error!");
      TraceLogger::Instance().Log(kLogError, L"OpenProcess Error!");
      return true;
    }
    TerminateProcess(process, 0);
    CloseHandle(process);
    return true;
  });
  return count;
}

DWORD FindProcessInDir(const std::wstring& folder) {
  std::wstring prefix = folder + L"\\";
  DWORD self = GetCurrentProcessId();
  DWORD found = 0;
  ForEachProcess([&](const PROCESSENTRY32W& entry) {
    if (entry.th32ProcessID == self) return true;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, entry.th32ProcessID);
    if (process == nullptr) return true;
    wchar_t image[MAX_PATH] = {0};
    DWORD n = GetModuleFileNameExW(process, nullptr, image, MAX_PATH);
    CloseHandle(process);
    if (n >= prefix.size() && _wcsnicmp(image, prefix.c_str(), prefix.size()) == 0) {
      found = entry.th32ProcessID;
      return false;
    }
    return true;
  });
  return found;
}

std::wstring GetProcessImagePath(DWORD pid) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (process == nullptr) return std::wstring();
  std::vector<wchar_t> image(32768, L'\0');
  DWORD size = static_cast<DWORD>(image.size());
  std::wstring path;
  if (QueryFullProcessImageNameW(process, 0, image.data(), &size)) path.assign(image.data(), size);
  CloseHandle(process);
  return path;
}

DWORD RunProcess(PROCESS_INFORMATION* processInfo, const std::wstring& applicationPath,
                 const std::wstring& commandLine) {
  STARTUPINFOW startup = STARTUPINFOW();
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = PROCESS_INFORMATION();
  // CreateProcessW may write into the command line.
  std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
  line.push_back(L'\0');
  BOOL ok = CreateProcessW(applicationPath.empty() ? nullptr : applicationPath.c_str(),
                           commandLine.empty() ? nullptr : line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                           nullptr, &startup, &info);
  if (!ok) return GetLastError();
  if (processInfo != nullptr) *processInfo = info;
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
  return 0;
}

bool EnableDebugPrivilege() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
    return GetLastError() == ERROR_CALL_NOT_IMPLEMENTED;
  }
  LUID luid;
  if (!LookupPrivilegeValueW(nullptr, SE_DEBUG_NAME, &luid)) {
    CloseHandle(token);
    return false;
  }
  TOKEN_PRIVILEGES privileges;
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Luid = luid;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  BOOL ok = AdjustTokenPrivileges(token, FALSE, &privileges, sizeof(privileges), nullptr, nullptr);
  CloseHandle(token);
  return ok != FALSE;
}

std::wstring CreateShortcut(const std::wstring& folder, const std::wstring& name, const std::wstring& target) {
  // The path is built in a MAX_PATH buffer: a longer folder fails instead of overflowing it.
  if (folder.size() >= MAX_PATH || folder.find(L'\0') != std::wstring::npos) return std::wstring();
  wchar_t path[MAX_PATH] = {0};
  std::copy(folder.begin(), folder.end(), path);
  if (!PathFileExistsW(path) && !CreateDirectoryW(path, nullptr)) return std::wstring();
  if (!PathAppendW(path, name.c_str())) return std::wstring();
  const wchar_t kExtension[] = L".lnk";
  size_t length = wcslen(path);
  if (length + wcslen(kExtension) >= MAX_PATH) return std::wstring();
  wcscpy(path + length, kExtension);

  IShellLinkW* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link))) ||
      link == nullptr) {
    return std::wstring();
  }
  bool saved = false;
  if (SUCCEEDED(link->SetPath(target.c_str()))) {
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) && file != nullptr) {
      saved = SUCCEEDED(file->Save(path, TRUE));
      file->Release();
    }
  }
  link->Release();
  return saved ? std::wstring(path) : std::wstring();
}

std::wstring GetTimeString(int64_t secondsSince1970) {
  time_t t = static_cast<time_t>(secondsSince1970);
  struct tm local;
  if (localtime_s(&local, &t) != 0) return std::wstring();
  return StringUtils::Format(L"%d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                             local.tm_hour, local.tm_min, local.tm_sec);
}

int64_t FileTimeToUnixTime(uint64_t fileTime) {
  int64_t since1970 = static_cast<int64_t>(fileTime - 116444736000000000ULL);
  return static_cast<int64_t>(static_cast<double>(since1970) / 10000000.0);
}

std::wstring FormatByteSize(uint64_t bytes, bool spaced) {
  static const wchar_t* const kSpaced[] = {L"%.0f B", L"%.2f KB", L"%.2f MB", L"%.2f GB", L"%.2f TB"};
  static const wchar_t* const kPlain[] = {L"%.0fB", L"%.2fKB", L"%.2fMB", L"%.2fGB", L"%.2fTB"};
  // Climb to the next unit while the count is at least 1000 of the current one, so that
  // 1,024,000 bytes read 0.98 MB rather than 1000.00 KB.
  int unit = 0;
  uint64_t divisor = 1;
  while (unit < 4 && bytes >= 1000 * divisor) {
    ++unit;
    divisor *= 1024;
  }
  const wchar_t* format = spaced ? kSpaced[unit] : kPlain[unit];
  wchar_t text[MAX_PATH] = {0};
  _snwprintf(text, MAX_PATH - 1, format, static_cast<double>(bytes) / static_cast<double>(divisor));
  return text;
}

uint64_t GetDiskFreeSpace(const std::wstring& path) {
  // The room of the file system the folder lives on, which may be mounted anywhere below the
  // drive's root: asked of the nearest folder on the way up that exists (the folder itself may
  // be still to be made); the drive when none does.
  std::wstring folder = path.size() >= 2 ? path.substr(0, 2) : std::wstring();
  for (std::wstring up = path; up.size() > 3 && up[1] == L':';) {
    DWORD attributes = GetFileAttributesW(up.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      folder = up;
      break;
    }
    const size_t slash = up.find_last_of(L"\\/");
    if (slash == std::wstring::npos) break;
    up.resize(slash);
  }
  ULARGE_INTEGER available;
  available.QuadPart = 0;
  if (!GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr)) return 0;
  return available.QuadPart;
}

std::string GetLocalIp() {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return std::string();
  std::string ip;
  char name[256] = {0};
  if (gethostname(name, 255) == 0) {
    struct hostent* host = gethostbyname(name);
    if (host != nullptr && host->h_addrtype == AF_INET && host->h_addr_list != nullptr &&
        host->h_addr_list[0] != nullptr) {
      struct in_addr address;
      memcpy(&address, host->h_addr_list[0], sizeof(address));
      ip = inet_ntoa(address);
    }
  }
  WSACleanup();
  return ip;
}

std::wstring GetMacAddress() {
  static std::mutex lock;
  static std::wstring cached;
  std::lock_guard<std::mutex> guard(lock);
  if (!cached.empty()) return cached;
  const wchar_t* mac = GetOSMajorVersion() < 6 ? GetMacAddressBySnmp() : ::GetMacAddress();
  if (mac != nullptr) cached = mac;
  return cached;
}

std::wstring GetUrlHost(const std::wstring& url) {
  size_t scheme = url.find(L"://");
  size_t start = scheme == std::wstring::npos ? 0 : scheme + 3;
  size_t end = start;
  while (end < url.size()) {
    wchar_t c = url[end];
    bool hostChar = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') ||
                    c == L'.' || c == L'-';
    if (!hostChar) break;
    ++end;
  }
  return url.substr(start, end - start);
}

int GetUrlPort(const std::wstring& url) {
  size_t scheme = url.find(L"://");
  size_t start = scheme == std::wstring::npos ? 0 : scheme + 3;
  size_t colon = url.find(L':', start);
  int64_t port = 0;
  if (colon != std::wstring::npos) {
    for (size_t i = colon + 1; i < url.size() && url[i] >= L'0' && url[i] <= L'9'; ++i) {
      port = port * 10 + (url[i] - L'0');
      // More digits than a port has: no usable port.
      if (port > 65535) {
        port = 0;
        break;
      }
    }
  }
  if (port != 0) return static_cast<int>(port);
  return IsHttpsUrl(url) ? 443 : 80;
}

bool IsHttpsUrl(const std::wstring& url) { return url.compare(0, 5, L"https") == 0; }

void SortHttpsFirst(std::vector<std::wstring>& urls) {
  std::stable_partition(urls.begin(), urls.end(), [](const std::wstring& u) { return IsHttpsUrl(u); });
}

void SortHttpsFirst(std::list<std::wstring>& urls) {
  std::list<std::wstring> https;
  for (auto it = urls.begin(); it != urls.end();) {
    auto next = std::next(it);
    if (IsHttpsUrl(*it)) https.splice(https.end(), urls, it);
    it = next;
  }
  urls.splice(urls.begin(), https);
}

bool IsIpAddress(const std::wstring& text) {
  if (text.empty()) return false;
  for (wchar_t c : text) {
    if (c != L'.' && (c < L'0' || c > L'9')) return false;
  }
  return true;
}

}  // namespace CommonUtils
