#include "commonlib/http/SpareDnsTable.h"

#include "commonlib/core/DeploymentProfile.h"

void InitSpareDnsTable(SpareDnsTable& table) {
  table.dnsServers = DeploymentProfile::SpareDnsServers();
  table.testDomain = DeploymentProfile::SpareTestDomain();
  table.downloadAddresses = DeploymentProfile::SpareDownloadAddresses();
  table.infoAddresses = DeploymentProfile::SpareInfoAddresses();
  table.selectorLists.clear();
  for (const auto& entry : DeploymentProfile::SpareSelectorLists()) table.selectorLists[entry.first] = entry.second;
}

SpareDnsTable& GetSpareDnsTable() {
  static SpareDnsTable table = [] {
    SpareDnsTable t;
    InitSpareDnsTable(t);
    return t;
  }();
  return table;
}
