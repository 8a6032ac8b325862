// Path helpers on Windows path strings (backslash-separated).
#pragma once
#include "windef.h"

BOOL PathFileExistsW(LPCWSTR pszPath);
BOOL PathIsDirectoryW(LPCWSTR pszPath);
BOOL PathAppendW(LPWSTR pszPath, LPCWSTR pszMore);
LPWSTR PathCombineW(LPWSTR pszDest, LPCWSTR pszDir, LPCWSTR pszFile);
BOOL PathRemoveFileSpecW(LPWSTR pszPath);
LPWSTR PathFindFileNameW(LPCWSTR pszPath);
LPWSTR PathFindExtensionW(LPCWSTR pszPath);
BOOL PathIsRelativeW(LPCWSTR pszPath);
LPWSTR PathAddBackslashW(LPWSTR pszPath);
LPWSTR PathRemoveBackslashW(LPWSTR pszPath);
void PathStripPathW(LPWSTR pszPath);
void PathRemoveExtensionW(LPWSTR pszPath);
BOOL PathRenameExtensionW(LPWSTR pszPath, LPCWSTR pszExt);
