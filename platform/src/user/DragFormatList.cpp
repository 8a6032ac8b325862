#include "platform/src/user/DragFormatList.h"

#include <utility>

namespace jf {

DragFormatList::DragFormatList(std::vector<FORMATETC> formats, size_t next) : formats_(std::move(formats)), next_(next) {}

HRESULT DragFormatList::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IEnumFORMATETC) {
    *ppv = static_cast<IEnumFORMATETC*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG DragFormatList::AddRef() { return ++refs_; }

ULONG DragFormatList::Release() {
  const ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

HRESULT DragFormatList::Next(ULONG celt, FORMATETC* rgelt, ULONG* pceltFetched) {
  if (!rgelt || (celt > 1 && !pceltFetched)) return E_INVALIDARG;
  ULONG n = 0;
  while (n < celt && next_ < formats_.size()) rgelt[n++] = formats_[next_++];
  if (pceltFetched) *pceltFetched = n;
  return n == celt ? S_OK : S_FALSE;
}

HRESULT DragFormatList::Skip(ULONG celt) {
  next_ += celt;
  if (next_ <= formats_.size()) return S_OK;
  next_ = formats_.size();
  return S_FALSE;
}

HRESULT DragFormatList::Reset() {
  next_ = 0;
  return S_OK;
}

HRESULT DragFormatList::Clone(IEnumFORMATETC** ppenum) {
  if (!ppenum) return E_POINTER;
  *ppenum = new DragFormatList(formats_, next_);
  return S_OK;
}

}  // namespace jf
