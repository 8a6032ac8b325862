// A unit of work that a background thread hands to the main thread.
#pragma once

#include "commonlib/thread/CRefThreadSafeBase.h"

class MainThreadTaskBase : public CRefThreadSafeBase<MainThreadTaskBase> {
 public:
  virtual void Run() = 0;
  virtual ~MainThreadTaskBase() {}
};
