// A registered window class.
#pragma once
#include <windows.h>

#include <string>

namespace jf {

struct ClassRecord {
  std::wstring name;  // as registered
  std::wstring folded;  // for the case-insensitive look-up
  std::wstring menuName;
  bool menuIsId = false;
  ATOM atom = 0;
  UINT style = 0;
  WNDPROC proc = nullptr;
  int clsExtra = 0;
  int wndExtra = 0;
  HINSTANCE instance = nullptr;
  HICON icon = nullptr;
  HICON iconSm = nullptr;
  HCURSOR cursor = nullptr;
  HBRUSH background = nullptr;
  bool system = false;  // predefined by the layer, visible from every module
  int windows = 0;      // live windows of the class
};

}  // namespace jf
