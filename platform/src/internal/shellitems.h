// The layer's item lists, which carry a folder's path.
#pragma once
#include <shlobj.h>

#include <string>

namespace jf {
// The item list of a folder in the form SHGetPathFromIDListW reads (free it with
// CoTaskMemFree); null for a path of MAX_PATH characters or more.
PIDLIST_ABSOLUTE ItemListFromPath(const std::wstring& path);
}  // namespace jf
