// A second process for the kernel tests.
//   jf_mutex_probe create NAME   creates the named mutex, prints "exists" or "new", exits
//                                with GetLastError() (183 when it existed already, else 0).
//   jf_mutex_probe hold NAME     creates it, prints the same word, then keeps it until its
//                                standard input ends.
//   jf_mutex_probe cmdline ...   prints GetCommandLineW() as UTF-8.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/src/internal/utf.h"

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "cmdline") == 0) {
    std::printf("%s\n", jf::ToUtf8(GetCommandLineW()).c_str());
    return 0;
  }
  if (argc != 3) return 2;
  std::wstring name = jf::FromUtf8(argv[2]);
  HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
  DWORD error = GetLastError();
  if (!mutex) return 3;
  std::printf("%s\n", error == ERROR_ALREADY_EXISTS ? "exists" : "new");
  std::fflush(stdout);
  if (std::strcmp(argv[1], "hold") == 0) {
    while (std::getchar() != EOF) {
    }
  }
  CloseHandle(mutex);
  return static_cast<int>(error);
}
