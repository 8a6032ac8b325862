// An ordered list of owned delegates; invoking it stops at the first delegate that says no.
#pragma once

#include "ui/core/DelegateBase.h"
#include "ui/core/UIPtrArray.h"

namespace SkinUI {

class CEventSourceUI {
 public:
  CEventSourceUI() = default;
  ~CEventSourceUI();
  CEventSourceUI(const CEventSourceUI&) = delete;
  CEventSourceUI& operator=(const CEventSourceUI&) = delete;

  // Keeps a copy; a delegate with the same object and function is not added twice.
  void Add(const CDelegateBase& delegate);
  CEventSourceUI& operator+=(const CDelegateBase& delegate) {
    Add(delegate);
    return *this;
  }
  bool Invoke(void* param);
  bool operator()(void* param) { return Invoke(param); }
  int GetCount() const { return m_aDelegates.GetSize(); }

 private:
  CUIPtrArray m_aDelegates;
};

}  // namespace SkinUI
