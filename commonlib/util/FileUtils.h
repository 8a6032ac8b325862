// Free functions over wide Windows paths ('\' separators; '/' accepted where said).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "commonlib/util/FileIdentity.h"

namespace FileUtils {

bool IsFileExist(const std::wstring& path);
// A UNC path or a path with a drive part.
bool IsAbsolutePath(const std::wstring& path);
bool IsDriveExist(const std::wstring& path);
// A drive letter and colon, then parts free of \ / : * ? " < > |.
bool IsValidPath(const std::wstring& path);
// Creates and deletes a probe file in the nearest existing folder on the way up; false when
// the nearest existing entry is a file (the folder could never be created).
bool IsDirWritable(const std::wstring& folder);

// Creates every missing level; logs the failing level.
bool CreateDirectoryTree(const std::wstring& path);
// Creates (or truncates) the file, creating its folders first.
bool CreateEmptyFile(const std::wstring& path);
// Only when the file is absent: creates it holding the UTF-16LE byte-order mark.
bool CreateUnicodeFile(const std::wstring& path);

// Up to retries + 1 attempts, sleeping 1 + 100 * i ms after failed attempt i when retries > 0.
bool DeleteFileRetry(const std::wstring& path, int retries);
bool MoveFileRetry(const std::wstring& source, const std::wstring& target, int retries);
// Deletes the folder with everything in it (read-only files included).
bool DeleteDirectoryTree(const std::wstring& folder);
void ClearReadOnly(const std::wstring& path);

std::wstring NormalizePath(const std::wstring& path);
std::wstring GetParentDir(const std::wstring& path);
std::wstring GetFileName(const std::wstring& path);
std::wstring GetAfterLast(const std::wstring& text, const std::wstring& separator);

// (uint64_t)-1 when the file is not found.
uint64_t GetFileSize(const std::wstring& path);
// Seconds since 1970 of the last write; a relative path is taken below the executable's folder.
bool GetFileModifyTime(const std::wstring& path, uint64_t& seconds);

// A folder in the one form it is kept in: "\" separators, no doubled or trailing separator,
// "." and ".." resolved (never above a root), except that a drive's root stays "D:\" (and "D:"
// becomes its root). A leading "\\" of a network path stays, with its server and share.
std::wstring CanonicalFolder(const std::wstring& folder);
// The path of name inside folder, with one separator between them (none added after a root;
// a name in the empty, relative folder is the name alone).
std::wstring PathInFolder(const std::wstring& folder, const std::wstring& name);

// The identity of the file or folder at path as the file system reports it; false when there
// is none there.
bool GetFileIdentity(const std::wstring& path, FileIdentity& identity);
// Both paths lead to one existing folder (by its identity, not by the spelling of the paths).
bool IsSameFolder(const std::wstring& first, const std::wstring& second);

// The shell's folder browser, starting at `startFolder` (the current folder when empty).
// Returns the chosen folder without a trailing '\' (a drive root keeps it), or "" on Cancel.
// Defined in commonlib/util/dialog (library jfcoredialog), which only the programs that show
// the dialog link.
std::wstring BrowseForFolder(HWND owner, const std::wstring& startFolder);
// The browser's callback: selects the start folder, shows the selected path as status text.
int CALLBACK BrowseFolderCallback(HWND hwnd, UINT msg, LPARAM lParam, LPARAM data);

}  // namespace FileUtils
