// Resources embedded in the executable at build time (cmake/JfResources.cmake) and the
// calls that reach them. Module handles are not told apart: every module of the process
// sees the resources linked into it.
#pragma once
#include "../windef.h"
#include "../winuser.h"

#define RT_CURSOR MAKEINTRESOURCEW(1)
#define RT_BITMAP MAKEINTRESOURCEW(2)
#define RT_ICON MAKEINTRESOURCEW(3)
#define RT_MENU MAKEINTRESOURCEW(4)
#define RT_DIALOG MAKEINTRESOURCEW(5)
#define RT_STRING MAKEINTRESOURCEW(6)
#define RT_RCDATA MAKEINTRESOURCEW(10)
#define RT_GROUP_CURSOR MAKEINTRESOURCEW(12)
#define RT_GROUP_ICON MAKEINTRESOURCEW(14)
#define RT_HTML MAKEINTRESOURCEW(23)
#define RT_MANIFEST MAKEINTRESOURCEW(24)

// name and type: MAKEINTRESOURCEW ids or names (compared without regard to case). NULL with
// ERROR_RESOURCE_TYPE_NOT_FOUND / ERROR_RESOURCE_NAME_NOT_FOUND when absent.
HRSRC WINAPI FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type);
HRSRC WINAPI FindResourceExW(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language);
HGLOBAL WINAPI LoadResource(HMODULE module, HRSRC resource);
// The bytes are read-only and live as long as the process.
LPVOID WINAPI LockResource(HGLOBAL data);
DWORD WINAPI SizeofResource(HMODULE module, HRSRC resource);
BOOL WINAPI FreeResource(HGLOBAL data);
// Copies string `id` of the string table (at most maxCount - 1 characters plus a terminator)
// and returns its length. maxCount 0 stores a read-only pointer to the (unterminated) text in
// *(LPWSTR*)buffer. 0 with ERROR_RESOURCE_NAME_NOT_FOUND for an unknown id.
int WINAPI LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int maxCount);
#define FindResource FindResourceW
#define LoadString LoadStringW

namespace jf {

// One embedded file, as the generated table lists it. A type or name is either a number
// (the string pointer null) or a text.
struct EmbeddedResource {
  const char* typeName;  // UTF-8, or null
  unsigned typeId;
  const char* name;  // UTF-8, or null
  unsigned id;
  const unsigned char* data;
  size_t size;
};

// Called by the generated table at start-up. A string table is a UTF-8 text of lines
// "<id> <text>" (\n, \t and \\ escapes in the text; empty lines and lines starting with '#'
// are skipped).
void RegisterEmbeddedResources(const EmbeddedResource* entries, size_t count);
void RegisterEmbeddedStrings(const unsigned char* text, size_t size);

}  // namespace jf
