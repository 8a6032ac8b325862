// Global memory blocks. Nothing here moves a block, so a handle is the address of its bytes,
// with the size kept in a header just before them; locking only counts.
#include <cstdlib>
#include <cstring>

#include <errhandlingapi.h>
#include <windows/kernel.h>
#include <winerror.h>
#include "platform/src/internal/errors.h"

namespace {

struct alignas(16) BlockHead {
  SIZE_T size;
  LONG locks;
};

BlockHead* Head(HGLOBAL mem) { return reinterpret_cast<BlockHead*>(static_cast<char*>(mem) - sizeof(BlockHead)); }

}  // namespace

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
  void* block = (flags & GMEM_ZEROINIT) ? std::calloc(1, sizeof(BlockHead) + bytes) : std::malloc(sizeof(BlockHead) + bytes);
  if (!block) {
    JF_SET_ERROR(Kernel, ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  auto* head = static_cast<BlockHead*>(block);
  head->size = bytes;
  head->locks = 0;
  return static_cast<char*>(block) + sizeof(BlockHead);
}

LPVOID GlobalLock(HGLOBAL mem) {
  if (!mem) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  ++Head(mem)->locks;
  return mem;
}

BOOL GlobalUnlock(HGLOBAL mem) {
  if (!mem) return FALSE;
  BlockHead* head = Head(mem);
  if (head->locks > 0) --head->locks;
  if (head->locks > 0) return TRUE;
  SetLastError(NO_ERROR);  // unlocked now (or never locked)
  return FALSE;
}

SIZE_T GlobalSize(HGLOBAL mem) { return mem ? Head(mem)->size : 0; }

HGLOBAL GlobalFree(HGLOBAL mem) {
  if (mem) std::free(Head(mem));
  return nullptr;
}
