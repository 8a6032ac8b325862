// A registry hive file from disk: any bytes give either the hive they describe or, for a
// damaged or wrongly shaped one, an empty hive (the file set aside); never a crash. The keys
// and values that load are walked and read.
#include "platform/src/internal/paths.h"
#include <sys/stat.h>
#include <unistd.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include "platform/testing/hooks/teststate.h"

namespace {

std::string g_hive;

void Prepare() {
  if (!g_hive.empty()) return;
  std::string root = "/tmp/jf_fuzz_registry_" + std::to_string(getpid());
  for (const char* sub : {"", "/Windows", "/Windows/System32", "/Windows/System32/config"})
    mkdir((root + sub).c_str(), 0777);
  setenv("JF_DRIVES", ("C=" + root).c_str(), 1);
  jf::ResetDriveMapForTests();
  g_hive = root + "/Windows/System32/config/HKEY_CURRENT_USER.json";
}

void Walk(HKEY key, int depth) {
  for (DWORD i = 0; i < 64; ++i) {
    wchar_t name[256];
    DWORD chars = 256;
    DWORD type = 0;
    BYTE bytes[512];
    DWORD size = sizeof bytes;
    if (RegEnumValueW(key, i, name, &chars, nullptr, &type, bytes, &size) != ERROR_SUCCESS) break;
  }
  if (depth > 8) return;
  for (DWORD i = 0; i < 64; ++i) {
    wchar_t name[256];
    DWORD chars = 256;
    if (RegEnumKeyExW(key, i, name, &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    HKEY sub = nullptr;
    if (RegOpenKeyExW(key, name, 0, KEY_READ, &sub) == ERROR_SUCCESS) {
      Walk(sub, depth + 1);
      RegCloseKey(sub);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Prepare();
  FILE* f = fopen(g_hive.c_str(), "wb");
  if (!f) return 0;
  fwrite(data, 1, size, f);
  fclose(f);
  jf::ResetRegistryForTests();
  Walk(HKEY_CURRENT_USER, 0);
  // A change is written back whole.
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Fuzz", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
      ERROR_SUCCESS) {
    const wchar_t text[] = L"v";
    RegSetValueExW(key, L"n", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text);
    RegCloseKey(key);
  }
  return 0;
}
