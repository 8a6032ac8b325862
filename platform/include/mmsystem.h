// The multimedia timer functions the program uses.
#pragma once
#include "windef.h"

typedef UINT MMRESULT;
#define TIMERR_NOERROR 0
#define TIMERR_NOCANDO 97

// Timer resolution requests: accepted and without effect (the host's timers are fine-grained).
MMRESULT timeBeginPeriod(UINT periodMs);
MMRESULT timeEndPeriod(UINT periodMs);
// Milliseconds of the layer's tick source, like GetTickCount.
DWORD timeGetTime();
