#include "commonlib/netdiag/CTraceRouter.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <cstring>

#include "commonlib/netdiag/CPinger.h"
#include "commonlib/http/CDnsResolver.h"
#include "commonlib/util/StringUtils.h"

namespace {
// The receive wait goes in slices of 100 ms, so a stop request is seen quickly.
const int kSliceMs = 100;
const int kReceiveTimeoutMs = 3000;

// The echo identifier and sequence at `icmp` (four bytes that must lie inside the datagram).
bool SameEcho(const unsigned char* icmp, uint16_t id, uint16_t sequence) {
  uint16_t gotId, gotSequence;
  memcpy(&gotId, icmp + 4, 2);
  memcpy(&gotSequence, icmp + 6, 2);
  return gotId == id && gotSequence == htons(sequence);
}
}  // namespace

void CTraceRouter::BuildEchoRequest(unsigned char* packet, uint16_t id, uint16_t sequence) {
  memset(packet, 0x45, kPacketSize);
  packet[0] = 8;
  packet[1] = 0;
  packet[2] = packet[3] = 0;
  memcpy(packet + 4, &id, 2);
  uint16_t networkSequence = htons(sequence);
  memcpy(packet + 6, &networkSequence, 2);
  uint16_t sum = CPinger::Checksum(packet, kPacketSize);
  memcpy(packet + 2, &sum, 2);
}

bool CTraceRouter::MatchReply(const unsigned char* datagram, size_t length, uint16_t id,
                              uint16_t sequence, uint32_t& source) {
  size_t ip = CPinger::IpHeaderLength(datagram, length);
  if (ip == 0 || length < ip + 8) return false;
  const unsigned char* icmp = datagram + ip;
  bool match = false;
  if (icmp[0] == 0) {
    match = SameEcho(icmp, id, sequence);
  } else if (icmp[0] == 11) {
    // The original IP header follows the 8-byte ICMP header, then the original ICMP header.
    size_t innerStart = ip + 8;
    size_t inner = CPinger::IpHeaderLength(datagram + innerStart, length - innerStart);
    match = inner != 0 && length >= innerStart + inner + 8 &&
            SameEcho(datagram + innerStart + inner, id, sequence);
  }
  if (match) memcpy(&source, datagram + 12, 4);
  return match;
}

CTraceRouter::ReceiveResult CTraceRouter::Receive(SOCKET s, WSAEVENT event, uint16_t id,
                                                  uint16_t sequence, uint32_t& source) const {
  // A foreign datagram restarts the wait.
  uint32_t start = CDnsResolver::GetClockMs();
  for (;;) {
    if (Stopped()) return kFailed;
    if (CDnsResolver::GetClockMs() - start >= static_cast<uint32_t>(kReceiveTimeoutMs)) return kTimedOut;
    if (WSAWaitForMultipleEvents(1, &event, FALSE, kSliceMs, FALSE) == WSA_WAIT_TIMEOUT) continue;
    WSANETWORKEVENTS events{};
    if (WSAEnumNetworkEvents(s, event, &events) != 0 || !(events.lNetworkEvents & FD_READ)) continue;
    unsigned char datagram[1024];
    sockaddr_in from{};
    int fromLength = sizeof from;
    int n = recvfrom(s, reinterpret_cast<char*>(datagram), sizeof datagram, 0,
                     reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (n == SOCKET_ERROR) {
      int error = WSAGetLastError();
      if (error == WSAEWOULDBLOCK) continue;
      return error == WSAETIMEDOUT ? kTimedOut : kFailed;
    }
    if (MatchReply(datagram, static_cast<size_t>(n), id, sequence, source)) return kMatched;
    start = CDnsResolver::GetClockMs();
  }
}

bool CTraceRouter::DescribeDestination(const std::wstring& host, std::wstring& text, uint32_t& destination,
                                      std::wstring& destinationText) {
  const std::string narrowHost = StringUtils::WideToAnsi(host);
  destination = inet_addr(narrowHost.c_str());
  destinationText = host;
  if (destination == INADDR_NONE) {
    if (!CPinger::ResolveFirst(narrowHost.c_str(), destination, destinationText)) {
      text += StringUtils::Format(L"无法解析目标系统名称 %s 。", host.c_str());
      return false;
    }
    text += StringUtils::Format(L"通过最多 30 个跃点跟踪到 %s [%s] 的路由。", host.c_str(),
                                destinationText.c_str());
    return true;
  }
  in_addr a;
  a.s_addr = destination;
  destinationText = StringUtils::AnsiToWide(inet_ntoa(a));
  text += StringUtils::Format(L"通过最多 30 个跃点跟踪到 %s 的路由。", destinationText.c_str());
  return true;
}

SOCKET CTraceRouter::OpenProbeSocket(WSAEVENT& event) {
  event = WSA_INVALID_EVENT;
  SOCKET s = WSASocketW(AF_INET, SOCK_RAW, IPPROTO_ICMP, nullptr, 0, WSA_FLAG_OVERLAPPED);
  if (s == INVALID_SOCKET) return s;
  DWORD timeout = kReceiveTimeoutMs;
  if (setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout) != 0 ||
      (event = WSACreateEvent()) == WSA_INVALID_EVENT || WSAEventSelect(s, event, FD_READ) != 0) {
    if (event != WSA_INVALID_EVENT) WSACloseEvent(event);
    event = WSA_INVALID_EVENT;
    closesocket(s);
    return INVALID_SOCKET;
  }
  return s;
}

CTraceRouter::HopResult CTraceRouter::ProbeHop(const Probe& probe, int ttl, std::wstring& text,
                                               std::vector<Hop>& hops) const {
  const uint16_t sequence = static_cast<uint16_t>(ttl - 1);
  unsigned char packet[kPacketSize];
  setsockopt(probe.socket, IPPROTO_IP, IP_TTL, reinterpret_cast<const char*>(&ttl), sizeof ttl);
  BuildEchoRequest(packet, probe.id, sequence);
  const DWORD sendTick = GetTickCount();
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = probe.destination;
  if (sendto(probe.socket, reinterpret_cast<const char*>(packet), kPacketSize, 0,
             reinterpret_cast<sockaddr*>(&to), sizeof to) == SOCKET_ERROR) {
    if (WSAGetLastError() == WSAEHOSTUNREACH)
      text += StringUtils::Format(L"无法访问目标系统名称 %s 。", probe.destinationText.c_str());
    return kHopBroken;
  }
  uint32_t source = 0;
  switch (Receive(probe.socket, probe.event, probe.id, sequence, source)) {
    case kMatched: {
      Hop hop;
      hop.sequence = sequence;
      hop.roundTripMs = GetTickCount() - sendTick;
      hop.address = source;
      hops.push_back(hop);
      in_addr a;
      a.s_addr = source;
      text += StringUtils::Format(L"TTL:%d,TripTime:%d,ip:%s。", ttl, static_cast<int>(hop.roundTripMs),
                                  StringUtils::AnsiToWide(inet_ntoa(a)).c_str());
      return source == probe.destination ? kHopReached : kHopPassed;
    }
    case kTimedOut:
      text += L"超时。";
      return kHopPassed;
    default:
      return kHopBroken;
  }
}

void CTraceRouter::Trace(const std::wstring& host, std::wstring& text, std::vector<Hop>& hops) {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return;
  Probe probe;
  if (!DescribeDestination(host, text, probe.destination, probe.destinationText) ||
      (probe.socket = OpenProbeSocket(probe.event)) == INVALID_SOCKET) {
    WSACleanup();
    return;
  }
  probe.id = static_cast<uint16_t>(GetCurrentProcessId() & 0xFFFF);
  HopResult result = kHopPassed;
  for (int ttl = 1; ttl <= kMaxHops && result == kHopPassed; ++ttl) result = ProbeHop(probe, ttl, text, hops);
  WSACloseEvent(probe.event);
  if (result != kHopBroken) text += L"跟踪完成。";
  closesocket(probe.socket);
  WSACleanup();
}
