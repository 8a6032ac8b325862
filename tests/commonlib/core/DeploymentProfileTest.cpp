#include <gtest/gtest.h>

#include "commonlib/core/DeploymentProfile.h"

namespace {

size_t Count(const std::wstring& list) {
  if (list.empty()) return 0;
  size_t n = 1;
  for (wchar_t ch : list) n += ch == L';';
  return n;
}

bool Loopback(const std::wstring& text) { return text.find(L"127.0.") != std::wstring::npos; }

TEST(DeploymentProfile, DefaultProfileStaysOnLoopback) {
  ASSERT_STREQ("loopback", DeploymentProfile::Name());
  auto resolvers = DeploymentProfile::PublicResolvers();
  ASSERT_EQ(4u, resolvers.size());
  for (const auto& r : resolvers) EXPECT_EQ(0u, r.rfind("127.", 0)) << r;
  EXPECT_EQ(53, DeploymentProfile::DnsPort());
  EXPECT_TRUE(Loopback(DeploymentProfile::StatisticsServerUrl()));
  EXPECT_NE(std::wstring::npos, DeploymentProfile::DownloadReportUrl().find(L":8080/api/jf/data/rece_download_data"));
  auto updates = DeploymentProfile::UpdateUrls();
  ASSERT_EQ(3u, updates.size());
  EXPECT_EQ(0u, updates[0].rfind(L"https://", 0));
  EXPECT_EQ(0u, updates[1].rfind(L"http://", 0));
  for (const auto& u : updates) EXPECT_TRUE(Loopback(u));
}

TEST(DeploymentProfile, SpareTableHasItsShape) {
  EXPECT_EQ(4u, Count(DeploymentProfile::SpareDnsServers()));
  EXPECT_EQ(4u, Count(DeploymentProfile::SpareDownloadAddresses()));
  EXPECT_EQ(6u, Count(DeploymentProfile::SpareInfoAddresses()));
  auto selectors = DeploymentProfile::SpareSelectorLists();
  ASSERT_EQ(5u, selectors.size());
  const size_t sizes[] = {2, 4, 4, 5, 4};
  int matches = 0;
  for (size_t i = 0; i < selectors.size(); ++i) {
    EXPECT_EQ(1u, Count(selectors[i].first));
    EXPECT_EQ(sizes[i], Count(selectors[i].second));
    matches += selectors[i].second == DeploymentProfile::SpareDownloadAddresses();
  }
  EXPECT_EQ(1, matches);
}

TEST(DeploymentProfile, ResolversCanBeOverridden) {
  DeploymentProfile::OverrideResolvers({"127.0.0.9"}, 5353);
  EXPECT_EQ(std::vector<std::string>{"127.0.0.9"}, DeploymentProfile::PublicResolvers());
  EXPECT_EQ(5353, DeploymentProfile::DnsPort());
  DeploymentProfile::RestoreResolvers();
  EXPECT_EQ(4u, DeploymentProfile::PublicResolvers().size());
  EXPECT_EQ(53, DeploymentProfile::DnsPort());
}

}  // namespace
