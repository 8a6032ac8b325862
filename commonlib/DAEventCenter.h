// The download engine's synchronous publish-subscribe hub of the main thread. It also keeps
// the engine timer's id and the engine's started flag for the entry points.
#pragma once

#include <cstdint>
#include <list>

#include "DAEventListener.h"
#include "core/ProtoValue.h"

class DAEventCenter {
 public:
  static DAEventCenter& GetInstance();

  // Appends the listener; false when it is already registered.
  bool AddListener(DAEventListener* listener);
  void RemoveListener(DAEventListener* listener);
  // Calls every listener registered when the call began, in order; listeners may add or
  // remove listeners meanwhile. One removed during the call is not called any more.
  void Fire(int32_t event, int32_t type, int32_t code, ProtoValue& payload);
  size_t GetListenerCount() const { return m_listeners.size(); }

  uint32_t m_timerId;
  bool m_started;

 private:
  DAEventCenter();
  std::list<DAEventListener*> m_listeners;
};
