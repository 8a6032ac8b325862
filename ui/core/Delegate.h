// A delegate that calls a member function bool (T::*)(void*) of an object of class O.
#pragma once

#include "ui/core/DelegateBase.h"

namespace SkinUI {

template <class O, class T>
class CDelegate : public CDelegateBase {
 public:
  typedef bool (T::*Fn)(void*);

  CDelegate(O* object, Fn fn) : CDelegateBase(object, &fn, sizeof(fn)), m_pObject(object), m_fn(fn) {}
  CDelegateBase* Copy() const override { return new CDelegate(*this); }
  bool Invoke(void* param) override { return (m_pObject->*m_fn)(param); }

 private:
  O* m_pObject;
  Fn m_fn;
};

template <class O, class T>
CDelegate<O, T> MakeDelegate(O* object, bool (T::*fn)(void*)) {
  return CDelegate<O, T>(object, fn);
}

}  // namespace SkinUI
