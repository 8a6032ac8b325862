// The system's dynamic value: null, integer, real, byte string, text, array or text-keyed map.
// Copies are deep. Reading a value as the wrong kind throws ProtoValueException.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

enum ProtoValueType : uint32_t {
  PV_NULL = 0,
  PV_INTEGER = 1,
  PV_REAL = 2,
  PV_BYTES = 3,
  PV_STRING = 4,
  PV_ARRAY = 5,
  PV_MAP = 6,
};

class ProtoIteratorBase;

class ProtoValue {
 public:
  // Orders keys by their UTF-16 code units, as the byte format and the JSON writer expect
  // (wchar_t is wider here, so characters above U+FFFF sort as their surrogate pairs).
  struct KeyLess {
    bool operator()(const std::wstring& a, const std::wstring& b) const;
  };
  typedef std::vector<ProtoValue> Array;
  typedef std::map<std::wstring, ProtoValue, KeyLess> Map;

  constexpr ProtoValue() noexcept : m_type(PV_NULL), m_int(0) {}
  explicit ProtoValue(ProtoValueType type);
  ProtoValue(const std::wstring& text);
  ProtoValue(const wchar_t* text);
  ProtoValue(const wchar_t* text, size_t count);
  ProtoValue(const char* bytes, size_t length);
  ProtoValue(int v) : m_type(PV_INTEGER), m_int(v) {}
  ProtoValue(unsigned int v) : m_type(PV_INTEGER), m_int(v) {}
  ProtoValue(long v) : m_type(PV_INTEGER), m_int(v) {}
  ProtoValue(unsigned long v) : m_type(PV_INTEGER), m_int(static_cast<int64_t>(v)) {}
  ProtoValue(long long v) : m_type(PV_INTEGER), m_int(v) {}
  ProtoValue(unsigned long long v) : m_type(PV_INTEGER), m_int(static_cast<int64_t>(v)) {}
  ProtoValue(double v) : m_type(PV_REAL), m_real(v) {}
  ProtoValue(const ProtoValue& other);
  ProtoValue(ProtoValue&& other) noexcept;
  ProtoValue& operator=(const ProtoValue& other);
  ProtoValue& operator=(ProtoValue&& other) noexcept;
  ~ProtoValue();

  void clear();
  void swap(ProtoValue& other) noexcept;

  ProtoValueType type() const { return m_type; }
  bool isNull() const { return m_type == PV_NULL; }
  // Elements of an array or entries of a map; 0 for every other kind.
  uint32_t size() const;

  // Null reads as 0, 0.0 or ""; another kind throws.
  const int64_t& integer() const;
  const double& real() const;
  const std::wstring& string() const;
  // The bytes of a byte string (empty for null); another kind throws like string().
  const std::string& bytes() const;

  // Never inserts: a missing key, or a value that is not a map, gives g_ProtoValueNull.
  const ProtoValue& get(const wchar_t* key) const;
  const ProtoValue& get(const std::wstring& key) const { return get(key.c_str()); }
  bool has(const std::wstring& key) const;

  // A null becomes an array; index == size appends a null element.
  ProtoValue& operator[](int index);
  // A null becomes a map; a missing key is inserted. The key ends at its first NUL.
  ProtoValue& operator[](const wchar_t* key);
  ProtoValue& operator[](const std::wstring& key) { return (*this)[key.c_str()]; }
  ProtoValue& append(const ProtoValue& v);

  ProtoIteratorBase begin() const;
  ProtoIteratorBase end() const;

  // Direct access to the containers (null when the value is of another kind).
  const Array* array() const { return m_type == PV_ARRAY ? m_array : nullptr; }
  const Map* map() const { return m_type == PV_MAP ? m_map : nullptr; }

  bool operator==(const ProtoValue& other) const;
  bool operator!=(const ProtoValue& other) const { return !(*this == other); }

 private:
  friend class ProtoIteratorBase;
  void copyFrom(const ProtoValue& other);

  ProtoValueType m_type;
  union {
    int64_t m_int;
    double m_real;
    std::string* m_bytes;
    std::wstring* m_string;
    Array* m_array;
    Map* m_map;
  };
};

extern const ProtoValue g_ProtoValueNull;

#include "commonlib/core/ProtoIteratorBase.h"
