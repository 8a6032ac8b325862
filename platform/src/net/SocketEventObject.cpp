#include "platform/src/net/SocketEventObject.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/src/net/WinsockError.h"
#include <errhandlingapi.h>
#include <winsock2.h>

namespace jf {
namespace {

std::mutex& OwnersMutex() {
  static std::mutex* mutex = new std::mutex;
  return *mutex;
}

// Socket -> the event it is selected on. A socket belongs to one event at a time.
std::map<int, std::weak_ptr<SocketEventObject>>& Owners() {
  static auto* owners = new std::map<int, std::weak_ptr<SocketEventObject>>;
  return *owners;
}

bool IsListening(int socket) {
  int listening = 0;
  socklen_t len = sizeof listening;
  return getsockopt(socket, SOL_SOCKET, SO_ACCEPTCONN, &listening, &len) == 0 && listening;
}

int PendingError(int socket) {
  int err = 0;
  socklen_t len = sizeof err;
  if (getsockopt(socket, SOL_SOCKET, SO_ERROR, &err, &len) != 0) return 0;
  return err ? WsaFromErrno(err) : 0;
}

}  // namespace

SocketEventObject::SocketEventObject() { wakefd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK); }

SocketEventObject::~SocketEventObject() {
  if (wakefd_ >= 0) close(wakefd_);
}

void SocketEventObject::Set() {
  std::lock_guard<std::mutex> lock(mutex_);
  flag_ = true;
  uint64_t one = 1;
  if (wakefd_ >= 0) (void)!write(wakefd_, &one, sizeof one);
}

void SocketEventObject::Reset() {
  std::lock_guard<std::mutex> lock(mutex_);
  flag_ = false;
  uint64_t value;
  if (wakefd_ >= 0) (void)!read(wakefd_, &value, sizeof value);
}

void SocketEventObject::Select(int socket, long events) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (events == 0) sockets_.erase(socket);
  else sockets_[socket] = Selection{events, true, false};
}

void SocketEventObject::Forget(int socket) {
  std::lock_guard<std::mutex> lock(mutex_);
  sockets_.erase(socket);
}

long SocketEventObject::ReadyEvents(int socket, const Selection& selection, int errors[]) {
  pollfd fd{socket, static_cast<short>(POLLIN | POLLRDHUP | (selection.writeArmed ? POLLOUT : 0)), 0};
  if (poll(&fd, 1, 0) <= 0) return 0;
  long ready = 0;
  const long want = selection.events;
  if (fd.revents & POLLIN) {
    if ((want & FD_ACCEPT) && IsListening(socket)) ready |= FD_ACCEPT;
    else if (want & FD_READ) ready |= FD_READ;
  }
  if ((fd.revents & (POLLOUT | POLLERR)) && selection.writeArmed) ready |= want & (FD_WRITE | FD_CONNECT);
  if ((fd.revents & (POLLRDHUP | POLLHUP)) && (want & FD_CLOSE) && !selection.closeReported) ready |= FD_CLOSE;
  if (errors && (fd.revents & POLLERR)) {
    int err = PendingError(socket);
    if (ready & FD_CONNECT) errors[FD_CONNECT_BIT] = err;
    if (ready & FD_CLOSE) errors[FD_CLOSE_BIT] = err;
  }
  return ready;
}

long SocketEventObject::TakeEvents(int socket, int errors[]) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = sockets_.find(socket);
  if (it == sockets_.end()) return 0;
  long ready = ReadyEvents(socket, it->second, errors);
  if (ready & (FD_WRITE | FD_CONNECT)) it->second.writeArmed = false;
  if (ready & FD_CLOSE) it->second.closeReported = true;
  return ready;
}

bool SocketEventObject::Ready() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (flag_) return true;
  for (auto& entry : sockets_)
    if (ReadyEvents(entry.first, entry.second, nullptr)) return true;
  return false;
}

void SocketEventObject::AddPollFds(std::vector<pollfd>& fds) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (wakefd_ >= 0) fds.push_back(pollfd{wakefd_, POLLIN, 0});
  for (auto& entry : sockets_) {
    short events = POLLIN | POLLRDHUP;
    if (entry.second.writeArmed) events |= POLLOUT;
    fds.push_back(pollfd{entry.first, events, 0});
  }
}

std::shared_ptr<SocketEventObject> SocketEventObject::EventOf(int socket) {
  std::lock_guard<std::mutex> lock(OwnersMutex());
  auto it = Owners().find(socket);
  return it == Owners().end() ? nullptr : it->second.lock();
}

void SocketEventObject::Attach(int socket, const std::shared_ptr<SocketEventObject>& event, long events) {
  event->Select(socket, events);
  std::lock_guard<std::mutex> lock(OwnersMutex());
  Owners()[socket] = event;
}

void SocketEventObject::ForgetSocket(int socket) {
  std::shared_ptr<SocketEventObject> owner;
  {
    std::lock_guard<std::mutex> lock(OwnersMutex());
    auto it = Owners().find(socket);
    if (it == Owners().end()) return;
    owner = it->second.lock();
    Owners().erase(it);
  }
  if (owner) owner->Forget(socket);
}

}  // namespace jf

namespace {

std::shared_ptr<jf::SocketEventObject> EventFromHandle(WSAEVENT event) {
  std::shared_ptr<jf::SocketEventObject> object = jf::LookupHandleAs<jf::SocketEventObject>(event);
  if (!object) JF_SET_WSA_ERROR(WSA_INVALID_HANDLE);
  return object;
}

}  // namespace

WSAEVENT WSACreateEvent() { return jf::RegisterHandle(std::make_shared<jf::SocketEventObject>()); }

BOOL WSACloseEvent(WSAEVENT hEvent) {
  if (!EventFromHandle(hEvent)) return FALSE;
  return CloseHandle(hEvent);
}

BOOL WSASetEvent(WSAEVENT hEvent) {
  std::shared_ptr<jf::SocketEventObject> event = EventFromHandle(hEvent);
  if (!event) return FALSE;
  event->Set();
  jf::SignalStateChanged(event->Waiters());  // also wakes WaitForSingleObject on the event
  return TRUE;
}

BOOL WSAResetEvent(WSAEVENT hEvent) {
  std::shared_ptr<jf::SocketEventObject> event = EventFromHandle(hEvent);
  if (!event) return FALSE;
  event->Reset();
  return TRUE;
}

int WSAEventSelect(SOCKET s, WSAEVENT hEventObject, long lNetworkEvents) {
  int type = 0;
  socklen_t len = sizeof type;
  if (getsockopt(s, SOL_SOCKET, SO_TYPE, &type, &len) != 0) {
    JF_SET_WSA_ERROR(WSAENOTSOCK);
    return SOCKET_ERROR;
  }
  std::shared_ptr<jf::SocketEventObject> event;
  if (lNetworkEvents != 0) {
    event = EventFromHandle(hEventObject);
    if (!event) return SOCKET_ERROR;
  }
  jf::SocketEventObject::ForgetSocket(s);
  if (!event) return 0;
  int flags = fcntl(s, F_GETFL);
  if (flags >= 0) fcntl(s, F_SETFL, flags | O_NONBLOCK);
  jf::SocketEventObject::Attach(s, event, lNetworkEvents);
  jf::SignalStateChanged(event->Waiters());  // a wait on the event now watches the socket too
  return 0;
}

DWORD WSAWaitForMultipleEvents(DWORD cEvents, const WSAEVENT* lphEvents, BOOL fWaitAll, DWORD dwTimeout,
                               BOOL /*fAlertable*/) {
  if (cEvents == 0 || cEvents > WSA_MAXIMUM_WAIT_EVENTS || !lphEvents) {
    JF_SET_WSA_ERROR(WSA_INVALID_PARAMETER);
    return WSA_WAIT_FAILED;
  }
  std::vector<std::shared_ptr<jf::SocketEventObject>> events;
  for (DWORD i = 0; i < cEvents; ++i) {
    events.push_back(EventFromHandle(lphEvents[i]));
    if (!events.back()) return WSA_WAIT_FAILED;
  }
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(dwTimeout);
  for (;;) {
    std::vector<pollfd> fds;
    DWORD firstReady = cEvents;
    bool allReady = true;
    for (DWORD i = 0; i < cEvents; ++i) {
      if (events[i]->Ready()) {
        if (firstReady == cEvents) firstReady = i;
      } else {
        allReady = false;
        events[i]->AddPollFds(fds);
      }
    }
    if (fWaitAll ? allReady : firstReady < cEvents) return WSA_WAIT_EVENT_0 + (fWaitAll ? 0 : firstReady);
    int wait = -1;
    if (dwTimeout != WSA_INFINITE) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) return WSA_WAIT_TIMEOUT;
      wait = static_cast<int>(std::min<long long>(left, 1000));
    } else {
      wait = 1000;
    }
    // Wake at least every second: an event set while this thread polls other descriptors,
    // or a socket selected meanwhile, is noticed on the next round.
    if (poll(fds.data(), fds.size(), wait) < 0 && errno != EINTR) {
      JF_SET_WSA_ERROR(jf::WsaFromErrno(errno));
      return WSA_WAIT_FAILED;
    }
  }
}

int WSAEnumNetworkEvents(SOCKET s, WSAEVENT hEventObject, LPWSANETWORKEVENTS lpNetworkEvents) {
  if (!lpNetworkEvents) {
    JF_SET_WSA_ERROR(WSAEFAULT);
    return SOCKET_ERROR;
  }
  std::memset(lpNetworkEvents, 0, sizeof(WSANETWORKEVENTS));
  std::shared_ptr<jf::SocketEventObject> reset;
  if (hEventObject) {
    reset = EventFromHandle(hEventObject);
    if (!reset) return SOCKET_ERROR;
  }
  int type = 0;
  socklen_t len = sizeof type;
  if (getsockopt(s, SOL_SOCKET, SO_TYPE, &type, &len) != 0) {
    JF_SET_WSA_ERROR(WSAENOTSOCK);
    return SOCKET_ERROR;
  }
  if (std::shared_ptr<jf::SocketEventObject> owner = jf::SocketEventObject::EventOf(s))
    lpNetworkEvents->lNetworkEvents = owner->TakeEvents(s, lpNetworkEvents->iErrorCode);
  if (reset) reset->Reset();
  return 0;
}

int closesocket(SOCKET s) {
  jf::SocketEventObject::ForgetSocket(s);
  if (close(s) != 0) {
    JF_SET_WSA_ERROR(errno == EBADF ? WSAENOTSOCK : jf::WsaFromErrno(errno));
    return SOCKET_ERROR;
  }
  return 0;
}
