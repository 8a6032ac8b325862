#include "platform/src/web/GlibPumpCore.h"

#include <glib.h>

namespace jf {

void GlibPumpCore::DispatchAndPrepare(std::vector<pollfd>* fds, int* timeoutMs) {
  GMainContext* ctx = g_main_context_default();
  for (;;) {
    // Bounded, so that a busy page cannot starve the window's own messages.
    for (int i = 0; i < 64 && g_main_context_iteration(ctx, FALSE); ++i) {
    }
    if (!g_main_context_acquire(ctx)) {  // another thread owns the context: look again soon
      fds->clear();
      *timeoutMs = 10;
      return;
    }
    gint priority = 0;
    g_main_context_prepare(ctx, &priority);
    std::vector<GPollFD> records(8);
    gint timeout = -1;
    gint n;
    while ((n = g_main_context_query(ctx, priority, &timeout, records.data(), gint(records.size()))) >
           gint(records.size())) {
      records.resize(size_t(n));
    }
    records.resize(size_t(n));
    // Close the cycle without waiting; a source that became ready meanwhile means another round.
    const bool ready = g_main_context_check(ctx, priority, records.data(), n);
    if (ready) g_main_context_dispatch(ctx);
    g_main_context_release(ctx);
    if (ready) continue;
    fds->resize(records.size());
    for (size_t i = 0; i < records.size(); ++i) (*fds)[i] = pollfd{records[i].fd, short(records[i].events), 0};
    *timeoutMs = timeout;
    return;
  }
}

}  // namespace jf
