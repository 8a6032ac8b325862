// Smart pointer over an intrusively counted object (CRefThreadSafeBase).
#pragma once

#include <cstddef>
#include <utility>

template <class T>
class CRefPtr {
 public:
  CRefPtr() : m_ptr(nullptr) {}
  CRefPtr(T* p) : m_ptr(p) {  // NOLINT: implicit on purpose, as posters write CRefPtr<X> p = new X
    if (m_ptr) m_ptr->AddRef();
  }
  CRefPtr(const CRefPtr& other) : m_ptr(other.m_ptr) {
    if (m_ptr) m_ptr->AddRef();
  }
  template <class U>
  CRefPtr(const CRefPtr<U>& other) : m_ptr(other.get()) {
    if (m_ptr) m_ptr->AddRef();
  }
  CRefPtr(CRefPtr&& other) noexcept : m_ptr(other.m_ptr) { other.m_ptr = nullptr; }
  ~CRefPtr() {
    if (m_ptr) m_ptr->Release();
  }

  // The new pointer is taken before the old one goes, so assigning a pointer that the old
  // object keeps alive is safe.
  CRefPtr& operator=(T* p) {
    if (p == m_ptr) return *this;
    if (p) p->AddRef();
    T* old = m_ptr;
    m_ptr = p;
    if (old) old->Release();
    return *this;
  }
  CRefPtr& operator=(const CRefPtr& other) { return *this = other.m_ptr; }
  template <class U>
  CRefPtr& operator=(const CRefPtr<U>& other) {
    return *this = other.get();
  }
  CRefPtr& operator=(CRefPtr&& other) noexcept {
    if (this != &other) {
      T* old = m_ptr;
      m_ptr = other.m_ptr;
      other.m_ptr = nullptr;
      if (old) old->Release();
    }
    return *this;
  }

  void reset() { *this = static_cast<T*>(nullptr); }
  T* get() const { return m_ptr; }
  T* operator->() const { return m_ptr; }
  T& operator*() const { return *m_ptr; }
  explicit operator bool() const { return m_ptr != nullptr; }
  bool operator==(const CRefPtr& o) const { return m_ptr == o.m_ptr; }
  bool operator!=(const CRefPtr& o) const { return m_ptr != o.m_ptr; }
  bool operator==(std::nullptr_t) const { return m_ptr == nullptr; }
  bool operator!=(std::nullptr_t) const { return m_ptr != nullptr; }

 private:
  T* m_ptr;
};
