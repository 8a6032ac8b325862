// Automation strings: a BSTR points at its characters, with the byte length stored in the
// four bytes before them and a terminating null after them.
#pragma once
#include "objbase.h"

typedef OLECHAR* BSTR;
typedef BSTR* LPBSTR;

BSTR SysAllocString(const OLECHAR* text);
BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
void SysFreeString(BSTR text);
UINT SysStringLen(BSTR text);
UINT SysStringByteLen(BSTR text);
