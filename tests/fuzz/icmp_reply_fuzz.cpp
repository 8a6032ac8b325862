// ICMP datagrams from the network, as ping and the route tracer read them: every read stays
// inside the datagram, whatever its header lengths say.
#include <cstdint>
#include <vector>

#include "commonlib/netdiag/CPinger.h"
#include "commonlib/netdiag/CTraceRouter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<unsigned char> datagram(data, data + size);
  // The identifier and sequence the reader waits for come from the input's first bytes, so
  // matching replies are reached too.
  uint16_t id = size >= 2 ? static_cast<uint16_t>(data[0] | (data[1] << 8)) : 0;
  uint16_t sequence = size >= 4 ? static_cast<uint16_t>(data[2] | (data[3] << 8)) : 0;
  CPinger::Reply reply;
  CPinger::ParseEchoReply(datagram.data(), datagram.size(), id, sequence, 1000, reply);
  CPinger::IpHeaderLength(datagram.data(), datagram.size());
  CPinger::Checksum(datagram.data(), datagram.size());
  uint32_t source = 0;
  CTraceRouter::MatchReply(datagram.data(), datagram.size(), id, sequence, source);
  return 0;
}
