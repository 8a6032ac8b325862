// The special folders inside drive C:, shared by the shell calls and GetTempPathW.
#pragma once
#include <string>

#include <shlobj.h>

namespace jf {

// The temporary folder (C:\Users\<user>\AppData\Local\Temp), beside the CSIDL values.
constexpr int kFolderTemp = 0x00FE;

// The Windows path of a special folder (without a trailing '\'), created on demand.
// False with ERROR_INVALID_PARAMETER for an unknown id, or the error of the creation.
bool SpecialFolderPath(int csidl, std::wstring& path);

}  // namespace jf
