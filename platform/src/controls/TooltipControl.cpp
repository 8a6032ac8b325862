// The common controls' "tooltips_class32": tools, text, tracking, maximum width, delays.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <textserv.h>
#include <windows/kernel.h>

#include "platform/src/controls/ControlDefault.h"
#include "platform/src/controls/WindowExtraState.h"
#include "platform/src/user/UserArea.h"

namespace jf {

namespace {

struct Tool {
  UINT flags = 0;
  HWND hwnd = nullptr;
  UINT_PTR id = 0;
  RECT rect{};
  HINSTANCE instance = nullptr;
  std::wstring text;
  LPARAM param = 0;
};

struct TipState {
  std::vector<Tool> tools;
  int maxWidth = -1;
  int delays[4] = {500, 100, 5000, 500};  // automatic, reshow, autopop, initial
  bool active = true;
  bool tracking = false;
  POINT trackPos{};
  int shown = -1;  // index of the tool on show
  COLORREF background = 0;
  COLORREF textColor = 0;
  bool customColors = false;
};

int Find(const TipState& s, const TOOLINFOW* ti) {
  if (ti == nullptr) return -1;
  for (size_t i = 0; i < s.tools.size(); ++i) {
    if (s.tools[i].hwnd == ti->hwnd && s.tools[i].id == ti->uId) return int(i);
  }
  return -1;
}

std::wstring TextOf(const TOOLINFOW* ti) {
  if (ti->lpszText == nullptr || ti->lpszText == LPSTR_TEXTCALLBACKW || IS_INTRESOURCE(ti->lpszText)) return L"";
  return ti->lpszText;
}

void Store(Tool& tool, const TOOLINFOW* ti) {
  tool.flags = ti->uFlags;
  tool.hwnd = ti->hwnd;
  tool.id = ti->uId;
  tool.rect = ti->rect;
  tool.instance = ti->hinst;
  tool.text = TextOf(ti);
  if (ti->cbSize >= offsetof(TOOLINFOW, lParam) + sizeof(LPARAM)) tool.param = ti->lParam;
}

HFONT TipFont() { return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

// Sizes and places the tip window for a tool, near the pointer or at the tracking point.
void Show(HWND hwnd, TipState& s, int index) {
  s.shown = index;
  const Tool& tool = s.tools[size_t(index)];
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, TipFont());
  RECT text{0, 0, s.maxWidth > 0 ? s.maxWidth : 4096, 0};
  UINT format = DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS | (s.maxWidth > 0 ? DT_WORDBREAK : 0);
  DrawTextW(dc, tool.text.c_str(), int(tool.text.size()), &text, format);
  SelectObject(dc, old);
  DeleteDC(dc);
  int w = int(text.right - text.left) + 8;
  int h = int(text.bottom - text.top) + 6;
  POINT at{};
  if ((tool.flags & TTF_TRACK) != 0) {
    at = s.trackPos;
  } else {
    GetCursorPos(&at);
    at.y += 20;
  }
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  if (at.x + w > work.right) at.x = work.right - w;
  if (at.y + h > work.bottom) at.y = work.bottom - h;
  if (at.x < work.left) at.x = work.left;
  if (at.y < work.top) at.y = work.top;
  SetWindowPos(hwnd, HWND_TOPMOST, at.x, at.y, w, h, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  InvalidateRect(hwnd, nullptr, TRUE);
}

void Hide(HWND hwnd, TipState& s) {
  s.shown = -1;
  ShowWindow(hwnd, SW_HIDE);
}

void Paint(HWND hwnd, const TipState& s) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (dc == nullptr) return;
  RECT client{};
  GetClientRect(hwnd, &client);
  HBRUSH back = s.customColors ? CreateSolidBrush(s.background) : nullptr;
  FillRect(dc, &client, back != nullptr ? back : GetSysColorBrush(COLOR_INFOBK));
  if (back != nullptr) DeleteObject(back);
  FrameRect(dc, &client, GetSysColorBrush(COLOR_WINDOWFRAME));
  if (s.shown >= 0 && size_t(s.shown) < s.tools.size()) {
    const std::wstring& text = s.tools[size_t(s.shown)].text;
    HGDIOBJ old = SelectObject(dc, TipFont());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, s.customColors ? s.textColor : GetSysColor(COLOR_INFOTEXT));
    RECT r{client.left + 4, client.top + 3, client.right - 4, client.bottom - 3};
    DrawTextW(dc, text.c_str(), int(text.size()), &r, DT_NOPREFIX | DT_EXPANDTABS | (s.maxWidth > 0 ? DT_WORDBREAK : 0));
    SelectObject(dc, old);
  }
  EndPaint(hwnd, &ps);
}

// ---- Messages ----

using TipStates = WindowExtraState<TipState>;

// Styles and tool flags the tip does not implement.
constexpr DWORD kStylesNotDone = TTS_ALWAYSTIP | TTS_NOPREFIX | TTS_NOANIMATE | TTS_NOFADE | TTS_BALLOON;
constexpr UINT kFlagsNotDone = TTF_CENTERTIP | TTF_RTLREADING | TTF_SUBCLASS | TTF_TRANSPARENT | TTF_PARSELINKS;

LRESULT OnNcCreate(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  // A tip floats above everything and stays out of the task bar and the window manager.
  SetWindowLongPtrW(hwnd, GWL_EXSTYLE, GetWindowLongPtrW(hwnd, GWL_EXSTYLE) | WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
  auto s = std::make_shared<TipState>();
  s->delays[TTDT_INITIAL] = int(GetDoubleClickTime());
  s->delays[TTDT_AUTOMATIC] = s->delays[TTDT_INITIAL];
  s->delays[TTDT_RESHOW] = s->delays[TTDT_INITIAL] / 5;
  s->delays[TTDT_AUTOPOP] = s->delays[TTDT_INITIAL] * 10;
  ControlStylesNotDone(hwnd, kStylesNotDone);
  TipStates::Attach(hwnd, std::move(s));
  return DefWindowProcW(hwnd, WM_NCCREATE, wParam, lParam);
}

LRESULT OnNcDestroy(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  TipStates::Detach(hwnd);
  return DefWindowProcW(hwnd, WM_NCDESTROY, wParam, lParam);
}

LRESULT OnAddTool(TipState& s, const TOOLINFOW* ti) {
  if (ti == nullptr || ti->cbSize < offsetof(TOOLINFOW, lParam)) return FALSE;
  if ((ti->uFlags & kFlagsNotDone) != 0) JF_FIXME(Controls, "tool flags 0x%x", ti->uFlags & kFlagsNotDone);
  int at = Find(s, ti);
  if (at < 0) {
    s.tools.emplace_back();
    at = int(s.tools.size()) - 1;
  }
  Store(s.tools[size_t(at)], ti);
  return TRUE;
}

LRESULT OnDelTool(HWND hwnd, TipState& s, const TOOLINFOW* ti) {
  int at = Find(s, ti);
  if (at >= 0) {
    if (s.shown == at) Hide(hwnd, s);
    s.tools.erase(s.tools.begin() + at);
    if (s.shown > at) --s.shown;
  }
  return 0;
}

// TTM_SETTOOLINFOW, TTM_UPDATETIPTEXTW and TTM_NEWTOOLRECTW: one tool changes.
LRESULT OnChangeTool(HWND hwnd, TipState& s, UINT msg, const TOOLINFOW* ti) {
  int at = Find(s, ti);
  if (at < 0) return 0;
  Tool& tool = s.tools[size_t(at)];
  if (msg == TTM_SETTOOLINFOW) Store(tool, ti);
  if (msg == TTM_UPDATETIPTEXTW) tool.text = TextOf(ti);
  if (msg == TTM_NEWTOOLRECTW) tool.rect = ti->rect;
  if (s.shown == at) Show(hwnd, s, at);
  return 0;
}

// TTM_GETTOOLINFOW and TTM_GETTEXTW.
LRESULT OnGetTool(const TipState& s, UINT msg, TOOLINFOW* ti) {
  int at = Find(s, ti);
  if (at < 0) return FALSE;
  const Tool& tool = s.tools[size_t(at)];
  if (msg == TTM_GETTOOLINFOW) {
    ti->uFlags = tool.flags;
    ti->rect = tool.rect;
    ti->hinst = tool.instance;
  }
  // The caller's buffer holds 80 characters, as the common controls assume.
  if (ti->lpszText != nullptr && ti->lpszText != LPSTR_TEXTCALLBACKW && !IS_INTRESOURCE(ti->lpszText)) {
    size_t n = std::min<size_t>(tool.text.size(), 79);
    wmemcpy(ti->lpszText, tool.text.c_str(), n);
    ti->lpszText[n] = 0;
  }
  return TRUE;
}

LRESULT OnSetMaxTipWidth(TipState& s, LPARAM lParam) {
  int old = s.maxWidth;
  s.maxWidth = int(lParam);
  return old;
}

LRESULT OnSetDelayTime(TipState& s, WPARAM wParam, LPARAM lParam) {
  if (wParam == TTDT_AUTOMATIC) {
    int base = LOWORD(lParam) == 0xFFFF ? int(GetDoubleClickTime()) : int(SHORT(LOWORD(lParam)));
    s.delays[TTDT_AUTOMATIC] = s.delays[TTDT_INITIAL] = base;
    s.delays[TTDT_RESHOW] = base / 5;
    s.delays[TTDT_AUTOPOP] = base * 10;
  } else if (wParam <= TTDT_INITIAL) {
    s.delays[wParam] = SHORT(LOWORD(lParam)) < 0 ? int(GetDoubleClickTime()) : int(SHORT(LOWORD(lParam)));
  }
  return 0;
}

LRESULT OnActivate(HWND hwnd, TipState& s, WPARAM wParam) {
  s.active = wParam != 0;
  if (!s.active) Hide(hwnd, s);
  return 0;
}

LRESULT OnTrackPosition(HWND hwnd, TipState& s, LPARAM lParam) {
  s.trackPos = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  if (s.shown >= 0 && (s.tools[size_t(s.shown)].flags & TTF_TRACK) != 0) Show(hwnd, s, s.shown);
  return 0;
}

LRESULT OnTrackActivate(HWND hwnd, TipState& s, WPARAM wParam, const TOOLINFOW* ti) {
  int at = Find(s, ti);
  if (wParam && at >= 0 && s.active && !s.tools[size_t(at)].text.empty()) {
    Show(hwnd, s, at);
  } else if (!wParam && (at < 0 || at == s.shown)) {
    Hide(hwnd, s);
  }
  return 0;
}

LRESULT OnPop(HWND hwnd, TipState& s) {
  Hide(hwnd, s);
  return 0;
}

LRESULT OnUpdate(HWND hwnd, TipState& s) {
  if (s.shown >= 0) Show(hwnd, s, s.shown);
  return 0;
}

LRESULT OnSetColor(TipState& s, COLORREF& which, WPARAM wParam) {
  which = COLORREF(wParam);
  s.customColors = true;
  return 0;
}

LRESULT OnPaint(HWND hwnd, const TipState& s) {
  Paint(hwnd, s);
  return 0;
}

LRESULT CALLBACK TooltipProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  JF_CONTROL_ENTRY(hwnd, msg, wParam, lParam);
  if (msg == WM_NCCREATE) return OnNcCreate(hwnd, wParam, lParam);
  std::shared_ptr<TipState> state = TipStates::Get(hwnd);
  if (!state) return DefWindowProcW(hwnd, msg, wParam, lParam);
  TipState& s = *state;
  auto ti = reinterpret_cast<TOOLINFOW*>(lParam);
  switch (msg) {
    case WM_NCDESTROY: return OnNcDestroy(hwnd, wParam, lParam);
    case TTM_ADDTOOLW: return OnAddTool(s, ti);
    case TTM_DELTOOLW: return OnDelTool(hwnd, s, ti);
    case TTM_SETTOOLINFOW: return OnChangeTool(hwnd, s, msg, ti);
    case TTM_UPDATETIPTEXTW: return OnChangeTool(hwnd, s, msg, ti);
    case TTM_NEWTOOLRECTW: return OnChangeTool(hwnd, s, msg, ti);
    case TTM_GETTOOLINFOW: return OnGetTool(s, msg, ti);
    case TTM_GETTEXTW: return OnGetTool(s, msg, ti);
    case TTM_GETTOOLCOUNT: return LRESULT(s.tools.size());
    case TTM_SETMAXTIPWIDTH: return OnSetMaxTipWidth(s, lParam);
    case TTM_GETMAXTIPWIDTH: return s.maxWidth;
    case TTM_SETDELAYTIME: return OnSetDelayTime(s, wParam, lParam);
    case TTM_GETDELAYTIME: return wParam <= TTDT_INITIAL ? s.delays[wParam] : 0;
    case TTM_ACTIVATE: return OnActivate(hwnd, s, wParam);
    case TTM_TRACKPOSITION: return OnTrackPosition(hwnd, s, lParam);
    case TTM_TRACKACTIVATE: return OnTrackActivate(hwnd, s, wParam, ti);
    case TTM_POP: return OnPop(hwnd, s);
    case TTM_UPDATE: return OnUpdate(hwnd, s);
    case TTM_SETTIPBKCOLOR: return OnSetColor(s, s.background, wParam);
    case TTM_SETTIPTEXTCOLOR: return OnSetColor(s, s.textColor, wParam);
    case WM_PAINT: return OnPaint(hwnd, s);
    case WM_ERASEBKGND: return 1;
    case WM_NCHITTEST: return HTTRANSPARENT;  // the pointer reaches what lies under the tip
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    default: return ControlDefault(hwnd, msg, wParam, lParam, WM_USER, WM_USER + 0x100);
  }
}

}  // namespace

WNDPROC TooltipClassProc() { return TooltipProc; }

}  // namespace jf
