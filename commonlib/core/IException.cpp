#include "commonlib/core/IException.h"

#include "commonlib/logger/FileLogger.h"
#include "commonlib/logger/TraceLogger.h"
#include "commonlib/util/StringUtils.h"

IException::IException() : m_code(0), m_line(0) {}

IException::IException(int code, const std::wstring& message)
    : m_code(code), m_message(message), m_line(0) {}

IException::IException(const IException& other) = default;

IException& IException::operator=(const IException& other) = default;

IException::~IException() = default;

void IException::SetLocation(const char* file, int line) {
  m_file = file ? StringUtils::AnsiToWide(file) : std::wstring();
  m_line = line;
}

std::wstring& IException::Format(std::wstring& out) {
  out = StringUtils::Format(L"[Exception]%s(%d): code:%d errMsg:%s", m_file.c_str(), m_line, m_code,
                            m_message.c_str());
  return out;
}

bool IException::IsError(const std::wstring& /*text*/) { return true; }

bool IException::Log() {
  std::wstring text;
  Format(text);
  // The text goes in as an argument: a '%' in the message must not read arguments.
  FileLogger::Instance().LogAt(kLogError, 23, L".\\core\\ExceptionImpl", L"%s", text.c_str());
  TraceLogger::Instance().Log(kLogError, L"%s", text.c_str());
  IsError(text);
  return true;
}
