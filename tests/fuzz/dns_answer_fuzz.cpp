// DNS answers from the network: the parser reads only inside the datagram, whatever its
// counts, lengths and name pointers say; the query builder takes any host text.
#include <cstdint>
#include <string>
#include <vector>

#include "commonlib/http/CDnsResolver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Exactly the datagram's bytes, so that any read past it is caught.
  std::vector<unsigned char> packet(data, data + size);
  std::vector<uint32_t> addresses;
  std::vector<std::string> aliases;
  CDnsResolver::ParseAnswer(packet.data(), packet.size(), &addresses, &aliases);
  CDnsResolver::ParseAnswer(packet.data(), packet.size(), nullptr, nullptr);
  for (size_t start = 0; start < packet.size() && start < 16; ++start) {
    size_t pos = start;
    std::string name;
    CDnsResolver::DecodeName(packet.data(), packet.size(), pos, name, start % 2 == 0);
  }
  std::string host(reinterpret_cast<const char*>(data), size);
  host.resize(host.find('\0') == std::string::npos ? host.size() : host.find('\0'));
  unsigned char query[CDnsResolver::kBufferSize];
  CDnsResolver::BuildQuery(host.c_str(), 0x1234, query, sizeof query);
  return 0;
}
