// Test helper: writes what a device context or bitmap holds to a PNG file, to look at a
// failed pixel test.
#pragma once
#include <cairo.h>

#include <string>

#include <windows.h>

namespace jftest {

bool WriteSurfacePng(cairo_surface_t* surface, const std::string& path);
// The surface a DC draws into (a memory DC's selected bitmap, a window's backing store).
bool WriteDcPng(HDC hdc, const std::string& path);
bool WriteBitmapPng(HBITMAP bitmap, const std::string& path);

}  // namespace jftest
