// Icons from the embedded resources: an .ico file (PNG or 32-bit entries) or a PNG under
// RT_GROUP_ICON or RT_ICON, decoded into a premultiplied ARGB surface.
#include <windows.h>

#include <cairo.h>

#include <cstring>
#include <mutex>
#include <set>
#include <vector>

#include "platform/src/display/DisplayIcons.h"
#include <windows/resources.h>
#include "platform/src/internal/errors.h"

namespace {

constexpr DWORD kErrorResourceNameNotFound = 1814;
constexpr DWORD kErrorInvalidIconHandle = 1402;

struct IconRecord {
  cairo_surface_t* surface;
};

std::mutex g_lock;
std::set<HICON>& Icons() {
  static auto* icons = new std::set<HICON>;
  return *icons;
}

uint32_t Le32(const unsigned char* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
uint16_t Le16(const unsigned char* p) { return uint16_t(p[0] | p[1] << 8); }

struct Reader {
  const unsigned char* data;
  size_t size;
  size_t at;
};

cairo_status_t ReadBytes(void* closure, unsigned char* out, unsigned int length) {
  auto* r = static_cast<Reader*>(closure);
  if (r->at + length > r->size) return CAIRO_STATUS_READ_ERROR;
  memcpy(out, r->data + r->at, length);
  r->at += length;
  return CAIRO_STATUS_SUCCESS;
}

bool IsPng(const unsigned char* data, size_t size) {
  static const unsigned char kSig[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  return size >= 8 && memcmp(data, kSig, 8) == 0;
}

cairo_surface_t* DecodePng(const unsigned char* data, size_t size) {
  Reader r{data, size, 0};
  cairo_surface_t* s = cairo_image_surface_create_from_png_stream(ReadBytes, &r);
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(s);
    return nullptr;
  }
  return s;
}

// A 32-bit icon image: BITMAPINFOHEADER, then bottom-up BGRA rows (the height counts the
// mask too).
cairo_surface_t* DecodeDib(const unsigned char* data, size_t size) {
  if (size < 40 || Le32(data) < 40) return nullptr;
  int width = int(int32_t(Le32(data + 4)));
  int height = int(int32_t(Le32(data + 8))) / 2;
  int bpp = Le16(data + 14);
  size_t header = Le32(data);
  if (bpp != 32 || width <= 0 || height <= 0 || width > 1024 || height > 1024) return nullptr;
  if (header + size_t(width) * size_t(height) * 4 > size) return nullptr;
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  unsigned char* out = cairo_image_surface_get_data(s);
  int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; y < height; ++y) {
    const unsigned char* row = data + header + size_t(height - 1 - y) * size_t(width) * 4;
    auto* dst = reinterpret_cast<uint32_t*>(out + y * stride);
    for (int x = 0; x < width; ++x) {
      uint32_t b = row[4 * x], g = row[4 * x + 1], r = row[4 * x + 2], a = row[4 * x + 3];
      dst[x] = a << 24 | (r * a / 255) << 16 | (g * a / 255) << 8 | (b * a / 255);
    }
  }
  cairo_surface_mark_dirty(s);
  return s;
}

// The entry of an .ico file closest to the asked size (the larger one on a tie).
cairo_surface_t* DecodeIco(const unsigned char* data, size_t size, int want) {
  if (size < 6 || Le16(data) != 0 || Le16(data + 2) != 1) return nullptr;
  int count = Le16(data + 4);
  int best = -1, bestDiff = 1 << 30;
  for (int i = 0; i < count && 6 + size_t(i + 1) * 16 <= size; ++i) {
    const unsigned char* e = data + 6 + i * 16;
    int w = e[0] == 0 ? 256 : e[0];
    int diff = std::abs(w - want) * 2 + (w < want ? 1 : 0);
    if (diff < bestDiff) {
      bestDiff = diff;
      best = i;
    }
  }
  if (best < 0) return nullptr;
  const unsigned char* e = data + 6 + best * 16;
  size_t length = Le32(e + 8), offset = Le32(e + 12);
  if (offset > size || length > size - offset) return nullptr;
  const unsigned char* image = data + offset;
  return IsPng(image, length) ? DecodePng(image, length) : DecodeDib(image, length);
}

cairo_surface_t* Scaled(cairo_surface_t* s, int cx, int cy) {
  int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
  if ((cx <= 0 || cx == w) && (cy <= 0 || cy == h)) return s;
  cx = cx > 0 ? cx : w;
  cy = cy > 0 ? cy : h;
  cairo_surface_t* out = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, cx, cy);
  cairo_t* cr = cairo_create(out);
  cairo_scale(cr, double(cx) / w, double(cy) / h);
  cairo_set_source_surface(cr, s, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
  cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);  // edges keep their colour
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_destroy(s);
  return out;
}

}  // namespace

namespace jf {

HICON LoadResourceIcon(HINSTANCE instance, LPCWSTR name, int cx, int cy) {
  HRSRC found = FindResourceW(instance, name, RT_GROUP_ICON);
  if (found == nullptr) found = FindResourceW(instance, name, RT_ICON);
  if (found == nullptr) {
    JF_SET_ERROR(Display, kErrorResourceNameNotFound);
    return nullptr;
  }
  auto data = static_cast<const unsigned char*>(LockResource(LoadResource(instance, found)));
  size_t size = SizeofResource(instance, found);
  int want = cx > 0 ? cx : GetSystemMetrics(SM_CXICON);
  cairo_surface_t* s = data == nullptr ? nullptr : IsPng(data, size) ? DecodePng(data, size) : DecodeIco(data, size, want);
  if (s == nullptr) {
    JF_SET_ERROR(Display, ERROR_INVALID_DATA);
    return nullptr;
  }
  auto* record = new IconRecord{Scaled(s, cx, cy)};
  HICON icon = reinterpret_cast<HICON>(record);
  std::lock_guard<std::mutex> guard(g_lock);
  Icons().insert(icon);
  return icon;
}

cairo_surface_t* IconSurface(HICON icon) {
  std::lock_guard<std::mutex> guard(g_lock);
  if (Icons().count(icon) == 0) return nullptr;
  return reinterpret_cast<IconRecord*>(icon)->surface;
}

bool DestroyResourceIcon(HICON icon) {
  IconRecord* record = nullptr;
  {
    std::lock_guard<std::mutex> guard(g_lock);
    if (Icons().erase(icon) == 0) {
      JF_SET_ERROR(Display, kErrorInvalidIconHandle);
      return false;
    }
    record = reinterpret_cast<IconRecord*>(icon);
  }
  cairo_surface_destroy(record->surface);
  delete record;
  return true;
}

}  // namespace jf
