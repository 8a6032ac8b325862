#include "platform/src/shell/ComSystemServers.h"

#include <limits.h>
#include <unistd.h>

#include <exdisp.h>

#include "platform/src/internal/utf.h"

#ifndef JF_LAYER_MODULE_DIR
#define JF_LAYER_MODULE_DIR "."
#endif

namespace jf {

namespace {

struct SystemServer {
  const CLSID* clsid;
  const char* file;
};

constexpr SystemServer kServers[] = {
    {&CLSID_WebBrowser, "jfwebbrowser.so"},
};

// The program's folder first, as the system looks for a module; then the build's.
std::string ServerPath(const char* file) {
  char self[PATH_MAX] = {};
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n > 0) {
    std::string beside(self, size_t(n));
    beside = beside.substr(0, beside.rfind('/') + 1) + file;
    if (access(beside.c_str(), R_OK) == 0) return beside;
  }
  return std::string(JF_LAYER_MODULE_DIR) + "/" + file;
}

}  // namespace

std::wstring SystemServerOf(REFCLSID clsid) {
  for (const SystemServer& server : kServers) {
    if (IsEqualCLSID(*server.clsid, clsid)) return FromUtf8(ServerPath(server.file));
  }
  return std::wstring();
}

}  // namespace jf
