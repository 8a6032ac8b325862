// OLE initialisation: counted like CoInitialize, nothing else to set up here.
#pragma once
#include "objbase.h"

HRESULT OleInitialize(LPVOID pvReserved);
void OleUninitialize();
