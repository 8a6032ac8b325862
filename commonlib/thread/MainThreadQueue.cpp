#include "commonlib/thread/MainThreadQueue.h"

#include <deque>

#include "commonlib/core/SystemClock.h"
#include "commonlib/thread/CScopedLock.h"

namespace {

const double kSliceSeconds = 0.05;
// A backward step of the clock larger than this restarts the slice clock's high-water mark;
// otherwise every slice would measure 0 s until real time caught up with the old mark.
const double kLargeBackwardStepSeconds = 1.0;

// Never destroyed: a worker still posting while the process exits must find it intact.
std::deque<MainThreadQueueEntry>& Queue() {
  static auto* queue = new std::deque<MainThreadQueueEntry>();
  return *queue;
}

// Set once by the main thread, read by posters: both under the queue lock.
HWND g_window = nullptr;
UINT g_firedMessage = 0;
double g_highWaterMark = 0.0;

// The slice clock: never runs backwards by small amounts, follows large backward steps.
double SliceClock() {
  double now = GetTimeSeconds();
  if (now >= g_highWaterMark || g_highWaterMark - now > kLargeBackwardStepSeconds) {
    g_highWaterMark = now;
  }
  return g_highWaterMark;
}

void Enqueue(MainThreadInvoke invoke, const CRefPtr<MainThreadTaskBase>& task, CCondition* done) {
  bool wasEmpty;
  HWND window;
  UINT fired;
  {
    CScopedLock lock(GetMainThreadQueueLock());
    wasEmpty = Queue().empty();
    MainThreadQueueEntry entry;
    entry.invoke = invoke;
    entry.task = task;
    entry.done = done;
    Queue().push_back(entry);
    window = g_window;
    fired = g_firedMessage;
  }
  // Before the window exists nobody can be woken: its creation wakes the main thread.
  if (wasEmpty && window) PostMessageW(window, fired, 0, 0);
}

}  // namespace

CCriticalLock* GetMainThreadQueueLock() {
  static CCriticalLock* lock = new CCriticalLock();  // lives until process exit
  return lock;
}

void CreateThreadingWindow() {
  if (GetThreadingWindow()) return;
  WNDCLASSW wc = {};
  wc.lpfnWndProc = ThreadingWindowProc;
  wc.lpszClassName = L"ThreadingWindowClass";
  RegisterClassW(&wc);
  HWND window = CreateWindowExW(0, L"ThreadingWindowClass", nullptr, 0, CW_USEDEFAULT, 0,
                                CW_USEDEFAULT, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  UINT fired = RegisterWindowMessageW(L"com.varnel.MainThreadFired");
  bool waiting;
  {
    CScopedLock lock(GetMainThreadQueueLock());
    g_window = window;
    g_firedMessage = fired;
    waiting = !Queue().empty();
  }
  // Tasks posted before the window existed found no one to wake.
  if (waiting && window) PostMessageW(window, fired, 0, 0);
}

void PostToMainThread(MainThreadInvoke invoke, const CRefPtr<MainThreadTaskBase>& task) {
  Enqueue(invoke, task, nullptr);
}

void PostToMainThreadWithDone(MainThreadInvoke invoke, const CRefPtr<MainThreadTaskBase>& task,
                              CCondition* done) {
  Enqueue(invoke, task, done);
}

void InvokeMainThreadTask(CRefPtr<MainThreadTaskBase>& task) {
  if (task) task->Run();
}

LRESULT CALLBACK ThreadingWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (g_firedMessage != 0 && msg == g_firedMessage) {
    PumpMainThreadTasks();
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

void PumpMainThreadTasks() {
  double start = SliceClock();
  CRefPtr<MainThreadTaskBase> task;
  for (;;) {
    MainThreadInvoke invoke;
    CCondition* done;
    {
      CScopedLock lock(GetMainThreadQueueLock());
      if (Queue().empty()) break;
      MainThreadQueueEntry& front = Queue().front();
      invoke = front.invoke;
      done = front.done;
      task = front.task;  // the previous task goes here, on the main thread
      Queue().pop_front();
    }
    if (invoke) invoke(task);
    if (done) {
      CScopedLock lock(GetMainThreadQueueLock());
      done->NotifyOne();
    }
    double now = SliceClock();
    if (now < start) start = now;  // the clock was set back: the slice starts again here
    if (now - start > kSliceSeconds) {
      PostMessageW(GetThreadingWindow(), GetMainThreadFiredMessage(), 0, 0);
      break;
    }
  }
  task.reset();
}

void ShutdownMainThreadQueue() {
  // Released outside the lock: a task's destructor may post (and so take the lock) itself.
  std::deque<MainThreadQueueEntry> dropped;
  {
    CScopedLock lock(GetMainThreadQueueLock());
    dropped.swap(Queue());
  }
  dropped.clear();
  if (HWND window = GetThreadingWindow()) DestroyWindow(window);
}

HWND GetThreadingWindow() {
  CScopedLock lock(GetMainThreadQueueLock());
  return g_window;
}

UINT GetMainThreadFiredMessage() {
  CScopedLock lock(GetMainThreadQueueLock());
  return g_firedMessage;
}

size_t GetMainThreadQueueSize() {
  CScopedLock lock(GetMainThreadQueueLock());
  return Queue().size();
}
