// Choosing and checking the folder the platform is installed into: a folder that exists or
// can be created, can be written, and has room for the platform.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

class InstallFolderChoice {
 public:
  // What the platform needs on its drive: 150 MiB.
  static const uint64_t kRequiredFreeBytes = 157286400ull;

  // Results of CheckFolder, also the index of the text shown for them.
  enum CheckResult { kFolderOk = 0, kFolderInvalid = 1, kFolderNoSpace = 2, kFolderNotWritable = 3 };

  struct TipText {
    std::wstring text;
    DWORD color;  // ARGB
  };

  // More than the required bytes free to the caller on the folder's drive.
  static bool HasEnoughDiskSpace(const std::wstring& folder);
  // The standard folder of the first existing drive of D:, E:, C:, F:, G:; "" when none.
  static std::wstring FindFirstDriveFolder();
  // current when it is a valid path, writable and has room; else the first standard
  // folder that is; else "".
  static std::wstring PickInstallFolder(const std::wstring& current);
  // The folder name beside the program's folder when usable, else on the first fixed drive
  // that can be written; "" when none.
  static std::wstring GetDefaultInstallDir(const std::wstring& name);
  // The folder of a hidden run: the requested one (-p) when usable, else the default folder
  // named after it (or after the platform when nothing was requested).
  static std::wstring ChooseHiddenFolder(const std::wstring& requested);
  // The first failed check of a typed folder, or kFolderOk.
  static CheckResult CheckFolder(const std::wstring& folder);
  // The text and colour that the folder check shows.
  static TipText DiskSpaceText(const std::wstring& folder);
  // The text of a failed check.
  static std::wstring CheckText(CheckResult result);
  // What a system error of writing into the folder tells of it: no room for an error of a full
  // disk, else not writable.
  static CheckResult WriteFailure(DWORD error);

  static const wchar_t kCompanyFolder[];
  static const wchar_t kPlatformFolder[];

 private:
  static std::wstring StandardFolder(const std::wstring& root, const std::wstring& name);
  static bool IsUsable(const std::wstring& folder);
};
