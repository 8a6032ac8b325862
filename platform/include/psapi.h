// Process image paths, as Windows paths of /proc/<pid>/exe.
#pragma once
#include "windows.h"

// hModule must be null (the main image). Returns the characters copied (without the
// terminating null; a long path is cut to nSize - 1 characters and
// ERROR_INSUFFICIENT_BUFFER set), or 0 on failure (ERROR_ACCESS_DENIED when the host
// hides the image of that process).
DWORD GetModuleFileNameExW(HANDLE hProcess, HMODULE hModule, LPWSTR lpFilename, DWORD nSize);
#define GetModuleFileNameEx GetModuleFileNameExW

// The same path; *lpdwSize in: buffer characters, out: characters written. A buffer too
// small fails with ERROR_INSUFFICIENT_BUFFER.
BOOL QueryFullProcessImageNameW(HANDLE hProcess, DWORD dwFlags, LPWSTR lpExeName, PDWORD lpdwSize);
#define QueryFullProcessImageName QueryFullProcessImageNameW

// Ids of the running processes; *lpcbNeeded receives the bytes written.
BOOL EnumProcesses(DWORD* lpidProcess, DWORD cb, LPDWORD lpcbNeeded);
