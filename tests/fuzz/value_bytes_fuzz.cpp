// The value byte format from outside (resume files, stored records): any bytes either fail
// to read or give a value that writes back and reads again to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "commonlib/core/ProtoValue.h"
#include "commonlib/core/ProtoValueBytes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  ProtoValue value;
  if (!ProtoValueFromBytes(value, bytes)) return 0;
  std::string written;
  if (!ProtoValueToBytes(written, value)) return 0;
  ProtoValue again;
  if (!ProtoValueFromBytes(again, written)) abort();
  std::string rewritten;
  if (!ProtoValueToBytes(rewritten, again) || rewritten != written) abort();
  return 0;
}
