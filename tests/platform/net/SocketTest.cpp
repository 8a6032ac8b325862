// Winsock over the host's sockets: start-up counting, errors, event objects over poll,
// receive time-outs in milliseconds, the adapter list. Loopback only.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include <iphlpapi.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include "tests/support/ReservedPort.h"

namespace {

class SocketTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WSADATA data;
    ASSERT_EQ(0, WSAStartup(MAKEWORD(2, 2), &data));
  }
  void TearDown() override { EXPECT_EQ(0, WSACleanup()); }

  // A socket bound to 127.0.0.1 on a port of the system's choice.
  static SOCKET BoundLoopback(sockaddr_in& address, int type = SOCK_DGRAM) {
    SOCKET s = socket(AF_INET, type, 0);
    EXPECT_NE(INVALID_SOCKET, s);
    address = sockaddr_in{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = inet_addr("127.0.0.1");
    EXPECT_EQ(0, bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address));
    socklen_t len = sizeof address;
    EXPECT_EQ(0, getsockname(s, reinterpret_cast<sockaddr*>(&address), &len));
    return s;
  }

  static void SendTo(SOCKET s, const sockaddr_in& to, const char* text, size_t n) {
    ASSERT_EQ(static_cast<ssize_t>(n),
              sendto(s, text, n, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to));
  }
};

TEST(WinsockStartupTest, StartupIsCountedAndVersionsAnswered) {
  WSADATA data;
  EXPECT_EQ(WSAVERNOTSUPPORTED, WSAStartup(MAKEWORD(1, 0), &data));
  ASSERT_EQ(0, WSAStartup(MAKEWORD(1, 1), &data));
  EXPECT_EQ(MAKEWORD(1, 1), data.wVersion);
  EXPECT_EQ(MAKEWORD(2, 2), data.wHighVersion);
  ASSERT_EQ(0, WSAStartup(MAKEWORD(3, 0), &data));
  EXPECT_EQ(MAKEWORD(2, 2), data.wVersion);
  EXPECT_EQ(0, WSACleanup());
  EXPECT_EQ(0, WSACleanup());
  EXPECT_EQ(SOCKET_ERROR, WSACleanup());
  EXPECT_EQ(WSANOTINITIALISED, WSAGetLastError());
  EXPECT_EQ(INVALID_SOCKET, WSASocketW(AF_INET, SOCK_DGRAM, 0, nullptr, 0, WSA_FLAG_OVERLAPPED));
  EXPECT_EQ(WSANOTINITIALISED, WSAGetLastError());
}

TEST_F(SocketTest, UdpRoundTripThroughEventSelect) {
  sockaddr_in serverAddress, clientAddress;
  SOCKET server = BoundLoopback(serverAddress);
  SOCKET client = BoundLoopback(clientAddress);
  WSAEVENT event = WSACreateEvent();
  ASSERT_NE(WSA_INVALID_EVENT, event);
  ASSERT_EQ(0, WSAEventSelect(server, event, FD_READ));

  EXPECT_EQ(WSA_WAIT_TIMEOUT, WSAWaitForMultipleEvents(1, &event, FALSE, 30, FALSE));
  // The socket became non-blocking, as on Windows.
  char buf[64];
  EXPECT_EQ(SOCKET_ERROR, recv(server, buf, sizeof buf, 0));
  EXPECT_EQ(WSAEWOULDBLOCK, WSAGetLastError());

  SendTo(client, serverAddress, "ping", 4);
  EXPECT_EQ(WSA_WAIT_EVENT_0, WSAWaitForMultipleEvents(1, &event, FALSE, 5000, FALSE));
  u_long waiting = 0;
  EXPECT_EQ(0, ioctlsocket(server, FIONREAD, &waiting));
  EXPECT_EQ(4u, waiting);
  WSANETWORKEVENTS events;
  ASSERT_EQ(0, WSAEnumNetworkEvents(server, event, &events));
  EXPECT_EQ(FD_READ, events.lNetworkEvents & FD_READ);
  sockaddr_in from{};
  int fromLen = sizeof from;
  ASSERT_EQ(4, recvfrom(server, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &fromLen));
  EXPECT_EQ(0, std::memcmp(buf, "ping", 4));
  EXPECT_EQ(clientAddress.sin_port, from.sin_port);
  // Nothing more to read: the event is quiet again.
  EXPECT_EQ(WSA_WAIT_TIMEOUT, WSAWaitForMultipleEvents(1, &event, FALSE, 20, FALSE));

  // Untied on closing: the event no longer follows the socket.
  EXPECT_EQ(0, closesocket(server));
  EXPECT_EQ(SOCKET_ERROR, closesocket(server));
  EXPECT_EQ(WSAENOTSOCK, WSAGetLastError());
  EXPECT_TRUE(WSACloseEvent(event));
  EXPECT_FALSE(WSACloseEvent(event));
  EXPECT_EQ(0, closesocket(client));
}

TEST_F(SocketTest, KernelWaitOnAnEventFollowsASocketSelectedDuringTheWait) {
  sockaddr_in serverAddress, clientAddress;
  SOCKET server = BoundLoopback(serverAddress);
  SOCKET client = BoundLoopback(clientAddress);
  WSAEVENT event = WSACreateEvent();
  std::atomic<DWORD> result{WAIT_FAILED};
  std::thread waiter([&] { result = WaitForSingleObject(event, 5000); });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));  // the waiter sleeps on the bare event
  ASSERT_EQ(0, WSAEventSelect(server, event, FD_READ));
  SendTo(client, serverAddress, "late", 4);
  waiter.join();
  EXPECT_EQ(WAIT_OBJECT_0, result);
  closesocket(server);
  closesocket(client);
  WSACloseEvent(event);
}

TEST_F(SocketTest, TcpAcceptConnectWriteAndCloseEvents) {
  sockaddr_in address;
  SOCKET listener = BoundLoopback(address, SOCK_STREAM);
  ASSERT_EQ(0, listen(listener, 4));
  WSAEVENT accepting = WSACreateEvent();
  ASSERT_EQ(0, WSAEventSelect(listener, accepting, FD_ACCEPT));

  SOCKET client = socket(AF_INET, SOCK_STREAM, 0);
  WSAEVENT connecting = WSACreateEvent();
  ASSERT_EQ(0, WSAEventSelect(client, connecting, FD_CONNECT | FD_WRITE | FD_CLOSE));
  int rc = connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address);
  EXPECT_TRUE(rc == 0 || WSAGetLastError() == WSAEWOULDBLOCK);

  WSANETWORKEVENTS events;
  ASSERT_EQ(WSA_WAIT_EVENT_0, WSAWaitForMultipleEvents(1, &accepting, FALSE, 5000, FALSE));
  ASSERT_EQ(0, WSAEnumNetworkEvents(listener, accepting, &events));
  EXPECT_EQ(FD_ACCEPT, events.lNetworkEvents);
  SOCKET server = accept(listener, nullptr, nullptr);
  ASSERT_NE(INVALID_SOCKET, server);

  ASSERT_EQ(WSA_WAIT_EVENT_0, WSAWaitForMultipleEvents(1, &connecting, FALSE, 5000, FALSE));
  ASSERT_EQ(0, WSAEnumNetworkEvents(client, connecting, &events));
  EXPECT_EQ(FD_CONNECT | FD_WRITE, events.lNetworkEvents);
  EXPECT_EQ(0, events.iErrorCode[FD_CONNECT_BIT]);
  // Writability is told once, not for as long as the socket can take data.
  EXPECT_EQ(WSA_WAIT_TIMEOUT, WSAWaitForMultipleEvents(1, &connecting, FALSE, 20, FALSE));

  EXPECT_EQ(0, closesocket(server));
  ASSERT_EQ(WSA_WAIT_EVENT_0, WSAWaitForMultipleEvents(1, &connecting, FALSE, 5000, FALSE));
  ASSERT_EQ(0, WSAEnumNetworkEvents(client, connecting, &events));
  EXPECT_EQ(FD_CLOSE, events.lNetworkEvents);
  EXPECT_EQ(WSA_WAIT_TIMEOUT, WSAWaitForMultipleEvents(1, &connecting, FALSE, 20, FALSE));

  EXPECT_TRUE(WSACloseEvent(connecting));
  EXPECT_TRUE(WSACloseEvent(accepting));
  EXPECT_EQ(0, closesocket(client));
  EXPECT_EQ(0, closesocket(listener));
}

TEST_F(SocketTest, SetEventWakesAWaiterOnAnotherThread) {
  WSAEVENT events[2] = {WSACreateEvent(), WSACreateEvent()};
  std::thread setter([&events] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    WSASetEvent(events[1]);
  });
  EXPECT_EQ(WSA_WAIT_EVENT_0 + 1, WSAWaitForMultipleEvents(2, events, FALSE, 5000, FALSE));
  setter.join();
  // Manual reset: it stays set until reset.
  EXPECT_EQ(WSA_WAIT_EVENT_0 + 1, WSAWaitForMultipleEvents(2, events, FALSE, 0, FALSE));
  EXPECT_EQ(WSA_WAIT_TIMEOUT, WSAWaitForMultipleEvents(2, events, TRUE, 0, FALSE));
  EXPECT_TRUE(WSAResetEvent(events[1]));
  EXPECT_EQ(WSA_WAIT_TIMEOUT, WSAWaitForMultipleEvents(2, events, FALSE, 0, FALSE));
  EXPECT_EQ(WSA_WAIT_FAILED, WSAWaitForMultipleEvents(0, events, FALSE, 0, FALSE));
  EXPECT_TRUE(WSACloseEvent(events[0]));
  EXPECT_TRUE(WSACloseEvent(events[1]));
}

TEST_F(SocketTest, ReceiveTimeOutInMillisecondsFailsWithTimedOut) {
  sockaddr_in address;
  SOCKET s = BoundLoopback(address);
  DWORD timeout = 60;
  ASSERT_EQ(0, setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout));
  char buf[16];
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(SOCKET_ERROR, recvfrom(s, buf, sizeof buf, 0, nullptr, nullptr));
  EXPECT_EQ(WSAETIMEDOUT, WSAGetLastError());
  auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed, std::chrono::milliseconds(40));
  EXPECT_LT(elapsed, std::chrono::seconds(30)) << "milliseconds, not seconds";

  // A datagram longer than the buffer fails as on Windows instead of arriving cut.
  SendTo(s, address, "0123456789abcdefXYZ", 19);
  EXPECT_EQ(SOCKET_ERROR, recv(s, buf, sizeof buf, 0));
  EXPECT_EQ(WSAEMSGSIZE, WSAGetLastError());

  u_long nonBlocking = 1;
  EXPECT_EQ(0, ioctlsocket(s, FIONBIO, &nonBlocking));
  EXPECT_EQ(SOCKET_ERROR, recv(s, buf, sizeof buf, 0));
  EXPECT_EQ(WSAEWOULDBLOCK, WSAGetLastError());
  EXPECT_EQ(0, closesocket(s));
}

TEST_F(SocketTest, ConnectionErrorsMapToWinsockNumbers) {
  // A TCP port held closed for the whole test, so no parallel test server can be given it.
  ReservedPort closed;
  ASSERT_NE(0, closed.Port());
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(closed.Port());
  address.sin_addr.s_addr = inet_addr("127.0.0.1");
  SOCKET s = WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_OVERLAPPED);
  ASSERT_NE(INVALID_SOCKET, s);
  EXPECT_EQ(SOCKET_ERROR, connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address));
  EXPECT_EQ(WSAECONNREFUSED, WSAGetLastError());
  WSASetLastError(WSAEHOSTUNREACH);
  EXPECT_EQ(WSAEHOSTUNREACH, WSAGetLastError());
  EXPECT_EQ(0, closesocket(s));
}

TEST_F(SocketTest, RawIcmpEchoOnLoopback) {
  SOCKET s = WSASocketW(AF_INET, SOCK_RAW, IPPROTO_ICMP, nullptr, 0, WSA_FLAG_OVERLAPPED);
  if (s == INVALID_SOCKET && WSAGetLastError() == WSAEACCES) GTEST_SKIP() << "raw sockets need CAP_NET_RAW";
  ASSERT_NE(INVALID_SOCKET, s);
  int ttl = 5;
  EXPECT_EQ(0, setsockopt(s, IPPROTO_IP, IP_TTL, reinterpret_cast<const char*>(&ttl), sizeof ttl));
  WSAEVENT event = WSACreateEvent();
  ASSERT_EQ(0, WSAEventSelect(s, event, FD_READ));

  // An echo request: type 8, code 0, checksum, identifier, sequence, 8 bytes of data.
  unsigned char packet[16] = {8, 0, 0, 0, 0, 0, 0, 1, 'j', 'f', 'p', 'r', 'o', 'b', 'e', '!'};
  uint16_t id = static_cast<uint16_t>(GetCurrentProcessId() ^ 0x5a5a);
  std::memcpy(packet + 4, &id, 2);
  uint32_t sum = 0;
  for (size_t i = 0; i < sizeof packet; i += 2) sum += static_cast<uint32_t>(packet[i] | (packet[i + 1] << 8));
  while (sum >> 16) sum = (sum & 0xffff) + (sum >> 16);
  uint16_t checksum = static_cast<uint16_t>(~sum);
  std::memcpy(packet + 2, &checksum, 2);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = inet_addr("127.0.0.1");
  ASSERT_EQ(static_cast<ssize_t>(sizeof packet),
            sendto(s, reinterpret_cast<const char*>(packet), sizeof packet, 0, reinterpret_cast<sockaddr*>(&to), sizeof to));

  // The host hands over the IP header too, and on loopback also our own request.
  bool replied = false;
  for (int round = 0; round < 20 && !replied; ++round) {
    if (WSAWaitForMultipleEvents(1, &event, FALSE, 100, FALSE) == WSA_WAIT_TIMEOUT) continue;
    WSANETWORKEVENTS events;
    ASSERT_EQ(0, WSAEnumNetworkEvents(s, event, &events));
    if (!(events.lNetworkEvents & FD_READ)) continue;
    unsigned char reply[256];
    sockaddr_in from{};
    int fromLen = sizeof from;
    int n = static_cast<int>(recvfrom(s, reinterpret_cast<char*>(reply), sizeof reply, 0,
                                      reinterpret_cast<sockaddr*>(&from), &fromLen));
    ASSERT_GT(n, 20);
    int header = (reply[0] & 0x0f) * 4;
    ASSERT_GE(n, header + 8);
    replied = reply[header] == 0 && std::memcmp(reply + header + 4, &id, 2) == 0;
  }
  EXPECT_TRUE(replied);
  EXPECT_TRUE(WSACloseEvent(event));
  EXPECT_EQ(0, closesocket(s));
}

TEST_F(SocketTest, HostLookupKeepsOneAnswerPerThread) {
  // Numeric names and "localhost" are answered without asking a resolver.
  hostent* mine = gethostbyname("127.0.0.1");
  ASSERT_NE(nullptr, mine);
  ASSERT_EQ(AF_INET, mine->h_addrtype);
  in_addr first;
  std::memcpy(&first, mine->h_addr_list[0], sizeof first);
  EXPECT_STREQ("127.0.0.1", inet_ntoa(first));
  hostent* theirs = nullptr;
  std::thread other([&theirs] { theirs = gethostbyname("127.0.0.2"); });
  other.join();
  EXPECT_NE(mine, theirs);
  std::memcpy(&first, mine->h_addr_list[0], sizeof first);
  EXPECT_STREQ("127.0.0.1", inet_ntoa(first));  // another thread's lookup left ours alone
  ASSERT_NE(nullptr, gethostbyname("localhost"));
}

TEST_F(SocketTest, AdapterListFollowsTheSizeContract) {
  EXPECT_EQ(static_cast<ULONG>(ERROR_INVALID_PARAMETER), GetAdaptersAddresses(AF_INET, 0, nullptr, nullptr, nullptr));
  ULONG size = 0;
  ULONG rc = GetAdaptersAddresses(AF_INET, 0, nullptr, nullptr, &size);
  // In a private network namespace only loopback exists, which is left out.
  if (rc == ERROR_NO_DATA) return;
  ASSERT_EQ(static_cast<ULONG>(ERROR_BUFFER_OVERFLOW), rc);
  ASSERT_GT(size, sizeof(IP_ADAPTER_ADDRESSES));
  std::vector<unsigned long long> buffer(size / sizeof(unsigned long long) + 1);
  auto* list = reinterpret_cast<PIP_ADAPTER_ADDRESSES>(buffer.data());
  ULONG tooSmall = size - 1;
  EXPECT_EQ(static_cast<ULONG>(ERROR_BUFFER_OVERFLOW), GetAdaptersAddresses(AF_INET, 0, nullptr, list, &tooSmall));
  EXPECT_EQ(size, tooSmall);
  ASSERT_EQ(static_cast<ULONG>(ERROR_SUCCESS), GetAdaptersAddresses(AF_INET, 0, nullptr, list, &size));
  const char* begin = reinterpret_cast<const char*>(list);
  for (PIP_ADAPTER_ADDRESSES a = list; a; a = a->Next) {
    EXPECT_NE(std::string("lo"), a->AdapterName);
    EXPECT_NE(static_cast<DWORD>(IF_TYPE_SOFTWARE_LOOPBACK), a->IfType);
    EXPECT_LE(a->PhysicalAddressLength, static_cast<DWORD>(MAX_ADAPTER_ADDRESS_LENGTH));
    EXPECT_GE(reinterpret_cast<const char*>(a->FriendlyName), begin);
    EXPECT_LT(reinterpret_cast<const char*>(a->FriendlyName), begin + size);
    for (PIP_ADAPTER_UNICAST_ADDRESS u = a->FirstUnicastAddress; u; u = u->Next)
      EXPECT_EQ(AF_INET, u->Address.lpSockaddr->sa_family);
  }
}

}  // namespace
