#include "commonlib/core/DeploymentProfile.h"

#include <mutex>

namespace {

#if defined(JF_PROFILE_production)
const char kName[] = "production";
const char* const kResolvers[] = {"114.114.114.114", "223.5.5.5", "119.29.29.29", "180.76.76.76"};
const wchar_t kStatistics[] = L"http://stat.example.com/";
const wchar_t kReport[] = L"http://report.example.com:8080/api/jf/data/rece_download_data";
const wchar_t* const kUpdate[] = {L"https://update.example.com/vrminiinstall.txt",
                                  L"http://update.example.com/vrminiinstall.txt",
                                  L"http://update2.example.com/vrminiinstall.txt"};
const wchar_t kSpareDns[] = L"114.114.114.114;223.5.5.5;119.29.29.29;180.76.76.76";
const wchar_t kSpareDomain[] = L"spare.example.com";
const wchar_t kSpareDownload[] = L"192.0.2.11;192.0.2.12;192.0.2.13;192.0.2.14";
const wchar_t kSpareInfo[] = L"192.0.2.21;192.0.2.22;192.0.2.23;192.0.2.24;192.0.2.25;192.0.2.26";
const wchar_t* const kSelectors[][2] = {
    {L"198.51.100.1", L"192.0.2.31;192.0.2.32"},
    {L"198.51.100.2", L"192.0.2.11;192.0.2.12;192.0.2.13;192.0.2.14"},
    {L"198.51.100.3", L"192.0.2.41;192.0.2.42;192.0.2.43;192.0.2.44"},
    {L"198.51.100.4", L"192.0.2.51;192.0.2.52;192.0.2.53;192.0.2.54;192.0.2.55"},
    {L"198.51.100.5", L"192.0.2.61;192.0.2.62;192.0.2.63;192.0.2.64"},
};
#else
const char kName[] = "loopback";
const char* const kResolvers[] = {"127.0.0.1", "127.0.0.2", "127.0.0.3", "127.0.0.4"};
const wchar_t kStatistics[] = L"http://127.0.0.1/";
const wchar_t kReport[] = L"http://127.0.0.1:8080/api/jf/data/rece_download_data";
const wchar_t* const kUpdate[] = {L"https://127.0.0.1/vrminiinstall.txt",
                                  L"http://127.0.0.1/vrminiinstall.txt",
                                  L"http://127.0.0.2/vrminiinstall.txt"};
const wchar_t kSpareDns[] = L"127.0.0.1;127.0.0.2;127.0.0.3;127.0.0.4";
const wchar_t kSpareDomain[] = L"spare.localhost";
const wchar_t kSpareDownload[] = L"127.0.0.2;127.0.0.3;127.0.1.2;127.0.1.3";
const wchar_t kSpareInfo[] = L"127.0.0.2;127.0.0.3;127.0.2.2;127.0.2.3;127.0.2.4;127.0.2.5";
const wchar_t* const kSelectors[][2] = {
    {L"127.0.9.1", L"127.0.0.2;127.0.0.3"},
    {L"127.0.9.2", L"127.0.0.2;127.0.0.3;127.0.1.2;127.0.1.3"},
    {L"127.0.9.3", L"127.0.3.1;127.0.3.2;127.0.3.3;127.0.3.4"},
    {L"127.0.9.4", L"127.0.4.1;127.0.4.2;127.0.4.3;127.0.4.4;127.0.4.5"},
    {L"127.0.9.5", L"127.0.5.1;127.0.5.2;127.0.5.3;127.0.5.4"},
};
#endif

struct ResolverOverride {
  std::mutex lock;
  bool active = false;
  std::vector<std::string> servers;
  uint16_t port = 53;
};

ResolverOverride& Override() {
  static ResolverOverride o;
  return o;
}

}  // namespace

const char* DeploymentProfile::Name() { return kName; }

std::vector<std::string> DeploymentProfile::PublicResolvers() {
  ResolverOverride& o = Override();
  std::lock_guard<std::mutex> g(o.lock);
  if (o.active) return o.servers;
  return std::vector<std::string>(std::begin(kResolvers), std::end(kResolvers));
}

uint16_t DeploymentProfile::DnsPort() {
  ResolverOverride& o = Override();
  std::lock_guard<std::mutex> g(o.lock);
  return o.active ? o.port : 53;
}

void DeploymentProfile::OverrideResolvers(const std::vector<std::string>& servers, uint16_t port) {
  ResolverOverride& o = Override();
  std::lock_guard<std::mutex> g(o.lock);
  o.active = true;
  o.servers = servers;
  o.port = port;
}

void DeploymentProfile::RestoreResolvers() {
  ResolverOverride& o = Override();
  std::lock_guard<std::mutex> g(o.lock);
  o.active = false;
  o.servers.clear();
  o.port = 53;
}

std::wstring DeploymentProfile::StatisticsServerUrl() { return kStatistics; }

std::wstring DeploymentProfile::DownloadReportUrl() { return kReport; }

std::vector<std::wstring> DeploymentProfile::UpdateUrls() {
  return std::vector<std::wstring>(std::begin(kUpdate), std::end(kUpdate));
}

std::wstring DeploymentProfile::SpareDnsServers() { return kSpareDns; }

std::wstring DeploymentProfile::SpareTestDomain() { return kSpareDomain; }

std::wstring DeploymentProfile::SpareDownloadAddresses() { return kSpareDownload; }

std::wstring DeploymentProfile::SpareInfoAddresses() { return kSpareInfo; }

std::vector<std::pair<std::wstring, std::wstring>> DeploymentProfile::SpareSelectorLists() {
  std::vector<std::pair<std::wstring, std::wstring>> out;
  for (const auto& s : kSelectors) out.emplace_back(s[0], s[1]);
  return out;
}
