#include "ui/base/NotifyPump.h"

#include "ui/base/ControlUI.h"

namespace SkinUI {

const NotifyMap* CNotifyPump::GetThisMessageMap() {
  static const NotifyMapEntry entries[] = {{L"", L"", UINOTIFY_SIG_END, nullptr, nullptr}};
  static const NotifyMap map = {nullptr, entries};
  return &map;
}

const NotifyMap* CNotifyPump::GetMessageMap() const { return GetThisMessageMap(); }

bool CNotifyPump::AddVirtualWnd(const CUIString& name, CNotifyPump* pump) {
  if (name.IsEmpty() || !pump || m_virtualWndMap.Find(name, false) != nullptr) return false;
  return m_virtualWndMap.Insert(name, pump);
}

bool CNotifyPump::RemoveVirtualWnd(const CUIString& name) { return m_virtualWndMap.Remove(name); }

void CNotifyPump::NotifyPump(UINotifyMsg& msg) {
  if (!msg.virtualWnd.IsEmpty()) {
    for (int i = 0; i < m_virtualWndMap.GetSize(); ++i) {
      const wchar_t* key = m_virtualWndMap.GetAt(i);
      if (!key || msg.virtualWnd.CompareNoCase(key) != 0) continue;
      // No reordering lookup while the map is walked by index.
      auto* pump = static_cast<CNotifyPump*>(m_virtualWndMap.Find(key, false));
      if (pump && pump->LoopDispatch(msg)) return;
    }
  }
  LoopDispatch(msg);
}

bool CNotifyPump::LoopDispatch(UINotifyMsg& msg) {
  const NotifyMapEntry* entry = nullptr;
  for (const NotifyMap* map = GetMessageMap(); map != nullptr; map = map->base ? map->base() : nullptr) {
    entry = FindMessageEntry(map->entries, msg);
    if (entry) break;
  }
  if (!entry) return false;
  switch (entry->signature) {
    case UINOTIFY_SIG_PARAMS:
      if (!entry->paramsHandler) return false;
      entry->paramsHandler(this, msg.wParam, msg.lParam);
      return true;
    case UINOTIFY_SIG_MSG:
      if (!entry->msgHandler) return false;
      entry->msgHandler(this, msg);
      return true;
    default:
      return false;
  }
}

const NotifyMapEntry* CNotifyPump::FindMessageEntry(const NotifyMapEntry* table, UINotifyMsg& msg) {
  if (!table) return nullptr;
  const NotifyMapEntry* anySender = nullptr;
  for (const NotifyMapEntry* row = table; row->signature != UINOTIFY_SIG_END; ++row) {
    if (row->type != msg.type.GetData()) continue;
    if (!row->controlName.IsEmpty()) {
      if (msg.sender && row->controlName == msg.sender->GetName().GetData()) return row;
    } else {
      anySender = row;
    }
  }
  return anySender;
}

}  // namespace SkinUI
