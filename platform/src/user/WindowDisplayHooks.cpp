#include "WindowDisplayHooks.h"

namespace jf {

// The display half fills the hooks (DisplayHooks.cpp).
void InstallDisplayHooks(WindowDisplayHooks& hooks);

WindowDisplayHooks& WindowDisplayHooks::Get() {
  static WindowDisplayHooks hooks;
  static const bool installed = (InstallDisplayHooks(hooks), true);
  (void)installed;
  return hooks;
}

}  // namespace jf
