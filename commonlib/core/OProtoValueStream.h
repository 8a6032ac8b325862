// Writes ProtoValue trees in the compact byte format (type byte, then the payload).
#pragma once

#include "commonlib/core/OBufferStream.h"
#include "commonlib/core/ProtoValue.h"

class OProtoValueStream : public OBufferStream {
 public:
  // Containers nested deeper than this are refused, as the reader refuses them.
  static const int kMaxDepth = 64;

  // Varint of the length, then the bytes; the bytes written or -1.
  int32_t WriteSized(const void* bytes, int32_t length);
  // One value, recursively; the bytes written or -1.
  int32_t WriteValue(const ProtoValue& v);

 private:
  int32_t WriteValueAt(const ProtoValue& v, int depth);
  int32_t WriteText(const std::wstring& text);
};
