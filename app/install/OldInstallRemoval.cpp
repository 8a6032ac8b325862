#include "app/install/OldInstallRemoval.h"

#include <tlhelp32.h>

#include <algorithm>
#include <set>

#include "app/install/AppLog.h"
#include "app/install/LauncherDetection.h"
#include "commonlib/util/CommonUtils.h"
#include "commonlib/util/FileUtils.h"

namespace {

const wchar_t kFile[] = L".\\app\\install\\OldInstallRemoval.cpp";

const wchar_t* const kOldFiles[] = {L"VarnelLauncher.exe", L"tmupdate.ini",   L"uninst.exe",      L"Launcher.ini",
                                    L"tg.id",              L"preference.ini", L"GameSettings.ini"};

}  // namespace

std::vector<DWORD> OldInstallRemoval::FindProcessesInDir(const std::wstring& folder) {
  std::vector<DWORD> found;
  if (folder.empty()) return found;
  std::wstring prefix = FileUtils::PathInFolder(FileUtils::CanonicalFolder(folder), L"");
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return found;
  PROCESSENTRY32W entry = PROCESSENTRY32W();
  entry.dwSize = sizeof(entry);
  const DWORD self = GetCurrentProcessId();
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
    if (entry.th32ProcessID == self) continue;
    std::wstring image = CommonUtils::GetProcessImagePath(entry.th32ProcessID);
    // The text is compared without case, as the system's paths are; whether the image's
    // folder of that length is this folder is the file system's answer (another case may be
    // another folder on it).
    if (image.size() >= prefix.size() && _wcsnicmp(image.c_str(), prefix.c_str(), prefix.size()) == 0 &&
        FileUtils::IsSameFolder(image.substr(0, prefix.size()), folder)) {
      found.push_back(entry.th32ProcessID);
    }
  }
  CloseHandle(snapshot);
  return found;
}

bool OldInstallRemoval::EndProcesses(const std::wstring& folder) {
  // A process that is found again after it was handled, or one that cannot be ended,
  // ends the loop: searching on would find it for ever.
  std::set<DWORD> handled;
  for (;;) {
    std::vector<DWORD> pids = FindProcessesInDir(folder);
    auto next = std::find_if(pids.begin(), pids.end(), [&](DWORD pid) { return handled.count(pid) == 0; });
    if (next == pids.end()) return true;
    DWORD pid = *next;
    handled.insert(pid);
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (process == nullptr) return false;
    bool ended = WaitForSingleObject(process, 100) == WAIT_OBJECT_0;
    if (!ended) ended = TerminateProcess(process, 0) != FALSE;
    if (ended) WaitForSingleObject(process, 1000);
    JF_APP_LOG(kLogInfo, kFile, L"TerminateProcess, pid:%u", static_cast<unsigned>(pid));
    CloseHandle(process);
    if (!ended) return false;
  }
}

bool OldInstallRemoval::EndProcessAndDelFile(const std::wstring& installDir) {
  JF_APP_LOG(kLogInfo, kFile, L"EndProcessAndDelFile, path:%s", installDir.c_str());
  if (!FileUtils::IsAbsolutePath(installDir) ||
      !LauncherDetection::IsLauncherFile(FileUtils::PathInFolder(installDir, LauncherDetection::kLauncherExe))) {
    JF_APP_LOG(kLogInfo, kFile, L"EndProcessAndDelFile refused, no launcher in:%s", installDir.c_str());
    return false;
  }
  CommonUtils::EnableDebugPrivilege();
  EndProcesses(installDir);
  FileUtils::DeleteDirectoryTree(FileUtils::PathInFolder(installDir, L"bin"));
  FileUtils::DeleteDirectoryTree(FileUtils::PathInFolder(installDir, L"patch"));
  for (const wchar_t* name : kOldFiles) FileUtils::DeleteFileRetry(FileUtils::PathInFolder(installDir, name), 0);
  JF_APP_LOG(kLogInfo, kFile, L"EndProcessAndDelFile end");
  return true;
}
