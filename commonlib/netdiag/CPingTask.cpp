#include "commonlib/netdiag/CPingTask.h"

#include "commonlib/netdiag/CPinger.h"
#include "commonlib/util/StringUtils.h"

void CPingTask::Run() {
  CPinger pinger;
  pinger.SetStopCheck([this] { return Stopped(); });
  pinger.Init();
  std::wstring text;
  pinger.Ping(m_host.c_str(), text);
  PostResult(0, StringUtils::WideToUtf8(text));
  pinger.Release();  // its one Winsock cleanup
}
