#include "core/MacAddress.h"

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

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
  // The agent's interface table is not walked here: systems that have the agent also have
  // the IP helper's adapter list, which answers first.
  FreeLibrary(agent);
  return g_snmpMac;
}
