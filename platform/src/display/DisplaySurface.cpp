// Backing stores of top-level windows and the DCs that draw into them: children draw into
// their top-level window's store inside their own rectangle, limited by their ancestors.
#include <windows.h>

#include <map>
#include <mutex>
#include <vector>

#include "platform/src/display/DisplayMetrics.h"
#include "platform/src/display/DisplayState.h"
#include "platform/src/display/x11/X11Bridge.h"
#include "platform/src/internal/gdisurface.h"
#include "platform/testing/hooks/testinput.h"

namespace {

using jf::WindowRecord;
using jf::WindowTable;

struct DcInfo {
  HWND hwnd = nullptr;
  bool wholeWindow = false;
  bool hasClip = false;
  RECT clip{};
  RECT reach{};  // what the DC may touch, in its top-level window's store coordinates
};

struct DcRegistry {
  std::mutex lock;
  std::map<HDC, DcInfo> dcs;
};

DcRegistry& Registry() {
  static DcRegistry* registry = new DcRegistry;
  return *registry;
}

cairo_surface_t* g_desktop = nullptr;  // guarded by the registry lock

// Where a DC of `hwnd` sits on its top-level window's store and what it may touch there.
struct Placement {
  cairo_surface_t* surface = nullptr;
  POINT origin{};
  RECT limit{};  // DC coordinates
};

bool PlaceLocked(WindowTable& table, HWND hwnd, const DcInfo& info, Placement* out) {
  auto rec = table.LookupLocked(hwnd);
  if (!rec) return false;
  auto root = table.LookupLocked(table.RootLocked(hwnd));
  if (!root) return false;
  out->surface = jf::SurfaceLocked(*root);
  if (out->surface == nullptr) return false;
  POINT base{root->windowRect.left, root->windowRect.top};
  RECT area{};
  if (info.wholeWindow) {
    area = jf::ScreenWindowRectLocked(table, *rec);
  } else {
    POINT o = jf::ClientOriginLocked(table, *rec);
    area = RECT{o.x, o.y, o.x + rec->clientRect.right - rec->clientRect.left, o.y + rec->clientRect.bottom - rec->clientRect.top};
  }
  out->origin = POINT{area.left - base.x, area.top - base.y};
  RECT visible = area;
  // Ancestors show children only inside their client areas.
  for (HWND p = rec->parent; p != nullptr;) {
    auto pr = table.LookupLocked(p);
    if (!pr) break;
    POINT o = jf::ClientOriginLocked(table, *pr);
    RECT client{o.x, o.y, o.x + pr->clientRect.right - pr->clientRect.left, o.y + pr->clientRect.bottom - pr->clientRect.top};
    visible = jf::RectIntersect(visible, client);
    p = pr->parent;
  }
  out->limit = RECT{visible.left - area.left, visible.top - area.top, visible.right - area.left, visible.bottom - area.top};
  if (info.hasClip) out->limit = jf::RectIntersect(out->limit, info.clip);
  return true;
}

RECT Reach(const Placement& place) {
  return RECT{place.origin.x + place.limit.left, place.origin.y + place.limit.top, place.origin.x + place.limit.right,
              place.origin.y + place.limit.bottom};
}

long long Area(const RECT& r) { return jf::RectEmpty(r) ? 0 : (long long)(r.right - r.left) * (r.bottom - r.top); }

// The rectangles, in the window's client coordinates, of the visible children it clips out
// (WS_CLIPCHILDREN) and of the visible siblings above it that it clips out (WS_CLIPSIBLINGS).
std::vector<RECT> CoveredLocked(WindowTable& table, HWND hwnd) {
  std::vector<RECT> out;
  auto rec = table.LookupLocked(hwnd);
  if (!rec) return out;
  if ((rec->style & WS_CLIPCHILDREN) != 0) {
    for (HWND child : rec->children) {
      auto c = table.LookupLocked(child);
      if (c && (c->style & WS_VISIBLE) != 0) out.push_back(c->windowRect);
    }
  }
  if ((rec->style & WS_CLIPSIBLINGS) != 0 && rec->parent != nullptr) {
    POINT origin{rec->clientRect.left, rec->clientRect.top};
    for (HWND sibling : table.SiblingsLocked(*rec)) {
      if (sibling == hwnd) break;  // the rest lie below
      auto s = table.LookupLocked(sibling);
      if (!s || (s->style & WS_VISIBLE) == 0) continue;
      out.push_back(RECT{s->windowRect.left - origin.x, s->windowRect.top - origin.y, s->windowRect.right - origin.x,
                         s->windowRect.bottom - origin.y});
    }
  }
  return out;
}

cairo_surface_t* DesktopSurface() {
  // Lock held by the caller.
  if (g_desktop == nullptr) {
    RECT screen = jf::ScreenRect();
    g_desktop = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, screen.right, screen.bottom);
  }
  return g_desktop;
}

}  // namespace

namespace jf {

cairo_surface_t* SurfaceLocked(WindowRecord& rec) {
  if (rec.parent != nullptr || rec.messageOnly) return nullptr;
  WindowDisplayState& ds = DisplayStateLocked(rec);
  int w = std::max<int>(1, rec.windowRect.right - rec.windowRect.left);
  int h = std::max<int>(1, rec.windowRect.bottom - rec.windowRect.top);
  if (ds.surface != nullptr && cairo_image_surface_get_width(ds.surface) == w &&
      cairo_image_surface_get_height(ds.surface) == h) {
    return ds.surface;
  }
  cairo_surface_t* fresh = X11SharedSurface(w, h);
  if (fresh == nullptr) fresh = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  if (cairo_surface_status(fresh) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(fresh);
    return ds.surface;
  }
  ds.damage.assign(1, RECT{0, 0, w, h});
  if (ds.surface != nullptr) {
    // What still fits is kept, as Windows keeps the bits of a resized window.
    cairo_t* cr = cairo_create(fresh);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, ds.surface, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_destroy(ds.surface);
  }
  ds.surface = fresh;
  return fresh;
}

void DamageLocked(WindowRecord& root, const RECT& rect) {
  WindowDisplayState& ds = DisplayStateLocked(root);
  RECT whole{0, 0, root.windowRect.right - root.windowRect.left, root.windowRect.bottom - root.windowRect.top};
  RECT part = RectIntersect(rect, whole);
  if (RectEmpty(part)) return;
  // Rectangles that overlap or touch closely become one, while the union costs no more
  // pixels than the two apart; too many separate ones become their bounding box.
  for (size_t i = 0; i < ds.damage.size();) {
    RECT joined = RectUnion(ds.damage[i], part);
    if (Area(joined) <= Area(ds.damage[i]) + Area(part)) {
      part = joined;
      ds.damage.erase(ds.damage.begin() + long(i));
      i = 0;
    } else {
      ++i;
    }
  }
  ds.damage.push_back(part);
  if (ds.damage.size() > 16) {
    RECT box{};
    for (const RECT& r : ds.damage) box = RectUnion(box, r);
    ds.damage.assign(1, box);
  }
}

HDC MakeWindowDc(HWND hwnd, bool wholeWindow, const RECT* clip) {
  DcInfo info{hwnd, wholeWindow, clip != nullptr, clip != nullptr ? *clip : RECT{}, RECT{}};
  Placement place;
  HDC hdc = nullptr;
  std::vector<RECT> covered;
  {
    WindowTable& table = WindowTable::Get();
    auto guard = table.Guard();
    if (!PlaceLocked(table, hwnd, info, &place)) return nullptr;
    // The DC holds its own reference, so a resize never pulls the surface from under it.
    hdc = CreateDcForSurface(place.surface, place.origin, &place.limit);
    if (hdc == nullptr) return nullptr;
    if (!wholeWindow) covered = CoveredLocked(table, hwnd);
    info.reach = Reach(place);
    DcRegistry& registry = Registry();
    std::lock_guard<std::mutex> regGuard(registry.lock);
    registry.dcs[hdc] = info;
  }
  if (!covered.empty()) {
    // WS_CLIPCHILDREN and WS_CLIPSIBLINGS: what the children and the siblings above show is
    // not drawn over.
    HRGN visible = CreateRectRgnIndirect(&place.limit);
    for (const RECT& r : covered) {
      HRGN cut = CreateRectRgnIndirect(&r);
      CombineRgn(visible, visible, cut, RGN_DIFF);
      DeleteObject(cut);
    }
    SelectClipRgn(hdc, visible);
    DeleteObject(visible);
  }
  return hdc;
}

bool DropWindowDc(HDC hdc) {
  DcInfo info;
  {
    DcRegistry& registry = Registry();
    std::lock_guard<std::mutex> guard(registry.lock);
    auto it = registry.dcs.find(hdc);
    if (it == registry.dcs.end()) return false;
    info = it->second;
    registry.dcs.erase(it);
  }
  DeleteDC(hdc);
  // Whatever the DC drew lies within its reach; that part goes to the screen with the next push.
  if (info.hwnd != nullptr && !RectEmpty(info.reach)) {
    WindowTable& table = WindowTable::Get();
    auto guard = table.Guard();
    if (auto root = table.LookupLocked(table.RootLocked(info.hwnd))) DamageLocked(*root, info.reach);
  }
  return true;
}

void RefreshWindowDcs(HWND root) {
  WindowTable& table = WindowTable::Get();
  auto guard = table.Guard();
  DcRegistry& registry = Registry();
  std::lock_guard<std::mutex> regGuard(registry.lock);
  for (auto& entry : registry.dcs) {
    if (table.RootLocked(entry.second.hwnd) != root) continue;
    Placement place;
    if (PlaceLocked(table, entry.second.hwnd, entry.second, &place)) {
      ResetDcSurface(entry.first, place.surface, place.origin, &place.limit);
      entry.second.reach = Reach(place);
    }
  }
}

bool TestWriteWindowPng(HWND hwnd, const std::string& hostPath) {
  WindowTable& table = WindowTable::Get();
  auto guard = table.Guard();
  auto rec = table.LookupLocked(table.RootLocked(hwnd));
  if (!rec) return false;
  cairo_surface_t* surface = SurfaceLocked(*rec);
  if (surface == nullptr) return false;
  cairo_surface_flush(surface);
  return cairo_surface_write_to_png(surface, hostPath.c_str()) == CAIRO_STATUS_SUCCESS;
}

bool TestWindowPixel(HWND hwnd, int x, int y, DWORD* argb) {
  WindowTable& table = WindowTable::Get();
  auto guard = table.Guard();
  auto rec = table.LookupLocked(hwnd);
  if (!rec) return false;
  auto root = table.LookupLocked(table.RootLocked(hwnd));
  if (!root) return false;
  cairo_surface_t* surface = SurfaceLocked(*root);
  if (surface == nullptr) return false;
  RECT win = ScreenWindowRectLocked(table, *rec);
  int sx = win.left - root->windowRect.left + x;
  int sy = win.top - root->windowRect.top + y;
  if (sx < 0 || sy < 0 || sx >= cairo_image_surface_get_width(surface) || sy >= cairo_image_surface_get_height(surface)) {
    return false;
  }
  cairo_surface_flush(surface);
  const unsigned char* row = cairo_image_surface_get_data(surface) + sy * cairo_image_surface_get_stride(surface);
  *argb = reinterpret_cast<const uint32_t*>(row)[sx];
  return true;
}

}  // namespace jf

HDC WINAPI GetDC(HWND hwnd) {
  if (hwnd == nullptr || hwnd == GetDesktopWindow()) {
    DcRegistry& registry = Registry();
    std::lock_guard<std::mutex> guard(registry.lock);
    HDC hdc = jf::CreateDcForSurface(DesktopSurface(), POINT{0, 0}, nullptr);
    if (hdc != nullptr) registry.dcs[hdc] = DcInfo{};
    return hdc;
  }
  return jf::MakeWindowDc(hwnd, false, nullptr);
}

HDC WINAPI GetWindowDC(HWND hwnd) {
  if (hwnd == nullptr) return GetDC(nullptr);
  return jf::MakeWindowDc(hwnd, true, nullptr);
}

int WINAPI ReleaseDC(HWND hwnd, HDC hdc) {
  (void)hwnd;
  return jf::DropWindowDc(hdc) ? 1 : 0;
}
