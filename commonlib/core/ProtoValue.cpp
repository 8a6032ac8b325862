#include "commonlib/core/ProtoValue.h"

#include <utility>

#include "commonlib/core/ProtoValueException.h"

const ProtoValue g_ProtoValueNull;

namespace {

const int64_t kSharedZero = 0;
const double kSharedZeroReal = 0.0;
const std::wstring& SharedEmptyText() {
  static const std::wstring empty;
  return empty;
}
const std::string& SharedEmptyBytes() {
  static const std::string empty;
  return empty;
}

[[noreturn]] void ThrowProtoValueError(int code, const wchar_t* message, int line) {
  ProtoValueException e(code, message);
  e.SetLocation(".\\core\\ProtoValue", line);
  throw e;
}

// The first UTF-16 code unit of a character.
inline uint32_t LeadUnit(wchar_t c) {
  uint32_t v = static_cast<uint32_t>(c);
  return v < 0x10000 ? v : 0xD800 + ((v - 0x10000) >> 10);
}

}  // namespace

bool ProtoValue::KeyLess::operator()(const std::wstring& a, const std::wstring& b) const {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    if (a[i] == b[i]) continue;
    uint32_t ua = LeadUnit(a[i]);
    uint32_t ub = LeadUnit(b[i]);
    if (ua != ub) return ua < ub;
    // Same lead unit: both above U+FFFF in the same block, whose trail units follow the
    // character order.
    return static_cast<uint32_t>(a[i]) < static_cast<uint32_t>(b[i]);
  }
  return a.size() < b.size();
}

ProtoValue::ProtoValue(ProtoValueType type) : m_type(type), m_int(0) {
  switch (type) {
    case PV_BYTES: m_bytes = new std::string(); break;
    case PV_STRING: m_string = new std::wstring(); break;
    case PV_ARRAY: m_array = new Array(); break;
    case PV_MAP: m_map = new Map(); break;
    case PV_REAL: m_real = 0.0; break;
    case PV_NULL:
    case PV_INTEGER: break;
    default: m_type = PV_NULL; break;
  }
}

ProtoValue::ProtoValue(const std::wstring& text) : m_type(PV_STRING), m_string(new std::wstring(text)) {}
ProtoValue::ProtoValue(const wchar_t* text)
    : m_type(PV_STRING), m_string(new std::wstring(text != nullptr ? text : L"")) {}
ProtoValue::ProtoValue(const wchar_t* text, size_t count)
    : m_type(PV_STRING), m_string(new std::wstring(text, count)) {}
ProtoValue::ProtoValue(const char* bytes, size_t length)
    : m_type(PV_BYTES), m_bytes(new std::string(bytes, length)) {}

ProtoValue::ProtoValue(const ProtoValue& other) : m_type(PV_NULL), m_int(0) { copyFrom(other); }

ProtoValue::ProtoValue(ProtoValue&& other) noexcept : m_type(other.m_type), m_int(other.m_int) {
  other.m_type = PV_NULL;
  other.m_int = 0;
}

ProtoValue& ProtoValue::operator=(const ProtoValue& other) {
  ProtoValue copy(other);
  swap(copy);
  return *this;
}

ProtoValue& ProtoValue::operator=(ProtoValue&& other) noexcept {
  if (this != &other) {
    ProtoValue taken(std::move(other));
    swap(taken);
  }
  return *this;
}

ProtoValue::~ProtoValue() { clear(); }

void ProtoValue::copyFrom(const ProtoValue& other) {
  switch (other.m_type) {
    case PV_BYTES: m_bytes = new std::string(*other.m_bytes); break;
    case PV_STRING: m_string = new std::wstring(*other.m_string); break;
    case PV_ARRAY: m_array = new Array(*other.m_array); break;
    case PV_MAP: m_map = new Map(*other.m_map); break;
    default: m_int = other.m_int; break;
  }
  m_type = other.m_type;
}

void ProtoValue::clear() {
  switch (m_type) {
    case PV_BYTES: delete m_bytes; break;
    case PV_STRING: delete m_string; break;
    case PV_ARRAY: delete m_array; break;
    case PV_MAP: delete m_map; break;
    default: break;
  }
  m_type = PV_NULL;
  m_int = 0;
}

void ProtoValue::swap(ProtoValue& other) noexcept {
  std::swap(m_type, other.m_type);
  std::swap(m_int, other.m_int);
}

uint32_t ProtoValue::size() const {
  if (m_type == PV_ARRAY) return static_cast<uint32_t>(m_array->size());
  if (m_type == PV_MAP) return static_cast<uint32_t>(m_map->size());
  return 0;
}

const int64_t& ProtoValue::integer() const {
  if (m_type == PV_INTEGER) return m_int;
  if (m_type == PV_NULL) return kSharedZero;
  ThrowProtoValueError(3, L"ProtoValue::integer wrong type", 349);
}

const double& ProtoValue::real() const {
  if (m_type == PV_REAL) return m_real;
  if (m_type == PV_NULL) return kSharedZeroReal;
  ThrowProtoValueError(3, L"ProtoValue::real wrong type", 370);
}

const std::wstring& ProtoValue::string() const {
  if (m_type == PV_STRING) return *m_string;
  if (m_type == PV_NULL) return SharedEmptyText();
  ThrowProtoValueError(3, L"ProtoValue::string wrong type", 385);
}

const std::string& ProtoValue::bytes() const {
  if (m_type == PV_BYTES) return *m_bytes;
  if (m_type == PV_NULL) return SharedEmptyBytes();
  ThrowProtoValueError(3, L"ProtoValue::bytes wrong type", __LINE__);
}

const ProtoValue& ProtoValue::get(const wchar_t* key) const {
  if (m_type != PV_MAP || key == nullptr) return g_ProtoValueNull;
  Map::const_iterator it = m_map->find(std::wstring(key));
  return it == m_map->end() ? g_ProtoValueNull : it->second;
}

bool ProtoValue::has(const std::wstring& key) const {
  return m_type == PV_MAP && m_map->find(key) != m_map->end();
}

ProtoValue& ProtoValue::operator[](int index) {
  if (m_type == PV_NULL) {
    m_array = new Array();
    m_type = PV_ARRAY;
  }
  if (m_type != PV_ARRAY) ThrowProtoValueError(1, L"ProtoValue operator[int] out of range", 53);
  size_t count = m_array->size();
  size_t at = static_cast<unsigned int>(index);
  if (at < count) return (*m_array)[at];
  if (at == count) {
    m_array->emplace_back();
    return m_array->back();
  }
  ThrowProtoValueError(1, L"ProtoValue operator[int] out of range", 53);
}

ProtoValue& ProtoValue::operator[](const wchar_t* key) {
  if (m_type == PV_NULL) {
    m_map = new Map();
    m_type = PV_MAP;
  }
  if (m_type != PV_MAP) ThrowProtoValueError(2, L"ProtoValue operator[string] wrong type", 101);
  return (*m_map)[std::wstring(key != nullptr ? key : L"")];
}

ProtoValue& ProtoValue::append(const ProtoValue& v) {
  // Copy first: v may be an element of this very array.
  ProtoValue copy(v);
  ProtoValue& slot = (*this)[static_cast<int>(size())];
  slot.swap(copy);
  return slot;
}

ProtoIteratorBase ProtoValue::begin() const { return ProtoIteratorBase(this); }
ProtoIteratorBase ProtoValue::end() const { return ProtoIteratorBase(); }

bool ProtoValue::operator==(const ProtoValue& other) const {
  if (m_type != other.m_type) return false;
  switch (m_type) {
    case PV_NULL: return true;
    case PV_INTEGER: return m_int == other.m_int;
    case PV_REAL: return m_real == other.m_real;
    case PV_BYTES: return *m_bytes == *other.m_bytes;
    case PV_STRING: return *m_string == *other.m_string;
    case PV_ARRAY: return *m_array == *other.m_array;
    case PV_MAP: return *m_map == *other.m_map;
  }
  return false;
}
