// The Win32 surface the installer is written against. Each area lives in its own header.
#pragma once

#include "windef.h"
#include "winerror.h"
#include "errhandlingapi.h"
#include "windows/kernel.h"
#include "windows/text.h"
#include "windows/files.h"
#include "winreg.h"
#include "windows/process.h"
#include "windows/resources.h"
#include "winuser.h"
#include "windows/resources.h"
#include "wingdi.h"
#include "shellapi.h"
#include "mmsystem.h"
