// Drop targets registered for windows. Nothing drags between programs on this host, so a
// target is only kept (with its reference) until it is revoked.
#include <windows.h>
#include <ole2.h>

#include <map>
#include <mutex>

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
