// Writes each line to the debugger output. Enabled from construction.
#pragma once

#include "commonlib/logger/BaseLogger.h"
#include "commonlib/logger/CSingleton.h"

class TraceLogger : public BaseLogger, public CSingleton<TraceLogger> {
 public:
  TraceLogger();
  void Write(std::wstring& line) override;
  bool IsEnabled() override;

 private:
  unsigned char m_enabled;
};
