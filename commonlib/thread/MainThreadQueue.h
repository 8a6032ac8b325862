// The main-thread task queue: any thread posts bound calls, the main thread runs them from
// its message loop through a message-only window, in slices of at most 0.05 s.
#pragma once

#include <windows.h>

#include "commonlib/thread/CCondition.h"
#include "commonlib/thread/CCriticalLock.h"
#include "commonlib/thread/CRefPtr.h"
#include "commonlib/thread/MainThreadQueueEntry.h"
#include "commonlib/thread/MainThreadTaskBase.h"

// Main thread, once during start-up: registers "ThreadingWindowClass", creates the
// message-only window and registers "com.varnel.MainThreadFired". A second call does nothing.
void CreateThreadingWindow();

// Any thread: queues the call; wakes the main thread when the queue was empty.
void PostToMainThread(MainThreadInvoke invoke, const CRefPtr<MainThreadTaskBase>& task);
// The same with a condition that is notified once after the task ran.
void PostToMainThreadWithDone(MainThreadInvoke invoke, const CRefPtr<MainThreadTaskBase>& task,
                              CCondition* done);

// The invoke function every poster passes: runs the task.
void InvokeMainThreadTask(CRefPtr<MainThreadTaskBase>& task);

LRESULT CALLBACK ThreadingWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Main thread: runs queued tasks for one slice (called by the window procedure).
void PumpMainThreadTasks();

// Main thread, once at exit: drops every queued task without running it and destroys the
// window. Tasks posted afterwards stay queued and never run.
void ShutdownMainThreadQueue();

CCriticalLock* GetMainThreadQueueLock();

// The dispatch window and the registered message (null and 0 until created).
HWND GetThreadingWindow();
UINT GetMainThreadFiredMessage();
// Number of entries waiting.
size_t GetMainThreadQueueSize();
