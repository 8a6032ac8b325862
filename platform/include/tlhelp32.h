// Process snapshots, read from /proc.
#pragma once
#include "windows.h"

#define TH32CS_SNAPHEAPLIST 0x00000001
#define TH32CS_SNAPPROCESS 0x00000002
#define TH32CS_SNAPTHREAD 0x00000004
#define TH32CS_SNAPMODULE 0x00000008
#define TH32CS_SNAPMODULE32 0x00000010
#define TH32CS_SNAPALL (TH32CS_SNAPHEAPLIST | TH32CS_SNAPPROCESS | TH32CS_SNAPTHREAD | TH32CS_SNAPMODULE)
#define TH32CS_INHERIT 0x80000000

// szExeFile is the file name of the process's image as Windows shows it ("launcher.exe"
// when the host file has that name). The first entry is the idle process (id 0, named
// "[System Process]"), as on Windows; ended processes that wait to be reaped are left out.
typedef struct tagPROCESSENTRY32W {
  DWORD dwSize;
  DWORD cntUsage;
  DWORD th32ProcessID;
  ULONG_PTR th32DefaultHeapID;
  DWORD th32ModuleID;
  DWORD cntThreads;
  DWORD th32ParentProcessID;
  LONG pcPriClassBase;
  DWORD dwFlags;
  WCHAR szExeFile[MAX_PATH];
} PROCESSENTRY32W, *PPROCESSENTRY32W, *LPPROCESSENTRY32W;
typedef PROCESSENTRY32W PROCESSENTRY32;
typedef LPPROCESSENTRY32W LPPROCESSENTRY32;

// Only TH32CS_SNAPPROCESS is supported; other kinds fail with ERROR_NOT_SUPPORTED and
// INVALID_HANDLE_VALUE. The snapshot is closed with CloseHandle.
HANDLE CreateToolhelp32Snapshot(DWORD dwFlags, DWORD th32ProcessID);
// dwSize must be at least sizeof(PROCESSENTRY32W) (else ERROR_BAD_LENGTH). The end of the
// list fails with ERROR_NO_MORE_FILES.
BOOL Process32FirstW(HANDLE hSnapshot, LPPROCESSENTRY32W lppe);
BOOL Process32NextW(HANDLE hSnapshot, LPPROCESSENTRY32W lppe);
#define Process32First Process32FirstW
#define Process32Next Process32NextW
