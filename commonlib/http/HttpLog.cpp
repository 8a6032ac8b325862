#include "commonlib/http/HttpLog.h"

#include <cstdarg>

#include "commonlib/logger/FileLogger.h"
#include "commonlib/logger/TraceLogger.h"

void HttpLog::Write(int level, int line, const wchar_t* file, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  FileLogger::Instance().LogAtV(level, line, file, format, args);
  TraceLogger::Instance().LogV(level, format, copy);
  va_end(copy);
  va_end(args);
}
