// The older Winsock header: the same calls as winsock2.h.
#pragma once
#include "winsock2.h"
