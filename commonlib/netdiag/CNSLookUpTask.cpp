#include "commonlib/netdiag/CNSLookUpTask.h"

#include <winsock2.h>

#include <vector>

#include "commonlib/core/DeploymentProfile.h"
#include "commonlib/http/CDnsResolver.h"
#include "commonlib/util/StringUtils.h"

CNSLookUpTask::CNSLookUpTask(const std::string& host, const std::string& server,
                             NetToolCallback callback, void* context)
    : CNetToolTask(host, callback, context), m_server(server) {}

void CNSLookUpTask::Run() {
  CDnsResolver resolver;
  resolver.Init();  // a failed set-up only makes every query below fail
  std::vector<std::string> servers;
  if (m_server.empty()) servers = DeploymentProfile::PublicResolvers();
  else StringUtils::SplitA(servers, m_server);
  auto stopped = [this] { return Stopped(); };
  std::vector<std::string> texts;
  bool ok = false;
  for (const std::string& server : servers) {
    if (Stopped()) break;
    uint32_t address = inet_addr(server.c_str());
    // An empty piece or a name is no server: never send to the broadcast address.
    if (address == INADDR_NONE) continue;
    ok = resolver.Resolve(m_host.c_str(), address, texts, stopped);
    if (ok) break;
  }
  if (!Stopped()) {
    std::string joined;
    for (const std::string& t : texts) joined += (joined.empty() ? "" : ";") + t;
    PostResult(ok ? 0 : -1, ok ? joined : std::string());
  }
  resolver.Release();  // its one Winsock cleanup
}
