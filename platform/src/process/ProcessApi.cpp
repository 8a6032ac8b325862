// Starting, opening, ending and asking about processes.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/src/process/ProcessLauncher.h"
#include "platform/src/process/ProcessObject.h"
#include "platform/src/process/ProcessSnapshot.h"
#include <errhandlingapi.h>
#include "platform/src/internal/errors.h"
#include <windows/kernel.h>
#include "platform/src/internal/paths.h"
#include <windows/process.h>
#include <psapi.h>
#include <winerror.h>

namespace {

// Programs look IsWow64Process up by name in "kernel32", as older systems lack it.
const bool kWow64Registered = [] {
  jf::RegisterModuleExport(L"kernel32.dll", "IsWow64Process", reinterpret_cast<void*>(&IsWow64Process));
  return true;
}();

// The Windows path of a process's image.
bool ImageWinPath(HANDLE process, std::wstring& path) {
  std::shared_ptr<jf::ProcessState> state;
  bool self = false;
  if (!jf::ProcessObject::Resolve(process, state, self)) return false;
  pid_t pid = self ? getpid() : state->Pid();
  if (!self && state->HasExited()) {
    JF_SET_ERROR(Process, ERROR_INVALID_HANDLE);
    return false;
  }
  std::string host;
  if (!jf::ProcessSnapshot::ImagePath(pid, host)) {
    JF_SET_ERROR(Process, errno == ENOENT ? ERROR_INVALID_HANDLE : jf::Win32FromErrno(errno));
    return false;
  }
  path = jf::WinPathFromHost(host);
  return true;
}

}  // namespace

BOOL CreateProcessW(LPCWSTR lpApplicationName, LPWSTR lpCommandLine, LPSECURITY_ATTRIBUTES /*lpProcessAttributes*/,
                    LPSECURITY_ATTRIBUTES /*lpThreadAttributes*/, BOOL bInheritHandles, DWORD dwCreationFlags,
                    LPVOID lpEnvironment, LPCWSTR lpCurrentDirectory, LPSTARTUPINFOW lpStartupInfo,
                    LPPROCESS_INFORMATION lpProcessInformation) {
  if (!lpStartupInfo || !lpProcessInformation || (!lpApplicationName && !lpCommandLine)) {
    JF_SET_ERROR(Process, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  jf::ProcessLauncher launcher(lpApplicationName, lpCommandLine);
  launcher.SetInheritHandles(bInheritHandles != FALSE);
  if (lpEnvironment) launcher.SetEnvironment(lpEnvironment, (dwCreationFlags & CREATE_UNICODE_ENVIRONMENT) != 0);
  launcher.SetCurrentDirectory(lpCurrentDirectory);
  pid_t pid = 0;
  if (!launcher.Start(pid)) return FALSE;

  std::shared_ptr<jf::ProcessState> state = jf::ProcessState::ForChild(pid);
  lpProcessInformation->hProcess = jf::RegisterHandle(std::make_shared<jf::ProcessObject>(state, false));
  lpProcessInformation->hThread = jf::RegisterHandle(std::make_shared<jf::ProcessObject>(state, true));
  lpProcessInformation->dwProcessId = static_cast<DWORD>(pid);
  lpProcessInformation->dwThreadId = static_cast<DWORD>(pid);  // the host's main thread has the process's id
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

HANDLE OpenProcess(DWORD dwDesiredAccess, BOOL /*bInheritHandle*/, DWORD dwProcessId) {
  if (dwProcessId == 0 || dwProcessId > 0x7FFFFFFFu) {
    JF_SET_ERROR(Process, ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  pid_t pid = static_cast<pid_t>(dwProcessId);
  std::shared_ptr<jf::ProcessState> state = jf::ProcessState::ForRunning(pid);
  if (!state) {
    JF_SET_ERROR(Process, ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  // Ending a process takes the right to signal it.
  if ((dwDesiredAccess & PROCESS_TERMINATE) && pid != getpid() && kill(pid, 0) != 0 && errno == EPERM) {
    JF_SET_ERROR(Process, ERROR_ACCESS_DENIED);
    return nullptr;
  }
  return jf::RegisterHandle(std::make_shared<jf::ProcessObject>(state, false));
}

BOOL TerminateProcess(HANDLE hProcess, UINT uExitCode) {
  std::shared_ptr<jf::ProcessState> state;
  bool self = false;
  if (!jf::ProcessObject::Resolve(hProcess, state, self)) return FALSE;
  if (self || state->Pid() == getpid()) {
    std::fflush(nullptr);
    _exit(static_cast<int>(uExitCode));
  }
  if (!state->Terminate(uExitCode)) {
    JF_SET_ERROR(Process, state->HasExited() ? ERROR_ACCESS_DENIED : jf::Win32FromErrno(errno));
    return FALSE;
  }
  return TRUE;
}

BOOL GetExitCodeProcess(HANDLE hProcess, LPDWORD lpExitCode) {
  std::shared_ptr<jf::ProcessState> state;
  bool self = false;
  if (!jf::ProcessObject::Resolve(hProcess, state, self, lpExitCode)) return FALSE;
  *lpExitCode = self ? STILL_ACTIVE : state->ExitCode();
  return TRUE;
}

HANDLE GetCurrentProcess() { return reinterpret_cast<HANDLE>(-1); }

DWORD GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }

DWORD GetProcessId(HANDLE hProcess) {
  std::shared_ptr<jf::ProcessState> state;
  bool self = false;
  if (!jf::ProcessObject::Resolve(hProcess, state, self)) return 0;
  return self ? static_cast<DWORD>(getpid()) : static_cast<DWORD>(state->Pid());
}

BOOL IsWow64Process(HANDLE hProcess, PBOOL Wow64Process) {
  std::shared_ptr<jf::ProcessState> state;
  bool self = false;
  if (!jf::ProcessObject::Resolve(hProcess, state, self, Wow64Process)) return FALSE;
  *Wow64Process = FALSE;
  return TRUE;
}

DWORD GetModuleFileNameExW(HANDLE hProcess, HMODULE hModule, LPWSTR lpFilename, DWORD nSize) {
  if (hModule || !lpFilename || nSize == 0) {
    JF_SET_ERROR(Process, ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::wstring path;
  if (!ImageWinPath(hProcess, path)) return 0;
  DWORD n = static_cast<DWORD>(std::min<size_t>(path.size(), nSize - 1));
  std::wmemcpy(lpFilename, path.data(), n);
  lpFilename[n] = 0;
  JF_SET_ERROR(Process, n < path.size() ? ERROR_INSUFFICIENT_BUFFER : ERROR_SUCCESS);
  return n;
}

BOOL QueryFullProcessImageNameW(HANDLE hProcess, DWORD /*dwFlags*/, LPWSTR lpExeName, PDWORD lpdwSize) {
  if (!lpExeName || !lpdwSize) {
    JF_SET_ERROR(Process, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::wstring path;
  if (!ImageWinPath(hProcess, path)) return FALSE;
  if (path.size() + 1 > *lpdwSize) {
    JF_SET_ERROR(Process, ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::wmemcpy(lpExeName, path.c_str(), path.size() + 1);
  *lpdwSize = static_cast<DWORD>(path.size());
  return TRUE;
}
