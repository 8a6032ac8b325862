// Drop targets registered for windows, each kept with its reference until it is revoked; the
// drag loop of the display half finds them under the pointer.
#include <windows.h>
#include <ole2.h>

#include <map>
#include <mutex>

#include "platform/src/user/DropRelay.h"
#include "platform/src/user/UserArea.h"

namespace {

std::mutex g_lock;
std::map<HWND, IDropTarget*>& Targets() {
  static auto* targets = new std::map<HWND, IDropTarget*>;
  return *targets;
}

}  // namespace

HRESULT RegisterDragDrop(HWND hwnd, LPDROPTARGET target) {
  if (!target) return E_INVALIDARG;
  if (!IsWindow(hwnd)) return DRAGDROP_E_INVALIDHWND;
  std::lock_guard<std::mutex> guard(g_lock);
  if (Targets().count(hwnd)) return DRAGDROP_E_ALREADYREGISTERED;
  target->AddRef();
  Targets()[hwnd] = target;
  jf::DropRelay::EnsureForThisThread();
  return S_OK;
}

HRESULT RevokeDragDrop(HWND hwnd) {
  IDropTarget* target = nullptr;
  {
    std::lock_guard<std::mutex> guard(g_lock);
    auto it = Targets().find(hwnd);
    if (it == Targets().end()) return IsWindow(hwnd) ? DRAGDROP_E_NOTREGISTERED : DRAGDROP_E_INVALIDHWND;
    target = it->second;
    Targets().erase(it);
  }
  target->Release();
  return S_OK;
}

void ReleaseStgMedium(LPSTGMEDIUM pmedium) {
  if (!pmedium) return;
  if (pmedium->pUnkForRelease) {
    pmedium->pUnkForRelease->Release();
  } else if (pmedium->tymed == TYMED_HGLOBAL && pmedium->hGlobal) {
    GlobalFree(pmedium->hGlobal);
  } else if (pmedium->tymed == TYMED_FILE && pmedium->lpszFileName) {
    CoTaskMemFree(pmedium->lpszFileName);
  }
  pmedium->tymed = TYMED_NULL;
  pmedium->hGlobal = nullptr;
  pmedium->pUnkForRelease = nullptr;
}

namespace jf {

IDropTarget* DropTargetOf(HWND hwnd, HWND* registered) {
  for (int depth = 0; hwnd && depth < 64; ++depth) {
    {
      std::lock_guard<std::mutex> guard(g_lock);
      auto it = Targets().find(hwnd);
      if (it != Targets().end()) {
        it->second->AddRef();
        if (registered) *registered = hwnd;
        return it->second;
      }
    }
    if ((GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD) == 0) break;
    hwnd = GetParent(hwnd);
  }
  return nullptr;
}

}  // namespace jf
