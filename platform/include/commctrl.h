// Common controls: the tooltip class and the initialisation calls.
#pragma once
#include "windows.h"

typedef struct tagINITCOMMONCONTROLSEX {
  DWORD dwSize;
  DWORD dwICC;
} INITCOMMONCONTROLSEX, *LPINITCOMMONCONTROLSEX;

#define ICC_LISTVIEW_CLASSES 0x00000001
#define ICC_TREEVIEW_CLASSES 0x00000002
#define ICC_BAR_CLASSES 0x00000004
#define ICC_TAB_CLASSES 0x00000008
#define ICC_UPDOWN_CLASS 0x00000010
#define ICC_PROGRESS_CLASS 0x00000020
#define ICC_WIN95_CLASSES 0x000000FF
#define ICC_DATE_CLASSES 0x00000100
#define ICC_USEREX_CLASSES 0x00000200
#define ICC_COOL_CLASSES 0x00000400
#define ICC_STANDARD_CLASSES 0x00004000
#define ICC_INTERNET_CLASSES 0x00000800
#define ICC_PAGESCROLLER_CLASS 0x00001000
#define ICC_NATIVEFNTCTL_CLASS 0x00002000
#define ICC_LINK_CLASS 0x00008000

void WINAPI InitCommonControls(void);
BOOL WINAPI InitCommonControlsEx(const INITCOMMONCONTROLSEX* icc);

#define TOOLTIPS_CLASSW L"tooltips_class32"
#define TOOLTIPS_CLASS TOOLTIPS_CLASSW
#define WC_EDITW L"Edit"
#define WC_EDIT WC_EDITW

typedef struct tagTOOLINFOW {
  UINT cbSize;
  UINT uFlags;
  HWND hwnd;
  UINT_PTR uId;
  RECT rect;
  HINSTANCE hinst;
  LPWSTR lpszText;
  LPARAM lParam;
  void* lpReserved;
} TTTOOLINFOW, *LPTTTOOLINFOW, TOOLINFOW, *LPTOOLINFOW, TOOLINFO, *LPTOOLINFO;

#define LPSTR_TEXTCALLBACKW ((LPWSTR)-1L)

#define TTS_ALWAYSTIP 0x01
#define TTS_NOPREFIX 0x02
#define TTS_NOANIMATE 0x10
#define TTS_NOFADE 0x20
#define TTS_BALLOON 0x40

#define TTF_IDISHWND 0x0001
#define TTF_CENTERTIP 0x0002
#define TTF_RTLREADING 0x0004
#define TTF_SUBCLASS 0x0010
#define TTF_TRACK 0x0020
#define TTF_ABSOLUTE 0x0080
#define TTF_TRANSPARENT 0x0100
#define TTF_PARSELINKS 0x1000

#define TTDT_AUTOMATIC 0
#define TTDT_RESHOW 1
#define TTDT_AUTOPOP 2
#define TTDT_INITIAL 3

#define TTM_ACTIVATE (WM_USER + 1)
#define TTM_SETDELAYTIME (WM_USER + 3)
#define TTM_RELAYEVENT (WM_USER + 7)
#define TTM_GETTOOLCOUNT (WM_USER + 13)
#define TTM_WINDOWFROMPOINT (WM_USER + 16)
#define TTM_TRACKACTIVATE (WM_USER + 17)
#define TTM_TRACKPOSITION (WM_USER + 18)
#define TTM_SETTIPBKCOLOR (WM_USER + 19)
#define TTM_SETTIPTEXTCOLOR (WM_USER + 20)
#define TTM_GETDELAYTIME (WM_USER + 21)
#define TTM_GETTIPBKCOLOR (WM_USER + 22)
#define TTM_GETTIPTEXTCOLOR (WM_USER + 23)
#define TTM_SETMAXTIPWIDTH (WM_USER + 24)
#define TTM_GETMAXTIPWIDTH (WM_USER + 25)
#define TTM_SETMARGIN (WM_USER + 26)
#define TTM_GETMARGIN (WM_USER + 27)
#define TTM_POP (WM_USER + 28)
#define TTM_UPDATE (WM_USER + 29)
#define TTM_POPUP (WM_USER + 34)
#define TTM_ADDTOOLW (WM_USER + 50)
#define TTM_DELTOOLW (WM_USER + 51)
#define TTM_NEWTOOLRECTW (WM_USER + 52)
#define TTM_GETTOOLINFOW (WM_USER + 53)
#define TTM_SETTOOLINFOW (WM_USER + 54)
#define TTM_GETTEXTW (WM_USER + 56)
#define TTM_UPDATETIPTEXTW (WM_USER + 57)
#define TTM_ADDTOOL TTM_ADDTOOLW
#define TTM_DELTOOL TTM_DELTOOLW
#define TTM_SETTOOLINFO TTM_SETTOOLINFOW
#define TTM_GETTOOLINFO TTM_GETTOOLINFOW
#define TTM_UPDATETIPTEXT TTM_UPDATETIPTEXTW

// Common notification codes (WM_NOTIFY).
#define NM_FIRST (0U - 0U)
#define NM_CLICK (NM_FIRST - 2)
#define NM_SETFOCUS (NM_FIRST - 7)
#define NM_KILLFOCUS (NM_FIRST - 8)

// The month calendar "SysMonthCal32": one month of days to pick from, with month and year
// navigation and today marked. One day is selected at a time.
#define MONTHCAL_CLASSW L"SysMonthCal32"
#define MONTHCAL_CLASS MONTHCAL_CLASSW

#define MCS_DAYSTATE 0x0001
#define MCS_MULTISELECT 0x0002
#define MCS_WEEKNUMBERS 0x0004
#define MCS_NOTODAYCIRCLE 0x0008
#define MCS_NOTODAY 0x0010
#define MCS_NOTRAILINGDATES 0x0040
#define MCS_SHORTDAYSOFWEEK 0x0080
#define MCS_NOSELCHANGEONNAV 0x0100

#define MCM_FIRST 0x1000
#define MCM_GETCURSEL (MCM_FIRST + 1)
#define MCM_SETCURSEL (MCM_FIRST + 2)
#define MCM_GETMINREQRECT (MCM_FIRST + 9)
#define MCM_SETTODAY (MCM_FIRST + 12)
#define MCM_GETTODAY (MCM_FIRST + 13)
#define MCM_HITTEST (MCM_FIRST + 14)

// What MCM_HITTEST finds at a point. The title's year buttons answer MCHT_TITLEYEAR with
// MCHT_PREV or MCHT_NEXT.
#define MCHT_NOWHERE 0x00000000
#define MCHT_TITLE 0x00010000
#define MCHT_CALENDAR 0x00020000
#define MCHT_TODAYLINK 0x00030000
#define MCHT_NEXT 0x01000000
#define MCHT_PREV 0x02000000
#define MCHT_TITLEBK MCHT_TITLE
#define MCHT_TITLEMONTH (MCHT_TITLE | 0x0001)
#define MCHT_TITLEYEAR (MCHT_TITLE | 0x0002)
#define MCHT_TITLEBTNNEXT (MCHT_TITLE | MCHT_NEXT | 0x0003)
#define MCHT_TITLEBTNPREV (MCHT_TITLE | MCHT_PREV | 0x0003)
#define MCHT_CALENDARBK MCHT_CALENDAR
#define MCHT_CALENDARDATE (MCHT_CALENDAR | 0x0001)
#define MCHT_CALENDARDATENEXT (MCHT_CALENDARDATE | MCHT_NEXT)
#define MCHT_CALENDARDATEPREV (MCHT_CALENDARDATE | MCHT_PREV)
#define MCHT_CALENDARDAY (MCHT_CALENDAR | 0x0002)
#define MCHT_CALENDARWEEKNUM (MCHT_CALENDAR | 0x0003)

typedef struct tagMCHITTESTINFO {
  UINT cbSize;
  POINT pt;
  UINT uHit;
  SYSTEMTIME st;
} MCHITTESTINFO, *PMCHITTESTINFO;

#define MCN_FIRST (0U - 746U)
#define MCN_SELCHANGE (MCN_FIRST - 3)
#define MCN_SELECT MCN_FIRST

typedef struct tagNMSELCHANGE {
  NMHDR nmhdr;
  SYSTEMTIME stSelStart;
  SYSTEMTIME stSelEnd;
} NMSELCHANGE, *LPNMSELCHANGE;
typedef NMSELCHANGE NMSELECT, *LPNMSELECT;

#define MonthCal_GetCurSel(hmc, pst) (BOOL) SendMessageW((hmc), MCM_GETCURSEL, 0, (LPARAM)(pst))
#define MonthCal_SetCurSel(hmc, pst) (BOOL) SendMessageW((hmc), MCM_SETCURSEL, 0, (LPARAM)(pst))
#define MonthCal_GetToday(hmc, pst) (BOOL) SendMessageW((hmc), MCM_GETTODAY, 0, (LPARAM)(pst))
#define MonthCal_SetToday(hmc, pst) (void)SendMessageW((hmc), MCM_SETTODAY, 0, (LPARAM)(pst))
#define MonthCal_GetMinReqRect(hmc, prc) (BOOL) SendMessageW((hmc), MCM_GETMINREQRECT, 0, (LPARAM)(prc))
#define MonthCal_HitTest(hmc, pinfo) (DWORD) SendMessageW((hmc), MCM_HITTEST, 0, (LPARAM)(pinfo))

// The date and time picker "SysDateTimePick32": a date field edited by keys (Left/Right choose
// the year, month or day; Up/Down, Home/End and digits change it) with a button at the right
// that drops a month calendar below the field (or an up-down pair with DTS_UPDOWN). Dates
// only: no time format.
#define DATETIMEPICK_CLASSW L"SysDateTimePick32"
#define DATETIMEPICK_CLASS DATETIMEPICK_CLASSW

#define DTS_UPDOWN 0x0001
#define DTS_SHOWNONE 0x0002
#define DTS_SHORTDATEFORMAT 0x0000
#define DTS_LONGDATEFORMAT 0x0004
#define DTS_SHORTDATECENTURYFORMAT 0x000C
#define DTS_TIMEFORMAT 0x0009
#define DTS_APPCANPARSE 0x0010
#define DTS_RIGHTALIGN 0x0020

#define DTM_FIRST 0x1000
#define DTM_GETSYSTEMTIME (DTM_FIRST + 1)
#define DTM_SETSYSTEMTIME (DTM_FIRST + 2)
#define DTM_GETMONTHCAL (DTM_FIRST + 8)
#define DTM_SETMCFONT (DTM_FIRST + 9)
#define DTM_GETMCFONT (DTM_FIRST + 10)
#define DTM_SETMCSTYLE (DTM_FIRST + 11)
#define DTM_GETMCSTYLE (DTM_FIRST + 12)
#define DTM_CLOSEMONTHCAL (DTM_FIRST + 13)

#define GDT_ERROR (-1)
#define GDT_VALID 0
#define GDT_NONE 1

#define DTN_FIRST (0U - 740U)
#define DTN_FIRST2 (0U - 753U)
#define DTN_DATETIMECHANGE (DTN_FIRST2 - 6)
#define DTN_DROPDOWN (DTN_FIRST2 - 1)
#define DTN_CLOSEUP DTN_FIRST2

typedef struct tagNMDATETIMECHANGE {
  NMHDR nmhdr;
  DWORD dwFlags;
  SYSTEMTIME st;
} NMDATETIMECHANGE, *LPNMDATETIMECHANGE;

#define DateTime_GetSystemtime(hdp, pst) (DWORD) SendMessageW((hdp), DTM_GETSYSTEMTIME, 0, (LPARAM)(pst))
#define DateTime_SetSystemtime(hdp, gd, pst) (BOOL) SendMessageW((hdp), DTM_SETSYSTEMTIME, (WPARAM)(gd), (LPARAM)(pst))
#define DateTime_GetMonthCal(hdp) (HWND) SendMessageW((hdp), DTM_GETMONTHCAL, 0, 0)
#define DateTime_SetMonthCalStyle(hdp, style) (DWORD) SendMessageW((hdp), DTM_SETMCSTYLE, 0, (LPARAM)(style))
#define DateTime_GetMonthCalStyle(hdp) (DWORD) SendMessageW((hdp), DTM_GETMCSTYLE, 0, 0)
#define DateTime_CloseMonthCal(hdp) (void)SendMessageW((hdp), DTM_CLOSEMONTHCAL, 0, 0)
