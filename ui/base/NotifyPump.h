// Maps notifications to handler methods through static tables, and forwards a notification
// to a named virtual window before handling it itself.
#pragma once
#include <windows.h>

#include "ui/core/UIString.h"
#include "ui/core/UIStringMap.h"
#include "ui/base/UINotifyMsg.h"

namespace SkinUI {

class CNotifyPump;

// Handler signatures of a map row.
enum : UINT {
  UINOTIFY_SIG_END = 0,
  UINOTIFY_SIG_PARAMS = 1,  // void handler(WPARAM, LPARAM)
  UINOTIFY_SIG_MSG = 2,     // void handler(UINotifyMsg&)
};

// Handlers are stored as small functions that call the member on the most derived class, so
// any object adjustment of multiple inheritance is done by an ordinary cast.
typedef void (*UINotifyParamsHandler)(CNotifyPump*, WPARAM, LPARAM);
typedef void (*UINotifyMsgHandler)(CNotifyPump*, UINotifyMsg&);

struct NotifyMapEntry {
  CUIString type;
  CUIString controlName;  // empty: any sender
  UINT signature = UINOTIFY_SIG_END;
  UINotifyParamsHandler paramsHandler = nullptr;
  UINotifyMsgHandler msgHandler = nullptr;
};

struct NotifyMap {
  const NotifyMap* (*base)();  // null at the root
  const NotifyMapEntry* entries;
};

class CNotifyPump {
 public:
  CNotifyPump() = default;
  virtual ~CNotifyPump() = default;

  virtual const NotifyMap* GetMessageMap() const;
  static const NotifyMap* GetThisMessageMap();

  void NotifyPump(UINotifyMsg& msg);
  bool LoopDispatch(UINotifyMsg& msg);
  static const NotifyMapEntry* FindMessageEntry(const NotifyMapEntry* table, UINotifyMsg& msg);

  // Registers a virtual window: notifications tagged with its name go to its pump first.
  bool AddVirtualWnd(const CUIString& name, CNotifyPump* pump);
  bool RemoveVirtualWnd(const CUIString& name);

 protected:
  CUIStringMap m_virtualWndMap;
};

}  // namespace SkinUI

// Message maps of classes deriving from CNotifyPump:
//   in the class:  SKINUI_DECLARE_NOTIFY_MAP()
//   in the .cpp:   SKINUI_BEGIN_NOTIFY_MAP(CMyWnd, WindowImplBase)
//                    SKINUI_ON_NOTIFY(L"click", OnClick)
//                    SKINUI_ON_CONTROL_NOTIFY(L"click", L"btn_ok", OnOk)
//                    SKINUI_ON_NOTIFY_PARAMS(L"timer", OnTimer)
//                  SKINUI_END_NOTIFY_MAP()
#define SKINUI_DECLARE_NOTIFY_MAP()                               \
 public:                                                          \
  const ::SkinUI::NotifyMap* GetMessageMap() const override;      \
  static const ::SkinUI::NotifyMap* GetThisMessageMap();

#define SKINUI_BEGIN_NOTIFY_MAP(theClass, baseClass)                       \
  const ::SkinUI::NotifyMap* theClass::GetMessageMap() const {             \
    return GetThisMessageMap();                                            \
  }                                                                        \
  const ::SkinUI::NotifyMap* theClass::GetThisMessageMap() {               \
    typedef theClass ThisClass;                                            \
    typedef baseClass BaseClass;                                           \
    static_assert(sizeof(ThisClass) > 0, "a complete class");              \
    static const ::SkinUI::NotifyMapEntry entries[] = {
#define SKINUI_ON_CONTROL_NOTIFY(type, name, handler)                                       \
  {type, name, ::SkinUI::UINOTIFY_SIG_MSG, nullptr,                                         \
   [](::SkinUI::CNotifyPump* pump, ::SkinUI::UINotifyMsg& msg) {                             \
     static_cast<ThisClass*>(pump)->handler(msg);                                           \
   }},
#define SKINUI_ON_NOTIFY(type, handler) SKINUI_ON_CONTROL_NOTIFY(type, L"", handler)
#define SKINUI_ON_CONTROL_NOTIFY_PARAMS(type, name, handler)                                \
  {type, name, ::SkinUI::UINOTIFY_SIG_PARAMS,                                               \
   [](::SkinUI::CNotifyPump* pump, WPARAM wParam, LPARAM lParam) {                          \
     static_cast<ThisClass*>(pump)->handler(wParam, lParam);                                \
   },                                                                                       \
   nullptr},
#define SKINUI_ON_NOTIFY_PARAMS(type, handler) SKINUI_ON_CONTROL_NOTIFY_PARAMS(type, L"", handler)
#define SKINUI_END_NOTIFY_MAP()                                             \
  {L"", L"", ::SkinUI::UINOTIFY_SIG_END, nullptr, nullptr}                  \
  };                                                                       \
  static const ::SkinUI::NotifyMap map = {&BaseClass::GetThisMessageMap, entries}; \
  return &map;                                                             \
  }
