#include "commonlib/core/ProtoValueBytes.h"

#include "commonlib/core/IProtoValueStream.h"
#include "commonlib/core/OProtoValueStream.h"

bool ProtoValueToBytes(std::string& out, const ProtoValue& v) {
  OProtoValueStream stream;
  bool ok = stream.WriteValue(v) > 0;
  if (ok) out.assign(stream.GetData(), stream.GetLength());
  stream.Close();
  return ok;
}

bool ProtoValueFromBytes(ProtoValue& out, const std::string& bytes) {
  if (bytes.size() > 0xFFFFFFFFull) return false;
  IProtoValueStream stream(bytes.data(), static_cast<uint32_t>(bytes.size()), false);
  return stream.ReadValue(out) > 0;
}
