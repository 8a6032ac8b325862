// GetCommandLineW: the program's arguments joined back into one Windows command line, each
// quoted so that CommandLineToArgvW gives the same arguments again. ExitProcess.
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>

#include <windows/kernel.h>
#include "platform/src/internal/utf.h"

namespace {

std::wstring Quote(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"') {
      out.append(backslashes * 2 + 1, L'\\');  // escape the slashes and the quote
    } else {
      out.append(backslashes, L'\\');
    }
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');  // so the closing quote stays a quote
  out += L'"';
  return out;
}

std::wstring BuildCommandLine() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::wstring line;
  size_t start = 0;
  while (start < raw.size()) {
    size_t end = raw.find('\0', start);
    if (end == std::string::npos) end = raw.size();
    if (!line.empty()) line += L' ';
    line += Quote(jf::FromUtf8(raw.substr(start, end - start)));
    start = end + 1;
  }
  return line;
}

}  // namespace

LPWSTR GetCommandLineW() {
  static std::once_flag once;
  static std::wstring* line = nullptr;
  std::call_once(once, [] { line = new std::wstring(BuildCommandLine()); });
  return &(*line)[0];
}

// Ends the process at once, as Windows does: streams are flushed, but no static objects are
// torn down under threads that may still be running.
void ExitProcess(UINT exitCode) {
  std::fflush(nullptr);
  _exit(static_cast<int>(exitCode));
}
