// Winsock start-up, errors, socket creation and the bridges for arguments that differ from
// the host's BSD calls.
#include <fcntl.h>
#include <netdb.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <vector>
#include <cerrno>
#include <cstring>

#include "platform/src/net/WinsockError.h"
#include <errhandlingapi.h>
#include "platform/src/internal/errors.h"
#include <winsock2.h>

// This file calls the host's functions themselves.
#undef setsockopt
#undef recvfrom
#undef recv
#undef gethostbyname

namespace {

std::atomic<int> g_startups{0};

// errno holds this while the thread's last Winsock error was set by the layer itself rather
// than by a failed host call; any later failing host call overwrites it.
constexpr int kLayerErrno = 0x57534100;
thread_local int t_layerError = 0;

bool IsBlocking(int s) {
  int flags = fcntl(s, F_GETFL);
  return flags >= 0 && !(flags & O_NONBLOCK);
}

bool IsDatagram(int s) {
  int type = 0;
  socklen_t len = sizeof type;
  return getsockopt(s, SOL_SOCKET, SO_TYPE, &type, &len) == 0 && (type == SOCK_DGRAM || type == SOCK_RAW);
}

// A datagram longer than the buffer fails on Windows (WSAEMSGSIZE) instead of arriving cut.
ssize_t ReceiveResult(int s, ssize_t n, size_t len, int flags, bool datagram) {
  if (n < 0) {
    // A blocking socket whose receive time-out ran out.
    if ((errno == EAGAIN || errno == EWOULDBLOCK) && !(flags & MSG_DONTWAIT) && IsBlocking(s)) errno = ETIMEDOUT;
    return -1;
  }
  if (datagram && static_cast<size_t>(n) > len) {
    errno = EMSGSIZE;
    return -1;
  }
  return n;
}

}  // namespace

namespace jf {

void SetWsaError(int code, const char* function) {
  t_layerError = code;
  errno = kLayerErrno;
  SetFailure(kTraceNet, function, static_cast<DWORD>(code));
}

int WsaFromErrno(int err) {
  switch (err) {
    case 0: return 0;
    case EINTR: return WSAEINTR;
    case EBADF: return WSAENOTSOCK;
    case EACCES:
    case EPERM: return WSAEACCES;
    case EFAULT: return WSAEFAULT;
    case EINVAL: return WSAEINVAL;
    case EMFILE:
    case ENFILE: return WSAEMFILE;
    case EAGAIN: return WSAEWOULDBLOCK;
    case EINPROGRESS: return WSAEWOULDBLOCK;  // a non-blocking connect under way
    case EALREADY: return WSAEALREADY;
    case ENOTSOCK: return WSAENOTSOCK;
    case EDESTADDRREQ: return WSAEDESTADDRREQ;
    case EMSGSIZE: return WSAEMSGSIZE;
    case EPROTOTYPE: return WSAEPROTOTYPE;
    case ENOPROTOOPT: return WSAENOPROTOOPT;
    case EPROTONOSUPPORT: return WSAEPROTONOSUPPORT;
    case ESOCKTNOSUPPORT: return WSAESOCKTNOSUPPORT;
    case EOPNOTSUPP: return WSAEOPNOTSUPP;
    case EPFNOSUPPORT: return WSAEPFNOSUPPORT;
    case EAFNOSUPPORT: return WSAEAFNOSUPPORT;
    case EADDRINUSE: return WSAEADDRINUSE;
    case EADDRNOTAVAIL: return WSAEADDRNOTAVAIL;
    case ENETDOWN: return WSAENETDOWN;
    case ENETUNREACH: return WSAENETUNREACH;
    case ENETRESET: return WSAENETRESET;
    case ECONNABORTED: return WSAECONNABORTED;
    case ECONNRESET:
    case EPIPE: return WSAECONNRESET;
    case ENOBUFS:
    case ENOMEM: return WSAENOBUFS;
    case EISCONN: return WSAEISCONN;
    case ENOTCONN: return WSAENOTCONN;
    case ESHUTDOWN: return WSAESHUTDOWN;
    case ETOOMANYREFS: return WSAETOOMANYREFS;
    case ETIMEDOUT: return WSAETIMEDOUT;
    case ECONNREFUSED: return WSAECONNREFUSED;
    case ELOOP: return WSAELOOP;
    case ENAMETOOLONG: return WSAENAMETOOLONG;
    case EHOSTDOWN: return WSAEHOSTDOWN;
    case EHOSTUNREACH: return WSAEHOSTUNREACH;
    case ENOTEMPTY: return WSAENOTEMPTY;
    case EDQUOT: return WSAEDQUOT;
    case ESTALE: return WSAESTALE;
    case EREMOTE: return WSAEREMOTE;
    default: return static_cast<int>(Win32FromErrno(err));
  }
}

}  // namespace jf

int WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData) {
  BYTE major = LOBYTE(wVersionRequested);
  BYTE minor = HIBYTE(wVersionRequested);
  if (major < 1 || (major == 1 && minor < 1)) return WSAVERNOTSUPPORTED;
  if (!lpWSAData) return WSAEFAULT;
  std::memset(lpWSAData, 0, sizeof(WSADATA));
  lpWSAData->wVersion = (major > 2 || (major == 2 && minor > 2)) ? MAKEWORD(2, 2) : wVersionRequested;
  lpWSAData->wHighVersion = MAKEWORD(2, 2);
  std::strcpy(lpWSAData->szDescription, "WinSock 2.0");
  std::strcpy(lpWSAData->szSystemStatus, "Running");
  ++g_startups;
  return 0;
}

int WSACleanup() {
  int n = g_startups.load();
  while (n > 0 && !g_startups.compare_exchange_weak(n, n - 1)) {
  }
  if (n <= 0) {
    JF_SET_WSA_ERROR(WSANOTINITIALISED);
    return SOCKET_ERROR;
  }
  return 0;
}

int WSAGetLastError() { return errno == kLayerErrno ? t_layerError : jf::WsaFromErrno(errno); }

void WSASetLastError(int iError) { jf::SetWsaError(iError, __func__); }

int ioctlsocket(SOCKET s, long cmd, u_long* argp) {
  if (!argp) {
    JF_SET_WSA_ERROR(WSAEFAULT);
    return SOCKET_ERROR;
  }
  if (cmd == static_cast<long>(FIONBIO)) {
    int flags = fcntl(s, F_GETFL);
    if (flags < 0) return SOCKET_ERROR;
    flags = *argp ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
    return fcntl(s, F_SETFL, flags) == 0 ? 0 : SOCKET_ERROR;
  }
  if (cmd == static_cast<long>(FIONREAD)) {
    int bytes = 0;
    if (ioctl(s, FIONREAD, &bytes) != 0) return SOCKET_ERROR;
    *argp = static_cast<u_long>(bytes);
    return 0;
  }
  JF_SET_WSA_ERROR(WSAEINVAL);
  return SOCKET_ERROR;
}

SOCKET WSASocketW(int af, int type, int protocol, LPWSAPROTOCOL_INFOW lpProtocolInfo, GROUP g, DWORD /*dwFlags*/) {
  if (g_startups.load() <= 0) {
    JF_SET_WSA_ERROR(WSANOTINITIALISED);
    return INVALID_SOCKET;
  }
  if (lpProtocolInfo || g != 0) {
    JF_SET_WSA_ERROR(WSAEINVAL);
    return INVALID_SOCKET;
  }
  // Windows sockets are not inherited by programs we start unless asked for.
  return socket(af, type | SOCK_CLOEXEC, protocol);
}

int jf_setsockopt(int s, int level, int optname, const void* optval, socklen_t optlen) {
  if (level == SOL_SOCKET && (optname == SO_RCVTIMEO || optname == SO_SNDTIMEO) && optval &&
      optlen == sizeof(DWORD)) {
    DWORD ms;
    std::memcpy(&ms, optval, sizeof ms);
    timeval tv;
    tv.tv_sec = static_cast<time_t>(ms / 1000);
    tv.tv_usec = static_cast<suseconds_t>((ms % 1000) * 1000);
    return setsockopt(s, level, optname, &tv, sizeof tv);
  }
  return setsockopt(s, level, optname, optval, optlen);
}

ssize_t jf_recvfrom_host(int s, void* buf, size_t len, int flags, struct sockaddr* from, socklen_t* fromlen) {
  bool datagram = IsDatagram(s);
  ssize_t n = recvfrom(s, buf, len, flags | (datagram ? MSG_TRUNC : 0), from, fromlen);
  return ReceiveResult(s, n, len, flags, datagram);
}

ssize_t jf_recv(int s, void* buf, size_t len, int flags) {
  bool datagram = IsDatagram(s);
  ssize_t n = recv(s, buf, len, flags | (datagram ? MSG_TRUNC : 0));
  return ReceiveResult(s, n, len, flags, datagram);
}

struct hostent* jf_gethostbyname(const char* name) {
  thread_local hostent entry;
  thread_local std::vector<char> storage(1024);
  if (!name) {
    JF_SET_WSA_ERROR(WSAEFAULT);
    return nullptr;
  }
  hostent* result = nullptr;
  int herr = 0;
  int rc;
  while ((rc = gethostbyname_r(name, &entry, storage.data(), storage.size(), &result, &herr)) == ERANGE &&
         storage.size() < (1u << 20))
    storage.resize(storage.size() * 2);
  if (rc == 0 && result) return result;
  switch (herr) {
    case HOST_NOT_FOUND: JF_SET_WSA_ERROR(WSAHOST_NOT_FOUND); break;
    case TRY_AGAIN: JF_SET_WSA_ERROR(WSATRY_AGAIN); break;
    case NO_RECOVERY: JF_SET_WSA_ERROR(WSANO_RECOVERY); break;
    default: JF_SET_WSA_ERROR(WSANO_DATA); break;
  }
  return nullptr;
}
