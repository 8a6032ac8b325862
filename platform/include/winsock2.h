// Winsock over the host's BSD sockets.
//
// The BSD calls (socket, bind, sendto, recvfrom, select, getaddrinfo, inet_addr, inet_ntoa,
// gethostbyname, ...) and fd_set are the host's. Where a Windows argument or result
// differs, this header bridges it:
// - SOCKET is the host's descriptor (int); INVALID_SOCKET is -1, SOCKET_ERROR -1. Close a
//   socket with closesocket.
// - setsockopt with SO_RCVTIMEO / SO_SNDTIMEO takes a DWORD of milliseconds, as on Windows
//   (converted to the host's struct timeval); a struct timeval is still accepted.
// - recv/recvfrom on a blocking socket whose receive time-out ran out fail with
//   WSAETIMEDOUT (the host says EAGAIN); a datagram longer than the buffer fails with
//   WSAEMSGSIZE (the host cuts it silently). recvfrom takes an int* or a socklen_t* length.
// - WSAGetLastError maps the host's errno of the last failed socket call to the WSA number.
// - WSAEventSelect makes the socket non-blocking, as on Windows.
// - gethostbyname answers in storage of the calling thread, as on Windows (the host's uses
//   one buffer for the whole process); a failure sets WSAHOST_NOT_FOUND, WSATRY_AGAIN,
//   WSANO_RECOVERY or WSANO_DATA.
// These bridges are macros that are active only in code that includes this header.
#pragma once
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <netinet/ip_icmp.h>
#include <sys/ioctl.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/types.h>
#include <unistd.h>

#include <type_traits>

#include "windows.h"

typedef int SOCKET;
#define INVALID_SOCKET (-1)
#define SOCKET_ERROR (-1)

typedef struct sockaddr SOCKADDR, *PSOCKADDR, *LPSOCKADDR;
typedef struct sockaddr_in SOCKADDR_IN, *PSOCKADDR_IN, *LPSOCKADDR_IN;
typedef struct sockaddr_in6 SOCKADDR_IN6, *PSOCKADDR_IN6;
typedef struct sockaddr_storage SOCKADDR_STORAGE;
typedef struct in_addr IN_ADDR, *PIN_ADDR;
typedef struct hostent HOSTENT, *PHOSTENT, *LPHOSTENT;
typedef struct timeval TIMEVAL;
typedef USHORT ADDRESS_FAMILY;

#ifndef INADDR_NONE
#define INADDR_NONE 0xffffffff
#endif

#define WSADESCRIPTION_LEN 256
#define WSASYS_STATUS_LEN 128

typedef struct WSAData {
  WORD wVersion;
  WORD wHighVersion;
  unsigned short iMaxSockets;
  unsigned short iMaxUdpDg;
  char* lpVendorInfo;
  char szDescription[WSADESCRIPTION_LEN + 1];
  char szSystemStatus[WSASYS_STATUS_LEN + 1];
} WSADATA, *LPWSADATA;

// Winsock error numbers (WSAGetLastError).
#define WSABASEERR 10000
#define WSAEINTR 10004L
#define WSAEBADF 10009L
#define WSAEACCES 10013L
#define WSAEFAULT 10014L
#define WSAEINVAL 10022L
#define WSAEMFILE 10024L
#define WSAEWOULDBLOCK 10035L
#define WSAEINPROGRESS 10036L
#define WSAEALREADY 10037L
#define WSAENOTSOCK 10038L
#define WSAEDESTADDRREQ 10039L
#define WSAEMSGSIZE 10040L
#define WSAEPROTOTYPE 10041L
#define WSAENOPROTOOPT 10042L
#define WSAEPROTONOSUPPORT 10043L
#define WSAESOCKTNOSUPPORT 10044L
#define WSAEOPNOTSUPP 10045L
#define WSAEPFNOSUPPORT 10046L
#define WSAEAFNOSUPPORT 10047L
#define WSAEADDRINUSE 10048L
#define WSAEADDRNOTAVAIL 10049L
#define WSAENETDOWN 10050L
#define WSAENETUNREACH 10051L
#define WSAENETRESET 10052L
#define WSAECONNABORTED 10053L
#define WSAECONNRESET 10054L
#define WSAENOBUFS 10055L
#define WSAEISCONN 10056L
#define WSAENOTCONN 10057L
#define WSAESHUTDOWN 10058L
#define WSAETOOMANYREFS 10059L
#define WSAETIMEDOUT 10060L
#define WSAECONNREFUSED 10061L
#define WSAELOOP 10062L
#define WSAENAMETOOLONG 10063L
#define WSAEHOSTDOWN 10064L
#define WSAEHOSTUNREACH 10065L
#define WSAENOTEMPTY 10066L
#define WSAEPROCLIM 10067L
#define WSAEUSERS 10068L
#define WSAEDQUOT 10069L
#define WSAESTALE 10070L
#define WSAEREMOTE 10071L
#define WSASYSNOTREADY 10091L
#define WSAVERNOTSUPPORTED 10092L
#define WSANOTINITIALISED 10093L
#define WSAEDISCON 10101L
#define WSAHOST_NOT_FOUND 11001L
#define WSATRY_AGAIN 11002L
#define WSANO_RECOVERY 11003L
#define WSANO_DATA 11004L

// Startup is counted: every successful WSAStartup needs one WSACleanup. Versions below 1.1
// fail with WSAVERNOTSUPPORTED; the answer offers 2.2 at most.
int WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData);
// SOCKET_ERROR with WSANOTINITIALISED when there is no startup left to undo.
int WSACleanup();
int WSAGetLastError();
void WSASetLastError(int iError);

int closesocket(SOCKET s);
// FIONBIO (u_long 0/1) and FIONREAD (bytes waiting).
int ioctlsocket(SOCKET s, long cmd, u_long* argp);

#define WSA_FLAG_OVERLAPPED 0x01
#define WSA_FLAG_NO_HANDLE_INHERIT 0x80
typedef struct _WSAPROTOCOL_INFOW WSAPROTOCOL_INFOW, *LPWSAPROTOCOL_INFOW;
typedef unsigned int GROUP;
// socket(); lpProtocolInfo must be null and g 0 (else WSAEINVAL); the flags are accepted.
SOCKET WSASocketW(int af, int type, int protocol, LPWSAPROTOCOL_INFOW lpProtocolInfo, GROUP g, DWORD dwFlags);
#define WSASocket WSASocketW

// ---------------------------------------------------------------------------------------
// Event objects for network events, over poll().

typedef HANDLE WSAEVENT;
typedef WSAEVENT* LPWSAEVENT;
#define WSA_INVALID_EVENT ((WSAEVENT) nullptr)
#define WSA_MAXIMUM_WAIT_EVENTS 64
#define WSA_WAIT_EVENT_0 ((DWORD)0)
#define WSA_WAIT_IO_COMPLETION ((DWORD)0xC0)
#define WSA_WAIT_TIMEOUT ((DWORD)258)
#define WSA_WAIT_FAILED ((DWORD)0xFFFFFFFF)
#define WSA_INFINITE ((DWORD)0xFFFFFFFF)
#define WSA_INVALID_HANDLE 6L
#define WSA_INVALID_PARAMETER 87L
#define WSA_NOT_ENOUGH_MEMORY 8L

#define FD_READ_BIT 0
#define FD_READ (1 << FD_READ_BIT)
#define FD_WRITE_BIT 1
#define FD_WRITE (1 << FD_WRITE_BIT)
#define FD_OOB_BIT 2
#define FD_OOB (1 << FD_OOB_BIT)
#define FD_ACCEPT_BIT 3
#define FD_ACCEPT (1 << FD_ACCEPT_BIT)
#define FD_CONNECT_BIT 4
#define FD_CONNECT (1 << FD_CONNECT_BIT)
#define FD_CLOSE_BIT 5
#define FD_CLOSE (1 << FD_CLOSE_BIT)
#define FD_MAX_EVENTS 10
#define FD_ALL_EVENTS ((1 << FD_MAX_EVENTS) - 1)

typedef struct _WSANETWORKEVENTS {
  long lNetworkEvents;
  int iErrorCode[FD_MAX_EVENTS];
} WSANETWORKEVENTS, *LPWSANETWORKEVENTS;

// A manual-reset event (also closable with CloseHandle). It is signalled by WSASetEvent or
// while a socket selected on it has one of its chosen network events ready. Wait for it with
// WSAWaitForMultipleEvents: WaitForSingleObject sees socket readiness only when it checks.
WSAEVENT WSACreateEvent();
BOOL WSACloseEvent(WSAEVENT hEvent);
BOOL WSASetEvent(WSAEVENT hEvent);
BOOL WSAResetEvent(WSAEVENT hEvent);
// Ties the socket's events (FD_READ, FD_WRITE, FD_ACCEPT, FD_CONNECT, FD_CLOSE) to the
// event and makes the socket non-blocking; lNetworkEvents 0 unties it.
int WSAEventSelect(SOCKET s, WSAEVENT hEventObject, long lNetworkEvents);
// WSA_WAIT_EVENT_0 + the index of a signalled event, WSA_WAIT_TIMEOUT, or WSA_WAIT_FAILED.
// fAlertable is ignored.
DWORD WSAWaitForMultipleEvents(DWORD cEvents, const WSAEVENT* lphEvents, BOOL fWaitAll, DWORD dwTimeout,
                               BOOL fAlertable);
// The socket's ready network events (of those selected); resets hEventObject when given.
int WSAEnumNetworkEvents(SOCKET s, WSAEVENT hEventObject, LPWSANETWORKEVENTS lpNetworkEvents);

// ---------------------------------------------------------------------------------------
// Bridges for arguments that differ (see the top of this file).

int jf_setsockopt(int s, int level, int optname, const void* optval, socklen_t optlen);
ssize_t jf_recv(int s, void* buf, size_t len, int flags);
ssize_t jf_recvfrom_host(int s, void* buf, size_t len, int flags, struct sockaddr* from, socklen_t* fromlen);
// The length may be an int (Windows), a socklen_t (host) or null.
template <class Length>
inline ssize_t jf_recvfrom(int s, void* buf, size_t len, int flags, struct sockaddr* from, Length fromlen) {
  if constexpr (std::is_same<Length, int*>::value) {
    socklen_t n = fromlen ? static_cast<socklen_t>(*fromlen) : 0;
    ssize_t r = jf_recvfrom_host(s, buf, len, flags, from, fromlen ? &n : nullptr);
    if (fromlen) *fromlen = static_cast<int>(n);
    return r;
  } else if constexpr (std::is_same<Length, socklen_t*>::value) {
    return jf_recvfrom_host(s, buf, len, flags, from, fromlen);
  } else {
    static_assert(!std::is_pointer<Length>::value, "the address length is an int* or a socklen_t*");
    return jf_recvfrom_host(s, buf, len, flags, from, nullptr);  // NULL or nullptr
  }
}
struct hostent* jf_gethostbyname(const char* name);

#define setsockopt jf_setsockopt
#define gethostbyname jf_gethostbyname
#define recvfrom jf_recvfrom
#define recv jf_recv
