// One A-record query of one host to one name server over UDP, with its own packet builder
// and a bounded parser of the answer.
#pragma once

#include <winsock2.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CDnsResolver {
 public:
  CDnsResolver();
  ~CDnsResolver();
  CDnsResolver(const CDnsResolver&) = delete;
  CDnsResolver& operator=(const CDnsResolver&) = delete;

  bool Init();
  void Release();
  // serverAddress in network order (as inet_addr gives). `cancelled`, when set, is polled
  // while waiting and ends the query early.
  bool Query(const char* host, uint32_t serverAddress, std::vector<uint32_t>* addresses,
             std::vector<std::string>* aliases, uint32_t* elapsedMs,
             const std::function<bool()>& cancelled = nullptr);
  // Replaces `texts` by one dotted text per A record on success; leaves it alone otherwise.
  bool Resolve(const char* host, uint32_t serverAddress, std::vector<std::string>& texts,
               const std::function<bool()>& cancelled = nullptr);

  // Milliseconds: the tick count at first use plus the local time elapsed since.
  static uint32_t GetClockMs();
  // Replaces that clock (the probes' time-outs and round trips follow it); null restores it.
  typedef uint32_t (*ClockFn)();
  static void SetClock(ClockFn clock);
  // Header, question and name; the datagram length, 0 when the host does not fit.
  static size_t BuildQuery(const char* host, uint16_t id, unsigned char* buffer, size_t size);
  // Walks an accepted answer; every read is checked against `length`.
  static bool ParseAnswer(const unsigned char* packet, size_t length,
                          std::vector<uint32_t>* addresses, std::vector<std::string>* aliases);
  // Decodes the name at `pos` and moves `pos` behind it (behind the first pointer).
  static bool DecodeName(const unsigned char* packet, size_t length, size_t& pos,
                         std::string& out, bool allowPointers);

  static const size_t kBufferSize = 271;
  static const uint32_t kTimeoutMs = 1500;

 private:
  int m_ready;
  bool m_started;
  SOCKET m_socket;
  WSAEVENT m_event;
  unsigned char* m_buffer;
  uint16_t m_id;
};
