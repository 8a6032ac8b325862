// Gives a class one process-wide instance, created on first use. The instance is never
// destroyed: a worker that outlives main (a thread left to finish on its own) may still log
// while the process exits.
#pragma once

template <class T>
class CSingleton {
 public:
  static T& Instance() {
    static T* instance = new T();
    return *instance;
  }

 protected:
  CSingleton() = default;
  ~CSingleton() = default;
  CSingleton(const CSingleton&) = delete;
  CSingleton& operator=(const CSingleton&) = delete;
};
