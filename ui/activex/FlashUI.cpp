#include "ui/activex/FlashUI.h"

#include <cwchar>

#include "ui/base/WindowManagerUI.h"

namespace SkinUI {

namespace {

constexpr wchar_t kFlashClass[] = L"{D27CDB6E-AE6D-11CF-96B8-444553540000}";
constexpr DISPID kReadyStateChange = -609;
constexpr DISPID kOnProgress = 1958;
constexpr DISPID kFSCommand = 150;
constexpr DISPID kFlashCall = 197;

// A reference-counted copy of a variant's text for the length of one call.
class TextCopy {
 public:
  explicit TextCopy(BSTR text) : copy_(text ? SysAllocStringLen(text, SysStringLen(text)) : nullptr) {}
  ~TextCopy() { SysFreeString(copy_); }
  TextCopy(const TextCopy&) = delete;
  TextCopy& operator=(const TextCopy&) = delete;
  BSTR Get() const { return copy_; }
  bool Failed(BSTR source) const { return source && !copy_; }

 private:
  BSTR copy_;
};

}  // namespace

CFlashUI::CFlashUI() {
  wchar_t buffer[100] = {};
  wcsncpy(buffer, kFlashClass, 99);
  CLSIDFromString(buffer, &m_clsid);
}

CFlashUI::~CFlashUI() {
  if (m_handler) m_handler->Release();
  m_handler = nullptr;
  CFlashUI::ReleaseControl();
}

LPCWSTR CFlashUI::GetClass() const { return L"Flash"; }

LPVOID CFlashUI::GetInterface(LPCWSTR name) {
  if (name && wcscmp(name, L"Flash") == 0) return static_cast<CFlashUI*>(this);
  return CActiveXUI::GetInterface(name);
}

void CFlashUI::SetAttribute(LPCWSTR name, LPCWSTR value) {
  if (wcscmp(name, L"homepage") == 0 || wcscmp(name, L"autonavi") == 0) return;
  CActiveXUI::SetAttribute(name, value);
}

void CFlashUI::SetFlashEventHandler(CFlashEventHandler* handler) {
  if (handler) handler->AddRef();
  if (m_handler) m_handler->Release();
  m_handler = handler;
}

bool CFlashUI::DoCreateControl() {
  if (!CActiveXUI::DoCreateControl()) return false;
  GetControl(ShockwaveFlashObjects::IID_IShockwaveFlash, reinterpret_cast<void**>(&m_flash));
  RegisterEventHandler(true);
  return true;
}

void CFlashUI::ReleaseControl() {
  RegisterEventHandler(false);
  if (m_flash) m_flash->Release();
  m_flash = nullptr;
  // The host's release too, so a re-creation does not leak the object, its site and window.
  CActiveXUI::ReleaseControl();
}

HRESULT CFlashUI::RegisterEventHandler(bool advise) {
  if (!m_flash) return S_FALSE;
  IConnectionPointContainer* container = nullptr;
  HRESULT hr = m_flash->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container));
  if (FAILED(hr) || !container) return FAILED(hr) ? hr : E_NOINTERFACE;
  IConnectionPoint* point = nullptr;
  hr = container->FindConnectionPoint(ShockwaveFlashObjects::DIID__IShockwaveFlashEvents, &point);
  if (SUCCEEDED(hr) && point) {
    if (advise) {
      hr = point->Advise(static_cast<IDispatch*>(this), &m_cookie);
    } else {
      hr = point->Unadvise(m_cookie);
      m_cookie = 0;
    }
    point->Release();
  }
  container->Release();
  return hr;
}

// ---- The event sink ----

HRESULT CFlashUI::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDispatch || riid == ShockwaveFlashObjects::DIID__IShockwaveFlashEvents) {
    *ppv = static_cast<ShockwaveFlashObjects::_IShockwaveFlashEvents*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

// The control owns its lifetime; the count only answers the callers.
ULONG CFlashUI::AddRef() { return ULONG(InterlockedIncrement(&m_refs)); }
ULONG CFlashUI::Release() { return ULONG(InterlockedDecrement(&m_refs)); }

HRESULT CFlashUI::GetTypeInfoCount(UINT*) { return E_NOTIMPL; }
HRESULT CFlashUI::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }
HRESULT CFlashUI::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

HRESULT CFlashUI::Invoke(DISPID dispIdMember, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) {
  // The object calls from its own loop: a frame holds this control and its window until the
  // call has returned; a window that is gone hears nothing more.
  CWindowWnd::DispatchScope frame;
  if (m_manager && m_manager->IsWindowGone()) return S_OK;
  // Arguments are checked before they are read: a malformed event answers an error.
  const UINT count = params && params->rgvarg ? params->cArgs : 0;
  switch (dispIdMember) {
    case kReadyStateChange:
      if (count != 1) return DISP_E_BADPARAMCOUNT;
      if (params->rgvarg[0].vt != VT_I4) return DISP_E_TYPEMISMATCH;
      return m_handler ? m_handler->OnReadyStateChange(params->rgvarg[0].lVal) : S_OK;
    case kOnProgress:
      if (count != 1) return DISP_E_BADPARAMCOUNT;
      if (params->rgvarg[0].vt == VT_I4) return m_handler ? m_handler->OnProgress(params->rgvarg[0].lVal) : S_OK;
      if (params->rgvarg[0].vt != (VT_I4 | VT_BYREF) || !params->rgvarg[0].plVal) return DISP_E_TYPEMISMATCH;
      return m_handler ? m_handler->OnProgress(*params->rgvarg[0].plVal) : S_OK;
    case kFSCommand: {
      if (count != 2) return DISP_E_BADPARAMCOUNT;
      if (params->rgvarg[0].vt != VT_BSTR || params->rgvarg[1].vt != VT_BSTR) return DISP_E_TYPEMISMATCH;
      if (!m_handler) return S_OK;
      TextCopy command(params->rgvarg[1].bstrVal), args(params->rgvarg[0].bstrVal);
      if (command.Failed(params->rgvarg[1].bstrVal) || args.Failed(params->rgvarg[0].bstrVal)) return E_OUTOFMEMORY;
      return m_handler->FSCommand(command.Get(), args.Get());
    }
    case kFlashCall: {
      if (count != 1 || params->rgvarg[0].vt != VT_BSTR) return E_INVALIDARG;
      if (!m_handler) return S_OK;
      TextCopy request(params->rgvarg[0].bstrVal);
      if (request.Failed(params->rgvarg[0].bstrVal)) return E_OUTOFMEMORY;
      return m_handler->FlashCall(request.Get());
    }
    default:
      return S_OK;
  }
}

HRESULT CFlashUI::TranslateAccelerator(MSG* msg) {
  if (!msg || msg->message < WM_KEYFIRST || msg->message > 0x0109) return S_FALSE;
  if (!m_flash) return E_NOTIMPL;
  HWND focus = ::GetFocus();
  while (focus && focus != m_hostWindow) focus = ::GetParent(focus);
  if (!focus) return S_FALSE;
  IOleInPlaceActiveObject* active = nullptr;
  if (FAILED(m_flash->QueryInterface(IID_IOleInPlaceActiveObject, reinterpret_cast<void**>(&active))) || !active)
    return S_FALSE;
  HRESULT hr = active->TranslateAccelerator(msg);
  active->Release();
  return hr;
}

}  // namespace SkinUI
