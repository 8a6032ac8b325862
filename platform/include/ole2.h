// OLE initialisation: counted like CoInitialize, nothing else to set up here.
#pragma once
#include "objbase.h"
#include "oaidl.h"
#include "oleidl.h"

HRESULT OleInitialize(LPVOID pvReserved);
void OleUninitialize();

// A window's drop target, kept with one reference until it is revoked.
HRESULT RegisterDragDrop(HWND hwnd, LPDROPTARGET target);
HRESULT RevokeDragDrop(HWND hwnd);
// Runs the drag until the source drops or cancels: the windows of the program under the
// pointer, and those of other programs through the X drag-and-drop protocol. Answers
// DRAGDROP_S_DROP or DRAGDROP_S_CANCEL with the effect the target chose.
HRESULT DoDragDrop(LPDATAOBJECT pDataObj, LPDROPSOURCE pDropSource, DWORD dwOKEffects, LPDWORD pdwEffect);
// Frees what a medium holds (a global block, a file name) unless an owner releases it.
void ReleaseStgMedium(LPSTGMEDIUM pmedium);

// Keeps an object running while it is embedded (nothing to keep here); E_INVALIDARG for none.
HRESULT OleLockRunning(LPUNKNOWN pUnknown, BOOL fLock, BOOL fLastUnlockCloses);
