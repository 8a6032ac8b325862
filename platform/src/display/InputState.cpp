// The virtual pointer and keyboard: hit testing, routing to capture or the window under the
// pointer, focus and activation, double clicks, hover and leave tracking, key state,
// TranslateMessage, and DefWindowProcW's move and size drag. The X connection feeds the same
// entry points as the test drivers.
#include "platform/src/display/InputState.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

#include "platform/src/user/UserArea.h"
#include "platform/src/display/DisplayMetrics.h"
#include "platform/src/display/DisplayState.h"
#include "platform/src/display/x11/X11Bridge.h"
#include "platform/testing/hooks/testinput.h"
#include "platform/src/internal/ticksource.h"
#include "platform/src/internal/errors.h"

namespace jf {

// The scan code a key sends (set 1), enough for the lParam of key messages.
UINT MapVirtualKeyScan(UINT vk);

namespace {

struct ClickMemory {
  HWND hwnd = nullptr;
  UINT button = 0;
  uint64_t time = 0;
  POINT pt{};
  bool valid = false;
};

struct Tracking {
  HWND hwnd = nullptr;
  DWORD flags = 0;
  DWORD hoverTime = 400;
  uint64_t hoverStart = 0;
  POINT hoverOrigin{};
};

struct MoveSize {
  HWND hwnd = nullptr;
  int hit = 0;
  POINT start{};
  RECT startRect{};
  POINT minTrack{};
};

struct Input {
  std::mutex lock;
  POINT cursor{0, 0};
  BYTE keys[256] = {};
  HWND focus = nullptr;
  HWND active = nullptr;
  HWND capture = nullptr;
  HWND underPointer = nullptr;  // the window that got the last pointer message
  bool underClient = false;
  ClickMemory click;
  Tracking track;
  MoveSize moveSize;
  POINT lastLeftUp{};  // where the left button last rose
  // Each queued message keeps the keyboard as it was when the input happened; a thread sees
  // that state in GetKeyState once it has taken the message.
  using Keys = std::array<BYTE, 256>;
  struct Queued {
    MSG msg;
    Keys keys;
  };
  std::map<DWORD, std::deque<Queued>> queues;
  std::map<DWORD, Keys> synced;
  // Wakes a blocked queue when a hover is due on the real clock.
  std::condition_variable hoverChanged;
  bool waker = false;
};

Input& In() {
  static Input* input = new Input;
  return *input;
}

bool Down(const Input& in, int vk) { return (in.keys[vk & 0xFF] & 0x80) != 0; }

WPARAM MouseKeys(const Input& in) {
  WPARAM w = 0;
  if (Down(in, VK_LBUTTON)) w |= MK_LBUTTON;
  if (Down(in, VK_RBUTTON)) w |= MK_RBUTTON;
  if (Down(in, VK_MBUTTON)) w |= MK_MBUTTON;
  if (Down(in, VK_SHIFT)) w |= MK_SHIFT;
  if (Down(in, VK_CONTROL)) w |= MK_CONTROL;
  return w;
}

DWORD OwnerThread(HWND hwnd) { return hwnd == nullptr ? 0 : GetWindowThreadProcessId(hwnd, nullptr); }

void WakeThread(DWORD threadId) {
  if (auto queue = MsgQueue::ForThread(threadId)) queue->Wake();
}

// Queues an input message for the thread of its window; a move replaces a pending move.
void Enqueue(const MSG& msg) {
  DWORD thread = OwnerThread(msg.hwnd);
  if (thread == 0) return;
  {
    Input& in = In();
    std::lock_guard<std::mutex> guard(in.lock);
    std::deque<Input::Queued>& q = in.queues[thread];
    Input::Queued item{msg, {}};
    std::copy(std::begin(in.keys), std::end(in.keys), item.keys.begin());
    bool move = msg.message == WM_MOUSEMOVE || msg.message == WM_NCMOUSEMOVE;
    if (move && !q.empty() && q.back().msg.message == msg.message && q.back().msg.hwnd == msg.hwnd) {
      q.back() = item;
    } else {
      q.push_back(item);
    }
  }
  WakeThread(thread);
}

MSG MakeMsg(HWND hwnd, UINT message, WPARAM w, LPARAM l, POINT pt) {
  return MSG{hwnd, message, w, l, DWORD(TickNow()), pt};
}

LPARAM PointParam(POINT pt) { return MAKELPARAM(WORD(SHORT(pt.x)), WORD(SHORT(pt.y))); }

POINT ToClient(HWND hwnd, POINT screen) {
  ScreenToClient(hwnd, &screen);
  return screen;
}

HWND RootOf(HWND hwnd) {
  HWND root = GetAncestor(hwnd, GA_ROOT);
  return root != nullptr ? root : hwnd;
}

bool InTree(HWND ancestor, HWND hwnd) { return hwnd != nullptr && (hwnd == ancestor || IsChild(ancestor, hwnd)); }

// Where a pointer event goes and what part of the window it hits.
struct Target {
  HWND hwnd = nullptr;
  int hit = HTNOWHERE;
};

Target FindTarget(POINT screen) {
  Target t;
  {
    Input& in = In();
    std::lock_guard<std::mutex> guard(in.lock);
    if (in.capture != nullptr && IsWindow(in.capture)) {
      t.hwnd = in.capture;
      t.hit = HTCLIENT;
      return t;
    }
  }
  {
    WindowTable& table = WindowTable::Get();
    auto guard = table.Guard();
    t.hwnd = WindowFromPointLocked(table, screen);
  }
  // HTTRANSPARENT hands the point to the parent.
  for (int depth = 0; t.hwnd != nullptr && depth < 64; ++depth) {
    t.hit = int(SendMessageW(t.hwnd, WM_NCHITTEST, 0, PointParam(screen)));
    if (t.hit != HTTRANSPARENT) break;
    t.hwnd = GetAncestor(t.hwnd, GA_PARENT);
  }
  return t;
}

// Leave tracking ends when the pointer is no longer over the tracked window's client area.
void UpdateTracking(const Target& t, POINT screen) {
  HWND leave = nullptr;
  {
    Input& in = In();
    std::lock_guard<std::mutex> guard(in.lock);
    in.underPointer = t.hwnd;
    in.underClient = t.hit == HTCLIENT;
    Tracking& tr = in.track;
    if (tr.hwnd == nullptr) return;
    if (tr.hwnd != t.hwnd || t.hit != HTCLIENT) {
      if ((tr.flags & TME_LEAVE) != 0) leave = tr.hwnd;
      tr = Tracking{};
    } else if ((tr.flags & TME_HOVER) != 0) {
      UINT width = 4, height = 4;
      if (std::abs(screen.x - tr.hoverOrigin.x) > LONG(width / 2) ||
          std::abs(screen.y - tr.hoverOrigin.y) > LONG(height / 2)) {
        tr.hoverOrigin = screen;
        tr.hoverStart = TickNow();
      }
    }
  }
  if (leave != nullptr) PostMessageW(leave, WM_MOUSELEAVE, 0, 0);
}

UINT ButtonMessage(int vk, bool down, bool dbl, bool nonClient) {
  UINT base = vk == VK_RBUTTON ? WM_RBUTTONDOWN : vk == VK_MBUTTON ? WM_MBUTTONDOWN : WM_LBUTTONDOWN;
  UINT m = dbl ? base + 2 : down ? base : base + 1;
  return nonClient ? m - (WM_LBUTTONDOWN - WM_NCLBUTTONDOWN) : m;
}

bool ClassWantsDoubleClicks(HWND hwnd) {
  WindowTable& table = WindowTable::Get();
  return table.WithRecord(hwnd, false, [](WindowRecord& rec) { return (rec.cls->style & CS_DBLCLKS) != 0; });
}

void ApplyMoveSize(POINT screen) {
  MoveSize ms;
  {
    Input& in = In();
    std::lock_guard<std::mutex> guard(in.lock);
    ms = in.moveSize;
  }
  if (ms.hwnd == nullptr) return;
  int dx = screen.x - ms.start.x;
  int dy = screen.y - ms.start.y;
  RECT r = ms.startRect;
  if (ms.hit == HTCAPTION) {
    r = RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
  } else {
    if (ms.hit == HTLEFT || ms.hit == HTTOPLEFT || ms.hit == HTBOTTOMLEFT) r.left = std::min(r.left + dx, r.right - ms.minTrack.x);
    if (ms.hit == HTRIGHT || ms.hit == HTTOPRIGHT || ms.hit == HTBOTTOMRIGHT) r.right = std::max(r.right + dx, r.left + ms.minTrack.x);
    if (ms.hit == HTTOP || ms.hit == HTTOPLEFT || ms.hit == HTTOPRIGHT) r.top = std::min(r.top + dy, r.bottom - ms.minTrack.y);
    if (ms.hit == HTBOTTOM || ms.hit == HTBOTTOMLEFT || ms.hit == HTBOTTOMRIGHT) r.bottom = std::max(r.bottom + dy, r.top + ms.minTrack.y);
  }
  SetWindowPos(ms.hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

bool EndMoveSize() {
  HWND hwnd = nullptr;
  {
    Input& in = In();
    std::lock_guard<std::mutex> guard(in.lock);
    hwnd = in.moveSize.hwnd;
    in.moveSize = MoveSize{};
  }
  if (hwnd == nullptr) return false;
  SendMessageW(hwnd, WM_EXITSIZEMOVE, 0, 0);
  return true;
}

bool MovingOrSizing() {
  Input& in = In();
  std::lock_guard<std::mutex> guard(in.lock);
  return in.moveSize.hwnd != nullptr;
}

void HoverWaker() {
  Input& in = In();
  std::unique_lock<std::mutex> guard(in.lock);
  for (;;) {
    Tracking tr = in.track;
    if (tr.hwnd == nullptr || (tr.flags & TME_HOVER) == 0 || TickIsManual()) {
      in.hoverChanged.wait(guard);
      continue;
    }
    uint64_t due = tr.hoverStart + tr.hoverTime;
    uint64_t now = TickNow();
    if (now >= due) {
      guard.unlock();
      WakeThread(OwnerThread(tr.hwnd));
      guard.lock();
      in.hoverChanged.wait_for(guard, std::chrono::milliseconds(50));
      continue;
    }
    in.hoverChanged.wait_for(guard, std::chrono::milliseconds(TickToWallMs(due - now)));
  }
}

void StartHoverWaker(Input& in) {
  // Lock held.
  if (!in.waker) {
    in.waker = true;
    std::thread(HoverWaker).detach();
  }
  in.hoverChanged.notify_all();
}

WCHAR CharForKey(UINT vk, bool shift, bool caps, bool ctrl) {
  if (vk >= 'A' && vk <= 'Z') {
    if (ctrl) return WCHAR(vk - 'A' + 1);
    bool upper = shift != caps;
    return WCHAR(upper ? vk : vk + 32);
  }
  if (ctrl) {
    if (vk == VK_RETURN) return L'\n';
    if (vk == VK_BACK) return 0x7F;
    if (vk == VK_ESCAPE) return 0x1B;
    return 0;
  }
  if (vk >= '0' && vk <= '9') return shift ? L")!@#$%^&*("[vk - '0'] : WCHAR(vk);
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) return WCHAR(L'0' + (vk - VK_NUMPAD0));
  switch (vk) {
    case VK_SPACE: return L' ';
    case VK_RETURN: return L'\r';
    case VK_BACK: return 8;
    case VK_TAB: return 9;
    case VK_ESCAPE: return 0x1B;
    case VK_OEM_1: return shift ? L':' : L';';
    case VK_OEM_PLUS: return shift ? L'+' : L'=';
    case VK_OEM_COMMA: return shift ? L'<' : L',';
    case VK_OEM_MINUS: return shift ? L'_' : L'-';
    case VK_OEM_PERIOD: return shift ? L'>' : L'.';
    case VK_OEM_2: return shift ? L'?' : L'/';
    case VK_OEM_3: return shift ? L'~' : L'`';
    case VK_OEM_4: return shift ? L'{' : L'[';
    case VK_OEM_5: return shift ? L'|' : L'\\';
    case VK_OEM_6: return shift ? L'}' : L']';
    case VK_OEM_7: return shift ? L'"' : L'\'';
    case VK_MULTIPLY: return L'*';
    case VK_ADD: return L'+';
    case VK_SUBTRACT: return L'-';
    case VK_DECIMAL: return L'.';
    case VK_DIVIDE: return L'/';
    default: return 0;
  }
}

bool ExtendedKey(UINT vk) {
  switch (vk) {
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: case VK_HOME: case VK_END:
    case VK_PRIOR: case VK_NEXT: case VK_INSERT: case VK_DELETE: case VK_RCONTROL: case VK_RMENU:
    case VK_DIVIDE: case VK_LWIN: case VK_RWIN: case VK_APPS:
      return true;
    default:
      return false;
  }
}

// The key that a typed character needs, or VK_PACKET when no plain key gives it.
void KeyForChar(wchar_t ch, UINT* vk, bool* shift) {
  *shift = false;
  *vk = VK_PACKET;
  if (ch >= L'a' && ch <= L'z') *vk = UINT(ch - 32);
  else if (ch >= L'A' && ch <= L'Z') { *vk = UINT(ch); *shift = true; }
  else if (ch >= L'0' && ch <= L'9') *vk = UINT(ch);
  else if (ch == L' ') *vk = VK_SPACE;
}

void SendKey(UINT vk, bool down, wchar_t packetChar) {
  HWND target = nullptr;
  bool sys = false;
  LPARAM l = 0;
  {
    Input& in = In();
    std::lock_guard<std::mutex> guard(in.lock);
    BYTE& state = in.keys[vk & 0xFF];
    bool wasDown = (state & 0x80) != 0;
    if (down) {
      if (!wasDown) state ^= 0x01;  // the toggle (Caps Lock) flips on each press
      state |= 0x80;
    } else {
      state &= BYTE(~0x80);
    }
    // The generic Shift, Ctrl and Alt follow their left and right keys.
    auto generic = [&](int g, int a, int b) { in.keys[g] = BYTE((in.keys[g] & 0x01) | ((Down(in, a) || Down(in, b)) ? 0x80 : 0)); };
    if (vk == VK_LSHIFT || vk == VK_RSHIFT) generic(VK_SHIFT, VK_LSHIFT, VK_RSHIFT);
    if (vk == VK_LCONTROL || vk == VK_RCONTROL) generic(VK_CONTROL, VK_LCONTROL, VK_RCONTROL);
    if (vk == VK_LMENU || vk == VK_RMENU) generic(VK_MENU, VK_LMENU, VK_RMENU);
    bool alt = Down(in, VK_MENU) && !Down(in, VK_CONTROL);
    target = in.focus;
    // Without a focus the active window gets the keys as system keys.
    sys = target == nullptr || alt || vk == VK_F10 || ((vk == VK_MENU || vk == VK_LMENU || vk == VK_RMENU) && !Down(in, VK_CONTROL));
    if (target == nullptr) target = in.active;
    l = 1 | (LPARAM(MapVirtualKeyScan(vk)) << 16);
    if (ExtendedKey(vk)) l |= LPARAM(1) << 24;
    if (alt) l |= LPARAM(1) << 29;
    if (wasDown) l |= LPARAM(1) << 30;
    if (!down) l |= LPARAM(1) << 31;
    l &= LPARAM(0xFFFFFFFF);
    // The character the key makes with the modifiers of this moment rides above the 32 bits
    // Windows defines, so TranslateMessage sees the state of the key's time, not of its own.
    wchar_t ch = vk == VK_PACKET ? packetChar
                                 : CharForKey(vk, Down(in, VK_SHIFT), (in.keys[VK_CAPITAL] & 0x01) != 0,
                                              Down(in, VK_CONTROL) && !alt);
    if (down && ch != 0) l |= LPARAM(uint64_t(uint32_t(ch)) << 32);
  }
  if (target == nullptr || !IsWindow(target)) return;
  UINT message = sys ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
  Enqueue(MakeMsg(target, message, WPARAM(vk), l, InputCursorPos()));
}

}  // namespace

void ActivateWindow(HWND hwnd, int how) {
  if (hwnd != nullptr) hwnd = RootOf(hwnd);
  HWND old = nullptr;
  HWND killed = nullptr;
  {
    Input& in = In();
    std::lock_guard<std::mutex> guard(in.lock);
    if (in.active == hwnd) return;
    old = in.active;
    in.active = hwnd;
    if (in.focus != nullptr && (hwnd == nullptr || !InTree(hwnd, in.focus))) {
      killed = in.focus;
      in.focus = nullptr;
    }
  }
  if (old != nullptr && IsWindow(old)) {
    SendMessageW(old, WM_NCACTIVATE, FALSE, 0);
    SendMessageW(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, IsIconic(old) ? 1 : 0), reinterpret_cast<LPARAM>(hwnd));
  }
  if (killed != nullptr && IsWindow(killed)) SendMessageW(killed, WM_KILLFOCUS, 0, 0);
  if (hwnd == nullptr || !IsWindow(hwnd)) return;
  {
    WindowTable& table = WindowTable::Get();
    auto guard = table.Guard();
    std::vector<HWND>& tops = table.TopLevelLocked();
    auto it = std::find(tops.begin(), tops.end(), hwnd);
    if (it != tops.end()) {
      tops.erase(it);
      tops.insert(tops.begin(), hwnd);
    }
  }
  SendMessageW(hwnd, WM_NCACTIVATE, TRUE, 0);
  SendMessageW(hwnd, WM_ACTIVATE, MAKEWPARAM(how, IsIconic(hwnd) ? 1 : 0), reinterpret_cast<LPARAM>(old));
  X11Focus(hwnd);
}

void InputWindowHidden(HWND hwnd) {
  HWND killFocus = nullptr, lostCapture = nullptr, deactivate = nullptr, owner = nullptr;
  {
    Input& in = In();
    std::lock_guard<std::mutex> guard(in.lock);
    if (InTree(hwnd, in.focus)) killFocus = in.focus;
    if (InTree(hwnd, in.capture)) {
      lostCapture = in.capture;
      in.capture = nullptr;
    }
    if (in.active == hwnd) deactivate = hwnd;
    if (InTree(hwnd, in.track.hwnd)) in.track = Tracking{};
    if (InTree(hwnd, in.moveSize.hwnd)) in.moveSize = MoveSize{};
    if (InTree(hwnd, in.underPointer)) in.underPointer = nullptr;
  }
  if (lostCapture != nullptr) SendMessageW(lostCapture, WM_CAPTURECHANGED, 0, 0);
  if (killFocus != nullptr) SetFocus(nullptr);
  if (deactivate != nullptr) {
    owner = GetWindow(hwnd, GW_OWNER);
    ActivateWindow(owner != nullptr && IsWindowVisible(owner) ? owner : nullptr, WA_ACTIVE);
  }
}

void InputWindowDestroying(HWND hwnd) {
  InputWindowHidden(hwnd);
  Input& in = In();
  std::lock_guard<std::mutex> guard(in.lock);
  if (in.focus == hwnd) in.focus = nullptr;
  if (in.active == hwnd) in.active = nullptr;
  if (in.click.hwnd == hwnd) in.click = ClickMemory{};
  for (auto& entry : in.queues) {
    auto& q = entry.second;
    q.erase(std::remove_if(q.begin(), q.end(), [&](const Input::Queued& m) { return m.msg.hwnd == hwnd; }), q.end());
  }
}

bool InputNextMessage(DWORD threadId, const MsgFilter& filter, bool remove, MSG* out) {
  Input& in = In();
  std::lock_guard<std::mutex> guard(in.lock);
  Tracking& tr = in.track;
  if (tr.hwnd != nullptr && (tr.flags & TME_HOVER) != 0 && OwnerThread(tr.hwnd) == threadId &&
      TickNow() >= tr.hoverStart + tr.hoverTime && filter.MatchesWindow(tr.hwnd) && filter.InRange(WM_MOUSEHOVER)) {
    POINT pt = in.cursor;
    HWND hwnd = tr.hwnd;
    *out = MakeMsg(hwnd, WM_MOUSEHOVER, MouseKeys(in), 0, pt);
    if (remove) tr.flags &= ~DWORD(TME_HOVER);
    if (tr.flags == 0) tr = Tracking{};
    // Client coordinates need the window table, which never waits on this lock.
    POINT client = ToClient(hwnd, pt);
    out->lParam = PointParam(client);
    return true;
  }
  auto it = in.queues.find(threadId);
  if (it == in.queues.end()) return false;
  std::deque<Input::Queued>& q = it->second;
  for (auto m = q.begin(); m != q.end(); ++m) {
    if (!filter.Matches(m->msg)) continue;
    *out = m->msg;
    if (remove) {
      in.synced[threadId] = m->keys;
      q.erase(m);
    }
    return true;
  }
  return false;
}

BOOL InputTranslate(const MSG* msg) {
  bool sys = msg->message == WM_SYSKEYDOWN;
  if (msg->message == WM_KEYUP || msg->message == WM_SYSKEYUP) return TRUE;
  if (msg->message != WM_KEYDOWN && !sys) return FALSE;
  UINT vk = UINT(msg->wParam & 0xFF);
  wchar_t ch = wchar_t(uint32_t(uint64_t(msg->lParam) >> 32));
  if (ch == 0 && vk != VK_PACKET) {
    Input& in = In();
    std::lock_guard<std::mutex> guard(in.lock);
    ch = CharForKey(vk, Down(in, VK_SHIFT), (in.keys[VK_CAPITAL] & 0x01) != 0, Down(in, VK_CONTROL) && !sys);
  }
  if (ch != 0) PostMessageW(msg->hwnd, sys ? WM_SYSCHAR : WM_CHAR, WPARAM(ch), msg->lParam & LPARAM(0xFFFFFFFF));
  return TRUE;
}

POINT InputCursorPos() {
  Input& in = In();
  std::lock_guard<std::mutex> guard(in.lock);
  return in.cursor;
}

void InputBeginMoveSize(HWND hwnd, int hit, POINT start) {
  if (IsZoomed(hwnd) && hit == HTCAPTION) return;
  RECT r{};
  if (!WindowTable::Get().WithRecord(hwnd, false, [&](WindowRecord& rec) {
        r = rec.windowRect;
        return true;
      })) {
    return;
  }
  MINMAXINFO mmi = QueryMinMax(hwnd);
  bool held = false;
  POINT now{};
  {
    Input& in = In();
    std::lock_guard<std::mutex> guard(in.lock);
    // The drag runs from where the button went down to where the pointer is now; a button
    // that already rose (its input came before this message was handled) ends it there.
    held = Down(in, VK_LBUTTON);
    now = held ? in.cursor : in.lastLeftUp;
    in.moveSize = MoveSize{hwnd, hit, start, r, mmi.ptMinTrackSize};
  }
  SendMessageW(hwnd, WM_ENTERSIZEMOVE, 0, 0);
  ApplyMoveSize(now);
  if (!held) EndMoveSize();
}

// ---- Test drivers and the X events ------------------------------------------------------

void InputMouseMove(int x, int y) {
  POINT screen{x, y};
  {
    Input& in = In();
    std::lock_guard<std::mutex> guard(in.lock);
    in.cursor = screen;
  }
  if (MovingOrSizing()) {
    ApplyMoveSize(screen);
    return;
  }
  Target t = FindTarget(screen);
  UpdateTracking(t, screen);
  if (t.hwnd == nullptr) return;
  bool captured = false;
  {
    Input& in = In();
    std::lock_guard<std::mutex> guard(in.lock);
    captured = in.capture == t.hwnd;
  }
  if (!captured) {
    SendMessageW(t.hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(t.hwnd), MAKELPARAM(WORD(SHORT(t.hit)), WM_MOUSEMOVE));
  }
  WPARAM keys = 0;
  {
    Input& in = In();
    std::lock_guard<std::mutex> guard(in.lock);
    keys = MouseKeys(in);
  }
  if (t.hit == HTCLIENT) {
    Enqueue(MakeMsg(t.hwnd, WM_MOUSEMOVE, keys, PointParam(ToClient(t.hwnd, screen)), screen));
  } else {
    Enqueue(MakeMsg(t.hwnd, WM_NCMOUSEMOVE, WPARAM(t.hit), PointParam(screen), screen));
  }
}

void InputMouseButton(int vkButton, bool down) {
  POINT screen{};
  {
    Input& in = In();
    std::lock_guard<std::mutex> guard(in.lock);
    if (down) in.keys[vkButton & 0xFF] |= 0x80;
    else in.keys[vkButton & 0xFF] &= BYTE(~0x80);
    screen = in.cursor;
    if (vkButton == VK_LBUTTON && !down) in.lastLeftUp = screen;
  }
  if (MovingOrSizing()) {
    if (vkButton == VK_LBUTTON && !down) EndMoveSize();
    return;
  }
  Target t = FindTarget(screen);
  UpdateTracking(t, screen);
  if (t.hwnd == nullptr) return;
  bool nonClient = t.hit != HTCLIENT;
  if (down) {
    HWND top = RootOf(t.hwnd);
    HWND active = nullptr;
    {
      Input& in = In();
      std::lock_guard<std::mutex> guard(in.lock);
      active = in.active;
    }
    if (top != active && (GetWindowLongPtrW(top, GWL_EXSTYLE) & WS_EX_NOACTIVATE) == 0) {
      LRESULT ma = SendMessageW(t.hwnd, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(top),
                                MAKELPARAM(WORD(SHORT(t.hit)), ButtonMessage(vkButton, true, false, false)));
      if (ma != MA_NOACTIVATE && ma != MA_NOACTIVATEANDEAT) ActivateWindow(top, WA_CLICKACTIVE);
      if (ma == MA_ACTIVATEANDEAT || ma == MA_NOACTIVATEANDEAT) return;
    }
    if (!IsWindow(t.hwnd)) return;
    SendMessageW(t.hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(t.hwnd),
                 MAKELPARAM(WORD(SHORT(t.hit)), ButtonMessage(vkButton, true, false, false)));
  }
  bool dbl = false;
  WPARAM keys = 0;
  {
    Input& in = In();
    std::lock_guard<std::mutex> guard(in.lock);
    keys = MouseKeys(in);
    if (down) {
      uint64_t now = TickNow();
      ClickMemory& c = in.click;
      dbl = c.valid && c.hwnd == t.hwnd && c.button == UINT(vkButton) && now - c.time <= GetDoubleClickTime() &&
            std::abs(screen.x - c.pt.x) <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 &&
            std::abs(screen.y - c.pt.y) <= GetSystemMetrics(SM_CYDOUBLECLK) / 2;
      // A double click starts a new pair; the third click is a plain one.
      c = dbl ? ClickMemory{} : ClickMemory{t.hwnd, UINT(vkButton), now, screen, true};
    }
  }
  if (dbl && !nonClient && !ClassWantsDoubleClicks(t.hwnd)) dbl = false;
  UINT message = ButtonMessage(vkButton, down, dbl, nonClient);
  if (nonClient) {
    Enqueue(MakeMsg(t.hwnd, message, WPARAM(t.hit), PointParam(screen), screen));
  } else {
    Enqueue(MakeMsg(t.hwnd, message, keys, PointParam(ToClient(t.hwnd, screen)), screen));
  }
}

// The test driver feeds the same input functions as the X connection.
void TestMouseMove(int x, int y) { InputMouseMove(x, y); }

void TestMouseButton(int vkButton, bool down) { InputMouseButton(vkButton, down); }

void TestMouseWheel(int delta) { InputMouseWheel(delta); }

void TestMouseClick(int vkButton) {
  InputMouseButton(vkButton, true);
  InputMouseButton(vkButton, false);
}

void InputMouseWheel(int delta) {
  POINT screen = InputCursorPos();
  Target t = FindTarget(screen);
  if (t.hwnd == nullptr) return;
  WPARAM keys = 0;
  {
    Input& in = In();
    std::lock_guard<std::mutex> guard(in.lock);
    keys = MouseKeys(in);
  }
  Enqueue(MakeMsg(t.hwnd, WM_MOUSEWHEEL, MAKEWPARAM(WORD(keys), WORD(SHORT(delta))), PointParam(screen), screen));
}

void TestKey(UINT vk, bool down) { SendKey(vk, down, 0); }

void InputKey(UINT vk, bool down, wchar_t packetChar) { SendKey(vk, down, packetChar); }

void TestKeyPress(UINT vk) {
  SendKey(vk, true, 0);
  SendKey(vk, false, 0);
}

void TestTypeText(const std::wstring& text) {
  for (wchar_t ch : text) {
    UINT vk = VK_PACKET;
    bool shift = false;
    KeyForChar(ch, &vk, &shift);
    bool shiftWasDown = GetKeyState(VK_SHIFT) < 0;
    if (shift && !shiftWasDown) SendKey(VK_SHIFT, true, 0);
    SendKey(vk, true, ch);
    SendKey(vk, false, ch);
    if (shift && !shiftWasDown) SendKey(VK_SHIFT, false, 0);
  }
}

void TestResetInput() {
  EndMoveSize();
  HWND capture = GetCapture();
  if (capture != nullptr) ReleaseCapture();
  Input& in = In();
  std::lock_guard<std::mutex> guard(in.lock);
  std::fill(std::begin(in.keys), std::end(in.keys), BYTE(0));
  in.focus = in.active = in.capture = in.underPointer = nullptr;
  in.click = ClickMemory{};
  in.track = Tracking{};
  in.queues.clear();
  in.synced.clear();
  in.cursor = POINT{0, 0};
}

UINT MapVirtualKeyScan(UINT vk) {
  static const BYTE kLetters[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17, 0x24, 0x25, 0x26, 0x32,
                                    0x31, 0x18, 0x19, 0x10, 0x13, 0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
  if (vk >= 'A' && vk <= 'Z') return kLetters[vk - 'A'];
  if (vk >= '1' && vk <= '9') return 0x02 + (vk - '1');
  switch (vk) {
    case '0': return 0x0B;
    case VK_ESCAPE: return 0x01;
    case VK_BACK: return 0x0E;
    case VK_TAB: return 0x0F;
    case VK_RETURN: return 0x1C;
    case VK_CONTROL: case VK_LCONTROL: case VK_RCONTROL: return 0x1D;
    case VK_SHIFT: case VK_LSHIFT: return 0x2A;
    case VK_RSHIFT: return 0x36;
    case VK_MENU: case VK_LMENU: case VK_RMENU: return 0x38;
    case VK_SPACE: return 0x39;
    case VK_F1: case VK_F2: case VK_F3: case VK_F4: case VK_F5: case VK_F6: case VK_F7: case VK_F8: case VK_F9: case VK_F10:
      return 0x3B + (vk - VK_F1);
    case VK_HOME: return 0x47;
    case VK_UP: return 0x48;
    case VK_PRIOR: return 0x49;
    case VK_LEFT: return 0x4B;
    case VK_RIGHT: return 0x4D;
    case VK_END: return 0x4F;
    case VK_DOWN: return 0x50;
    case VK_NEXT: return 0x51;
    case VK_INSERT: return 0x52;
    case VK_DELETE: return 0x53;
    default: return 0;
  }
}

}  // namespace jf

// ---- Focus, capture, key state, tracking ------------------------------------------------------

using jf::In;

namespace {

// A window of the input state as the calling thread sees it: only its own windows.
HWND ForCallingThread(HWND jf::Input::*field) {
  HWND hwnd = nullptr;
  {
    jf::Input& in = In();
    std::lock_guard<std::mutex> guard(in.lock);
    hwnd = in.*field;
  }
  return hwnd != nullptr && jf::OwnerThread(hwnd) == GetCurrentThreadId() ? hwnd : nullptr;
}

}  // namespace

HWND WINAPI SetFocus(HWND hwnd) {
  if (hwnd != nullptr) {
    if (!IsWindow(hwnd)) return nullptr;
    HWND top = jf::RootOf(hwnd);
    if (GetActiveWindow() != top && IsWindowVisible(top)) jf::ActivateWindow(top, WA_ACTIVE);
  }
  HWND old = nullptr;
  {
    jf::Input& in = In();
    std::lock_guard<std::mutex> guard(in.lock);
    old = in.focus;
    if (old == hwnd) return old;
    in.focus = hwnd;
  }
  if (old != nullptr && IsWindow(old)) SendMessageW(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
  if (hwnd != nullptr && IsWindow(hwnd) && GetFocus() == hwnd) {
    SendMessageW(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
  }
  return old;
}

HWND WINAPI GetFocus(void) { return ForCallingThread(&jf::Input::focus); }

HWND WINAPI SetCapture(HWND hwnd) {
  if (hwnd != nullptr && !IsWindow(hwnd)) return nullptr;
  HWND old = nullptr;
  {
    jf::Input& in = In();
    std::lock_guard<std::mutex> guard(in.lock);
    old = in.capture;
    if (old == hwnd) return old;
    in.capture = hwnd;
  }
  if (old != nullptr && IsWindow(old)) SendMessageW(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
  return old;
}

BOOL WINAPI ReleaseCapture(void) {
  HWND old = nullptr;
  {
    jf::Input& in = In();
    std::lock_guard<std::mutex> guard(in.lock);
    old = in.capture;
    in.capture = nullptr;
  }
  if (old != nullptr && IsWindow(old)) SendMessageW(old, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

HWND WINAPI GetCapture(void) { return ForCallingThread(&jf::Input::capture); }

SHORT WINAPI GetKeyState(int virtKey) {
  jf::Input& in = In();
  std::lock_guard<std::mutex> guard(in.lock);
  // The state that goes with the input message this thread took last.
  auto it = in.synced.find(GetCurrentThreadId());
  BYTE s = it != in.synced.end() ? it->second[virtKey & 0xFF] : in.keys[virtKey & 0xFF];
  return SHORT(((s & 0x80) != 0 ? 0x8000 : 0) | (s & 0x01));
}

SHORT WINAPI GetAsyncKeyState(int virtKey) {
  jf::Input& in = In();
  std::lock_guard<std::mutex> guard(in.lock);
  return SHORT((in.keys[virtKey & 0xFF] & 0x80) != 0 ? 0x8000 : 0);
}

BOOL WINAPI TrackMouseEvent(LPTRACKMOUSEEVENT track) {
  if (track == nullptr || track->cbSize != sizeof(TRACKMOUSEEVENT)) {
    JF_SET_ERROR(Display, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  jf::Input& in = In();
  if ((track->dwFlags & TME_QUERY) != 0) {
    std::lock_guard<std::mutex> guard(in.lock);
    track->hwndTrack = in.track.hwnd;
    track->dwFlags = in.track.flags;
    track->dwHoverTime = in.track.hoverTime;
    return TRUE;
  }
  if (!IsWindow(track->hwndTrack)) return FALSE;
  DWORD flags = track->dwFlags & (TME_HOVER | TME_LEAVE);
  bool leaveNow = false;
  {
    std::lock_guard<std::mutex> guard(in.lock);
    jf::Tracking& tr = in.track;
    if ((track->dwFlags & TME_CANCEL) != 0) {
      if (tr.hwnd == track->hwndTrack) {
        tr.flags &= ~flags;
        if (tr.flags == 0) tr = jf::Tracking{};
      }
      return TRUE;
    }
    bool over = in.underPointer == track->hwndTrack && in.underClient;
    if (!over) {
      leaveNow = (flags & TME_LEAVE) != 0;
    } else {
      if (tr.hwnd != track->hwndTrack) tr = jf::Tracking{};
      tr.hwnd = track->hwndTrack;
      tr.flags |= flags;
      if ((flags & TME_HOVER) != 0) {
        tr.hoverTime = track->dwHoverTime == HOVER_DEFAULT ? 400 : track->dwHoverTime;
        tr.hoverStart = jf::TickNow();
        tr.hoverOrigin = in.cursor;
        jf::StartHoverWaker(in);
      }
    }
  }
  if (leaveNow) PostMessageW(track->hwndTrack, WM_MOUSELEAVE, 0, 0);
  return TRUE;
}

BOOL WINAPI GetCursorPos(LPPOINT point) {
  if (point == nullptr) {
    JF_SET_ERROR(Display, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *point = jf::InputCursorPos();
  return TRUE;
}

BOOL WINAPI SetCursorPos(int x, int y) {
  RECT screen = jf::ScreenRect();
  jf::InputMouseMove(std::clamp(x, int(screen.left), int(screen.right - 1)),
                     std::clamp(y, int(screen.top), int(screen.bottom - 1)));
  return TRUE;
}

HWND WINAPI GetActiveWindow(void) { return ForCallingThread(&jf::Input::active); }

HWND WINAPI SetActiveWindow(HWND hwnd) {
  if (hwnd != nullptr && !IsWindow(hwnd)) return nullptr;
  HWND old = GetActiveWindow();
  jf::ActivateWindow(hwnd, WA_ACTIVE);
  return old;
}

HWND WINAPI GetForegroundWindow(void) {
  jf::Input& in = In();
  std::lock_guard<std::mutex> guard(in.lock);
  return in.active;
}

BOOL WINAPI SetForegroundWindow(HWND hwnd) {
  if (!IsWindow(hwnd)) return FALSE;
  jf::ActivateWindow(hwnd, WA_ACTIVE);
  return TRUE;
}
