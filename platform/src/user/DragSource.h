// The usual drop source: Escape cancels, releasing the button that started the drag drops,
// and the system shows its own cursors for the effect.
#pragma once
#include <ole2.h>

namespace jf {

class DragSource : public IDropSource {
 public:
  // `button` is MK_LBUTTON or MK_RBUTTON, whichever started the drag.
  explicit DragSource(DWORD button = MK_LBUTTON);
  DragSource(const DragSource&) = delete;
  DragSource& operator=(const DragSource&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL fEscapePressed, DWORD grfKeyState) override;
  HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD dwEffect) override;

 private:
  virtual ~DragSource() = default;

  ULONG refs_ = 1;
  DWORD button_;
};

}  // namespace jf
