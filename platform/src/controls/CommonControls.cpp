// The common controls: InitCommonControls(Ex) and the procedures of the predefined classes
// this half implements.
#include <windows.h>

#include <commctrl.h>

#include "platform/src/internal/errors.h"
#include "platform/src/controls/WindowExtraState.h"
#include "platform/src/user/UserArea.h"
#include <windows/kernel.h>
#include <textserv.h>

namespace jf {

WNDPROC EditClassProc();
WNDPROC DateTimePickClassProc();
WNDPROC MonthCalendarClassProc();
WNDPROC TooltipClassProc();

// The predefined classes get their procedures while the program starts; the build keeps
// this object linked into every program.
extern "C" const bool jf_system_class_procs_set = [] {
  ClassRegistry::Get().SetSystemProc(L"Edit", EditClassProc(), kWindowExtraStateBytes);
  ClassRegistry::Get().SetSystemProc(L"tooltips_class32", TooltipClassProc(), kWindowExtraStateBytes);
  ClassRegistry::Get().SetSystemProc(L"SysDateTimePick32", DateTimePickClassProc(), kWindowExtraStateBytes);
  ClassRegistry::Get().SetSystemProc(L"SysMonthCal32", MonthCalendarClassProc(), kWindowExtraStateBytes);
  // The rich-edit library's text services, there once a program loads the library.
  RegisterOnDemandModuleExport(L"riched20.dll", "CreateTextServices",
                               reinterpret_cast<void*>(&CreateTextServices));
  return true;
}();

}  // namespace jf

void WINAPI InitCommonControls(void) {}

BOOL WINAPI InitCommonControlsEx(const INITCOMMONCONTROLSEX* icc) {
  // Every class of the flags is registered from the start; a flag no class answers to fails.
  constexpr DWORD kKnown = ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_USEREX_CLASSES | ICC_COOL_CLASSES |
                           ICC_INTERNET_CLASSES | ICC_PAGESCROLLER_CLASS | ICC_NATIVEFNTCTL_CLASS |
                           ICC_STANDARD_CLASSES | ICC_LINK_CLASS;
  if (icc == nullptr || icc->dwSize != sizeof(INITCOMMONCONTROLSEX) || (icc->dwICC & ~kKnown) != 0) {
    JF_SET_ERROR(Controls, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return TRUE;
}
