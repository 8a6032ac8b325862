// Top-level windows as Xlib windows: an ARGB visual for layered windows, Motif hints for
// borderless ones, the Shape extension for window regions, the changed parts of the backing
// store pushed through shared memory (MIT-SHM) where the server offers it and with XPutImage
// otherwise, and a reader thread that sleeps on the connection until X events arrive and turns
// them into the same input as the test drivers.
#include <windows.h>
#include "platform/src/internal/trace.h"
// Before Xlib, whose Status macro would rename MsgQueue::Status.
#include "platform/src/user/UserArea.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/shape.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/src/internal/trace.h"
#include "platform/src/display/DisplayIcons.h"
#include "platform/src/display/DisplayMetrics.h"
#include "platform/src/display/DisplayState.h"
#include "platform/src/display/InputState.h"
#include "platform/src/display/x11/X11Bridge.h"
#include "platform/src/display/x11/XdndProtocol.h"
#include "platform/src/display/x11/XdndSource.h"
#include "platform/src/display/x11/XdndTarget.h"
#include "platform/src/internal/gdisurface.h"
#include "platform/testing/hooks/testinput.h"
#include "platform/src/internal/utf.h"
#include "platform/src/internal/ticksource.h"

namespace jf {

namespace {

struct XWin {
  ::Window id = 0;
  bool argb = false;
  bool mapped = false;
  bool below = false;  // kept under its owner (a click-through companion such as a shadow)
  XIC ic = nullptr;
  Visual* visual = nullptr;
  int depth = 0;
  GC gc = nullptr;
  // The shared-memory segment of the backing store that the server has attached (MIT-SHM);
  // shmid -1 while none. The images that pushes make point at it.
  XShmSegmentInfo segment{0, -1, nullptr, False};
};

struct Connection {
  std::recursive_mutex lock;
  Display* dpy = nullptr;
  bool decided = false;
  Atom deleteWindow = 0;
  Atom motifHints = 0;
  XIM im = nullptr;
  int wake[2] = {-1, -1};
  std::atomic<bool> nudged{false};  // a wake-up byte for queued events is on its way
  std::thread reader;
  // Shared memory for pushes: offered by the server and attachable from here (a server on
  // another machine or in another IPC namespace refuses the segment, and pushes fall back).
  bool shm = false;
  std::atomic<int> shmOpcode{0};
  std::atomic<bool> shmRefused{false};
  TestXPushCount pushed;
  std::map<HWND, XWin> windows;
  std::map<::Window, HWND> byId;
  std::map<unsigned, Cursor> cursors;
  // The clipboard: a hidden window owns the CLIPBOARD selection for what the process copied.
  ::Window helper = 0;
  Atom clipboard = 0, utf8 = 0, targets = 0, incoming = 0;
  std::wstring copied;
  std::condition_variable_any pasted;
  bool pasteDone = false;
  std::wstring pasteText;
};

Connection& Conn() {
  static auto* c = new Connection;
  return *c;
}

// Backing stores made while this is set live in shared memory that the server can read
// (read without the connection lock: the stores are made under the window table's).
std::atomic<bool> g_sharedStores{false};

// The segment behind a backing store in shared memory, kept as the surface's user data.
struct StoreSegment {
  int shmid;
  void* address;
};
const cairo_user_data_key_t kStoreSegment{};

void FreeStoreSegment(void* data) {
  auto* store = static_cast<StoreSegment*>(data);
  shmdt(store->address);
  delete store;
}

// The connection's lock. Any Xlib call made under it may move events into Xlib's queue (a
// round trip, or a write that had to wait for the server), where the reader, asleep on the
// socket, would not see them: on the way out the reader is woken when events wait there.
class Locked {
 public:
  explicit Locked(Connection& c) : c_(c), guard_(c.lock) {}
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;
  ~Locked() {
    if (c_.dpy != nullptr && c_.wake[1] >= 0 && XEventsQueued(c_.dpy, QueuedAlready) > 0 && !c_.nudged.exchange(true)) {
      if (write(c_.wake[1], "e", 1) < 0) c_.nudged = false;
    }
  }
  std::unique_lock<std::recursive_mutex>& Guard() { return guard_; }

 private:
  Connection& c_;
  std::unique_lock<std::recursive_mutex> guard_;
};

UINT VirtualKey(KeySym sym) {
  if (sym >= XK_a && sym <= XK_z) return UINT('A' + (sym - XK_a));
  if (sym >= XK_A && sym <= XK_Z) return UINT('A' + (sym - XK_A));
  if (sym >= XK_0 && sym <= XK_9) return UINT('0' + (sym - XK_0));
  if (sym >= XK_F1 && sym <= XK_F12) return UINT(VK_F1 + (sym - XK_F1));
  switch (sym) {
    case XK_Return: case XK_KP_Enter: return VK_RETURN;
    case XK_BackSpace: return VK_BACK;
    case XK_Tab: case XK_ISO_Left_Tab: return VK_TAB;
    case XK_Escape: return VK_ESCAPE;
    case XK_space: return VK_SPACE;
    case XK_Left: return VK_LEFT;
    case XK_Right: return VK_RIGHT;
    case XK_Up: return VK_UP;
    case XK_Down: return VK_DOWN;
    case XK_Home: return VK_HOME;
    case XK_End: return VK_END;
    case XK_Prior: return VK_PRIOR;
    case XK_Next: return VK_NEXT;
    case XK_Insert: return VK_INSERT;
    case XK_Delete: return VK_DELETE;
    case XK_Shift_L: return VK_LSHIFT;
    case XK_Shift_R: return VK_RSHIFT;
    case XK_Control_L: return VK_LCONTROL;
    case XK_Control_R: return VK_RCONTROL;
    case XK_Alt_L: case XK_Meta_L: return VK_LMENU;
    case XK_Alt_R: case XK_Meta_R: case XK_ISO_Level3_Shift: return VK_RMENU;
    case XK_Caps_Lock: return VK_CAPITAL;
    default: return 0;
  }
}

int ButtonKey(unsigned button) {
  switch (button) {
    case Button1: return VK_LBUTTON;
    case Button2: return VK_MBUTTON;
    case Button3: return VK_RBUTTON;
    default: return 0;
  }
}

void OnKey(XKeyEvent& ev, bool down) {
  Connection& c = Conn();
  KeySym sym = NoSymbol;
  char text[64] = {};
  int n = 0;
  XIC ic = nullptr;
  {
    Locked guard(c);
    auto it = c.byId.find(ev.window);
    if (it != c.byId.end()) ic = c.windows[it->second].ic;
  }
  if (down && ic != nullptr) {
    Status status = 0;
    n = Xutf8LookupString(ic, &ev, text, sizeof(text) - 1, &sym, &status);
    if (status == XBufferOverflow) n = 0;
  } else {
    n = XLookupString(&ev, text, sizeof(text) - 1, &sym, nullptr);
    if (n > 0 && static_cast<unsigned char>(text[0]) >= 0x80) {
      // Latin-1 from XLookupString.
      wchar_t wc = wchar_t(static_cast<unsigned char>(text[0]));
      std::string utf = ToUtf8(std::wstring(1, wc));
      n = int(std::min(sizeof(text) - 1, utf.size()));
      memcpy(text, utf.data(), size_t(n));
    }
  }
  UINT vk = VirtualKey(sym);
  if (vk != 0) {
    InputKey(vk, down, 0);
    return;
  }
  if (!down || n <= 0) return;
  // Text without a key of its own (an input method, Chinese included).
  for (wchar_t ch : FromUtf8(std::string(text, size_t(n)))) {
    InputKey(VK_PACKET, true, ch);
    InputKey(VK_PACKET, false, ch);
  }
}

// Another client asks for what we copied.
void AnswerSelection(Connection& c, const XSelectionRequestEvent& req) {
  XSelectionEvent reply = XdndProtocol::ReplyTo(req);
  Atom property = req.property != None ? req.property : req.target;
  if (req.target == c.targets) {
    Atom offered[3] = {c.targets, c.utf8, XA_STRING};
    XChangeProperty(c.dpy, req.requestor, property, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(offered), 3);
    reply.property = property;
  } else if (req.target == c.utf8 || req.target == XA_STRING) {
    std::string text = ToUtf8(c.copied);
    XChangeProperty(c.dpy, req.requestor, property, req.target, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(text.data()), int(text.size()));
    reply.property = property;
  }
  XSendEvent(c.dpy, req.requestor, False, 0, reinterpret_cast<XEvent*>(&reply));
  XFlush(c.dpy);
}

// The clipboard's events; true when the event was one.
bool ClipboardEvent(Connection& c, XEvent& ev) {
  Locked guard(c);
  if (c.helper == 0 || ev.xany.window != c.helper) return false;
  if (ev.type == SelectionRequest) {
    AnswerSelection(c, ev.xselectionrequest);
  } else if (ev.type == SelectionNotify) {
    c.pasteText.clear();
    if (ev.xselection.property != None) {
      Atom type = 0;
      int format = 0;
      unsigned long count = 0, after = 0;
      unsigned char* data = nullptr;
      if (XGetWindowProperty(c.dpy, c.helper, c.incoming, 0, 1 << 20, True, AnyPropertyType, &type, &format, &count,
                             &after, &data) == Success && data != nullptr) {
        if (format == 8) c.pasteText = FromUtf8(std::string(reinterpret_cast<char*>(data), count));
        XFree(data);
      }
    }
    c.pasteDone = true;
    c.pasted.notify_all();
  }
  return true;
}

void Dispatch(XEvent& ev) {
  Connection& c = Conn();
  HWND hwnd = nullptr;
  if (XdndSource::Event(&ev) || XdndTarget::Event(&ev)) return;
  if (ClipboardEvent(c, ev)) return;
  {
    Locked guard(c);
    auto it = c.byId.find(ev.xany.window);
    if (it != c.byId.end()) hwnd = it->second;
  }
  if (hwnd == nullptr || !IsWindow(hwnd)) return;
  switch (ev.type) {
    case Expose: {
      // The series of exposed rectangles goes out with its last one.
      const XExposeEvent& ex = ev.xexpose;
      WindowTable::Get().WithRecord(hwnd, 0, [&](WindowRecord& rec) {
        if (rec.parent == nullptr) DamageLocked(rec, RECT{ex.x, ex.y, ex.x + ex.width, ex.y + ex.height});
        return 0;
      });
      if (ex.count == 0) X11Push(hwnd);
      break;
    }
    case MotionNotify:
      InputMouseMove(ev.xmotion.x_root, ev.xmotion.y_root);
      break;
    case ButtonPress:
    case ButtonRelease: {
      InputMouseMove(ev.xbutton.x_root, ev.xbutton.y_root);
      if (ev.xbutton.button == Button4 || ev.xbutton.button == Button5) {
        if (ev.type == ButtonPress) InputMouseWheel(ev.xbutton.button == Button4 ? WHEEL_DELTA : -WHEEL_DELTA);
        break;
      }
      int vk = ButtonKey(ev.xbutton.button);
      if (vk != 0) InputMouseButton(vk, ev.type == ButtonPress);
      break;
    }
    case KeyPress:
    case KeyRelease:
      OnKey(ev.xkey, ev.type == KeyPress);
      break;
    case ConfigureNotify: {
      // The window manager moved or sized the window: the record follows. Only its own
      // (synthetic) notices count; the server's echo of our own requests may be stale.
      XConfigureEvent& ce = ev.xconfigure;
      if (!ce.send_event) break;
      RECT r{};
      GetWindowRect(hwnd, &r);
      if (ce.x != r.left || ce.y != r.top || ce.width != r.right - r.left || ce.height != r.bottom - r.top) {
        SetWindowPos(hwnd, nullptr, ce.x, ce.y, ce.width, ce.height, SWP_NOZORDER | SWP_NOACTIVATE);
      }
      break;
    }
    case ClientMessage:
      if (Atom(ev.xclient.data.l[0]) == c.deleteWindow) PostMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
      break;
    default:
      break;
  }
}

// The wake-up pipe's bytes: 'e' when another thread left events in Xlib's queue, 'q' to end.
// True when the reader is to end.
bool TakeWakeUps(Connection& c, int wakeFd, int timeoutMs) {
  pollfd wake = {wakeFd, POLLIN, 0};
  if (timeoutMs == 0 && (poll(&wake, 1, 0) <= 0 || (wake.revents & POLLIN) == 0)) return false;
  char bytes[16];
  c.nudged = false;  // before the queue is read, so that a later nudge writes again
  ssize_t n = read(wakeFd, bytes, sizeof(bytes));
  return n > 0 && memchr(bytes, 'q', size_t(n)) != nullptr;
}

void Reader(Connection& c, Display* dpy, int wakeFd) {
  pthread_setname_np(pthread_self(), "jfxreader");  // told apart in /proc and debuggers
  for (;;) {
    // Sleeps until the server sends something or another thread wakes it: a round trip made
    // elsewhere (XSync, a property read) moves events into Xlib's queue, where the socket no
    // longer shows them, and that thread then writes to the wake-up pipe (see Locked). While
    // another program drags over us it also wakes in short slices, to look after that drag.
    if (XEventsQueued(dpy, QueuedAlready) == 0) {
      pollfd fds[2] = {{ConnectionNumber(dpy), POLLIN, 0}, {wakeFd, POLLIN, 0}};
      if (poll(fds, 2, XdndTarget::WaitMs()) < 0) continue;
      if ((fds[1].revents & POLLIN) != 0 && TakeWakeUps(c, wakeFd, -1)) return;
    } else if (TakeWakeUps(c, wakeFd, 0)) {
      return;
    }
    while (XPending(dpy) > 0) {
      XEvent ev;
      XNextEvent(dpy, &ev);
      if (XFilterEvent(&ev, None)) continue;
      Dispatch(ev);
    }
    XdndTarget::Idle(dpy);
  }
}

// X errors (a window gone a moment early, a focus request the server refuses) are logged
// when tracing and never end the process, as Xlib's default handler would.
int IgnoreError(Display* dpy, XErrorEvent* error) {
  // A refused shared-memory segment: pushes go without it (no lock here, Xlib holds its own).
  int shmOpcode = Conn().shmOpcode.load();
  if (shmOpcode != 0 && error->request_code == shmOpcode) Conn().shmRefused = true;
  if (jf::TraceOn(jf::kTraceDisplay)) {
    char text[128] = {};
    XGetErrorText(dpy, error->error_code, text, sizeof(text));
    JF_TRACE_FAIL(Display, "X error %d (%s), request %d", error->error_code, text, error->request_code);
  }
  return 0;
}

bool Connect(const char* name) {
  Connection& c = Conn();
  if (name == nullptr || *name == 0) return false;
  static std::once_flag threads;
  std::call_once(threads, [] {
    XInitThreads();
    XSetErrorHandler(IgnoreError);
  });
  Display* dpy = XOpenDisplay(name);
  if (dpy == nullptr) return false;
  c.dpy = dpy;
  c.deleteWindow = XInternAtom(dpy, "WM_DELETE_WINDOW", False);
  c.motifHints = XInternAtom(dpy, "_MOTIF_WM_HINTS", False);
  XSetLocaleModifiers("");
  c.im = XOpenIM(dpy, nullptr, nullptr, nullptr);
  // The headless monitor becomes the X screen (its work area the whole screen).
  SetScreen(DisplayWidth(dpy, DefaultScreen(dpy)), DisplayHeight(dpy, DefaultScreen(dpy)), 0);
  c.clipboard = XInternAtom(dpy, "CLIPBOARD", False);
  c.utf8 = XInternAtom(dpy, "UTF8_STRING", False);
  c.targets = XInternAtom(dpy, "TARGETS", False);
  c.incoming = XInternAtom(dpy, "JF_CLIPBOARD", False);
  c.helper = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), -10, -10, 1, 1, 0, 0, 0);
  int opcode = 0, firstEvent = 0, firstError = 0;
  const char* shm = getenv("JF_X11_SHM");  // "0" sends the pixels through the socket
  c.shm = (shm == nullptr || strcmp(shm, "0") != 0) && XShmQueryExtension(dpy) &&
          XQueryExtension(dpy, "MIT-SHM", &opcode, &firstEvent, &firstError);
  c.shmOpcode = c.shm ? opcode : 0;
  g_sharedStores = c.shm;
  c.pushed = TestXPushCount{};
  if (pipe2(c.wake, O_CLOEXEC) != 0) {
    XCloseDisplay(dpy);
    c.dpy = nullptr;
    return false;
  }
  c.nudged = false;
  c.reader = std::thread(Reader, std::ref(c), dpy, c.wake[0]);
  return true;
}

bool ClickThrough(DWORD exStyle) {
  return (exStyle & (WS_EX_LAYERED | WS_EX_TRANSPARENT)) == (WS_EX_LAYERED | WS_EX_TRANSPARENT);
}

void Detach(Display* dpy, XWin& win) {
  if (win.segment.shmid < 0) return;
  XShmDetach(dpy, &win.segment);
  win.segment = XShmSegmentInfo{0, -1, nullptr, False};
}

// The server reads the store's segment from now on; false when it cannot (a server on another
// machine or in another IPC namespace). Connection lock held.
bool Attach(Connection& c, XWin& win, const StoreSegment& store) {
  if (win.segment.shmid == store.shmid) return true;
  Detach(c.dpy, win);  // after the puts already sent from it
  XShmSegmentInfo segment{0, store.shmid, static_cast<char*>(store.address), True};
  c.shmRefused = false;
  XShmAttach(c.dpy, &segment);
  XSync(c.dpy, False);
  if (c.shmRefused) return false;
  win.segment = segment;
  return true;
}

void ForgetWindow(Display* dpy, XWin& win) {
  Detach(dpy, win);
  if (win.gc != nullptr) XFreeGC(dpy, win.gc);
  win.gc = nullptr;
  if (win.ic != nullptr) XDestroyIC(win.ic);
  win.ic = nullptr;
}

Visual* ArgbVisual(Display* dpy, int* depth) {
  XVisualInfo info{};
  if (XMatchVisualInfo(dpy, DefaultScreen(dpy), 32, TrueColor, &info) != 0) {
    *depth = 32;
    return info.visual;
  }
  return nullptr;
}

}  // namespace

bool X11Active() {
  Connection& c = Conn();
  Locked guard(c);
  if (!c.decided) {
    c.decided = true;
    Connect(getenv("DISPLAY"));
  }
  return c.dpy != nullptr;
}

void X11WindowCreated(HWND hwnd) {
  if (!X11Active()) return;
  DWORD style = 0, exStyle = 0;
  RECT r{};
  bool topLevel = WindowTable::Get().WithRecord(hwnd, false, [&](WindowRecord& rec) {
    style = rec.style;
    exStyle = rec.exStyle;
    r = rec.windowRect;
    return rec.parent == nullptr && !rec.messageOnly;
  });
  if (!topLevel) return;
  Connection& c = Conn();
  Locked guard(c);
  Display* dpy = c.dpy;
  int screen = DefaultScreen(dpy);
  XSetWindowAttributes attrs{};
  unsigned long mask = CWEventMask | CWBackPixel | CWBorderPixel;
  attrs.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask |
                     KeyReleaseMask | StructureNotifyMask | FocusChangeMask;
  XWin win;
  int depth = DefaultDepth(dpy, screen);
  Visual* visual = DefaultVisual(dpy, screen);
  if ((exStyle & WS_EX_LAYERED) != 0) {
    int argbDepth = 0;
    if (Visual* v = ArgbVisual(dpy, &argbDepth)) {
      visual = v;
      depth = argbDepth;
      win.argb = true;
      attrs.colormap = XCreateColormap(dpy, RootWindow(dpy, screen), visual, AllocNone);
      mask |= CWColormap;
    }
  }
  // Tool windows (tips) and click-through layered windows (shadows) bypass the window manager.
  bool clickThrough = ClickThrough(exStyle);
  if ((exStyle & (WS_EX_TOOLWINDOW | WS_EX_TOPMOST)) != 0 || (style & (WS_POPUP | WS_CAPTION)) == WS_POPUP) {
    attrs.override_redirect = (exStyle & WS_EX_TOOLWINDOW) != 0 || clickThrough ? True : False;
    mask |= CWOverrideRedirect;
  }
  unsigned w = unsigned(std::max<LONG>(1, r.right - r.left));
  unsigned h = unsigned(std::max<LONG>(1, r.bottom - r.top));
  win.id = XCreateWindow(dpy, RootWindow(dpy, screen), int(r.left), int(r.top), w, h, 0, depth, InputOutput, visual,
                         mask, &attrs);
  win.visual = visual;
  win.depth = depth;
  win.gc = XCreateGC(dpy, win.id, 0, nullptr);
  XSetWMProtocols(dpy, win.id, &c.deleteWindow, 1);
  if (clickThrough) {
    // An empty input shape: the pointer reaches whatever lies below.
    XShapeCombineRectangles(dpy, win.id, ShapeInput, 0, 0, nullptr, 0, ShapeSet, Unsorted);
    win.below = true;
  }
  if ((style & WS_CAPTION) != WS_CAPTION) {
    // Motif hints: no decorations for a borderless (skinned) window.
    long hints[5] = {2, 0, 0, 0, 0};
    XChangeProperty(dpy, win.id, c.motifHints, c.motifHints, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(hints), 5);
  }
  XSizeHints size{};
  size.flags = PPosition | USPosition;
  size.x = int(r.left);
  size.y = int(r.top);
  XSetWMNormalHints(dpy, win.id, &size);
  if (c.im != nullptr) {
    win.ic = XCreateIC(c.im, XNInputStyle, XIMPreeditNothing | XIMStatusNothing, XNClientWindow, win.id,
                       XNFocusWindow, win.id, nullptr);
  }
  XdndTarget::Advertise(dpy, win.id);
  c.windows[hwnd] = win;
  c.byId[win.id] = hwnd;
  XFlush(dpy);
}

void X11WindowChanged(HWND hwnd) {
  if (!X11Active()) return;
  RECT r{};
  bool visible = false;
  bool minimized = false;
  HRGN region = nullptr;
  HWND owner = nullptr;
  std::vector<XRectangle> shape;
  bool ok = WindowTable::Get().WithRecord(hwnd, false, [&](WindowRecord& rec) {
    r = rec.windowRect;
    owner = rec.owner;
    visible = (rec.style & WS_VISIBLE) != 0;
    minimized = (rec.style & WS_MINIMIZE) != 0;
    region = rec.display ? rec.display->region : HRGN(nullptr);
    // Read while the record is held: another thread's SetWindowRgn deletes the region it replaces.
    if (cairo_region_t* data = region != nullptr ? GetRegionData(region) : nullptr) {
      for (int i = 0; i < cairo_region_num_rectangles(data); ++i) {
        cairo_rectangle_int_t rect;
        cairo_region_get_rectangle(data, i, &rect);
        shape.push_back(XRectangle{short(rect.x), short(rect.y), static_cast<unsigned short>(rect.width),
                                   static_cast<unsigned short>(rect.height)});
      }
    }
    return rec.parent == nullptr;
  });
  if (!ok) return;
  Connection& c = Conn();
  Locked guard(c);
  auto it = c.windows.find(hwnd);
  if (it == c.windows.end()) return;
  XWin& win = it->second;
  Display* dpy = c.dpy;
  if (minimized) {
    // A minimised window goes to the window manager's icons, not to -32000.
    if (win.mapped) XIconifyWindow(dpy, win.id, DefaultScreen(dpy));
    win.mapped = false;
    XFlush(dpy);
    return;
  }
  XMoveResizeWindow(dpy, win.id, int(r.left), int(r.top), unsigned(std::max<LONG>(1, r.right - r.left)),
                    unsigned(std::max<LONG>(1, r.bottom - r.top)));
  if (region != nullptr) {
    XShapeCombineRectangles(dpy, win.id, ShapeBounding, 0, 0, shape.data(), int(shape.size()), ShapeSet, Unsorted);
  } else {
    XShapeCombineMask(dpy, win.id, ShapeBounding, 0, 0, None, ShapeSet);
  }
  if (visible && !win.mapped) {
    XMapRaised(dpy, win.id);
    win.mapped = true;
    auto ownerWin = c.windows.find(owner);
    if (win.below && ownerWin != c.windows.end() && ownerWin->second.mapped) {
      // Without a compositing manager its transparent pixels would hide the owner: under it,
      // the owner covers its middle and the band around the owner shows.
      XWindowChanges changes{};
      changes.sibling = ownerWin->second.id;
      changes.stack_mode = Below;
      XReconfigureWMWindow(dpy, win.id, DefaultScreen(dpy), CWSibling | CWStackMode, &changes);
    }
  } else if (!visible && win.mapped) {
    XUnmapWindow(dpy, win.id);
    win.mapped = false;
  }
  XFlush(dpy);
}

void X11WindowDestroyed(HWND hwnd) {
  Connection& c = Conn();
  Locked guard(c);
  auto it = c.windows.find(hwnd);
  if (c.dpy == nullptr || it == c.windows.end()) return;
  ForgetWindow(c.dpy, it->second);
  XDestroyWindow(c.dpy, it->second.id);
  c.byId.erase(it->second.id);
  c.windows.erase(it);
  XFlush(c.dpy);
}

void X11WindowIcon(HWND hwnd, HICON icon) {
  if (!X11Active()) return;
  cairo_surface_t* surface = IconSurface(icon);
  std::vector<long> data;
  if (surface != nullptr) {
    // _NET_WM_ICON: width, height, then straight (not premultiplied) ARGB, one long each.
    cairo_surface_flush(surface);
    int w = cairo_image_surface_get_width(surface), h = cairo_image_surface_get_height(surface);
    int stride = cairo_image_surface_get_stride(surface);
    data.push_back(w);
    data.push_back(h);
    for (int y = 0; y < h; ++y) {
      auto row = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(surface) + y * stride);
      for (int x = 0; x < w; ++x) {
        uint32_t p = row[x], a = p >> 24;
        auto straight = [&](int shift) { return a == 0 ? 0u : ((p >> shift) & 0xFF) * 255 / a; };
        data.push_back(long(a << 24 | straight(16) << 16 | straight(8) << 8 | straight(0)));
      }
    }
  }
  Connection& c = Conn();
  Locked guard(c);
  auto it = c.windows.find(hwnd);
  if (it == c.windows.end()) return;
  Atom netIcon = XInternAtom(c.dpy, "_NET_WM_ICON", False);
  if (data.empty()) {
    XDeleteProperty(c.dpy, it->second.id, netIcon);
  } else {
    XChangeProperty(c.dpy, it->second.id, netIcon, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(data.data()), int(data.size()));
  }
  XFlush(c.dpy);
}

void X11Cursor(uintptr_t systemId) {
  unsigned shape = XC_left_ptr;
  switch (systemId) {
    case 32513: shape = XC_xterm; break;
    case 32514: case 32650: shape = XC_watch; break;
    case 32515: shape = XC_crosshair; break;
    case 32516: shape = XC_sb_up_arrow; break;
    case 32642: shape = XC_bottom_right_corner; break;
    case 32643: shape = XC_bottom_left_corner; break;
    case 32644: shape = XC_sb_h_double_arrow; break;
    case 32645: shape = XC_sb_v_double_arrow; break;
    case 32646: shape = XC_fleur; break;
    case 32648: shape = XC_X_cursor; break;
    case 32649: shape = XC_hand2; break;
    default: break;
  }
  Connection& c = Conn();
  Locked guard(c);
  if (c.dpy == nullptr) return;
  auto it = c.cursors.find(shape);
  if (it == c.cursors.end()) it = c.cursors.emplace(shape, XCreateFontCursor(c.dpy, shape)).first;
  for (auto& entry : c.windows) XDefineCursor(c.dpy, entry.second.id, it->second);
  XFlush(c.dpy);
}

void X11Focus(HWND hwnd) {
  if (!X11Active()) return;
  Connection& c = Conn();
  Locked guard(c);
  auto it = c.windows.find(hwnd);
  if (it == c.windows.end() || !it->second.mapped) return;
  XSetInputFocus(c.dpy, it->second.id, RevertToParent, CurrentTime);
  if (it->second.ic != nullptr) XSetICFocus(it->second.ic);
  XFlush(c.dpy);
}

// Sends the rectangles of the store to the window: the server reads them straight from the
// store when it has its segment attached, else they go through the socket. The push does not
// wait for the server. Drawing that goes on meanwhile can show in this frame at worst; it is
// damage of its own and goes with the next push. Connection lock held.
void SendRects(Connection& c, XWin& win, cairo_surface_t* surface, bool shared, const std::vector<RECT>& rects) {
  int w = cairo_image_surface_get_width(surface);
  int h = cairo_image_surface_get_height(surface);
  int stride = cairo_image_surface_get_stride(surface);
  char* pixels = reinterpret_cast<char*>(cairo_image_surface_get_data(surface));
  XImage* image = nullptr;
  if (shared) {
    image = XShmCreateImage(c.dpy, win.visual, unsigned(win.depth), ZPixmap, pixels, &win.segment, unsigned(w),
                            unsigned(h));
    if (image != nullptr && (image->bytes_per_line != stride || image->bits_per_pixel != 32)) {
      image->data = nullptr;
      XDestroyImage(image);
      image = nullptr;
    }
    shared = image != nullptr;
  }
  if (image == nullptr) {
    image = XCreateImage(c.dpy, win.visual, unsigned(win.depth), ZPixmap, 0, pixels, unsigned(w), unsigned(h), 32,
                         stride);
    if (image == nullptr) return;
    image->byte_order = LSBFirst;
  }
  for (const RECT& part : rects) {
    RECT r = RectIntersect(part, RECT{0, 0, w, h});
    if (RectEmpty(r)) continue;
    unsigned rw = unsigned(r.right - r.left), rh = unsigned(r.bottom - r.top);
    if (shared) {
      XShmPutImage(c.dpy, win.id, win.gc, image, int(r.left), int(r.top), int(r.left), int(r.top), rw, rh, False);
    } else {
      XPutImage(c.dpy, win.id, win.gc, image, int(r.left), int(r.top), int(r.left), int(r.top), rw, rh);
    }
    c.pushed.rects += 1;
    c.pushed.pixels += static_cast<unsigned long long>(rw) * rh;
  }
  c.pushed.pushes += 1;
  c.pushed.sharedMemory = shared;
  image->data = nullptr;  // the pixels belong to the surface
  XDestroyImage(image);
  XFlush(c.dpy);
}

void X11Push(HWND hwnd) {
  if (!X11Active()) return;
  HWND root = GetAncestor(hwnd, GA_ROOT);
  if (root == nullptr) root = hwnd;
  Connection& c = Conn();
  Locked guard(c);
  auto it = c.windows.find(root);
  if (it == c.windows.end() || !it->second.mapped) return;
  XWin& win = it->second;
  WindowTable::Get().WithRecord(root, 0, [&](WindowRecord& rec) {
    cairo_surface_t* surface = SurfaceLocked(rec);
    if (surface == nullptr) return 0;
    // Only what was drawn since the last push goes; the server keeps the rest.
    std::vector<RECT> damage;
    damage.swap(DisplayStateLocked(rec).damage);
    if (damage.empty()) return 0;
    cairo_surface_flush(surface);
    auto* store = static_cast<StoreSegment*>(cairo_surface_get_user_data(surface, &kStoreSegment));
    if (c.shm && c.shmRefused && win.segment.shmid >= 0) {
      // A put from the segment was refused: the socket from now on, and the whole window again.
      JF_TRACE_FAIL(Display, "the X server refused a shared put; pixels go through the socket");
      c.shm = false;
      g_sharedStores = false;
      damage.assign(1, RECT{0, 0, cairo_image_surface_get_width(surface), cairo_image_surface_get_height(surface)});
    }
    bool shared = c.shm && store != nullptr && Attach(c, win, *store);
    if (c.shm && store != nullptr && !shared) {
      JF_TRACE_FAIL(Display, "the X server cannot read our shared memory; pixels go through the socket");
      c.shm = false;
      g_sharedStores = false;
    }
    SendRects(c, win, surface, shared, damage);
    return 0;
  });
}

cairo_surface_t* X11SharedSurface(int width, int height) {
  if (!g_sharedStores) return nullptr;
  int stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, width);
  if (stride <= 0 || width <= 0 || height <= 0) return nullptr;
  int id = shmget(IPC_PRIVATE, size_t(stride) * size_t(height), IPC_CREAT | 0600);
  if (id < 0) return nullptr;
  void* memory = shmat(id, nullptr, 0);
  // Marked at once: the segment goes with the last detach, ours or the server's, whatever
  // happens to the process (the server may still attach it, as Linux allows).
  shmctl(id, IPC_RMID, nullptr);
  if (memory == reinterpret_cast<void*>(-1)) return nullptr;
  // A fresh segment is zero-filled: transparent black, as a new image surface.
  cairo_surface_t* surface =
      cairo_image_surface_create_for_data(static_cast<unsigned char*>(memory), CAIRO_FORMAT_ARGB32, width, height, stride);
  auto* store = new StoreSegment{id, memory};
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS ||
      cairo_surface_set_user_data(surface, &kStoreSegment, store, FreeStoreSegment) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    FreeStoreSegment(store);
    return nullptr;
  }
  return surface;
}

void X11SetClipboard(const std::wstring& text) {
  if (!X11Active()) return;
  Connection& c = Conn();
  Locked guard(c);
  c.copied = text;
  XSetSelectionOwner(c.dpy, c.clipboard, c.helper, CurrentTime);
  XSync(c.dpy, False);  // owned once the copy returns
}

bool X11GetClipboard(std::wstring* text) {
  if (!X11Active()) return false;
  Connection& c = Conn();
  Locked locked(c);
  std::unique_lock<std::recursive_mutex>& guard = locked.Guard();
  // The server knows the owner; a SelectionClear may still be on its way to the reader.
  ::Window owner = XGetSelectionOwner(c.dpy, c.clipboard);
  if (owner == c.helper) {
    *text = c.copied;
    return true;
  }
  if (owner == None) return false;
  c.pasteDone = false;
  XConvertSelection(c.dpy, c.clipboard, c.utf8, c.incoming, c.helper, CurrentTime);
  XFlush(c.dpy);
  // The reader thread brings the answer; an owner that never answers costs a second of the
  // tick source (checked in short slices, so a test's manual clock decides when it is over).
  const uint64_t deadline = TickNow() + 1000;
  while (!c.pasteDone) {
    if (TickNow() >= deadline) return false;
    c.pasted.wait_for(guard, std::chrono::milliseconds(10));
  }
  *text = c.pasteText;
  return true;
}

Display* X11Connection() { return X11Active() ? Conn().dpy : nullptr; }

unsigned long X11WindowId(HWND hwnd) {
  Connection& c = Conn();
  std::lock_guard<std::recursive_mutex> guard(c.lock);
  auto it = c.windows.find(GetAncestor(hwnd, GA_ROOT) ? GetAncestor(hwnd, GA_ROOT) : hwnd);
  return it == c.windows.end() ? 0 : it->second.id;
}

HWND X11WindowHandle(unsigned long id) {
  Connection& c = Conn();
  std::lock_guard<std::recursive_mutex> guard(c.lock);
  auto it = c.byId.find(::Window(id));
  return it == c.byId.end() ? nullptr : it->second;
}

bool TestUseDisplay(const char* name) {
  TestCloseDisplay();
  Connection& c = Conn();
  Locked guard(c);
  c.decided = true;
  return Connect(name);
}

void TestCloseDisplay() {
  Connection& c = Conn();
  std::thread reader;
  Display* dpy = nullptr;
  {
    Locked guard(c);
    if (c.dpy == nullptr) return;
    if (write(c.wake[1], "q", 1) < 0) {
      // The reader also ends when the connection goes.
    }
    reader = std::move(c.reader);
    dpy = c.dpy;
    g_sharedStores = false;
  }
  if (reader.joinable()) reader.join();
  Locked guard(c);
  for (auto& entry : c.windows) ForgetWindow(dpy, entry.second);
  c.windows.clear();
  c.byId.clear();
  for (auto& entry : c.cursors) XFreeCursor(dpy, entry.second);
  c.cursors.clear();
  if (c.helper != 0) XDestroyWindow(dpy, c.helper);
  c.helper = 0;
  if (c.im != nullptr) XCloseIM(c.im);
  c.im = nullptr;
  XCloseDisplay(dpy);
  c.dpy = nullptr;
  close(c.wake[0]);
  close(c.wake[1]);
  c.wake[0] = c.wake[1] = -1;
}

TestXPushCount TestXPushes() {
  Connection& c = Conn();
  Locked guard(c);
  if (c.dpy != nullptr) XSync(c.dpy, False);  // what was sent has reached the screen
  return c.pushed;
}

unsigned long TestXWindow(HWND hwnd) {
  Connection& c = Conn();
  Locked guard(c);
  auto it = c.windows.find(hwnd);
  return it == c.windows.end() ? 0 : it->second.id;
}

}  // namespace jf
