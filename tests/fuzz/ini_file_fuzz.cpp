// INI files from disk, with the UTF-16LE mark (the first input byte odd) or without it
// (GBK): every section, key and value is read, and a key is written and read back.
#include "platform/src/internal/paths.h"
#include <unistd.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// The names of a double-null list.
std::vector<std::wstring> Names(const wchar_t* list, DWORD length) {
  std::vector<std::wstring> out;
  for (DWORD i = 0; i < length && list[i];) {
    std::wstring name(list + i);
    i += static_cast<DWORD>(name.size()) + 1;
    out.push_back(name);
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string host = "/tmp/jf_fuzz_ini_" + std::to_string(getpid()) + ".ini";
  static const std::wstring path = jf::WinPathFromHost(host);
  if (size == 0) return 0;
  FILE* f = fopen(host.c_str(), "wb");
  if (!f) return 0;
  if (data[0] & 1) fwrite("\xFF\xFE", 1, 2, f);
  fwrite(data + 1, 1, size - 1, f);
  fclose(f);

  static wchar_t buffer[32768];
  DWORD n = GetPrivateProfileStringW(nullptr, nullptr, L"", buffer, 32768, path.c_str());
  std::vector<std::wstring> sections = Names(buffer, n);
  for (size_t s = 0; s < sections.size() && s < 16; ++s) {
    n = GetPrivateProfileStringW(sections[s].c_str(), nullptr, L"", buffer, 32768, path.c_str());
    std::vector<std::wstring> keys = Names(buffer, n);
    for (size_t k = 0; k < keys.size() && k < 32; ++k) {
      wchar_t value[64];
      GetPrivateProfileStringW(sections[s].c_str(), keys[k].c_str(), L"", value, 64, path.c_str());
      GetPrivateProfileIntW(sections[s].c_str(), keys[k].c_str(), 0, path.c_str());
    }
  }
  WritePrivateProfileStringW(L"fuzz", L"key", L"value", path.c_str());
  wchar_t value[16];
  GetPrivateProfileStringW(L"fuzz", L"key", L"", value, 16, path.c_str());
  if (!sections.empty()) WritePrivateProfileStringW(sections[0].c_str(), nullptr, nullptr, path.c_str());
  return 0;
}
