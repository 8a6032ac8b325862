#include "platform/src/process/ProcessLauncher.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <errhandlingapi.h>
#include "platform/src/process/ProcessSnapshot.h"
#include "platform/src/internal/errors.h"
#include "platform/src/internal/paths.h"
#include <windows/process.h>
#include <windows/text.h>
#include "platform/src/internal/utf.h"
#include <shellapi.h>
#include <winerror.h>

extern char** environ;

namespace jf {
namespace {

bool HasExtension(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  size_t dot = path.rfind(L'.');
  return dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash);
}

bool IsBareName(const std::wstring& path) { return path.find_first_of(L"\\/:") == std::wstring::npos; }

bool FileExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

bool ParentExists(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos || slash == 0) return true;
  struct stat st;
  return stat(path.substr(0, slash).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// The names Windows tries for the program of a command line without an application name:
// the quoted first word, or else every prefix that ends before a blank, shortest first
// ("C:\Program Files\a.exe /S" tries "C:\Program", then "C:\Program Files\a.exe"); a
// name without an extension is also tried with ".exe".
std::vector<std::wstring> ProgramNames(const std::wstring& line) {
  std::vector<std::wstring> prefixes;
  size_t start = 0;
  while (start < line.size() && IsBlank(line[start])) ++start;
  if (start < line.size() && line[start] == L'"') {
    size_t end = line.find(L'"', start + 1);
    prefixes.push_back(line.substr(start + 1, end == std::wstring::npos ? std::wstring::npos : end - start - 1));
  } else {
    for (size_t i = start + 1; i <= line.size(); ++i)
      if ((i == line.size() || IsBlank(line[i])) && !IsBlank(line[i - 1])) prefixes.push_back(line.substr(start, i - start));
  }
  std::vector<std::wstring> names;
  for (const std::wstring& prefix : prefixes) {
    if (prefix.empty()) continue;
    names.push_back(prefix);
    if (!HasExtension(prefix)) names.push_back(prefix + L".exe");
  }
  return names;
}

std::vector<std::string> PathFolders() {
  std::vector<std::string> folders;
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "";
  size_t start = 0;
  while (start < dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    if (end > start) folders.push_back(dirs.substr(start, end - start));
    start = end + 1;
  }
  return folders;
}

DWORD Win32FromSpawnError(int err) {
  if (err == ENOEXEC) return ERROR_BAD_EXE_FORMAT;
  return Win32FromErrno(err);
}

}  // namespace

ProcessLauncher::ProcessLauncher(LPCWSTR applicationName, LPCWSTR commandLine)
    : application_(applicationName ? applicationName : L""),
      commandLine_(commandLine ? commandLine : L""),
      hasApplication_(applicationName != nullptr && *applicationName) {}

std::vector<std::wstring> ProcessLauncher::SplitCommandLine(const std::wstring& commandLine) {
  std::vector<std::wstring> args;
  if (commandLine.empty()) return args;  // CommandLineToArgvW would answer with our own name
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(commandLine.c_str(), &count);
  if (!argv) return args;
  for (int i = 0; i < count; ++i) args.emplace_back(argv[i]);
  LocalFree(reinterpret_cast<HLOCAL>(argv));
  return args;
}

bool ProcessLauncher::ResolveProgram(std::string& hostPath) {
  // With an application name that file is the program, without any search.
  std::vector<std::wstring> names = hasApplication_ ? std::vector<std::wstring>{application_} : ProgramNames(commandLine_);
  std::string first;
  for (const std::wstring& name : names) {
    std::vector<std::string> places;
    if (!hasApplication_ && IsBareName(name)) {
      // A bare name: the program's own folder, the current folder, then PATH.
      std::string self;
      if (ProcessSnapshot::ImagePath(getpid(), self)) places.push_back(self.substr(0, self.rfind('/') + 1) + ToUtf8(name));
      for (const std::string& dir : PathFolders()) places.push_back(dir + "/" + ToUtf8(name));
    }
    std::string host;
    if (HostPathFromWin(name, host)) {
      places.insert(places.begin() + (places.empty() ? 0 : 1), host);
    } else if (first.empty()) {
      return false;  // no host form (forbidden character, unknown drive): its error stands
    }
    if (first.empty() && !places.empty()) first = host.empty() ? places.front() : host;
    for (const std::string& place : places) {
      if (FileExists(place)) {
        hostPath = place;
        return true;
      }
    }
  }
  JF_SET_ERROR(Process, first.empty() || ParentExists(first) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
  return false;
}

bool ProcessLauncher::CheckProgram(const std::string& hostPath) {
  struct stat st;
  if (stat(hostPath.c_str(), &st) != 0) {
    JF_SET_ERRNO(Process, errno, !ParentExists(hostPath));
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    JF_SET_ERROR(Process, ERROR_ACCESS_DENIED);
    return false;
  }
  // Windows needs no execute bit, and a freshly downloaded program has none. When we may not
  // change the mode, starting it reports the refusal.
  if (!(st.st_mode & S_IXUSR)) (void)chmod(hostPath.c_str(), (st.st_mode & 07777) | S_IXUSR);
  int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    JF_SET_ERRNO(Process, errno);
    return false;
  }
  char head[4] = {};
  ssize_t n = read(fd, head, sizeof head);
  close(fd);
  bool elf = n == 4 && std::memcmp(head, "\x7f" "ELF", 4) == 0;
  bool script = n >= 2 && head[0] == '#' && head[1] == '!';
  if (!elf && !script) {
    JF_SET_ERROR(Process, ERROR_BAD_EXE_FORMAT);
    return false;
  }
  return true;
}

std::vector<std::string> ProcessLauncher::EnvironmentStrings() const {
  std::vector<std::string> strings;
  if (wideEnvironment_) {
    for (const wchar_t* p = static_cast<const wchar_t*>(environment_); *p; p += std::wcslen(p) + 1)
      strings.push_back(ToUtf8(p));
  } else {
    for (const char* p = static_cast<const char*>(environment_); *p; p += std::strlen(p) + 1) {
      int bytes = static_cast<int>(std::strlen(p));
      int chars = MultiByteToWideChar(CP_ACP, 0, p, bytes, nullptr, 0);
      std::wstring wide(static_cast<size_t>(chars > 0 ? chars : 0), L'\0');
      if (chars > 0) MultiByteToWideChar(CP_ACP, 0, p, bytes, &wide[0], chars);
      strings.push_back(ToUtf8(wide));
    }
  }
  return strings;
}

bool ProcessLauncher::Start(pid_t& pid) {
  std::string program;
  if (!ResolveProgram(program) || !CheckProgram(program)) return false;

  std::string directory;
  if (directory_ && *directory_) {
    struct stat st;
    if (!HostPathFromWin(directory_, directory) || stat(directory.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
      JF_SET_ERROR(Process, ERROR_DIRECTORY);
      return false;
    }
  }

  // The program sees the command line's words; a missing command line gives it its name.
  std::wstring line = commandLine_.empty() ? (hasApplication_ ? application_ : std::wstring()) : commandLine_;
  std::vector<std::string> args;
  for (const std::wstring& arg : SplitCommandLine(line)) args.push_back(ToUtf8(arg));
  if (args.empty()) args.push_back(program);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(&arg[0]);
  argv.push_back(nullptr);

  std::vector<std::string> envStrings;
  std::vector<char*> envp;
  if (environment_) {
    envStrings = EnvironmentStrings();
    for (std::string& s : envStrings) envp.push_back(&s[0]);
    envp.push_back(nullptr);
  }

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attr;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attr);
  if (!directory.empty()) posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
  // Handles are not inherited unless asked for: above all no lock files or sockets of ours
  // may outlive us in the child.
  if (!inherit_) posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  // The child starts with default signal handling and nothing blocked.
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &all);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  int err = posix_spawn(&pid, program.c_str(), &actions, &attr, argv.data(), environment_ ? envp.data() : environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  if (err != 0) {
    JF_SET_ERROR(Process, Win32FromSpawnError(err));
    return false;
  }
  return true;
}

}  // namespace jf
