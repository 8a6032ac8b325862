#include "ui/control/DateTimeUI.h"

#include <cwchar>

#include "ui/control/DateTimeWnd.h"
#include "ui/control/NativeOverlay.h"
#include "ui/base/WindowManagerUI.h"

namespace SkinUI {

CDateTimeUI::CDateTimeUI() {
  ::GetLocalTime(&m_sysTime);
  m_updateFlag = kUpdate;
  UpdateText();
  m_updateFlag = kUpdateNone;
}

CDateTimeUI::~CDateTimeUI() { DestroyDetached(m_window); }

LPCWSTR CDateTimeUI::GetClass() const { return L"DateTimeUI"; }

LPVOID CDateTimeUI::GetInterface(LPCWSTR name) {
  if (name && wcscmp(name, L"DateTime") == 0) return static_cast<CDateTimeUI*>(this);
  return CLabelUI::GetInterface(name);
}

HWND CDateTimeUI::GetNativeWindow() const { return m_window != nullptr ? m_window->GetHWND() : nullptr; }

void CDateTimeUI::SetTime(const SYSTEMTIME& time) {
  m_sysTime = time;
  m_updateFlag = kUpdate;
  UpdateText();
  m_updateFlag = kUpdateNone;
}

void CDateTimeUI::UpdateText() {
  if (m_updateFlag == kDelete) {
    SetText(L"");
  } else if (m_updateFlag == kUpdate) {
    CUIString text;
    text.SmallFormat(L"%4d-%02d-%02d", m_sysTime.wYear, m_sysTime.wMonth, m_sysTime.wDay);
    SetText(text);
  }
}

void CDateTimeUI::OpenPicker() {
  if (m_window == nullptr) m_window = new CDateTimeWnd();
  m_window->Init(this);
  if (m_window->GetHWND() == nullptr) {
    delete m_window;  // no window could be made: nothing else will delete it
    m_window = nullptr;
    return;
  }
  m_window->ShowWindow();
}

void CDateTimeUI::DoEvent(UIEventRecord& event) {
  if (PassPointerEvent(event)) return;
  bool openNow = false;
  if (OverlayEvent(event, m_window != nullptr, &openNow)) return;
  if (openNow) OpenPicker();
  switch (event.type) {
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
    case UIEVENT_RBUTTONDOWN:
      if (IsEnabled()) {
        if (m_manager) m_manager->ReleaseCapture();
        if (IsFocused() || m_window != nullptr) OpenPicker();
      }
      return;
    case UIEVENT_MOUSEMOVE:
    case UIEVENT_BUTTONUP:
    case UIEVENT_CONTEXTMENU:
    case UIEVENT_MOUSEENTER:
    case UIEVENT_MOUSELEAVE:
      return;
    default:
      break;
  }
  CLabelUI::DoEvent(event);
}

}  // namespace SkinUI
