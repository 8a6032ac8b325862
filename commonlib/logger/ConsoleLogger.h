// Writes each line to standard output; created switched off.
#pragma once

#include "commonlib/logger/BaseLogger.h"
#include "commonlib/logger/CSingleton.h"

class ConsoleLogger : public BaseLogger, public CSingleton<ConsoleLogger> {
 public:
  ConsoleLogger();
  void Write(std::wstring& line) override;
  bool IsEnabled() override;

 private:
  unsigned char m_enabled;
};
