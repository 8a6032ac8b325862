// What the file area offers the areas above it: host file status in Windows terms, and the
// special folders inside drive C: (shared by the shell calls and GetTempPathW).
#pragma once
#include <sys/stat.h>

#include <string>

#include <shlobj.h>
#include <windef.h>

#include "platform/src/internal/trace.h"

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
// Use JF_SET_PATH_ERROR, which traces the failing function on its area's channel.
DWORD SetPathFailure(TraceChannel channel, const char* function, int err, const std::string& hostPath);
// Maps a Windows path and reports failure through the last error (null gives ERROR_INVALID_PARAMETER).
bool MapPathArg(const wchar_t* winPath, std::string& hostPath);

// The temporary folder (C:\Users\<user>\AppData\Local\Temp), beside the CSIDL values.
constexpr int kFolderTemp = 0x00FE;

// The Windows path of a special folder (without a trailing '\'), created on demand.
// False with ERROR_INVALID_PARAMETER for an unknown id, or the error of the creation.
bool SpecialFolderPath(int csidl, std::wstring& path);

}  // namespace jf

// JF_SET_PATH_ERROR(Files, errno, hostPath): the call on that host path fails.
#define JF_SET_PATH_ERROR(area, err, hostPath) ::jf::SetPathFailure(::jf::kTrace##area, __func__, (err), (hostPath))
