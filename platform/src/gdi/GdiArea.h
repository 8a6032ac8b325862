// What GDI offers the areas above it (GDI+, the controls): its handle table, device contexts
// and fonts with their pango layouts. The other headers of gdi/ are its own.
#pragma once

#include "platform/src/gdi/DcState.h"
#include "platform/src/gdi/FontLayout.h"
#include "platform/src/gdi/FontObject.h"
#include "platform/src/gdi/GdiHandleTable.h"
