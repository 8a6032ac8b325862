// Four pings of the host; the text comes back in UTF-8 with code 0.
#pragma once

#include "commonlib/netdiag/CNetToolTask.h"

class CPingTask : public CNetToolTask {
 public:
  using CNetToolTask::CNetToolTask;
  void Run() override;
};
