// The services around the main window's message loop (WinMain brings them up and down):
// the file log, the main-thread queue, the request side, the download engine and its
// 500 ms timer, the download report and the first name lookup.
#pragma once

#include <windows.h>

#include <cstdint>

class CMainDlg;

// Brings the services up in order; the window's game id (still its default: -i is applied
// when the window initialises) goes into the download report's identity. Returns true.
bool InitApp(CMainDlg* window);
// The same with the game id given, for a run without the main window.
bool InitApp(int32_t gameId);
// Takes the services down again, in the reverse of their dependencies.
bool UninitApp();
void CALLBACK HttpMgrTimerProc(HWND hwnd, UINT message, UINT_PTR id, DWORD time);
// GetMessageW until WM_QUIT; its wParam.
int RunMessageLoop();
// Keeps the loop turning while a statistics record or a download report is still on its
// way, for at most timeoutMs of the tick source; true when nothing is left in flight.
bool FlushPendingReports(DWORD timeoutMs);
// True while a record or report is queued or being sent.
bool ReportsInFlight();
// The one-button notice of a second instance.
void ShowAlreadyRunningBox();
