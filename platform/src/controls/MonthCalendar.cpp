// The common controls' month calendar "SysMonthCal32": a title with the month and buttons for
// the previous and next month and year, the names of the days (the week starts on Monday, as
// on the Chinese system the layer plays), six weeks of days with the days of the neighbouring
// months greyed, today framed, and a line that picks today. The selection moves with the
// mouse and the keys and is reported as MCN_SELCHANGE; a day clicked, today's line clicked or
// Enter report MCN_SELECT. Notifications go to the window given as the parent at creation,
// also when the calendar is a pop-up.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <string>

#include "platform/src/controls/CalendarDate.h"
#include "platform/src/controls/ControlDefault.h"
#include "platform/src/controls/FontDc.h"
#include "platform/src/controls/WindowExtraState.h"

namespace jf {

namespace {

namespace cal = calendar;

constexpr int kMargin = 4;
constexpr int kCells = 42;
constexpr COLORREF kTodayFrame = RGB(0xD0, 0x20, 0x20);

// Where everything sits, from the font and the styles.
struct Geometry {
  int cellW = 0, cellH = 0, line = 0;
  int gridLeft = 0, namesTop = 0, gridTop = 0;
  RECT title{}, prevYear{}, prevMonth{}, nextMonth{}, nextYear{}, todayLine{};
  int width = 0, height = 0;
};

struct CalState {
  SYSTEMTIME selected{};
  SYSTEMTIME today{};
  int year = 0;  // the month shown
  int month = 0;
  HFONT font = nullptr;
  HWND notify = nullptr;
  // The geometry measured last, and the font and styles it was measured for.
  mutable Geometry geometry;
  mutable HFONT measuredFont = nullptr;
  mutable DWORD measuredStyle = 0;
  mutable bool measured = false;
};

DWORD Style(HWND hwnd) { return DWORD(GetWindowLongPtrW(hwnd, GWL_STYLE)); }

const wchar_t* const kShortNames[7] = {L"\u4E00", L"\u4E8C", L"\u4E09", L"\u56DB", L"\u4E94", L"\u516D", L"\u65E5"};
const wchar_t* const kLongNames[7] = {L"\u5468\u4E00", L"\u5468\u4E8C", L"\u5468\u4E09", L"\u5468\u56DB",
                                      L"\u5468\u4E94", L"\u5468\u516D", L"\u5468\u65E5"};

const wchar_t* DayName(HWND hwnd, int column) {
  return (Style(hwnd) & MCS_SHORTDAYSOFWEEK) != 0 ? kShortNames[column] : kLongNames[column];
}

Geometry MeasureNow(HWND hwnd, const CalState& s) {
  FontDc m(s.font);
  Geometry g;
  g.line = m.LineHeight();
  g.cellW = m.Width(L"30", 2);
  for (int i = 0; i < 7; ++i) {
    const wchar_t* name = DayName(hwnd, i);
    g.cellW = std::max(g.cellW, m.Width(name, int(wcslen(name))));
  }
  g.cellW += 10;
  g.cellH = g.line + 4;
  const DWORD style = Style(hwnd);
  g.gridLeft = kMargin + ((style & MCS_WEEKNUMBERS) != 0 ? g.cellW : 0);
  g.width = g.gridLeft + 7 * g.cellW + kMargin;
  const int titleH = g.line + 10;
  g.title = RECT{0, 0, g.width, titleH};
  const int b = titleH;
  g.prevYear = RECT{kMargin, 0, kMargin + b, titleH};
  g.prevMonth = RECT{kMargin + b, 0, kMargin + 2 * b, titleH};
  g.nextMonth = RECT{g.width - kMargin - 2 * b, 0, g.width - kMargin - b, titleH};
  g.nextYear = RECT{g.width - kMargin - b, 0, g.width - kMargin, titleH};
  g.namesTop = titleH + 2;
  g.gridTop = g.namesTop + g.cellH + 2;
  int bottom = g.gridTop + 6 * g.cellH;
  if ((style & MCS_NOTODAY) == 0) {
    g.todayLine = RECT{kMargin, bottom + 2, g.width - kMargin, bottom + 2 + g.cellH};
    bottom = g.todayLine.bottom;
  }
  g.height = bottom + kMargin;
  return g;
}

const Geometry& Measure(HWND hwnd, const CalState& s) {
  const DWORD style = Style(hwnd);
  if (!s.measured || s.measuredFont != s.font || s.measuredStyle != style) {
    s.geometry = MeasureNow(hwnd, s);
    s.measuredFont = s.font;
    s.measuredStyle = style;
    s.measured = true;
  }
  return s.geometry;
}

SYSTEMTIME FirstOfMonth(int year, int month) {
  SYSTEMTIME t{};
  t.wYear = WORD(year);
  t.wMonth = WORD(month);
  t.wDay = 1;
  t.wDayOfWeek = cal::DayOfWeek(year, month, 1);
  return t;
}

// The day in the first cell: the Monday on or before the first of the month.
SYSTEMTIME FirstCell(const CalState& s) {
  SYSTEMTIME first = FirstOfMonth(s.year, s.month);
  return cal::AddDays(first, -long((first.wDayOfWeek + 6) % 7));
}

RECT CellRect(const Geometry& g, int i) {
  const int x = g.gridLeft + (i % 7) * g.cellW, y = g.gridTop + (i / 7) * g.cellH;
  return RECT{x, y, x + g.cellW, y + g.cellH};
}

bool Trailing(const CalState& s, const SYSTEMTIME& day) { return day.wMonth != s.month || day.wYear != s.year; }

// The ISO week of a row: the week of its Thursday.
int WeekNumber(const SYSTEMTIME& monday) {
  SYSTEMTIME thursday = cal::AddDays(monday, 3);
  long into = cal::DayNumber(thursday.wYear, thursday.wMonth, thursday.wDay) - cal::DayNumber(thursday.wYear, 1, 1);
  return int(into / 7 + 1);
}

std::wstring DateText(const SYSTEMTIME& t) {
  return std::to_wstring(t.wYear) + L"/" + std::to_wstring(t.wMonth) + L"/" + std::to_wstring(t.wDay);
}

void Text(HDC dc, const std::wstring& text, RECT r, COLORREF colour, UINT align = DT_CENTER) {
  SetTextColor(dc, colour);
  DrawTextW(dc, text.c_str(), int(text.size()), &r, align | DT_VCENTER | DT_SINGLELINE);
}

void Frame(HDC dc, const RECT& r, COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  FrameRect(dc, &r, brush);
  DeleteObject(brush);
}

void Paint(HWND hwnd, const CalState& s) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (dc == nullptr) return;
  RECT client{};
  GetClientRect(hwnd, &client);
  const Geometry g = Measure(hwnd, s);
  const DWORD style = Style(hwnd);
  FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
  HGDIOBJ oldFont = SelectObject(dc, s.font != nullptr ? s.font : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);

  FillRect(dc, &g.title, GetSysColorBrush(COLOR_BTNFACE));
  const COLORREF ink = GetSysColor(COLOR_WINDOWTEXT);
  Text(dc, L"\u00AB", g.prevYear, ink);
  Text(dc, L"\u2039", g.prevMonth, ink);
  Text(dc, L"\u203A", g.nextMonth, ink);
  Text(dc, L"\u00BB", g.nextYear, ink);
  Text(dc, std::to_wstring(s.year) + L"\u5E74" + std::to_wstring(s.month) + L"\u6708", g.title, ink);

  const COLORREF accent = GetSysColor(COLOR_HIGHLIGHT);
  for (int c = 0; c < 7; ++c) {
    RECT r{g.gridLeft + c * g.cellW, g.namesTop, g.gridLeft + (c + 1) * g.cellW, g.namesTop + g.cellH};
    Text(dc, DayName(hwnd, c), r, accent);
  }
  RECT rule{g.gridLeft, g.gridTop - 2, g.gridLeft + 7 * g.cellW, g.gridTop - 1};
  FillRect(dc, &rule, GetSysColorBrush(COLOR_GRAYTEXT));

  const SYSTEMTIME first = FirstCell(s);
  for (int i = 0; i < kCells; ++i) {
    const SYSTEMTIME day = cal::AddDays(first, i);
    const RECT r = CellRect(g, i);
    if ((style & MCS_WEEKNUMBERS) != 0 && i % 7 == 0) {
      RECT week{kMargin, r.top, g.gridLeft, r.bottom};
      Text(dc, std::to_wstring(WeekNumber(day)), week, GetSysColor(COLOR_GRAYTEXT));
    }
    const bool trailing = Trailing(s, day);
    if (trailing && (style & MCS_NOTRAILINGDATES) != 0) continue;
    const bool selected = cal::SameDay(day, s.selected);
    if (selected) FillRect(dc, &r, GetSysColorBrush(COLOR_HIGHLIGHT));
    if (cal::SameDay(day, s.today) && (style & MCS_NOTODAYCIRCLE) == 0) Frame(dc, r, kTodayFrame);
    const int colour = selected ? COLOR_HIGHLIGHTTEXT : trailing ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT;
    Text(dc, std::to_wstring(day.wDay), r, GetSysColor(colour));
  }

  if ((style & MCS_NOTODAY) == 0) {
    RECT text = g.todayLine;
    if ((style & MCS_NOTODAYCIRCLE) == 0) {
      RECT mark{text.left, text.top + 2, text.left + g.cellW - 4, text.bottom - 2};
      Frame(dc, mark, kTodayFrame);
      text.left = mark.right + 6;
    }
    Text(dc, L"\u4ECA\u5929: " + DateText(s.today), text, ink, DT_LEFT);
  }
  // A pop-up calendar (the date picker's) frames itself against what lies behind it.
  if ((style & WS_POPUP) != 0) FrameRect(dc, &client, GetSysColorBrush(COLOR_WINDOWFRAME));
  SelectObject(dc, oldFont);
  EndPaint(hwnd, &ps);
}

// ---- Selection ----

void Notify(HWND hwnd, const CalState& s, UINT code) {
  if (s.notify == nullptr || !IsWindow(s.notify)) return;
  NMSELCHANGE change{};
  UINT_PTR id = UINT_PTR(GetWindowLongPtrW(hwnd, GWLP_ID));
  change.nmhdr = NMHDR{hwnd, id, code};
  change.stSelStart = change.stSelEnd = s.selected;
  SendMessageW(s.notify, WM_NOTIFY, WPARAM(id), reinterpret_cast<LPARAM>(&change));
}

// A new selection, shown in its month; MCN_SELCHANGE when the day changed.
void Select(HWND hwnd, CalState& s, const SYSTEMTIME& day) {
  const bool changed = !cal::SameDay(day, s.selected);
  s.selected = day;
  s.selected.wDayOfWeek = cal::DayOfWeek(day.wYear, day.wMonth, day.wDay);
  s.year = day.wYear;
  s.month = day.wMonth;
  InvalidateRect(hwnd, nullptr, TRUE);
  if (changed) Notify(hwnd, s, MCN_SELCHANGE);
}

// The shown month moves; the selection moves with it unless the style keeps it.
void Navigate(HWND hwnd, CalState& s, int months) {
  SYSTEMTIME shown = cal::AddMonths(FirstOfMonth(s.year, s.month), months);
  if ((Style(hwnd) & MCS_NOSELCHANGEONNAV) == 0) {
    Select(hwnd, s, cal::AddMonths(s.selected, int(shown.wYear * 12 + shown.wMonth) - int(s.year * 12 + s.month)));
    return;
  }
  s.year = shown.wYear;
  s.month = shown.wMonth;
  InvalidateRect(hwnd, nullptr, TRUE);
}

void OnKey(HWND hwnd, CalState& s, UINT vk) {
  const bool ctrl = GetKeyState(VK_CONTROL) < 0;
  SYSTEMTIME day = s.selected;
  switch (vk) {
    case VK_LEFT: Select(hwnd, s, cal::AddDays(day, -1)); break;
    case VK_RIGHT: Select(hwnd, s, cal::AddDays(day, 1)); break;
    case VK_UP: Select(hwnd, s, cal::AddDays(day, -7)); break;
    case VK_DOWN: Select(hwnd, s, cal::AddDays(day, 7)); break;
    case VK_PRIOR: Select(hwnd, s, cal::AddMonths(day, ctrl ? -12 : -1)); break;
    case VK_NEXT: Select(hwnd, s, cal::AddMonths(day, ctrl ? 12 : 1)); break;
    case VK_HOME:
      day.wDay = 1;
      Select(hwnd, s, day);
      break;
    case VK_END:
      day.wDay = WORD(cal::DaysIn(day.wYear, day.wMonth));
      Select(hwnd, s, day);
      break;
    case VK_RETURN: Notify(hwnd, s, MCN_SELECT); break;
    default: break;
  }
}

bool Inside(const RECT& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

// What lies at a client point, and the day there.
UINT HitTest(HWND hwnd, const CalState& s, int x, int y, SYSTEMTIME* day) {
  const Geometry g = Measure(hwnd, s);
  const DWORD style = Style(hwnd);
  if (Inside(g.prevYear, x, y)) return MCHT_TITLEYEAR | MCHT_PREV;
  if (Inside(g.prevMonth, x, y)) return MCHT_TITLEBTNPREV;
  if (Inside(g.nextMonth, x, y)) return MCHT_TITLEBTNNEXT;
  if (Inside(g.nextYear, x, y)) return MCHT_TITLEYEAR | MCHT_NEXT;
  if (Inside(g.title, x, y)) return MCHT_TITLE;
  if ((style & MCS_NOTODAY) == 0 && Inside(g.todayLine, x, y)) {
    *day = s.today;
    return MCHT_TODAYLINK;
  }
  if (y >= g.namesTop && y < g.gridTop && x >= g.gridLeft && x < g.gridLeft + 7 * g.cellW) return MCHT_CALENDARDAY;
  const SYSTEMTIME first = FirstCell(s);
  for (int i = 0; i < kCells; ++i) {
    const RECT r = CellRect(g, i);
    if (y < r.top || y >= r.bottom) continue;
    if (i % 7 == 0 && x >= kMargin && x < g.gridLeft) return MCHT_CALENDARWEEKNUM;
    if (!Inside(r, x, y)) continue;
    *day = cal::AddDays(first, i);
    if (!Trailing(s, *day)) return MCHT_CALENDARDATE;
    if ((style & MCS_NOTRAILINGDATES) != 0) return MCHT_CALENDARBK;
    const bool before = day->wYear * 12 + day->wMonth < s.year * 12 + s.month;
    return before ? MCHT_CALENDARDATEPREV : MCHT_CALENDARDATENEXT;
  }
  return Inside(RECT{0, 0, g.width, g.height}, x, y) ? MCHT_CALENDARBK : MCHT_NOWHERE;
}

void OnClick(HWND hwnd, CalState& s, int x, int y) {
  SYSTEMTIME day{};
  switch (HitTest(hwnd, s, x, y, &day)) {
    case MCHT_TITLEYEAR | MCHT_PREV: Navigate(hwnd, s, -12); break;
    case MCHT_TITLEBTNPREV: Navigate(hwnd, s, -1); break;
    case MCHT_TITLEBTNNEXT: Navigate(hwnd, s, 1); break;
    case MCHT_TITLEYEAR | MCHT_NEXT: Navigate(hwnd, s, 12); break;
    case MCHT_TODAYLINK:
    case MCHT_CALENDARDATE:
    case MCHT_CALENDARDATEPREV:
    case MCHT_CALENDARDATENEXT:
      Select(hwnd, s, day);
      Notify(hwnd, s, MCN_SELECT);
      break;
    default: break;
  }
}

// ---- Messages ----

using CalStates = WindowExtraState<CalState>;

// Styles the calendar does not implement: day states and ranges of days.
constexpr DWORD kStylesNotDone = MCS_DAYSTATE | MCS_MULTISELECT;

LRESULT OnNcCreate(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  auto s = std::make_shared<CalState>();
  GetLocalTime(&s->today);
  s->selected = s->today;
  s->year = s->today.wYear;
  s->month = s->today.wMonth;
  auto create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
  if (create != nullptr) s->notify = create->hwndParent;
  ControlStylesNotDone(hwnd, kStylesNotDone);
  CalStates::Attach(hwnd, std::move(s));
  return DefWindowProcW(hwnd, WM_NCCREATE, wParam, lParam);
}

LRESULT OnNcDestroy(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  CalStates::Detach(hwnd);
  return DefWindowProcW(hwnd, WM_NCDESTROY, wParam, lParam);
}

LRESULT OnGetDay(const SYSTEMTIME& day, LPARAM lParam) {
  auto out = reinterpret_cast<SYSTEMTIME*>(lParam);
  if (out == nullptr) return FALSE;
  *out = day;
  return TRUE;
}

LRESULT OnSetCurSel(HWND hwnd, CalState& s, LPARAM lParam) {
  auto in = reinterpret_cast<const SYSTEMTIME*>(lParam);
  if (in == nullptr || !cal::ValidDay(*in)) return FALSE;
  s.selected = *in;
  s.selected.wDayOfWeek = cal::DayOfWeek(in->wYear, in->wMonth, in->wDay);
  s.year = in->wYear;
  s.month = in->wMonth;
  InvalidateRect(hwnd, nullptr, TRUE);
  return TRUE;
}

LRESULT OnSetToday(HWND hwnd, CalState& s, LPARAM lParam) {
  auto in = reinterpret_cast<const SYSTEMTIME*>(lParam);
  if (in == nullptr) {
    GetLocalTime(&s.today);
  } else if (cal::ValidDay(*in)) {
    s.today = *in;
  }
  InvalidateRect(hwnd, nullptr, TRUE);
  return 0;
}

LRESULT OnGetMinReqRect(HWND hwnd, const CalState& s, LPARAM lParam) {
  auto out = reinterpret_cast<RECT*>(lParam);
  if (out == nullptr) return FALSE;
  const Geometry g = Measure(hwnd, s);
  *out = RECT{0, 0, g.width, g.height};
  return TRUE;
}

LRESULT OnHitTest(HWND hwnd, const CalState& s, LPARAM lParam) {
  auto info = reinterpret_cast<MCHITTESTINFO*>(lParam);
  if (info == nullptr || info->cbSize < sizeof(MCHITTESTINFO)) return -1;
  info->st = SYSTEMTIME{};
  info->uHit = HitTest(hwnd, s, info->pt.x, info->pt.y, &info->st);
  return LRESULT(info->uHit);
}

LRESULT OnSetFont(HWND hwnd, CalState& s, WPARAM wParam, LPARAM lParam) {
  s.font = reinterpret_cast<HFONT>(wParam);
  if (LOWORD(lParam)) InvalidateRect(hwnd, nullptr, TRUE);
  return 0;
}

LRESULT CALLBACK MonthCalendarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  JF_CONTROL_ENTRY(hwnd, msg, wParam, lParam);
  if (msg == WM_NCCREATE) return OnNcCreate(hwnd, wParam, lParam);
  std::shared_ptr<CalState> state = CalStates::Get(hwnd);
  if (!state) return DefWindowProcW(hwnd, msg, wParam, lParam);
  CalState& s = *state;
  switch (msg) {
    case WM_NCDESTROY: return OnNcDestroy(hwnd, wParam, lParam);
    case MCM_GETCURSEL: return OnGetDay(s.selected, lParam);
    case MCM_SETCURSEL: return OnSetCurSel(hwnd, s, lParam);
    case MCM_GETTODAY: return OnGetDay(s.today, lParam);
    case MCM_SETTODAY: return OnSetToday(hwnd, s, lParam);
    case MCM_GETMINREQRECT: return OnGetMinReqRect(hwnd, s, lParam);
    case MCM_HITTEST: return OnHitTest(hwnd, s, lParam);
    case WM_SETFONT: return OnSetFont(hwnd, s, wParam, lParam);
    case WM_GETFONT: return reinterpret_cast<LRESULT>(s.font);
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    case WM_KEYDOWN: OnKey(hwnd, s, UINT(wParam)); return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: OnClick(hwnd, s, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
    case WM_PAINT: Paint(hwnd, s); return 0;
    case WM_ERASEBKGND: return 1;  // WM_PAINT fills the whole calendar
    default: return ControlDefault(hwnd, msg, wParam, lParam, MCM_FIRST, MCM_FIRST + 0x100);
  }
}

}  // namespace

WNDPROC MonthCalendarClassProc() { return MonthCalendarProc; }

}  // namespace jf
