// "inetmib1.dll", one of the module table's modules: the MIB-II extension agent, answering
// GET and GETNEXT for ifNumber and the interface table (ifIndex, ifDescr, ifType, ifMtu,
// ifPhysAddress, ifOperStatus) from the host's interfaces (getifaddrs), and the snmpapi
// helpers that free what it answers.
#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/src/kernel/KernelInternal.h"
#include <snmp.h>

namespace {

typedef std::vector<UINT> Oid;

struct Interface {
  std::string name;
  UINT type = 1;  // other
  UINT mtu = 0;
  bool up = false;
  std::string address;
};

const UINT kIfNumber[] = {1, 3, 6, 1, 2, 1, 2, 1};
const UINT kIfEntry[] = {1, 3, 6, 1, 2, 1, 2, 2, 1};
enum Column { kIndex = 1, kDescr = 2, kType = 3, kMtu = 4, kPhysAddress = 6, kOperStatus = 8 };
const UINT kColumns[] = {kIndex, kDescr, kType, kMtu, kPhysAddress, kOperStatus};

// The host's interfaces by index, from their link-layer entries.
std::map<UINT, Interface> ReadInterfaces() {
  std::map<UINT, Interface> out;
  struct ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return out;
  for (struct ifaddrs* a = list; a; a = a->ifa_next) {
    if (!a->ifa_addr || a->ifa_addr->sa_family != AF_PACKET) continue;
    const struct sockaddr_ll* ll = reinterpret_cast<const struct sockaddr_ll*>(a->ifa_addr);
    Interface& i = out[static_cast<UINT>(ll->sll_ifindex)];
    i.name = a->ifa_name ? a->ifa_name : "";
    // ethernetCsmacd (6) and softwareLoopback (24); everything else is "other".
    i.type = ll->sll_hatype == ARPHRD_ETHER ? 6 : ll->sll_hatype == ARPHRD_LOOPBACK ? 24 : 1;
    i.up = (a->ifa_flags & IFF_UP) != 0;
    i.address.assign(reinterpret_cast<const char*>(ll->sll_addr), std::min<size_t>(ll->sll_halen, 8));
  }
  freeifaddrs(list);
  // Asked of the network namespace itself (sysfs may show another one).
  int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  for (auto& e : out) {
    struct ifreq request;
    memset(&request, 0, sizeof request);
    strncpy(request.ifr_name, e.second.name.c_str(), IFNAMSIZ - 1);
    if (fd >= 0 && ioctl(fd, SIOCGIFMTU, &request) == 0) e.second.mtu = static_cast<UINT>(request.ifr_mtu);
  }
  if (fd >= 0) close(fd);
  return out;
}

// Every instance the agent answers, in the order of their names.
std::vector<Oid> Instances(const std::map<UINT, Interface>& interfaces) {
  std::vector<Oid> out;
  Oid number(std::begin(kIfNumber), std::end(kIfNumber));
  number.push_back(0);
  out.push_back(number);
  for (UINT column : kColumns) {
    for (const auto& e : interfaces) {
      Oid name(std::begin(kIfEntry), std::end(kIfEntry));
      name.push_back(column);
      name.push_back(e.first);
      out.push_back(name);
    }
  }
  std::sort(out.begin(), out.end());
  return out;
}

Oid ToOid(const AsnObjectIdentifier& id) {
  return id.ids && id.idLength ? Oid(id.ids, id.ids + id.idLength) : Oid();
}

bool SetName(AsnObjectIdentifier& id, const Oid& name) {
  UINT* ids = static_cast<UINT*>(SnmpUtilMemAlloc(static_cast<UINT>(name.size() * sizeof(UINT))));
  if (!ids) return false;
  std::copy(name.begin(), name.end(), ids);
  SnmpUtilOidFree(&id);
  id.ids = ids;
  id.idLength = static_cast<UINT>(name.size());
  return true;
}

void SetInteger(AsnAny& value, BYTE type, AsnInteger32 number) {
  SnmpUtilAsnAnyFree(&value);
  value.asnType = type;
  value.asnValue.number = number;
}

bool SetString(AsnAny& value, const std::string& bytes) {
  SnmpUtilAsnAnyFree(&value);
  value.asnType = ASN_OCTETSTRING;
  value.asnValue.string.stream = nullptr;
  value.asnValue.string.length = static_cast<UINT>(bytes.size());
  value.asnValue.string.dynamic = FALSE;
  if (bytes.empty()) return true;
  BYTE* stream = static_cast<BYTE*>(SnmpUtilMemAlloc(static_cast<UINT>(bytes.size())));
  if (!stream) return false;
  memcpy(stream, bytes.data(), bytes.size());
  value.asnValue.string.stream = stream;
  value.asnValue.string.dynamic = TRUE;
  return true;
}

// The value of one instance of `instances`.
bool Answer(const Oid& name, const std::map<UINT, Interface>& interfaces, AsnAny& value) {
  if (name.size() == 9 && std::equal(std::begin(kIfNumber), std::end(kIfNumber), name.begin())) {
    SetInteger(value, ASN_INTEGER, static_cast<AsnInteger32>(interfaces.size()));
    return true;
  }
  auto it = interfaces.find(name.back());
  if (name.size() != 11 || it == interfaces.end()) return false;
  const Interface& i = it->second;
  switch (name[9]) {
    case kIndex: SetInteger(value, ASN_INTEGER, static_cast<AsnInteger32>(it->first)); return true;
    case kDescr: return SetString(value, i.name);
    case kType: SetInteger(value, ASN_INTEGER, static_cast<AsnInteger32>(i.type)); return true;
    case kMtu: SetInteger(value, ASN_INTEGER, static_cast<AsnInteger32>(i.mtu)); return true;
    case kPhysAddress: return SetString(value, i.address);
    case kOperStatus: SetInteger(value, ASN_INTEGER, i.up ? 1 : 2); return true;
    default: return false;
  }
}

}  // namespace

namespace jf {
namespace kernel {

BOOL SnmpExtensionInit(DWORD, HANDLE* trapEvent, AsnObjectIdentifier* region) {
  static UINT mib2[] = {1, 3, 6, 1, 2, 1};
  if (trapEvent) *trapEvent = nullptr;
  if (region) {
    region->idLength = 6;
    region->ids = mib2;
  }
  return TRUE;
}

BOOL SnmpExtensionInitEx(AsnObjectIdentifier*) { return FALSE; }

BOOL SnmpExtensionTrap(AsnObjectIdentifier*, AsnInteger32*, AsnInteger32*, AsnTimeticks*, SnmpVarBindList*) {
  return FALSE;
}

BOOL SnmpExtensionQuery(BYTE pduType, SnmpVarBindList* binds, AsnInteger32* errorStatus, AsnInteger32* errorIndex) {
  if (!binds || !errorStatus || !errorIndex) return FALSE;
  *errorStatus = SNMP_ERRORSTATUS_NOERROR;
  *errorIndex = 0;
  if (pduType != SNMP_PDU_GET && pduType != SNMP_PDU_GETNEXT) {
    *errorStatus = SNMP_ERRORSTATUS_GENERR;
    return TRUE;
  }
  std::map<UINT, Interface> interfaces = ReadInterfaces();
  std::vector<Oid> instances = Instances(interfaces);
  for (UINT k = 0; k < binds->len; ++k) {
    SnmpVarBind& bind = binds->list[k];
    Oid asked = ToOid(bind.name);
    Oid name;
    if (pduType == SNMP_PDU_GET) {
      if (std::binary_search(instances.begin(), instances.end(), asked)) name = asked;
    } else {
      auto next = std::upper_bound(instances.begin(), instances.end(), asked);
      if (next != instances.end()) name = *next;
    }
    if (name.empty() || !SetName(bind.name, name) || !Answer(name, interfaces, bind.value)) {
      *errorStatus = SNMP_ERRORSTATUS_NOSUCHNAME;
      *errorIndex = static_cast<AsnInteger32>(k + 1);
      return TRUE;
    }
  }
  return TRUE;
}

}  // namespace kernel
}  // namespace jf

LPVOID SNMP_FUNC_TYPE SnmpUtilMemAlloc(UINT nBytes) { return calloc(1, nBytes ? nBytes : 1); }

VOID SNMP_FUNC_TYPE SnmpUtilMemFree(LPVOID pMem) { free(pMem); }

SNMPAPI SNMP_FUNC_TYPE SnmpUtilOidCpy(AsnObjectIdentifier* dst, AsnObjectIdentifier* src) {
  if (!dst || !src) return SNMPAPI_ERROR;
  dst->ids = nullptr;
  dst->idLength = 0;
  if (src->idLength == 0 || !src->ids) return SNMPAPI_NOERROR;
  dst->ids = static_cast<UINT*>(SnmpUtilMemAlloc(src->idLength * static_cast<UINT>(sizeof(UINT))));
  if (!dst->ids) return SNMPAPI_ERROR;
  memcpy(dst->ids, src->ids, src->idLength * sizeof(UINT));
  dst->idLength = src->idLength;
  return SNMPAPI_NOERROR;
}

VOID SNMP_FUNC_TYPE SnmpUtilOidFree(AsnObjectIdentifier* oid) {
  if (!oid) return;
  SnmpUtilMemFree(oid->ids);
  oid->ids = nullptr;
  oid->idLength = 0;
}

SNMPAPI SNMP_FUNC_TYPE SnmpUtilOidNCmp(AsnObjectIdentifier* a, AsnObjectIdentifier* b, UINT n) {
  if (!a || !b) return 0;
  for (UINT i = 0; i < n; ++i) {
    if (i >= a->idLength || i >= b->idLength) return a->idLength > b->idLength ? 1 : a->idLength < b->idLength ? -1 : 0;
    if (a->ids[i] != b->ids[i]) return a->ids[i] < b->ids[i] ? -1 : 1;
  }
  return 0;
}

SNMPAPI SNMP_FUNC_TYPE SnmpUtilOidCmp(AsnObjectIdentifier* a, AsnObjectIdentifier* b) {
  if (!a || !b) return 0;
  UINT n = a->idLength > b->idLength ? a->idLength : b->idLength;
  return SnmpUtilOidNCmp(a, b, n);
}

SNMPAPI SNMP_FUNC_TYPE SnmpUtilAsnAnyCpy(AsnAny* dst, AsnAny* src) {
  if (!dst || !src) return SNMPAPI_ERROR;
  *dst = *src;
  switch (src->asnType) {
    case ASN_OBJECTIDENTIFIER: return SnmpUtilOidCpy(&dst->asnValue.object, &src->asnValue.object);
    case ASN_OCTETSTRING:
    case ASN_IPADDRESS:
    case ASN_SEQUENCE: {
      AsnOctetString& d = dst->asnValue.string;
      const AsnOctetString& s = src->asnValue.string;
      d.stream = nullptr;
      d.dynamic = FALSE;
      if (s.length == 0 || !s.stream) return SNMPAPI_NOERROR;
      d.stream = static_cast<BYTE*>(SnmpUtilMemAlloc(s.length));
      if (!d.stream) return SNMPAPI_ERROR;
      memcpy(d.stream, s.stream, s.length);
      d.dynamic = TRUE;
      return SNMPAPI_NOERROR;
    }
    default: return SNMPAPI_NOERROR;
  }
}

VOID SNMP_FUNC_TYPE SnmpUtilAsnAnyFree(AsnAny* any) {
  if (!any) return;
  switch (any->asnType) {
    case ASN_OBJECTIDENTIFIER: SnmpUtilOidFree(&any->asnValue.object); break;
    case ASN_OCTETSTRING:
    case ASN_IPADDRESS:
    case ASN_SEQUENCE:
      if (any->asnValue.string.dynamic) SnmpUtilMemFree(any->asnValue.string.stream);
      any->asnValue.string.stream = nullptr;
      any->asnValue.string.length = 0;
      any->asnValue.string.dynamic = FALSE;
      break;
    default: break;
  }
  any->asnType = ASN_NULL;
}

VOID SNMP_FUNC_TYPE SnmpUtilVarBindFree(SnmpVarBind* vb) {
  if (!vb) return;
  SnmpUtilOidFree(&vb->name);
  SnmpUtilAsnAnyFree(&vb->value);
}
