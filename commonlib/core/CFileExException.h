// Thrown by the file wrapper on a failed file operation.
#pragma once

#include "commonlib/core/IException.h"

class CFileExException : public IException {
 public:
  CFileExException() = default;
  CFileExException(int code, const std::wstring& message) : IException(code, message) {}
};
