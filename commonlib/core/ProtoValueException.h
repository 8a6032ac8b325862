// Thrown by the ProtoValue accessors on a wrong-type access.
#pragma once

#include "commonlib/core/IException.h"

class ProtoValueException : public IException {
 public:
  ProtoValueException() = default;
  ProtoValueException(int code, const std::wstring& message) : IException(code, message) {}
};
