// The common controls' date picker "SysDateTimePick32": a date field of year, month and day
// in the short (yyyy/M/d) or long (yyyy年M月d日) format, with an optional "no date" check box;
// the keyboard picks a part and changes it, and each change the user makes reaches the parent
// as DTN_DATETIMECHANGE. The button at the right drops a month calendar below the field
// (DTN_DROPDOWN); the field keeps the focus and the mouse while it is down and hands the
// calendar its keys and clicks. A day chosen there sets the field, and the calendar closes
// (DTN_CLOSEUP); Escape, a click elsewhere or the focus leaving close it without a change.
// With DTS_UPDOWN the button is an up-down pair that steps the chosen part instead.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <string>

#include "platform/src/controls/CalendarDate.h"
#include "platform/src/controls/ControlDefault.h"
#include "platform/src/controls/FontDc.h"
#include "platform/src/controls/WindowExtraState.h"
#include "platform/src/user/UserArea.h"

namespace jf {

namespace {

enum Part { kYear = 0, kMonth = 1, kDay = 2, kParts = 3 };

namespace cal = calendar;

constexpr int kMargin = 2;

struct PickState {
  SYSTEMTIME time{};
  bool none = false;  // DTS_SHOWNONE with its box unchecked
  int part = kYear;   // the part the keys change
  std::wstring typed;  // digits typed into the part so far
  HFONT font = nullptr;
  bool focused = false;
  bool caretShown = false;  // the system caret follows digits being typed into a part
  HWND calendar = nullptr;  // the dropped month calendar
  DWORD calendarStyle = 0;  // its MCS_ styles
  HFONT calendarFont = nullptr;
};

DWORD Style(HWND hwnd) { return DWORD(GetWindowLongPtrW(hwnd, GWL_STYLE)); }

bool Valid(const SYSTEMTIME& t) {
  return cal::ValidDay(t) && t.wHour < 24 && t.wMinute < 60 && t.wSecond < 60 && t.wMilliseconds < 1000;
}

int Lowest(int part) { return part == kYear ? cal::kMinYear : 1; }

int Highest(const SYSTEMTIME& t, int part) {
  if (part == kYear) return cal::kMaxYear;
  return part == kMonth ? 12 : cal::DaysIn(t.wYear, t.wMonth);
}

int Get(const SYSTEMTIME& t, int part) { return part == kYear ? t.wYear : part == kMonth ? t.wMonth : t.wDay; }

// Sets one part; a day past the end of a shorter month moves to its last day.
void Put(SYSTEMTIME& t, int part, int value) {
  if (part == kYear) t.wYear = WORD(value);
  if (part == kMonth) t.wMonth = WORD(value);
  if (part == kDay) t.wDay = WORD(value);
  int last = cal::DaysIn(t.wYear, t.wMonth);
  if (t.wDay > last) t.wDay = WORD(last);
  t.wDayOfWeek = cal::DayOfWeek(t.wYear, t.wMonth, t.wDay);
}

bool LongFormat(HWND hwnd) { return (Style(hwnd) & DTS_LONGDATEFORMAT) != 0; }

// The shown text as pieces: year, separator, month, separator, day, suffix.
struct Pieces {
  std::wstring text[6];
};

Pieces Layout(HWND hwnd, const SYSTEMTIME& t) {
  Pieces p;
  bool longForm = LongFormat(hwnd);
  p.text[0] = std::to_wstring(t.wYear);
  while (p.text[0].size() < 4) p.text[0].insert(0, 1, L'0');
  p.text[1] = longForm ? L"\u5E74" : L"/";
  p.text[2] = std::to_wstring(t.wMonth);
  p.text[3] = longForm ? L"\u6708" : L"/";
  p.text[4] = std::to_wstring(t.wDay);
  p.text[5] = longForm ? L"\u65E5" : L"";
  return p;
}

std::wstring Shown(HWND hwnd, const PickState& s) {
  Pieces p = Layout(hwnd, s.time);
  std::wstring all;
  for (const auto& piece : p.text) all += piece;
  return all;
}

int CheckWidth(HWND hwnd) { return (Style(hwnd) & DTS_SHOWNONE) != 0 ? 16 : 0; }

// The drop-down button (or the up-down pair) at the right of the field.
RECT ButtonRect(HWND hwnd) {
  RECT client{};
  GetClientRect(hwnd, &client);
  const int w = std::min<int>(GetSystemMetrics(SM_CXVSCROLL), client.right / 2);
  return RECT{client.right - w, client.top, client.right, client.bottom};
}

bool UpDown(HWND hwnd) { return (Style(hwnd) & DTS_UPDOWN) != 0; }

// The rectangles of the three parts in client coordinates.
void PartRects(HWND hwnd, const PickState& s, HDC dc, RECT out[kParts]) {
  RECT client{};
  GetClientRect(hwnd, &client);
  Pieces p = Layout(hwnd, s.time);
  int x = kMargin + CheckWidth(hwnd);
  for (int i = 0; i < 6; ++i) {
    SIZE size{};
    GetTextExtentPoint32W(dc, p.text[i].c_str(), int(p.text[i].size()), &size);
    if (i % 2 == 0) out[i / 2] = RECT{x, client.top, x + size.cx, client.bottom};
    x += size.cx;
  }
}

void Notify(HWND hwnd, UINT code, const PickState* s) {
  HWND parent = GetParent(hwnd);
  if (parent == nullptr) return;
  UINT_PTR id = UINT_PTR(GetWindowLongPtrW(hwnd, GWLP_ID));
  if (code == DTN_DATETIMECHANGE && s != nullptr) {
    NMDATETIMECHANGE change{};
    change.nmhdr = NMHDR{hwnd, id, code};
    change.dwFlags = s->none ? GDT_NONE : GDT_VALID;
    if (!s->none) change.st = s->time;
    SendMessageW(parent, WM_NOTIFY, WPARAM(id), reinterpret_cast<LPARAM>(&change));
    return;
  }
  NMHDR header{hwnd, id, code};
  SendMessageW(parent, WM_NOTIFY, WPARAM(id), reinterpret_cast<LPARAM>(&header));
}

// A change the user made: repaint and tell the parent.
void Changed(HWND hwnd, PickState& s) {
  InvalidateRect(hwnd, nullptr, TRUE);
  Notify(hwnd, DTN_DATETIMECHANGE, &s);
}

void SelectPart(HWND hwnd, PickState& s, int part) {
  if (part < 0) part = 0;
  if (part >= kParts) part = kParts - 1;
  if (part != s.part) s.typed.clear();
  s.part = part;
  InvalidateRect(hwnd, nullptr, FALSE);
}

void Step(HWND hwnd, PickState& s, int delta, bool wrap) {
  if (s.none) return;
  int low = Lowest(s.part), high = Highest(s.time, s.part);
  int v = Get(s.time, s.part) + delta;
  if (v > high) v = wrap ? low : high;
  if (v < low) v = wrap ? high : low;
  s.typed.clear();
  if (v == Get(s.time, s.part)) return;
  Put(s.time, s.part, v);
  Changed(hwnd, s);
}

void SetTo(HWND hwnd, PickState& s, int value) {
  s.typed.clear();
  if (s.none || value == Get(s.time, s.part)) return;
  Put(s.time, s.part, value);
  Changed(hwnd, s);
}

// Digits accumulate in the part as long as a longer number could still be valid; a number
// that fits the part's range is taken at once.
void Digit(HWND hwnd, PickState& s, wchar_t c) {
  if (s.none) return;
  int low = Lowest(s.part), high = Highest(s.time, s.part);
  for (int attempt = 0; attempt < 2; ++attempt) {
    s.typed.push_back(c);
    long value = std::stol(s.typed);
    bool fits = value >= low && value <= high;
    bool more = value * 10 <= high && s.typed.size() < (s.part == kYear ? 4u : 2u);
    if (fits) {
      if (value != Get(s.time, s.part)) {
        Put(s.time, s.part, int(value));
        Changed(hwnd, s);
      }
      if (!more) s.typed.clear();
      return;
    }
    if (more) return;
    s.typed.clear();  // start again with this digit alone
  }
}

void OnKeyDown(HWND hwnd, PickState& s, UINT vk) {
  switch (vk) {
    case VK_LEFT: SelectPart(hwnd, s, s.part - 1); break;
    case VK_RIGHT: SelectPart(hwnd, s, s.part + 1); break;
    case VK_UP: case VK_ADD: Step(hwnd, s, 1, true); break;
    case VK_DOWN: case VK_SUBTRACT: Step(hwnd, s, -1, true); break;
    case VK_PRIOR: Step(hwnd, s, s.part == kYear ? 10 : 1, false); break;
    case VK_NEXT: Step(hwnd, s, s.part == kYear ? -10 : -1, false); break;
    case VK_HOME: SetTo(hwnd, s, Lowest(s.part)); break;
    case VK_END: SetTo(hwnd, s, Highest(s.time, s.part)); break;
    default:
      if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) Digit(hwnd, s, wchar_t(L'0' + (vk - VK_NUMPAD0)));
      break;
  }
}

void DrawButton(HWND hwnd, HDC dc, const PickState& s);

void Paint(HWND hwnd, const PickState& s) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (dc == nullptr) return;
  RECT client{};
  GetClientRect(hwnd, &client);
  bool enabled = (Style(hwnd) & WS_DISABLED) == 0;
  FillRect(dc, &client, GetSysColorBrush(enabled ? COLOR_WINDOW : COLOR_BTNFACE));
  HGDIOBJ oldFont = SelectObject(dc, s.font != nullptr ? s.font : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  if (CheckWidth(hwnd) > 0) {
    int side = std::min<int>(12, client.bottom - 2);
    RECT box{kMargin, (client.bottom - side) / 2, kMargin + side, (client.bottom - side) / 2 + side};
    FrameRect(dc, &box, GetSysColorBrush(COLOR_WINDOWTEXT));
    if (!s.none) {
      RECT tick = box;
      InflateRect(&tick, -3, -3);
      FillRect(dc, &tick, GetSysColorBrush(COLOR_WINDOWTEXT));
    }
  }
  RECT parts[kParts];
  PartRects(hwnd, s, dc, parts);
  Pieces p = Layout(hwnd, s.time);
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  int y = std::max<int>(0, (client.bottom - tm.tmHeight) / 2);
  bool grey = !enabled || s.none;
  int x = parts[0].left;
  for (int i = 0; i < 6; ++i) {
    SIZE size{};
    GetTextExtentPoint32W(dc, p.text[i].c_str(), int(p.text[i].size()), &size);
    bool selected = s.focused && !grey && i % 2 == 0 && i / 2 == s.part;
    if (selected) {
      RECT hl{x, y, x + size.cx, y + tm.tmHeight};
      FillRect(dc, &hl, GetSysColorBrush(COLOR_HIGHLIGHT));
    }
    SetTextColor(dc, GetSysColor(grey ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    TextOutW(dc, x, y, p.text[i].c_str(), int(p.text[i].size()));
    x += size.cx;
  }
  DrawButton(hwnd, dc, s);
  RECT caret{};
  if (CaretShownIn(hwnd, &caret)) InvertRect(dc, &caret);
  SelectObject(dc, oldFont);
  EndPaint(hwnd, &ps);
}

// ---- The system caret: at the end of a part while digits are typed into it ----

void TakeCaret(HWND hwnd, PickState& s) {
  FontDc m(s.font);
  CreateCaret(hwnd, nullptr, 1, m.LineHeight());
  s.caretShown = false;
}

void PlaceCaret(HWND hwnd, PickState& s) {
  if (!s.focused) return;
  const bool show = !s.typed.empty() && !s.none;
  if (show) {
    FontDc m(s.font);
    RECT parts[kParts];
    PartRects(hwnd, s, m.dc(), parts);
    RECT client{};
    GetClientRect(hwnd, &client);
    SetCaretPos(parts[s.part].right, std::max<int>(0, (client.bottom - m.LineHeight()) / 2));
  }
  if (show != s.caretShown) {
    if (show) {
      ShowCaret(hwnd);
    } else {
      HideCaret(hwnd);
    }
    s.caretShown = show;
  }
}

// ---- The drop-down calendar ----

void Fill(HDC dc, int left, int top, int right, int bottom, int colour) {
  RECT r{left, top, right, bottom};
  FillRect(dc, &r, GetSysColorBrush(colour));
}

// A small solid triangle pointing up or down, centred on (cx, cy).
void Arrow(HDC dc, int cx, int cy, bool up, int colour) {
  for (int row = 0; row < 4; ++row) {
    const int half = up ? row : 3 - row;
    Fill(dc, cx - half, cy - 2 + row, cx + half + 1, cy - 1 + row, colour);
  }
}

void DrawButton(HWND hwnd, HDC dc, const PickState& s) {
  const RECT b = ButtonRect(hwnd);
  const bool enabled = (Style(hwnd) & WS_DISABLED) == 0;
  const int ink = enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT;
  FillRect(dc, &b, GetSysColorBrush(s.calendar != nullptr ? COLOR_BTNSHADOW : COLOR_BTNFACE));
  FrameRect(dc, &b, GetSysColorBrush(COLOR_BTNSHADOW));
  const int cx = (b.left + b.right) / 2, mid = (b.top + b.bottom) / 2;
  if (UpDown(hwnd)) {
    Fill(dc, b.left, mid, b.right, mid + 1, COLOR_BTNSHADOW);
    Arrow(dc, cx, (b.top + mid) / 2, true, ink);
    Arrow(dc, cx, (mid + b.bottom) / 2 + 1, false, ink);
  } else {
    Arrow(dc, cx, mid, false, ink);
  }
}

// Below the field, or above it when the work area ends first; at the field's right edge
// with DTS_RIGHTALIGN.
POINT CalendarPlace(HWND hwnd, SIZE size) {
  RECT field{}, work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  GetWindowRect(hwnd, &field);
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  POINT at{(Style(hwnd) & DTS_RIGHTALIGN) != 0 ? field.right - size.cx : field.left, field.bottom};
  if (at.y + size.cy > work.bottom && field.top - size.cy >= work.top) at.y = field.top - size.cy;
  at.x = std::max<LONG>(work.left, std::min<LONG>(at.x, work.right - size.cx));
  return at;
}

void DropDown(HWND hwnd, PickState& s) {
  if (s.calendar != nullptr || (Style(hwnd) & WS_DISABLED) != 0) return;
  HWND calendar = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, MONTHCAL_CLASSW, L"",
                                  WS_POPUP | s.calendarStyle, 0, 0, 0, 0, hwnd, nullptr, nullptr, nullptr);
  if (calendar == nullptr) return;
  s.calendar = calendar;
  SendMessageW(calendar, WM_SETFONT, reinterpret_cast<WPARAM>(s.calendarFont != nullptr ? s.calendarFont : s.font),
               FALSE);
  if (!s.none) (void)MonthCal_SetCurSel(calendar, &s.time);
  s.typed.clear();
  PlaceCaret(hwnd, s);
  InvalidateRect(hwnd, nullptr, FALSE);
  // The parent may change the calendar (DTM_GETMONTHCAL) before it is shown.
  Notify(hwnd, DTN_DROPDOWN, nullptr);
  if (s.calendar != calendar || !IsWindow(calendar)) return;
  RECT need{};
  (void)MonthCal_GetMinReqRect(calendar, &need);
  AdjustWindowRectEx(&need, DWORD(GetWindowLongPtrW(calendar, GWL_STYLE)), FALSE,
                     DWORD(GetWindowLongPtrW(calendar, GWL_EXSTYLE)));
  const SIZE size{need.right - need.left, need.bottom - need.top};
  const POINT at = CalendarPlace(hwnd, size);
  SetWindowPos(calendar, HWND_TOPMOST, at.x, at.y, size.cx, size.cy, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  SetCapture(hwnd);
}

void CloseUp(HWND hwnd, PickState& s) {
  HWND calendar = s.calendar;
  if (calendar == nullptr) return;
  s.calendar = nullptr;
  if (GetCapture() == hwnd) ReleaseCapture();
  DestroyWindow(calendar);
  InvalidateRect(hwnd, nullptr, FALSE);
  Notify(hwnd, DTN_CLOSEUP, nullptr);
}

// The calendar's chosen day becomes the field's date (the time of day stays).
void Choose(HWND hwnd, PickState& s, const SYSTEMTIME& day) {
  if (s.calendar != nullptr) ShowWindow(s.calendar, SW_HIDE);
  if (s.none || !cal::SameDay(day, s.time)) {
    s.none = false;
    s.time.wYear = day.wYear;
    s.time.wMonth = day.wMonth;
    s.time.wDay = day.wDay;
    s.time.wDayOfWeek = cal::DayOfWeek(day.wYear, day.wMonth, day.wDay);
    Changed(hwnd, s);
  }
  CloseUp(hwnd, s);
}

// ---- Messages ----

using PickStates = WindowExtraState<PickState>;

// Styles the picker does not implement: the time and century formats (bit 3 of
// DTS_TIMEFORMAT and DTS_SHORTDATECENTURYFORMAT) and typed text (DTS_APPCANPARSE).
constexpr DWORD kFormatBit = 0x0008;
constexpr DWORD kStylesNotDone = kFormatBit | DTS_APPCANPARSE;

LRESULT OnNcCreate(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  auto s = std::make_shared<PickState>();
  GetLocalTime(&s->time);
  ControlStylesNotDone(hwnd, kStylesNotDone);
  PickStates::Attach(hwnd, std::move(s));
  return DefWindowProcW(hwnd, WM_NCCREATE, wParam, lParam);
}

LRESULT OnNcDestroy(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  PickStates::Detach(hwnd);
  return DefWindowProcW(hwnd, WM_NCDESTROY, wParam, lParam);
}

LRESULT OnGetSystemTime(const PickState& s, LPARAM lParam) {
  auto out = reinterpret_cast<SYSTEMTIME*>(lParam);
  if (out == nullptr) return GDT_ERROR;
  if (s.none) return GDT_NONE;
  *out = s.time;
  return GDT_VALID;
}

LRESULT OnSetSystemTime(HWND hwnd, PickState& s, WPARAM wParam, LPARAM lParam) {
  auto in = reinterpret_cast<const SYSTEMTIME*>(lParam);
  if (wParam == GDT_NONE) {
    // Only a picker with the "no date" box can hold no date.
    if ((Style(hwnd) & DTS_SHOWNONE) == 0) return FALSE;
    s.none = true;
  } else if (wParam == GDT_VALID) {
    if (in == nullptr || !Valid(*in)) return FALSE;
    s.time = *in;
    s.time.wDayOfWeek = cal::DayOfWeek(in->wYear, in->wMonth, in->wDay);
    s.none = false;
  } else {
    return FALSE;
  }
  s.typed.clear();
  InvalidateRect(hwnd, nullptr, TRUE);
  return TRUE;
}

LRESULT OnGetText(HWND hwnd, const PickState& s, WPARAM wParam, LPARAM lParam) {
  auto buffer = reinterpret_cast<LPWSTR>(lParam);
  if (buffer == nullptr || wParam == 0) return 0;
  std::wstring text = Shown(hwnd, s);
  size_t n = std::min<size_t>(text.size(), size_t(wParam) - 1);
  wmemcpy(buffer, text.data(), n);
  buffer[n] = 0;
  return LRESULT(n);
}

LRESULT OnSetFont(HWND hwnd, PickState& s, WPARAM wParam, LPARAM lParam) {
  s.font = reinterpret_cast<HFONT>(wParam);
  if (LOWORD(lParam)) InvalidateRect(hwnd, nullptr, TRUE);
  return 0;
}

// While the calendar is down it takes the keys; Escape and F4 close it. F4 and Alt+Down drop it.
LRESULT OnKeyDownMessage(HWND hwnd, PickState& s, WPARAM wParam) {
  const UINT vk = UINT(wParam);
  if (s.calendar != nullptr) {
    if (vk == VK_ESCAPE || vk == VK_F4) {
      CloseUp(hwnd, s);
    } else {
      SendMessageW(s.calendar, WM_KEYDOWN, wParam, 0);
    }
    return 0;
  }
  if (vk == VK_F4 && !UpDown(hwnd)) {
    DropDown(hwnd, s);
    return 0;
  }
  OnKeyDown(hwnd, s, vk);
  PlaceCaret(hwnd, s);
  return 0;
}

LRESULT OnSysKeyDown(HWND hwnd, PickState& s, WPARAM wParam, LPARAM lParam) {
  if (wParam == VK_DOWN && !UpDown(hwnd)) {
    if (s.calendar != nullptr) {
      CloseUp(hwnd, s);
    } else {
      DropDown(hwnd, s);
    }
    return 0;
  }
  return DefWindowProcW(hwnd, WM_SYSKEYDOWN, wParam, lParam);
}

// Digits go into the part, space ticks the "no date" box, a separator moves to the next part.
LRESULT OnChar(HWND hwnd, PickState& s, WPARAM wParam) {
  if (s.calendar != nullptr) return 0;
  wchar_t c = wchar_t(wParam);
  if (c >= L'0' && c <= L'9') {
    Digit(hwnd, s, c);
  } else if (c == L' ' && CheckWidth(hwnd) > 0) {
    s.none = !s.none;
    Changed(hwnd, s);
  } else if (c == L'/' || c == L'-' || c == L'.') {
    SelectPart(hwnd, s, s.part + 1);
  }
  PlaceCaret(hwnd, s);
  return 0;
}

LRESULT OnFocus(HWND hwnd, PickState& s, bool focused) {
  s.focused = focused;
  if (focused) {
    TakeCaret(hwnd, s);
  } else {
    CloseUp(hwnd, s);
    s.typed.clear();
    DestroyCaret();
    s.caretShown = false;
  }
  InvalidateRect(hwnd, nullptr, FALSE);
  Notify(hwnd, focused ? NM_SETFOCUS : NM_KILLFOCUS, nullptr);
  return 0;
}

// While the calendar is down the field holds the mouse: a click inside the calendar goes to
// it, anywhere else closes it.
bool ClickWhileDropped(HWND hwnd, PickState& s, LPARAM lParam) {
  if (s.calendar == nullptr) return false;
  POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  ClientToScreen(hwnd, &at);
  RECT area{};
  GetWindowRect(s.calendar, &area);
  if (!PtInRect(&area, at)) {
    CloseUp(hwnd, s);
    return true;
  }
  ScreenToClient(s.calendar, &at);
  SendMessageW(s.calendar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
  return true;
}

// A click on the box ticks it, on the button drops the calendar (or steps the part with the
// up-down pair), on the text picks the part under it.
LRESULT OnLButtonDown(HWND hwnd, PickState& s, LPARAM lParam) {
  if (ClickWhileDropped(hwnd, s, lParam)) return 0;
  if (GetFocus() != hwnd) SetFocus(hwnd);
  int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
  const RECT button = ButtonRect(hwnd);
  if (x >= button.left) {
    if (!UpDown(hwnd)) {
      DropDown(hwnd, s);
    } else {
      Step(hwnd, s, y < (button.top + button.bottom) / 2 ? 1 : -1, true);
    }
    PlaceCaret(hwnd, s);
    return 0;
  }
  if (x < kMargin + CheckWidth(hwnd)) {
    s.none = !s.none;
    Changed(hwnd, s);
    return 0;
  }
  FontDc m(s.font);
  RECT parts[kParts];
  PartRects(hwnd, s, m.dc(), parts);
  int part = kDay;
  for (int i = 0; i < kParts; ++i) {
    if (x < parts[i].right) {
      part = i;
      break;
    }
  }
  SelectPart(hwnd, s, part);
  PlaceCaret(hwnd, s);
  return 0;
}

LRESULT OnNotify(HWND hwnd, PickState& s, WPARAM wParam, LPARAM lParam) {
  auto header = reinterpret_cast<const NMHDR*>(lParam);
  if (header == nullptr || s.calendar == nullptr || header->hwndFrom != s.calendar) {
    return DefWindowProcW(hwnd, WM_NOTIFY, wParam, lParam);
  }
  if (header->code == MCN_SELECT) Choose(hwnd, s, reinterpret_cast<const NMSELECT*>(lParam)->stSelStart);
  return 0;
}

// Another window took the mouse: the calendar cannot stay down.
LRESULT OnCaptureChanged(HWND hwnd, PickState& s, LPARAM lParam) {
  if (s.calendar != nullptr && reinterpret_cast<HWND>(lParam) != hwnd) CloseUp(hwnd, s);
  return 0;
}

LRESULT OnDestroy(HWND hwnd, PickState& s) {
  HWND calendar = s.calendar;
  s.calendar = nullptr;
  if (calendar != nullptr) DestroyWindow(calendar);
  return DefWindowProcW(hwnd, WM_DESTROY, 0, 0);
}

LRESULT OnSetCalendarStyle(HWND hwnd, PickState& s, LPARAM lParam) {
  const DWORD old = s.calendarStyle;
  s.calendarStyle = DWORD(lParam);
  if (s.calendar != nullptr) {
    const LONG_PTR kept = GetWindowLongPtrW(s.calendar, GWL_STYLE) & ~LONG_PTR(0xFFFF);
    SetWindowLongPtrW(s.calendar, GWL_STYLE, kept | LONG_PTR(s.calendarStyle & 0xFFFF));
    InvalidateRect(s.calendar, nullptr, TRUE);
  }
  (void)hwnd;
  return LRESULT(old);
}

LRESULT OnSetCalendarFont(PickState& s, WPARAM wParam, LPARAM lParam) {
  s.calendarFont = reinterpret_cast<HFONT>(wParam);
  if (s.calendar != nullptr) SendMessageW(s.calendar, WM_SETFONT, wParam, lParam);
  return 0;
}

LRESULT OnPaint(HWND hwnd, const PickState& s) {
  Paint(hwnd, s);
  return 0;
}

LRESULT OnEnable(HWND hwnd, PickState& s, WPARAM wParam) {
  if (!wParam) CloseUp(hwnd, s);
  InvalidateRect(hwnd, nullptr, TRUE);
  return 0;
}

LRESULT CALLBACK DateTimePickProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  JF_CONTROL_ENTRY(hwnd, msg, wParam, lParam);
  if (msg == WM_NCCREATE) return OnNcCreate(hwnd, wParam, lParam);
  std::shared_ptr<PickState> state = PickStates::Get(hwnd);
  if (!state) return DefWindowProcW(hwnd, msg, wParam, lParam);
  PickState& s = *state;
  switch (msg) {
    case WM_NCDESTROY: return OnNcDestroy(hwnd, wParam, lParam);
    case WM_DESTROY: return OnDestroy(hwnd, s);
    case DTM_GETSYSTEMTIME: return OnGetSystemTime(s, lParam);
    case DTM_SETSYSTEMTIME: return OnSetSystemTime(hwnd, s, wParam, lParam);
    case DTM_GETMONTHCAL: return reinterpret_cast<LRESULT>(s.calendar);
    case DTM_CLOSEMONTHCAL: CloseUp(hwnd, s); return 0;
    case DTM_SETMCSTYLE: return OnSetCalendarStyle(hwnd, s, lParam);
    case DTM_GETMCSTYLE: return LRESULT(s.calendarStyle);
    case DTM_SETMCFONT: return OnSetCalendarFont(s, wParam, lParam);
    case DTM_GETMCFONT: return reinterpret_cast<LRESULT>(s.calendarFont);
    case WM_GETTEXT: return OnGetText(hwnd, s, wParam, lParam);
    case WM_GETTEXTLENGTH: return LRESULT(Shown(hwnd, s).size());
    case WM_SETFONT: return OnSetFont(hwnd, s, wParam, lParam);
    case WM_GETFONT: return reinterpret_cast<LRESULT>(s.font);
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_KEYDOWN: return OnKeyDownMessage(hwnd, s, wParam);
    case WM_SYSKEYDOWN: return OnSysKeyDown(hwnd, s, wParam, lParam);
    case WM_CHAR: return OnChar(hwnd, s, wParam);
    case WM_SETFOCUS: return OnFocus(hwnd, s, true);
    case WM_KILLFOCUS: return OnFocus(hwnd, s, false);
    case WM_LBUTTONDOWN: return OnLButtonDown(hwnd, s, lParam);
    case WM_LBUTTONDBLCLK: return OnLButtonDown(hwnd, s, lParam);
    case WM_NOTIFY: return OnNotify(hwnd, s, wParam, lParam);
    case WM_CAPTURECHANGED: return OnCaptureChanged(hwnd, s, lParam);
    case WM_PAINT: return OnPaint(hwnd, s);
    case WM_ERASEBKGND: return 1;  // WM_PAINT fills the whole field
    case WM_ENABLE: return OnEnable(hwnd, s, wParam);
    default: return ControlDefault(hwnd, msg, wParam, lParam, DTM_FIRST, DTM_FIRST + 0x100);
  }
}

}  // namespace

WNDPROC DateTimePickClassProc() { return DateTimePickProc; }

}  // namespace jf
