#include "platform/src/process/ProcessObject.h"

#include <errhandlingapi.h>
#include <winerror.h>
#include "platform/src/internal/errors.h"

namespace jf {

const int ProcessObject::kNoResult = 0;

bool ProcessObject::Resolve(HANDLE handle, std::shared_ptr<ProcessState>& state, bool& self, const void* result) {
  state.reset();
  self = handle == reinterpret_cast<HANDLE>(-1);
  if (!self) {
    std::shared_ptr<ProcessObject> object = LookupHandleAs<ProcessObject>(handle);
    if (!object || object->IsMainThread()) {
      JF_SET_ERROR(Process, ERROR_INVALID_HANDLE);
      return false;
    }
    state = object->State();
  }
  if (!result) {
    JF_SET_ERROR(Process, ERROR_INVALID_PARAMETER);
    return false;
  }
  return true;
}

}  // namespace jf
