// One queued call for the main thread.
#pragma once

#include "commonlib/thread/CRefPtr.h"
#include "commonlib/thread/MainThreadTaskBase.h"

class CCondition;

typedef void (*MainThreadInvoke)(CRefPtr<MainThreadTaskBase>& task);

struct MainThreadQueueEntry {
  MainThreadInvoke invoke = nullptr;
  CRefPtr<MainThreadTaskBase> task;
  CCondition* done = nullptr;  // notified once after the task ran; may be null
};
