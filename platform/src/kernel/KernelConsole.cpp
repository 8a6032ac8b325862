// Console handles: GetStdHandle gives handles for the process's standard streams, and
// WriteConsoleW writes wide text to them as UTF-8.
#include <unistd.h>

#include <cerrno>
#include <mutex>

#include <errhandlingapi.h>
#include "platform/src/internal/errors.h"
#include "platform/src/internal/handles.h"
#include <windows/kernel.h>
#include "platform/src/internal/utf.h"
#include <winerror.h>

namespace jf {
namespace {

class KernelConsole : public KernelObject {
 public:
  explicit KernelConsole(int fd) : fd_(fd) {}
  bool IsSignaled() override { return false; }
  int Fd() const { return fd_; }

 private:
  int fd_;
};

std::mutex g_consoleMutex;
HANDLE g_std[3] = {nullptr, nullptr, nullptr};

}  // namespace
}  // namespace jf

HANDLE GetStdHandle(DWORD which) {
  int fd;
  switch (which) {
    case STD_INPUT_HANDLE: fd = STDIN_FILENO; break;
    case STD_OUTPUT_HANDLE: fd = STDOUT_FILENO; break;
    case STD_ERROR_HANDLE: fd = STDERR_FILENO; break;
    default:
      JF_SET_ERROR(Kernel, ERROR_INVALID_HANDLE);
      return INVALID_HANDLE_VALUE;
  }
  std::lock_guard<std::mutex> lock(jf::g_consoleMutex);
  HANDLE& handle = jf::g_std[fd];
  // A closed standard handle is given out afresh; the lookup's error is not the caller's.
  DWORD error = GetLastError();
  if (!handle || !jf::LookupHandleAs<jf::KernelConsole>(handle)) {
    handle = jf::RegisterHandle(std::make_shared<jf::KernelConsole>(fd));
  }
  JF_SET_ERROR(Kernel, error);
  return handle;
}

BOOL WriteConsoleW(HANDLE console, const void* buffer, DWORD charsToWrite, LPDWORD charsWritten, LPVOID) {
  if (charsWritten) *charsWritten = 0;
  auto target = jf::LookupHandleAs<jf::KernelConsole>(console);
  if (!target || target->Fd() == STDIN_FILENO) {
    JF_SET_ERROR(Kernel, ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!buffer && charsToWrite > 0) {
    JF_SET_ERROR(Kernel, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string bytes = jf::ToUtf8(static_cast<const wchar_t*>(buffer), charsToWrite);
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(target->Fd(), bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      JF_SET_ERRNO(Kernel, n < 0 ? errno : EIO);
      return FALSE;
    }
    done += static_cast<size_t>(n);
  }
  if (charsWritten) *charsWritten = charsToWrite;
  return TRUE;
}

// The program's standard streams are its console already.
BOOL AllocConsole() { return TRUE; }

BOOL AttachConsole(DWORD) { return TRUE; }

BOOL FreeConsole() { return TRUE; }
