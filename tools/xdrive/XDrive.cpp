// Drives windows on an X display from outside, for the windowed end-to-end runs: finds
// mapped top-level windows, fakes clicks and keys with XTest, and writes screenshots.
//
//   jfxdrive windows                       every mapped top-level window: "id x y w h"
//   jfxdrive wait W H [ms] [gone]          waits for a mapped window of that size (or, with
//                                          "gone", until none is left); prints "id x y w h"
//   jfxdrive click X Y                     left click at screen coordinates
//   jfxdrive type TEXT                     types printable ASCII text
//   jfxdrive key NAME                      one key by keysym name; "ctrl+a" style allowed
//   jfxdrive shot FILE [ID]                PNG of a window (default: the whole screen)
//   jfxdrive painted W H X Y CW CH [ms]    waits for a mapped window of that size, then for a
//                                          bright pixel (grey > 200) in its rectangle X,Y,CW,CH;
//                                          prints "id x y w h mapped painted" (wall clock, ns)
// The display is $DISPLAY. Exit code 0 on success, 1 on a time-out or failure.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <cairo.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Win {
  ::Window id;
  int x, y, w, h;
};

std::vector<Win> TopLevels(Display* d) {
  std::vector<Win> out;
  ::Window root = DefaultRootWindow(d), parent, *kids = nullptr;
  unsigned n = 0;
  if (!XQueryTree(d, root, &root, &parent, &kids, &n)) return out;
  for (unsigned i = 0; i < n; ++i) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, kids[i], &a) || a.map_state != IsViewable || a.c_class != InputOutput) continue;
    int x = 0, y = 0;
    ::Window child;
    XTranslateCoordinates(d, kids[i], root, 0, 0, &x, &y, &child);
    out.push_back(Win{kids[i], x, y, a.width, a.height});
  }
  if (kids) XFree(kids);
  return out;
}

void Settle(Display* d) {
  XSync(d, False);
  usleep(30000);
}

int Click(Display* d, int x, int y) {
  XTestFakeMotionEvent(d, -1, x, y, CurrentTime);
  Settle(d);
  XTestFakeButtonEvent(d, 1, True, CurrentTime);
  Settle(d);
  XTestFakeButtonEvent(d, 1, False, CurrentTime);
  Settle(d);
  return 0;
}

void PressKeysym(Display* d, KeySym sym, bool ctrl) {
  KeyCode code = XKeysymToKeycode(d, sym);
  if (code == 0) return;
  bool shift = XkbKeycodeToKeysym(d, code, 0, 0) != sym && XkbKeycodeToKeysym(d, code, 0, 1) == sym;
  KeyCode shiftCode = XKeysymToKeycode(d, XK_Shift_L), ctrlCode = XKeysymToKeycode(d, XK_Control_L);
  if (ctrl) XTestFakeKeyEvent(d, ctrlCode, True, CurrentTime);
  if (shift) XTestFakeKeyEvent(d, shiftCode, True, CurrentTime);
  XTestFakeKeyEvent(d, code, True, CurrentTime);
  XTestFakeKeyEvent(d, code, False, CurrentTime);
  if (shift) XTestFakeKeyEvent(d, shiftCode, False, CurrentTime);
  if (ctrl) XTestFakeKeyEvent(d, ctrlCode, False, CurrentTime);
  XSync(d, False);
  usleep(8000);
}

int TypeText(Display* d, const char* text) {
  for (const char* p = text; *p; ++p) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (c < 0x20 || c > 0x7e) continue;
    PressKeysym(d, c == ' ' ? XK_space : static_cast<KeySym>(c), false);  // Latin-1 keysyms equal the code
  }
  Settle(d);
  return 0;
}

int Key(Display* d, std::string name) {
  bool ctrl = false;
  if (name.compare(0, 5, "ctrl+") == 0) {
    ctrl = true;
    name = name.substr(5);
  }
  KeySym sym = XStringToKeysym(name.c_str());
  if (sym == NoSymbol) return 1;
  PressKeysym(d, sym, ctrl);
  Settle(d);
  return 0;
}

int Shot(Display* d, const char* file, ::Window id) {
  if (id == 0) id = DefaultRootWindow(d);
  XWindowAttributes a;
  if (!XGetWindowAttributes(d, id, &a)) return 1;
  XImage* img = XGetImage(d, id, 0, 0, unsigned(a.width), unsigned(a.height), AllPlanes, ZPixmap);
  if (!img) return 1;
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, a.width, a.height);
  unsigned char* data = cairo_image_surface_get_data(s);
  int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; y < a.height; ++y) {
    uint32_t* row = reinterpret_cast<uint32_t*>(data + y * stride);
    for (int x = 0; x < a.width; ++x) row[x] = uint32_t(XGetPixel(img, x, y)) & 0xFFFFFF;
  }
  cairo_surface_mark_dirty(s);
  int rc = cairo_surface_write_to_png(s, file) == CAIRO_STATUS_SUCCESS ? 0 : 1;
  cairo_surface_destroy(s);
  XDestroyImage(img);
  return rc;
}

long long WallNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

bool Bright(Display* d, ::Window id, int x, int y, int w, int h) {
  XImage* img = XGetImage(d, id, x, y, unsigned(w), unsigned(h), AllPlanes, ZPixmap);
  if (!img) return false;
  bool bright = false;
  for (int j = 0; j < h && !bright; ++j) {
    for (int i = 0; i < w; ++i) {
      unsigned long p = XGetPixel(img, i, j);
      unsigned r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
      if ((r * 299 + g * 587 + b * 114) / 1000 > 200) {
        bright = true;
        break;
      }
    }
  }
  XDestroyImage(img);
  return bright;
}

// One connection, sampled every 2 ms: a sample costs a round trip and a small image, so the
// times printed are within a few milliseconds of the events.
int Painted(Display* d, int w, int h, int cx, int cy, int cw, int ch, int ms) {
  const long long deadline = WallNs() + ms * 1000000LL;
  Win found{};
  long long mapped = 0;
  while (WallNs() < deadline) {
    if (mapped == 0) {
      for (const Win& win : TopLevels(d)) {
        if (win.w == w && win.h == h) {
          found = win;
          mapped = WallNs();
          break;
        }
      }
    }
    if (mapped != 0 && Bright(d, found.id, cx, cy, cw, ch)) {
      long long painted = WallNs();
      printf("%lu %d %d %d %d %lld %lld\n", static_cast<unsigned long>(found.id), found.x, found.y, found.w, found.h,
             mapped, painted);
      return 0;
    }
    usleep(2000);
  }
  return 1;
}

void Print(const Win& w) { printf("%lu %d %d %d %d\n", static_cast<unsigned long>(w.id), w.x, w.y, w.w, w.h); }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: jfxdrive windows|wait|click|type|key|shot|painted ...\n");
    return 2;
  }
  Display* d = XOpenDisplay(nullptr);
  if (!d) {
    fprintf(stderr, "jfxdrive: no display\n");
    return 1;
  }
  std::string cmd = argv[1];
  int rc = 2;
  if (cmd == "windows") {
    for (const Win& w : TopLevels(d)) Print(w);
    rc = 0;
  } else if (cmd == "wait" && argc >= 4) {
    int w = atoi(argv[2]), h = atoi(argv[3]);
    int ms = argc >= 5 ? atoi(argv[4]) : 10000;
    bool gone = argc >= 6 && strcmp(argv[5], "gone") == 0;
    rc = 1;
    for (int waited = 0; waited <= ms; waited += 20) {
      bool found = false;
      for (const Win& win : TopLevels(d)) {
        if (win.w == w && win.h == h) {
          found = true;
          if (!gone) {
            Print(win);
            rc = 0;
          }
          break;
        }
      }
      if (rc == 0 || (gone && !found)) {
        rc = 0;
        break;
      }
      usleep(20000);
    }
  } else if (cmd == "click" && argc >= 4) {
    rc = Click(d, atoi(argv[2]), atoi(argv[3]));
  } else if (cmd == "type" && argc >= 3) {
    rc = TypeText(d, argv[2]);
  } else if (cmd == "key" && argc >= 3) {
    rc = Key(d, argv[2]);
  } else if (cmd == "shot" && argc >= 3) {
    rc = Shot(d, argv[2], argc >= 4 ? ::Window(strtoul(argv[3], nullptr, 10)) : 0);
  } else if (cmd == "painted" && argc >= 8) {
    rc = Painted(d, atoi(argv[2]), atoi(argv[3]), atoi(argv[4]), atoi(argv[5]), atoi(argv[6]), atoi(argv[7]),
                 argc >= 9 ? atoi(argv[8]) : 10000);
  }
  XCloseDisplay(d);
  return rc;
}
