// GetAdaptersAddresses over getifaddrs: one record per network interface except loopback,
// laid out with its names and addresses in the caller's single buffer.
#include <ifaddrs.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <netpacket/packet.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <errhandlingapi.h>
#include <iphlpapi.h>
#include "platform/src/internal/utf.h"

namespace jf {

class AdapterList {
 public:
  explicit AdapterList(ULONG family) : family_(family) {}

  // False when the host cannot list its interfaces.
  bool Read(ULONG flags) {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return false;
    for (ifaddrs* a = list; a; a = a->ifa_next) {
      if (!a->ifa_name || (a->ifa_flags & IFF_LOOPBACK)) continue;
      Adapter& adapter = Find(a->ifa_name);
      adapter.flags |= a->ifa_flags;
      if (!a->ifa_addr) continue;
      int af = a->ifa_addr->sa_family;
      if (af == AF_PACKET) {
        const sockaddr_ll* ll = reinterpret_cast<const sockaddr_ll*>(a->ifa_addr);
        adapter.hardwareType = ll->sll_hatype;
        adapter.hardware.assign(ll->sll_addr, ll->sll_addr + std::min<size_t>(ll->sll_halen, MAX_ADAPTER_ADDRESS_LENGTH));
      } else if ((af == AF_INET || af == AF_INET6) && !(flags & GAA_FLAG_SKIP_UNICAST) &&
                 (family_ == AF_UNSPEC || static_cast<ULONG>(af) == family_)) {
        Address address;
        size_t len = af == AF_INET ? sizeof(sockaddr_in) : sizeof(sockaddr_in6);
        address.sockaddr.assign(reinterpret_cast<const char*>(a->ifa_addr), reinterpret_cast<const char*>(a->ifa_addr) + len);
        address.prefix = PrefixLength(a->ifa_netmask, af);
        adapter.addresses.push_back(address);
      }
    }
    freeifaddrs(list);
    // The host's loopback shows as a device with six zero bytes; Windows lists none.
    std::vector<Adapter> kept;
    for (Adapter& adapter : adapters_)
      if (adapter.hardwareType != ARPHRD_LOOPBACK) kept.push_back(adapter);
    adapters_.swap(kept);
    return true;
  }

  bool Empty() const { return adapters_.empty(); }

  // Bytes the whole list takes.
  ULONG Size() const { return static_cast<ULONG>(Layout(nullptr)); }
  void Write(void* buffer) const { Layout(static_cast<char*>(buffer)); }

 private:
  struct Address {
    std::string sockaddr;
    uint8_t prefix = 0;
  };
  struct Adapter {
    std::string name;
    unsigned flags = 0;
    unsigned hardwareType = 0;
    std::vector<unsigned char> hardware;
    std::vector<Address> addresses;
  };

  Adapter& Find(const char* name) {
    for (Adapter& adapter : adapters_)
      if (adapter.name == name) return adapter;
    adapters_.push_back(Adapter{});
    adapters_.back().name = name;
    return adapters_.back();
  }

  static uint8_t PrefixLength(const sockaddr* mask, int af) {
    if (!mask) return 0;
    const unsigned char* bytes = af == AF_INET
        ? reinterpret_cast<const unsigned char*>(&reinterpret_cast<const sockaddr_in*>(mask)->sin_addr)
        : reinterpret_cast<const unsigned char*>(&reinterpret_cast<const sockaddr_in6*>(mask)->sin6_addr);
    size_t n = af == AF_INET ? 4 : 16;
    uint8_t bits = 0;
    for (size_t i = 0; i < n; ++i) bits = static_cast<uint8_t>(bits + __builtin_popcount(bytes[i]));
    return bits;
  }

  static DWORD InterfaceType(unsigned hardwareType) {
    switch (hardwareType) {
      case ARPHRD_ETHER: return IF_TYPE_ETHERNET_CSMACD;
      case ARPHRD_IEEE80211: return IF_TYPE_IEEE80211;
      case ARPHRD_TUNNEL:
      case ARPHRD_TUNNEL6:
      case ARPHRD_SIT:
      case ARPHRD_NONE: return IF_TYPE_TUNNEL;
      default: return IF_TYPE_OTHER;
    }
  }

  static DWORD Mtu(const std::string& name) {
    std::ifstream in("/sys/class/net/" + name + "/mtu");
    DWORD mtu = 0;
    in >> mtu;
    return mtu;
  }

  // Places every record, name and address at an aligned offset; writes them when `base` is
  // given. Returns the size.
  size_t Layout(char* base) const {
    size_t offset = 0;
    auto take = [&offset](size_t bytes) {
      offset = (offset + 7) & ~static_cast<size_t>(7);
      size_t at = offset;
      offset += bytes;
      return at;
    };
    IP_ADAPTER_ADDRESSES* previous = nullptr;
    for (const Adapter& adapter : adapters_) {
      size_t recordAt = take(sizeof(IP_ADAPTER_ADDRESSES));
      std::wstring wideName = FromUtf8(adapter.name);
      size_t nameAt = take(adapter.name.size() + 1);
      size_t suffixAt = take(sizeof(wchar_t));
      size_t descriptionAt = take((wideName.size() + 1) * sizeof(wchar_t));
      size_t friendlyAt = take((wideName.size() + 1) * sizeof(wchar_t));
      std::vector<size_t> unicastAt, sockaddrAt;
      for (const Address& address : adapter.addresses) {
        unicastAt.push_back(take(sizeof(IP_ADAPTER_UNICAST_ADDRESS)));
        sockaddrAt.push_back(take(address.sockaddr.size()));
      }
      if (!base) continue;

      auto* record = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(base + recordAt);
      std::memset(record, 0, sizeof *record);
      record->Length = sizeof *record;
      record->IfIndex = if_nametoindex(adapter.name.c_str());
      record->AdapterName = base + nameAt;
      std::memcpy(record->AdapterName, adapter.name.c_str(), adapter.name.size() + 1);
      record->DnsSuffix = reinterpret_cast<PWCHAR>(base + suffixAt);
      record->DnsSuffix[0] = 0;
      record->Description = reinterpret_cast<PWCHAR>(base + descriptionAt);
      std::wmemcpy(record->Description, wideName.c_str(), wideName.size() + 1);
      record->FriendlyName = reinterpret_cast<PWCHAR>(base + friendlyAt);
      std::wmemcpy(record->FriendlyName, wideName.c_str(), wideName.size() + 1);
      if (!adapter.hardware.empty()) std::memcpy(record->PhysicalAddress, adapter.hardware.data(), adapter.hardware.size());
      record->PhysicalAddressLength = static_cast<DWORD>(adapter.hardware.size());
      record->Mtu = Mtu(adapter.name);
      record->IfType = InterfaceType(adapter.hardwareType);
      bool up = (adapter.flags & IFF_UP) && (adapter.flags & IFF_RUNNING);
      record->OperStatus = up ? IfOperStatusUp : IfOperStatusDown;
      IP_ADAPTER_UNICAST_ADDRESS* last = nullptr;
      for (size_t i = 0; i < adapter.addresses.size(); ++i) {
        auto* unicast = reinterpret_cast<IP_ADAPTER_UNICAST_ADDRESS*>(base + unicastAt[i]);
        std::memset(unicast, 0, sizeof *unicast);
        unicast->Length = sizeof *unicast;
        std::memcpy(base + sockaddrAt[i], adapter.addresses[i].sockaddr.data(), adapter.addresses[i].sockaddr.size());
        unicast->Address.lpSockaddr = reinterpret_cast<LPSOCKADDR>(base + sockaddrAt[i]);
        unicast->Address.iSockaddrLength = static_cast<INT>(adapter.addresses[i].sockaddr.size());
        unicast->OnLinkPrefixLength = adapter.addresses[i].prefix;
        if (last) last->Next = unicast;
        else record->FirstUnicastAddress = unicast;
        last = unicast;
      }
      if (previous) previous->Next = record;
      previous = record;
    }
    return offset;
  }

  ULONG family_;
  std::vector<Adapter> adapters_;
};

}  // namespace jf

ULONG GetAdaptersAddresses(ULONG Family, ULONG Flags, PVOID /*Reserved*/, PIP_ADAPTER_ADDRESSES AdapterAddresses,
                           PULONG SizePointer) {
  if (!SizePointer || (Family != AF_INET && Family != AF_INET6 && Family != AF_UNSPEC)) return ERROR_INVALID_PARAMETER;
  jf::AdapterList list(Family);
  if (!list.Read(Flags)) return ERROR_NOT_ENOUGH_MEMORY;
  if (list.Empty()) return ERROR_NO_DATA;
  ULONG needed = list.Size();
  if (!AdapterAddresses || *SizePointer < needed) {
    *SizePointer = needed;
    return ERROR_BUFFER_OVERFLOW;
  }
  list.Write(AdapterAddresses);
  return ERROR_SUCCESS;
}
