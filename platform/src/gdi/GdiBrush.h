// A brush: solid or null.
#pragma once
#include "platform/src/gdi/GdiObject.h"

namespace jf {

class GdiBrush : public GdiObject {
 public:
  explicit GdiBrush(const LOGBRUSH& brush) : GdiObject(OBJ_BRUSH), brush_(brush) {}
  const LOGBRUSH& Log() const { return brush_; }
  bool IsNull() const { return brush_.lbStyle == BS_NULL; }

 private:
  LOGBRUSH brush_;
};

}  // namespace jf
