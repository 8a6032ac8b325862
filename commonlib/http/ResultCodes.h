// The result codes of the requests and of the download engine, as they travel in (type,
// code) pairs, logs and reports. The values are fixed: servers and stored reports read them.
#pragma once

#include <cstdint>

// The type of a (type, code) pair: where the code comes from.
enum HttpErrorType {
  kErrOk = 0,
  kErrSys = 1,
  kErrCrt = 2,
  kErrUser = 3,
  kErrHttp = 4,
  kErrCurl = 5,
  kErrWebkit = 6,
  kErrDp = 7,
  kErrNet = 8,
};

// A (type, code) pair carried as one value inside the code; it is unpacked into two ints
// only at the signatures that the listeners and callbacks fix.
struct ErrorPair {
  int type = kErrOk;
  int code = 0;
  bool Ok() const { return type == kErrOk; }
  bool operator==(const ErrorPair& other) const { return type == other.type && code == other.code; }
  bool operator!=(const ErrorPair& other) const { return !(*this == other); }
  // Start results and GetError carry the pair in 64 bits, the type in the high half.
  uint64_t Packed() const {
    return (static_cast<uint64_t>(static_cast<uint32_t>(type)) << 32) | static_cast<uint32_t>(code);
  }
  static ErrorPair Unpack(uint64_t packed) {
    return ErrorPair{static_cast<int>(packed >> 32), static_cast<int>(packed & 0xFFFFFFFFu)};
  }
};

namespace ResultCode {

// Codes of type kErrUser (3) and kErrHttp (4).
// A file sink was closed or given up while a transfer still wrote to it.
constexpr uint32_t kSinkClosed = 2001;
// The block a source would start is complete already: nothing to fetch, no failure.
constexpr uint32_t kNothingToFetch = 2005;
// A server answered a range request with the whole file (200), type kErrHttp.
constexpr uint32_t kRangeIgnored = 2008;
// An answer's length disagrees with the range asked for (announced, received or written).
constexpr uint32_t kLengthMismatch = 2009;
// A request ran longer than its total time-out.
constexpr uint32_t kRequestTimedOut = 3002;
// A source follows a redirect by starting again on the new address.
constexpr uint32_t kRestartAfterRedirect = 3003;

// The HTTP status of a transfer that has none (yet).
constexpr int kNoHttpStatus = 700;
// The status read from a transfer that lost its curl handle.
constexpr int kNoTransferHandle = 93;

// The error record id of a failed command (retried or final) in the error report.
constexpr int kCommandFailedRecord = 9003;

}  // namespace ResultCode
