// Posting, sending, retrieving and dispatching messages.
#include <windows.h>

#include "platform/src/user/MsgQueue.h"
#include "platform/src/user/WindowDisplayHooks.h"
#include "platform/src/user/WindowTable.h"
#include "platform/src/internal/ticksource.h"
#include "platform/src/internal/errors.h"

namespace {

using jf::MsgFilter;
using jf::MsgQueue;
using jf::MsgSentMessage;
using jf::WindowTable;

bool BuildFilter(HWND hwnd, UINT filterMin, UINT filterMax, MsgFilter* filter) {
  filter->min = filterMin;
  filter->max = filterMax;
  if (hwnd == nullptr) return true;
  if (hwnd == reinterpret_cast<HWND>(LONG_PTR(-1))) {
    filter->kind = MsgFilter::Kind::ThreadOnly;
    return true;
  }
  WindowTable& table = WindowTable::Get();
  auto guard = table.Guard();
  if (!table.LookupLocked(hwnd)) return false;
  filter->kind = MsgFilter::Kind::Windows;
  table.CollectTreeLocked(hwnd, filter->windows);
  return true;
}

// The window's owner queue and whether that is the calling thread; null when the window or
// its thread is gone.
std::shared_ptr<MsgQueue> OwnerQueue(HWND hwnd, bool* sameThread) {
  auto rec = WindowTable::Get().Lookup(hwnd);
  if (!rec) return nullptr;
  auto queue = rec->queue.lock();
  if (!queue) {
    JF_SET_ERROR(User, ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  *sameThread = rec->threadId == MsgQueue::CurrentThreadId();
  return queue;
}

// A call of the window procedure on this thread, marked as not sent from another thread.
LRESULT CallHere(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto queue = MsgQueue::Current();
  queue->handling.push_back(nullptr);
  LRESULT result = WindowTable::CallProc(hwnd, msg, wParam, lParam);
  queue->handling.pop_back();
  return result;
}

// Queues a message for the window's thread; `sender` waits for the answer (null: nobody).
std::shared_ptr<MsgSentMessage> EnqueueSent(MsgQueue& target, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                            std::shared_ptr<MsgQueue> sender) {
  auto sent = std::make_shared<MsgSentMessage>();
  sent->hwnd = hwnd;
  sent->message = msg;
  sent->wParam = wParam;
  sent->lParam = lParam;
  sent->sender = std::move(sender);
  if (target.Enqueue(sent)) return sent;
  JF_SET_ERROR(User, ERROR_INVALID_WINDOW_HANDLE);
  return nullptr;
}

bool SendInternal(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, uint64_t deadline, LRESULT* result) {
  *result = 0;
  bool sameThread = false;
  auto target = OwnerQueue(hwnd, &sameThread);
  if (!target) return false;
  if (sameThread) {
    *result = CallHere(hwnd, msg, wParam, lParam);
    return true;
  }
  auto me = MsgQueue::Current();
  auto sent = EnqueueSent(*target, hwnd, msg, wParam, lParam, me);
  if (!sent) return false;
  if (!me->WaitReply(sent, deadline)) {
    JF_SET_ERROR(User, ERROR_TIMEOUT);
    return false;
  }
  *result = sent->result;
  return true;
}

}  // namespace

BOOL WINAPI PostMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  MSG m{hwnd, msg, wParam, lParam, DWORD(jf::TickNow()), POINT{0, 0}};
  if (hwnd == nullptr) return MsgQueue::Current()->Post(m) ? TRUE : FALSE;
  bool sameThread = false;
  auto queue = OwnerQueue(hwnd, &sameThread);
  if (!queue || !queue->Post(m)) {
    JF_SET_ERROR(User, ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return TRUE;
}

BOOL WINAPI PostThreadMessageW(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto queue = threadId == MsgQueue::CurrentThreadId() ? MsgQueue::Current() : MsgQueue::ForThread(threadId);
  MSG m{nullptr, msg, wParam, lParam, DWORD(jf::TickNow()), POINT{0, 0}};
  if (!queue || !queue->Post(m)) {
    JF_SET_ERROR(User, ERROR_INVALID_THREAD_ID);
    return FALSE;
  }
  return TRUE;
}

LRESULT WINAPI SendMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  SendInternal(hwnd, msg, wParam, lParam, MsgQueue::kNoDeadline, &result);
  return result;
}

LRESULT WINAPI SendMessageTimeoutW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT flags,
                                   UINT timeoutMs, PDWORD_PTR result) {
  (void)flags;
  LRESULT value = 0;
  bool ok = SendInternal(hwnd, msg, wParam, lParam, jf::TickNow() + timeoutMs, &value);
  if (result != nullptr) *result = ok ? DWORD_PTR(value) : 0;
  return ok ? 1 : 0;
}

BOOL WINAPI SendNotifyMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  bool sameThread = false;
  auto target = OwnerQueue(hwnd, &sameThread);
  if (!target) return FALSE;
  if (sameThread) {
    CallHere(hwnd, msg, wParam, lParam);
    return TRUE;
  }
  return EnqueueSent(*target, hwnd, msg, wParam, lParam, nullptr) ? TRUE : FALSE;
}

BOOL WINAPI GetMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax) {
  MsgFilter filter;
  if (msg == nullptr) {
    JF_SET_ERROR(User, ERROR_INVALID_PARAMETER);
    return -1;
  }
  if (!BuildFilter(hwnd, filterMin, filterMax, &filter)) return -1;
  return MsgQueue::Current()->Get(filter, msg) ? TRUE : FALSE;
}

BOOL WINAPI PeekMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeMsg) {
  MsgFilter filter;
  if (msg == nullptr) {
    JF_SET_ERROR(User, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!BuildFilter(hwnd, filterMin, filterMax, &filter)) return FALSE;
  return MsgQueue::Current()->Peek(filter, (removeMsg & PM_REMOVE) != 0, msg) ? TRUE : FALSE;
}

BOOL WINAPI TranslateMessage(const MSG* msg) {
  auto translate = jf::WindowDisplayHooks::Get().translate;
  if (msg == nullptr || translate == nullptr) return FALSE;
  return translate(msg);
}

LRESULT WINAPI DispatchMessageW(const MSG* msg) {
  if (msg == nullptr) {
    JF_SET_ERROR(User, ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (msg->message == WM_TIMER && msg->lParam != 0) {
    // A timer with its own procedure: the window procedure never sees the tick.
    if (msg->hwnd != nullptr && !IsWindow(msg->hwnd)) return 0;
    auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
    proc(msg->hwnd, WM_TIMER, UINT_PTR(msg->wParam), DWORD(jf::TickNow()));
    return 0;
  }
  if (msg->hwnd == nullptr) return 0;
  auto rec = WindowTable::Get().Lookup(msg->hwnd);
  if (!rec) return 0;
  if (rec->threadId != MsgQueue::CurrentThreadId()) {
    JF_SET_ERROR(User, ERROR_WINDOW_OF_OTHER_THREAD);
    return 0;
  }
  LRESULT result = CallHere(msg->hwnd, msg->message, msg->wParam, msg->lParam);
  auto paintDispatched = jf::WindowDisplayHooks::Get().paintDispatched;
  if (msg->message == WM_PAINT && paintDispatched != nullptr) paintDispatched(msg->hwnd);
  return result;
}

void WINAPI PostQuitMessage(int exitCode) { MsgQueue::Current()->PostQuit(exitCode); }

BOOL WINAPI WaitMessage(void) {
  MsgQueue::Current()->WaitForMessage();
  return TRUE;
}

LONG WINAPI GetMessageTime(void) { return MsgQueue::Current()->lastTime; }

DWORD WINAPI GetMessagePos(void) { return MsgQueue::Current()->lastPos; }

BOOL WINAPI InSendMessage(void) {
  auto queue = MsgQueue::Current();
  return !queue->handling.empty() && queue->handling.back() != nullptr ? TRUE : FALSE;
}

DWORD WINAPI InSendMessageEx(LPVOID reserved) {
  (void)reserved;
  auto queue = MsgQueue::Current();
  if (queue->handling.empty() || queue->handling.back() == nullptr) return ISMEX_NOSEND;
  return queue->handling.back()->sender ? ISMEX_SEND : ISMEX_NOTIFY;
}

BOOL WINAPI ReplyMessage(LRESULT result) {
  auto queue = MsgQueue::Current();
  if (queue->handling.empty() || queue->handling.back() == nullptr) return FALSE;
  return MsgQueue::Complete(queue->handling.back(), result) ? TRUE : FALSE;
}

DWORD WINAPI GetQueueStatus(UINT flags) { return MsgQueue::Current()->Status(flags); }
