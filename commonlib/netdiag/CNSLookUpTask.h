// A name lookup with the own DNS query: the given servers (dotted addresses joined by ";")
// or the public resolvers, asked in turn until one answers.
#pragma once

#include "commonlib/netdiag/CNetToolTask.h"

class CNSLookUpTask : public CNetToolTask {
 public:
  CNSLookUpTask(const std::string& host, const std::string& server, NetToolCallback callback,
                void* context);
  void Run() override;

  std::string m_server;
};
