// The system "Edit" class, single-line: text, selection by mouse and keys, caret, limit,
// password, number and read-only styles, the clipboard, notifications through WM_COMMAND
// and colours through WM_CTLCOLOREDIT.
#include <windows.h>

#include <cwctype>
#include <memory>
#include <mutex>
#include <string>

#include "platform/src/controls/ControlDefault.h"
#include "platform/src/controls/FontDc.h"
#include "platform/src/controls/WindowExtraState.h"
#include "platform/src/display/DisplayArea.h"
#include "platform/src/user/UserArea.h"

namespace jf {

namespace {

constexpr UINT kGetLimitText = 0x00D5;
constexpr UINT kGetPasswordChar = 0x00D2;
constexpr UINT kDefaultLimit = 30000;
constexpr UINT kSingleLineMax = 0x7FFFFFFE;
constexpr int kMargin = 2;
constexpr wchar_t kDefaultPasswordChar = 0x25CF;
constexpr UINT kEditMessagesEnd = 0x00E0;

struct EditState {
  std::wstring text;
  size_t anchor = 0;  // the fixed end of the selection
  size_t caret = 0;   // the moving end
  size_t limit = kDefaultLimit;
  wchar_t password = 0;
  HFONT font = nullptr;
  bool focused = false;
  bool dragging = false;
  size_t scroll = 0;  // first character shown
  int leftMargin = kMargin;
  int rightMargin = kMargin;
  bool modified = false;  // changed by the user since the text was last set
};

// The text copied last, for a program without a display to hold the clipboard.
std::mutex g_clipboardLock;
std::wstring& Clipboard() {
  static auto* text = new std::wstring;
  return *text;
}

DWORD Style(HWND hwnd) { return DWORD(GetWindowLongPtrW(hwnd, GWL_STYLE)); }

size_t SelMin(const EditState& s) { return std::min(s.anchor, s.caret); }
size_t SelMax(const EditState& s) { return std::max(s.anchor, s.caret); }

void Notify(HWND hwnd, WORD code) {
  HWND parent = GetParent(hwnd);
  if (parent == nullptr) return;
  WORD id = WORD(GetWindowLongPtrW(hwnd, GWLP_ID));
  SendMessageW(parent, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(hwnd));
}

std::wstring Shown(HWND hwnd, const EditState& s) {
  if (s.password != 0 && (Style(hwnd) & ES_PASSWORD) != 0) return std::wstring(s.text.size(), s.password);
  return s.text;
}

// The width of text[from, to) in the measuring DC's font.
int Span(const FontDc& m, const std::wstring& text, size_t from, size_t to) {
  return to <= from ? 0 : m.Width(text.c_str() + from, int(to - from));
}

// The character boundary nearest to client x.
size_t IndexAt(HWND hwnd, const EditState& s, int x) {
  std::wstring shown = Shown(hwnd, s);
  FontDc m(s.font);
  int base = s.leftMargin;
  size_t best = s.scroll;
  for (size_t i = s.scroll; i <= shown.size(); ++i) {
    int here = base + Span(m, shown, s.scroll, i);
    if (here > x) {
      int before = base + Span(m, shown, s.scroll, i == 0 ? 0 : i - 1);
      return (x - before < here - x && i > 0) ? i - 1 : i;
    }
    best = i;
  }
  return best;
}

// Keeps the caret visible by moving the first shown character.
void ScrollToCaret(HWND hwnd, EditState& s) {
  RECT client{};
  GetClientRect(hwnd, &client);
  int room = std::max<int>(1, client.right - s.leftMargin - s.rightMargin);
  std::wstring shown = Shown(hwnd, s);
  FontDc m(s.font);
  if (s.caret < s.scroll) s.scroll = s.caret;
  while (s.scroll < s.caret && Span(m, shown, s.scroll, s.caret) > room) ++s.scroll;
  if (s.scroll > shown.size()) s.scroll = shown.size();
}

// The thread's system caret follows the insertion point while the control has the focus.
void PlaceCaret(HWND hwnd, const EditState& s) {
  if (!s.focused) return;
  RECT client{};
  GetClientRect(hwnd, &client);
  std::wstring shown = Shown(hwnd, s);
  FontDc m(s.font);
  const int height = m.LineHeight();
  const size_t from = std::min(s.scroll, shown.size());
  const int x = s.leftMargin + Span(m, shown, from, std::max(from, std::min(s.caret, shown.size())));
  SetCaretPos(x, std::max<int>(0, (client.bottom - height) / 2));
}

// A caret of the font's height, shown at the insertion point.
void TakeCaret(HWND hwnd, const EditState& s) {
  FontDc m(s.font);
  CreateCaret(hwnd, nullptr, 1, m.LineHeight());
  PlaceCaret(hwnd, s);
  ShowCaret(hwnd);
}

void Changed(HWND hwnd, EditState& s, bool textChanged) {
  if (textChanged) s.modified = true;
  ScrollToCaret(hwnd, s);
  PlaceCaret(hwnd, s);
  InvalidateRect(hwnd, nullptr, TRUE);
  if (textChanged) {
    Notify(hwnd, EN_UPDATE);
    Notify(hwnd, EN_CHANGE);
  }
}

std::wstring Filter(HWND hwnd, const std::wstring& in) {
  DWORD style = Style(hwnd);
  std::wstring out;
  for (wchar_t c : in) {
    if (c == L'\r' || c == L'\n') break;  // one line only
    if ((style & ES_UPPERCASE) != 0) c = wchar_t(towupper(c));
    if ((style & ES_LOWERCASE) != 0) c = wchar_t(towlower(c));
    out.push_back(c);
  }
  return out;
}

// Replaces the selection; false (and EN_MAXTEXT) when nothing of it fits the limit.
bool ReplaceSelection(HWND hwnd, EditState& s, const std::wstring& raw) {
  std::wstring insert = Filter(hwnd, raw);
  size_t a = SelMin(s), b = SelMax(s);
  size_t room = s.limit > s.text.size() - (b - a) ? s.limit - (s.text.size() - (b - a)) : 0;
  bool cut = insert.size() > room;
  if (cut) insert.resize(room);
  if (insert.empty() && a == b) {
    if (cut) Notify(hwnd, EN_MAXTEXT);
    return false;
  }
  s.text.replace(a, b - a, insert);
  s.anchor = s.caret = a + insert.size();
  if (cut) Notify(hwnd, EN_MAXTEXT);
  return true;
}

bool IsWordChar(wchar_t c) { return iswalnum(c) || c == L'_' || c > 0x2E80; }

size_t WordLeft(const std::wstring& t, size_t i) {
  while (i > 0 && !IsWordChar(t[i - 1])) --i;
  while (i > 0 && IsWordChar(t[i - 1])) --i;
  return i;
}

size_t WordRight(const std::wstring& t, size_t i) {
  while (i < t.size() && IsWordChar(t[i])) ++i;
  while (i < t.size() && !IsWordChar(t[i])) ++i;
  return i;
}

bool Editable(HWND hwnd) { return (Style(hwnd) & ES_READONLY) == 0; }

bool Copy(HWND hwnd, const EditState& s) {
  if ((Style(hwnd) & ES_PASSWORD) != 0 || SelMin(s) == SelMax(s)) return false;
  std::wstring text = s.text.substr(SelMin(s), SelMax(s) - SelMin(s));
  X11SetClipboard(text);
  std::lock_guard<std::mutex> guard(g_clipboardLock);
  Clipboard() = text;
  return true;
}

void Paste(HWND hwnd, EditState& s) {
  if (!Editable(hwnd)) return;
  std::wstring text;
  if (!X11GetClipboard(&text)) {
    std::lock_guard<std::mutex> guard(g_clipboardLock);
    text = Clipboard();
  }
  if ((Style(hwnd) & ES_NUMBER) != 0 && text.find_first_not_of(L"0123456789") != std::wstring::npos) return;
  if (ReplaceSelection(hwnd, s, text)) Changed(hwnd, s, true);
}

void DeleteSelection(HWND hwnd, EditState& s) {
  if (SelMin(s) == SelMax(s) || !Editable(hwnd)) return;
  ReplaceSelection(hwnd, s, L"");
  Changed(hwnd, s, true);
}

void OnChar(HWND hwnd, EditState& s, wchar_t c) {
  switch (c) {
    case 1:  // Ctrl+A
      s.anchor = 0;
      s.caret = s.text.size();
      Changed(hwnd, s, false);
      return;
    case 3:  // Ctrl+C
      Copy(hwnd, s);
      return;
    case 22:  // Ctrl+V
      Paste(hwnd, s);
      return;
    case 24:  // Ctrl+X
      if (Editable(hwnd) && Copy(hwnd, s)) DeleteSelection(hwnd, s);
      return;
    case 8:  // Backspace
      if (!Editable(hwnd)) return;
      if (SelMin(s) == SelMax(s)) {
        if (s.caret == 0) return;
        s.anchor = s.caret - 1;
      }
      DeleteSelection(hwnd, s);
      return;
    default:
      break;
  }
  if (c < 0x20 || c == 0x7F || !Editable(hwnd)) return;
  if ((Style(hwnd) & ES_NUMBER) != 0 && (c < L'0' || c > L'9')) return;
  if (ReplaceSelection(hwnd, s, std::wstring(1, c))) Changed(hwnd, s, true);
}

void OnKeyDown(HWND hwnd, EditState& s, UINT vk) {
  bool shift = GetKeyState(VK_SHIFT) < 0;
  bool ctrl = GetKeyState(VK_CONTROL) < 0;
  size_t to = s.caret;
  switch (vk) {
    case VK_LEFT:
      if (!shift && SelMin(s) != SelMax(s)) to = SelMin(s);
      else to = ctrl ? WordLeft(s.text, s.caret) : (s.caret > 0 ? s.caret - 1 : 0);
      break;
    case VK_RIGHT:
      if (!shift && SelMin(s) != SelMax(s)) to = SelMax(s);
      else to = ctrl ? WordRight(s.text, s.caret) : std::min(s.text.size(), s.caret + 1);
      break;
    case VK_HOME:
      to = 0;
      break;
    case VK_END:
      to = s.text.size();
      break;
    case VK_DELETE:
      if (shift) {
        if (Editable(hwnd) && Copy(hwnd, s)) DeleteSelection(hwnd, s);
        return;
      }
      if (!Editable(hwnd)) return;
      if (SelMin(s) == SelMax(s)) {
        if (s.caret >= s.text.size()) return;
        s.anchor = s.caret + 1;
      }
      DeleteSelection(hwnd, s);
      return;
    case VK_INSERT:
      if (ctrl) Copy(hwnd, s);
      if (shift) Paste(hwnd, s);
      return;
    default:
      return;
  }
  s.caret = to;
  if (!shift) s.anchor = to;
  Changed(hwnd, s, false);
}

void Paint(HWND hwnd, const EditState& s) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (dc == nullptr) return;
  RECT client{};
  GetClientRect(hwnd, &client);
  DWORD style = Style(hwnd);
  bool plain = (style & (ES_READONLY | WS_DISABLED)) == 0;
  SetTextColor(dc, GetSysColor((style & WS_DISABLED) != 0 ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT));
  SetBkColor(dc, GetSysColor(plain ? COLOR_WINDOW : COLOR_BTNFACE));
  // The parent chooses the colours (and the brush) as for any edit control.
  HBRUSH brush = nullptr;
  HWND parent = GetParent(hwnd);
  if (parent != nullptr) {
    UINT ask = plain ? WM_CTLCOLOREDIT : WM_CTLCOLORSTATIC;
    brush = reinterpret_cast<HBRUSH>(SendMessageW(parent, ask, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd)));
  }
  FillRect(dc, &client, brush != nullptr ? brush : GetSysColorBrush(plain ? COLOR_WINDOW : COLOR_BTNFACE));
  HGDIOBJ oldFont = SelectObject(dc, s.font != nullptr ? s.font : GetStockObject(DEFAULT_GUI_FONT));
  std::wstring shown = Shown(hwnd, s);
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  int y = std::max<int>(0, (client.bottom - tm.tmHeight) / 2);
  SetBkMode(dc, TRANSPARENT);
  size_t from = std::min(s.scroll, shown.size());
  TextOutW(dc, s.leftMargin, y, shown.c_str() + from, int(shown.size() - from));
  size_t a = std::max(SelMin(s), from), b = SelMax(s);
  if (s.focused && b > a) {
    SIZE before{}, sel{};
    GetTextExtentPoint32W(dc, shown.c_str() + from, int(a - from), &before);
    GetTextExtentPoint32W(dc, shown.c_str() + a, int(b - a), &sel);
    RECT hl{s.leftMargin + before.cx, y, s.leftMargin + before.cx + sel.cx, y + tm.tmHeight};
    FillRect(dc, &hl, GetSysColorBrush(COLOR_HIGHLIGHT));
    SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    TextOutW(dc, hl.left, y, shown.c_str() + a, int(b - a));
  }
  RECT caret{};
  if (CaretShownIn(hwnd, &caret)) InvertRect(dc, &caret);
  SelectObject(dc, oldFont);
  EndPaint(hwnd, &ps);
}

// ---- Messages ----

using EditStates = WindowExtraState<EditState>;

// Styles the control does not implement: it is single-line and left-aligned, and always
// scrolls horizontally.
constexpr DWORD kStylesNotDone = ES_CENTER | ES_RIGHT | ES_MULTILINE | ES_AUTOVSCROLL | ES_NOHIDESEL | ES_OEMCONVERT |
                                 ES_WANTRETURN;

LRESULT OnNcCreate(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  auto s = std::make_shared<EditState>();
  auto cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
  if (cs != nullptr && cs->lpszName != nullptr && !IS_INTRESOURCE(cs->lpszName)) s->text = Filter(hwnd, cs->lpszName);
  if ((Style(hwnd) & ES_PASSWORD) != 0) s->password = kDefaultPasswordChar;
  ControlStylesNotDone(hwnd, kStylesNotDone);
  EditStates::Attach(hwnd, std::move(s));
  return DefWindowProcW(hwnd, WM_NCCREATE, wParam, lParam);
}

LRESULT OnNcDestroy(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  EditStates::Detach(hwnd);
  return DefWindowProcW(hwnd, WM_NCDESTROY, wParam, lParam);
}

LRESULT OnSetText(HWND hwnd, EditState& s, WPARAM wParam, LPARAM lParam) {
  auto text = reinterpret_cast<LPCWSTR>(lParam);
  s.text = Filter(hwnd, text != nullptr ? text : L"");
  s.anchor = s.caret = 0;
  s.scroll = 0;
  DefWindowProcW(hwnd, WM_SETTEXT, wParam, lParam);
  Changed(hwnd, s, true);
  s.modified = false;  // set text is not a change of the user's
  return TRUE;
}

LRESULT OnGetText(const EditState& s, WPARAM wParam, LPARAM lParam) {
  auto buffer = reinterpret_cast<LPWSTR>(lParam);
  if (buffer == nullptr || wParam == 0) return 0;
  size_t n = std::min<size_t>(s.text.size(), size_t(wParam) - 1);
  wmemcpy(buffer, s.text.data(), n);
  buffer[n] = 0;
  return LRESULT(n);
}

LRESULT OnSetFont(HWND hwnd, EditState& s, WPARAM wParam, LPARAM lParam) {
  s.font = reinterpret_cast<HFONT>(wParam);
  if (s.focused) TakeCaret(hwnd, s);
  if (LOWORD(lParam)) InvalidateRect(hwnd, nullptr, TRUE);
  return 0;
}

LRESULT OnLimitText(EditState& s, WPARAM wParam) {
  s.limit = wParam == 0 ? kSingleLineMax : size_t(wParam);
  return 0;
}

LRESULT OnGetSel(const EditState& s, WPARAM wParam, LPARAM lParam) {
  DWORD a = DWORD(SelMin(s)), b = DWORD(SelMax(s));
  if (wParam != 0) *reinterpret_cast<DWORD*>(wParam) = a;
  if (lParam != 0) *reinterpret_cast<DWORD*>(lParam) = b;
  return MAKELRESULT(std::min<DWORD>(a, 0xFFFF), std::min<DWORD>(b, 0xFFFF));
}

LRESULT OnSetSel(HWND hwnd, EditState& s, WPARAM wParam, LPARAM lParam) {
  // -1 as the start removes the selection; an end of -1 (or past the text) is the end.
  long long a = (long long)(INT_PTR)wParam, b = (long long)(INT_PTR)lParam;
  long long len = (long long)s.text.size();
  if (a == -1) {
    s.anchor = s.caret;
  } else {
    if (a < 0 || a > len) a = len;
    if (b < 0 || b > len) b = len;
    s.anchor = size_t(std::min(a, b));
    s.caret = size_t(std::max(a, b));
  }
  Changed(hwnd, s, false);
  return 0;
}

LRESULT OnReplaceSel(HWND hwnd, EditState& s, LPARAM lParam) {
  auto text = reinterpret_cast<LPCWSTR>(lParam);
  if (ReplaceSelection(hwnd, s, text != nullptr ? text : L"")) Changed(hwnd, s, true);
  return 0;
}

LRESULT OnSetReadOnly(HWND hwnd, WPARAM wParam) {
  LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
  SetWindowLongPtrW(hwnd, GWL_STYLE, wParam ? (style | ES_READONLY) : (style & ~LONG_PTR(ES_READONLY)));
  InvalidateRect(hwnd, nullptr, TRUE);
  return TRUE;
}

LRESULT OnSetModify(EditState& s, WPARAM wParam) {
  s.modified = wParam != 0;
  return 0;
}

LRESULT OnSetMargins(HWND hwnd, EditState& s, WPARAM wParam, LPARAM lParam) {
  // EC_USEFONTINFO picks the default margin; otherwise the words give pixels.
  if ((wParam & EC_LEFTMARGIN) != 0) s.leftMargin = LOWORD(lParam) == EC_USEFONTINFO ? kMargin : LOWORD(lParam);
  if ((wParam & EC_RIGHTMARGIN) != 0) s.rightMargin = HIWORD(lParam) == EC_USEFONTINFO ? kMargin : HIWORD(lParam);
  Changed(hwnd, s, false);
  return 0;
}

LRESULT OnSetPasswordChar(HWND hwnd, EditState& s, WPARAM wParam) {
  s.password = wchar_t(wParam);
  PlaceCaret(hwnd, s);
  InvalidateRect(hwnd, nullptr, TRUE);
  return 0;
}

LRESULT OnCopy(HWND hwnd, const EditState& s) {
  Copy(hwnd, s);
  return 0;
}

LRESULT OnCut(HWND hwnd, EditState& s) {
  if (Editable(hwnd) && Copy(hwnd, s)) DeleteSelection(hwnd, s);
  return 0;
}

LRESULT OnPaste(HWND hwnd, EditState& s) {
  Paste(hwnd, s);
  return 0;
}

LRESULT OnClear(HWND hwnd, EditState& s) {
  DeleteSelection(hwnd, s);
  return 0;
}

LRESULT OnCharMessage(HWND hwnd, EditState& s, WPARAM wParam) {
  OnChar(hwnd, s, wchar_t(wParam));
  return 0;
}

LRESULT OnKeyDownMessage(HWND hwnd, EditState& s, WPARAM wParam) {
  OnKeyDown(hwnd, s, UINT(wParam));
  return 0;
}

LRESULT OnFocus(HWND hwnd, EditState& s, bool focused) {
  s.focused = focused;
  if (!focused) s.dragging = false;
  if (focused) {
    TakeCaret(hwnd, s);
  } else {
    DestroyCaret();
  }
  InvalidateRect(hwnd, nullptr, FALSE);
  Notify(hwnd, focused ? EN_SETFOCUS : EN_KILLFOCUS);
  return 0;
}

LRESULT OnLButtonDown(HWND hwnd, EditState& s, WPARAM wParam, LPARAM lParam) {
  if (GetFocus() != hwnd) SetFocus(hwnd);
  size_t at = IndexAt(hwnd, s, GET_X_LPARAM(lParam));
  s.caret = at;
  if ((wParam & MK_SHIFT) == 0) s.anchor = at;
  s.dragging = true;
  SetCapture(hwnd);
  Changed(hwnd, s, false);
  return 0;
}

LRESULT OnMouseMove(HWND hwnd, EditState& s, LPARAM lParam) {
  if (s.dragging) {
    s.caret = IndexAt(hwnd, s, GET_X_LPARAM(lParam));
    Changed(hwnd, s, false);
  }
  return 0;
}

LRESULT OnLButtonUp(HWND hwnd, EditState& s) {
  if (s.dragging) {
    s.dragging = false;
    if (GetCapture() == hwnd) ReleaseCapture();
  }
  return 0;
}

// A double click selects the word under the pointer.
LRESULT OnLButtonDblClk(HWND hwnd, EditState& s, LPARAM lParam) {
  size_t at = std::min(IndexAt(hwnd, s, GET_X_LPARAM(lParam)), s.text.size());
  size_t a = at, b = at;
  while (a > 0 && IsWordChar(s.text[a - 1])) --a;
  while (b < s.text.size() && IsWordChar(s.text[b])) ++b;
  s.anchor = a;
  s.caret = b;
  Changed(hwnd, s, false);
  return 0;
}

LRESULT OnCaptureChanged(EditState& s) {
  s.dragging = false;
  return 0;
}

LRESULT OnPaint(HWND hwnd, const EditState& s) {
  Paint(hwnd, s);
  return 0;
}

LRESULT OnEnable(HWND hwnd) {
  InvalidateRect(hwnd, nullptr, TRUE);
  return 0;
}

LRESULT OnSetCursor(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  if (LOWORD(lParam) != HTCLIENT) return DefWindowProcW(hwnd, WM_SETCURSOR, wParam, lParam);
  SetCursor(LoadCursorW(nullptr, IDC_IBEAM));
  return TRUE;
}

LRESULT CALLBACK EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  JF_CONTROL_ENTRY(hwnd, msg, wParam, lParam);
  if (msg == WM_NCCREATE) return OnNcCreate(hwnd, wParam, lParam);
  std::shared_ptr<EditState> state = EditStates::Get(hwnd);
  if (!state) return DefWindowProcW(hwnd, msg, wParam, lParam);
  EditState& s = *state;
  switch (msg) {
    case WM_NCDESTROY: return OnNcDestroy(hwnd, wParam, lParam);
    case WM_SETTEXT: return OnSetText(hwnd, s, wParam, lParam);
    case WM_GETTEXT: return OnGetText(s, wParam, lParam);
    case WM_GETTEXTLENGTH: return LRESULT(s.text.size());
    case WM_SETFONT: return OnSetFont(hwnd, s, wParam, lParam);
    case WM_GETFONT: return reinterpret_cast<LRESULT>(s.font);
    case EM_LIMITTEXT: return OnLimitText(s, wParam);
    case kGetLimitText: return LRESULT(s.limit);
    case EM_GETSEL: return OnGetSel(s, wParam, lParam);
    case EM_SETSEL: return OnSetSel(hwnd, s, wParam, lParam);
    case EM_REPLACESEL: return OnReplaceSel(hwnd, s, lParam);
    case EM_SETREADONLY: return OnSetReadOnly(hwnd, wParam);
    case EM_GETMODIFY: return s.modified ? TRUE : FALSE;
    case EM_SETMODIFY: return OnSetModify(s, wParam);
    case EM_SETMARGINS: return OnSetMargins(hwnd, s, wParam, lParam);
    case EM_GETMARGINS: return MAKELRESULT(s.leftMargin, s.rightMargin);
    case EM_SETPASSWORDCHAR: return OnSetPasswordChar(hwnd, s, wParam);
    case kGetPasswordChar: return LRESULT(s.password);
    case WM_COPY: return OnCopy(hwnd, s);
    case WM_CUT: return OnCut(hwnd, s);
    case WM_PASTE: return OnPaste(hwnd, s);
    case WM_CLEAR: return OnClear(hwnd, s);
    case WM_CHAR: return OnCharMessage(hwnd, s, wParam);
    case WM_KEYDOWN: return OnKeyDownMessage(hwnd, s, wParam);
    case WM_GETDLGCODE: return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
    case WM_SETFOCUS: return OnFocus(hwnd, s, true);
    case WM_KILLFOCUS: return OnFocus(hwnd, s, false);
    case WM_LBUTTONDOWN: return OnLButtonDown(hwnd, s, wParam, lParam);
    case WM_MOUSEMOVE: return OnMouseMove(hwnd, s, lParam);
    case WM_LBUTTONUP: return OnLButtonUp(hwnd, s);
    case WM_LBUTTONDBLCLK: return OnLButtonDblClk(hwnd, s, lParam);
    case WM_CAPTURECHANGED: return OnCaptureChanged(s);
    case WM_PAINT: return OnPaint(hwnd, s);
    case WM_ERASEBKGND: return 1;  // WM_PAINT fills with the parent's brush
    case WM_ENABLE: return OnEnable(hwnd);
    case WM_SETCURSOR: return OnSetCursor(hwnd, wParam, lParam);
    default: return ControlDefault(hwnd, msg, wParam, lParam, EM_GETSEL, kEditMessagesEnd);
  }
}

}  // namespace

WNDPROC EditClassProc() { return EditProc; }

}  // namespace jf
