#include "commonlib/core/OProtoValueStream.h"

#include <cstring>

#include "commonlib/core/ProtoValueBytes.h"
#include "commonlib/util/StringUtils.h"

int32_t OProtoValueStream::WriteSized(const void* bytes, int32_t length) {
  int32_t a = WriteVarint(static_cast<uint64_t>(static_cast<int64_t>(length)));
  if (a < 0 || length < 0) return -1;
  int32_t b = Write(bytes, static_cast<uint32_t>(length));
  if (b < 0) return -1;
  return a + b;
}

int32_t OProtoValueStream::WriteText(const std::wstring& text) {
  std::string units = StringUtils::ToUtf16LE(text);
  if (units.size() > 0x7FFFFFFFu) return -1;
  return WriteSized(units.data(), static_cast<int32_t>(units.size()));
}

int32_t OProtoValueStream::WriteValue(const ProtoValue& v) { return WriteValueAt(v, 1); }

int32_t OProtoValueStream::WriteValueAt(const ProtoValue& v, int depth) {
  ProtoValueType type = v.type();
  if (type > PV_MAP) return -1;
  if ((type == PV_ARRAY || type == PV_MAP) && depth > kMaxDepth) return -1;
  unsigned char tag = static_cast<unsigned char>(type);
  int64_t total = Write(&tag, 1);
  if (total < 0) return -1;
  int32_t r = 0;
  switch (type) {
    case PV_NULL: break;
    case PV_INTEGER: r = WriteVarint(static_cast<uint64_t>(v.integer())); break;
    case PV_REAL: {
      double d = v.real();
      uint64_t bits;
      std::memcpy(&bits, &d, sizeof(bits));
      unsigned char le[8];
      for (int i = 0; i < 8; ++i) le[i] = static_cast<unsigned char>(bits >> (8 * i));
      r = Write(le, 8);
      break;
    }
    case PV_BYTES: {
      const std::string& b = v.bytes();
      r = b.size() > 0x7FFFFFFFu ? -1 : WriteSized(b.data(), static_cast<int32_t>(b.size()));
      break;
    }
    case PV_STRING: r = WriteText(v.string()); break;
    case PV_ARRAY: {
      const ProtoValue::Array& items = *v.array();
      r = WriteVarint(items.size());
      for (size_t i = 0; r >= 0 && i < items.size(); ++i) {
        int32_t e = WriteValueAt(items[i], depth + 1);
        r = e < 0 ? -1 : r + e;
      }
      break;
    }
    case PV_MAP: {
      const ProtoValue::Map& entries = *v.map();
      r = WriteVarint(entries.size());
      for (ProtoValue::Map::const_iterator it = entries.begin(); r >= 0 && it != entries.end(); ++it) {
        int32_t k = WriteText(it->first);
        int32_t e = k < 0 ? -1 : WriteValueAt(it->second, depth + 1);
        r = e < 0 ? -1 : r + k + e;
      }
      break;
    }
  }
  if (r < 0) return -1;
  total += r;
  return total > 0x7FFFFFFF ? -1 : static_cast<int32_t>(total);
}
