#include "ui/render/SkinClip.h"

namespace SkinUI {

CSkinClip::~CSkinClip() {
  if (hDC) SelectClipRgn(hDC, hOldRgn);
  if (hOldRgn) DeleteObject(hOldRgn);
  if (hRgn) DeleteObject(hRgn);
}

void CSkinClip::ClipToRect(HDC hdc, RECT rc, CSkinClip& clip) {
  RECT box = {0, 0, 0, 0};
  GetClipBox(hdc, &box);
  clip.hOldRgn = CreateRectRgnIndirect(&box);
  clip.hRgn = CreateRectRgnIndirect(&rc);
  ExtSelectClipRgn(hdc, clip.hRgn, RGN_AND);
  clip.hDC = hdc;
  clip.rcItem = rc;
}

void CSkinClip::ClipToRoundRect(HDC hdc, RECT rc, RECT rcItem, int width, int height, CSkinClip& clip) {
  RECT box = {0, 0, 0, 0};
  GetClipBox(hdc, &box);
  clip.hOldRgn = CreateRectRgnIndirect(&box);
  clip.hRgn = CreateRectRgnIndirect(&rc);
  HRGN round = CreateRoundRectRgn(rcItem.left, rcItem.top, rcItem.right + 1, rcItem.bottom + 1, width, height);
  CombineRgn(clip.hRgn, clip.hRgn, round, RGN_AND);
  ExtSelectClipRgn(hdc, clip.hRgn, RGN_AND);
  clip.hDC = hdc;
  clip.rcItem = rc;
  DeleteObject(round);
}

void CSkinClip::UseOldClipBegin(HDC hdc, CSkinClip& clip) { SelectClipRgn(hdc, clip.hOldRgn); }

void CSkinClip::UseOldClipEnd(HDC hdc, CSkinClip& clip) { SelectClipRgn(hdc, clip.hRgn); }

}  // namespace SkinUI
