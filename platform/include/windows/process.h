// Processes of the layer: starting programs, opening running processes by id, ending them,
// their exit codes, the calling process, tokens and privileges.
#pragma once
#include "../windef.h"
#include "../winerror.h"
#include "kernel.h"

// Access rights of a process handle (accepted; the host decides what is allowed).
#define PROCESS_TERMINATE 0x0001
#define PROCESS_CREATE_THREAD 0x0002
#define PROCESS_VM_OPERATION 0x0008
#define PROCESS_VM_READ 0x0010
#define PROCESS_VM_WRITE 0x0020
#define PROCESS_DUP_HANDLE 0x0040
#define PROCESS_CREATE_PROCESS 0x0080
#define PROCESS_SET_INFORMATION 0x0200
#define PROCESS_QUERY_INFORMATION 0x0400
#define PROCESS_SUSPEND_RESUME 0x0800
#define PROCESS_QUERY_LIMITED_INFORMATION 0x1000
#define PROCESS_ALL_ACCESS 0x001FFFFF

// Creation flags: all are accepted; the host has no consoles or priority classes to choose.
#define DEBUG_PROCESS 0x00000001
#define DEBUG_ONLY_THIS_PROCESS 0x00000002
#define DETACHED_PROCESS 0x00000008
#define CREATE_NEW_CONSOLE 0x00000010
#define NORMAL_PRIORITY_CLASS 0x00000020
#define IDLE_PRIORITY_CLASS 0x00000040
#define HIGH_PRIORITY_CLASS 0x00000080
#define CREATE_NEW_PROCESS_GROUP 0x00000200
#define CREATE_UNICODE_ENVIRONMENT 0x00000400
#define BELOW_NORMAL_PRIORITY_CLASS 0x00004000
#define ABOVE_NORMAL_PRIORITY_CLASS 0x00008000
#define CREATE_BREAKAWAY_FROM_JOB 0x01000000
#define CREATE_DEFAULT_ERROR_MODE 0x04000000
#define CREATE_NO_WINDOW 0x08000000

#define STARTF_USESHOWWINDOW 0x00000001
#define STARTF_USESIZE 0x00000002
#define STARTF_USEPOSITION 0x00000004
#define STARTF_USESTDHANDLES 0x00000100

#ifndef ERROR_BAD_EXE_FORMAT
#define ERROR_BAD_EXE_FORMAT 193L
#endif
#ifndef ERROR_BAD_LENGTH
#define ERROR_BAD_LENGTH 24L
#endif

// wShowWindow and the window fields are ignored; standard handles are not redirected.
typedef struct _STARTUPINFOW {
  DWORD cb;
  LPWSTR lpReserved;
  LPWSTR lpDesktop;
  LPWSTR lpTitle;
  DWORD dwX;
  DWORD dwY;
  DWORD dwXSize;
  DWORD dwYSize;
  DWORD dwXCountChars;
  DWORD dwYCountChars;
  DWORD dwFillAttribute;
  DWORD dwFlags;
  WORD wShowWindow;
  WORD cbReserved2;
  LPBYTE lpReserved2;
  HANDLE hStdInput;
  HANDLE hStdOutput;
  HANDLE hStdError;
} STARTUPINFOW, *LPSTARTUPINFOW;
typedef STARTUPINFOW STARTUPINFO;
typedef LPSTARTUPINFOW LPSTARTUPINFO;

typedef struct _PROCESS_INFORMATION {
  HANDLE hProcess;
  HANDLE hThread;
  DWORD dwProcessId;
  DWORD dwThreadId;
} PROCESS_INFORMATION, *PPROCESS_INFORMATION, *LPPROCESS_INFORMATION;

// Starts a program. The program is lpApplicationName, or the first word of lpCommandLine
// when that is null (".exe" is tried when the name has no extension; a bare name is looked
// up in the current folder, then in PATH). The command line is split into the program's
// arguments by the Windows rules. A program file without an execute bit gets one (u+x).
// lpCurrentDirectory and lpEnvironment (narrow GBK or, with CREATE_UNICODE_ENVIRONMENT,
// wide) are honoured. Fails with ERROR_FILE_NOT_FOUND / ERROR_PATH_NOT_FOUND,
// ERROR_ACCESS_DENIED, ERROR_BAD_EXE_FORMAT (not a program) or ERROR_DIRECTORY (bad
// current folder). The process handle is signalled when the program ends; the thread
// handle too.
BOOL CreateProcessW(LPCWSTR lpApplicationName, LPWSTR lpCommandLine,
                    LPSECURITY_ATTRIBUTES lpProcessAttributes, LPSECURITY_ATTRIBUTES lpThreadAttributes,
                    BOOL bInheritHandles, DWORD dwCreationFlags, LPVOID lpEnvironment,
                    LPCWSTR lpCurrentDirectory, LPSTARTUPINFOW lpStartupInfo,
                    LPPROCESS_INFORMATION lpProcessInformation);
#define CreateProcess CreateProcessW

// Any running process by id; ERROR_INVALID_PARAMETER when none has that id,
// ERROR_ACCESS_DENIED when PROCESS_TERMINATE is asked for a process we may not signal.
// Waits on the handle work for processes that are not our children too.
HANDLE OpenProcess(DWORD dwDesiredAccess, BOOL bInheritHandle, DWORD dwProcessId);
// Kills the process (SIGKILL). For our own children GetExitCodeProcess then reports
// uExitCode; a process that has already ended fails with ERROR_ACCESS_DENIED.
// TerminateProcess(GetCurrentProcess(), code) ends the calling program.
BOOL TerminateProcess(HANDLE hProcess, UINT uExitCode);
// STILL_ACTIVE while the process runs. For our children: the exit status, the code given to
// TerminateProcess, or 128 + signal number for a program killed by another signal. A
// process that is not our child reports 0 once it has ended (the host does not tell).
BOOL GetExitCodeProcess(HANDLE hProcess, LPDWORD lpExitCode);
// The pseudo handle (HANDLE)-1 of the calling process, as on Windows.
HANDLE GetCurrentProcess();
DWORD GetCurrentProcessId();
// 0 with ERROR_INVALID_HANDLE for a handle that is not a process.
DWORD GetProcessId(HANDLE hProcess);

// Running under WOW64: always FALSE here (a 64-bit program on a 64-bit system). Also found
// by GetProcAddress(GetModuleHandleW(L"kernel32"), "IsWow64Process").
BOOL IsWow64Process(HANDLE hProcess, PBOOL Wow64Process);

// ---------------------------------------------------------------------------------------
// Tokens and privileges. The host has no privileges to switch: opening a token, looking a
// privilege up and adjusting privileges succeed and change nothing.

#define TOKEN_ASSIGN_PRIMARY 0x0001
#define TOKEN_DUPLICATE 0x0002
#define TOKEN_IMPERSONATE 0x0004
#define TOKEN_QUERY 0x0008
#define TOKEN_QUERY_SOURCE 0x0010
#define TOKEN_ADJUST_PRIVILEGES 0x0020
#define TOKEN_ADJUST_GROUPS 0x0040
#define TOKEN_ADJUST_DEFAULT 0x0080
#define TOKEN_ALL_ACCESS 0x000F01FF

#define SE_PRIVILEGE_ENABLED_BY_DEFAULT 0x00000001L
#define SE_PRIVILEGE_ENABLED 0x00000002L
#define SE_PRIVILEGE_REMOVED 0x00000004L

#define SE_DEBUG_NAME L"SeDebugPrivilege"
#define SE_SHUTDOWN_NAME L"SeShutdownPrivilege"
#define SE_BACKUP_NAME L"SeBackupPrivilege"
#define SE_RESTORE_NAME L"SeRestorePrivilege"

typedef struct _LUID {
  DWORD LowPart;
  LONG HighPart;
} LUID, *PLUID;

typedef struct _LUID_AND_ATTRIBUTES {
  LUID Luid;
  DWORD Attributes;
} LUID_AND_ATTRIBUTES, *PLUID_AND_ATTRIBUTES;

typedef struct _TOKEN_PRIVILEGES {
  DWORD PrivilegeCount;
  LUID_AND_ATTRIBUTES Privileges[1];
} TOKEN_PRIVILEGES, *PTOKEN_PRIVILEGES;

// A token handle (closed with CloseHandle) of the calling process; other processes fail
// with ERROR_INVALID_HANDLE when the handle is not a process.
BOOL OpenProcessToken(HANDLE ProcessHandle, DWORD DesiredAccess, PHANDLE TokenHandle);
// Known privilege names get fixed LUIDs; an unknown name fails with ERROR_NO_SUCH_PRIVILEGE.
BOOL LookupPrivilegeValueW(LPCWSTR lpSystemName, LPCWSTR lpName, PLUID lpLuid);
#define LookupPrivilegeValue LookupPrivilegeValueW
// Succeeds with GetLastError() == ERROR_SUCCESS (every privilege counts as assigned).
BOOL AdjustTokenPrivileges(HANDLE TokenHandle, BOOL DisableAllPrivileges, PTOKEN_PRIVILEGES NewState,
                           DWORD BufferLength, PTOKEN_PRIVILEGES PreviousState, PDWORD ReturnLength);

#ifndef ERROR_NO_SUCH_PRIVILEGE
#define ERROR_NO_SUCH_PRIVILEGE 1313L
#endif
