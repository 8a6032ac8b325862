// Traces the route to a host hop by hop (up to 30) with ICMP echo requests of growing TTL
// and describes what answered as a Chinese text.
#pragma once

#include <winsock2.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CTraceRouter {
 public:
  struct Hop {
    uint16_t sequence = 0;
    uint32_t roundTripMs = 0;
    uint32_t address = 0;  // network order
  };

  // Appends to `text` and `hops`; the host is a dotted address or a name.
  void Trace(const std::wstring& host, std::wstring& text, std::vector<Hop>& hops);
  // Polled while waiting; a set stop ends the trace early (without the closing line).
  void SetStopCheck(const std::function<bool()>& stop) { m_stop = stop; }

  // The 40-byte echo request: identifier in the machine's order, sequence in network order,
  // then 32 bytes of 0x45.
  static void BuildEchoRequest(unsigned char* packet, uint16_t id, uint16_t sequence);
  // An echo reply or a time-exceeded message that carries our request back; the responder's
  // address (network order) comes out. Every read stays inside `length`.
  static bool MatchReply(const unsigned char* datagram, size_t length, uint16_t id,
                         uint16_t sequence, uint32_t& source);

  static const size_t kPacketSize = 40;
  static const int kMaxHops = 30;

 private:
  enum ReceiveResult { kMatched, kTimedOut, kFailed };
  // One hop: answered or timed out (go on), the destination answered, or the trace broke.
  enum HopResult { kHopPassed, kHopReached, kHopBroken };
  // The socket of one trace and where it goes.
  struct Probe {
    SOCKET socket = INVALID_SOCKET;
    WSAEVENT event = WSA_INVALID_EVENT;
    uint16_t id = 0;
    uint32_t destination = 0;  // network order
    std::wstring destinationText;
  };

  // Resolves the host and writes the opening line; false (with its line) when it cannot.
  static bool DescribeDestination(const std::wstring& host, std::wstring& text, uint32_t& destination,
                                  std::wstring& destinationText);
  // A raw ICMP socket that signals `event` when a datagram arrives; INVALID_SOCKET on failure.
  static SOCKET OpenProbeSocket(WSAEVENT& event);
  HopResult ProbeHop(const Probe& probe, int ttl, std::wstring& text, std::vector<Hop>& hops) const;

  bool Stopped() const { return m_stop && m_stop(); }
  // Waits up to 3000 ms for our request to come back (as a reply or a time-exceeded).
  ReceiveResult Receive(SOCKET s, WSAEVENT event, uint16_t id, uint16_t sequence,
                        uint32_t& source) const;

  std::function<bool()> m_stop;
};
