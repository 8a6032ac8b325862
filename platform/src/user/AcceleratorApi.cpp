// Accelerator tables: a handle owns a copy of the entries until it is destroyed.
#include <windows.h>

#include <mutex>
#include <set>
#include <vector>
#include "platform/src/internal/errors.h"

namespace {

struct Table {
  std::vector<ACCEL> entries;
};

std::mutex g_lock;
std::set<Table*>& Tables() {
  static auto* tables = new std::set<Table*>;
  return *tables;
}

}  // namespace

HACCEL WINAPI CreateAcceleratorTableW(LPACCEL accels, int count) {
  if (!accels || count <= 0) {
    JF_SET_ERROR(User, ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto* table = new Table{std::vector<ACCEL>(accels, accels + count)};
  std::lock_guard<std::mutex> guard(g_lock);
  Tables().insert(table);
  return reinterpret_cast<HACCEL>(table);
}

BOOL WINAPI DestroyAcceleratorTable(HACCEL handle) {
  auto* table = reinterpret_cast<Table*>(handle);
  {
    std::lock_guard<std::mutex> guard(g_lock);
    if (!Tables().erase(table)) {
      JF_SET_ERROR(User, ERROR_INVALID_HANDLE);
      return FALSE;
    }
  }
  delete table;
  return TRUE;
}
