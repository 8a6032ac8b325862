#include "commonlib/peer/DAEventCenter.h"

#include <algorithm>
#include <vector>

DAEventCenter::DAEventCenter() : m_timerId(0), m_started(false) {}

DAEventCenter& DAEventCenter::GetInstance() {
  static DAEventCenter instance;
  return instance;
}

bool DAEventCenter::AddListener(DAEventListener* listener) {
  if (std::find(m_listeners.begin(), m_listeners.end(), listener) != m_listeners.end()) {
    return false;
  }
  m_listeners.push_back(listener);
  return true;
}

void DAEventCenter::RemoveListener(DAEventListener* listener) { m_listeners.remove(listener); }

void DAEventCenter::Fire(int32_t event, int32_t type, int32_t code, ProtoValue& payload) {
  // The copy lets listeners change the list meanwhile; one that was removed (and may be
  // gone) during this call is skipped.
  std::vector<DAEventListener*> copy(m_listeners.begin(), m_listeners.end());
  for (DAEventListener* listener : copy) {
    if (std::find(m_listeners.begin(), m_listeners.end(), listener) == m_listeners.end()) continue;
    listener->OnEvent(event, type, code, payload);
  }
}
