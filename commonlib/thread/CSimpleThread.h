// Base of the worker threads: Start runs Run on a new thread; DestroyThread asks Run to
// stop and waits for it. Run must poll IsStopRequested() at least every 100 ms.
//
// A thread cannot be killed here: when it does not end within the time-out, DestroyThread
// logs the fact and lets it finish on its own. The base's own state lives in a block that
// the thread shares, so the thread never touches freed base fields; everything else that
// Run touches must stay alive until Run returns (keep it in shared ownership, or make sure
// Run returns before the object goes).
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>

class CSimpleThread {
 public:
  CSimpleThread();
  virtual ~CSimpleThread();
  CSimpleThread(const CSimpleThread&) = delete;
  CSimpleThread& operator=(const CSimpleThread&) = delete;

  // Asks Run to stop and waits up to timeoutMs (INFINITE: no limit); true in every case.
  // Called from the worker itself, it only sets the flag and releases the handle.
  virtual bool DestroyThread(uint32_t timeoutMs);
  // Starts the thread; true when it runs (also when it already did).
  virtual bool Start();
  virtual void Run() = 0;

  // The running thread's handle and identifier (null and 0 when there is none).
  HANDLE GetThreadHandle() const;
  uint32_t GetThreadId() const;

 protected:
  // True once DestroyThread asked this worker to stop. On the worker thread it reads the
  // flag of that very thread, so a thread left behind after a time-out keeps seeing it.
  bool IsStopRequested() const;
  // Called by DestroyThread right after the stop flag is set, on the stopping thread: a
  // worker that sleeps in a wait of its own wakes itself here.
  virtual void OnStopRequested() {}

 private:
  struct State;
  static unsigned __stdcall ThreadEntry(void* arg);
  // Takes the handle out of the state exactly once; null when the other side took it.
  static HANDLE TakeHandle(State& state);

  std::shared_ptr<State> m_state;
};
