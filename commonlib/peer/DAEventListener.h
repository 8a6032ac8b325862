// The receiver of download events. Payloads are maps: "peer" (the source's pointer value as
// a 64-bit integer) and "full_name" (the source's full name), plus the keys of each event.
#pragma once

#include <cstdint>

#include "commonlib/core/ProtoValue.h"

enum DAEvent : int32_t {
  DAEventRangeResult = 5,  // block finished or failed; (type, code) = the block's result
  DAEventServerIp = 6,     // first answer of a source: "server_ip"
  DAEventRedirect = 7,     // HTTP 3xx: "log_name", "location"
  DAEventIpChanged = 8,    // "old_server_ip", "server_ip" (raised by nothing today)
  DAEventRetry = 9,        // before a retry: "et", "ec", "times"
  DAEventDiagnose = 10,    // a CDN source failed: "fields" (of the diagnosis record), "host"
};

class DAEventListener {
 public:
  virtual ~DAEventListener() {}
  virtual void OnEvent(int32_t event, int32_t type, int32_t code, ProtoValue& payload) = 0;
};
