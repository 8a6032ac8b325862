// The download engine's synchronous publish-subscribe hub of the main thread. It also keeps
// the engine timer's id and the engine's started flag for the entry points.
#pragma once

#include <cstdint>
#include <list>

#include "commonlib/peer/DAEventListener.h"
#include "commonlib/core/ProtoValue.h"

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

  // The engine's start and stop: whether it runs, and its timer.
  bool IsEngineStarted() const { return m_started; }
  uint32_t EngineTimer() const { return m_timerId; }
  void EngineStarted(uint32_t timerId) {
    m_timerId = timerId;
    m_started = true;
  }
  // Returns the engine timer to kill.
  uint32_t EngineStopped() {
    uint32_t id = m_timerId;
    m_timerId = 0;
    m_started = false;
    return id;
  }

 private:
  DAEventCenter();
  uint32_t m_timerId;
  bool m_started;
  std::list<DAEventListener*> m_listeners;
};
