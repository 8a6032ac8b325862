// Starts a program the way CreateProcessW describes it: Windows program path and command
// line in, a host process out.
#pragma once
#include <sys/types.h>

#include <string>
#include <vector>

#include <windef.h>

namespace jf {

class ProcessLauncher {
 public:
  ProcessLauncher(LPCWSTR applicationName, LPCWSTR commandLine);

  void SetInheritHandles(bool inherit) { inherit_ = inherit; }
  // A Windows environment block (strings ending in a null, the block in another null).
  void SetEnvironment(const void* block, bool wide) {
    environment_ = block;
    wideEnvironment_ = wide;
  }
  void SetCurrentDirectory(LPCWSTR directory) { directory_ = directory; }

  // False with the Win32 error set (GetLastError) when the program cannot be started.
  bool Start(pid_t& pid);

  // The arguments of a command line by the Windows rules (none for an empty line).
  static std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine);

 private:
  bool ResolveProgram(std::string& hostPath);
  bool CheckProgram(const std::string& hostPath);
  std::vector<std::string> EnvironmentStrings() const;

  std::wstring application_;
  std::wstring commandLine_;
  bool hasApplication_;
  bool inherit_ = false;
  const void* environment_ = nullptr;
  bool wideEnvironment_ = false;
  LPCWSTR directory_ = nullptr;
};

}  // namespace jf
