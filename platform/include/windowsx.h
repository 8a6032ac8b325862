// Message crackers: the signed coordinates of mouse messages (defined with the window types).
#pragma once
#include "windows.h"
