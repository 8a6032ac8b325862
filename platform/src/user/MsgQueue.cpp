#include "platform/src/user/MsgQueue.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <unordered_map>

#include "platform/src/user/WindowDisplayHooks.h"
#include "platform/src/user/WindowRecord.h"
#include "platform/src/user/WindowTable.h"
#include "platform/src/internal/ticksource.h"
#include "platform/src/internal/errors.h"

namespace jf {

namespace {

struct Registry {
  std::mutex lock;
  std::unordered_map<DWORD, std::weak_ptr<MsgQueue>> queues;
};

Registry& Queues() {
  // Never destroyed: threads may end after static destructors have run.
  static Registry* registry = new Registry;
  return *registry;
}

void OnTick(void*) { MsgQueue::WakeAll(); }

// Ends the thread's queue when the thread ends.
struct QueueHolder {
  std::shared_ptr<MsgQueue> queue;
  ~QueueHolder() {
    if (queue) queue->Shutdown();
  }
};
thread_local QueueHolder t_holder;

std::atomic<UINT_PTR> g_nextThreadTimerId{1};

LONG NowAsMessageTime() { return LONG(DWORD(TickNow())); }

DWORD CurrentMessagePos() {
  WindowDisplayHooks& hooks = WindowDisplayHooks::Get();
  if (hooks.cursorPos == nullptr) return 0;
  POINT pt = hooks.cursorPos();
  return DWORD(MAKELONG(WORD(SHORT(pt.x)), WORD(SHORT(pt.y))));
}

bool WindowGone(const MsgTimer& t) {
  if (t.hwnd == nullptr) return false;
  auto rec = t.window.lock();
  return !rec || rec->state.load() == WindowRecord::State::Dead;
}

}  // namespace

DWORD MsgQueue::CurrentThreadId() { return GetCurrentThreadId(); }

std::shared_ptr<MsgQueue> MsgQueue::Current() {
  if (t_holder.queue) return t_holder.queue;
  static std::once_flag listenerOnce;
  std::call_once(listenerOnce, [] { TickAddListener(OnTick, nullptr); });
  auto queue = std::make_shared<MsgQueue>(CurrentThreadId());
  {
    Registry& registry = Queues();
    std::lock_guard<std::mutex> guard(registry.lock);
    registry.queues[queue->threadId_] = queue;
  }
  t_holder.queue = queue;
  return queue;
}

std::shared_ptr<MsgQueue> MsgQueue::ForThread(DWORD threadId) {
  Registry& registry = Queues();
  std::lock_guard<std::mutex> guard(registry.lock);
  auto it = registry.queues.find(threadId);
  return it == registry.queues.end() ? nullptr : it->second.lock();
}

void MsgQueue::WakeAll() {
  std::vector<std::shared_ptr<MsgQueue>> all;
  {
    Registry& registry = Queues();
    std::lock_guard<std::mutex> guard(registry.lock);
    for (auto& entry : registry.queues) {
      if (auto q = entry.second.lock()) all.push_back(q);
    }
  }
  for (auto& q : all) q->Wake();
}

void MsgQueue::Bump() {
  ++serial_;
  changed_.notify_all();
}

void MsgQueue::Wake() {
  std::lock_guard<std::mutex> guard(lock_);
  Bump();
}

uint64_t MsgQueue::Serial() {
  std::lock_guard<std::mutex> guard(lock_);
  return serial_;
}

bool MsgQueue::Post(const MSG& msg) {
  std::lock_guard<std::mutex> guard(lock_);
  if (dead_) return false;
  posted_.push_back(msg);
  Bump();
  return true;
}

void MsgQueue::PostQuit(int exitCode) {
  std::lock_guard<std::mutex> guard(lock_);
  quit_ = true;
  quitCode_ = exitCode;
  Bump();
}

bool MsgQueue::Enqueue(const std::shared_ptr<MsgSentMessage>& sent) {
  std::lock_guard<std::mutex> guard(lock_);
  if (dead_) return false;
  incoming_.push_back(sent);
  Bump();
  return true;
}

bool MsgQueue::Complete(const std::shared_ptr<MsgSentMessage>& sent, LRESULT result) {
  if (!sent->sender) return false;
  MsgQueue& sender = *sent->sender;
  std::lock_guard<std::mutex> guard(sender.lock_);
  if (sent->done) return false;
  sent->done = true;
  sent->result = result;
  sender.Bump();
  return true;
}

UINT_PTR MsgQueue::SetTimer(HWND hwnd, const std::weak_ptr<WindowRecord>& window, UINT_PTR id,
                            UINT elapse, TIMERPROC proc) {
  elapse = std::max<UINT>(elapse, USER_TIMER_MINIMUM);
  elapse = std::min<UINT>(elapse, USER_TIMER_MAXIMUM);
  std::lock_guard<std::mutex> guard(lock_);
  if (dead_) {
    JF_SET_ERROR(User, ERROR_INVALID_THREAD_ID);
    return 0;
  }
  auto same = [&](const MsgTimer& t) { return t.hwnd == hwnd && t.id == id; };
  auto it = timers_.end();
  if (hwnd != nullptr || id != 0) it = std::find_if(timers_.begin(), timers_.end(), same);
  if (it == timers_.end()) {
    if (hwnd == nullptr) {
      // A thread timer always gets a fresh id unless it re-sets one of its own.
      do {
        id = g_nextThreadTimerId.fetch_add(1);
      } while (id == 0 || std::any_of(timers_.begin(), timers_.end(), same));
    }
    timers_.emplace_back();
    it = timers_.end() - 1;
  }
  it->hwnd = hwnd;
  it->window = window;
  it->id = id;
  it->elapse = elapse;
  it->proc = proc;
  it->due = TickNow() + elapse;
  Bump();
  return id;
}

bool MsgQueue::KillTimer(HWND hwnd, UINT_PTR id) {
  std::lock_guard<std::mutex> guard(lock_);
  auto it = std::find_if(timers_.begin(), timers_.end(),
                         [&](const MsgTimer& t) { return t.hwnd == hwnd && t.id == id; });
  if (it == timers_.end()) return false;
  timers_.erase(it);
  return true;
}

void MsgQueue::ForgetWindow(HWND hwnd) {
  std::lock_guard<std::mutex> guard(lock_);
  posted_.erase(std::remove_if(posted_.begin(), posted_.end(), [&](const MSG& m) { return m.hwnd == hwnd; }),
                posted_.end());
  timers_.erase(std::remove_if(timers_.begin(), timers_.end(), [&](const MsgTimer& t) { return t.hwnd == hwnd; }),
                timers_.end());
}

bool MsgQueue::ProcessSent() {
  bool any = false;
  for (;;) {
    std::shared_ptr<MsgSentMessage> sent;
    {
      std::lock_guard<std::mutex> guard(lock_);
      if (incoming_.empty()) break;
      sent = incoming_.front();
      incoming_.pop_front();
    }
    any = true;
    handling.push_back(sent);
    LRESULT result = WindowTable::CallProc(sent->hwnd, sent->message, sent->wParam, sent->lParam);
    handling.pop_back();
    Complete(sent, result);
  }
  return any;
}

bool MsgQueue::Retrieve(const MsgFilter& filter, bool remove, MSG* out) {
  WindowDisplayHooks& hooks = WindowDisplayHooks::Get();
  {
    std::lock_guard<std::mutex> guard(lock_);
    for (auto it = posted_.begin(); it != posted_.end(); ++it) {
      // WM_QUIT passes any message range.
      bool inRange = it->message == WM_QUIT || filter.InRange(it->message);
      if (!inRange || !filter.MatchesWindow(it->hwnd)) continue;
      *out = *it;
      if (remove) posted_.erase(it);
      return true;
    }
  }
  if (hooks.nextInput != nullptr && hooks.nextInput(threadId_, filter, remove, out)) return true;
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (quit_) {
      *out = MSG{nullptr, WM_QUIT, WPARAM(quitCode_), 0, DWORD(NowAsMessageTime()), POINT{0, 0}};
      if (remove) quit_ = false;
      return true;
    }
  }
  if (hooks.paintWindow != nullptr && filter.InRange(WM_PAINT)) {
    HWND hwnd = hooks.paintWindow(threadId_, filter);
    if (hwnd != nullptr) {
      *out = MSG{hwnd, WM_PAINT, 0, 0, DWORD(NowAsMessageTime()), POINT{0, 0}};
      return true;
    }
  }
  if (!filter.InRange(WM_TIMER)) return false;
  std::lock_guard<std::mutex> guard(lock_);
  timers_.erase(std::remove_if(timers_.begin(), timers_.end(), WindowGone), timers_.end());
  uint64_t now = TickNow();
  MsgTimer* best = nullptr;
  for (MsgTimer& t : timers_) {
    // A clock set back (a test clock handed over) must not leave a timer waiting for a time
    // that has not come yet: its next tick is at most one period away.
    t.due = std::min(t.due, now + t.elapse);
    if (t.due > now || !filter.MatchesWindow(t.hwnd)) continue;
    if (best == nullptr || t.due < best->due) best = &t;
  }
  if (best == nullptr) return false;
  *out = MSG{best->hwnd, WM_TIMER, WPARAM(best->id), reinterpret_cast<LPARAM>(best->proc), DWORD(now),
             POINT{0, 0}};
  // One pending tick per timer: the next one is the first period boundary after now, so
  // ticks missed while nobody looked are not made up for and the rhythm does not drift.
  if (remove) best->due += uint64_t(best->elapse) * ((now - best->due) / best->elapse + 1);
  return true;
}

bool MsgQueue::Peek(const MsgFilter& filter, bool remove, MSG* out) {
  ProcessSent();
  if (!Retrieve(filter, remove, out)) return false;
  // Posted messages keep the time they were posted at; the others are made now.
  DWORD pos = CurrentMessagePos();
  out->pt.x = SHORT(LOWORD(pos));
  out->pt.y = SHORT(HIWORD(pos));
  lastTime = LONG(out->time);
  lastPos = pos;
  return true;
}

uint64_t MsgQueue::NextTimerDue(const MsgFilter& filter) {
  if (!filter.InRange(WM_TIMER)) return kNoDeadline;
  std::lock_guard<std::mutex> guard(lock_);
  uint64_t next = kNoDeadline;
  const uint64_t now = TickNow();
  for (const MsgTimer& t : timers_) {
    if (filter.MatchesWindow(t.hwnd)) next = std::min({next, t.due, now + t.elapse});
  }
  return next;
}

void MsgQueue::WaitChange(uint64_t seen, uint64_t deadline) {
  std::unique_lock<std::mutex> guard(lock_);
  while (serial_ == seen) {
    // A manual clock wakes every queue on each advance, so only the real clock needs a
    // timed wait.
    if (deadline == kNoDeadline || TickIsManual()) {
      changed_.wait(guard);
      continue;
    }
    uint64_t now = TickNow();
    if (now >= deadline) return;
    changed_.wait_for(guard, std::chrono::milliseconds(TickToWallMs(deadline - now)));
  }
}

bool MsgQueue::Get(const MsgFilter& filter, MSG* out) {
  for (;;) {
    uint64_t seen = Serial();
    if (Peek(filter, true, out)) return out->message != WM_QUIT;
    WaitChange(seen, NextTimerDue(filter));
  }
}

void MsgQueue::WaitForMessage() {
  MsgFilter any;
  for (;;) {
    uint64_t seen = Serial();
    bool handledSent = ProcessSent();
    MSG msg;
    if (handledSent || Retrieve(any, false, &msg)) return;
    WaitChange(seen, NextTimerDue(any));
  }
}

bool MsgQueue::WaitReply(const std::shared_ptr<MsgSentMessage>& sent, uint64_t deadline) {
  for (;;) {
    uint64_t seen = Serial();
    ProcessSent();
    {
      std::lock_guard<std::mutex> guard(lock_);
      if (sent->done) return true;
    }
    if (deadline != kNoDeadline && TickNow() >= deadline) return false;
    WaitChange(seen, deadline);
  }
}

DWORD MsgQueue::Status(UINT flags) {
  DWORD status = 0;
  std::lock_guard<std::mutex> guard(lock_);
  if (!posted_.empty()) status |= QS_POSTMESSAGE | QS_ALLPOSTMESSAGE;
  if (!incoming_.empty()) status |= QS_SENDMESSAGE;
  uint64_t now = TickNow();
  for (const MsgTimer& t : timers_) {
    if (t.due <= now) status |= QS_TIMER;
  }
  status &= flags;
  return MAKELONG(status, status);
}

void MsgQueue::Shutdown() {
  {
    Registry& registry = Queues();
    std::lock_guard<std::mutex> guard(registry.lock);
    auto it = registry.queues.find(threadId_);
    if (it != registry.queues.end() && it->second.lock().get() == this) registry.queues.erase(it);
  }
  std::deque<std::shared_ptr<MsgSentMessage>> pending;
  {
    std::lock_guard<std::mutex> guard(lock_);
    dead_ = true;
    pending.swap(incoming_);
    posted_.clear();
    timers_.clear();
    Bump();
  }
  for (auto& sent : pending) Complete(sent, 0);
  WindowTable::Get().DropThreadWindows(threadId_);
}

}  // namespace jf
