// Generic-text names. The program is built UNICODE, so every name maps to its wide form.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <cwctype>

#include "windows/text.h"

#ifndef _T
#define __T(x) L##x
#define _T(x) __T(x)
#define _TEXT(x) __T(x)
#endif
#ifndef TEXT
#define TEXT(x) __T(x)
#endif

typedef wchar_t _TCHAR;
typedef wchar_t _TSCHAR;
typedef wchar_t _TUCHAR;
typedef wchar_t _TXCHAR;
typedef wint_t _TINT;

#define _tcslen wcslen
#define _tcsnlen wcsnlen
#define _tcscpy wcscpy
#define _tcscpy_s wcscpy_s
#define _tcsncpy wcsncpy
#define _tcsncpy_s wcsncpy_s
#define _tcscat wcscat
#define _tcscat_s wcscat_s
#define _tcsncat wcsncat
#define _tcsncat_s wcsncat_s
#define _tcscmp wcscmp
#define _tcsncmp wcsncmp
#define _tcsicmp _wcsicmp
#define _tcsnicmp _wcsnicmp
#define _tcsicoll _wcsicoll
#define _tcschr wcschr
#define _tcsrchr wcsrchr
#define _tcsstr wcsstr
#define _tcsspn wcsspn
#define _tcscspn wcscspn
#define _tcspbrk wcspbrk
#define _tcsdup _wcsdup
#define _tcslwr _wcslwr
#define _tcsupr _wcsupr
#define _tcslwr_s _wcslwr_s
#define _tcsupr_s _wcsupr_s
#define _tcstol wcstol
#define _tcstoul wcstoul
#define _tcstod wcstod
#define _tcstoi64 _wcstoi64
#define _tcstoui64 _wcstoui64
#define _tcsftime wcsftime
#define _ttoi _wtoi
#define _ttol _wtol
#define _ttoi64 _wtoi64
#define _ttof _wtof
#define _tstoi _wtoi
#define _tstol _wtol
#define _tstoi64 _wtoi64
#define _tstof _wtof
#define _itot _itow
#define _itot_s _itow_s
#define _ltot _ltow
#define _ultot _ultow
#define _i64tot _i64tow
#define _ui64tot _ui64tow
#define _stprintf_s swprintf_s
#define _sntprintf _snwprintf
#define _sntprintf_s _snwprintf_s
#define _vsntprintf _vsnwprintf
#define _vsntprintf_s _vsnwprintf_s
#define _vstprintf_s vswprintf_s
#define _sctprintf _scwprintf
#define _vsctprintf _vscwprintf
#define _totlower towlower
#define _totupper towupper
#define _istspace iswspace
#define _istdigit iswdigit
#define _istxdigit iswxdigit
#define _istalpha iswalpha
#define _istalnum iswalnum
#define _istupper iswupper
#define _istlower iswlower
#define _istprint iswprint
#define _tfopen _wfopen
#define _tfopen_s _wfopen_s
