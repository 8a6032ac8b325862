// Writes each line as one enciphered record of the run's log file (see LogRecordCipher).
#pragma once

#include <cstdio>
#include <string>

#include "commonlib/logger/BaseLogger.h"
#include "commonlib/logger/CSingleton.h"

class FileLogger : public BaseLogger, public CSingleton<FileLogger> {
 public:
  FileLogger();
  // Closes a previous file and creates `path` anew; true when it is open.
  bool Open(const std::wstring& path);
  // Flushes and closes the file; later lines are dropped.
  void Close();
  void Write(std::wstring& line) override;
  bool IsEnabled() override;

 private:
  FILE* m_file;
};
