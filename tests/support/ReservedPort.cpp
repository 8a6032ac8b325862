#include "tests/support/ReservedPort.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

ReservedPort::ReservedPort() {
  // IPv6 without "v6 only" holds the port for IPv4 and IPv6 at once; without IPv6 the IPv4
  // wildcard still covers 127.0.0.1 and every other loopback address.
  m_fd = ::socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (m_fd >= 0) {
    int off = 0;
    ::setsockopt(m_fd, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off);
    sockaddr_in6 a{};
    a.sin6_family = AF_INET6;
    a.sin6_addr = in6addr_any;
    socklen_t len = sizeof a;
    if (::bind(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&a), &len) == 0) {
      m_port = ntohs(a.sin6_port);
      return;
    }
    ::close(m_fd);
  }
  m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (m_fd < 0) return;
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_ANY);
  socklen_t len = sizeof a;
  if (::bind(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&a), &len) == 0) {
    m_port = ntohs(a.sin_port);
    return;
  }
  ::close(m_fd);
  m_fd = -1;
}

ReservedPort::~ReservedPort() {
  if (m_fd >= 0) ::close(m_fd);
}
