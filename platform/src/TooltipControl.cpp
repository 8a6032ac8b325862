// The common controls: InitCommonControls(Ex) and the system classes' procedures.
#include <windows.h>

#include <commctrl.h>

#include "ClassRegistry.h"

namespace jf {

void InstallSystemClasses() {}

}  // namespace jf

void WINAPI InitCommonControls(void) {}

BOOL WINAPI InitCommonControlsEx(const INITCOMMONCONTROLSEX* icc) {
  if (icc == nullptr || icc->dwSize != sizeof(INITCOMMONCONTROLSEX)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return TRUE;
}
