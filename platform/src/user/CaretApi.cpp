// One caret per thread, as the system keeps it: the window that created it, its size and
// position, and a hide count (a new caret starts hidden). The caret blinks: its phase is a
// function of the tick source since it was created or last moved, so hiding and showing it
// do not restart the blink; a thread timer repaints the caret's rectangle in its window each
// time the phase turns, and the owner's painting draws it while it is on.
#include <windows.h>

#include <atomic>

#include "platform/src/user/UserArea.h"
#include "platform/src/internal/errors.h"
#include "platform/src/internal/ticksource.h"

namespace {

constexpr UINT kDefaultBlinkMs = 530;

std::atomic<UINT> g_blinkMs{kDefaultBlinkMs};

struct CaretState {
  HWND owner = nullptr;
  SIZE size = {0, 0};
  POINT pos = {0, 0};
  int hidden = 1;
  uint64_t phaseStart = 0;  // tick at which the caret last turned on
  UINT_PTR timer = 0;       // the blink timer of the thread, 0 without one
  UINT timerMs = 0;         // the period the timer runs with
  bool drawnOn = true;      // the phase the window was last told to show
};

thread_local CaretState t_caret;

bool PhaseOn(const CaretState& c) {
  const UINT blink = g_blinkMs.load();
  if (blink == INFINITE) return true;
  return ((jf::TickNow() - c.phaseStart) / blink) % 2 == 0;
}

RECT CaretRect(const CaretState& c) {
  return RECT{c.pos.x, c.pos.y, c.pos.x + c.size.cx, c.pos.y + c.size.cy};
}

// The owner paints the caret; it learns of a change through its update region.
void Repaint(const CaretState& c) {
  if (c.owner == nullptr || c.hidden > 0) return;
  const auto invalidate = jf::WindowDisplayHooks::Get().invalidate;
  const RECT r = CaretRect(c);
  if (invalidate != nullptr) invalidate(c.owner, &r);
}

void StopTimer(CaretState& c) {
  if (c.timer != 0) KillTimer(nullptr, c.timer);
  c.timer = 0;
  c.timerMs = 0;
}

void CALLBACK BlinkProc(HWND, UINT, UINT_PTR, DWORD);

// A thread timer at the blink period from now; none when the caret does not blink.
void StartTimer(CaretState& c) {
  StopTimer(c);
  const UINT blink = g_blinkMs.load();
  if (blink == INFINITE) return;
  c.timer = SetTimer(nullptr, 0, blink, BlinkProc);
  c.timerMs = c.timer != 0 ? blink : 0;
}

// The phase is read from the tick, so a late tick shows the right phase, not the next one.
void CALLBACK BlinkProc(HWND, UINT, UINT_PTR id, DWORD) {
  CaretState& c = t_caret;
  if (c.owner == nullptr || id != c.timer) {
    KillTimer(nullptr, id);
    return;
  }
  if (!IsWindow(c.owner)) {
    StopTimer(c);
    c = CaretState{};
    return;
  }
  if (c.timerMs != g_blinkMs.load()) StartTimer(c);  // follows a changed blink time
  const bool on = PhaseOn(c);
  if (on == c.drawnOn) return;
  c.drawnOn = on;
  Repaint(c);
}

// The caret turns on now and its blink starts again.
void Restart(CaretState& c) {
  c.phaseStart = jf::TickNow();
  c.drawnOn = true;
  StartTimer(c);
}

// Hiding, showing or moving changes the picture only while the caret is in its on phase.
void RepaintIfOn(const CaretState& c) {
  if (PhaseOn(c)) Repaint(c);
}

}  // namespace

namespace jf {

bool CaretShown(RECT* rect) {
  if (!t_caret.owner || t_caret.hidden > 0 || !PhaseOn(t_caret)) return false;
  if (rect) *rect = CaretRect(t_caret);
  return true;
}

bool CaretShownIn(HWND hwnd, RECT* rect) { return hwnd != nullptr && t_caret.owner == hwnd && CaretShown(rect); }

}  // namespace jf

BOOL WINAPI CreateCaret(HWND hwnd, HBITMAP /*bitmap*/, int width, int height) {
  if (!IsWindow(hwnd)) {
    JF_SET_ERROR(User, ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (t_caret.owner != nullptr) DestroyCaret();
  t_caret.owner = hwnd;
  t_caret.size = SIZE{width > 0 ? width : 1, height > 0 ? height : 1};
  t_caret.pos = POINT{0, 0};
  t_caret.hidden = 1;
  Restart(t_caret);
  return TRUE;
}

BOOL WINAPI DestroyCaret() {
  if (!t_caret.owner) return FALSE;
  RepaintIfOn(t_caret);
  StopTimer(t_caret);
  t_caret = CaretState{};
  return TRUE;
}

BOOL WINAPI SetCaretPos(int x, int y) {
  if (!t_caret.owner) return FALSE;
  RepaintIfOn(t_caret);
  t_caret.pos = POINT{x, y};
  Restart(t_caret);
  Repaint(t_caret);
  return TRUE;
}

BOOL WINAPI GetCaretPos(LPPOINT point) {
  if (!point) return FALSE;
  *point = t_caret.owner ? t_caret.pos : POINT{0, 0};
  return TRUE;
}

BOOL WINAPI ShowCaret(HWND hwnd) {
  if (!t_caret.owner || (hwnd && hwnd != t_caret.owner) || t_caret.hidden == 0) return FALSE;
  if (--t_caret.hidden == 0) RepaintIfOn(t_caret);
  return TRUE;
}

BOOL WINAPI HideCaret(HWND hwnd) {
  if (!t_caret.owner || (hwnd && hwnd != t_caret.owner)) return FALSE;
  RepaintIfOn(t_caret);
  ++t_caret.hidden;
  return TRUE;
}

UINT WINAPI GetCaretBlinkTime(void) { return g_blinkMs.load(); }

// One blink time for the whole program; each thread's caret takes it up at its next tick,
// the calling thread's at once.
BOOL WINAPI SetCaretBlinkTime(UINT ms) {
  if (ms == 0) {
    JF_SET_ERROR(User, ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  g_blinkMs.store(ms);
  if (t_caret.owner != nullptr) {
    Restart(t_caret);
    Repaint(t_caret);
  }
  return TRUE;
}
