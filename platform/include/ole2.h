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

// Keeps an object running while it is embedded (nothing to keep here); E_INVALIDARG for none.
HRESULT OleLockRunning(LPUNKNOWN pUnknown, BOOL fLock, BOOL fLastUnlockCloses);
