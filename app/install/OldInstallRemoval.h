// Stopping a launcher that runs from the install folder and removing the files of the
// earlier install before the installer runs again.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class OldInstallRemoval {
 public:
  static void EndProcessAndDelFile(const std::wstring& installDir);
  // Ids of the other processes whose image lies under folder + "\" (case-insensitive).
  static std::vector<DWORD> FindProcessesInDir(const std::wstring& folder);

 private:
  // Ends the processes under the folder; true when every one of them could be handled.
  static bool EndProcesses(const std::wstring& folder);
};
