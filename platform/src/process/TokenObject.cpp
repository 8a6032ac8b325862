// Access tokens. The host has no privileges to switch, so a token is a handle that only
// remembers nothing: opening, looking up and adjusting succeed and change nothing.
#include <cstddef>
#include <cwctype>
#include <memory>

#include "platform/src/process/ProcessObject.h"
#include <errhandlingapi.h>
#include "platform/src/internal/handles.h"
#include <windows/process.h>
#include <winerror.h>
#include "platform/src/internal/errors.h"

namespace jf {

class TokenObject : public KernelObject {
 public:
  bool IsSignaled() override { return false; }
};

}  // namespace jf

namespace {

// Privilege names with their LUIDs as Windows numbers them.
struct PrivilegeName {
  const wchar_t* name;
  DWORD luid;
};
const PrivilegeName kPrivileges[] = {
    {L"SeCreateTokenPrivilege", 2},      {L"SeAssignPrimaryTokenPrivilege", 3},
    {L"SeLockMemoryPrivilege", 4},       {L"SeIncreaseQuotaPrivilege", 5},
    {L"SeMachineAccountPrivilege", 6},   {L"SeTcbPrivilege", 7},
    {L"SeSecurityPrivilege", 8},         {L"SeTakeOwnershipPrivilege", 9},
    {L"SeLoadDriverPrivilege", 10},      {L"SeSystemProfilePrivilege", 11},
    {L"SeSystemtimePrivilege", 12},      {L"SeProfileSingleProcessPrivilege", 13},
    {L"SeIncreaseBasePriorityPrivilege", 14}, {L"SeCreatePagefilePrivilege", 15},
    {L"SeCreatePermanentPrivilege", 16}, {L"SeBackupPrivilege", 17},
    {L"SeRestorePrivilege", 18},         {L"SeShutdownPrivilege", 19},
    {L"SeDebugPrivilege", 20},           {L"SeAuditPrivilege", 21},
    {L"SeSystemEnvironmentPrivilege", 22}, {L"SeChangeNotifyPrivilege", 23},
    {L"SeRemoteShutdownPrivilege", 24},  {L"SeUndockPrivilege", 25},
    {L"SeManageVolumePrivilege", 28},    {L"SeImpersonatePrivilege", 29},
    {L"SeCreateGlobalPrivilege", 30},    {L"SeIncreaseWorkingSetPrivilege", 33},
    {L"SeTimeZonePrivilege", 34},        {L"SeCreateSymbolicLinkPrivilege", 35},
};

bool SameNameNoCase(const wchar_t* a, const wchar_t* b) {
  for (; *a && *b; ++a, ++b)
    if (std::towlower(static_cast<wint_t>(*a)) != std::towlower(static_cast<wint_t>(*b))) return false;
  return *a == *b;
}

}  // namespace

BOOL OpenProcessToken(HANDLE ProcessHandle, DWORD /*DesiredAccess*/, PHANDLE TokenHandle) {
  std::shared_ptr<jf::ProcessState> state;
  bool self = false;
  if (!jf::ProcessObject::Resolve(ProcessHandle, state, self, TokenHandle)) return FALSE;
  *TokenHandle = jf::RegisterHandle(std::make_shared<jf::TokenObject>());
  return TRUE;
}

BOOL LookupPrivilegeValueW(LPCWSTR /*lpSystemName*/, LPCWSTR lpName, PLUID lpLuid) {
  if (!lpName || !lpLuid) {
    JF_SET_ERROR(Process, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  for (const PrivilegeName& p : kPrivileges) {
    if (SameNameNoCase(p.name, lpName)) {
      lpLuid->LowPart = p.luid;
      lpLuid->HighPart = 0;
      return TRUE;
    }
  }
  JF_SET_ERROR(Process, ERROR_NO_SUCH_PRIVILEGE);
  return FALSE;
}

BOOL AdjustTokenPrivileges(HANDLE TokenHandle, BOOL DisableAllPrivileges, PTOKEN_PRIVILEGES NewState,
                           DWORD BufferLength, PTOKEN_PRIVILEGES PreviousState, PDWORD ReturnLength) {
  if (!jf::LookupHandleAs<jf::TokenObject>(TokenHandle)) {
    JF_SET_ERROR(Process, ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!DisableAllPrivileges && !NewState) {
    JF_SET_ERROR(Process, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (PreviousState) {
    // Every privilege named was disabled before (nothing is ever switched on here).
    DWORD count = DisableAllPrivileges ? 0 : NewState->PrivilegeCount;
    DWORD needed = static_cast<DWORD>(offsetof(TOKEN_PRIVILEGES, Privileges) + count * sizeof(LUID_AND_ATTRIBUTES));
    if (ReturnLength) *ReturnLength = needed;
    if (BufferLength < needed) {
      JF_SET_ERROR(Process, ERROR_INSUFFICIENT_BUFFER);
      return FALSE;
    }
    LUID_AND_ATTRIBUTES* out = PreviousState->Privileges;
    for (DWORD i = 0; i < count; ++i) out[i] = LUID_AND_ATTRIBUTES{NewState->Privileges[i].Luid, 0};
    PreviousState->PrivilegeCount = count;
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}
