#include "tests/support/TraceSettingScope.h"

#include <stdlib.h>

#include "platform/src/internal/trace.h"

TraceSettingScope::TraceSettingScope(const char* spec) {
  const char* old = getenv("JF_TRACE");
  had_ = old != nullptr;
  if (had_) saved_ = old;
  setenv("JF_TRACE", spec, 1);
  jf::TraceReload();
}

TraceSettingScope::~TraceSettingScope() {
  if (had_) {
    setenv("JF_TRACE", saved_.c_str(), 1);
  } else {
    unsetenv("JF_TRACE");
  }
  jf::TraceReload();
}
