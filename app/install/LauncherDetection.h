// Finding a launcher of the platform that is already installed: its INI files in the common
// documents and application-data folders, and its registry keys.
#pragma once

#include <windows.h>

#include <string>

class LauncherDetection {
 public:
  // Tries the four places in order and stops at the first that names an existing launcher.
  // launcherPath is cleared first and set on success; installDir becomes the launcher's
  // folder on success, and also takes a registry folder that holds no launcher.
  static bool FindInstalledLauncher(std::wstring& launcherPath, std::wstring& installDir);

  // A path is a launcher only when it is a file named "VarnelLauncher.exe": the INI files are
  // anyone's to write, and a folder or another program's file there is no launcher.
  static bool IsLauncherFile(const std::wstring& path);

  static const wchar_t kLauncherExe[];
  static const wchar_t kIniName[];
  static const wchar_t kIniSection[];

 private:
  static bool FromIni(const std::wstring& iniPath, std::wstring& launcherPath, std::wstring& installDir);
  static bool FromRegistry(HKEY root, const wchar_t* subKey, bool folderMustExist, std::wstring& launcherPath,
                           std::wstring& installDir);
};
