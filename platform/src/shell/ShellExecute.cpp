// ShellExecuteW / ShellExecuteExW: "open" hands a URL or file to the desktop's opener
// (xdg-open) without waiting; anything else has no association here.
#include <errno.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <mutex>
#include <string>
#include <thread>

#include "platform/src/files/FilesArea.h"
#include <errhandlingapi.h>
#include "platform/src/internal/errors.h"
#include "platform/src/internal/paths.h"
#include "platform/src/internal/utf.h"
#include <shellapi.h>
#include <winerror.h>

extern char** environ;

namespace {

std::mutex g_programLock;
std::string g_openProgram;

std::string FindOpener() {
  {
    std::lock_guard<std::mutex> lock(g_programLock);
    if (!g_openProgram.empty()) return g_openProgram;
  }
  const char* path = getenv("PATH");
  std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string candidate = dirs.substr(start, end - start) + "/xdg-open";
    if (end > start && access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return std::string();
}

bool IsUrl(const std::wstring& s) {
  size_t colon = s.find(L"://");
  if (colon != std::wstring::npos && colon > 1) return true;
  return s.compare(0, 7, L"mailto:") == 0;
}

// Returns the SE_ERR_* value (or 0 on success) and sets the last error.
int Execute(LPCWSTR verb, LPCWSTR file, LPCWSTR directory) {
  std::wstring v = verb ? verb : L"open";
  if (!file || !*file) {
    JF_SET_ERROR(Shell, ERROR_FILE_NOT_FOUND);
    return SE_ERR_FNF;
  }
  if (v != L"open" && !v.empty()) {
    JF_SET_ERROR(Shell, ERROR_NO_ASSOCIATION);
    return SE_ERR_NOASSOC;
  }
  std::string target;
  std::wstring wfile(file);
  if (IsUrl(wfile)) {
    target = jf::ToUtf8(wfile);
  } else {
    if (!jf::HostPathFromWin(wfile, target)) return SE_ERR_PNF;
    struct stat st;
    if (stat(target.c_str(), &st) != 0) {
      DWORD err = JF_SET_PATH_ERROR(Shell, errno, target);
      return err == ERROR_PATH_NOT_FOUND ? SE_ERR_PNF : SE_ERR_FNF;
    }
  }
  std::string opener = FindOpener();
  if (opener.empty()) {
    JF_SET_ERROR(Shell, ERROR_NO_ASSOCIATION);
    return SE_ERR_NOASSOC;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  std::string hostDir;
  if (directory && *directory && jf::HostPathFromWin(directory, hostDir)) {
    posix_spawn_file_actions_addchdir_np(&actions, hostDir.c_str());
  }
  char* argv[] = {const_cast<char*>(opener.c_str()), const_cast<char*>(target.c_str()), nullptr};
  pid_t pid = 0;
  int rc = posix_spawn(&pid, opener.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    JF_SET_ERRNO(Shell, rc);
    return rc == ENOMEM ? SE_ERR_OOM : SE_ERR_ACCESSDENIED;
  }
  // Nobody waits for the opener; reap it so it leaves no zombie behind.
  std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
  SetLastError(ERROR_SUCCESS);
  return 0;
}

}  // namespace

namespace jf {
void SetShellOpenProgram(const std::string& hostPath) {
  std::lock_guard<std::mutex> lock(g_programLock);
  g_openProgram = hostPath;
}
}  // namespace jf

HINSTANCE ShellExecuteW(HWND /*hwnd*/, LPCWSTR lpOperation, LPCWSTR lpFile, LPCWSTR /*lpParameters*/,
                        LPCWSTR lpDirectory, INT /*nShowCmd*/) {
  int err = Execute(lpOperation, lpFile, lpDirectory);
  // Success is any value above 32.
  return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(err ? err : 42));
}

BOOL ShellExecuteExW(SHELLEXECUTEINFOW* pExecInfo) {
  if (!pExecInfo || pExecInfo->cbSize != sizeof(SHELLEXECUTEINFOW)) {
    JF_SET_ERROR(Shell, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  int err = Execute(pExecInfo->lpVerb, pExecInfo->lpFile, pExecInfo->lpDirectory);
  pExecInfo->hInstApp = reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(err ? err : 42));
  pExecInfo->hProcess = nullptr;
  return err ? FALSE : TRUE;
}
