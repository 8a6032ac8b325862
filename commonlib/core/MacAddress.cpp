#include "commonlib/core/MacAddress.h"

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <snmp.h>

#include <cstdio>
#include <cstring>
#include <cwchar>

#include <cwchar>

namespace {

const size_t kMacChars = 20;
wchar_t g_ipHelperMac[kMacChars] = {};
wchar_t g_snmpMac[kMacChars] = {};

void FormatMac(wchar_t* out, const BYTE* address) {
  _snwprintf(out, kMacChars - 1, L"%02x%02x%02x%02x%02x%02x", address[0], address[1], address[2],
           address[3], address[4], address[5]);
}

}  // namespace

const wchar_t* GetMacAddress() {
  ULONG size = 0;
  if (GetAdaptersAddresses(AF_INET, 0, nullptr, nullptr, &size) == ERROR_BUFFER_OVERFLOW && size > 0) {
    HANDLE heap = GetProcessHeap();
    auto* list = static_cast<PIP_ADAPTER_ADDRESSES>(HeapAlloc(heap, 0, size));
    if (list) {
      if (GetAdaptersAddresses(AF_INET, 0, nullptr, list, &size) == ERROR_SUCCESS) {
        for (PIP_ADAPTER_ADDRESSES a = list; a; a = a->Next) {
          // Fewer than six bytes cannot be written as a MAC address.
          if (a->OperStatus == IfOperStatusUp && a->PhysicalAddressLength >= 6) {
            FormatMac(g_ipHelperMac, a->PhysicalAddress);
            break;
          }
        }
      }
      HeapFree(heap, 0, list);
    }
  }
  if (g_ipHelperMac[0] != L'\0') return g_ipHelperMac;
  return GetMacAddressBySnmp();
}

const wchar_t* GetMacAddressBySnmp() {
  HMODULE agent = LoadLibraryW(L"inetmib1.dll");
  if (reinterpret_cast<uintptr_t>(agent) < 32) return nullptr;
  // Through a plain function pointer: the entry points have their own signatures.
  auto entry = [agent](const char* name) { return reinterpret_cast<void (*)()>(GetProcAddress(agent, name)); };
  auto init = reinterpret_cast<PFNSNMPEXTENSIONINIT>(entry("SnmpExtensionInit"));
  auto initEx = reinterpret_cast<PFNSNMPEXTENSIONINITEX>(entry("SnmpExtensionInitEx"));
  auto query = reinterpret_cast<PFNSNMPEXTENSIONQUERY>(entry("SnmpExtensionQuery"));
  auto trap = reinterpret_cast<PFNSNMPEXTENSIONTRAP>(entry("SnmpExtensionTrap"));
  (void)initEx;
  (void)trap;
  if (!init || !query) {
    FreeLibrary(agent);
    return g_snmpMac;
  }
  HANDLE trapEvent = nullptr;
  AsnObjectIdentifier region = {0, nullptr};
  init(GetTickCount(), &trapEvent, &region);

  UINT ifNumberIds[] = {1, 3, 6, 1, 2, 1, 2, 1};
  UINT ifTypeIds[] = {1, 3, 6, 1, 2, 1, 2, 2, 1, 3};
  UINT ifPhysAddressIds[] = {1, 3, 6, 1, 2, 1, 2, 2, 1, 6};
  AsnObjectIdentifier ifNumber = {8, ifNumberIds};
  AsnObjectIdentifier ifType = {10, ifTypeIds};
  AsnObjectIdentifier ifPhysAddress = {10, ifPhysAddressIds};
  SnmpVarBind binds[2] = {};
  SnmpVarBindList list = {binds, 1};
  AsnInteger32 status = 0, index = 0;

  // The number of interfaces first; its answer is not needed.
  SnmpUtilOidCpy(&binds[0].name, &ifNumber);
  query(SNMP_PDU_GETNEXT, &list, &status, &index);
  SnmpUtilVarBindFree(&binds[0]);

  // Then the type and address columns together, row by row.
  SnmpUtilOidCpy(&binds[0].name, &ifType);
  SnmpUtilOidCpy(&binds[1].name, &ifPhysAddress);
  list.len = 2;
  static const BYTE kDialUp[5] = {'D', 'E', 'S', 'T', 0};
  for (;;) {
    if (!query(SNMP_PDU_GETNEXT, &list, &status, &index) || status != SNMP_ERRORSTATUS_NOERROR) break;
    if (SnmpUtilOidNCmp(&binds[0].name, &ifType, ifType.idLength) != 0 ||
        SnmpUtilOidNCmp(&binds[1].name, &ifPhysAddress, ifPhysAddress.idLength) != 0)
      break;
    if (binds[0].value.asnValue.number != 6) continue;  // ethernetCsmacd only
    const AsnOctetString& address = binds[1].value.asnValue.address;
    if (!address.stream || address.length < 6) continue;
    if (memcmp(address.stream, kDialUp, sizeof kDialUp) == 0) continue;
    static const BYTE kZero[6] = {};
    if (memcmp(address.stream, kZero, 6) == 0) continue;
    // The walk goes on: the last qualifying row wins.
    FormatMac(g_snmpMac, address.stream);
  }
  FreeLibrary(agent);
  SnmpUtilVarBindFree(&binds[0]);
  SnmpUtilVarBindFree(&binds[1]);
  return g_snmpMac;
}
