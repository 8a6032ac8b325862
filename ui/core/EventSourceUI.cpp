#include "ui/core/EventSourceUI.h"

namespace SkinUI {

CEventSourceUI::~CEventSourceUI() {
  for (int i = 0; i < m_aDelegates.GetSize(); ++i) {
    delete static_cast<CDelegateBase*>(m_aDelegates.GetAt(i));
  }
}

void CEventSourceUI::Add(const CDelegateBase& delegate) {
  for (int i = 0; i < m_aDelegates.GetSize(); ++i) {
    CDelegateBase* existing = static_cast<CDelegateBase*>(m_aDelegates.GetAt(i));
    if (existing && existing->Equals(delegate)) return;
  }
  CDelegateBase* copy = delegate.Copy();
  if (!m_aDelegates.Add(copy)) delete copy;
}

bool CEventSourceUI::Invoke(void* param) {
  for (int i = 0; i < m_aDelegates.GetSize(); ++i) {
    CDelegateBase* delegate = static_cast<CDelegateBase*>(m_aDelegates.GetAt(i));
    if (delegate && !delegate->Invoke(param)) return false;
  }
  return true;
}

}  // namespace SkinUI
