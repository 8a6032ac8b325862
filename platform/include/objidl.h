// COM object interfaces; programs that use GDI+ with a lean <windows.h> include it first.
#pragma once
#include <objbase.h>
