#include "app/install/InstallFolderChoice.h"

#include <vector>

#include "commonlib/util/CommonUtils.h"
#include "commonlib/util/FileUtils.h"
#include "commonlib/util/StringUtils.h"

const wchar_t InstallFolderChoice::kCompanyFolder[] = L"澜铭网络";
const wchar_t InstallFolderChoice::kPlatformFolder[] = L"澜铭聚峰";

namespace {

const wchar_t* const kDriveRoots[] = {L"D:\\", L"E:\\", L"C:\\", L"F:\\", L"G:\\"};

const wchar_t* const kCheckTexts[] = {
    L"",
    L"安装目录无效，请选择正确的目录",
    L"该磁盘剩余空间不足，请选择其他目录安装",
    L"该目录权限不足，请选择其他目录安装",
};

const DWORD kFailureColor = 0xFFFF0000;
const DWORD kSpaceColor = 0xFFABAEB4;

}  // namespace

bool InstallFolderChoice::HasEnoughDiskSpace(const std::wstring& folder) {
  return CommonUtils::GetDiskFreeSpace(folder) > kRequiredFreeBytes;
}

std::wstring InstallFolderChoice::StandardFolder(const std::wstring& root, const std::wstring& name) {
  return root + kCompanyFolder + L"\\" + name;
}

bool InstallFolderChoice::IsUsable(const std::wstring& folder) {
  return FileUtils::IsDirWritable(folder) && HasEnoughDiskSpace(folder);
}

std::wstring InstallFolderChoice::FindFirstDriveFolder() {
  for (const wchar_t* root : kDriveRoots) {
    if (FileUtils::IsFileExist(root)) return StandardFolder(root, kPlatformFolder);
  }
  return std::wstring();
}

std::wstring InstallFolderChoice::PickInstallFolder(const std::wstring& current) {
  // A typed folder that is no valid path would be accepted through its writable parent,
  // and the install would then fail to create it.
  if (!current.empty() && FileUtils::IsValidPath(current) && IsUsable(current)) return current;
  for (const wchar_t* root : kDriveRoots) {
    std::wstring folder = StandardFolder(root, kPlatformFolder);
    if (IsUsable(folder)) return folder;
  }
  return std::wstring();
}

std::wstring InstallFolderChoice::GetDefaultInstallDir(const std::wstring& name) {
  std::wstring parent = FileUtils::GetParentDir(CommonUtils::GetModuleDir());
  if (!parent.empty()) {
    std::wstring candidate = FileUtils::PathInFolder(parent, name);
    if (IsUsable(candidate)) return candidate;
  }
  // Ask for the whole drive list, however long it is.
  std::vector<wchar_t> drives(100);
  DWORD length = GetLogicalDriveStringsW(static_cast<DWORD>(drives.size()), drives.data());
  if (length > drives.size()) {
    drives.assign(length + 1, L'\0');
    length = GetLogicalDriveStringsW(static_cast<DWORD>(drives.size()), drives.data());
    if (length >= drives.size()) length = 0;
  }
  for (size_t i = 0; i < length && drives[i] != L'\0';) {
    std::wstring root(&drives[i]);
    i += root.size() + 1;
    if (GetDriveTypeW(root.c_str()) != DRIVE_FIXED) continue;
    if (!root.empty() && root.back() != L'\\') root += L'\\';
    std::wstring candidate = StandardFolder(root, name);
    if (FileUtils::IsDirWritable(candidate)) return candidate;
  }
  return std::wstring();
}

std::wstring InstallFolderChoice::ChooseHiddenFolder(const std::wstring& written) {
  // Taken in the one form every later step uses: "/", a trailing separator, a drive's root.
  const std::wstring requested = FileUtils::CanonicalFolder(written);
  if (requested.empty()) return GetDefaultInstallDir(kPlatformFolder);
  if (FileUtils::IsDirWritable(requested) && HasEnoughDiskSpace(requested)) return requested;
  std::wstring name = requested;
  while (!name.empty() && (name.back() == L'\\' || name.back() == L'/')) name.pop_back();
  size_t slash = name.find_last_of(L"\\/");
  if (slash != std::wstring::npos) name = name.substr(slash + 1);
  if (name.empty() || name.find(L':') != std::wstring::npos) name = kPlatformFolder;
  return GetDefaultInstallDir(name);
}

InstallFolderChoice::CheckResult InstallFolderChoice::CheckFolder(const std::wstring& folder) {
  if (!FileUtils::IsValidPath(folder)) return kFolderInvalid;
  if (!FileUtils::IsDriveExist(folder)) return kFolderInvalid;
  if (CommonUtils::GetDiskFreeSpace(folder) < kRequiredFreeBytes) return kFolderNoSpace;
  if (!FileUtils::IsDirWritable(folder)) return kFolderNotWritable;
  return kFolderOk;
}

std::wstring InstallFolderChoice::CheckText(CheckResult result) { return kCheckTexts[result]; }

InstallFolderChoice::CheckResult InstallFolderChoice::WriteFailure(DWORD error) {
  return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL ? kFolderNoSpace : kFolderNotWritable;
}

InstallFolderChoice::TipText InstallFolderChoice::DiskSpaceText(const std::wstring& folder) {
  CheckResult result = CheckFolder(folder);
  if (result != kFolderOk) return TipText{kCheckTexts[result], kFailureColor};
  std::wstring required = CommonUtils::FormatByteSize(kRequiredFreeBytes, false);
  std::wstring free = CommonUtils::FormatByteSize(CommonUtils::GetDiskFreeSpace(folder), false);
  return TipText{StringUtils::Format(L"所需磁盘空间：%s          可用磁盘空间：%s", required.c_str(), free.c_str()),
                 kSpaceColor};
}
