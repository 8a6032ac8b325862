#include "commonlib/http/CDnsResolver.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "commonlib/core/DeploymentProfile.h"

namespace {

uint16_t Read16(const unsigned char* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

const size_t kMaxName = 128;
const int kMaxPointerHops = 16;
// Answer record types.
const uint16_t kRecordA = 1;
const uint16_t kRecordCname = 5;

}  // namespace

CDnsResolver::CDnsResolver()
    : m_ready(0), m_started(false), m_socket(INVALID_SOCKET), m_event(WSA_INVALID_EVENT),
      m_buffer(nullptr), m_id(0) {}

CDnsResolver::~CDnsResolver() { Release(); }

namespace {
std::atomic<CDnsResolver::ClockFn> g_clock{nullptr};
}  // namespace

void CDnsResolver::SetClock(ClockFn clock) { g_clock = clock; }

uint32_t CDnsResolver::GetClockMs() {
  if (ClockFn clock = g_clock.load()) return clock();
  static bool initialised = false;
  static uint32_t firstTick = 0;
  static uint64_t firstLocalMs = 0;
  SYSTEMTIME st;
  FILETIME ft;
  GetLocalTime(&st);
  SystemTimeToFileTime(&st, &ft);
  uint64_t localMs = ((static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime) / 10000;
  static std::mutex lock;
  std::lock_guard<std::mutex> guard(lock);
  if (!initialised) {
    initialised = true;
    firstTick = GetTickCount();
    firstLocalMs = localMs;
  }
  return firstTick + static_cast<uint32_t>(localMs - firstLocalMs);
}

bool CDnsResolver::Init() {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return false;
  m_started = true;
  m_socket = socket(AF_INET, SOCK_DGRAM, 0);
  if (m_socket == INVALID_SOCKET) return false;
  m_event = WSACreateEvent();
  if (m_event == WSA_INVALID_EVENT || WSAEventSelect(m_socket, m_event, FD_READ) != 0) return false;
  m_buffer = new unsigned char[kBufferSize];
  m_id = static_cast<uint16_t>(GetCurrentProcessId() & 0xFFFF);
  m_ready = 1;
  return true;
}

void CDnsResolver::Release() {
  m_ready = 0;
  if (m_socket != INVALID_SOCKET) {
    closesocket(m_socket);
    m_socket = INVALID_SOCKET;
  }
  if (m_event != WSA_INVALID_EVENT) {
    WSACloseEvent(m_event);
    m_event = WSA_INVALID_EVENT;
  }
  delete[] m_buffer;
  m_buffer = nullptr;
  // Exactly one cleanup for the one startup.
  if (m_started) {
    WSACleanup();
    m_started = false;
  }
}

size_t CDnsResolver::BuildQuery(const char* host, uint16_t id, unsigned char* buffer, size_t size) {
  size_t hostLength = std::strlen(host);
  // Header, name (at most host length + 2) and type and class must fit.
  if (hostLength > 253 || 12 + hostLength + 2 + 4 > size) return 0;
  std::memset(buffer, 0, size);
  std::memcpy(buffer, &id, 2);  // the machine's own byte order, compared the same way
  buffer[2] = 0x01;             // recursion desired
  buffer[5] = 1;                // one question
  size_t pos = 12;
  const char* piece = host;
  while (*piece) {
    const char* dot = std::strchr(piece, '.');
    size_t len = dot ? static_cast<size_t>(dot - piece) : std::strlen(piece);
    if (len >= 64) return 0;
    if (len > 0) {
      buffer[pos++] = static_cast<unsigned char>(len);
      std::memcpy(buffer + pos, piece, len);
      pos += len;
    }
    if (!dot) break;
    piece = dot + 1;
  }
  buffer[pos++] = 0;
  buffer[pos + 1] = 1;  // type A
  buffer[pos + 3] = 1;  // class IN
  return pos + 4;
}

bool CDnsResolver::DecodeName(const unsigned char* packet, size_t length, size_t& pos,
                              std::string& out, bool allowPointers) {
  out.clear();
  size_t cursor = pos;
  size_t after = 0;  // where the record goes on after the first pointer
  int hops = 0;
  for (;;) {
    if (cursor >= length) return false;
    unsigned len = packet[cursor];
    if (len == 0) {
      if (!after) after = cursor + 1;
      break;
    }
    if (len < 64) {
      if (cursor + 1 + len > length || out.size() + len + 1 > kMaxName) return false;
      out.append(reinterpret_cast<const char*>(packet + cursor + 1), len);
      out.push_back('.');
      cursor += 1 + len;
      continue;
    }
    if (!allowPointers || cursor + 2 > length || ++hops > kMaxPointerHops) return false;
    size_t target = Read16(packet + cursor) & 0x3FFF;
    if (target >= length) return false;
    if (!after) after = cursor + 2;
    cursor = target;
  }
  if (!out.empty()) out.pop_back();
  pos = after;
  return true;
}

bool CDnsResolver::ParseAnswer(const unsigned char* packet, size_t length,
                               std::vector<uint32_t>* addresses, std::vector<std::string>* aliases) {
  if (length < 12) return false;
  unsigned questions = Read16(packet + 4);
  unsigned answers = Read16(packet + 6);
  size_t pos = 12;
  std::string name;
  for (unsigned i = 0; i < questions; ++i) {
    if (!DecodeName(packet, length, pos, name, false) || pos + 4 > length) return false;
    pos += 4;
  }
  for (unsigned i = 0; i < answers; ++i) {
    if (!DecodeName(packet, length, pos, name, true) || pos + 10 > length) return false;
    uint16_t type = Read16(packet + pos);
    size_t dataLength = Read16(packet + pos + 8);
    pos += 10;
    if (pos + dataLength > length) return false;
    if (type == kRecordA) {
      if (dataLength != 4) return false;
      if (addresses) {
        uint32_t a;
        std::memcpy(&a, packet + pos, 4);
        addresses->push_back(a);
      }
    } else if (type == kRecordCname) {
      size_t dataPos = pos;
      std::string alias;
      if (!DecodeName(packet, length, dataPos, alias, true)) return false;
      if (aliases) aliases->push_back(alias);
    }
    pos += dataLength;
  }
  return true;
}

bool CDnsResolver::Query(const char* host, uint32_t serverAddress, std::vector<uint32_t>* addresses,
                         std::vector<std::string>* aliases, uint32_t* elapsedMs,
                         const std::function<bool()>& cancelled) {
  if (!m_ready || !host) return false;
  size_t queryLength = BuildQuery(host, m_id, m_buffer, kBufferSize);
  if (queryLength == 0) return false;
  sockaddr_in server{};
  server.sin_family = AF_INET;
  server.sin_port = htons(DeploymentProfile::DnsPort());
  server.sin_addr.s_addr = serverAddress;
  if (sendto(m_socket, reinterpret_cast<const char*>(m_buffer), queryLength, 0,
             reinterpret_cast<sockaddr*>(&server), sizeof server) == SOCKET_ERROR)
    return false;

  uint32_t start = GetClockMs();
  if (addresses) addresses->clear();
  if (aliases) aliases->clear();
  for (;;) {
    // Short waits, so a stop request is seen quickly.
    DWORD w = WSAWaitForMultipleEvents(1, &m_event, FALSE, 20, FALSE);
    if (w != WSA_WAIT_TIMEOUT) {
      WSANETWORKEVENTS events{};
      if (WSAEnumNetworkEvents(m_socket, m_event, &events) == 0 && (events.lNetworkEvents & FD_READ)) {
        uint32_t received = GetClockMs();
        unsigned char answer[1024];
        sockaddr_in from{};
        int fromLength = sizeof from;
        int n = recvfrom(m_socket, reinterpret_cast<char*>(answer), sizeof answer, 0,
                             reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (n >= 12 && std::memcmp(answer, &m_id, 2) == 0 &&
            (Read16(answer + 2) & 0xFB7F) == 0x8100 && Read16(answer + 6) > 0) {
          bool ok = ParseAnswer(answer, static_cast<size_t>(n), addresses, aliases);
          if (elapsedMs) *elapsedMs = received - start;
          return ok;
        }
      }
    }
    if (GetClockMs() - start > kTimeoutMs || (cancelled && cancelled())) {
      if (elapsedMs) *elapsedMs = kTimeoutMs + 1;
      return false;
    }
  }
}

bool CDnsResolver::Resolve(const char* host, uint32_t serverAddress, std::vector<std::string>& texts,
                           const std::function<bool()>& cancelled) {
  std::vector<uint32_t> addresses;
  uint32_t elapsed = 0;
  if (!Query(host, serverAddress, &addresses, nullptr, &elapsed, cancelled)) return false;
  texts.clear();
  for (uint32_t a : addresses) {
    const unsigned char* b = reinterpret_cast<const unsigned char*>(&a);
    char text[16];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", b[0], b[1], b[2], b[3]);
    texts.push_back(text);
  }
  return true;
}
