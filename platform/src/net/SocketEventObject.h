// The event object of WSACreateEvent: a manual-reset flag plus the sockets selected on it.
// Readiness comes from poll(): the event counts as signalled while the flag is set or one of
// its sockets has a chosen network event ready.
#pragma once
#include <poll.h>

#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/src/internal/handles.h"

namespace jf {

class SocketEventObject : public KernelObject {
 public:
  SocketEventObject();
  ~SocketEventObject() override;
  SocketEventObject(const SocketEventObject&) = delete;
  SocketEventObject& operator=(const SocketEventObject&) = delete;

  bool IsSignaled() override { return Ready(); }

  void Set();
  void Reset();
  // Ties a socket to this event for the given FD_* events (0 unties it).
  void Select(int socket, long events);
  void Forget(int socket);
  // The selected network events of `socket` that are ready now; FD_WRITE and FD_CONNECT are
  // reported once per selection, FD_CLOSE once.
  long TakeEvents(int socket, int errors[]);
  bool Ready();
  // Descriptors to poll while waiting for this event: the wake-up descriptor, then sockets.
  void AddPollFds(std::vector<pollfd>& fds) override;

  // The event a socket is selected on (closesocket unties it).
  static std::shared_ptr<SocketEventObject> EventOf(int socket);
  static void ForgetSocket(int socket);
  // Selects `socket` on `event` for `events` (after ForgetSocket took it off any other).
  static void Attach(int socket, const std::shared_ptr<SocketEventObject>& event, long events);

 private:
  struct Selection {
    long events;
    bool writeArmed;
    bool closeReported;
  };
  long ReadyEvents(int socket, const Selection& selection, int errors[]);

  std::mutex mutex_;
  bool flag_ = false;
  int wakefd_ = -1;
  std::map<int, Selection> sockets_;
};

}  // namespace jf
