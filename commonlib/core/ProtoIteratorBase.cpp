#include "commonlib/core/ProtoIteratorBase.h"

#include "commonlib/core/ProtoValueException.h"

const ProtoIteratorBase g_ProtoIteratorEnd;

ProtoIteratorBase::ProtoIteratorBase()
    : m_container(&g_ProtoValueNull), m_kind(kNone), m_arrayPos(0) {}

ProtoIteratorBase::ProtoIteratorBase(const ProtoValue* container)
    : m_container(container != nullptr ? container : &g_ProtoValueNull), m_kind(kNone), m_arrayPos(0) {
  switch (m_container->m_type) {
    case PV_NULL: break;
    case PV_MAP:
      m_kind = kMap;
      m_mapPos = m_container->m_map->begin();
      break;
    case PV_ARRAY: m_kind = kArray; break;
    default: m_kind = kSelf; break;
  }
  // The begin of an empty map or array stays on its container (isEnd answers true): an empty
  // map's begin still answers key() with the empty text; only a walk becomes the end iterator.
}

void ProtoIteratorBase::becomeEnd() {
  m_container = &g_ProtoValueNull;
  m_kind = kNone;
  m_mapPos = ProtoValue::Map::const_iterator();
  m_arrayPos = 0;
}

bool ProtoIteratorBase::isEnd() const {
  if (m_container == nullptr || m_container->m_type == PV_NULL || m_kind == kNone) return true;
  if (m_kind == kMap) return m_mapPos == m_container->m_map->end();
  if (m_kind == kArray) return m_arrayPos >= m_container->m_array->size();
  return false;
}

ProtoIteratorBase& ProtoIteratorBase::operator++() {
  if (isEnd()) {
    becomeEnd();
    return *this;
  }
  if (m_kind == kMap) {
    ++m_mapPos;
  } else if (m_kind == kArray) {
    ++m_arrayPos;
  } else {
    becomeEnd();
    return *this;
  }
  if (isEnd()) becomeEnd();
  return *this;
}

bool ProtoIteratorBase::operator==(const ProtoIteratorBase& other) const {
  bool end = isEnd();
  bool otherEnd = other.isEnd();
  if (end && otherEnd) return true;
  if (end != otherEnd) return false;
  if (m_container->m_type != other.m_container->m_type) return false;
  if (m_kind == kMap) return m_mapPos == other.m_mapPos;
  if (m_kind == kArray) {
    return &(*m_container->m_array)[m_arrayPos] == &(*other.m_container->m_array)[other.m_arrayPos];
  }
  return true;
}

std::wstring ProtoIteratorBase::key() const {
  if (m_container->m_type != PV_MAP) {
    ProtoValueException e(4, L"ProtoIteratorBase::key() wrong type ");
    e.SetLocation(".\\core\\ProtoValue", 1157);
    throw e;
  }
  if (isEnd()) return std::wstring();
  return m_mapPos->first;
}

ProtoValue& ProtoIteratorBase::value() const {
  const ProtoValue* v = m_container;
  if (m_kind == kMap) {
    v = &m_mapPos->second;
  } else if (m_kind == kArray) {
    v = &(*m_container->m_array)[m_arrayPos];
  }
  // The iterator walks a value its caller owns; the caller decides whether to change it.
  return const_cast<ProtoValue&>(*v);
}

ProtoIteratorBase ProtoIteratorBase::next() {
  ++(*this);
  return *this;
}
