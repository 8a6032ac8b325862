// Class objects of the process: those registered with CoRegisterClassObject, then those of
// in-process servers: the system's own (the layer's server modules), then those named in the
// registry (HKEY_CLASSES_ROOT\CLSID\{...}\InprocServer32); a server is loaded with LoadLibraryW
// when its class is first asked for, kept, and asked through its DllGetClassObject. ProgIDs map
// to classes through HKEY_CLASSES_ROOT\<ProgID>\CLSID, as on the system.
#include <dlfcn.h>
#include <windows.h>
#include <objbase.h>
#include <ole2.h>

#include "platform/src/internal/trace.h"
#include "platform/src/internal/utf.h"
#include "platform/src/shell/ComSystemServers.h"

#include <cwctype>
#include <map>
#include <mutex>
#include <string>

namespace {

struct Registration {
  CLSID clsid;
  IUnknown* object;
  DWORD flags;
};

std::mutex g_lock;
DWORD g_nextCookie = 1;

std::map<DWORD, Registration>& Registrations() {
  static auto* registrations = new std::map<DWORD, Registration>;
  return *registrations;
}

int HexValue(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// Reads `digits` hexadecimal digits at text[at]; false at any other character.
bool ReadHex(const wchar_t* text, size_t at, int digits, uint32_t* value) {
  uint32_t v = 0;
  for (int i = 0; i < digits; ++i) {
    const int h = HexValue(text[at + size_t(i)]);
    if (h < 0) return false;
    v = (v << 4) | uint32_t(h);
  }
  *value = v;
  return true;
}

// The default value of a key under HKEY_CLASSES_ROOT, or empty.
std::wstring ClassesValue(const std::wstring& subKey) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return std::wstring();
  wchar_t buffer[MAX_PATH + 1] = {};
  DWORD type = 0, size = sizeof(buffer) - sizeof(wchar_t);
  const LSTATUS status = RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::wstring();
  return buffer;
}

}  // namespace

HRESULT CoRegisterClassObject(REFCLSID rclsid, LPUNKNOWN pUnk, DWORD /*dwClsContext*/, DWORD flags,
                              LPDWORD lpdwRegister) {
  if (!pUnk || !lpdwRegister) return E_INVALIDARG;
  std::lock_guard<std::mutex> guard(g_lock);
  pUnk->AddRef();
  const DWORD cookie = g_nextCookie++;
  Registrations()[cookie] = Registration{rclsid, pUnk, flags};
  *lpdwRegister = cookie;
  return S_OK;
}

HRESULT CoRevokeClassObject(DWORD dwRegister) {
  IUnknown* object = nullptr;
  {
    std::lock_guard<std::mutex> guard(g_lock);
    auto it = Registrations().find(dwRegister);
    if (it == Registrations().end()) return CO_E_OBJNOTREG;
    object = it->second.object;
    Registrations().erase(it);
  }
  object->Release();
  return S_OK;
}

HRESULT CoGetClassObject(REFCLSID rclsid, DWORD /*dwClsContext*/, LPVOID /*pvReserved*/, REFIID riid, LPVOID* ppv) {
  if (!ppv) return E_INVALIDARG;
  *ppv = nullptr;
  IUnknown* registered = nullptr;
  {
    std::lock_guard<std::mutex> guard(g_lock);
    for (auto it = Registrations().begin(); it != Registrations().end(); ++it) {
      if (!IsEqualCLSID(it->second.clsid, rclsid)) continue;
      registered = it->second.object;
      registered->AddRef();
      // A single-use class object serves one creation, then is no longer offered.
      if (it->second.flags == REGCLS_SINGLEUSE) {
        it->second.object->Release();
        Registrations().erase(it);
      }
      break;
    }
  }
  if (registered) {
    HRESULT hr = registered->QueryInterface(riid, ppv);
    registered->Release();
    return hr;
  }
  std::wstring server = jf::SystemServerOf(rclsid);
  if (server.empty()) {
    wchar_t name[40] = {};
    StringFromGUID2(rclsid, name, 40);
    server = ClassesValue(std::wstring(L"CLSID\\") + name + L"\\InprocServer32");
  }
  if (server.empty()) return REGDB_E_CLASSNOTREG;
  HMODULE module = LoadLibraryW(server.c_str());  // stays loaded, as the system keeps servers
  if (!module) {
    const char* why = dlerror();
    JF_TRACE_FAIL(Shell, "the server %s did not load: %s", jf::ToUtf8(server).c_str(), why ? why : "");
    return CO_E_DLLNOTFOUND;
  }
  auto get = reinterpret_cast<LPFNGETCLASSOBJECT>(GetProcAddress(module, "DllGetClassObject"));
  if (!get) return CO_E_ERRORINDLL;
  return get(rclsid, riid, ppv);
}

HRESULT CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid) {
  if (!pclsid) return E_INVALIDARG;
  *pclsid = GUID_NULL;
  if (!lpsz || !*lpsz) return S_OK;  // an empty text is the null class, as the system answers
  // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", exactly.
  const wchar_t* s = lpsz;
  if (wcslen(s) != 38 || s[0] != L'{' || s[9] != L'-' || s[14] != L'-' || s[19] != L'-' || s[24] != L'-' ||
      s[37] != L'}') {
    return CO_E_CLASSSTRING;
  }
  GUID g = {};
  uint32_t v = 0;
  if (!ReadHex(s, 1, 8, &v)) return CO_E_CLASSSTRING;
  g.Data1 = v;
  if (!ReadHex(s, 10, 4, &v)) return CO_E_CLASSSTRING;
  g.Data2 = uint16_t(v);
  if (!ReadHex(s, 15, 4, &v)) return CO_E_CLASSSTRING;
  g.Data3 = uint16_t(v);
  static const size_t kBytes[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  for (int i = 0; i < 8; ++i) {
    if (!ReadHex(s, kBytes[i], 2, &v)) return CO_E_CLASSSTRING;
    g.Data4[i] = uint8_t(v);
  }
  *pclsid = g;
  return S_OK;
}

HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, LPCLSID lpclsid) {
  if (!lpszProgID || !lpclsid) return E_INVALIDARG;
  *lpclsid = GUID_NULL;
  if (!*lpszProgID) return CO_E_CLASSSTRING;
  const std::wstring text = ClassesValue(std::wstring(lpszProgID) + L"\\CLSID");
  if (text.empty()) return CO_E_CLASSSTRING;
  return SUCCEEDED(CLSIDFromString(text.c_str(), lpclsid)) ? S_OK : CO_E_CLASSSTRING;
}

int StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax) {
  if (!lpsz || cchMax < 39) return 0;
  _snwprintf(lpsz, size_t(cchMax), L"{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", unsigned(rguid.Data1),
             unsigned(rguid.Data2), unsigned(rguid.Data3), rguid.Data4[0], rguid.Data4[1], rguid.Data4[2],
             rguid.Data4[3], rguid.Data4[4], rguid.Data4[5], rguid.Data4[6], rguid.Data4[7]);
  return 39;
}

HRESULT OleLockRunning(LPUNKNOWN pUnknown, BOOL /*fLock*/, BOOL /*fLastUnlockCloses*/) {
  return pUnknown ? S_OK : E_INVALIDARG;
}
