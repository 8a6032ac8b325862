// An error pair posted to a window travels as (wParam: type, lParam: code); the type goes
// through 32 bits so that a negative type reads back the same on either side.
#pragma once

#include <windows.h>

#include <cstdint>

#include "commonlib/http/ResultCodes.h"

inline WPARAM ErrorTypeParam(const ErrorPair& pair) { return static_cast<WPARAM>(static_cast<uint32_t>(pair.type)); }

inline LPARAM ErrorCodeParam(const ErrorPair& pair) { return static_cast<LPARAM>(pair.code); }

inline ErrorPair ErrorPairFromParams(WPARAM wParam, LPARAM lParam) {
  return ErrorPair{static_cast<int>(static_cast<uint32_t>(wParam)), static_cast<int>(lParam)};
}

// A system error number as a pair.
inline ErrorPair SystemErrorPair(DWORD error) { return ErrorPair{kErrSys, static_cast<int>(error)}; }
