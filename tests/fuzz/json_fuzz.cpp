// The JSON conversion of options and answers: any text either fails (logged) or gives a
// value that converts back to JSON and reads again.
#include <cstdint>
#include <string>

#include "commonlib/core/ProtoValue.h"
#include "commonlib/core/ProtoValueJsonConvertor.h"
#include "commonlib/util/StringUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::wstring text = StringUtils::FromUtf8(std::string(reinterpret_cast<const char*>(data), size));
  ProtoValue value;
  if (!ProtoValueJsonConvertor::FromJson(text, value)) return 0;
  std::wstring json;
  if (!ProtoValueJsonConvertor::ToJson(value, json)) return 0;
  ProtoValue again;
  ProtoValueJsonConvertor::FromJson(json, again);
  return 0;
}
