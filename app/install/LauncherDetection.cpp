#include "app/install/LauncherDetection.h"

#include <vector>

#include <shlobj.h>

#include "commonlib/util/PathText.h"
#include "commonlib/util/CommonUtils.h"
#include "commonlib/util/FileUtils.h"

const wchar_t LauncherDetection::kLauncherExe[] = L"VarnelLauncher.exe";
// The launcher's own spelling of its INI file.
const wchar_t LauncherDetection::kIniName[] = L"VarnelLaucher.ini";
const wchar_t LauncherDetection::kIniSection[] = L"VarnelCom-Launcher";

bool LauncherDetection::IsLauncherFile(const std::wstring& path) {
  if (FileUtils::GetFileName(path) != kLauncherExe) return false;
  FileIdentity identity;
  return FileUtils::GetFileIdentity(path, identity) && !identity.directory;
}

bool LauncherDetection::FromIni(const std::wstring& iniPath, std::wstring& launcherPath, std::wstring& installDir) {
  std::vector<wchar_t> text(2048);
  GetPrivateProfileStringW(kIniSection, L"InstallPath", L"", text.data(), static_cast<DWORD>(text.size()),
                           iniPath.c_str());
  std::wstring path(text.data());
  if (path.empty() || !IsLauncherFile(path)) return false;
  launcherPath = path;
  installDir = NormalizeAndGetParentDir(path);
  return true;
}

bool LauncherDetection::FromRegistry(HKEY root, const wchar_t* subKey, bool folderMustExist,
                                     std::wstring& launcherPath, std::wstring& installDir) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD type = REG_NONE;
  DWORD size = 0;
  std::wstring folder;
  if (RegQueryValueExW(key, L"InstPath", nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_SZ &&
      size > 0) {
    // Sized from the value itself, so a long folder is read whole.
    std::vector<wchar_t> data(size / sizeof(wchar_t) + 1, L'\0');
    DWORD got = static_cast<DWORD>((data.size() - 1) * sizeof(wchar_t));
    if (RegQueryValueExW(key, L"InstPath", nullptr, &type, reinterpret_cast<LPBYTE>(data.data()), &got) ==
            ERROR_SUCCESS &&
        type == REG_SZ) {
      folder.assign(data.data(), got / sizeof(wchar_t));
      size_t nul = folder.find(L'\0');
      if (nul != std::wstring::npos) folder.resize(nul);
    }
  }
  RegCloseKey(key);
  if (folder.empty()) return false;
  installDir = folder;
  if (folderMustExist && !FileUtils::IsFileExist(folder)) return false;
  std::wstring exe = folder + L"\\" + kLauncherExe;
  if (!IsLauncherFile(exe)) return false;
  launcherPath = exe;
  return true;
}

bool LauncherDetection::FindInstalledLauncher(std::wstring& launcherPath, std::wstring& installDir) {
  launcherPath.clear();
  std::wstring documents = CommonUtils::GetSpecialFolderPath(CSIDL_COMMON_DOCUMENTS);
  if (!documents.empty() &&
      FromIni(documents + L"\\VarnelLauncher\\" + kIniName, launcherPath, installDir)) {
    return true;
  }
  if (FromRegistry(HKEY_CURRENT_USER, L"Software\\VarnelLauncher", false, launcherPath, installDir)) return true;
  std::wstring appData = CommonUtils::GetSpecialFolderPath(CSIDL_COMMON_APPDATA);
  if (!appData.empty() && FromIni(appData + L"\\" + kIniName, launcherPath, installDir)) return true;
  return FromRegistry(HKEY_LOCAL_MACHINE, L"SOFTWARE\\VarnelLauncher", true, launcherPath, installDir);
}
