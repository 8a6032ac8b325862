// Base of the loggers: builds a line from tags and a formatted message under the logger's
// own lock and hands it to Write. Formats follow the Windows wide printf rules (%s is wide).
#pragma once

#include <cstdarg>
#include <string>

#include "commonlib/logger/LogOptions.h"
#include "commonlib/thread/CCriticalLock.h"

enum LogLevel { kLogInfo = 0, kLogWarn = 1, kLogError = 2 };

class BaseLogger {
 public:
  BaseLogger();
  virtual ~BaseLogger();
  BaseLogger(const BaseLogger&) = delete;
  BaseLogger& operator=(const BaseLogger&) = delete;

  virtual void Log(int level, const wchar_t* format, ...);
  // Note the order: line number before file name.
  virtual void LogAt(int level, int line, const wchar_t* file, const wchar_t* format, ...);
  // The text is written as it is (never read as a format).
  virtual void Info(const wchar_t* text);
  virtual void Error(const wchar_t* text);
  virtual void Write(std::wstring& line) = 0;
  virtual bool IsEnabled() = 0;

  void LogV(int level, const wchar_t* format, va_list args);
  void LogAtV(int level, int line, const wchar_t* file, const wchar_t* format, va_list args);

  // Takes ownership; null makes the logger write nothing.
  void SetOptions(LogOptions* options);

 protected:
  // Builds the line (tags, message, line end) and writes it; the caller holds the lock.
  void WriteLine(int level, const int* line, const wchar_t* file, const wchar_t* message);

  LogOptions* m_options;
  CCriticalLock m_lock;
};
