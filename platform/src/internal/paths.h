// Windows paths <-> host paths. Drive Z: is the host root; C: and further letters come from
// JF_DRIVES ("C=/path/c;D=/path/d"), C: defaulting to $XDG_DATA_HOME/jfinstall/drive_c.
#pragma once
#include <string>
#include <utility>
#include <vector>

namespace jf {

// False (with SetLastError: ERROR_INVALID_NAME for a forbidden character,
// ERROR_INVALID_DRIVE / ERROR_PATH_NOT_FOUND for an unknown drive) when the path has no host form.
// Relative paths resolve against the current directory.
bool HostPathFromWin(const std::wstring& winPath, std::string& hostPath);
// The Windows form of a host path: under a mapped drive when one holds it, else under Z:.
std::wstring WinPathFromHost(const std::string& hostPath);

// The fully qualified Windows form ("X:\\a\\b") of a path: separators made '\\', "." and ".."
// resolved, relative paths taken against the current directory. False (ERROR_BAD_NETPATH,
// ERROR_PATH_NOT_FOUND, ERROR_INVALID_NAME) for UNC and malformed paths.
bool FullWinPath(const std::wstring& winPath, std::wstring& fullPath);
// The current directory in Windows form (no trailing '\\' except at a drive root).
std::wstring CurrentWinDirectory();

// The mapped drives in letter order (Z: included), each with its host folder (no trailing '/').
std::vector<std::pair<wchar_t, std::string>> MappedDrives();
// The host folder of a drive letter; false for an unmapped letter.
bool DriveHostRoot(wchar_t letter, std::string& hostRoot);

}  // namespace jf
