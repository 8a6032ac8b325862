// Base of every GDI object behind an HGDIOBJ (pens, brushes, fonts, bitmaps, regions).
#pragma once
#include <memory>

#include <wingdi.h>

namespace jf {

class GdiObject {
 public:
  explicit GdiObject(DWORD type) : type_(type) {}
  virtual ~GdiObject() = default;
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  DWORD Type() const { return type_; }

 private:
  DWORD type_;
};

}  // namespace jf
