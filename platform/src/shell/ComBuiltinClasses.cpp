#include "platform/src/shell/ComBuiltinClasses.h"

#include <windows.h>

#include <mutex>
#include <utility>
#include <vector>

namespace jf {

namespace {

struct BuiltinClass {
  CLSID clsid;
  BuiltinClassObjectGetter getter;
};

std::mutex& TableLock() {
  static auto* lock = new std::mutex;
  return *lock;
}

// Filled by static initialisers of other areas: built on first use, never destroyed.
std::vector<BuiltinClass>& Table() {
  static auto* table = new std::vector<BuiltinClass>;
  return *table;
}

}  // namespace

bool RegisterBuiltinClass(REFCLSID clsid, BuiltinClassObjectGetter getter) {
  std::lock_guard<std::mutex> guard(TableLock());
  for (BuiltinClass& entry : Table()) {
    if (IsEqualCLSID(entry.clsid, clsid)) {
      entry.getter = getter;
      return true;
    }
  }
  Table().push_back(BuiltinClass{clsid, getter});
  return true;
}

HRESULT GetBuiltinClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  BuiltinClassObjectGetter getter = nullptr;
  {
    std::lock_guard<std::mutex> guard(TableLock());
    for (const BuiltinClass& entry : Table()) {
      if (IsEqualCLSID(entry.clsid, clsid)) getter = entry.getter;
    }
  }
  if (!getter) return REGDB_E_CLASSNOTREG;
  return getter(riid, ppv);
}

}  // namespace jf
