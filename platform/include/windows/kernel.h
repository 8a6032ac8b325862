// Kernel services of the layer: threads, waits, events, semaphores, mutexes, critical
// sections, atomics, clocks, system and version information, modules, debug and console
// output, the command line.
#pragma once

#include "../windef.h"
#include "../winerror.h"

// ---------------------------------------------------------------------------------------
// Handles

BOOL CloseHandle(HANDLE handle);

// ---------------------------------------------------------------------------------------
// Threads

typedef DWORD(WINAPI* PTHREAD_START_ROUTINE)(LPVOID parameter);
typedef PTHREAD_START_ROUTINE LPTHREAD_START_ROUTINE;

#define STILL_ACTIVE 259
#define CREATE_SUSPENDED 0x00000004
#define STACK_SIZE_PARAM_IS_A_RESERVATION 0x00010000

#define THREAD_PRIORITY_LOWEST (-2)
#define THREAD_PRIORITY_BELOW_NORMAL (-1)
#define THREAD_PRIORITY_NORMAL 0
#define THREAD_PRIORITY_ABOVE_NORMAL 1
#define THREAD_PRIORITY_HIGHEST 2

HANDLE CreateThread(LPSECURITY_ATTRIBUTES attributes, SIZE_T stackSize, LPTHREAD_START_ROUTINE start,
                    LPVOID parameter, DWORD creationFlags, LPDWORD threadId);
// Resumes a thread created with CREATE_SUSPENDED; returns the previous suspend count or
// (DWORD)-1 on failure.
DWORD ResumeThread(HANDLE thread);
// Ends the calling thread (a thread of CreateThread/_beginthreadex) with an exit code.
// Destructors of the thread's stack objects run on the way out.
[[noreturn]] void ExitThread(DWORD exitCode);
BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode);
DWORD GetCurrentThreadId();
// The pseudo handle (HANDLE)-2 of the calling thread, as on Windows.
HANDLE GetCurrentThread();
BOOL SetThreadPriority(HANDLE thread, int priority);
int GetThreadPriority(HANDLE thread);
void Sleep(DWORD milliseconds);
BOOL SwitchToThread();

// ---------------------------------------------------------------------------------------
// Waits

#define WAIT_OBJECT_0 0x00000000u
#define WAIT_ABANDONED 0x00000080u
#define WAIT_ABANDONED_0 0x00000080u
#define WAIT_TIMEOUT 258u
#define WAIT_FAILED 0xFFFFFFFFu
#define MAXIMUM_WAIT_OBJECTS 64

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds);

// ---------------------------------------------------------------------------------------
// Events, semaphores, mutexes

#define SYNCHRONIZE 0x00100000L
#define STANDARD_RIGHTS_REQUIRED 0x000F0000L
#define EVENT_MODIFY_STATE 0x0002
#define EVENT_ALL_ACCESS 0x1F0003
#define SEMAPHORE_MODIFY_STATE 0x0002
#define SEMAPHORE_ALL_ACCESS 0x1F0003
#define MUTEX_MODIFY_STATE 0x0001
#define MUTEX_ALL_ACCESS 0x1F0001

HANDLE CreateEventW(LPSECURITY_ATTRIBUTES attributes, BOOL manualReset, BOOL initialState, LPCWSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);

HANDLE CreateSemaphoreW(LPSECURITY_ATTRIBUTES attributes, LONG initialCount, LONG maximumCount, LPCWSTR name);
BOOL ReleaseSemaphore(HANDLE semaphore, LONG releaseCount, LPLONG previousCount);

// A named mutex is shared with other processes: the first creator holds a lock on a file
// named after it; a later CreateMutexW of the same name (in any process) returns a valid
// handle with GetLastError() == ERROR_ALREADY_EXISTS.
HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCWSTR name);
HANDLE OpenMutexW(DWORD desiredAccess, BOOL inheritHandle, LPCWSTR name);
BOOL ReleaseMutex(HANDLE mutex);

#define CreateEvent CreateEventW
#define CreateSemaphore CreateSemaphoreW
#define CreateMutex CreateMutexW
#define OpenMutex OpenMutexW

// ---------------------------------------------------------------------------------------
// Critical sections (recursive, as on Windows)

typedef struct _RTL_CRITICAL_SECTION {
  PVOID DebugInfo;
  LONG LockCount;
  LONG RecursionCount;
  HANDLE OwningThread;  // the owner's thread id
  HANDLE LockSemaphore;  // the layer's lock behind the section
  ULONG_PTR SpinCount;
} RTL_CRITICAL_SECTION, CRITICAL_SECTION, *PCRITICAL_SECTION, *LPCRITICAL_SECTION;

void InitializeCriticalSection(LPCRITICAL_SECTION section);
BOOL InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION section, DWORD spinCount);
void EnterCriticalSection(LPCRITICAL_SECTION section);
BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section);
void LeaveCriticalSection(LPCRITICAL_SECTION section);
void DeleteCriticalSection(LPCRITICAL_SECTION section);

// ---------------------------------------------------------------------------------------
// Interlocked operations (full barriers; return values as on Windows)

inline LONG InterlockedIncrement(LONG volatile* v) { return __atomic_add_fetch(v, 1, __ATOMIC_SEQ_CST); }
inline LONG InterlockedDecrement(LONG volatile* v) { return __atomic_sub_fetch(v, 1, __ATOMIC_SEQ_CST); }
inline LONG InterlockedExchange(LONG volatile* v, LONG x) { return __atomic_exchange_n(v, x, __ATOMIC_SEQ_CST); }
inline LONG InterlockedExchangeAdd(LONG volatile* v, LONG x) { return __atomic_fetch_add(v, x, __ATOMIC_SEQ_CST); }
inline LONG InterlockedAdd(LONG volatile* v, LONG x) { return __atomic_add_fetch(v, x, __ATOMIC_SEQ_CST); }
inline LONG InterlockedOr(LONG volatile* v, LONG x) { return __atomic_fetch_or(v, x, __ATOMIC_SEQ_CST); }
inline LONG InterlockedAnd(LONG volatile* v, LONG x) { return __atomic_fetch_and(v, x, __ATOMIC_SEQ_CST); }
inline LONG InterlockedCompareExchange(LONG volatile* v, LONG exchange, LONG comparand) {
  __atomic_compare_exchange_n(v, &comparand, exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
  return comparand;
}
inline LONG64 InterlockedIncrement64(LONG64 volatile* v) { return __atomic_add_fetch(v, 1, __ATOMIC_SEQ_CST); }
inline LONG64 InterlockedDecrement64(LONG64 volatile* v) { return __atomic_sub_fetch(v, 1, __ATOMIC_SEQ_CST); }
inline LONG64 InterlockedExchange64(LONG64 volatile* v, LONG64 x) { return __atomic_exchange_n(v, x, __ATOMIC_SEQ_CST); }
inline LONG64 InterlockedExchangeAdd64(LONG64 volatile* v, LONG64 x) { return __atomic_fetch_add(v, x, __ATOMIC_SEQ_CST); }
inline LONG64 InterlockedAdd64(LONG64 volatile* v, LONG64 x) { return __atomic_add_fetch(v, x, __ATOMIC_SEQ_CST); }
inline LONG64 InterlockedCompareExchange64(LONG64 volatile* v, LONG64 exchange, LONG64 comparand) {
  __atomic_compare_exchange_n(v, &comparand, exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
  return comparand;
}
inline PVOID InterlockedExchangePointer(PVOID volatile* v, PVOID x) { return __atomic_exchange_n(v, x, __ATOMIC_SEQ_CST); }
inline PVOID InterlockedCompareExchangePointer(PVOID volatile* v, PVOID exchange, PVOID comparand) {
  __atomic_compare_exchange_n(v, &comparand, exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
  return comparand;
}
inline void MemoryBarrier() { __atomic_thread_fence(__ATOMIC_SEQ_CST); }

// number * numerator / denominator in 64 bits, rounded half away from zero; -1 when the
// denominator is 0 or the result does not fit in 32 bits.
int MulDiv(int number, int numerator, int denominator);

// ---------------------------------------------------------------------------------------
// Clocks

// Milliseconds of the layer's tick source (jf::TickNow); the 32-bit form wraps after 49.7 days.
DWORD GetTickCount();
ULONGLONG GetTickCount64();
// A monotonic counter at 10,000,000 counts per second.
BOOL QueryPerformanceCounter(LARGE_INTEGER* count);
BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);
void GetSystemTimeAsFileTime(LPFILETIME time);
void GetSystemTime(LPSYSTEMTIME time);
void GetLocalTime(LPSYSTEMTIME time);
BOOL SystemTimeToFileTime(const SYSTEMTIME* systemTime, LPFILETIME fileTime);
BOOL FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME systemTime);
BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, LPFILETIME localFileTime);
BOOL LocalFileTimeToFileTime(const FILETIME* localFileTime, LPFILETIME fileTime);
LONG CompareFileTime(const FILETIME* a, const FILETIME* b);

// ---------------------------------------------------------------------------------------
// System and version information

typedef LONG NTSTATUS;
#define STATUS_SUCCESS ((NTSTATUS)0)
#define NTAPI

typedef struct _OSVERSIONINFOW {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  WCHAR szCSDVersion[128];
} OSVERSIONINFOW, *POSVERSIONINFOW, *LPOSVERSIONINFOW, RTL_OSVERSIONINFOW, *PRTL_OSVERSIONINFOW;

typedef struct _OSVERSIONINFOEXW {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  WCHAR szCSDVersion[128];
  WORD wServicePackMajor;
  WORD wServicePackMinor;
  WORD wSuiteMask;
  BYTE wProductType;
  BYTE wReserved;
} OSVERSIONINFOEXW, *POSVERSIONINFOEXW, *LPOSVERSIONINFOEXW, RTL_OSVERSIONINFOEXW, *PRTL_OSVERSIONINFOEXW;

typedef OSVERSIONINFOW OSVERSIONINFO;
typedef OSVERSIONINFOEXW OSVERSIONINFOEX;

#define VER_PLATFORM_WIN32s 0
#define VER_PLATFORM_WIN32_WINDOWS 1
#define VER_PLATFORM_WIN32_NT 2

#define VER_NT_WORKSTATION 0x0000001
#define VER_NT_DOMAIN_CONTROLLER 0x0000002
#define VER_NT_SERVER 0x0000003

#define VER_MINORVERSION 0x0000001
#define VER_MAJORVERSION 0x0000002
#define VER_BUILDNUMBER 0x0000004
#define VER_PLATFORMID 0x0000008
#define VER_SERVICEPACKMINOR 0x0000010
#define VER_SERVICEPACKMAJOR 0x0000020
#define VER_SUITENAME 0x0000040
#define VER_PRODUCT_TYPE 0x0000080

#define VER_EQUAL 1
#define VER_GREATER 2
#define VER_GREATER_EQUAL 3
#define VER_LESS 4
#define VER_LESS_EQUAL 5
#define VER_AND 6
#define VER_OR 7

#define ERROR_OLD_WIN_VERSION 1150L

// Fills an OSVERSIONINFOW or OSVERSIONINFOEXW (told apart by dwOSVersionInfoSize).
BOOL GetVersionExW(LPOSVERSIONINFOW info);
#define GetVersionEx GetVersionExW
ULONGLONG VerSetConditionMask(ULONGLONG conditionMask, DWORD typeMask, BYTE condition);
// False with ERROR_OLD_WIN_VERSION when the system does not match.
BOOL VerifyVersionInfoW(LPOSVERSIONINFOEXW info, DWORD typeMask, DWORDLONG conditionMask);
#define VerifyVersionInfo VerifyVersionInfoW

#define PROCESSOR_ARCHITECTURE_INTEL 0
#define PROCESSOR_ARCHITECTURE_ARM 5
#define PROCESSOR_ARCHITECTURE_IA64 6
#define PROCESSOR_ARCHITECTURE_AMD64 9
#define PROCESSOR_ARCHITECTURE_ARM64 12
#define PROCESSOR_ARCHITECTURE_UNKNOWN 0xFFFF
#define PROCESSOR_AMD_X8664 8664

typedef struct _SYSTEM_INFO {
  union {
    DWORD dwOemId;
    struct {
      WORD wProcessorArchitecture;
      WORD wReserved;
    };
  };
  DWORD dwPageSize;
  LPVOID lpMinimumApplicationAddress;
  LPVOID lpMaximumApplicationAddress;
  DWORD_PTR dwActiveProcessorMask;
  DWORD dwNumberOfProcessors;
  DWORD dwProcessorType;
  DWORD dwAllocationGranularity;
  WORD wProcessorLevel;
  WORD wProcessorRevision;
} SYSTEM_INFO, *LPSYSTEM_INFO;

void GetSystemInfo(LPSYSTEM_INFO info);
void GetNativeSystemInfo(LPSYSTEM_INFO info);

typedef struct _MEMORYSTATUSEX {
  DWORD dwLength;
  DWORD dwMemoryLoad;
  DWORDLONG ullTotalPhys;
  DWORDLONG ullAvailPhys;
  DWORDLONG ullTotalPageFile;
  DWORDLONG ullAvailPageFile;
  DWORDLONG ullTotalVirtual;
  DWORDLONG ullAvailVirtual;
  DWORDLONG ullAvailExtendedVirtual;
} MEMORYSTATUSEX, *LPMEMORYSTATUSEX;

BOOL GlobalMemoryStatusEx(LPMEMORYSTATUSEX status);

// The process heap (plain malloc underneath).
#define HEAP_ZERO_MEMORY 0x00000008
HANDLE GetProcessHeap();
LPVOID HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes);
BOOL HeapFree(HANDLE heap, DWORD flags, LPVOID memory);

// Global memory blocks, as data transfer hands them over. A block never moves here, so its
// handle is also its address; GlobalLock answers it all the same.
#define GMEM_FIXED 0x0000
#define GMEM_MOVEABLE 0x0002
#define GMEM_ZEROINIT 0x0040
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
LPVOID GlobalLock(HGLOBAL mem);
BOOL GlobalUnlock(HGLOBAL mem);
SIZE_T GlobalSize(HGLOBAL mem);
HGLOBAL GlobalFree(HGLOBAL mem);

// ---------------------------------------------------------------------------------------
// Modules. The layer answers for its own entry points ("ntdll.dll" RtlGetVersion, and what
// other areas register with jf::RegisterModuleExport); any other name without ".dll" is a
// host library opened with dlopen; an unknown ".dll" fails with ERROR_MOD_NOT_FOUND.

// Returns nothing here (INT_PTR on Windows) because a pointer to `void()` converts to any other
// function pointer type without a -Wcast-function-type warning.
typedef void(WINAPI* FARPROC)();
typedef FARPROC PROC;

HMODULE GetModuleHandleW(LPCWSTR moduleName);
HMODULE GetModuleHandleA(LPCSTR moduleName);
HMODULE LoadLibraryW(LPCWSTR fileName);
HMODULE LoadLibraryA(LPCSTR fileName);
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);
BOOL FreeLibrary(HMODULE module);
#define GetModuleHandle GetModuleHandleW
#define LoadLibrary LoadLibraryW

// ---------------------------------------------------------------------------------------
// Debug and console output, command line, process end

void OutputDebugStringW(LPCWSTR text);
void OutputDebugStringA(LPCSTR text);
#define OutputDebugString OutputDebugStringW

#define STD_INPUT_HANDLE ((DWORD)-10)
#define STD_OUTPUT_HANDLE ((DWORD)-11)
#define STD_ERROR_HANDLE ((DWORD)-12)
#define ATTACH_PARENT_PROCESS ((DWORD)-1)

HANDLE GetStdHandle(DWORD which);
// Writes wide characters as UTF-8 to the stream behind a GetStdHandle handle.
BOOL WriteConsoleW(HANDLE console, const void* buffer, DWORD charsToWrite, LPDWORD charsWritten, LPVOID reserved);
#define WriteConsole WriteConsoleW
BOOL AllocConsole();
BOOL AttachConsole(DWORD processId);
BOOL FreeConsole();

// The program's own command line, rebuilt from its arguments with Windows quoting.
LPWSTR GetCommandLineW();
#define GetCommandLine GetCommandLineW
[[noreturn]] void ExitProcess(UINT exitCode);

// The entry of a windowed program. The program links platform/entry, whose main() calls it
// with the program's module, the command line after the program name and SW_SHOWDEFAULT;
// its result is the process exit code.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show);

// ---------------------------------------------------------------------------------------
// Layer extensions

namespace jf {

// Adds an entry point that GetProcAddress finds in a module of the layer (for example
// RegisterModuleExport(L"kernel32.dll", "IsWow64Process", (void*)&IsWow64Process)). Module
// names are matched without case; a name without extension gets ".dll".
void RegisterModuleExport(const wchar_t* moduleName, const char* procName, void* address);
// The same for a system library that is mapped only once a program loads it (until then
// GetModuleHandleW does not find it), such as the rich-edit library that upper areas provide.
void RegisterOnDemandModuleExport(const wchar_t* moduleName, const char* procName, void* address);

// True for the handle of the program itself (GetModuleHandleW(nullptr), also nullptr).
bool IsProgramModule(HMODULE module);

// Receives every OutputDebugStringW/A text (as wide text) while installed; pass nullptr to
// remove. Installed hooks see the text whether or not JF_TRACE=1.
using DebugOutputHook = void (*)(const wchar_t* text, void* context);
void SetDebugOutputHook(DebugOutputHook hook, void* context);

}  // namespace jf
