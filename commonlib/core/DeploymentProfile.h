// Hosts, addresses and name servers of the deployment, compiled in. The default profile
// points everything at loopback; a build for real servers selects the production profile.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class DeploymentProfile {
 public:
  // "loopback" or "production".
  static const char* Name();

  // The public resolvers that the own DNS query asks, in the order of asking, and their
  // UDP port (53). Tests point both at a responder of their own.
  static std::vector<std::string> PublicResolvers();
  static uint16_t DnsPort();
  // Replaces the resolvers and the port until RestoreResolvers.
  static void OverrideResolvers(const std::vector<std::string>& servers, uint16_t port);
  static void RestoreResolvers();

  // Statistics server: scheme, host and the path "/".
  static std::wstring StatisticsServerUrl();
  // Download report endpoint (port 8080).
  static std::wstring DownloadReportUrl();
  // The three built-in addresses of the installer-information file, in the order tried:
  // the update host over https, the same host over http, a second update host over http.
  static std::vector<std::wstring> UpdateUrls();

  // The spare-address table; every list is dotted IPv4 addresses joined by ";".
  static std::wstring SpareDnsServers();
  static std::wstring SpareTestDomain();
  static std::wstring SpareDownloadAddresses();
  static std::wstring SpareInfoAddresses();
  // Selector address -> spare address list, in order.
  static std::vector<std::pair<std::wstring, std::wstring>> SpareSelectorLists();
};
