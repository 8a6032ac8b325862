// The GLib side of the pump: the UI thread dispatches what is ready and hands out the
// descriptors and the time-out to wait on; another thread only polls them.
#pragma once
#include <poll.h>

#include <vector>

namespace jf {

class GlibPumpCore {
 public:
  // Dispatches ready sources (bounded), then fills what to wait on next. Timeout -1: none.
  void DispatchAndPrepare(std::vector<pollfd>* fds, int* timeoutMs);
};

}  // namespace jf
