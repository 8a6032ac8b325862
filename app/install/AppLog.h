// The installer's own log lines go where the network layer's go: to the file log (with
// source line and file) and to the trace log.
#pragma once

#include "commonlib/http/HttpLog.h"

#define JF_APP_LOG(level, file, ...) HttpLog::Write((level), __LINE__, (file), __VA_ARGS__)
