#include "platform/src/user/DragSource.h"

namespace jf {

DragSource::DragSource(DWORD button) : button_(button) {}

HRESULT DragSource::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDropSource) {
    *ppv = static_cast<IDropSource*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG DragSource::AddRef() { return ++refs_; }

ULONG DragSource::Release() {
  const ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

HRESULT DragSource::QueryContinueDrag(BOOL fEscapePressed, DWORD grfKeyState) {
  if (fEscapePressed) return DRAGDROP_S_CANCEL;
  // The other button pressed as well cancels, as the system's drags do.
  const DWORD other = button_ == MK_LBUTTON ? MK_RBUTTON : MK_LBUTTON;
  if (grfKeyState & other) return DRAGDROP_S_CANCEL;
  if (!(grfKeyState & button_)) return DRAGDROP_S_DROP;
  return S_OK;
}

HRESULT DragSource::GiveFeedback(DWORD) { return DRAGDROP_S_USEDEFAULTCURSORS; }

}  // namespace jf
