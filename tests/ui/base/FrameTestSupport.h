// Helpers of the framework tests: a recording control, a host window with its own manager
// (HostWnd.h), a notification recorder and rectangle formatting.
#pragma once
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/platform/user/MsgTestWindow.h"
#include "ui/base/ControlUI.h"
#include "platform/testing/hooks/testinput.h"
#include "platform/testing/hooks/tick.h"
#include "ui/base/INotifyUI.h"
#include "ui/base/WindowManagerUI.h"
#include "ui/base/WindowWnd.h"
#include "tests/ui/base/HostWnd.h"

namespace frametest {

using namespace SkinUI;

inline std::string Str(const RECT& rc) {
  return std::to_string(rc.left) + "," + std::to_string(rc.top) + "," + std::to_string(rc.right) + "," +
         std::to_string(rc.bottom);
}

inline std::string Narrow(const wchar_t* text) {
  std::string out;
  for (; text && *text; ++text) out += static_cast<char>(*text < 128 ? *text : '?');
  return out;
}

// Keeps the events it receives; optionally a tab stop or a cursor setter.
class ProbeUI : public CControlUI {
 public:
  explicit ProbeUI(const wchar_t* name = L"", UINT flags = 0, std::vector<std::string>* log = nullptr)
      : m_flags(flags), m_log(log) {
    SetName(name);
  }
  UINT GetControlFlags() const override { return m_flags; }
  void DoEvent(UIEventRecord& event) override {
    events.push_back(event);
    if (m_log) m_log->push_back(Narrow(m_name) + ":" + std::to_string(event.type));
    CControlUI::DoEvent(event);
  }
  int Count(int type) const {
    int n = 0;
    for (const UIEventRecord& e : events) n += e.type == type;
    return n;
  }
  std::vector<UIEventRecord> events;
  UINT m_flags;
  std::vector<std::string>* m_log;
};

// Records every notification as "sender:type".
class NotifyLog : public INotifyUI {
 public:
  explicit NotifyLog(std::string tag = "") : m_tag(std::move(tag)) {}
  void Notify(UINotifyMsg& msg) override {
    entries.push_back(m_tag + Narrow(msg.sender->GetName()) + ":" + Narrow(msg.type));
    last = msg;
  }
  std::vector<std::string> entries;
  UINotifyMsg last;
  std::string m_tag;
};


inline int Pump() { return msgtest::PumpReady(); }

inline LPARAM Pt(int x, int y) { return MAKELPARAM(x, y); }

}  // namespace frametest
