// Converts between ProtoValue trees and JSON (parsed and written by jsoncpp).
#pragma once

#include <string>

#include <json/json.h>

#include "commonlib/core/ProtoValue.h"

namespace ProtoValueJsonConvertor {

// Parses JSON text into out; false (and a log line) when the text is not JSON.
bool FromJson(const std::wstring& text, ProtoValue& out);
// Writes value as styled JSON text; false for a byte string at the top.
bool ToJson(const ProtoValue& value, std::wstring& out);
// Booleans become 1/0; containers are added to out (an empty one leaves out as it was).
bool JsonToValue(const Json::Value& json, ProtoValue& out);
// Byte strings have no JSON form: false at the top, null inside a container.
bool ValueToJson(const ProtoValue& value, Json::Value& out);

}  // namespace ProtoValueJsonConvertor
