#include "platform/src/controls/TextDropTarget.h"

#include "platform/src/controls/TextServices.h"

namespace jf {

TextDropTarget::TextDropTarget(TextServices* services) : services_(services) {}

TextDropTarget::~TextDropTarget() { Forget(); }

void TextDropTarget::Detach() {
  Forget();
  services_ = nullptr;
}

void TextDropTarget::Forget() {
  if (data_) data_->Release();
  data_ = nullptr;
}

HRESULT TextDropTarget::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDropTarget) {
    *ppv = static_cast<IDropTarget*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG TextDropTarget::AddRef() { return ++refs_; }

ULONG TextDropTarget::Release() {
  const ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

void TextDropTarget::Over(DWORD keys, POINTL pt, DWORD* effect) {
  if (!services_ || !data_) {
    *effect = DROPEFFECT_NONE;
    return;
  }
  const LONG cp = services_->DropPoint(pt);
  *effect = services_->DropEffect(data_, cp, keys, *effect);
  services_->ShowDropPoint(*effect != DROPEFFECT_NONE ? cp : -1);
}

HRESULT TextDropTarget::DragEnter(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) {
  if (!pdwEffect) return E_INVALIDARG;
  Forget();
  data_ = pDataObj;
  if (data_) data_->AddRef();
  Over(grfKeyState, pt, pdwEffect);
  return S_OK;
}

HRESULT TextDropTarget::DragOver(DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) {
  if (!pdwEffect) return E_INVALIDARG;
  Over(grfKeyState, pt, pdwEffect);
  return S_OK;
}

HRESULT TextDropTarget::DragLeave() {
  Forget();
  if (services_) services_->ShowDropPoint(-1);
  return S_OK;
}

HRESULT TextDropTarget::Drop(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) {
  if (!pdwEffect) return E_INVALIDARG;
  Forget();
  if (!services_ || !pDataObj) {
    *pdwEffect = DROPEFFECT_NONE;
    return S_OK;
  }
  const TextServices::Hold hold(services_);
  const LONG cp = services_->DropPoint(pt);
  const DWORD effect = services_->DropEffect(pDataObj, cp, grfKeyState, *pdwEffect);
  services_->ShowDropPoint(-1);
  *pdwEffect = effect != DROPEFFECT_NONE ? services_->Drop(pDataObj, cp, effect) : DROPEFFECT_NONE;
  return S_OK;
}

}  // namespace jf
