// The registry calls over the layer's own store.
#include "platform/src/registry/RegistryStore.h"
#include <winerror.h>
#include <winreg.h>
#include "platform/testing/hooks/teststate.h"

LSTATUS RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD /*ulOptions*/, REGSAM samDesired, PHKEY phkResult) {
  return jf::RegistryStore::Instance().Open(hKey, lpSubKey, samDesired, false, phkResult, nullptr);
}

LSTATUS RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD /*Reserved*/, LPWSTR /*lpClass*/, DWORD /*dwOptions*/,
                        REGSAM samDesired, const LPSECURITY_ATTRIBUTES /*lpSecurityAttributes*/, PHKEY phkResult,
                        LPDWORD lpdwDisposition) {
  if (!lpSubKey) return ERROR_INVALID_PARAMETER;
  return jf::RegistryStore::Instance().Open(hKey, lpSubKey, samDesired, true, phkResult, lpdwDisposition);
}

LSTATUS RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                         LPDWORD lpcbData) {
  if (lpReserved) return ERROR_INVALID_PARAMETER;
  return jf::RegistryStore::Instance().Query(hKey, lpValueName, lpType, lpData, lpcbData);
}

LSTATUS RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD /*Reserved*/, DWORD dwType, const BYTE* lpData,
                       DWORD cbData) {
  return jf::RegistryStore::Instance().Set(hKey, lpValueName, dwType, lpData, cbData);
}

LSTATUS RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName) {
  return jf::RegistryStore::Instance().DeleteValue(hKey, lpValueName);
}

LSTATUS RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey) { return jf::RegistryStore::Instance().DeleteKey(hKey, lpSubKey); }

LSTATUS RegDeleteKeyExW(HKEY hKey, LPCWSTR lpSubKey, REGSAM /*samDesired*/, DWORD /*Reserved*/) {
  return jf::RegistryStore::Instance().DeleteKey(hKey, lpSubKey);
}

LSTATUS RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName, LPDWORD /*lpReserved*/,
                      LPWSTR lpClass, LPDWORD lpcchClass, PFILETIME lpftLastWriteTime) {
  if (lpClass && lpcchClass && *lpcchClass) lpClass[0] = 0;
  if (lpcchClass) *lpcchClass = 0;
  if (lpftLastWriteTime) *lpftLastWriteTime = FILETIME{0, 0};
  return jf::RegistryStore::Instance().EnumKey(hKey, dwIndex, lpName, lpcchName);
}

LSTATUS RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName, LPDWORD /*lpReserved*/,
                      LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  return jf::RegistryStore::Instance().EnumValue(hKey, dwIndex, lpValueName, lpcchValueName, lpType, lpData,
                                                 lpcbData);
}

LSTATUS RegFlushKey(HKEY /*hKey*/) { return ERROR_SUCCESS; }

LSTATUS RegCloseKey(HKEY hKey) { return jf::RegistryStore::Instance().Close(hKey); }

namespace jf {
void ResetRegistryForTests() { RegistryStore::Instance().Reset(); }
}  // namespace jf
