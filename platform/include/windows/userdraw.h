// The drawing calls of user32: formatted text, rectangle fills and frames, system colours and
// the rectangle helpers. Included by wingdi.h.
#pragma once
#include "../windef.h"
#include "../winuser.h"

// System colour indices beyond those of winuser.h.
#ifndef COLOR_BTNHIGHLIGHT
#define COLOR_INACTIVECAPTIONTEXT 19
#define COLOR_BTNHIGHLIGHT 20
#define COLOR_3DDKSHADOW 21
#define COLOR_3DLIGHT 22
#define COLOR_INFOTEXT 23
#define COLOR_INFOBK 24
#define COLOR_HOTLIGHT 26
#define COLOR_GRADIENTACTIVECAPTION 27
#define COLOR_GRADIENTINACTIVECAPTION 28
#define COLOR_MENUHILIGHT 29
#define COLOR_MENUBAR 30
#define COLOR_DESKTOP COLOR_BACKGROUND
#define COLOR_3DSHADOW COLOR_BTNSHADOW
#define COLOR_3DHIGHLIGHT COLOR_BTNHIGHLIGHT
#define COLOR_3DHILIGHT COLOR_BTNHIGHLIGHT
#define COLOR_BTNHILIGHT COLOR_BTNHIGHLIGHT
#endif

// The colours of a Windows 10 desktop in its default theme; 0 for an unknown index.
DWORD WINAPI GetSysColor(int index);
// A stock brush of that colour (never to be deleted), or NULL for an unknown index.
HBRUSH WINAPI GetSysColorBrush(int index);

// DrawTextW supports DT_LEFT/CENTER/RIGHT, DT_TOP/VCENTER/BOTTOM (vertical placement only
// with DT_SINGLELINE, as on Windows), DT_SINGLELINE, DT_WORDBREAK, DT_END_ELLIPSIS,
// DT_WORD_ELLIPSIS, DT_PATH_ELLIPSIS, DT_NOPREFIX (otherwise "&x" is x and "&&" is "&"),
// DT_NOCLIP, DT_CALCRECT (rect receives the text's size; nothing is drawn), DT_EDITCONTROL
// and DT_EXPANDTABS. Returns the text height, 0 on failure.
int WINAPI DrawTextW(HDC hdc, LPCWSTR text, int length, LPRECT rect, UINT format);
#define DrawText DrawTextW
// A brush handle may also be a system colour index + 1, as on Windows.
int WINAPI FillRect(HDC hdc, const RECT* rect, HBRUSH brush);
int WINAPI FrameRect(HDC hdc, const RECT* rect, HBRUSH brush);
// Inverts the colour channels; the alpha byte becomes 255.
BOOL WINAPI InvertRect(HDC hdc, const RECT* rect);
BOOL WINAPI DrawFocusRect(HDC hdc, const RECT* rect);

// Rectangle helpers.
BOOL WINAPI SetRect(LPRECT rect, int left, int top, int right, int bottom);
BOOL WINAPI SetRectEmpty(LPRECT rect);
BOOL WINAPI CopyRect(LPRECT dest, const RECT* src);
BOOL WINAPI IsRectEmpty(const RECT* rect);
BOOL WINAPI EqualRect(const RECT* a, const RECT* b);
BOOL WINAPI PtInRect(const RECT* rect, POINT point);
BOOL WINAPI OffsetRect(LPRECT rect, int dx, int dy);
BOOL WINAPI InflateRect(LPRECT rect, int dx, int dy);
BOOL WINAPI IntersectRect(LPRECT dest, const RECT* a, const RECT* b);
BOOL WINAPI UnionRect(LPRECT dest, const RECT* a, const RECT* b);
BOOL WINAPI SubtractRect(LPRECT dest, const RECT* a, const RECT* b);
