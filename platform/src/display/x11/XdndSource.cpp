// Before Xlib, whose Status macro would rename MsgQueue::Status.
#include "platform/src/user/UserArea.h"
#include "platform/src/display/x11/XdndSource.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "platform/src/display/x11/X11Bridge.h"
#include "platform/src/display/x11/XdndProtocol.h"
#include "platform/src/internal/ticksource.h"
#include "platform/src/internal/trace.h"
#include "platform/src/internal/utf.h"

namespace jf {

namespace {

struct SourceState {
  std::mutex lock;
  std::condition_variable changed;
  Display* dpy = nullptr;
  ::Window window = 0;  // ours: owns XdndSelection and is named in every message
  ::Window grabbed = 0;
  bool active = false;
  bool hasText = false;
  std::string text;  // UTF-8
  bool hasFiles = false;
  std::vector<std::wstring> files;
  ::Window target = 0;  // the other program's window under the pointer (0: none)
  long version = 0;
  bool statusSeen = false;
  bool accepted = false;
  Atom action = None;
  bool finished = false;
  bool finishedOk = false;
  Atom finishedAction = None;
};

SourceState& State() {
  static auto* s = new SourceState;
  return *s;
}

// Waits up to a second of the tick source for `done`, in short slices.
template <class Pred>
bool WaitFor(std::unique_lock<std::mutex>& guard, Pred done) {
  const uint64_t deadline = TickNow() + 1000;
  while (!done()) {
    if (TickNow() >= deadline) return false;
    State().changed.wait_for(guard, std::chrono::milliseconds(10));
  }
  return true;
}

// The window of another program that speaks the protocol at the root point, searched from
// the top-level down (a window manager's frame holds the client); `foreign` tells whether
// the top-level is someone else's at all.
::Window AwareAt(Display* dpy, int x, int y, bool* foreign, long* version) {
  const XdndProtocol::Atoms a = XdndProtocol::Get(dpy);
  ::Window root = DefaultRootWindow(dpy), parent = root, child = 0;
  int cx = 0, cy = 0;
  *foreign = false;
  if (!XTranslateCoordinates(dpy, root, root, x, y, &cx, &cy, &child) || child == 0) return 0;
  if (X11WindowHandle(child) || child == State().window) return 0;
  *foreign = true;
  for (int depth = 0; child != 0 && depth < 8; ++depth) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy, child, a.aware, 0, 1, False, XA_ATOM, &type, &format, &count, &after, &data) ==
            Success &&
        data) {
      const long v = count > 0 ? long(*reinterpret_cast<Atom*>(data)) : 0;
      XFree(data);
      if (v >= 3) {
        *version = std::min(v, XdndProtocol::kVersion);
        return child;
      }
    }
    parent = child;
    if (!XTranslateCoordinates(dpy, root, parent, x, y, &cx, &cy, &child)) break;
  }
  return 0;
}

void SendLeave(SourceState& s) {
  if (s.target) XdndProtocol::Send(s.dpy, s.target, XdndProtocol::Get(s.dpy).leave, s.window, 0, 0, 0, 0);
  s.target = 0;
  s.statusSeen = s.accepted = false;
}

void Answer(SourceState& s, const XSelectionRequestEvent& req) {
  const XdndProtocol::Atoms a = XdndProtocol::Get(s.dpy);
  XSelectionEvent reply = XdndProtocol::ReplyTo(req);
  const Atom property = req.property != None ? req.property : req.target;
  if (req.target == a.targets) {
    std::vector<Atom> offered = {a.targets};
    if (s.hasText) offered.insert(offered.end(), {a.utf8, a.textUtf8, a.textPlain, XA_STRING});
    if (s.hasFiles) offered.push_back(a.uriList);
    XChangeProperty(s.dpy, req.requestor, property, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(offered.data()), int(offered.size()));
    reply.property = property;
  } else if (s.hasText && (req.target == a.utf8 || req.target == a.textUtf8 || req.target == a.textPlain ||
                           req.target == XA_STRING)) {
    XChangeProperty(s.dpy, req.requestor, property, req.target, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(s.text.data()), int(s.text.size()));
    reply.property = property;
  } else if (s.hasFiles && req.target == a.uriList) {
    const std::string list = XdndProtocol::UriList(s.files);
    XChangeProperty(s.dpy, req.requestor, property, req.target, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(list.data()), int(list.size()));
    reply.property = property;
  }
  XSendEvent(s.dpy, req.requestor, False, 0, reinterpret_cast<XEvent*>(&reply));
  XFlush(s.dpy);
}

}  // namespace

bool XdndSource::Begin(HWND window, IDataObject* data, DWORD) {
  Display* dpy = X11Connection();
  if (!dpy) return false;
  SourceState& s = State();
  std::wstring text;
  std::vector<std::wstring> files;
  const bool hasText = DragData::TextOf(data, &text);
  const bool hasFiles = DragData::FilesOf(data, &files);
  std::lock_guard<std::mutex> guard(s.lock);
  // A window of the drag's own: the connection may be another than at the last drag.
  s.dpy = dpy;
  s.window = XCreateWindow(dpy, DefaultRootWindow(dpy), -10, -10, 1, 1, 0, 0, InputOnly, CopyFromParent, 0, nullptr);
  s.hasText = hasText;
  s.text = ToUtf8(text);
  s.hasFiles = hasFiles;
  s.files = files;
  s.target = 0;
  s.active = true;
  const XdndProtocol::Atoms a = XdndProtocol::Get(dpy);
  std::vector<Atom> types;
  if (hasFiles) types.push_back(a.uriList);
  if (hasText) types.insert(types.end(), {a.utf8, a.textUtf8, a.textPlain});
  XChangeProperty(dpy, s.window, a.typeList, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(types.data()), int(types.size()));
  XSetSelectionOwner(dpy, a.selection, s.window, CurrentTime);
  // The pointer and the keys come to us for the drag, wherever the pointer goes.
  s.grabbed = X11WindowId(window);
  if (s.grabbed) {
    XGrabPointer(dpy, s.grabbed, False, ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                 GrabModeAsync, None, None, CurrentTime);
    XGrabKeyboard(dpy, s.grabbed, False, GrabModeAsync, GrabModeAsync, CurrentTime);
  }
  XFlush(dpy);
  return true;
}

bool XdndSource::Over(POINT screen, DWORD keyState, DWORD okEffects, DWORD* effect) {
  *effect = DROPEFFECT_NONE;
  SourceState& s = State();
  std::unique_lock<std::mutex> guard(s.lock);
  if (!s.active) return false;
  bool foreign = false;
  long version = 0;
  const ::Window target = AwareAt(s.dpy, int(screen.x), int(screen.y), &foreign, &version);
  if (!foreign) return false;
  const XdndProtocol::Atoms a = XdndProtocol::Get(s.dpy);
  if (target != s.target) {
    SendLeave(s);
    if (!target) return true;  // someone else's window that takes no drops
    s.target = target;
    s.version = version;
    Atom types[3] = {None, None, None};
    const bool many = (s.hasText ? 3 : 0) + (s.hasFiles ? 1 : 0) > 3;
    int n = 0;
    if (s.hasFiles) types[n++] = a.uriList;
    if (s.hasText && n < 3) types[n++] = a.utf8;
    if (s.hasText && n < 3) types[n++] = a.textUtf8;
    XdndProtocol::Send(s.dpy, target, a.enter, s.window, (version << 24) | (many ? 1 : 0), long(types[0]),
                       long(types[1]), long(types[2]));
  }
  const DWORD wanted = (keyState & MK_CONTROL) || !(okEffects & DROPEFFECT_MOVE) ? DROPEFFECT_COPY : DROPEFFECT_MOVE;
  s.statusSeen = false;
  XdndProtocol::Send(s.dpy, s.target, a.position, s.window, 0, (long(screen.x) << 16) | (long(screen.y) & 0xFFFF),
                     CurrentTime, long(XdndProtocol::ActionFor(s.dpy, wanted & okEffects)));
  if (WaitFor(guard, [&] { return s.statusSeen; }) && s.accepted) {
    *effect = XdndProtocol::EffectOf(s.dpy, s.action) & okEffects;
  }
  return true;
}

void XdndSource::Leave() {
  SourceState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  if (s.active) SendLeave(s);
}

DWORD XdndSource::Drop() {
  SourceState& s = State();
  std::unique_lock<std::mutex> guard(s.lock);
  if (!s.active || !s.target || !s.accepted) return DROPEFFECT_NONE;
  s.finished = false;
  XdndProtocol::Send(s.dpy, s.target, XdndProtocol::Get(s.dpy).drop, s.window, 0, CurrentTime, 0, 0);
  // The target asks for the data (answered on the reader thread) and then says it finished.
  const bool done = WaitFor(guard, [&] { return s.finished; });
  s.target = 0;
  if (!done) return DROPEFFECT_NONE;
  if (!s.finishedOk) return DROPEFFECT_NONE;
  return XdndProtocol::EffectOf(s.dpy, s.version >= 5 ? s.finishedAction : s.action);
}

void XdndSource::End() {
  SourceState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  if (!s.active) return;
  s.active = false;
  if (s.grabbed) {
    XUngrabPointer(s.dpy, CurrentTime);
    XUngrabKeyboard(s.dpy, CurrentTime);
  }
  s.grabbed = 0;
  XDestroyWindow(s.dpy, s.window);
  s.window = 0;
  s.target = 0;
  XFlush(s.dpy);
}

bool XdndSource::Event(XEvent* ev) {
  SourceState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  if (!s.dpy || s.window == 0 || ev->xany.window != s.window) return false;
  const XdndProtocol::Atoms a = XdndProtocol::Get(s.dpy);
  if (ev->type == SelectionRequest) {
    Answer(s, ev->xselectionrequest);
  } else if (ev->type == ClientMessage && ::Window(ev->xclient.data.l[0]) == s.target && s.target) {
    if (ev->xclient.message_type == a.status) {
      s.statusSeen = true;
      s.accepted = (ev->xclient.data.l[1] & 1) != 0;
      s.action = s.accepted ? Atom(ev->xclient.data.l[4]) : None;
      if (s.accepted && s.action == None) s.action = a.copy;
    } else if (ev->xclient.message_type == a.finished) {
      s.finished = true;
      s.finishedOk = s.version < 5 || (ev->xclient.data.l[1] & 1) != 0;
      s.finishedAction = Atom(ev->xclient.data.l[2]);
    }
    s.changed.notify_all();
  }
  JF_TRACE_ENTRY(Display, "drag event %d", ev->type);
  return true;
}

}  // namespace jf
