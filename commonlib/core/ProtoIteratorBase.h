// Iterates the elements of one ProtoValue: a map's entries in key order, an array's elements
// in order, any other non-null value once (itself), a null value never.
#pragma once

#include <string>

#include "commonlib/core/ProtoValue.h"

class ProtoIteratorBase {
 public:
  // The end iterator.
  ProtoIteratorBase();
  explicit ProtoIteratorBase(const ProtoValue* container);

  bool isEnd() const;
  ProtoIteratorBase& operator++();
  bool operator==(const ProtoIteratorBase& other) const;
  bool operator!=(const ProtoIteratorBase& other) const { return !(*this == other); }
  // The entry's key; throws when the container is not a map (so also at the end iterator);
  // empty at the begin of an empty map.
  std::wstring key() const;
  // The entry's value, the element, or the scalar itself. Not to be called at the end.
  ProtoValue& value() const;
  ProtoIteratorBase next();

 private:
  enum PositionKind { kNone, kMap, kArray, kSelf };
  void becomeEnd();

  const ProtoValue* m_container;
  PositionKind m_kind;
  ProtoValue::Map::const_iterator m_mapPos;
  size_t m_arrayPos;
};

extern const ProtoIteratorBase g_ProtoIteratorEnd;
