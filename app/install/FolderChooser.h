// The shell's folder chooser, for the install folder. Apart from the file utilities: the
// chooser is a dialog, and the programs of the download engine show none.
#pragma once

#include <windows.h>

#include <string>

class FolderChooser {
 public:
  // Starts at `startFolder` (the current folder when empty). Returns the chosen folder without
  // a trailing '\' (a drive root keeps it), or "" on Cancel.
  static std::wstring Browse(HWND owner, const std::wstring& startFolder);
  // The chooser's callback: selects the start folder, shows the selected path as status text.
  static int CALLBACK Callback(HWND hwnd, UINT msg, LPARAM lParam, LPARAM data);
};
