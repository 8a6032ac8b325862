// Reads ProtoValue trees in the compact byte format. Damaged data fails with -1; it never
// crashes, never allocates more than the data could hold and never nests without bound.
#pragma once

#include "commonlib/core/IBufferStream.h"
#include "commonlib/core/ProtoValue.h"

class IProtoValueStream : public IBufferStream {
 public:
  // Containers nested deeper than this fail the read.
  static const int kMaxDepth = 64;

  using IBufferStream::IBufferStream;

  // Bytes consumed; 0 when no byte is left (target unchanged); -1 on any failure (the target
  // keeps what was stored into it before the failure).
  int32_t ReadValue(ProtoValue& target);
  // Reads a varint length and that many bytes; with a null buffer only peeks the length
  // (returns 0, position unchanged). Bytes consumed, or -1.
  int32_t ReadSized(void* buffer, uint32_t& length);

 private:
  int64_t ReadValueAt(ProtoValue& target, int depth);
  bool ReadCount(uint64_t& count, int64_t& consumed);
  bool ReadText(std::wstring& text, int64_t& consumed);
};
