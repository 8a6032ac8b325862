// Environment variables: the host's environment, read and written in UTF-8. Names are
// matched exactly first, then without regard to ASCII case, as Windows matches them.
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include <mutex>
#include <string>

#include "platform/src/kernel/KernelArea.h"
#include <errhandlingapi.h>
#include <windows/files.h>
#include "platform/src/internal/utf.h"
#include <winerror.h>
#include "platform/src/internal/errors.h"

extern char** environ;

namespace {

std::mutex g_envLock;

// Called with g_envLock held.
bool Lookup(const std::wstring& name, std::wstring& value) {
  std::string n = jf::ToUtf8(name);
  if (n.empty() || n.find('=') != std::string::npos) return false;
  if (const char* v = getenv(n.c_str())) {
    value = jf::FromUtf8(v);
    return true;
  }
  for (char** e = environ; e && *e; ++e) {
    const char* eq = strchr(*e, '=');
    if (eq && static_cast<size_t>(eq - *e) == n.size() && strncasecmp(*e, n.c_str(), n.size()) == 0) {
      value = jf::FromUtf8(eq + 1);
      return true;
    }
  }
  return false;
}

}  // namespace

DWORD GetEnvironmentVariableW(LPCWSTR lpName, LPWSTR lpBuffer, DWORD nSize) {
  if (!lpName) {
    JF_SET_ERROR(Kernel, ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::wstring value;
  {
    std::lock_guard<std::mutex> lock(g_envLock);
    if (!Lookup(lpName, value)) {
      JF_SET_ERROR(Kernel, ERROR_ENVVAR_NOT_FOUND);
      return 0;
    }
  }
  SetLastError(ERROR_SUCCESS);
  return jf::CopyOutOrNeeded(value, lpBuffer, nSize);
}

BOOL SetEnvironmentVariableW(LPCWSTR lpName, LPCWSTR lpValue) {
  if (!lpName || !*lpName || wcschr(lpName, L'=')) {
    JF_SET_ERROR(Kernel, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string name = jf::ToUtf8(lpName);
  std::lock_guard<std::mutex> lock(g_envLock);
  int rc = lpValue ? setenv(name.c_str(), jf::ToUtf8(lpValue).c_str(), 1) : unsetenv(name.c_str());
  if (rc != 0) {
    JF_SET_ERROR(Kernel, ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  return TRUE;
}

DWORD ExpandEnvironmentStringsW(LPCWSTR lpSrc, LPWSTR lpDst, DWORD nSize) {
  if (!lpSrc) {
    JF_SET_ERROR(Kernel, ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::wstring src(lpSrc), out;
  {
    std::lock_guard<std::mutex> lock(g_envLock);
    size_t i = 0;
    while (i < src.size()) {
      size_t close = src[i] == L'%' ? src.find(L'%', i + 1) : std::wstring::npos;
      std::wstring value;
      if (close != std::wstring::npos && close > i + 1 && Lookup(src.substr(i + 1, close - i - 1), value)) {
        out += value;
        i = close + 1;
      } else {
        out += src[i++];
      }
    }
  }
  // The count includes the terminator.
  if (lpDst && nSize > out.size()) {
    out.copy(lpDst, out.size());
    lpDst[out.size()] = 0;
  }
  return static_cast<DWORD>(out.size() + 1);
}
