// Whole ProtoValue trees to and from the byte format, and the UTF-16LE form of its texts.
#pragma once

#include <string>

#include "core/ProtoValue.h"

// True (out = exactly the bytes) when the tree was written; out is untouched otherwise.
bool ProtoValueToBytes(std::string& out, const ProtoValue& v);
// True when a value was read from the front of bytes; bytes behind it are ignored.
bool ProtoValueFromBytes(ProtoValue& out, const std::string& bytes);

// Texts travel as UTF-16LE. Characters above U+FFFF become surrogate pairs; unpaired
// surrogates pass through unchanged both ways, so nothing is lost in a round trip.
std::string ProtoTextToUtf16LE(const std::wstring& text);
std::wstring ProtoTextFromUtf16LE(const unsigned char* bytes, size_t byteCount);
