// CommandLineToArgvW: the Windows rules for splitting a command line.
#include <stdlib.h>

#include <cstring>
#include <string>
#include <vector>

#include <errhandlingapi.h>
#include <windows/files.h>
#include <shellapi.h>
#include <winerror.h>
#include "platform/src/internal/errors.h"

namespace {

std::vector<std::wstring> Split(const std::wstring& cmd) {
  std::vector<std::wstring> args;
  size_t i = 0;
  // The program name: up to the closing quote when it starts with one, else up to the
  // first blank. Backslashes are plain characters in it.
  std::wstring first;
  if (i < cmd.size() && cmd[i] == L'"') {
    ++i;
    while (i < cmd.size() && cmd[i] != L'"') first += cmd[i++];
    if (i < cmd.size()) ++i;
  } else {
    while (i < cmd.size() && cmd[i] != L' ' && cmd[i] != L'\t') first += cmd[i++];
  }
  args.push_back(first);
  for (;;) {
    while (i < cmd.size() && (cmd[i] == L' ' || cmd[i] == L'\t')) ++i;
    if (i >= cmd.size()) break;
    std::wstring arg;
    bool quoted = false;
    while (i < cmd.size()) {
      wchar_t c = cmd[i];
      if (!quoted && (c == L' ' || c == L'\t')) break;
      if (c == L'\\') {
        size_t n = 0;
        while (i < cmd.size() && cmd[i] == L'\\') {
          ++n;
          ++i;
        }
        if (i < cmd.size() && cmd[i] == L'"') {
          // 2n backslashes + quote: n backslashes and a quote mark; 2n+1: n and a literal quote.
          arg.append(n / 2, L'\\');
          if (n % 2) {
            arg += L'"';
            ++i;
          }
        } else {
          arg.append(n, L'\\');
        }
      } else if (c == L'"') {
        if (quoted && i + 1 < cmd.size() && cmd[i + 1] == L'"') {
          // "" inside quotes is a literal quote; the quoted part goes on.
          arg += L'"';
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
      } else {
        arg += c;
        ++i;
      }
    }
    args.push_back(arg);
  }
  return args;
}

}  // namespace

LPWSTR* CommandLineToArgvW(LPCWSTR lpCmdLine, int* pNumArgs) {
  if (!pNumArgs) {
    JF_SET_ERROR(Shell, ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::vector<std::wstring> args;
  if (!lpCmdLine || !*lpCmdLine) {
    // An empty command line stands for the program alone.
    wchar_t self[4096];
    DWORD n = GetModuleFileNameW(nullptr, self, 4096);
    args.emplace_back(self, n < 4096 ? n : 0);
  } else {
    args = Split(lpCmdLine);
  }
  // One block: the pointer array (null-terminated), then the strings.
  size_t bytes = (args.size() + 1) * sizeof(LPWSTR);
  for (const std::wstring& a : args) bytes += (a.size() + 1) * sizeof(wchar_t);
  auto* block = static_cast<char*>(malloc(bytes));
  if (!block) {
    JF_SET_ERROR(Shell, ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  auto** argv = reinterpret_cast<LPWSTR*>(block);
  auto* text = reinterpret_cast<wchar_t*>(block + (args.size() + 1) * sizeof(LPWSTR));
  for (size_t k = 0; k < args.size(); ++k) {
    argv[k] = text;
    std::memcpy(text, args[k].c_str(), (args[k].size() + 1) * sizeof(wchar_t));
    text += args[k].size() + 1;
  }
  argv[args.size()] = nullptr;
  *pNumArgs = static_cast<int>(args.size());
  return argv;
}

HLOCAL LocalFree(HLOCAL hMem) {
  free(hMem);
  return nullptr;
}
