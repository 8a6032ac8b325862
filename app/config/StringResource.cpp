#include "app/config/StringResource.h"

#include <windows.h>

std::wstring LoadStringResource(int id) {
  if (id < 0 || id > 0xFFFF) return std::wstring();
  // The program itself is the only resource module of the installer.
  const HMODULE modules[] = {GetModuleHandleW(nullptr)};
  for (HMODULE module : modules) {
    const wchar_t* text = nullptr;
    // A count of 0 answers a read-only pointer into the table and the string's length.
    const int length = LoadStringW(module, static_cast<UINT>(id), reinterpret_cast<LPWSTR>(&text), 0);
    if (length > 0 && text) return std::wstring(text, static_cast<size_t>(length));
  }
  return std::wstring();
}
