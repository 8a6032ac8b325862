#pragma once
#include "windef.h"

DWORD GetLastError();
void SetLastError(DWORD code);
