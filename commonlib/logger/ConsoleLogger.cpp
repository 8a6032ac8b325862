#include "commonlib/logger/ConsoleLogger.h"

#include <windows.h>

ConsoleLogger::ConsoleLogger() : m_enabled(0) { SetOptions(new LogOptions()); }

void ConsoleLogger::Write(std::wstring& line) {
  if (!IsEnabled()) return;
  DWORD written = 0;
  WriteConsoleW(GetStdHandle(STD_OUTPUT_HANDLE), line.c_str(), static_cast<DWORD>(line.size()),
                &written, nullptr);
}

bool ConsoleLogger::IsEnabled() { return m_options != nullptr && m_enabled != 0; }
