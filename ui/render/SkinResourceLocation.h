// Where the process reads its skin files from: the module that holds the resources, a
// folder, or the skin archive (a file in that folder or a copy of the archive resource in
// memory). Process-wide; the window manager's static calls of the same names reach it.
#pragma once
#include <windows.h>

#include "ui/core/UIString.h"

namespace SkinUI {

class CSkinResourceLocation {
 public:
  static HINSTANCE GetInstance();
  static void SetInstance(HINSTANCE instance);
  static CUIString GetInstancePath();
  static HINSTANCE GetResourceInstance();
  static void SetResourceInstance(HINSTANCE instance);
  static const CUIString& GetResourcePath();
  static void SetResourcePath(LPCWSTR path);
  static const CUIString& GetResourceZip();
  static bool IsCachedResourceZip();
  static void* GetResourceZipHandle();
  static void SetResourceZip(LPCWSTR zipName);
  static void SetResourceZipFromMemory();
  static const BYTE* GetResourceZipBuffer();
  static DWORD GetResourceZipBufferSize();
  static void SetResourceZipBuffer(BYTE* buffer, DWORD size);  // takes ownership (new[])
  static void FreeResourceZipBuffer();
  static void CloseResourceZip();
};

}  // namespace SkinUI
