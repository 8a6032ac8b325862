// Shell execution and command-line splitting.
#pragma once
#include <string>

#include "windef.h"

#define SE_ERR_FNF 2
#define SE_ERR_PNF 3
#define SE_ERR_ACCESSDENIED 5
#define SE_ERR_OOM 8
#define SE_ERR_SHARE 26
#define SE_ERR_ASSOCINCOMPLETE 27
#define SE_ERR_DDETIMEOUT 28
#define SE_ERR_DDEFAIL 29
#define SE_ERR_DDEBUSY 30
#define SE_ERR_NOASSOC 31
#define SE_ERR_DLLNOTFOUND 32

#define SEE_MASK_DEFAULT 0x00000000u
#define SEE_MASK_NOCLOSEPROCESS 0x00000040u
#define SEE_MASK_FLAG_NO_UI 0x00000400u
#define SEE_MASK_NOASYNC 0x00000100u

typedef struct _SHELLEXECUTEINFOW {
  DWORD cbSize;
  ULONG fMask;
  HWND hwnd;
  LPCWSTR lpVerb;
  LPCWSTR lpFile;
  LPCWSTR lpParameters;
  LPCWSTR lpDirectory;
  int nShow;
  HINSTANCE hInstApp;
  void* lpIDList;
  LPCWSTR lpClass;
  HKEY hkeyClass;
  DWORD dwHotKey;
  union {
    HANDLE hIcon;
    HANDLE hMonitor;
  };
  HANDLE hProcess;
} SHELLEXECUTEINFOW, *LPSHELLEXECUTEINFOW;

// "open" (or a null verb) hands the file or URL to xdg-open without waiting. The result is
// > 32 on success, an SE_ERR_* value otherwise.
HINSTANCE ShellExecuteW(HWND hwnd, LPCWSTR lpOperation, LPCWSTR lpFile, LPCWSTR lpParameters, LPCWSTR lpDirectory,
                        INT nShowCmd);
BOOL ShellExecuteExW(SHELLEXECUTEINFOW* pExecInfo);

// Splits a command line by the Windows rules (backslashes before quotes, "" inside quotes,
// the program name ends at the first blank or closing quote). One block: free it with LocalFree.
LPWSTR* CommandLineToArgvW(LPCWSTR lpCmdLine, int* pNumArgs);
HLOCAL LocalFree(HLOCAL hMem);

// A dropped file list (a global block that starts with DROPFILES, see <shlobj.h>). Index
// 0xFFFFFFFF counts the files; a null buffer asks for a name's length without its 0.
DECLARE_HANDLE(HDROP);
UINT DragQueryFileW(HDROP hDrop, UINT iFile, LPWSTR lpszFile, UINT cch);
BOOL DragQueryPoint(HDROP hDrop, POINT* ppt);
void DragFinish(HDROP hDrop);

namespace jf {
// The program ShellExecuteW starts for "open" (default: xdg-open found on PATH); an empty
// string restores the default. Tests point it at a script of their own.
void SetShellOpenProgram(const std::string& hostPath);
}  // namespace jf
