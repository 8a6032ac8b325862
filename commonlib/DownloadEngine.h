// The download engine's entry points for the application. Every call is made on the main
// thread, and the callbacks run there too. The engine's channel (InitHttp/UninitHttp) is
// declared in DownloadChannel.h.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "commonlib/http/DownloadChannel.h"
#include "commonlib/DownloadTaskRequest.h"

// The procedure of the 1000 ms engine timer: one tick of the task queue.
void CALLBACK DownloadTimerProc(HWND hwnd, UINT message, UINT_PTR id, DWORD time);

namespace DownloadEngine {

// Creates the channel when missing and, once, the engine timer; true.
bool Start();
// Kills the timer and leaves the event centre (when started), then frees the channel; true.
// Tasks still listed are neither stopped nor deleted.
bool Stop();
// False when any text is null; otherwise the download report's Init.
bool InitDownloadLog(const wchar_t* reportAddress, const wchar_t* version, const wchar_t* productId);
// Null texts count as empty; true (a task that cannot start reports through its completion).
bool AddTask(const wchar_t* url, const wchar_t* spareAddresses, const wchar_t* cdnHost, int64_t cdnMinSpeed,
             const wchar_t* fullPath, const wchar_t* md5, int64_t size, const char* options, uintptr_t userData,
             DownloadProgressCallback progress, DownloadCompletionCallback completion);
bool AddTask(const DownloadTaskRequest& request);
// Finds the task by its full path (the url is not used); true.
bool RemoveTask(const wchar_t* url, const wchar_t* fullPath);

}  // namespace DownloadEngine
