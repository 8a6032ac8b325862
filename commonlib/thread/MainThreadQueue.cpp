#include "thread/MainThreadQueue.h"

#include <deque>

#include "core/SystemClock.h"
#include "thread/CScopedLock.h"

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
  {
    CScopedLock lock(GetMainThreadQueueLock());
    wasEmpty = Queue().empty();
    MainThreadQueueEntry entry;
    entry.invoke = invoke;
    entry.task = task;
    entry.done = done;
    Queue().push_back(entry);
  }
  if (wasEmpty) PostMessageW(g_window, g_firedMessage, 0, 0);
}

}  // namespace

CCriticalLock* GetMainThreadQueueLock() {
  static CCriticalLock* lock = new CCriticalLock();  // lives until process exit
  return lock;
}

void CreateThreadingWindow() {
  if (g_window) return;
  WNDCLASSW wc = {};
  wc.lpfnWndProc = ThreadingWindowProc;
  wc.lpszClassName = L"ThreadingWindowClass";
  RegisterClassW(&wc);
  g_window = CreateWindowExW(0, L"ThreadingWindowClass", nullptr, 0, CW_USEDEFAULT, 0,
                             CW_USEDEFAULT, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  g_firedMessage = RegisterWindowMessageW(L"com.varnel.MainThreadFired");
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
      PostMessageW(g_window, g_firedMessage, 0, 0);
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
  if (g_window) DestroyWindow(g_window);
}

HWND GetThreadingWindow() { return g_window; }

UINT GetMainThreadFiredMessage() { return g_firedMessage; }

size_t GetMainThreadQueueSize() {
  CScopedLock lock(GetMainThreadQueueLock());
  return Queue().size();
}
