// FindResourceW and friends over the embedded resource table.
#include <algorithm>
#include <cwchar>

#include "platform/src/resources/ResourceTable.h"
#include <errhandlingapi.h>
#include <winerror.h>
#include "platform/src/internal/errors.h"

using jf::ResourceTable;

namespace {

const ResourceTable::Entry* EntryOf(HRSRC resource) {
  if (!resource || !ResourceTable::Instance().Contains(resource)) {
    JF_SET_ERROR(Resources, ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return reinterpret_cast<const ResourceTable::Entry*>(resource);
}

}  // namespace

HRSRC WINAPI FindResourceW(HMODULE, LPCWSTR name, LPCWSTR type) {
  return reinterpret_cast<HRSRC>(const_cast<ResourceTable::Entry*>(ResourceTable::Instance().Find(name, type)));
}

HRSRC WINAPI FindResourceExW(HMODULE module, LPCWSTR type, LPCWSTR name, WORD) {
  return FindResourceW(module, name, type);
}

HGLOBAL WINAPI LoadResource(HMODULE, HRSRC resource) {
  const ResourceTable::Entry* e = EntryOf(resource);
  return e ? const_cast<unsigned char*>(e->data) : nullptr;
}

LPVOID WINAPI LockResource(HGLOBAL data) { return data; }

DWORD WINAPI SizeofResource(HMODULE, HRSRC resource) {
  const ResourceTable::Entry* e = EntryOf(resource);
  return e ? static_cast<DWORD>(e->size) : 0;
}

// Resources stay mapped for the life of the process; there is nothing to free.
BOOL WINAPI FreeResource(HGLOBAL) { return FALSE; }

int WINAPI LoadStringW(HINSTANCE, UINT id, LPWSTR buffer, int maxCount) {
  if (!buffer || maxCount < 0) {
    JF_SET_ERROR(Resources, ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::wstring* s = ResourceTable::Instance().String(id);
  if (!s) {
    JF_SET_ERROR(Resources, ERROR_RESOURCE_NAME_NOT_FOUND);
    if (maxCount > 0) buffer[0] = 0;
    return 0;
  }
  if (maxCount == 0) {
    *reinterpret_cast<const wchar_t**>(buffer) = s->c_str();
    return static_cast<int>(s->size());
  }
  const int n = std::min(static_cast<int>(s->size()), maxCount - 1);
  wmemcpy(buffer, s->data(), static_cast<size_t>(n));
  buffer[n] = 0;
  return n;
}
