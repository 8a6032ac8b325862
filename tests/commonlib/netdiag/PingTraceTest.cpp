// Ping and route tracing: the packets, the parsers on canned and hostile datagrams, and
// real probes of 127.0.0.1 over raw ICMP sockets.
#include <gtest/gtest.h>
#include <windows.h>
#include <winsock2.h>

#include <cstring>
#include <regex>
#include <vector>

#include "commonlib/netdiag/CPinger.h"
#include "commonlib/netdiag/CTraceRouter.h"
#include "tests/support/core/InstantPause.h"

namespace {

typedef std::vector<unsigned char> Bytes;

// An IPv4 header of `words` 32-bit words from `source`, followed by `payload`.
Bytes IpDatagram(const char* source, const Bytes& payload, int words = 5, unsigned char ttl = 64) {
  Bytes d(static_cast<size_t>(words) * 4, 0);
  d[0] = static_cast<unsigned char>(0x40 | words);
  d[8] = ttl;
  d[9] = 1;
  uint32_t s = inet_addr(source);
  memcpy(&d[12], &s, 4);
  d.insert(d.end(), payload.begin(), payload.end());
  return d;
}

Bytes PingEcho(unsigned char type, uint16_t id, uint16_t seq, uint32_t sendTime) {
  Bytes p(CPinger::kPacketSize);
  CPinger::BuildEchoRequest(p.data(), id, seq, sendTime);
  p[0] = type;
  return p;
}

Bytes TraceEcho(unsigned char type, uint16_t id, uint16_t seq) {
  Bytes p(CTraceRouter::kPacketSize);
  CTraceRouter::BuildEchoRequest(p.data(), id, seq);
  p[0] = type;
  return p;
}

// A time-exceeded message from `router` that carries our request (first 8 bytes) back.
Bytes TimeExceeded(const char* router, uint16_t id, uint16_t seq, int innerWords = 5) {
  Bytes request = TraceEcho(8, id, seq);
  Bytes inner = IpDatagram("127.0.0.1", Bytes(request.begin(), request.begin() + 8), innerWords);
  Bytes icmp(8, 0);
  icmp[0] = 11;
  icmp.insert(icmp.end(), inner.begin(), inner.end());
  return IpDatagram(router, icmp);
}

bool RawSocketsWork() {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return false;
  SOCKET s = WSASocketW(AF_INET, SOCK_RAW, IPPROTO_ICMP, nullptr, 0, 0);
  if (s != INVALID_SOCKET) closesocket(s);
  WSACleanup();
  return s != INVALID_SOCKET;
}

// Undoes every outstanding startup so that a test can count its own.
void DrainWinsock() {
  while (WSACleanup() == 0) {
  }
}

}  // namespace

TEST(IcmpPackets, RequestsCarryTheirFieldsAndAValidChecksum) {
  Bytes ping = PingEcho(8, 0x1234, 3, 0xA0B0C0D0);
  EXPECT_EQ(0, CPinger::Checksum(ping.data(), ping.size()));
  uint16_t id, seq;
  uint32_t time;
  memcpy(&id, &ping[4], 2);
  memcpy(&seq, &ping[6], 2);
  memcpy(&time, &ping[8], 4);
  EXPECT_EQ(0x1234, id);
  EXPECT_EQ(3, seq);
  EXPECT_EQ(0xA0B0C0D0u, time);
  EXPECT_EQ(Bytes(32, 0), Bytes(ping.begin() + 12, ping.end()));

  Bytes trace = TraceEcho(8, 0x1234, 2);
  EXPECT_EQ(0, CPinger::Checksum(trace.data(), trace.size()));
  EXPECT_EQ(0, trace[6]);  // sequence in network order
  EXPECT_EQ(2, trace[7]);
  EXPECT_EQ(Bytes(32, 0x45), Bytes(trace.begin() + 8, trace.end()));
  // An odd length is padded with a zero byte.
  const unsigned char odd[3] = {0x01, 0x02, 0x03};
  uint16_t expected = static_cast<uint16_t>(~(0x0201 + 0x0003));
  EXPECT_EQ(expected, CPinger::Checksum(odd, 3));
}

TEST(IcmpPackets, EchoReplyParser) {
  CPinger::Reply r;
  Bytes good = IpDatagram("127.0.0.1", PingEcho(0, 77, 2, 1000), 5, 63);
  ASSERT_TRUE(CPinger::ParseEchoReply(good.data(), good.size(), 77, 2, 1042, r));
  EXPECT_EQ(2, r.sequence);
  EXPECT_EQ(42u, r.roundTripMs);
  EXPECT_EQ(32u, r.dataBytes);
  EXPECT_EQ(63, r.ttl);
  // A header with options moves the ICMP part.
  Bytes options = IpDatagram("127.0.0.1", PingEcho(0, 77, 2, 1000), 7);
  EXPECT_TRUE(CPinger::ParseEchoReply(options.data(), options.size(), 77, 2, 1042, r));

  Bytes foreign = IpDatagram("127.0.0.1", PingEcho(0, 78, 2, 1000));
  EXPECT_FALSE(CPinger::ParseEchoReply(foreign.data(), foreign.size(), 77, 2, 1042, r));
  Bytes otherSequence = IpDatagram("127.0.0.1", PingEcho(0, 77, 1, 1000));
  EXPECT_FALSE(CPinger::ParseEchoReply(otherSequence.data(), otherSequence.size(), 77, 2, 1042, r));
  Bytes request = IpDatagram("127.0.0.1", PingEcho(8, 77, 2, 1000));  // our own request, looped
  EXPECT_FALSE(CPinger::ParseEchoReply(request.data(), request.size(), 77, 2, 1042, r));

  // Short and malicious datagrams are refused without reading past their end.
  for (size_t cut = 0; cut < 32; ++cut) {
    Bytes shortOne(good.begin(), good.begin() + cut);
    EXPECT_FALSE(CPinger::ParseEchoReply(shortOne.data(), shortOne.size(), 77, 2, 1042, r)) << cut;
  }
  Bytes longHeader = good;
  longHeader[0] = 0x4F;  // 60-byte header in a 64-byte datagram: no room for the echo
  EXPECT_FALSE(CPinger::ParseEchoReply(longHeader.data(), longHeader.size(), 77, 2, 1042, r));
  Bytes tinyHeader = good;
  tinyHeader[0] = 0x42;  // 8 bytes: below the minimum
  EXPECT_FALSE(CPinger::ParseEchoReply(tinyHeader.data(), tinyHeader.size(), 77, 2, 1042, r));
}

TEST(IcmpPackets, TraceMatchesEchoRepliesAndTimeExceeded) {
  uint32_t source = 0;
  Bytes reply = IpDatagram("127.0.0.1", TraceEcho(0, 9, 4));
  ASSERT_TRUE(CTraceRouter::MatchReply(reply.data(), reply.size(), 9, 4, source));
  EXPECT_EQ(inet_addr("127.0.0.1"), source);
  EXPECT_FALSE(CTraceRouter::MatchReply(reply.data(), reply.size(), 9, 5, source));
  EXPECT_FALSE(CTraceRouter::MatchReply(reply.data(), reply.size(), 10, 4, source));

  Bytes exceeded = TimeExceeded("10.1.2.3", 9, 4);
  ASSERT_TRUE(CTraceRouter::MatchReply(exceeded.data(), exceeded.size(), 9, 4, source));
  EXPECT_EQ(inet_addr("10.1.2.3"), source);
  Bytes withOptions = TimeExceeded("10.1.2.4", 9, 4, 6);
  ASSERT_TRUE(CTraceRouter::MatchReply(withOptions.data(), withOptions.size(), 9, 4, source));
  EXPECT_EQ(inet_addr("10.1.2.4"), source);
  Bytes foreign = TimeExceeded("10.1.2.3", 8, 4);
  EXPECT_FALSE(CTraceRouter::MatchReply(foreign.data(), foreign.size(), 9, 4, source));

  // The embedded header cut short, or lying about its length.
  for (size_t cut = 0; cut < exceeded.size(); ++cut) {
    Bytes shortOne(exceeded.begin(), exceeded.begin() + cut);
    EXPECT_FALSE(CTraceRouter::MatchReply(shortOne.data(), shortOne.size(), 9, 4, source)) << cut;
  }
  for (unsigned char ihl : {0x40, 0x44, 0x4F}) {
    Bytes lying = exceeded;
    lying[28] = ihl;
    EXPECT_FALSE(CTraceRouter::MatchReply(lying.data(), lying.size(), 9, 4, source)) << int(ihl);
  }

  // Random bytes of every length: no match, no read outside (checked under AddressSanitizer).
  unsigned seed = 11;
  for (size_t length = 0; length < 200; ++length) {
    unsigned char* junk = new unsigned char[length ? length : 1];
    for (size_t i = 0; i < length; ++i) {
      seed = seed * 1103515245u + 12345u;
      junk[i] = static_cast<unsigned char>(seed >> 16);
    }
    if (length > 0) junk[0] = static_cast<unsigned char>(0x40 | (junk[0] & 0x0F));
    CTraceRouter::MatchReply(junk, length, 9, 4, source);
    CPinger::Reply r;
    CPinger::ParseEchoReply(junk, length, 9, 4, 0, r);
    delete[] junk;
  }
}

class LoopbackProbeTest : public ::testing::Test {
 protected:
  InstantPause pauses;
  void SetUp() override {
    if (!RawSocketsWork()) GTEST_SKIP() << "raw ICMP sockets need root";
    DrainWinsock();
  }
  void TearDown() override {
    // Every run undid its own startup: nothing is left to clean up.
    EXPECT_EQ(SOCKET_ERROR, WSACleanup());
    EXPECT_EQ(WSANOTINITIALISED, WSAGetLastError());
  }
};

TEST_F(LoopbackProbeTest, PingOfAnAddressAndOfAName) {
  CPinger pinger;
  pinger.Init();
  ASSERT_TRUE(pinger.IsReady());
  std::wstring text;
  pinger.Ping("127.0.0.1", text);
  EXPECT_TRUE(std::regex_match(text, std::wregex(L"正在ping 127.0.0.1 具有32字节的数据。"
                                                 L"(来自 127.0.0.1 的回复：时间\\d+ TTL。){4}")))
      << text;
  ASSERT_EQ(4u, pinger.Replies().size());
  for (uint16_t i = 0; i < 4; ++i) {
    EXPECT_EQ(i + 1, pinger.Replies()[i].sequence);
    EXPECT_EQ(32u, pinger.Replies()[i].dataBytes);
    EXPECT_GT(pinger.Replies()[i].ttl, 0);
  }
  pinger.Ping("localhost", text);
  EXPECT_TRUE(std::regex_match(text, std::wregex(L"正在ping localhost \\[127.0.0.1\\] 具有32字节的数据。"
                                                 L"(来自 127.0.0.1 的回复：时间\\d+ TTL。){4}")))
      << text;
  pinger.Release();
}

TEST_F(LoopbackProbeTest, PingerWithoutSetUpTimesOutEveryProbe) {
  CPinger pinger;  // never set up
  std::wstring text = L"kept";
  pinger.Ping(nullptr, text);
  EXPECT_EQ(L"kept", text);
  pinger.Ping("127.0.0.1", text);
  EXPECT_EQ(L"正在ping 127.0.0.1 具有32字节的数据。超时。超时。超时。超时。", text);
  EXPECT_EQ(4u, pinger.Replies().size());
  EXPECT_EQ(4u * 500u, InstantPause::Total());  // half a second after each probe
  // A stop request ends the run after the probe under way.
  pinger.SetStopCheck([] { return true; });
  pinger.Ping("127.0.0.1", text);
  EXPECT_EQ(L"正在ping 127.0.0.1 具有32字节的数据。超时。", text);
}

TEST_F(LoopbackProbeTest, TraceOfLoopbackEndsAtTheFirstHop) {
  CTraceRouter router;
  std::wstring text;
  std::vector<CTraceRouter::Hop> hops;
  router.Trace(L"127.0.0.1", text, hops);
  EXPECT_TRUE(std::regex_match(text, std::wregex(L"通过最多 30 个跃点跟踪到 127.0.0.1 的路由。"
                                                 L"TTL:1,TripTime:\\d+,ip:127.0.0.1。跟踪完成。")))
      << text;
  ASSERT_EQ(1u, hops.size());
  EXPECT_EQ(0, hops[0].sequence);
  EXPECT_EQ(inet_addr("127.0.0.1"), hops[0].address);

  text.clear();
  hops.clear();
  router.Trace(L"localhost", text, hops);
  EXPECT_TRUE(std::regex_match(text, std::wregex(L"通过最多 30 个跃点跟踪到 localhost \\[127.0.0.1\\] 的路由。"
                                                 L"TTL:1,TripTime:\\d+,ip:127.0.0.1。跟踪完成。")))
      << text;

  // A stop request ends the trace without its closing line.
  text.clear();
  router.SetStopCheck([] { return true; });
  router.Trace(L"127.0.0.1", text, hops);
  EXPECT_EQ(L"通过最多 30 个跃点跟踪到 127.0.0.1 的路由。", text);
}
