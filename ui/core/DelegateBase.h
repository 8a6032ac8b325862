// A listener: an object and one of its functions behind a small virtual interface.
#pragma once

#include <cstring>

namespace SkinUI {

class CDelegateBase {
 public:
  virtual ~CDelegateBase() = default;
  virtual CDelegateBase* Copy() const = 0;
  virtual bool Invoke(void* param) = 0;

  void* GetTarget() const { return m_pObject; }
  // Identity is the object and the function, whatever the concrete delegate type.
  bool Equals(const CDelegateBase& other) const {
    return m_pObject == other.m_pObject && m_fnSize == other.m_fnSize &&
           memcmp(m_fn, other.m_fn, m_fnSize) == 0;
  }

 protected:
  enum { kMaxFunctionBytes = 32 };
  CDelegateBase(void* object, const void* fn, size_t fnSize) : m_pObject(object), m_fnSize(fnSize) {
    memset(m_fn, 0, sizeof(m_fn));
    if (m_fnSize > sizeof(m_fn)) m_fnSize = sizeof(m_fn);
    memcpy(m_fn, fn, m_fnSize);
  }
  CDelegateBase(const CDelegateBase&) = default;
  CDelegateBase& operator=(const CDelegateBase&) = default;

 private:
  void* m_pObject;
  unsigned char m_fn[kMaxFunctionBytes];
  size_t m_fnSize;
};

}  // namespace SkinUI
