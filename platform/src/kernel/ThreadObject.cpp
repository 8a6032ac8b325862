// Threads of CreateThread and _beginthreadex: host threads whose handle is signaled when
// they end and which keep their exit code for GetExitCodeThread.
#include <dlfcn.h>
#include <pthread.h>
#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <ctime>

#include "platform/src/kernel/KernelInternal.h"
#include <errhandlingapi.h>
#include "platform/src/internal/errors.h"
#include "platform/src/internal/handles.h"
#include "platform/src/internal/ticksource.h"
#include <windows/kernel.h>
#include <process.h>
#include <winerror.h>

namespace jf {
namespace {

// A TLS library (OpenSSL, under libcurl) keeps per-thread state that it frees from a hook
// that runs after the thread function returned. Waiters learn of the thread's end before
// that hook, so a process that ends right after would lose that state: it is released while
// the thread still runs. Looked up at run time: a program without that library needs nothing.
// The lookup runs on the thread that starts the first thread, never on one that is ending: a
// lookup that fails leaves a per-thread error buffer that the ending thread would free only
// after its waiters had been told it ended.
typedef void (*TlsStopFn)();
TlsStopFn TlsLibraryThreadStop() {
  static const TlsStopFn stop = reinterpret_cast<TlsStopFn>(dlsym(RTLD_DEFAULT, "OPENSSL_thread_stop"));
  return stop;
}

void ReleaseTlsLibraryThreadState() {
  if (TlsStopFn stop = TlsLibraryThreadStop()) stop();
}

class ThreadObject : public KernelObject {
 public:
  ThreadObject(LPTHREAD_START_ROUTINE start, void* parameter, bool suspended)
      : start_(start), parameter_(parameter), suspended_(suspended) {}

  bool IsSignaled() override { return ended_; }

  // Starts the host thread and waits until it has told its id.
  bool Launch(std::shared_ptr<ThreadObject> self, SIZE_T stackSize) {
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    if (stackSize > 0) {
      const SIZE_T minimum = static_cast<SIZE_T>(PTHREAD_STACK_MIN);
      SIZE_T size = stackSize < minimum ? minimum : stackSize;
      pthread_attr_setstacksize(&attr, size);
    }
    auto* boxed = new std::shared_ptr<ThreadObject>(std::move(self));
    pthread_t thread;
    int err = pthread_create(&thread, &attr, &ThreadObject::Main, boxed);
    pthread_attr_destroy(&attr);
    if (err != 0) {
      delete boxed;
      JF_SET_ERRNO(Kernel, err);
      errno = err;
      return false;
    }
    std::unique_lock<std::mutex> lock(kernel::WaitMutex());
    kernel::WaitCondition().wait(lock, [&] { return tid_ != 0; });
    return true;
  }

  DWORD Tid() const { return tid_; }

  // Returns the suspend count before the call.
  DWORD Resume() {
    DWORD previous = 0;
    WithWaitLock([&] {
      previous = suspended_ ? 1 : 0;
      suspended_ = false;
    });
    kernel::WaitCondition().notify_all();  // the thread waits for this before it starts
    return previous;
  }

  DWORD ExitCode() {
    DWORD code = 0;
    WithWaitLock([&] { code = ended_ ? exitCode_ : STILL_ACTIVE; });
    return code;
  }

  // Set by ExitThread before the host thread unwinds.
  static thread_local ThreadObject* current;
  DWORD pendingExitCode = 0;

 private:
  // Marks the thread ended, also when it leaves through ExitThread's unwinding.
  struct EndGuard {
    ThreadObject* thread;
    ~EndGuard() {
      ReleaseTlsLibraryThreadState();
      ChangeState(*thread, [&] {
        kernel::AbandonOwnedMutexes();
        thread->exitCode_ = thread->pendingExitCode;
        thread->ended_ = true;
      });
      current = nullptr;
    }
  };

  static void* Main(void* arg) {
    std::shared_ptr<ThreadObject> self = std::move(*static_cast<std::shared_ptr<ThreadObject>*>(arg));
    delete static_cast<std::shared_ptr<ThreadObject>*>(arg);
    current = self.get();
    {
      std::unique_lock<std::mutex> lock(kernel::WaitMutex());
      self->tid_ = kernel::CurrentThreadId();
      kernel::WaitCondition().notify_all();
      kernel::WaitCondition().wait(lock, [&] { return !self->suspended_; });
    }
    EndGuard guard{self.get()};
    self->pendingExitCode = self->start_(self->parameter_);
    return nullptr;
  }

  LPTHREAD_START_ROUTINE start_;
  void* parameter_;
  bool suspended_;
  DWORD tid_ = 0;
  bool ended_ = false;
  DWORD exitCode_ = 0;
};

thread_local ThreadObject* ThreadObject::current = nullptr;

HANDLE StartThread(SIZE_T stackSize, LPTHREAD_START_ROUTINE start, void* parameter, DWORD flags, DWORD* tid) {
  if (!start) {
    JF_SET_ERROR(Kernel, ERROR_INVALID_PARAMETER);
    errno = EINVAL;
    return nullptr;
  }
  TlsLibraryThreadStop();
  auto thread = std::make_shared<ThreadObject>(start, parameter, (flags & CREATE_SUSPENDED) != 0);
  HANDLE handle = RegisterHandle(thread);
  if (!thread->Launch(thread, stackSize)) {
    CloseHandle(handle);
    return nullptr;
  }
  if (tid) *tid = thread->Tid();
  return handle;
}

struct BeginThreadStart {
  unsigned(__stdcall* start)(void*);
  void* arg;
};

DWORD WINAPI RunBeginThread(LPVOID parameter) {
  BeginThreadStart s = *static_cast<BeginThreadStart*>(parameter);
  delete static_cast<BeginThreadStart*>(parameter);
  return s.start(s.arg);
}

}  // namespace

namespace kernel {

DWORD CurrentThreadId() {
  static thread_local DWORD tid = static_cast<DWORD>(syscall(SYS_gettid));
  return tid;
}

}  // namespace kernel
}  // namespace jf

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T stackSize, LPTHREAD_START_ROUTINE start, LPVOID parameter,
                    DWORD creationFlags, LPDWORD threadId) {
  return jf::StartThread(stackSize, start, parameter, creationFlags, threadId);
}

uintptr_t _beginthreadex(void*, unsigned stackSize, unsigned(__stdcall* start)(void*), void* arg, unsigned initflag,
                         unsigned* thrdaddr) {
  if (!start) {
    errno = EINVAL;
    JF_SET_ERROR(Kernel, ERROR_INVALID_PARAMETER);
    return 0;
  }
  auto* s = new jf::BeginThreadStart{start, arg};
  DWORD tid = 0;
  HANDLE handle = jf::StartThread(stackSize, &jf::RunBeginThread, s, initflag, &tid);
  if (!handle) {
    delete s;
    return 0;
  }
  if (thrdaddr) *thrdaddr = tid;
  return reinterpret_cast<uintptr_t>(handle);
}

void ExitThread(DWORD exitCode) {
  if (jf::ThreadObject::current) jf::ThreadObject::current->pendingExitCode = exitCode;
  // Unwinds the thread's stack (destructors run), then the end guard records the code.
  pthread_exit(nullptr);
}

void _endthreadex(unsigned exitCode) { ExitThread(exitCode); }

DWORD ResumeThread(HANDLE handle) {
  auto thread = jf::LookupHandleAs<jf::ThreadObject>(handle);
  if (!thread) {
    JF_SET_ERROR(Kernel, ERROR_INVALID_HANDLE);
    return static_cast<DWORD>(-1);
  }
  return thread->Resume();
}

BOOL GetExitCodeThread(HANDLE handle, LPDWORD exitCode) {
  if (!exitCode) {
    JF_SET_ERROR(Kernel, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (handle == GetCurrentThread()) {
    *exitCode = STILL_ACTIVE;
    return TRUE;
  }
  auto thread = jf::LookupHandleAs<jf::ThreadObject>(handle);
  if (!thread) {
    JF_SET_ERROR(Kernel, ERROR_INVALID_HANDLE);
    return FALSE;
  }
  *exitCode = thread->ExitCode();
  return TRUE;
}

DWORD GetCurrentThreadId() { return jf::kernel::CurrentThreadId(); }

HANDLE GetCurrentThread() { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(-2)); }

// Priorities are a hint the host does not give unprivileged programs; accepted and ignored.
BOOL SetThreadPriority(HANDLE, int) { return TRUE; }

int GetThreadPriority(HANDLE) { return THREAD_PRIORITY_NORMAL; }

void Sleep(DWORD milliseconds) {
  if (milliseconds == 0) {
    sched_yield();
    return;
  }
  if (milliseconds == INFINITE) {
    for (;;) pause();
  }
  // A sped-up clock (end-to-end tests) sleeps its milliseconds, not the wall clock's.
  milliseconds = static_cast<DWORD>(jf::TickToWallMs(milliseconds));
  timespec request{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&request, &request) != 0 && errno == EINTR) {
  }
}

BOOL SwitchToThread() { return sched_yield() == 0 ? TRUE : FALSE; }
