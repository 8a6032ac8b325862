#include "commonlib/thread/CSimpleThread.h"

#include <process.h>

#include "commonlib/logger/FileLogger.h"
#include "commonlib/logger/TraceLogger.h"

struct CSimpleThread::State {
  std::atomic<HANDLE> thread{nullptr};
  std::atomic<uint32_t> threadId{0};
  std::atomic<bool> stopRequested{false};
};

namespace {

struct StartBlock {
  CSimpleThread* self;
  std::shared_ptr<void> state;
};

// The state of the worker running on this thread (null on other threads).
thread_local const void* t_workerState = nullptr;

}  // namespace

CSimpleThread::CSimpleThread() : m_state(std::make_shared<State>()) {}

CSimpleThread::~CSimpleThread() {
  // A thread still running Run owns its own reference to the state; only ours goes here.
  HANDLE h = TakeHandle(*m_state);
  if (h != nullptr) CloseHandle(h);
}

HANDLE CSimpleThread::TakeHandle(State& state) { return state.thread.exchange(nullptr); }

HANDLE CSimpleThread::GetThreadHandle() const { return m_state->thread.load(); }
uint32_t CSimpleThread::GetThreadId() const { return m_state->threadId.load(); }

bool CSimpleThread::IsStopRequested() const {
  if (t_workerState != nullptr) {
    return static_cast<const State*>(t_workerState)->stopRequested.load();
  }
  return m_state->stopRequested.load();
}

bool CSimpleThread::Start() {
  HANDLE h = m_state->thread.load();
  if (h != nullptr) {
    DWORD code = 0;
    if (GetExitCodeThread(h, &code) && code == STILL_ACTIVE) return true;
  }
  h = TakeHandle(*m_state);
  if (h != nullptr) CloseHandle(h);

  // A fresh state per thread: a thread left behind by a timed-out stop keeps its own.
  std::shared_ptr<State> state = std::make_shared<State>();
  m_state = state;
  StartBlock* block = new StartBlock{this, state};
  // The handle is published before the thread may finish and take it.
  unsigned id = 0;
  uintptr_t handle = _beginthreadex(nullptr, 0, &CSimpleThread::ThreadEntry, block, CREATE_SUSPENDED, &id);
  if (handle == 0) {
    delete block;
    return false;
  }
  state->threadId = id;
  state->thread = reinterpret_cast<HANDLE>(handle);
  ResumeThread(reinterpret_cast<HANDLE>(handle));
  return true;
}

unsigned __stdcall CSimpleThread::ThreadEntry(void* arg) {
  StartBlock* block = static_cast<StartBlock*>(arg);
  std::shared_ptr<State> state = std::static_pointer_cast<State>(block->state);
  CSimpleThread* self = block->self;
  delete block;
  t_workerState = state.get();
  self->Run();
  t_workerState = nullptr;
  // From here on only the shared state is touched: the object may be gone already.
  HANDLE h = TakeHandle(*state);
  if (h != nullptr) {
    state->threadId = 0;
    CloseHandle(h);
  }
  return 0;
}

bool CSimpleThread::DestroyThread(uint32_t timeoutMs) {
  std::shared_ptr<State> state = m_state;
  HANDLE h = state->thread.load();
  if (h == nullptr) return true;
  DWORD code = 0;
  if (!GetExitCodeThread(h, &code) || code != STILL_ACTIVE) {
    h = TakeHandle(*state);
    if (h != nullptr) CloseHandle(h);
    return true;
  }
  state->stopRequested = true;
  OnStopRequested();
  uint32_t tid = state->threadId.load();
  // Take the handle now so the worker, should it end meanwhile, leaves it to us.
  h = TakeHandle(*state);
  if (h == nullptr) {
    // The worker finished and released it between the two reads.
    state->threadId = 0;
    return true;
  }
  if (GetCurrentThreadId() != tid) {
    if (WaitForSingleObject(h, timeoutMs) == WAIT_TIMEOUT) {
      const wchar_t* format = L"CSimpleThread::DestroyThread线程结束超时 tid:%d ";
      FileLogger::Instance().LogAt(kLogError, 38, L".\\thread\\SimpleThread", format, tid);
      TraceLogger::Instance().Log(kLogError, format, tid);
      // The thread cannot be killed: it ends on its own once it sees its stop flag.
    }
  }
  CloseHandle(h);
  state->threadId = 0;
  return true;
}
