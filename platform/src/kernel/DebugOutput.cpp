// OutputDebugStringW/A: to a test hook when one is installed, to standard error when the
// debug trace channel is on (JF_TRACE=1 or +debug), and nowhere otherwise.
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include <windows/kernel.h>
#include "platform/src/internal/trace.h"
#include "platform/src/internal/utf.h"

namespace {

std::mutex g_hookMutex;
jf::DebugOutputHook g_hook = nullptr;
void* g_hookContext = nullptr;

bool TraceEnabled() {
  return jf::TraceOn(jf::kTraceDebug);
}

void Emit(const std::wstring& text) {
  {
    std::lock_guard<std::mutex> lock(g_hookMutex);
    if (g_hook) {
      g_hook(text.c_str(), g_hookContext);
      return;
    }
  }
  if (!TraceEnabled()) return;
  std::string bytes = jf::ToUtf8(text);
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(STDERR_FILENO, bytes.data() + done, bytes.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
}

}  // namespace

namespace jf {

void SetDebugOutputHook(DebugOutputHook hook, void* context) {
  std::lock_guard<std::mutex> lock(g_hookMutex);
  g_hook = hook;
  g_hookContext = context;
}

}  // namespace jf

void OutputDebugStringW(LPCWSTR text) {
  if (text) Emit(text);
}

// The narrow form takes UTF-8 text; plain ASCII, which is what it carries, is the same in
// every code page.
void OutputDebugStringA(LPCSTR text) {
  if (text) Emit(jf::FromUtf8(text, std::strlen(text)));
}
