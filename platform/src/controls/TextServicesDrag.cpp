// The text services' drag and drop: the selection dragged out (moved, or copied with Ctrl),
// and text or files dropped in through the drop target.
#include <richedit.h>

#include <cstdlib>

#include "platform/src/controls/TextDropTarget.h"
#include "platform/src/controls/TextServices.h"
#include "platform/src/user/UserArea.h"

namespace jf {

HRESULT TextServices::TxGetDropTarget(IDropTarget** ppDropTarget) {
  if (!ppDropTarget) return E_INVALIDARG;
  if (!dropTarget_) dropTarget_ = new TextDropTarget(this);
  dropTarget_->AddRef();
  *ppDropTarget = dropTarget_;
  return S_OK;
}

bool TextServices::ArmDrag(LONG cp, LPARAM lparam) {
  if (SelMin() == SelMax() || cp < SelMin() || cp >= SelMax() || Has(TXTBIT_USEPASSWORD)) return false;
  dragArmed_ = true;
  dragFrom_ = POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  host_->TxSetCapture(TRUE);
  return true;
}

bool TextServices::DragMove(LPARAM lparam) {
  if (!dragArmed_) return false;
  if (std::abs(GET_X_LPARAM(lparam) - dragFrom_.x) > GetSystemMetrics(SM_CXDRAG) ||
      std::abs(GET_Y_LPARAM(lparam) - dragFrom_.y) > GetSystemMetrics(SM_CYDRAG)) {
    dragArmed_ = false;
    host_->TxSetCapture(FALSE);
    StartDrag();
  }
  return true;
}

bool TextServices::DragRelease(LPARAM lparam) {
  if (!dragArmed_) return false;
  // A click in the selection that never became a drag places the caret there.
  dragArmed_ = false;
  host_->TxSetCapture(FALSE);
  const LONG cp = CpAt(GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam));
  SetSel(cp, cp);
  return true;
}

void TextServices::StartDrag() {
  auto* data = new DragData;
  data->SetText(WithCrLf(text_.substr(size_t(SelMin()), size_t(SelMax() - SelMin()))));
  auto* source = new DragSource(MK_LBUTTON);
  dragSource_ = true;
  dragMin_ = SelMin();
  dragMax_ = SelMax();
  droppedInside_ = false;
  const DWORD allowed = DROPEFFECT_COPY | (Has(TXTBIT_READONLY) ? 0 : DROPEFFECT_MOVE);
  DWORD effect = DROPEFFECT_NONE;
  const HRESULT hr = DoDragDrop(data, source, allowed, &effect);
  dragSource_ = false;
  data->Release();
  source->Release();
  if (hr != DRAGDROP_S_DROP) return;
  if (effect == DROPEFFECT_MOVE && !droppedInside_) {
    // Moved to another window or program: the text leaves here.
    SetSel(dragMin_, dragMax_);
    Replace(L"", true);
  }
  DragDropDone();
}

void TextServices::DragDropDone() {
  if (!(eventMask_ & ENM_DRAGDROPDONE)) return;
  NMHDR nm = {};
  nm.code = EN_DRAGDROPDONE;
  host_->TxNotify(EN_DRAGDROPDONE, &nm);
}

DWORD TextServices::DropEffect(IDataObject* data, LONG cp, DWORD keys, DWORD allowed) const {
  if (cp < 0 || Has(TXTBIT_READONLY)) return DROPEFFECT_NONE;
  if (dragSource_ && cp > dragMin_ && cp < dragMax_) return DROPEFFECT_NONE;  // onto itself
  if (!DragData::Offers(data, CF_UNICODETEXT) && !DragData::Offers(data, CF_TEXT)) {
    const bool files = DragData::Offers(data, CF_HDROP) && (eventMask_ & ENM_DROPFILES);
    return files ? allowed & DROPEFFECT_COPY : DROPEFFECT_NONE;
  }
  if ((keys & MK_CONTROL) && (allowed & DROPEFFECT_COPY)) return DROPEFFECT_COPY;
  if (allowed & DROPEFFECT_MOVE) return DROPEFFECT_MOVE;
  return allowed & DROPEFFECT_COPY;
}

LONG TextServices::DropPoint(POINTL screen) {
  POINT pt = {screen.x, screen.y};
  host_->TxScreenToClient(&pt);
  // The window may be shared with other controls: a point outside the text is not ours.
  RECT client = client_;
  if (host_->TxGetClientRect(&client) != S_OK) client = client_;
  if (!PtInRect(&client, pt)) return -1;
  return CpAt(pt.x, pt.y);
}

void TextServices::ShowDropPoint(LONG cp) {
  if (cp < 0) {
    PlaceCaret();
    return;
  }
  const POINT at = PosOf(cp);
  host_->TxSetCaretPos(at.x, at.y);
}

DWORD TextServices::Drop(IDataObject* data, LONG cp, DWORD effect) {
  std::wstring text;
  if (!DragData::TextOf(data, &text)) {
    // A file list is the host's to take.
    FORMATETC fe = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    if (data->GetData(&fe, &medium) != S_OK) return DROPEFFECT_NONE;
    ENDROPFILES df = {};
    df.nmhdr.code = EN_DROPFILES;
    df.hDrop = medium.hGlobal;
    df.cp = cp;
    df.fProtected = FALSE;
    host_->TxNotify(EN_DROPFILES, &df);
    ReleaseStgMedium(&medium);
    if (!dragSource_) DragDropDone();
    return effect;
  }
  // Taking the dragged text out and putting it in is one step for undo.
  const Snapshot before{text_, formats_, anchor_, caret_};
  if (dragSource_ && effect == DROPEFFECT_MOVE) {
    anchor_ = dragMin_;
    caret_ = dragMax_;
    Replace(L"", false);
    if (cp >= dragMax_) cp -= dragMax_ - dragMin_;
    droppedInside_ = true;
  }
  anchor_ = caret_ = cp;
  ReplaceSelection(text.c_str(), false);
  const LONG end = caret_;
  undo_ = before;
  canUndo_ = true;
  canRedo_ = false;
  typing_ = false;
  SetSel(cp, end);
  ScrollCaretIntoView();
  if (!dragSource_) DragDropDone();
  return effect;
}

}  // namespace jf
