#include "commonlib/netdiag/CPinger.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "commonlib/http/CDnsResolver.h"
#include "commonlib/util/CommonUtils.h"
#include "commonlib/util/Pause.h"
#include "commonlib/util/StringUtils.h"

CPinger::CPinger()
    : m_socket(INVALID_SOCKET), m_event(WSA_INVALID_EVENT), m_id(0), m_packet(nullptr),
      m_ready(false), m_started(false), m_sequence(0) {}

CPinger::~CPinger() { Release(); }

void CPinger::Init() {
  if (m_started) return;
  WSADATA data;
  if (WSAStartup(MAKEWORD(1, 1), &data) != 0) {
    printf("WSAStartup() failed: %d\n", WSAGetLastError());
    return;
  }
  m_started = true;
  m_event = WSACreateEvent();
  m_id = static_cast<uint16_t>(GetCurrentProcessId() & 0xFFFF);
  m_socket = WSASocketW(AF_INET, SOCK_RAW, IPPROTO_ICMP, nullptr, 0, 0);
  if (m_socket == INVALID_SOCKET || m_event == WSA_INVALID_EVENT) return;
  if (WSAEventSelect(m_socket, m_event, FD_READ) != 0) return;
  m_packet = new unsigned char[kPacketSize];
  m_ready = true;
}

void CPinger::Release() {
  m_ready = false;
  if (m_socket != INVALID_SOCKET) {
    closesocket(m_socket);
    m_socket = INVALID_SOCKET;
  }
  if (m_event != WSA_INVALID_EVENT) {
    WSACloseEvent(m_event);
    m_event = WSA_INVALID_EVENT;
  }
  delete[] m_packet;
  m_packet = nullptr;
  m_text.clear();
  // One cleanup for the one successful startup.
  if (m_started) {
    WSACleanup();
    m_started = false;
  }
}

uint16_t CPinger::Checksum(const unsigned char* data, size_t length) {
  uint32_t sum = 0;
  size_t i = 0;
  // Words as they lie in memory, so the result can be stored the same way.
  for (; i + 1 < length; i += 2) {
    uint16_t word;
    memcpy(&word, data + i, 2);
    sum += word;
  }
  if (i < length) {
    uint16_t word = 0;
    memcpy(&word, data + i, 1);
    sum += word;
  }
  sum = (sum >> 16) + (sum & 0xFFFF);
  sum += sum >> 16;
  return static_cast<uint16_t>(~sum);
}

void CPinger::BuildEchoRequest(unsigned char* packet, uint16_t id, uint16_t sequence,
                               uint32_t sendTime) {
  memset(packet, 0, kPacketSize);
  packet[0] = 8;
  memcpy(packet + 4, &id, 2);
  memcpy(packet + 6, &sequence, 2);
  memcpy(packet + 8, &sendTime, 4);
  uint16_t sum = Checksum(packet, kPacketSize);
  memcpy(packet + 2, &sum, 2);
}

size_t CPinger::IpHeaderLength(const unsigned char* datagram, size_t length) {
  if (length < 20) return 0;
  size_t headerLength = static_cast<size_t>(datagram[0] & 0x0F) * 4;
  return headerLength >= 20 && headerLength <= length ? headerLength : 0;
}

bool CPinger::ParseEchoReply(const unsigned char* datagram, size_t length, uint16_t id,
                             uint16_t sequence, uint32_t receiveTime, Reply& reply) {
  size_t ip = IpHeaderLength(datagram, length);
  // The ICMP header and the echoed send time must be there.
  if (ip == 0 || length < ip + 12) return false;
  const unsigned char* icmp = datagram + ip;
  uint16_t replyId, replySequence;
  memcpy(&replyId, icmp + 4, 2);
  memcpy(&replySequence, icmp + 6, 2);
  if (icmp[0] != 0 || replyId != id || replySequence != sequence) return false;
  uint32_t sendTime;
  memcpy(&sendTime, icmp + 8, 4);
  reply.sequence = replySequence;
  reply.roundTripMs = receiveTime - sendTime;
  reply.dataBytes = static_cast<uint32_t>(length - ip - 12);
  reply.ttl = datagram[8];
  return true;
}

bool CPinger::ResolveFirst(const char* host, uint32_t& address, std::wstring& addressText) {
  hostent* entry = gethostbyname(host);
  if (!entry || !entry->h_addr_list || !entry->h_addr_list[0]) return false;
  in_addr first;
  memcpy(&first, entry->h_addr_list[0], sizeof first);
  address = first.s_addr;
  addressText = StringUtils::AnsiToWide(inet_ntoa(first));
  return true;
}

bool CPinger::Pause(unsigned ms) const {
  for (unsigned waited = 0; waited < ms; waited += 100) {
    if (Stopped()) return false;
    Pause::For(ms - waited < 100 ? ms - waited : 100);
  }
  return !Stopped();
}

bool CPinger::Probe(uint32_t address, Reply& reply) {
  if (!m_ready) return false;
  const uint32_t sendTime = CDnsResolver::GetClockMs();
  ++m_sequence;
  BuildEchoRequest(m_packet, m_id, m_sequence, sendTime);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = address;
  if (sendto(m_socket, reinterpret_cast<const char*>(m_packet), kPacketSize, 0,
             reinterpret_cast<sockaddr*>(&to), sizeof to) == SOCKET_ERROR)
    return false;
  for (;;) {
    if (WSAWaitForMultipleEvents(1, &m_event, FALSE, 100, FALSE) != WSA_WAIT_TIMEOUT) {
      WSANETWORKEVENTS events{};
      if (WSAEnumNetworkEvents(m_socket, m_event, &events) == 0 && (events.lNetworkEvents & FD_READ)) {
        const uint32_t receiveTime = CDnsResolver::GetClockMs();
        unsigned char datagram[256];
        sockaddr_in from{};
        int fromLength = sizeof from;
        int n = recvfrom(m_socket, reinterpret_cast<char*>(datagram), sizeof datagram, 0,
                         reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (n > 0 && ParseEchoReply(datagram, static_cast<size_t>(n), m_id, m_sequence,
                                    receiveTime, reply))
          return true;
      }
    }
    if (CDnsResolver::GetClockMs() - sendTime >= 2000 || Stopped()) return false;
  }
}

void CPinger::Ping(const char* host, std::wstring& text) {
  if (!host) return;
  m_text.clear();
  m_sequence = 0;
  const std::wstring wideHost = StringUtils::AnsiToWide(host);
  uint32_t address;
  std::wstring addressText;
  if (CommonUtils::IsIpAddress(wideHost)) {
    address = inet_addr(host);
    addressText = wideHost;
    m_text += StringUtils::Format(L"正在ping %s 具有32字节的数据。", wideHost.c_str());
  } else {
    if (!ResolveFirst(host, address, addressText)) {
      m_text += StringUtils::Format(L"Ping 请求找不到主机 %s。", wideHost.c_str());
      text = m_text;
      return;
    }
    m_text += StringUtils::Format(L"正在ping %s [%s] 具有32字节的数据。", wideHost.c_str(),
                                  addressText.c_str());
  }
  for (int i = 0; i < 4; ++i) {
    Reply reply;
    if (Probe(address, reply)) {
      m_text += StringUtils::Format(L"来自 %s 的回复：时间%d TTL。", addressText.c_str(),
                                    static_cast<int>(reply.roundTripMs));
    } else {
      m_text += L"超时。";
    }
    m_replies.push_back(reply);
    if (!Pause(500)) break;
  }
  text = m_text;
}
