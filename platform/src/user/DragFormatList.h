// The formats a data object offers, handed out one by one (IEnumFORMATETC).
#pragma once
#include <ole2.h>

#include <vector>

namespace jf {

class DragFormatList : public IEnumFORMATETC {
 public:
  explicit DragFormatList(std::vector<FORMATETC> formats, size_t next = 0);
  DragFormatList(const DragFormatList&) = delete;
  DragFormatList& operator=(const DragFormatList&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE Next(ULONG celt, FORMATETC* rgelt, ULONG* pceltFetched) override;
  HRESULT STDMETHODCALLTYPE Skip(ULONG celt) override;
  HRESULT STDMETHODCALLTYPE Reset() override;
  HRESULT STDMETHODCALLTYPE Clone(IEnumFORMATETC** ppenum) override;

 private:
  virtual ~DragFormatList() = default;

  ULONG refs_ = 1;
  std::vector<FORMATETC> formats_;
  size_t next_;
};

}  // namespace jf
