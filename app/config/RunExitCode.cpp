#include "app/config/RunExitCode.h"

RunExitCode::Code RunExitCode::s_code = RunExitCode::kSuccess;

void RunExitCode::Set(Code code) { s_code = code; }

RunExitCode::Code RunExitCode::Get() { return s_code; }
