// Base of the text parsers: Parse walks a text and hands each item to OnItem, and each
// finished record to OnEnd.
#pragma once

#include <cstddef>

class ProtoValue;

class CParserBase {
 public:
  virtual ~CParserBase() = default;
  virtual void Reset() {}
  virtual bool Parse(const char* text) = 0;
  virtual bool OnItem(const char* key, size_t keyLength, const char* value, size_t valueLength,
                      ProtoValue& record) = 0;
  virtual bool OnEnd(ProtoValue& record) = 0;
};
