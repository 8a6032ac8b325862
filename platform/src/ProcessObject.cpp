#include "ProcessObject.h"

#include "errhandlingapi.h"
#include "winerror.h"

namespace jf {

bool ProcessObject::Resolve(HANDLE handle, std::shared_ptr<ProcessState>& state, bool& self) {
  state.reset();
  self = handle == reinterpret_cast<HANDLE>(-1);
  if (self) return true;
  std::shared_ptr<ProcessObject> object = LookupHandleAs<ProcessObject>(handle);
  if (!object || object->IsMainThread()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  state = object->State();
  return true;
}

}  // namespace jf
