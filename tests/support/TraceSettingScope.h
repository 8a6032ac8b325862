// Turns on the layer's trace channels of a JF_TRACE spec ("+controls", "1", "-all") while it
// lives, and restores the variable after.
#pragma once

#include <string>

class TraceSettingScope {
 public:
  explicit TraceSettingScope(const char* spec);
  ~TraceSettingScope();
  TraceSettingScope(const TraceSettingScope&) = delete;
  TraceSettingScope& operator=(const TraceSettingScope&) = delete;

 private:
  bool had_ = false;
  std::string saved_;
};
