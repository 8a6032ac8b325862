// A TCP port that stays closed for as long as this object lives: a socket is bound to it on
// every local address but never listens, so connections to it are refused and no other
// server (of this or another test process) can be given the same port meanwhile. A port
// learnt from a stopped server gives no such promise under parallel test runs.
#pragma once

#include <cstdint>

class ReservedPort {
 public:
  ReservedPort();
  ~ReservedPort();
  ReservedPort(const ReservedPort&) = delete;
  ReservedPort& operator=(const ReservedPort&) = delete;

  // 0 when no port could be reserved.
  uint16_t Port() const { return m_port; }

 private:
  int m_fd = -1;
  uint16_t m_port = 0;
};
