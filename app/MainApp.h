// The program's entry: configuration from the command line, one running instance, the
// services brought up and taken down in a fixed order around the main window's message loop.
#pragma once

#include <windows.h>

#include <cstdint>

class CMainDlg;

// The single-instance mutex.
extern const wchar_t kInstanceMutexName[];

// Brings up the file log, the main-thread queue, the request side, the download engine and
// its 500 ms timer, the download report's identity and the first name lookup. gameId is the
// window's default game id (the report's identity uses it).
bool InitAppServices(int32_t gameId);
bool InitApp(CMainDlg* window);
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
void ShowAlreadyRunningBox();
