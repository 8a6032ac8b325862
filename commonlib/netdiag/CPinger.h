// Pings a host with four ICMP echo requests over a raw socket and describes the replies
// as a Chinese text, as the diagnosis probes report it.
#pragma once

#include <winsock2.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CPinger {
 public:
  struct Reply {
    uint16_t sequence = 0;
    uint32_t roundTripMs = 0;
    uint32_t dataBytes = 0;
    uint8_t ttl = 0;
  };

  CPinger();
  ~CPinger();
  CPinger(const CPinger&) = delete;
  CPinger& operator=(const CPinger&) = delete;

  void Init();
  void Release();
  bool IsReady() const { return m_ready; }
  // Four probes of the host (a dotted address or a name); nothing for a null host.
  void Ping(const char* host, std::wstring& text);
  // One echo request to an address (network order) and its reply.
  bool Probe(uint32_t address, Reply& reply);
  const std::vector<Reply>& Replies() const { return m_replies; }
  // Polled while waiting; a set stop ends the run early.
  void SetStopCheck(const std::function<bool()>& stop) { m_stop = stop; }

  // The ones'-complement sum of the 16-bit words (a last odd byte padded), inverted.
  static uint16_t Checksum(const unsigned char* data, size_t length);
  // The 44-byte echo request: identifier and sequence in the machine's order, the send
  // time at byte 8.
  static void BuildEchoRequest(unsigned char* packet, uint16_t id, uint16_t sequence,
                               uint32_t sendTime);
  // An echo reply (IP header first) to our identifier and sequence; every read stays
  // inside `length`.
  static bool ParseEchoReply(const unsigned char* datagram, size_t length, uint16_t id,
                             uint16_t sequence, uint32_t receiveTime, Reply& reply);
  // The IP header length of a datagram, 0 unless it is at least 20 bytes and fits.
  static size_t IpHeaderLength(const unsigned char* datagram, size_t length);

  // The first IPv4 address of a host name (network order) and its dotted text.
  static bool ResolveFirst(const char* host, uint32_t& address, std::wstring& addressText);

  static const size_t kPacketSize = 44;

 private:
  bool Stopped() const { return m_stop && m_stop(); }
  // Sleeps in short slices; false when a stop came.
  bool Pause(unsigned ms) const;

  SOCKET m_socket;
  WSAEVENT m_event;
  uint16_t m_id;
  unsigned char* m_packet;
  bool m_ready;
  bool m_started;
  uint16_t m_sequence;
  std::wstring m_text;
  std::vector<Reply> m_replies;
  std::function<bool()> m_stop;
};
