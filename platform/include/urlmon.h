// URL monikers: what of them a browser host names (bind contexts and bind information).
#pragma once
#include "ocidl.h"
#include "servprov.h"

struct IBindCtx;
typedef IBindCtx* LPBC;
typedef struct _tagBINDINFO BINDINFO;
