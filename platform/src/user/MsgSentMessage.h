// A message sent to a window of another thread, waiting in that thread's queue.
#pragma once
#include <windows.h>

#include <memory>

namespace jf {

class MsgQueue;

struct MsgSentMessage {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  // The waiting sender; null for SendNotifyMessageW.
  std::shared_ptr<MsgQueue> sender;
  // Guarded by the sender's queue lock.
  bool done = false;
  LRESULT result = 0;
};

}  // namespace jf
