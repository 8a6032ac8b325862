// Input method contexts: none exist on this host.
#pragma once
#include "windef.h"

DECLARE_HANDLE(HIMC);
