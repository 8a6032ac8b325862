// Stopping a launcher that runs from the folder of the earlier install (where the launcher was
// found) and removing that install's files before the installer runs again.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class OldInstallRemoval {
 public:
  // Refused (false, nothing touched) unless the folder holds the launcher at this moment: it
  // was found in a file that anyone may write, and may have changed since.
  static bool EndProcessAndDelFile(const std::wstring& oldInstallDir);
  // Ids of the other processes whose image lies under folder + "\" (the text compared without
  // case, the folder by its identity); none for an empty folder.
  static std::vector<DWORD> FindProcessesInDir(const std::wstring& folder);

 private:
  // Ends the processes under the folder; true when every one of them could be handled.
  static bool EndProcesses(const std::wstring& folder);
};
