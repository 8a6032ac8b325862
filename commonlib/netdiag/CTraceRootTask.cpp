#include "commonlib/netdiag/CTraceRootTask.h"

#include <vector>

#include "commonlib/netdiag/CTraceRouter.h"
#include "commonlib/util/StringUtils.h"

void CTraceRootTask::Run() {
  CTraceRouter router;
  router.SetStopCheck([this] { return Stopped(); });
  std::wstring text;
  std::vector<CTraceRouter::Hop> hops;
  router.Trace(StringUtils::AnsiToWide(m_host), text, hops);
  PostResult(0, StringUtils::WideToUtf8(text));
}
