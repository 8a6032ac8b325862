#include "platform/src/user/WindowDisplayHooks.h"

namespace jf {

WindowDisplayHooks& WindowDisplayHooks::Get() {
  static WindowDisplayHooks hooks;
  return hooks;
}

bool WindowDisplayHooks::Install(void (*installer)(WindowDisplayHooks& hooks)) {
  installer(Get());
  return true;
}

}  // namespace jf
