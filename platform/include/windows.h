// The Win32 surface the installer is written against. Each area lives in its own header.
#pragma once

#include "windef.h"
#include "winerror.h"
#include "errhandlingapi.h"
#include "jf/kernel.h"
#include "jf/text.h"
#include "jf/files.h"
#include "winreg.h"
#include "jf/process.h"
#include "jf/resources.h"
#include "winuser.h"
#include "wingdi.h"
#include "shellapi.h"
#include "mmsystem.h"
