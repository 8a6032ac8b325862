// The common controls: InitCommonControls(Ex) and the system classes' procedures.
#include <windows.h>

#include <commctrl.h>

#include <string>

namespace jf {

WNDPROC EditClassProc();

// The procedures of the predefined classes this half implements.
WNDPROC DisplaySystemClassProc(const wchar_t* name) {
  std::wstring n = name;
  if (n == L"Edit") return EditClassProc();
  return nullptr;
}

}  // namespace jf

void WINAPI InitCommonControls(void) {}

BOOL WINAPI InitCommonControlsEx(const INITCOMMONCONTROLSEX* icc) {
  if (icc == nullptr || icc->dwSize != sizeof(INITCOMMONCONTROLSEX)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return TRUE;
}
