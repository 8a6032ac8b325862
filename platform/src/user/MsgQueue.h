// The message queue of one thread: posted messages, messages sent from other threads, the
// quit flag and the thread's timers. Every thread gets one on first use; it goes away with
// the thread. Any thread may post, send or set timers; only the owner retrieves.
#pragma once
#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/src/user/MsgFilter.h"
#include "platform/src/user/MsgSentMessage.h"
#include "platform/src/user/MsgTimer.h"

namespace jf {

struct WindowRecord;

class MsgQueue : public std::enable_shared_from_this<MsgQueue> {
 public:
  static constexpr uint64_t kNoDeadline = UINT64_MAX;

  explicit MsgQueue(DWORD threadId) : threadId_(threadId) {}

  // The calling thread's queue, created on first use.
  static std::shared_ptr<MsgQueue> Current();
  // The queue of a thread, null when the thread has none (never used one, or ended).
  static std::shared_ptr<MsgQueue> ForThread(DWORD threadId);
  static DWORD CurrentThreadId();
  // Every blocked queue re-checks its timers (the tick source moved).
  static void WakeAll();

  DWORD ThreadId() const { return threadId_; }

  // ---- Any thread ----
  bool Post(const MSG& msg);
  void PostQuit(int exitCode);
  bool Enqueue(const std::shared_ptr<MsgSentMessage>& sent);
  // Hands the result to the waiting sender; false when it already had one.
  static bool Complete(const std::shared_ptr<MsgSentMessage>& sent, LRESULT result);
  // Something outside the queue changed (input, update regions): re-check.
  void Wake();
  UINT_PTR SetTimer(HWND hwnd, const std::weak_ptr<WindowRecord>& window, UINT_PTR id, UINT elapse,
                    TIMERPROC proc);
  bool KillTimer(HWND hwnd, UINT_PTR id);
  // A window was destroyed: its posted messages and timers go.
  void ForgetWindow(HWND hwnd);

  // ---- Owner thread only ----
  // Calls the procedures for messages other threads sent here; true when there was one.
  bool ProcessSent();
  // Sent messages first, then the first matching posted, input, quit, paint or timer message.
  bool Peek(const MsgFilter& filter, bool remove, MSG* out);
  // Blocks until a matching message arrives; false for WM_QUIT.
  bool Get(const MsgFilter& filter, MSG* out);
  // Blocks until something new is in the queue.
  void WaitForMessage();
  // The sender's side of a cross-thread send: answers messages sent here while waiting.
  bool WaitReply(const std::shared_ptr<MsgSentMessage>& sent, uint64_t deadline);
  DWORD Status(UINT flags);
  // Thread exit: pending senders get 0, the thread's windows go away.
  void Shutdown();

  // Messages being handled by this thread: a cross-thread send, or null for anything else.
  std::vector<std::shared_ptr<MsgSentMessage>> handling;
  LONG lastTime = 0;
  DWORD lastPos = 0;

 private:
  bool Retrieve(const MsgFilter& filter, bool remove, MSG* out);
  uint64_t Serial();
  void WaitChange(uint64_t seen, uint64_t deadline);
  uint64_t NextTimerDue(const MsgFilter& filter);
  void Bump();  // lock held

  std::mutex lock_;
  std::condition_variable changed_;
  const DWORD threadId_;
  uint64_t serial_ = 0;
  bool dead_ = false;
  std::deque<MSG> posted_;
  std::deque<std::shared_ptr<MsgSentMessage>> incoming_;
  bool quit_ = false;
  int quitCode_ = 0;
  std::vector<MsgTimer> timers_;
};

}  // namespace jf
