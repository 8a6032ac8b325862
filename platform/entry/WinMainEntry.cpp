// main() of a windowed program: hands over to its WinMain as the Windows loader would.
#include <windows.h>
#include <shellapi.h>

#include <string>

int main() {
  // The command line after the program name, in the ANSI code page.
  LPWSTR line = GetCommandLineW();
  int count = 0;
  LPWSTR* args = CommandLineToArgvW(line, &count);
  std::wstring tail;
  for (int i = 1; args != nullptr && i < count; ++i) {
    if (!tail.empty()) tail += L' ';
    tail += args[i];
  }
  if (args != nullptr) LocalFree(args);
  std::string narrow;
  int size = WideCharToMultiByte(CP_ACP, 0, tail.c_str(), static_cast<int>(tail.size()), nullptr, 0, nullptr, nullptr);
  if (size > 0) {
    narrow.resize(size);
    WideCharToMultiByte(CP_ACP, 0, tail.c_str(), static_cast<int>(tail.size()), &narrow[0], size, nullptr, nullptr);
  }
  return WinMain(GetModuleHandleW(nullptr), nullptr, &narrow[0], SW_SHOWDEFAULT);
}
