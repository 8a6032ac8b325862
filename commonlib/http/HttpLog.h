// Every event of the HTTP layer goes to the file log (with its source line and file) and
// to the trace log.
#pragma once

#include "commonlib/logger/BaseLogger.h"

class HttpLog {
 public:
  static void Write(int level, int line, const wchar_t* file, const wchar_t* format, ...);
};

#define JF_HTTP_LOG(level, file, ...) HttpLog::Write((level), __LINE__, (file), __VA_ARGS__)
