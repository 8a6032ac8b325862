// Intrusive reference count shared between threads: a task or a transfer object is
// created on one thread and released on another, so the count is atomic.
#pragma once

#include <atomic>
#include <cstdint>

// T is the class (derived from this base) whose virtual destructor deletes the object.
template <class T>
class CRefThreadSafeBase {
 public:
  CRefThreadSafeBase() : m_refCount(0) {}

  void AddRef() { m_refCount.fetch_add(1, std::memory_order_relaxed); }

  // Deletes the object when this was the last reference.
  void Release() {
    if (m_refCount.fetch_sub(1, std::memory_order_acq_rel) == 1) {
      delete static_cast<T*>(this);
    }
  }

 protected:
  // A copy is a new object: nobody holds a reference to it yet.
  CRefThreadSafeBase(const CRefThreadSafeBase&) : m_refCount(0) {}
  CRefThreadSafeBase& operator=(const CRefThreadSafeBase&) { return *this; }
  ~CRefThreadSafeBase() = default;

 private:
  std::atomic<uint32_t> m_refCount;
};
