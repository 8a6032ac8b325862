// Automation strings: [byte length][characters][0], the pointer at the characters.
#include <oleauto.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
  if (length > (0x7FFFFFFFu - sizeof(UINT)) / sizeof(OLECHAR) - 1) return nullptr;
  const size_t bytes = size_t(length) * sizeof(OLECHAR);
  auto* block = static_cast<unsigned char*>(malloc(sizeof(UINT) + bytes + sizeof(OLECHAR)));
  if (!block) return nullptr;
  const UINT stored = UINT(bytes);
  memcpy(block, &stored, sizeof(UINT));
  auto* chars = reinterpret_cast<OLECHAR*>(block + sizeof(UINT));
  if (text) {
    memcpy(chars, text, bytes);
  } else {
    memset(chars, 0, bytes);
  }
  chars[length] = 0;
  return chars;
}

BSTR SysAllocString(const OLECHAR* text) {
  if (!text) return nullptr;
  return SysAllocStringLen(text, UINT(wcslen(text)));
}

void SysFreeString(BSTR text) {
  if (text) free(reinterpret_cast<unsigned char*>(text) - sizeof(UINT));
}

UINT SysStringByteLen(BSTR text) {
  if (!text) return 0;
  UINT bytes;
  memcpy(&bytes, reinterpret_cast<unsigned char*>(text) - sizeof(UINT), sizeof(UINT));
  return bytes;
}

UINT SysStringLen(BSTR text) { return SysStringByteLen(text) / sizeof(OLECHAR); }
