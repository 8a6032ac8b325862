#include "core/ProtoValueBytes.h"

#include "core/IProtoValueStream.h"
#include "core/OProtoValueStream.h"

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

std::string ProtoTextToUtf16LE(const std::wstring& text) {
  std::string out;
  out.reserve(text.size() * 2);
  auto unit = [&out](uint32_t u) {
    out.push_back(static_cast<char>(u & 0xFF));
    out.push_back(static_cast<char>((u >> 8) & 0xFF));
  };
  for (wchar_t c : text) {
    uint32_t v = static_cast<uint32_t>(c);
    if (v >= 0x10000 && v <= 0x10FFFF) {
      v -= 0x10000;
      unit(0xD800 + (v >> 10));
      unit(0xDC00 + (v & 0x3FF));
    } else if (v > 0x10FFFF) {
      unit(0xFFFD);
    } else {
      unit(v);
    }
  }
  return out;
}

std::wstring ProtoTextFromUtf16LE(const unsigned char* bytes, size_t byteCount) {
  size_t units = byteCount / 2;
  std::wstring out;
  out.reserve(units);
  for (size_t i = 0; i < units; ++i) {
    uint32_t u = bytes[i * 2] | (static_cast<uint32_t>(bytes[i * 2 + 1]) << 8);
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
      uint32_t t = bytes[i * 2 + 2] | (static_cast<uint32_t>(bytes[i * 2 + 3]) << 8);
      if (t >= 0xDC00 && t <= 0xDFFF) {
        out.push_back(static_cast<wchar_t>(0x10000 + ((u - 0xD800) << 10) + (t - 0xDC00)));
        ++i;
        continue;
      }
    }
    out.push_back(static_cast<wchar_t>(u));
  }
  return out;
}
