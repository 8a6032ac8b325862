#include "platform/src/gdi/GdiHandleTable.h"

#include <errhandlingapi.h>
#include <winerror.h>
#include "platform/src/internal/errors.h"

namespace jf {

namespace {

std::shared_ptr<GdiObject> SolidBrush(COLORREF c, UINT style = BS_SOLID) {
  return std::make_shared<GdiBrush>(LOGBRUSH{style, c, 0});
}

std::shared_ptr<GdiObject> Pen(int style, COLORREF c) {
  return std::make_shared<GdiPen>(LOGPEN{static_cast<UINT>(style), POINT{1, 0}, c});
}

LOGFONTW GuiFont() {
  LOGFONTW lf{};
  lf.lfHeight = -12;
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = GB2312_CHARSET;
  const wchar_t face[] = L"宋体";
  for (size_t i = 0; face[i]; ++i) lf.lfFaceName[i] = face[i];
  return lf;
}

}  // namespace

GdiHandleTable& GdiHandleTable::Instance() {
  // Lives to process exit: DCs and objects may be released from static destructors.
  static GdiHandleTable* table = new GdiHandleTable();
  return *table;
}

GdiHandleTable::GdiHandleTable() {
  std::lock_guard<std::mutex> lock(mutex_);
  stockHandles_[WHITE_BRUSH] = AddLocked(SolidBrush(RGB(255, 255, 255)), true);
  stockHandles_[LTGRAY_BRUSH] = AddLocked(SolidBrush(RGB(192, 192, 192)), true);
  stockHandles_[GRAY_BRUSH] = AddLocked(SolidBrush(RGB(128, 128, 128)), true);
  stockHandles_[DKGRAY_BRUSH] = AddLocked(SolidBrush(RGB(64, 64, 64)), true);
  stockHandles_[BLACK_BRUSH] = AddLocked(SolidBrush(RGB(0, 0, 0)), true);
  stockHandles_[NULL_BRUSH] = AddLocked(SolidBrush(0, BS_NULL), true);
  stockHandles_[WHITE_PEN] = AddLocked(Pen(PS_SOLID, RGB(255, 255, 255)), true);
  stockHandles_[BLACK_PEN] = AddLocked(Pen(PS_SOLID, RGB(0, 0, 0)), true);
  stockHandles_[NULL_PEN] = AddLocked(Pen(PS_NULL, 0), true);
  HGDIOBJ font = AddLocked(std::make_shared<FontObject>(GuiFont()), true);
  for (int i : {OEM_FIXED_FONT, ANSI_FIXED_FONT, ANSI_VAR_FONT, SYSTEM_FONT, DEVICE_DEFAULT_FONT, SYSTEM_FIXED_FONT,
                DEFAULT_GUI_FONT})
    stockHandles_[i] = font;
  stockHandles_[DC_BRUSH] = AddLocked(SolidBrush(RGB(255, 255, 255)), true);
  stockHandles_[DC_PEN] = AddLocked(Pen(PS_SOLID, RGB(0, 0, 0)), true);
  defaultBitmap_ = AddLocked(BitmapObject::Create(1, 1, false, false), true);
}

HGDIOBJ GdiHandleTable::AddLocked(std::shared_ptr<GdiObject> object, bool stock) {
  if (!object) return nullptr;
  const uintptr_t h = next_;
  next_ += 0x10;
  objects_[h] = std::move(object);
  if (stock) stock_[h] = true;
  return reinterpret_cast<HGDIOBJ>(h);
}

HGDIOBJ GdiHandleTable::Add(std::shared_ptr<GdiObject> object) {
  std::lock_guard<std::mutex> lock(mutex_);
  return AddLocked(std::move(object), false);
}

std::shared_ptr<GdiObject> GdiHandleTable::Lookup(HGDIOBJ handle) {
  uintptr_t h = reinterpret_cast<uintptr_t>(handle);
  if (h >= 1 && h <= 31) {
    handle = SysColorBrush(static_cast<int>(h) - 1);
    h = reinterpret_cast<uintptr_t>(handle);
  }
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = objects_.find(h);
  if (it == objects_.end()) {
    JF_SET_ERROR(Gdi, ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return it->second;
}

bool GdiHandleTable::Remove(HGDIOBJ handle) {
  std::shared_ptr<GdiObject> doomed;  // destroyed outside the lock
  std::lock_guard<std::mutex> lock(mutex_);
  const uintptr_t h = reinterpret_cast<uintptr_t>(handle);
  auto it = objects_.find(h);
  if (it == objects_.end()) return false;
  if (stock_.count(h)) return true;
  doomed = std::move(it->second);
  objects_.erase(it);
  return true;
}

bool GdiHandleTable::IsStock(HGDIOBJ handle) {
  std::lock_guard<std::mutex> lock(mutex_);
  return stock_.count(reinterpret_cast<uintptr_t>(handle)) != 0;
}

bool GdiHandleTable::IsSelected(const GdiObject* object) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const auto& entry : dcs_) {
    const DcState::Attributes& a = entry.second->attr;
    if (a.pen.get() == object || a.brush.get() == object || a.font.get() == object || a.bitmap.get() == object)
      return true;
  }
  return false;
}

HDC GdiHandleTable::AddDc(std::shared_ptr<DcState> dc) {
  std::lock_guard<std::mutex> lock(mutex_);
  const uintptr_t h = next_;
  next_ += 0x10;
  dcs_[h] = std::move(dc);
  return reinterpret_cast<HDC>(h);
}

std::shared_ptr<DcState> GdiHandleTable::LookupDc(HDC hdc) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = dcs_.find(reinterpret_cast<uintptr_t>(hdc));
  if (it == dcs_.end()) {
    JF_SET_ERROR(Gdi, ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return it->second;
}

bool GdiHandleTable::RemoveDc(HDC hdc) {
  std::shared_ptr<DcState> doomed;
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = dcs_.find(reinterpret_cast<uintptr_t>(hdc));
  if (it == dcs_.end()) return false;
  doomed = std::move(it->second);
  dcs_.erase(it);
  return true;
}

HGDIOBJ GdiHandleTable::Stock(int index) {
  if (index < 0 || index >= 20) return nullptr;
  return stockHandles_[index];
}

HGDIOBJ GdiHandleTable::SysColorBrush(int index) {
  if (index < 0 || index > 30) return nullptr;
  std::lock_guard<std::mutex> lock(mutex_);
  if (!sysBrushes_[index]) sysBrushes_[index] = AddLocked(SolidBrush(GetSysColor(index)), true);
  return sysBrushes_[index];
}

const GdiObject* GdiHandleTable::DcBrush() {
  std::lock_guard<std::mutex> lock(mutex_);
  return objects_[reinterpret_cast<uintptr_t>(stockHandles_[DC_BRUSH])].get();
}

const GdiObject* GdiHandleTable::DcPen() {
  std::lock_guard<std::mutex> lock(mutex_);
  return objects_[reinterpret_cast<uintptr_t>(stockHandles_[DC_PEN])].get();
}

}  // namespace jf
