// Icons loaded from the embedded resources, as DisplayCursor.cpp and the X connection use them.
#pragma once
#include <cairo.h>
#include <windows.h>

namespace jf {

// An icon from RT_GROUP_ICON or RT_ICON `name`, scaled to cx x cy (0: its own size). Null
// with ERROR_RESOURCE_NAME_NOT_FOUND or ERROR_INVALID_DATA.
HICON LoadResourceIcon(HINSTANCE instance, LPCWSTR name, int cx, int cy);
// The premultiplied ARGB picture of a loaded icon (not referenced); null for other handles.
cairo_surface_t* IconSurface(HICON icon);
// Frees a loaded icon; false for other handles.
bool DestroyResourceIcon(HICON icon);

}  // namespace jf
