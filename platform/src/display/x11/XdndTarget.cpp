// Before Xlib, whose Status macro would rename MsgQueue::Status.
#include "platform/src/user/UserArea.h"
#include "platform/src/display/x11/XdndTarget.h"

#include <X11/Xatom.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/src/display/x11/X11Bridge.h"
#include "platform/src/display/x11/XdndProtocol.h"
#include "platform/src/internal/ticksource.h"
#include "platform/src/internal/trace.h"
#include "platform/src/internal/utf.h"

namespace jf {

namespace {

// The drag of another program now over one of our windows; only the reader thread uses it.
struct Incoming {
  ::Window source = 0;
  ::Window site = 0;  // our top-level X window the messages come to
  long version = 0;
  Atom textType = None;
  bool files = false;
  DragData* formats = nullptr;  // counted: what the drag offers, without the data yet
  HWND registered = nullptr;    // the window whose target was entered
  IDropTarget* target = nullptr;  // counted
  DWORD effect = DROPEFFECT_NONE;
  POINT at = {0, 0};
  DWORD keys = 0;
  bool fetching = false;  // the drop waits for the data
  uint64_t heard = 0;     // the tick of the source's last message
  bool watched = false;   // its window's destruction comes to us
  long mask = 0;          // what we asked of that window before
};

// A source may die in the middle of a drag, or stop talking: after this long without a word
// from it, it is asked after.
constexpr uint64_t kQuietMs = 2000;

Incoming& Drag() {
  static auto* drag = new Incoming;
  return *drag;
}

void LeaveTarget(Incoming& d) {
  if (d.target) {
    IDropTarget* target = d.target;
    DropRelay::Run(d.registered, [target] { target->DragLeave(); });
    target->Release();
  }
  d.target = nullptr;
  d.registered = nullptr;
  d.effect = DROPEFFECT_NONE;
}

// The source's window tells us when it goes (a program that dies takes its windows along).
// False when it is gone already.
bool Watch(Display* dpy, Incoming& d) {
  if (X11WindowHandle(d.source)) return true;  // one of ours names itself: it does not vanish unseen
  XWindowAttributes attrs{};
  if (!XGetWindowAttributes(dpy, d.source, &attrs)) return false;
  d.mask = attrs.your_event_mask;
  XSelectInput(dpy, d.source, d.mask | StructureNotifyMask);
  d.watched = true;
  // Asked again: a window that went between the two asks sent no notice.
  return XGetWindowAttributes(dpy, d.source, &attrs) != 0;
}

void Reset(Display* dpy, Incoming& d) {
  LeaveTarget(d);
  if (d.watched) XSelectInput(dpy, d.source, d.mask);
  if (d.formats) d.formats->Release();
  d = Incoming{};
}

bool ButtonHeld(Display* dpy) {
  ::Window root = 0, child = 0;
  int rx = 0, ry = 0, wx = 0, wy = 0;
  unsigned mask = 0;
  XQueryPointer(dpy, DefaultRootWindow(dpy), &root, &child, &rx, &ry, &wx, &wy, &mask);
  return (mask & (Button1Mask | Button2Mask | Button3Mask | Button4Mask | Button5Mask)) != 0;
}

void OnEnter(Display* dpy, const XClientMessageEvent& m) {
  Incoming& d = Drag();
  Reset(dpy, d);
  const XdndProtocol::Atoms a = XdndProtocol::Get(dpy);
  d.source = ::Window(m.data.l[0]);
  d.site = m.window;
  d.heard = TickNow();
  if (!Watch(dpy, d)) {
    Reset(dpy, d);
    return;
  }
  d.version = (m.data.l[1] >> 24) & 0xFF;
  std::vector<Atom> types = {Atom(m.data.l[2]), Atom(m.data.l[3]), Atom(m.data.l[4])};
  if (m.data.l[1] & 1) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy, d.source, a.typeList, 0, 256, False, XA_ATOM, &type, &format, &count, &after,
                           &data) == Success &&
        data) {
      types.assign(reinterpret_cast<Atom*>(data), reinterpret_cast<Atom*>(data) + count);
      XFree(data);
    }
  }
  for (Atom preferred : {a.utf8, a.textUtf8, a.textPlain, Atom(XA_STRING)}) {
    for (Atom t : types) {
      if (t == preferred && d.textType == None) d.textType = t;
    }
  }
  for (Atom t : types) d.files = d.files || t == a.uriList;
  d.formats = new DragData;
  if (d.textType != None) d.formats->SetText(L"");
  if (d.files) d.formats->SetFiles({});
}

void OnPosition(Display* dpy, const XClientMessageEvent& m) {
  Incoming& d = Drag();
  if (!d.formats || ::Window(m.data.l[0]) != d.source) return;
  d.heard = TickNow();
  const XdndProtocol::Atoms a = XdndProtocol::Get(dpy);
  d.at = POINT{LONG((m.data.l[2] >> 16) & 0xFFFF), LONG(m.data.l[2] & 0xFFFF)};
  const DWORD asked = XdndProtocol::EffectOf(dpy, Atom(m.data.l[4]));
  // The other program sends no keys; the action it asks for stands for them.
  d.keys = MK_LBUTTON | (asked == DROPEFFECT_COPY ? MK_CONTROL : 0);
  const DWORD allowed = asked | DROPEFFECT_COPY;
  HWND registered = nullptr;
  IDropTarget* target = DropTargetOf(WindowFromPoint(d.at), &registered);
  const POINTL pt = {d.at.x, d.at.y};
  DWORD effect = DROPEFFECT_NONE;
  if (target != d.target || registered != d.registered) {
    LeaveTarget(d);
    d.target = target;
    d.registered = registered;
    if (target) {
      effect = allowed;
      DragData* formats = d.formats;
      const DWORD keys = d.keys;
      if (!DropRelay::Run(registered, [&] { target->DragEnter(formats, keys, pt, &effect); })) effect = 0;
    }
  } else {
    if (target) target->Release();
    if (d.target) {
      effect = allowed;
      IDropTarget* current = d.target;
      const DWORD keys = d.keys;
      if (!DropRelay::Run(registered, [&] { current->DragOver(keys, pt, &effect); })) effect = 0;
    }
  }
  d.effect = effect & allowed;
  XdndProtocol::Send(dpy, d.source, a.status, d.site, (d.effect != DROPEFFECT_NONE ? 1 : 0) | 2, 0, 0,
                     long(XdndProtocol::ActionFor(dpy, d.effect)));
}

void Finish(Display* dpy, Incoming& d, DWORD effect) {
  const XdndProtocol::Atoms a = XdndProtocol::Get(dpy);
  XdndProtocol::Send(dpy, d.source, a.finished, d.site, effect != DROPEFFECT_NONE ? 1 : 0,
                     long(XdndProtocol::ActionFor(dpy, effect)), 0, 0);
}

void OnDrop(Display* dpy, const XClientMessageEvent& m) {
  Incoming& d = Drag();
  if (!d.formats || ::Window(m.data.l[0]) != d.source) return;
  if (!d.target || d.effect == DROPEFFECT_NONE) {
    Finish(dpy, d, DROPEFFECT_NONE);
    Reset(dpy, d);
    return;
  }
  const XdndProtocol::Atoms a = XdndProtocol::Get(dpy);
  d.fetching = true;
  d.heard = TickNow();
  XConvertSelection(dpy, a.selection, d.files ? a.uriList : d.textType, a.incoming, d.site, Time(m.data.l[2]));
  XFlush(dpy);
}

void OnData(Display* dpy, const XSelectionEvent& ev) {
  Incoming& d = Drag();
  d.fetching = false;
  const XdndProtocol::Atoms a = XdndProtocol::Get(dpy);
  std::string bytes;
  bool got = false;
  if (ev.property != None) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy, d.site, a.incoming, 0, 1 << 22, True, AnyPropertyType, &type, &format, &count, &after,
                           &data) == Success &&
        data) {
      if (format == 8) {
        bytes.assign(reinterpret_cast<char*>(data), count);
        got = true;
      }
      XFree(data);
    }
  }
  DWORD effect = DROPEFFECT_NONE;
  if (got) {
    auto* dropped = new DragData;
    if (d.files) {
      dropped->SetFiles(XdndProtocol::PathsOf(bytes));
    } else {
      dropped->SetText(FromUtf8(bytes));
    }
    effect = d.effect;
    IDropTarget* target = d.target;
    const POINTL pt = {d.at.x, d.at.y};
    const DWORD keys = d.keys & ~DWORD(MK_LBUTTON);
    if (!DropRelay::Run(d.registered, [&] { target->Drop(dropped, keys, pt, &effect); })) effect = 0;
    dropped->Release();
    target->Release();
    d.target = nullptr;  // dropped: no leave
  }
  JF_TRACE_ENTRY(Display, "drop from another program: %zu bytes, effect 0x%lx", bytes.size(), (unsigned long)effect);
  Finish(dpy, d, effect);
  Reset(dpy, d);
}

}  // namespace

void XdndTarget::Advertise(Display* dpy, unsigned long window) {
  Atom version = XdndProtocol::kVersion;
  XChangeProperty(dpy, window, XdndProtocol::Get(dpy).aware, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&version), 1);
}

bool XdndTarget::Event(XEvent* ev) {
  Display* dpy = ev->xany.display;
  if (ev->type == DestroyNotify) {
    Incoming& d = Drag();
    if (!d.watched || ev->xdestroywindow.window != d.source) return false;
    d.watched = false;  // nothing left to ask of it
    Reset(dpy, d);
    return true;
  }
  if (ev->type == SelectionNotify) {
    Incoming& d = Drag();
    if (!d.fetching || ev->xselection.requestor != d.site) return false;
    OnData(dpy, ev->xselection);
    return true;
  }
  if (ev->type != ClientMessage || ev->xclient.format != 32) return false;
  const XdndProtocol::Atoms a = XdndProtocol::Get(dpy);
  const Atom type = ev->xclient.message_type;
  if (type != a.enter && type != a.position && type != a.leave && type != a.drop) return false;
  if (!X11WindowHandle(ev->xclient.window)) return false;
  if (type == a.enter) {
    OnEnter(dpy, ev->xclient);
  } else if (type == a.position) {
    OnPosition(dpy, ev->xclient);
  } else if (type == a.drop) {
    OnDrop(dpy, ev->xclient);
  } else if (::Window(ev->xclient.data.l[0]) == Drag().source) {
    Reset(dpy, Drag());
  }
  return true;
}

int XdndTarget::WaitMs() {
  const Incoming& d = Drag();
  return d.formats && (d.target || d.fetching) ? 50 : -1;
}

void XdndTarget::Idle(Display* dpy) {
  Incoming& d = Drag();
  if (!d.formats || (!d.target && !d.fetching) || TickNow() < d.heard + kQuietMs) return;
  XWindowAttributes attrs{};
  if (d.fetching || !XGetWindowAttributes(dpy, d.source, &attrs)) {
    // The data of the drop never came, or the source is gone: the drag is over.
    if (d.fetching) Finish(dpy, d, DROPEFFECT_NONE);
    Reset(dpy, d);
  } else if (!ButtonHeld(dpy)) {
    // The user let go and no drop came: our target leaves. A word from the source later
    // (the pointer moves on) enters again.
    LeaveTarget(d);
  } else {
    d.heard = TickNow();  // a hand that rests; asked again after another quiet spell
  }
}

}  // namespace jf
