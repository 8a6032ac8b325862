// Turns on the layer's trace channels of a JF_TRACE spec ("+controls", "1", "-all") while it
// lives, and restores the variable after.
#pragma once

#include <string>

class TraceSpecScope {
 public:
  explicit TraceSpecScope(const char* spec);
  ~TraceSpecScope();
  TraceSpecScope(const TraceSpecScope&) = delete;
  TraceSpecScope& operator=(const TraceSpecScope&) = delete;

 private:
  bool had_ = false;
  std::string saved_;
};
