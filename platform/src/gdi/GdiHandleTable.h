// The process's table of GDI handles: objects and device contexts, stock objects included.
// Handle values are never reused.
#pragma once
#include <map>
#include <memory>
#include <mutex>

#include "platform/src/gdi/DcState.h"
#include "platform/src/gdi/GdiObject.h"

namespace jf {

class GdiHandleTable {
 public:
  static GdiHandleTable& Instance();

  HGDIOBJ Add(std::shared_ptr<GdiObject> object);
  // The object, or null (ERROR_INVALID_HANDLE) for an unknown handle. Values 1..31 are the
  // system colour brushes (COLOR_x + 1), as brush arguments may be on Windows.
  std::shared_ptr<GdiObject> Lookup(HGDIOBJ handle);
  template <class T>
  std::shared_ptr<T> LookupAs(HGDIOBJ handle) {
    return std::dynamic_pointer_cast<T>(Lookup(handle));
  }
  // Removes a handle; stock objects stay. False for an unknown handle.
  bool Remove(HGDIOBJ handle);
  bool IsStock(HGDIOBJ handle);
  // True when a DC has the object selected now.
  bool IsSelected(const GdiObject* object);

  HDC AddDc(std::shared_ptr<DcState> dc);
  std::shared_ptr<DcState> LookupDc(HDC hdc);
  bool RemoveDc(HDC hdc);

  HGDIOBJ Stock(int index);
  HGDIOBJ DefaultBitmap() { return defaultBitmap_; }
  HGDIOBJ SysColorBrush(int index);
  const GdiObject* DcBrush();
  const GdiObject* DcPen();

 private:
  GdiHandleTable();
  HGDIOBJ AddLocked(std::shared_ptr<GdiObject> object, bool stock);
  std::mutex mutex_;
  uintptr_t next_ = 0x00F00010;
  std::map<uintptr_t, std::shared_ptr<GdiObject>> objects_;
  std::map<uintptr_t, bool> stock_;
  std::map<uintptr_t, std::shared_ptr<DcState>> dcs_;
  HGDIOBJ stockHandles_[20] = {};
  HGDIOBJ sysBrushes_[31] = {};
  HGDIOBJ defaultBitmap_ = nullptr;
};

}  // namespace jf
