// The spare addresses of the installer's requests and downloads. Every list is dotted IPv4
// addresses joined by ";".
#pragma once

#include <map>
#include <string>

struct SpareDnsTable {
  std::wstring dnsServers;         // name servers that the first lookup asks
  std::wstring testDomain;         // host that the first lookup resolves
  std::wstring downloadAddresses;  // spare addresses of every installer download
  std::wstring infoAddresses;      // spare addresses of the installer-information request
  std::map<std::wstring, std::wstring> selectorLists;  // lookup answer -> download list
};

// Fills the table from the deployment profile.
void InitSpareDnsTable(SpareDnsTable& table);
// The process-wide table, filled on first use.
SpareDnsTable& GetSpareDnsTable();
