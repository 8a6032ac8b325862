// UI benchmark: a 540x434 skinned window built off screen from a skin archive (background
// image, nine-grid buttons, labels with Chinese text, a progress bar). Reports the skin's
// load-and-build time, one full layout and paint, the mean full repaint and the mean repaint
// of one control (a step of the progress bar), beside a plain cairo program that draws the
// same images and texts at the same places; then the same for the window on screen, on an
// Xvfb of its own, with what the frames sent to the server (JF_X11_SHM=0: through the socket
// instead of shared memory).
//   ui_bench [frames per round, 1000] [window PNG] [floor PNG] [rounds, 5]
#include <cairo.h>
#include "platform/src/internal/gdisurface.h"
#include <minizip/zip.h>
#include <pango/pangocairo.h>
#include <stb/stb_image.h>
#include <stb/stb_image_write.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <windows.h>

#include "ui/base/ControlUI.h"
#include "ui/base/IContainerUI.h"
#include "ui/skin/SkinBuilder.h"
#include "ui/base/WindowManagerUI.h"
#include "ui/base/WindowWnd.h"
#include "bench/BenchWnd.h"
#include "ui/control/ProgressUI.h"
#include "ui/render/SkinRenderer.h"
#include "platform/testing/hooks/testinput.h"

extern char** environ;

using namespace SkinUI;
using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

std::string Png(int w, int h, uint32_t (*pixel)(int x, int y, int w, int h)) {
  std::vector<unsigned char> rgba(static_cast<size_t>(w) * h * 4);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint32_t p = pixel(x, y, w, h);
      unsigned char* d = &rgba[(static_cast<size_t>(y) * w + x) * 4];
      d[0] = (p >> 16) & 0xFF;
      d[1] = (p >> 8) & 0xFF;
      d[2] = p & 0xFF;
      d[3] = p >> 24;
    }
  }
  std::string out;
  stbi_write_png_to_func(
      [](void* c, void* data, int size) { static_cast<std::string*>(c)->append(static_cast<char*>(data), size); },
      &out, w, h, 4, rgba.data(), w * 4);
  return out;
}

uint32_t Background(int x, int y, int w, int h) {
  return 0xFF000000 | ((40 + 80 * y / h) << 16) | ((90 + 60 * x / w) << 8) | 200;
}
uint32_t ButtonFace(int x, int y, int w, int h) {
  bool edge = x < 2 || y < 2 || x >= w - 2 || y >= h - 2;
  bool corner = (x < 4 || x >= w - 4) && (y < 4 || y >= h - 4);
  if (corner && edge) return 0x00000000;
  return edge ? 0xFF1E5AA8 : 0xFF3C8CE6 - ((y * 2) << 8);
}
uint32_t BarBack(int, int y, int, int h) { return y == 0 || y == h - 1 ? 0xFF9AA4B0 : 0xFFE4E8EE; }
uint32_t BarFore(int, int y, int, int) { return 0xFF20B040 + ((y * 6) << 16); }

const char kSkin[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<Window size=\"540,434\" caption=\"0,0,0,40\">\n"
    " <Font name=\"WenQuanYi Micro Hei\" size=\"14\" default=\"true\"/>\n"
    " <Font name=\"WenQuanYi Micro Hei\" size=\"22\" bold=\"true\"/>\n"
    " <Default name=\"Button\" value=\"normalimage=&quot;file='btn.png' corner='6,6,6,6'&quot; "
    "textcolor=&quot;#FFFFFFFF&quot; width=&quot;130&quot;\"/>\n"
    " <VerticalLayout bkimage=\"bg.png\">\n"
    "  <Label text=\"\xE8\x81\x9A\xE5\xB3\xB0\xE6\xB8\xB8\xE6\x88\x8F\xE5\xB9\xB3\xE5\x8F\xB0\" font=\"1\" "
    "textcolor=\"#FFFFFFFF\" height=\"70\" padding=\"30,30,0,0\"/>\n"
    "  <Label text=\"\xE6\xAD\xA3\xE5\x9C\xA8\xE4\xB8\x8B\xE8\xBD\xBD\xE5\xAE\x89\xE8\xA3\x85\xE5\x8C\x85\xEF\xBC\x8C"
    "\xE8\xAF\xB7\xE7\xA8\x8D\xE5\x80\x99\" textcolor=\"#FFF0F0F0\" height=\"30\" padding=\"30,80,0,0\"/>\n"
    "  <Progress name=\"bar\" height=\"12\" padding=\"30,20,30,0\" value=\"60\" bkimage=\"file='bar_bk.png' corner='3,3,3,3'\" "
    "foreimage=\"file='bar_fore.png' corner='3,3,3,3'\"/>\n"
    "  <Control/>\n"
    "  <HorizontalLayout height=\"40\" padding=\"0,0,0,30\">\n"
    "   <Control/><Button text=\"\xE7\xAB\x8B\xE5\x8D\xB3\xE5\xAE\x89\xE8\xA3\x85\"/><Control width=\"20\"/>"
    "<Button text=\"\xE5\x8F\x96\xE6\xB6\x88\"/><Control width=\"30\"/>\n"
    "  </HorizontalLayout>\n"
    " </VerticalLayout>\n"
    "</Window>\n";

std::string BuildArchive(const std::vector<std::pair<std::string, std::string>>& files) {
  std::filesystem::path path = std::filesystem::temp_directory_path() / "jf_ui_bench.zip";
  zipFile zf = zipOpen64(path.string().c_str(), APPEND_STATUS_CREATE);
  for (auto& f : files) {
    zip_fileinfo info = {};
    zipOpenNewFileInZip(zf, f.first.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, Z_DEFAULT_COMPRESSION);
    zipWriteInFileInZip(zf, f.second.data(), static_cast<unsigned>(f.second.size()));
    zipCloseFileInZip(zf);
  }
  zipClose(zf, nullptr);
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::filesystem::remove(path);
  return bytes;
}

// The rich-text renderer alone: a paragraph of mixed markup wrapped in a 300 px column, drawn
// into a memory context with the window's fonts; answers the mean time of one draw.
double RichTextFigure(CWindowManagerUI& manager, int rounds) {
  const wchar_t* text =
      L"<p 4>The <b>installer</b> downloads the <c #FF0000>game platform</c> and its launcher, checks "
      L"every file and <a more>starts</a> it when done.</p><p 4>\u4E0B\u8F7D\u5B8C\u6210\u540E\u81EA\u52A8"
      L"\u542F\u52A8 <u>underlined words</u> follow, then a long tail of plain words that wrap over several "
      L"lines of the narrow column until the text ends.</p>";
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, 320, 400);
  HGDIOBJ old = SelectObject(dc, bmp);
  RECT links[4];
  CUIString names[4];
  auto t0 = Clock::now();
  for (int i = 0; i < rounds; ++i) {
    RECT rc = {10, 10, 310, 390};
    int count = 4;
    CSkinRenderer::DrawHtmlText(dc, &manager, rc, text, 0xFF000000, links, names, count, DT_WORDBREAK);
  }
  double ms = Ms(Clock::now() - t0) / rounds;
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return ms;
}

// What the floor program draws: each image piece and text at the place the window used.
struct Piece {
  std::string image;
  RECT dest;
  RECT corner;
  int fillRight;  // the progress bar's fore image covers only its value
};
struct Text {
  std::wstring text;
  RECT rc;
  int size;
  bool bold;
  uint32_t color;
  bool centre;
};

void Collect(CControlUI* c, std::vector<Piece>& pieces, std::vector<Text>& texts) {
  RECT r = c->GetPos();
  CUIString cls = c->GetClass();
  if (!c->GetBkImage().IsEmpty()) {
    bool grid = c->GetBkImage().Find(L"corner") >= 0;
    pieces.push_back({c->GetBkImage().Find(L"bar_bk") >= 0 ? "bar_bk.png" : "bg.png", r,
                      grid ? RECT{3, 3, 3, 3} : RECT{0, 0, 0, 0}, 0});
  }
  if (cls == L"ProgressUI") pieces.push_back({"bar_fore.png", r, {3, 3, 3, 3}, r.left + (r.right - r.left) * 60 / 100});
  if (cls == L"ButtonUI") {
    pieces.push_back({"btn.png", r, {6, 6, 6, 6}, 0});
    texts.push_back({c->GetText().GetData(), r, 14, false, 0xFFFFFFFF, true});
  }
  if (cls == L"LabelUI") {
    bool title = c->GetText().GetLength() == 6;
    texts.push_back({c->GetText().GetData(), r, title ? 22 : 14, title, title ? 0xFFFFFFFF : 0xFFF0F0F0, false});
  }
  IContainerUI* box = static_cast<IContainerUI*>(c->GetInterface(L"IContainer"));
  for (int i = 0; box && i < box->GetCount(); ++i) Collect(box->GetItemAt(i), pieces, texts);
}

cairo_surface_t* Decode(const std::string& png) {
  int w, h, n;
  stbi_uc* px = stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(png.data()), static_cast<int>(png.size()), &w,
                                      &h, &n, 4);
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  unsigned char* d = cairo_image_surface_get_data(s);
  int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      stbi_uc* p = px + (y * w + x) * 4;
      uint32_t a = p[3];
      reinterpret_cast<uint32_t*>(d + y * stride)[x] =
          (a << 24) | ((p[0] * a / 255) << 16) | ((p[1] * a / 255) << 8) | (p[2] * a / 255);
    }
  }
  cairo_surface_mark_dirty(s);
  stbi_image_free(px);
  return s;
}

void Blit(cairo_t* cr, cairo_surface_t* img, double dx, double dy, double dw, double dh, double sx, double sy,
          double sw, double sh) {
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  cairo_save(cr);
  cairo_rectangle(cr, dx, dy, dw, dh);
  cairo_clip(cr);
  cairo_translate(cr, dx, dy);
  cairo_scale(cr, dw / sw, dh / sh);
  cairo_set_source_surface(cr, img, -sx, -sy);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_BILINEAR);
  cairo_paint(cr);
  cairo_restore(cr);
}

void NineGrid(cairo_t* cr, cairo_surface_t* img, RECT d, RECT c) {
  double W = cairo_image_surface_get_width(img), H = cairo_image_surface_get_height(img);
  double xs[4] = {0, static_cast<double>(c.left), W - c.right, W};
  double ys[4] = {0, static_cast<double>(c.top), H - c.bottom, H};
  double xd[4] = {double(d.left), double(d.left + c.left), double(d.right - c.right), double(d.right)};
  double yd[4] = {double(d.top), double(d.top + c.top), double(d.bottom - c.bottom), double(d.bottom)};
  for (int j = 0; j < 3; ++j)
    for (int i = 0; i < 3; ++i)
      Blit(cr, img, xd[i], yd[j], xd[i + 1] - xd[i], yd[j + 1] - yd[j], xs[i], ys[j], xs[i + 1] - xs[i],
           ys[j + 1] - ys[j]);
}

void FloorFrame(cairo_surface_t* target, cairo_surface_t* offscreen, const std::vector<Piece>& pieces,
                const std::vector<Text>& texts, std::vector<std::pair<std::string, cairo_surface_t*>>& images,
                std::vector<PangoFontDescription*>& fonts) {
  cairo_t* cr = cairo_create(offscreen);
  for (const Piece& p : pieces) {
    cairo_surface_t* img = nullptr;
    for (auto& i : images)
      if (i.first == p.image) img = i.second;
    RECT d = p.dest;
    if (p.fillRight) d.right = p.fillRight;
    if (p.corner.left == 0) {
      Blit(cr, img, d.left, d.top, d.right - d.left, d.bottom - d.top, 0, 0, cairo_image_surface_get_width(img),
           cairo_image_surface_get_height(img));
    } else {
      NineGrid(cr, img, d, p.corner);
    }
  }
  PangoLayout* layout = pango_cairo_create_layout(cr);
  for (const Text& t : texts) {
    std::string utf8;
    for (wchar_t ch : t.text) {
      unsigned c = static_cast<unsigned>(ch);
      if (c < 0x80) {
        utf8 += static_cast<char>(c);
      } else if (c < 0x800) {
        utf8 += static_cast<char>(0xC0 | (c >> 6));
        utf8 += static_cast<char>(0x80 | (c & 0x3F));
      } else {
        utf8 += static_cast<char>(0xE0 | (c >> 12));
        utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        utf8 += static_cast<char>(0x80 | (c & 0x3F));
      }
    }
    pango_layout_set_font_description(layout, fonts[t.bold ? 1 : 0]);
    pango_layout_set_text(layout, utf8.c_str(), -1);
    int w, h;
    pango_layout_get_pixel_size(layout, &w, &h);
    double x = t.centre ? t.rc.left + (t.rc.right - t.rc.left - w) / 2 : t.rc.left;
    double y = t.rc.top + (t.rc.bottom - t.rc.top - h) / 2;
    cairo_set_source_rgb(cr, ((t.color >> 16) & 0xFF) / 255.0, ((t.color >> 8) & 0xFF) / 255.0,
                         (t.color & 0xFF) / 255.0);
    cairo_move_to(cr, x, y);
    pango_cairo_show_layout(cr, layout);
  }
  g_object_unref(layout);
  cairo_destroy(cr);
  cairo_t* out = cairo_create(target);
  cairo_set_source_surface(out, offscreen, 0, 0);
  cairo_set_operator(out, CAIRO_OPERATOR_SOURCE);
  cairo_paint(out);
  cairo_destroy(out);
  cairo_surface_flush(target);
}

jf::TestXPushCount Minus(jf::TestXPushCount a, const jf::TestXPushCount& b) {
  a.pushes -= b.pushes;
  a.rects -= b.rects;
  a.pixels -= b.pixels;
  return a;
}

// A window built from the skin, and what its frames cost.
struct Bench {
  BenchWnd wnd{L"JfUiBench"};
  HWND hwnd = nullptr;
  CControlUI* root = nullptr;
  CProgressUI* bar = nullptr;
  double build = 0, first = 0;
  std::vector<double> full, step;  // mean per frame of each round
  jf::TestXPushCount fullSent, stepSent;

  bool Make(LPCWSTR title) {
    hwnd = wnd.Create(nullptr, title, WS_POPUP | WS_VISIBLE, 0, 0, 0, 540, 434);
    if (hwnd == nullptr) return false;
    BenchWnd::Pump();
    auto t0 = Clock::now();
    CSkinBuilder builder;
    root = builder.Create(L"bench.xml", nullptr, nullptr, &wnd.manager);
    if (!root || !wnd.manager.AttachDialog(root)) {
      fprintf(stderr, "skin not built: %ls\n", builder.GetLastErrorMessage());
      return false;
    }
    auto t1 = Clock::now();
    ::InvalidateRect(hwnd, nullptr, FALSE);
    ::UpdateWindow(hwnd);
    jf::TestXPushes();
    build = Ms(t1 - t0);
    first = Ms(Clock::now() - t1);
    bar = static_cast<CProgressUI*>(wnd.manager.FindControl(L"bar"));
    return bar != nullptr;
  }
  // One round: full repaints, then steps of the progress bar between two values (the bar asks
  // for its own rectangle only). Each ends once the server shows the last frame.
  void Round(int frames) {
    jf::TestXPushCount a = jf::TestXPushes();
    auto t0 = Clock::now();
    for (int i = 0; i < frames; ++i) {
      ::InvalidateRect(hwnd, nullptr, FALSE);
      ::UpdateWindow(hwnd);
    }
    jf::TestXPushCount b = jf::TestXPushes();
    auto t1 = Clock::now();
    for (int i = 0; i < frames; ++i) {
      bar->SetValue(60 + (i & 1));
      ::UpdateWindow(hwnd);
    }
    jf::TestXPushCount c = jf::TestXPushes();
    auto t2 = Clock::now();
    bar->SetValue(60);
    ::UpdateWindow(hwnd);
    full.push_back(Ms(t1 - t0) / frames);
    step.push_back(Ms(t2 - t1) / frames);
    fullSent = Minus(b, a);
    stepSent = Minus(c, b);
  }
};

double Best(const std::vector<double>& v) { return v.empty() ? 0 : *std::min_element(v.begin(), v.end()); }
double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// An Xvfb of the benchmark's own on a free display number, connected to the layer.
class OwnXvfb {
 public:
  ~OwnXvfb() {
    jf::TestCloseDisplay();
    if (server_ > 0) {
      kill(server_, SIGTERM);
      waitpid(server_, nullptr, 0);
    }
  }
  bool Start() {
    if (access("/usr/bin/Xvfb", X_OK) != 0) return false;
    for (int number = 300 + int(getpid() % 200), attempt = 0; attempt < 20; ++attempt, ++number) {
      std::string lock = "/tmp/.X" + std::to_string(number) + "-lock";
      if (access(lock.c_str(), F_OK) == 0) continue;
      name_ = ":" + std::to_string(number);
      const char* argv[] = {"Xvfb", name_.c_str(), "-screen", "0", "1280x800x24", "-nolisten", "tcp", nullptr};
      if (posix_spawn(&server_, "/usr/bin/Xvfb", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) return false;
      for (int i = 0; i < 250 && waitpid(server_, nullptr, WNOHANG) == 0; ++i) {
        if (jf::TestUseDisplay(name_.c_str())) return true;
        usleep(20000);
      }
      kill(server_, SIGTERM);
      waitpid(server_, nullptr, 0);
      server_ = 0;
    }
    return false;
  }
  const std::string& Name() const { return name_; }

 private:
  pid_t server_ = 0;
  std::string name_;
};

void PrintSent(const char* what, const jf::TestXPushCount& sent, int frames) {
  if (sent.pushes == 0) return;
  printf("  sent per %s: %.1f rectangles, %.0f pixels (%s)\n", what, double(sent.rects) / frames,
         double(sent.pixels) / frames, sent.sharedMemory ? "shared memory" : "through the socket");
}

}  // namespace

int main(int argc, char** argv) {
  int frames = argc > 1 ? atoi(argv[1]) : 1000;
  int rounds = argc > 4 ? std::max(1, atoi(argv[4])) : 5;
  std::vector<std::pair<std::string, std::string>> files = {
      {"bg.png", Png(540, 434, Background)},
      {"btn.png", Png(40, 30, ButtonFace)},
      {"bar_bk.png", Png(20, 12, BarBack)},
      {"bar_fore.png", Png(20, 12, BarFore)},
      {"bench.xml", kSkin},
  };
  std::string zip = BuildArchive(files);
  BYTE* buffer = new BYTE[zip.size()];
  memcpy(buffer, zip.data(), zip.size());
  CWindowManagerUI::SetResourceZipBuffer(buffer, static_cast<DWORD>(zip.size()));
  CWindowManagerUI::SetResourceZipFromMemory();

  // The first build in a process also starts the font library; a second build shows the
  // cost of the skin itself.
  double coldBuild = 0;
  {
    BenchWnd cold(L"JfUiBench");
    HWND h = cold.Create(nullptr, L"cold", WS_POPUP | WS_VISIBLE, 0, 0, 0, 540, 434);
    BenchWnd::Pump();
    auto c0 = Clock::now();
    CSkinBuilder b;
    CControlUI* r = b.Create(L"bench.xml", nullptr, nullptr, &cold.manager);
    if (r) cold.manager.AttachDialog(r);
    coldBuild = Ms(Clock::now() - c0);
    ::UpdateWindow(h);
    DestroyWindow(h);
    BenchWnd::Pump();
  }
  Bench off;
  if (!off.Make(L"bench")) return 1;
  HDC dc = GetDC(off.hwnd);
  double richText = RichTextFigure(off.wnd.manager, frames);
  cairo_surface_t* window = jf::GetDcSurface(dc);
  if (window && argc > 2) cairo_surface_write_to_png(window, argv[2]);

  // The floor: the same images and texts with cairo and pango directly.
  std::vector<Piece> pieces;
  std::vector<Text> texts;
  Collect(off.root, pieces, texts);
  auto f0 = Clock::now();
  std::vector<std::pair<std::string, cairo_surface_t*>> images;
  for (auto& f : files)
    if (f.first.size() > 4 && f.first.substr(f.first.size() - 4) == ".png") images.push_back({f.first, Decode(f.second)});
  std::vector<PangoFontDescription*> fonts = {pango_font_description_from_string("WenQuanYi Micro Hei 14px"),
                                              pango_font_description_from_string("WenQuanYi Micro Hei Bold 22px")};
  pango_font_description_set_absolute_size(fonts[0], 14 * PANGO_SCALE);
  pango_font_description_set_absolute_size(fonts[1], 22 * PANGO_SCALE);
  cairo_surface_t* target = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 540, 434);
  cairo_surface_t* offscreen = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 540, 434);
  FloorFrame(target, offscreen, pieces, texts, images, fonts);
  double floorFirst = Ms(Clock::now() - f0);
  if (argc > 3) cairo_surface_write_to_png(target, argv[3]);

  // The same window on screen, on an Xvfb of its own (windows made from now on are X windows).
  OwnXvfb xvfb;
  Bench on;
  bool shown = xvfb.Start() && on.Make(L"bench on screen");

  // Rounds that take turns, so that a busy machine weighs on all alike; the best round of
  // each counts, the median beside it.
  std::vector<double> floors;
  for (int r = 0; r < rounds; ++r) {
    auto t0 = Clock::now();
    for (int i = 0; i < frames; ++i) FloorFrame(target, offscreen, pieces, texts, images, fonts);
    floors.push_back(Ms(Clock::now() - t0) / frames);
    off.Round(frames);
    if (shown) on.Round(frames);
  }
  double floor = Best(floors);
  auto ratio = [floor](double ms) { return floor > 0 ? ms / floor : 0.0; };
  printf("%d rounds of %d frames; best round (median)\n", rounds, frames);
  printf("skin load and build, cold:  %8.3f ms (first in the process: font library start)\n", coldBuild);
  printf("skin load and build:        %8.3f ms\n", off.build);
  printf("first layout and paint:     %8.3f ms\n", off.first);
  printf("mean full repaint:          %8.3f ms (%.3f)\n", Best(off.full), Median(off.full));
  printf("mean progress step:         %8.3f ms (%.3f)\n", Best(off.step), Median(off.step));
  printf("cairo floor, first frame:   %8.3f ms (decoding included)\n", floorFirst);
  printf("cairo floor, mean frame:    %8.3f ms (%.3f)\n", floor, Median(floors));
  printf("repaint / floor:            %8.2f\n", ratio(Best(off.full)));
  printf("rich text renderer (%d):  %8.3f ms per draw\n", frames, richText);
  printf("pieces %zu, texts %zu\n", pieces.size(), texts.size());
  if (shown) {
    printf("on screen (Xvfb %s; each round ends when the server shows its last frame):\n", xvfb.Name().c_str());
    printf("  first layout and paint:   %8.3f ms\n", on.first);
    printf("  mean full repaint:        %8.3f ms (%.3f), %.2f x the floor\n", Best(on.full), Median(on.full),
           ratio(Best(on.full)));
    PrintSent("full repaint", on.fullSent, frames);
    printf("  mean progress step:       %8.3f ms (%.3f), %.2f x the floor, %.3f of a full repaint\n", Best(on.step),
           Median(on.step), ratio(Best(on.step)), Best(on.full) > 0 ? Best(on.step) / Best(on.full) : 0.0);
    PrintSent("progress step", on.stepSent, frames);
    DestroyWindow(on.hwnd);
    BenchWnd::Pump();
  } else {
    printf("on screen: not measured (no Xvfb)\n");
  }

  for (auto& i : images) cairo_surface_destroy(i.second);
  for (auto* f : fonts) pango_font_description_free(f);
  cairo_surface_destroy(target);
  cairo_surface_destroy(offscreen);
  ReleaseDC(off.hwnd, dc);
  DestroyWindow(off.hwnd);
  CWindowManagerUI::CloseResourceZip();
  CWindowManagerUI::FreeResourceZipBuffer();
  return 0;
}
