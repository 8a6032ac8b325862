// Base of the system's exceptions: a code, a message and where it was thrown.
#pragma once

// First, so that GetMessage below is renamed by the same macro as at every use.
#include <windows.h>

#include <string>

class IException {
 public:
  IException();
  IException(int code, const std::wstring& message);
  IException(const IException& other);
  IException& operator=(const IException& other);
  virtual ~IException();

  // "[Exception]file(line): code:N errMsg:message"
  virtual std::wstring& Format(std::wstring& out);
  virtual bool IsError(const std::wstring& text);
  // Logs the formatted text at the error level to the file and trace loggers.
  virtual bool Log();

  // `file` is a narrow name in the system code page.
  void SetLocation(const char* file, int line);

  int GetCode() const { return m_code; }
  const std::wstring& GetMessage() const { return m_message; }
  const std::wstring& GetFile() const { return m_file; }
  int GetLine() const { return m_line; }
  void SetCode(int code) { m_code = code; }
  void SetMessage(const std::wstring& message) { m_message = message; }

 protected:
  int m_code;
  std::wstring m_message;
  std::wstring m_file;
  int m_line;
};
