#include "commonlib/logger/TraceLogger.h"

#include <windows.h>

TraceLogger::TraceLogger() : m_enabled(1) { SetOptions(new LogOptions()); }

void TraceLogger::Write(std::wstring& line) {
  if (IsEnabled()) OutputDebugStringW(line.c_str());
}

bool TraceLogger::IsEnabled() { return m_options != nullptr && m_enabled != 0; }
