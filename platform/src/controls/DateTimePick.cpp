// The common controls' date picker "SysDateTimePick32": a date field of year, month and day
// in the short (yyyy/M/d) or long (yyyy年M月d日) format, with an optional "no date" check box;
// the keyboard picks a part and changes it, and each change the user makes reaches the parent
// as DTN_DATETIMECHANGE.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <string>

#include "platform/src/controls/ControlDefault.h"
#include "platform/src/controls/WindowExtraState.h"

namespace jf {

namespace {

enum Part { kYear = 0, kMonth = 1, kDay = 2, kParts = 3 };

constexpr int kMargin = 2;
constexpr int kMinYear = 1601;
constexpr int kMaxYear = 9999;

struct PickState {
  SYSTEMTIME time{};
  bool none = false;  // DTS_SHOWNONE with its box unchecked
  int part = kYear;   // the part the keys change
  std::wstring typed;  // digits typed into the part so far
  HFONT font = nullptr;
  bool focused = false;
};

DWORD Style(HWND hwnd) { return DWORD(GetWindowLongPtrW(hwnd, GWL_STYLE)); }

bool Leap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysIn(int year, int month) {
  static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 31;
  return month == 2 && Leap(year) ? 29 : days[month - 1];
}

WORD DayOfWeek(int year, int month, int day) {
  static const int offset[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  if (month < 3) --year;
  return WORD((year + year / 4 - year / 100 + year / 400 + offset[month - 1] + day) % 7);
}

bool Valid(const SYSTEMTIME& t) {
  return t.wYear >= kMinYear && t.wYear <= kMaxYear && t.wMonth >= 1 && t.wMonth <= 12 && t.wDay >= 1 &&
         t.wDay <= DaysIn(t.wYear, t.wMonth) && t.wHour < 24 && t.wMinute < 60 && t.wSecond < 60 &&
         t.wMilliseconds < 1000;
}

int Lowest(int part) { return part == kYear ? kMinYear : 1; }

int Highest(const SYSTEMTIME& t, int part) {
  if (part == kYear) return kMaxYear;
  return part == kMonth ? 12 : DaysIn(t.wYear, t.wMonth);
}

int Get(const SYSTEMTIME& t, int part) { return part == kYear ? t.wYear : part == kMonth ? t.wMonth : t.wDay; }

// Sets one part; a day past the end of a shorter month moves to its last day.
void Put(SYSTEMTIME& t, int part, int value) {
  if (part == kYear) t.wYear = WORD(value);
  if (part == kMonth) t.wMonth = WORD(value);
  if (part == kDay) t.wDay = WORD(value);
  int last = DaysIn(t.wYear, t.wMonth);
  if (t.wDay > last) t.wDay = WORD(last);
  t.wDayOfWeek = DayOfWeek(t.wYear, t.wMonth, t.wDay);
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

class FontDc {
 public:
  explicit FontDc(HFONT font) : dc_(CreateCompatibleDC(nullptr)) {
    old_ = SelectObject(dc_, font != nullptr ? font : GetStockObject(DEFAULT_GUI_FONT));
  }
  ~FontDc() {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
  }
  FontDc(const FontDc&) = delete;
  FontDc& operator=(const FontDc&) = delete;
  HDC dc() const { return dc_; }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

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
  SelectObject(dc, oldFont);
  EndPaint(hwnd, &ps);
}

// ---- Messages ----

using PickStates = WindowExtraState<PickState>;

// Styles the picker does not implement: the up-down control, the time and century formats
// (bit 3 of DTS_TIMEFORMAT and DTS_SHORTDATECENTURYFORMAT), typed text (DTS_APPCANPARSE) and
// the calendar's right alignment (DTS_RIGHTALIGN).
constexpr DWORD kFormatBit = 0x0008;
constexpr DWORD kAppCanParse = 0x0010;
constexpr DWORD kRightAlign = 0x0020;
constexpr DWORD kStylesNotDone = DTS_UPDOWN | kFormatBit | kAppCanParse | kRightAlign;

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
    s.time.wDayOfWeek = DayOfWeek(in->wYear, in->wMonth, in->wDay);
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

LRESULT OnKeyDownMessage(HWND hwnd, PickState& s, WPARAM wParam) {
  OnKeyDown(hwnd, s, UINT(wParam));
  return 0;
}

// Digits go into the part, space ticks the "no date" box, a separator moves to the next part.
LRESULT OnChar(HWND hwnd, PickState& s, WPARAM wParam) {
  wchar_t c = wchar_t(wParam);
  if (c >= L'0' && c <= L'9') {
    Digit(hwnd, s, c);
  } else if (c == L' ' && CheckWidth(hwnd) > 0) {
    s.none = !s.none;
    Changed(hwnd, s);
  } else if (c == L'/' || c == L'-' || c == L'.') {
    SelectPart(hwnd, s, s.part + 1);
  }
  return 0;
}

LRESULT OnFocus(HWND hwnd, PickState& s, bool focused) {
  s.focused = focused;
  if (!focused) s.typed.clear();
  InvalidateRect(hwnd, nullptr, FALSE);
  Notify(hwnd, focused ? NM_SETFOCUS : NM_KILLFOCUS, nullptr);
  return 0;
}

// A click on the box ticks it; a click on the text picks the part under it.
LRESULT OnLButtonDown(HWND hwnd, PickState& s, LPARAM lParam) {
  if (GetFocus() != hwnd) SetFocus(hwnd);
  int x = GET_X_LPARAM(lParam);
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
  return 0;
}

LRESULT OnPaint(HWND hwnd, const PickState& s) {
  Paint(hwnd, s);
  return 0;
}

LRESULT OnEnable(HWND hwnd) {
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
    case DTM_GETSYSTEMTIME: return OnGetSystemTime(s, lParam);
    case DTM_SETSYSTEMTIME: return OnSetSystemTime(hwnd, s, wParam, lParam);
    case WM_GETTEXT: return OnGetText(hwnd, s, wParam, lParam);
    case WM_GETTEXTLENGTH: return LRESULT(Shown(hwnd, s).size());
    case WM_SETFONT: return OnSetFont(hwnd, s, wParam, lParam);
    case WM_GETFONT: return reinterpret_cast<LRESULT>(s.font);
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_KEYDOWN: return OnKeyDownMessage(hwnd, s, wParam);
    case WM_CHAR: return OnChar(hwnd, s, wParam);
    case WM_SETFOCUS: return OnFocus(hwnd, s, true);
    case WM_KILLFOCUS: return OnFocus(hwnd, s, false);
    case WM_LBUTTONDOWN: return OnLButtonDown(hwnd, s, lParam);
    case WM_LBUTTONDBLCLK: return OnLButtonDown(hwnd, s, lParam);
    case WM_PAINT: return OnPaint(hwnd, s);
    case WM_ERASEBKGND: return 1;  // WM_PAINT fills the whole field
    case WM_ENABLE: return OnEnable(hwnd);
    default: return ControlDefault(hwnd, msg, wParam, lParam, DTM_FIRST, DTM_FIRST + 0x100);
  }
}

}  // namespace

WNDPROC DateTimePickClassProc() { return DateTimePickProc; }

}  // namespace jf
