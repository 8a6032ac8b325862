#include "platform/src/display/x11/XdndSource.h"

namespace jf {

bool XdndSource::Begin(HWND, IDataObject*, DWORD) { return false; }
bool XdndSource::Over(POINT, DWORD, DWORD, DWORD* effect) {
  *effect = DROPEFFECT_NONE;
  return false;
}
void XdndSource::Leave() {}
DWORD XdndSource::Drop() { return DROPEFFECT_NONE; }
void XdndSource::End() {}

}  // namespace jf
