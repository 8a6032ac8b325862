// System, version and memory information. The layer plays Windows 10 (10.0, build 19045),
// a 64-bit workstation, with the host's processor count, page size and memory.
#include <sys/sysinfo.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "platform/src/kernel/KernelInternal.h"
#include <errhandlingapi.h>
#include <windows/kernel.h>
#include <winerror.h>
#include "platform/src/internal/errors.h"

namespace {

constexpr DWORD kMajor = 10;
constexpr DWORD kMinor = 0;
constexpr DWORD kBuild = 19045;
constexpr WORD kSuiteSingleUserTerminalServer = 0x0100;
constexpr LONG kStatusInvalidParameter = static_cast<LONG>(0xC000000Du);

// Fills a version record whose size field tells the short or the extended form.
bool FillVersion(void* record) {
  auto* info = static_cast<OSVERSIONINFOEXW*>(record);
  DWORD size = info->dwOSVersionInfoSize;
  if (size != sizeof(OSVERSIONINFOW) && size != sizeof(OSVERSIONINFOEXW)) return false;
  std::memset(reinterpret_cast<char*>(info) + sizeof(DWORD), 0, size - sizeof(DWORD));
  info->dwMajorVersion = kMajor;
  info->dwMinorVersion = kMinor;
  info->dwBuildNumber = kBuild;
  info->dwPlatformId = VER_PLATFORM_WIN32_NT;
  if (size == sizeof(OSVERSIONINFOEXW)) {
    info->wSuiteMask = kSuiteSingleUserTerminalServer;
    info->wProductType = VER_NT_WORKSTATION;
  }
  return true;
}

bool Compare(ULONGLONG actual, ULONGLONG wanted, BYTE condition) {
  switch (condition) {
    case VER_EQUAL: return actual == wanted;
    case VER_GREATER: return actual > wanted;
    case VER_GREATER_EQUAL: return actual >= wanted;
    case VER_LESS: return actual < wanted;
    case VER_LESS_EQUAL: return actual <= wanted;
    default: return false;
  }
}

BYTE ConditionOf(DWORDLONG mask, DWORD typeBit) {
  int index = __builtin_ctz(typeBit);
  return static_cast<BYTE>((mask >> (index * 3)) & 7);
}

}  // namespace

namespace jf {
namespace kernel {

LONG RtlGetVersion(void* versionInfo) {
  if (!versionInfo || !FillVersion(versionInfo)) return kStatusInvalidParameter;
  return STATUS_SUCCESS;
}

}  // namespace kernel
}  // namespace jf

BOOL GetVersionExW(LPOSVERSIONINFOW info) {
  if (!info || !FillVersion(info)) {
    JF_SET_ERROR(Kernel, ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  return TRUE;
}

ULONGLONG VerSetConditionMask(ULONGLONG conditionMask, DWORD typeMask, BYTE condition) {
  if (typeMask == 0) return conditionMask;
  for (DWORD bit = 1; bit <= VER_PRODUCT_TYPE; bit <<= 1) {
    if (!(typeMask & bit)) continue;
    int shift = __builtin_ctz(bit) * 3;
    conditionMask = (conditionMask & ~(7ull << shift)) | (static_cast<ULONGLONG>(condition & 7) << shift);
  }
  return conditionMask;
}

BOOL VerifyVersionInfoW(LPOSVERSIONINFOEXW info, DWORD typeMask, DWORDLONG conditionMask) {
  if (!info || typeMask == 0 || conditionMask == 0) {
    JF_SET_ERROR(Kernel, ERROR_BAD_ARGUMENTS);
    return FALSE;
  }
  OSVERSIONINFOEXW actual{};
  actual.dwOSVersionInfoSize = sizeof actual;
  FillVersion(&actual);
  bool ok = true;
  // Major, minor and service-pack numbers compare as one version, most significant first,
  // under the condition of the most significant part asked for.
  static const DWORD kVersionParts[] = {VER_MAJORVERSION, VER_MINORVERSION, VER_SERVICEPACKMAJOR,
                                        VER_SERVICEPACKMINOR};
  const ULONGLONG actualParts[] = {actual.dwMajorVersion, actual.dwMinorVersion, actual.wServicePackMajor,
                                   actual.wServicePackMinor};
  const ULONGLONG wantedParts[] = {info->dwMajorVersion, info->dwMinorVersion, info->wServicePackMajor,
                                   info->wServicePackMinor};
  int first = -1;
  ULONGLONG actualVersion = 0, wantedVersion = 0;
  for (int i = 0; i < 4; ++i) {
    actualVersion <<= 16;
    wantedVersion <<= 16;
    if (!(typeMask & kVersionParts[i])) continue;
    if (first < 0) first = i;
    actualVersion |= actualParts[i] & 0xFFFF;
    wantedVersion |= wantedParts[i] & 0xFFFF;
  }
  if (first >= 0) ok = Compare(actualVersion, wantedVersion, ConditionOf(conditionMask, kVersionParts[first]));
  if (ok && (typeMask & VER_BUILDNUMBER))
    ok = Compare(actual.dwBuildNumber, info->dwBuildNumber, ConditionOf(conditionMask, VER_BUILDNUMBER));
  if (ok && (typeMask & VER_PLATFORMID))
    ok = Compare(actual.dwPlatformId, info->dwPlatformId, ConditionOf(conditionMask, VER_PLATFORMID));
  if (ok && (typeMask & VER_PRODUCT_TYPE))
    ok = Compare(actual.wProductType, info->wProductType, ConditionOf(conditionMask, VER_PRODUCT_TYPE));
  if (ok && (typeMask & VER_SUITENAME)) {
    BYTE condition = ConditionOf(conditionMask, VER_SUITENAME);
    WORD common = actual.wSuiteMask & info->wSuiteMask;
    ok = condition == VER_OR ? common != 0 : common == info->wSuiteMask;
  }
  if (!ok) {
    JF_SET_ERROR(Kernel, ERROR_OLD_WIN_VERSION);
    return FALSE;
  }
  return TRUE;
}

void GetSystemInfo(LPSYSTEM_INFO info) {
  if (!info) return;
  std::memset(info, 0, sizeof *info);
  info->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_AMD64;
  long page = sysconf(_SC_PAGESIZE);
  info->dwPageSize = page > 0 ? static_cast<DWORD>(page) : 4096;
  info->lpMinimumApplicationAddress = reinterpret_cast<LPVOID>(0x10000);
  info->lpMaximumApplicationAddress = reinterpret_cast<LPVOID>(0x7FFFFFFEFFFFull);
  long cpus = sysconf(_SC_NPROCESSORS_ONLN);
  info->dwNumberOfProcessors = cpus > 0 ? static_cast<DWORD>(cpus) : 1;
  info->dwActiveProcessorMask =
      info->dwNumberOfProcessors >= 64 ? ~DWORD_PTR(0) : (DWORD_PTR(1) << info->dwNumberOfProcessors) - 1;
  info->dwProcessorType = PROCESSOR_AMD_X8664;
  info->dwAllocationGranularity = 65536;
  info->wProcessorLevel = 6;
}

void GetNativeSystemInfo(LPSYSTEM_INFO info) { GetSystemInfo(info); }

BOOL GlobalMemoryStatusEx(LPMEMORYSTATUSEX status) {
  if (!status || status->dwLength != sizeof(MEMORYSTATUSEX)) {
    JF_SET_ERROR(Kernel, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  struct sysinfo si;
  if (sysinfo(&si) != 0) {
    JF_SET_ERROR(Kernel, ERROR_GEN_FAILURE);
    return FALSE;
  }
  const DWORDLONG unit = si.mem_unit ? si.mem_unit : 1;
  status->ullTotalPhys = si.totalram * unit;
  status->ullAvailPhys = (si.freeram + si.bufferram) * unit;
  status->ullTotalPageFile = (si.totalram + si.totalswap) * unit;
  status->ullAvailPageFile = (si.freeram + si.bufferram + si.freeswap) * unit;
  status->ullTotalVirtual = 0x7FFFFFFE0000ull;
  status->ullAvailVirtual = status->ullTotalVirtual;
  status->ullAvailExtendedVirtual = 0;
  status->dwMemoryLoad =
      status->ullTotalPhys ? static_cast<DWORD>(100 - status->ullAvailPhys * 100 / status->ullTotalPhys) : 0;
  return TRUE;
}

HANDLE GetProcessHeap() {
  static char heapTag;
  return &heapTag;
}

LPVOID HeapAlloc(HANDLE, DWORD flags, SIZE_T bytes) {
  if (bytes == 0) bytes = 1;  // a valid, distinct block, as on Windows
  void* block = (flags & HEAP_ZERO_MEMORY) ? std::calloc(1, bytes) : std::malloc(bytes);
  if (!block) JF_SET_ERROR(Kernel, ERROR_NOT_ENOUGH_MEMORY);
  return block;
}

BOOL HeapFree(HANDLE, DWORD, LPVOID memory) {
  std::free(memory);
  return TRUE;
}
