#include "commonlib/netdiag/CNetToolTask.h"

#include "commonlib/netdiag/CNetToolThread.h"

CNetToolTask::CNetToolTask(const std::string& host, NetToolCallback callback, void* context)
    : m_host(host), m_cancel(0), m_callback(callback), m_context(context) {}

CNetToolTask::~CNetToolTask() {}

void CNetToolTask::PostResult(int code, const std::string& text) const {
  PostNetToolResult(m_callback, code, m_context, m_host, text);
}
