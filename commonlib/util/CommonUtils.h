// System utilities: the operating system's version and name, folders, the Run key,
// processes, a shortcut, time and size texts, disk space, the local address and URL pieces.
// Texts are wide unless said otherwise. Nothing here throws.
#pragma once

#include <windows.h>

#include <cstdint>
#include <list>
#include <string>
#include <vector>

namespace CommonUtils {

// The true system version through ntdll's RtlGetVersion (looked up once); servicePackMajor
// may be null. False when the call is not available or fails.
bool RtlGetVersion(DWORD& major, DWORD& minor, DWORD* servicePackMajor);
// True when the system is not a workstation.
bool IsWindowsServer();
// The true version numbers; 6 when the version cannot be read.
DWORD GetOSMajorVersion();
DWORD GetOSMinorVersion();
// "Microsoft Windows 10 SP0" and the like; empty when the version cannot be read.
std::wstring GetOSVersionName();
// The names of the systems before Windows 8 (and of unknown ones) from the version record,
// the processor architecture and GetSystemMetrics(SM_SERVERR2).
std::wstring GetLegacyOSVersionName(const OSVERSIONINFOEXW& info, WORD processorArchitecture, int serverR2);

// The folder of the running program, without a trailing backslash (kept after the first
// success).
std::wstring GetModuleDir();
// A shell special folder (CSIDL_...); empty on failure.
std::wstring GetSpecialFolderPath(int csidl);

// Writes a REG_SZ value under the current user's Run key; false when the key cannot be
// opened or the value cannot be written.
bool SetAutoRun(const std::wstring& valueName, const std::wstring& command);
// The program path of that Run value (GetCommandExePath); empty when absent or not a text.
std::wstring GetAutoRun(const std::wstring& valueName);
// The program part of a command line: a quoted program is taken up to its closing quote;
// otherwise the text is cut before its last blank.
std::wstring GetCommandExePath(const std::wstring& command);

// Executable names are compared exactly (case-sensitive).
bool IsProcessRunning(const std::wstring& exeName);
// Terminates every process with that executable name; returns how many were found.
int KillProcessesByName(const std::wstring& exeName);
// The id of the first other process whose image lies in folder (case-insensitive); 0 if none.
DWORD FindProcessInDir(const std::wstring& folder);
// The full path of a process's program file; "" when it cannot be read.
std::wstring GetProcessImagePath(DWORD pid);
// Starts a program without waiting; both handles are closed at once (only the ids stay
// valid in processInfo, which may be null). 0 on success, else the system error.
DWORD RunProcess(PROCESS_INFORMATION* processInfo, const std::wstring& applicationPath,
                 const std::wstring& commandLine);
bool EnableDebugPrivilege();
// Writes folder\name.lnk pointing at target (creating the folder, one level); returns its
// path, or an empty text on failure. COM must be initialised on the calling thread.
std::wstring CreateShortcut(const std::wstring& folder, const std::wstring& name, const std::wstring& target);

// "2024-01-31 08:05:09" in local time.
std::wstring GetTimeString(int64_t secondsSince1970);
// Seconds since 1970 from 100-nanosecond units since 1601.
int64_t FileTimeToUnixTime(uint64_t fileTime);
// "999 B", "0.98 KB", "5.00 GB"... (without blanks when spaced is false).
std::wstring FormatByteSize(uint64_t bytes, bool spaced);
// Bytes free to the caller on the file system of path (of its nearest existing folder, which
// may be mounted below the drive's root); 0 on failure.
uint64_t GetDiskFreeSpace(const std::wstring& path);
// The first IPv4 address of the host's own name; empty when it cannot be resolved.
std::string GetLocalIp();
// The hardware address text (kept after the first non-empty answer).
std::wstring GetMacAddress();

std::wstring GetUrlHost(const std::wstring& url);
// The port in the URL; else 443 for https and 80 for anything else.
int GetUrlPort(const std::wstring& url);
bool IsHttpsUrl(const std::wstring& url);
// Moves https URLs before the others, keeping the order within each kind.
void SortHttpsFirst(std::vector<std::wstring>& urls);
void SortHttpsFirst(std::list<std::wstring>& urls);
// Non-empty and only digits and dots.
bool IsIpAddress(const std::wstring& text);

}  // namespace CommonUtils
