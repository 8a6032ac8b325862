#include "platform/src/display/DragLoop.h"

#include <mutex>

#include "platform/src/display/x11/XdndSource.h"
#include "platform/src/internal/trace.h"
#include "platform/src/user/UserArea.h"

namespace jf {

namespace {

constexpr wchar_t kTrackerClass[] = L"jfDragTracker";

bool IsPointer(UINT msg) {
  return (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) || (msg >= WM_NCMOUSEMOVE && msg <= WM_NCMBUTTONUP + 1);
}

bool IsKey(UINT msg) { return msg >= WM_KEYFIRST && msg <= WM_KEYLAST; }

}  // namespace

DragLoop::DragLoop(IDataObject* data, IDropSource* source, DWORD okEffects)
    : data_(data), source_(source), ok_(okEffects) {
  static std::once_flag registered;
  std::call_once(registered, [] {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = kTrackerClass;
    RegisterClassW(&wc);
  });
  tracker_ = CreateWindowExW(0, kTrackerClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
}

DragLoop::~DragLoop() {
  if (target_) target_->Release();
  if (tracker_) DestroyWindow(tracker_);
}

HCURSOR DragLoop::CursorFor(DWORD effect) {
  if (effect & DROPEFFECT_MOVE) return LoadCursorW(nullptr, IDC_ARROW);
  if (effect & DROPEFFECT_COPY) return LoadCursorW(nullptr, IDC_UPARROW);
  if (effect & DROPEFFECT_LINK) return LoadCursorW(nullptr, IDC_HAND);
  return LoadCursorW(nullptr, IDC_NO);
}

DWORD DragLoop::KeyState() {
  DWORD keys = 0;
  if (GetKeyState(VK_LBUTTON) < 0) keys |= MK_LBUTTON;
  if (GetKeyState(VK_RBUTTON) < 0) keys |= MK_RBUTTON;
  if (GetKeyState(VK_MBUTTON) < 0) keys |= MK_MBUTTON;
  if (GetKeyState(VK_SHIFT) < 0) keys |= MK_SHIFT;
  if (GetKeyState(VK_CONTROL) < 0) keys |= MK_CONTROL;
  if (GetKeyState(VK_MENU) < 0) keys |= MK_ALT;
  return keys;
}

void DragLoop::LeaveTarget() {
  if (target_) {
    target_->DragLeave();
    target_->Release();
  }
  target_ = nullptr;
  targetWindow_ = nullptr;
}

void DragLoop::Track(POINT pt, DWORD keys) {
  DWORD effect = DROPEFFECT_NONE;
  DWORD foreignEffect = DROPEFFECT_NONE;
  if (x11_ && XdndSource::Over(pt, keys, ok_, &foreignEffect)) {
    LeaveTarget();
    foreign_ = true;
    effect = foreignEffect;
  } else {
    if (foreign_) XdndSource::Leave();
    foreign_ = false;
    HWND registered = nullptr;
    IDropTarget* target = DropTargetOf(WindowFromPoint(pt), &registered);
    const POINTL at = {pt.x, pt.y};
    if (target != target_ || registered != targetWindow_) {
      LeaveTarget();
      target_ = target;
      targetWindow_ = registered;
      if (target_) {
        effect = ok_;
        if (FAILED(target_->DragEnter(data_, keys, at, &effect))) effect = DROPEFFECT_NONE;
      }
    } else {
      if (target) target->Release();
      if (target_) {
        effect = ok_;
        if (FAILED(target_->DragOver(keys, at, &effect))) effect = DROPEFFECT_NONE;
      }
    }
  }
  effect_ = effect & (ok_ | DROPEFFECT_SCROLL);
  JF_TRACE_ENTRY(Display, "drag at %ld,%ld keys 0x%lx effect 0x%lx%s", long(pt.x), long(pt.y), (unsigned long)keys,
           (unsigned long)effect_, foreign_ ? " (another program)" : "");
  if (source_->GiveFeedback(effect_) == DRAGDROP_S_USEDEFAULTCURSORS) SetCursor(CursorFor(effect_));
}

DWORD DragLoop::Drop(POINT pt, DWORD keys) {
  if (foreign_) {
    foreign_ = false;
    return (effect_ & ~DROPEFFECT_SCROLL) != DROPEFFECT_NONE ? XdndSource::Drop() & ok_ : (XdndSource::Leave(), 0u);
  }
  if (!target_) return DROPEFFECT_NONE;
  if ((effect_ & ~DROPEFFECT_SCROLL) == DROPEFFECT_NONE) {
    LeaveTarget();
    return DROPEFFECT_NONE;
  }
  DWORD effect = ok_;
  const POINTL at = {pt.x, pt.y};
  if (FAILED(target_->Drop(data_, keys, at, &effect))) effect = DROPEFFECT_NONE;
  target_->Release();
  target_ = nullptr;
  targetWindow_ = nullptr;
  return effect & ok_;
}

HRESULT DragLoop::Run(DWORD* effect) {
  if (effect) *effect = DROPEFFECT_NONE;
  if (!tracker_) return E_OUTOFMEMORY;
  HWND start = WindowFromPoint([] {
    POINT p = {0, 0};
    GetCursorPos(&p);
    return p;
  }());
  x11_ = XdndSource::Begin(start, data_, ok_);
  SetCapture(tracker_);
  POINT pt = {0, 0};
  GetCursorPos(&pt);
  Track(pt, KeyState());
  HRESULT result = DRAGDROP_S_CANCEL;
  DWORD done = DROPEFFECT_NONE;
  for (;;) {
    MSG msg;
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) PostQuitMessage(int(msg.wParam));  // the program's own loop must still see it
      LeaveTarget();
      break;
    }
    const bool pointer = IsPointer(msg.message);
    if (!pointer && !IsKey(msg.message)) {
      if (msg.message == WM_CANCELMODE) {
        LeaveTarget();
        break;
      }
      DispatchMessageW(&msg);
      if (GetCapture() != tracker_) {  // someone took the pointer away: the drag is over
        LeaveTarget();
        break;
      }
      continue;
    }
    if (pointer) pt = msg.pt;
    const bool escape = (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) && msg.wParam == VK_ESCAPE;
    const DWORD keys = KeyState();
    const HRESULT next = source_->QueryContinueDrag(escape, keys);
    if (next == DRAGDROP_S_DROP) {
      done = Drop(pt, keys);
      result = done != DROPEFFECT_NONE ? DRAGDROP_S_DROP : DRAGDROP_S_CANCEL;
      break;
    }
    if (next != S_OK) {
      if (foreign_) XdndSource::Leave();
      foreign_ = false;
      LeaveTarget();
      break;
    }
    Track(pt, keys);
  }
  if (foreign_) XdndSource::Leave();
  if (x11_) XdndSource::End();
  if (GetCapture() == tracker_) ReleaseCapture();
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  if (effect) *effect = done;
  return result;
}

}  // namespace jf

HRESULT DoDragDrop(LPDATAOBJECT pDataObj, LPDROPSOURCE pDropSource, DWORD dwOKEffects, LPDWORD pdwEffect) {
  if (!pDataObj || !pDropSource || !pdwEffect) return E_INVALIDARG;
  jf::DragLoop loop(pDataObj, pDropSource, dwOKEffects);
  return loop.Run(pdwEffect);
}
