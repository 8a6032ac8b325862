// Helpers shared by the file sources: host file status in Windows terms.
#pragma once
#include <sys/stat.h>

#include <string>

#include "platform/src/kernel/CopyOut.h"
#include <windef.h>

namespace jf {

// FILE_ATTRIBUTE_DIRECTORY or FILE_ATTRIBUTE_ARCHIVE, plus FILE_ATTRIBUTE_READONLY for a file
// without write bits.
DWORD AttributesFromStat(const struct stat& st);
// A file without any write bit is read-only for everyone, root included, as on Windows.
bool IsReadOnlyFile(const struct stat& st);
FILETIME FileTimeFromTimespec(const struct timespec& ts);
struct timespec TimespecFromFileTime(const FILETIME& ft);
// Sets the last error for a failed call on `hostPath`: ENOENT becomes ERROR_PATH_NOT_FOUND
// when the parent folder is missing, ERROR_FILE_NOT_FOUND otherwise. Returns the code.
DWORD SetLastErrorForPath(int err, const std::string& hostPath);
// Maps a Windows path and reports failure through the last error (null gives ERROR_INVALID_PARAMETER).
bool MapPathArg(const wchar_t* winPath, std::string& hostPath);

}  // namespace jf
