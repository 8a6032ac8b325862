#include "WindowDisplayHooks.h"

namespace jf {

WindowDisplayHooks& WindowDisplayHooks::Get() {
  static WindowDisplayHooks hooks;
  return hooks;
}

}  // namespace jf
