// What a Flash control tells whoever listens to it; the texts are the control's copies, valid
// during the call.
#pragma once
#include <windows.h>
#include <oleauto.h>

namespace SkinUI {

class CFlashEventHandler {
 public:
  virtual ULONG Release() = 0;
  virtual ULONG AddRef() = 0;
  virtual HRESULT OnReadyStateChange(long newState) = 0;
  virtual HRESULT OnProgress(long percentDone) = 0;
  virtual HRESULT FSCommand(BSTR command, BSTR args) = 0;
  virtual HRESULT FlashCall(BSTR request) = 0;

 protected:
  ~CFlashEventHandler() = default;
};

}  // namespace SkinUI
