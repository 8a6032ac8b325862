#include "ui/richedit/RichEditDropTarget.h"

#include <algorithm>

#include "ui/base/WindowManagerUI.h"
#include "ui/richedit/RichEditUI.h"
#include "ui/richedit/TxtWinHost.h"

namespace SkinUI {

std::map<HWND, CRichEditDropTarget*>& CRichEditDropTarget::Windows() {
  static auto* windows = new std::map<HWND, CRichEditDropTarget*>;
  return *windows;
}

bool CRichEditDropTarget::Join(HWND hwnd, CRichEditUI* edit) {
  auto it = Windows().find(hwnd);
  CRichEditDropTarget* target = it != Windows().end() ? it->second : nullptr;
  if (!target) {
    target = new CRichEditDropTarget(hwnd);
    const bool registered = RegisterDragDrop(hwnd, target) == S_OK;
    // From here on the registration alone keeps it.
    target->Release();
    if (!registered) return false;
  }
  if (std::find(target->m_edits.begin(), target->m_edits.end(), edit) == target->m_edits.end()) {
    target->m_edits.push_back(edit);
  }
  return true;
}

void CRichEditDropTarget::Leave(HWND hwnd, CRichEditUI* edit) {
  auto it = Windows().find(hwnd);
  if (it == Windows().end()) return;  // revoked meanwhile: nothing of ours is left there
  std::vector<CRichEditUI*>& edits = it->second->m_edits;
  edits.erase(std::remove(edits.begin(), edits.end(), edit), edits.end());
  if (!edits.empty()) return;
  // Unlisted first, so that a drag still holding it can no longer be joined.
  Windows().erase(it);
  RevokeDragDrop(hwnd);
}

CRichEditDropTarget::CRichEditDropTarget(HWND hwnd) : m_hwnd(hwnd) { Windows()[hwnd] = this; }

CRichEditDropTarget::~CRichEditDropTarget() {
  Forget();
  auto it = Windows().find(m_hwnd);
  if (it != Windows().end() && it->second == this) Windows().erase(it);
}

HRESULT CRichEditDropTarget::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDropTarget) {
    *ppv = static_cast<IDropTarget*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG CRichEditDropTarget::AddRef() { return ++m_refs; }

ULONG CRichEditDropTarget::Release() {
  const ULONG left = --m_refs;
  if (left == 0) delete this;
  return left;
}

IDropTarget* CRichEditDropTarget::TargetAt(POINTL pt) const {
  CWindowManagerUI* manager = nullptr;
  for (CRichEditUI* edit : m_edits) {
    if (edit->GetManager() && edit->GetManager()->GetPaintWindow() == m_hwnd) manager = edit->GetManager();
  }
  if (!manager) return nullptr;
  POINT client = {pt.x, pt.y};
  ScreenToClient(m_hwnd, &client);
  // The control under the point, or the edit that holds it (a scroll bar, a child).
  for (CControlUI* control = manager->FindControlAt(client); control; control = control->GetParent()) {
    auto it = std::find(m_edits.begin(), m_edits.end(), control);
    if (it == m_edits.end()) continue;
    CTxtWinHost* host = (*it)->GetTxtWinHost();
    IDropTarget* target = nullptr;
    if (!(*it)->IsEnabled() || !host || host->GetTextServices()->TxGetDropTarget(&target) != S_OK) return nullptr;
    return target;
  }
  return nullptr;
}

void CRichEditDropTarget::Over(IDropTarget* target, DWORD keys, POINTL pt, DWORD* effect) {
  const DWORD allowed = *effect;
  *effect = DROPEFFECT_NONE;
  if (target && target == m_current) {
    target->Release();
    *effect = allowed;
    if (FAILED(m_current->DragOver(keys, pt, effect))) *effect = DROPEFFECT_NONE;
    return;
  }
  LeaveCurrent();
  m_current = target;
  if (!m_current) return;
  *effect = allowed;
  if (FAILED(m_current->DragEnter(m_data, keys, pt, effect))) *effect = DROPEFFECT_NONE;
}

void CRichEditDropTarget::LeaveCurrent() {
  IDropTarget* current = m_current;
  m_current = nullptr;
  if (!current) return;
  current->DragLeave();
  current->Release();
}

void CRichEditDropTarget::Forget() {
  LeaveCurrent();
  if (m_data) m_data->Release();
  m_data = nullptr;
}

void CRichEditDropTarget::Hold(IDataObject* data) {
  Forget();
  m_data = data;
  if (m_data) m_data->AddRef();
}

HRESULT CRichEditDropTarget::DragEnter(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) {
  if (!pdwEffect) return E_INVALIDARG;
  Hold(pDataObj);
  Over(m_data ? TargetAt(pt) : nullptr, grfKeyState, pt, pdwEffect);
  return S_OK;
}

HRESULT CRichEditDropTarget::DragOver(DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) {
  if (!pdwEffect) return E_INVALIDARG;
  Over(m_data ? TargetAt(pt) : nullptr, grfKeyState, pt, pdwEffect);
  return S_OK;
}

HRESULT CRichEditDropTarget::DragLeave() {
  Forget();
  return S_OK;
}

HRESULT CRichEditDropTarget::Drop(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) {
  if (!pdwEffect) return E_INVALIDARG;
  // A handler of the drop may take the last edit, and the registration with it.
  AddRef();
  const DWORD allowed = *pdwEffect;
  if (pDataObj != m_data) Hold(pDataObj);
  IDropTarget* target = m_data ? TargetAt(pt) : nullptr;
  const bool entered = target != m_current;
  if (entered) {
    Over(target, grfKeyState, pt, pdwEffect);
  } else if (target) {
    target->Release();
  }
  IDropTarget* current = m_current;
  m_current = nullptr;
  if (current && (!entered || *pdwEffect != DROPEFFECT_NONE)) {
    *pdwEffect = allowed;
    if (FAILED(current->Drop(m_data, grfKeyState, pt, pdwEffect))) *pdwEffect = DROPEFFECT_NONE;
  } else {
    if (current) current->DragLeave();
    *pdwEffect = DROPEFFECT_NONE;
  }
  if (current) current->Release();
  Forget();
  Release();
  return S_OK;
}

}  // namespace SkinUI
