#include "commonlib/core/IProtoValueStream.h"

#include <cstring>

#include "commonlib/core/ProtoValueBytes.h"
#include "commonlib/util/StringUtils.h"

int32_t IProtoValueStream::ReadSized(void* buffer, uint32_t& length) {
  uint32_t start = m_position;
  uint64_t n = 0;
  int32_t a = ReadVarint(n);
  if (a <= 0 || n > 0xFFFFFFFFull) {
    m_position = start;
    return -1;
  }
  length = static_cast<uint32_t>(n);
  if (buffer == nullptr) {
    m_position = start;
    return 0;
  }
  if (length > Remaining()) return -1;
  if (length > 0 && Read(buffer, length) < 0) return -1;
  return static_cast<int32_t>(a + length);
}

bool IProtoValueStream::ReadCount(uint64_t& count, int64_t& consumed) {
  int32_t r = ReadVarint(count);
  if (r <= 0) return false;
  consumed += r;
  return true;
}

bool IProtoValueStream::ReadText(std::wstring& text, int64_t& consumed) {
  uint64_t count = 0;
  if (!ReadCount(count, consumed) || count > Remaining()) return false;
  text = StringUtils::FromUtf16LE(m_data + m_position, static_cast<size_t>(count));
  m_position += static_cast<uint32_t>(count);
  consumed += static_cast<int64_t>(count);
  return true;
}

int32_t IProtoValueStream::ReadValue(ProtoValue& target) {
  int64_t r = ReadValueAt(target, 1);
  return r > 0x7FFFFFFF ? -1 : static_cast<int32_t>(r);
}

int64_t IProtoValueStream::ReadValueAt(ProtoValue& target, int depth) {
  unsigned char tag = 0;
  int32_t got = Read(&tag, 1);
  if (got == 0) return 0;
  if (got < 0 || tag > PV_MAP) return -1;
  int64_t consumed = 1;
  switch (tag) {
    case PV_NULL: target.clear(); break;
    case PV_INTEGER: {
      uint64_t v = 0;
      if (!ReadCount(v, consumed)) return -1;
      target = ProtoValue(static_cast<long long>(v));
      break;
    }
    case PV_REAL: {
      unsigned char le[8];
      if (Read(le, 8) != 8) return -1;
      uint64_t bits = 0;
      for (int i = 0; i < 8; ++i) bits |= static_cast<uint64_t>(le[i]) << (8 * i);
      double d;
      std::memcpy(&d, &bits, sizeof(d));
      target = ProtoValue(d);
      consumed += 8;
      break;
    }
    case PV_BYTES: {
      uint64_t count = 0;
      if (!ReadCount(count, consumed) || count > Remaining()) return -1;
      target = ProtoValue(reinterpret_cast<const char*>(m_data + m_position), static_cast<size_t>(count));
      m_position += static_cast<uint32_t>(count);
      consumed += static_cast<int64_t>(count);
      break;
    }
    case PV_STRING: {
      std::wstring text;
      if (!ReadText(text, consumed)) return -1;
      target = ProtoValue(text);
      break;
    }
    case PV_ARRAY:
    case PV_MAP: {
      uint64_t count = 0;
      if (!ReadCount(count, consumed)) return -1;
      if (count == 0) break;
      // Damaged data must not nest without bound, nor turn a caller's value of another kind
      // into an exception.
      ProtoValueType kind = static_cast<ProtoValueType>(tag);
      if (depth > kMaxDepth || (!target.isNull() && target.type() != kind)) return -1;
      for (uint64_t i = 0; i < count; ++i) {
        std::wstring key;
        if (kind == PV_MAP && !ReadText(key, consumed)) return -1;
        ProtoValue item;
        int64_t e = ReadValueAt(item, depth + 1);
        if (e <= 0) return -1;
        consumed += e;
        if (kind == PV_ARRAY) {
          target.append(item);
        } else {
          size_t nul = key.find(L'\0');
          if (nul != std::wstring::npos) key.resize(nul);
          target[key].swap(item);
        }
      }
      break;
    }
  }
  return consumed;
}
