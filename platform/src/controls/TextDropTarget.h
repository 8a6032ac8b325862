// The text services' drop target (TxGetDropTarget): text dragged over the control shows
// where it would go, and a drop puts it there; a file list goes to the host as EN_DROPFILES.
// The services own one and detach it when they go, so a window that still has it registered
// only gets "no drop" from then on.
#pragma once
#include <ole2.h>

namespace jf {

class TextServices;

class TextDropTarget : public IDropTarget {
 public:
  explicit TextDropTarget(TextServices* services);
  TextDropTarget(const TextDropTarget&) = delete;
  TextDropTarget& operator=(const TextDropTarget&) = delete;

  void Detach();

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) override;
  HRESULT STDMETHODCALLTYPE DragOver(DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) override;
  HRESULT STDMETHODCALLTYPE DragLeave() override;
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) override;

 private:
  virtual ~TextDropTarget();
  void Over(DWORD keys, POINTL pt, DWORD* effect);
  void Forget();

  ULONG refs_ = 1;
  TextServices* services_;  // not counted; null once the services are gone
  IDataObject* data_ = nullptr;  // counted while a drag is over the control
};

}  // namespace jf
