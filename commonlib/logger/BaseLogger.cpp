#include "commonlib/logger/BaseLogger.h"

#include <ctime>
#include <cwchar>
#include <vector>

#include <windows.h>

#include "commonlib/thread/CScopedLock.h"
#include "commonlib/util/StringUtils.h"

namespace {

const size_t kTagChars = 64;        // tags hold at most 63 characters
const size_t kSourceTagChars = 2048;  // the source tag at most 2047

// Formats one tag; a tag that does not fit or formats to nothing is left out.
void AppendTag(std::wstring& out, size_t bufferChars, const wchar_t* format, ...) {
  std::vector<wchar_t> buffer(bufferChars, L'\0');
  va_list args;
  va_start(args, format);
  int n = _vsnwprintf(buffer.data(), bufferChars - 1, format, args);
  va_end(args);
  if (n > 0) out.append(buffer.data(), static_cast<size_t>(n));
}

const wchar_t* LevelName(int level) {
  switch (level) {
    case 0:
      return L"INFO";
    case 1:
      return L"WARN";
    case 2:
      return L"ERRO";
    default:
      return nullptr;
  }
}

}  // namespace

BaseLogger::BaseLogger() : m_options(nullptr) {}

BaseLogger::~BaseLogger() { delete m_options; }

void BaseLogger::SetOptions(LogOptions* options) {
  CScopedLock lock(m_lock);
  delete m_options;
  m_options = options;
}

void BaseLogger::Log(int level, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  LogV(level, format, args);
  va_end(args);
}

void BaseLogger::LogAt(int level, int line, const wchar_t* file, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  LogAtV(level, line, file, format, args);
  va_end(args);
}

void BaseLogger::LogV(int level, const wchar_t* format, va_list args) {
  CScopedLock lock(m_lock);
  if (!IsEnabled()) return;
  std::wstring message = StringUtils::FormatV(format, args);
  WriteLine(level, nullptr, nullptr, message.c_str());
}

void BaseLogger::LogAtV(int level, int line, const wchar_t* file, const wchar_t* format,
                        va_list args) {
  CScopedLock lock(m_lock);
  if (!IsEnabled()) return;
  std::wstring message = StringUtils::FormatV(format, args);
  WriteLine(level, &line, file, message.c_str());
}

// The text is an argument, never a format: a '%' in it must not read arguments.
void BaseLogger::Info(const wchar_t* text) { Log(kLogInfo, L"%s", text ? text : L""); }

void BaseLogger::Error(const wchar_t* text) { Log(kLogError, L"%s", text ? text : L""); }

void BaseLogger::WriteLine(int level, const int* line, const wchar_t* file, const wchar_t* message) {
  if (!m_options) return;
  const uint32_t flags = m_options->flags;
  std::wstring out;
  if (const wchar_t* name = LevelName(level)) AppendTag(out, kTagChars, L"[%4s]", name);
  if (flags & LogOptions::kTime) {
    std::time_t now = std::time(nullptr);
    std::tm local = {};
    localtime_s(&local, &now);
    wchar_t timeText[32] = {};
    if (std::wcsftime(timeText, 32, L"[%Y-%m-%d %H:%M:%S]", &local) == 0) timeText[0] = L'\0';
    AppendTag(out, kTagChars, L"%s[tick:%u]", timeText, static_cast<unsigned>(GetTickCount()));
  }
  if (flags & LogOptions::kProcessId) {
    AppendTag(out, kTagChars, L"[pid:%d]", static_cast<int>(GetCurrentProcessId()));
  }
  if (flags & LogOptions::kThreadId) {
    AppendTag(out, kTagChars, L"[tid:%d]", static_cast<int>(GetCurrentThreadId()));
  }
  if (line) AppendTag(out, kSourceTagChars, L"[%s:%d]", file ? file : L"", *line);
  if (message) out += message;
  if (m_options->appendCrLf) out += L"\r\n";
  Write(out);
}
