// Whole ProtoValue trees to and from the byte format.
#pragma once

#include <string>

#include "commonlib/core/ProtoValue.h"

// True (out = exactly the bytes) when the tree was written; out is untouched otherwise.
bool ProtoValueToBytes(std::string& out, const ProtoValue& v);
// True when a value was read from the front of bytes; bytes behind it are ignored.
bool ProtoValueFromBytes(ProtoValue& out, const std::string& bytes);
